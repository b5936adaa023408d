// The live Windows registry through the ANSI registry functions, read-only.
// Available in the Windows build only.
#pragma once

#include <memory>

#include "registry/registry_access.h"

namespace vindra::registry {

#ifdef _WIN32
// Access objects over RegOpenKeyExA, RegQueryInfoKeyA, RegEnumValueA,
// RegEnumKeyExA, RegQueryValueExA and RegCloseKey. Nothing is ever written.
class Win32RegistrySource final : public RegistrySource {
 public:
  std::unique_ptr<RegistryAccess> CreateAccess() override;
};
#endif

}  // namespace vindra::registry
