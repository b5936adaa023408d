// Export of a registry key with all its values and sub-keys as INF registry
// entries: a depth-first pre-order walk, values and sub-keys in sorted order.
#pragma once

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

// Appends the entries of the key at `keyPath` below `root` and of everything
// beneath it to `output`. A failing value read throws RegistryError; the
// entries appended before it stay in `output`. `skipped` (may be null) is
// told what the entries leave out: keys that cannot be opened or listed,
// values that cannot be queried (written as empty REG_NONE values: a name
// that does not survive the ANSI code page is one) or read.
void RegistryKeyExporter(OutputList& output, RegistrySource& source, RootKey root, std::string_view keyPath,
                         const ConversionOptions& options, SkipObserver* skipped = nullptr);

}  // namespace vindra::registry
