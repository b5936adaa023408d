// The two live-key commands without their dialogs: the root checks of the
// main window's Convert and RegExpander commands, the line written before the
// export, and the export itself. Shared by vindra-cli and its tests.
#pragma once

#include <string>
#include <string_view>

#include "core/options.h"
#include "core/output_list.h"
#include "core/skip_report.h"
#include "registry/registry_access.h"
#include "registry/root_key.h"

namespace vindra::registry {

// Default texts of the message table for the two refusals.
inline constexpr std::string_view kRootNotAllowedText = "指定できないレジストリのエントリです";
inline constexpr std::string_view kAboveSoftwareSystemText =
    "[HKEY_LOCAL_MACHINE\\Software/System]より上層のエントリは指定できません";

inline constexpr std::string_view kRegExpanderHeaderLine = "; for Registry Expander";

enum class LiveCommand { Export, RegExpander };

enum class LiveExportStatus {
  Done,
  RootNotAllowed,     // the root is not HKEY_CLASSES_ROOT, HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE
  AboveSoftwareSystem,  // an HKEY_LOCAL_MACHINE key outside SOFTWARE\ and SYSTEM\ (export only)
  ReadFailed,         // a registry read failed; the lines before it were written
};

struct LiveExportResult {
  LiveExportStatus status = LiveExportStatus::Done;
  std::string errorText;  // ANSI text for every status but Done
};

// The section header the Convert command writes for a key: "[Software.AddReg]"
// for HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE\SOFTWARE\..., "[Default.AddReg]"
// for HKEY_CURRENT_USER, "[SetupReg.AddReg]" for HKEY_LOCAL_MACHINE\SYSTEM\...;
// empty for a key the command refuses.
std::string_view ExportSectionHeader(RootKey root, std::string_view path);

// The key's path with every component spelled as the registry spells it, as
// the key picker returns it; components that are not found stay as given.
std::string RegistrySpelling(RegistrySource& source, RootKey root, std::string_view path);

// Checks the key, writes the section header (export, when `sectionHeader`) or
// the RegExpander line, and runs the exporter into `output`, telling
// `skipped` (may be null) what the export leaves out.
LiveExportResult RunLiveExport(LiveCommand command, RegistrySource& source, const RootedKeyPath& key,
                               const ConversionOptions& options, bool sectionHeader, OutputList& output,
                               SkipObserver* skipped = nullptr);

}  // namespace vindra::registry
