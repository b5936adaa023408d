// Export of a registry key with all its values and sub-keys as INF registry
// entries: a depth-first pre-order walk, values and sub-keys in sorted order.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/inf_format.h"
#include "core/options.h"
#include "core/output_list.h"
#include "core/skip_report.h"
#include "registry/registry_access.h"

namespace vindra::registry {

// The path written into the entries of a key: "Classes\" in front for
// HKEY_CLASSES_ROOT, the leading SOFTWARE\ or SYSTEM\ removed for
// HKEY_LOCAL_MACHINE, then the control-set rewrite when the option is on.
std::string ExportOutputPath(RootKey root, std::string_view registryPath, bool forceControlSet001);

// The lines the exporter writes for one value: its entry, after the
// replacement comment when its type is written as binary. Shared by the
// exporter and by producers that hold a value's data already (the registry
// comparison), so that both write a value alike.
class ExportValueWriter {
 public:
  // Reads the machine's folders for the path substitution once.
  explicit ExportValueWriter(const ConversionOptions& options);

  // Appends the lines of the value `name` (empty: the default value) under
  // `outputPath`. `data` is the result of one QueryValueData; when it is not
  // complete, `key` (open on the value's key) reads the rest, and a failed
  // read throws RegistryError. A complete REG_DWORD longer than four bytes
  // throws RegistryError as its read would. `onDataUnread` is called when a
  // read of the rest brings less than the value's size.
  void Write(OutputList& output, std::string_view outputPath, const std::string& name, const ValueData& data,
             RegistryAccess* key, const std::function<void()>& onDataUnread = {}) const;

 private:
  std::string MultiString(RegistryAccess& key, const std::string& name, std::uint32_t size,
                          const std::function<void()>& onDataUnread) const;
  std::string ReadBinary(RegistryAccess& key, const std::string& name, std::uint32_t size,
                         const std::function<void()>& onDataUnread) const;

  const ConversionOptions& options_;
  // The machine's folders, read once: the environment cannot change during an export.
  const MachinePaths machinePaths_;
};

// Appends the entries of the key at `keyPath` below `root` and of everything
// beneath it to `output`. A failing value read throws RegistryError; the
// entries appended before it stay in `output`. `skipped` (may be null) is
// told what the entries leave out: keys that cannot be opened or listed,
// values that cannot be queried (written as empty REG_NONE values: a name
// that does not survive the ANSI code page is one) or read.
void RegistryKeyExporter(OutputList& output, RegistrySource& source, RootKey root, std::string_view keyPath,
                         const ConversionOptions& options, SkipObserver* skipped = nullptr);

}  // namespace vindra::registry
