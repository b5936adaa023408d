// RegExpander settings: for a key and every key beneath it that holds string
// values, one REG_MULTI_SZ entry under the plug-in's settings key for the root,
// naming the key's path and listing the names of its string values.
#pragma once

#include <string>
#include <string_view>

#include "core/options.h"
#include "core/output_list.h"
#include "core/skip_report.h"
#include "registry/registry_access.h"

namespace vindra::registry {

// "Quenvel\RegExpander\HKCU" and so on; HKEY_CLASSES_ROOT gives the HKLM key,
// and roots without an abbreviation of their own give the HKCU key.
std::string RegExpanderSettingsKey(RootKey root);

// The key path written as the value name: "Software\Classes\" in front for
// HKEY_CLASSES_ROOT, then the control-set rewrite when the option is on.
std::string RegExpanderKeyPath(RootKey root, std::string_view registryPath, bool forceControlSet001);

// Appends the settings entries of the key and everything beneath it. Reads
// no value data, so it raises no error of its own. `skipped` (may be null)
// is told the keys that cannot be opened or listed and the values whose type
// cannot be queried; values of other types than the string ones are no loss.
void RegExpanderExporter(OutputList& output, RegistrySource& source, RootKey root, std::string_view keyPath,
                         const ConversionOptions& options, SkipObserver* skipped = nullptr);

}  // namespace vindra::registry
