// The live Windows registry through the ANSI registry functions, read-only.
// Available in the Windows build only.
#pragma once

#include <cstdint>
#include <memory>

#include "registry/registry_access.h"

namespace vindra::registry {

// The view of the registry that 64-bit Windows shows a program: the one of
// its own width (32-bit programs see the keys kept under WOW6432Node), or,
// when asked for, the 32-bit or the 64-bit view.
enum class RegistryView { Own, Bits32, Bits64 };

#ifdef _WIN32
// Access objects over RegOpenKeyExA, RegQueryInfoKeyA/W, RegEnumValueW (each
// value read once, with its data, while the values are listed; names and text
// converted as the ANSI functions convert them), RegEnumKeyExA,
// RegQueryValueExA (where a value must be queried by name) and RegCloseKey.
// Nothing is ever written.
class Win32RegistrySource final : public RegistrySource {
 public:
  // Keys are opened in `view` (KEY_WOW64_32KEY / KEY_WOW64_64KEY). 32-bit
  // Windows has a single view, which every choice reads.
  explicit Win32RegistrySource(RegistryView view = RegistryView::Own);
  std::unique_ptr<RegistryAccess> CreateAccess() override;

 private:
  std::uint32_t viewRights_;  // the KEY_WOW64_* flag added to every open, or 0
};
#endif

}  // namespace vindra::registry
