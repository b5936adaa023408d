#include "registry/live_export.h"

#include <memory>

#include "core/ansi_text.h"
#include "core/inf_format.h"
#include "registry/key_exporter.h"
#include "registry/memory_registry.h"
#include "registry/regexpander_exporter.h"

namespace vindra::registry {
namespace {

// The Convert command tests the picker's path, which ends with a backslash,
// so the keys SOFTWARE and SYSTEM themselves pass.
bool PathStartsWith(std::string_view path, std::string_view nameWithBackslash) {
  std::string test(path);
  test.push_back('\\');
  return StartsWithIgnoreCase(test, nameWithBackslash);
}

bool IsExportableRoot(RootKey root) {
  return root == kHkeyClassesRoot || root == kHkeyCurrentUser || root == kHkeyLocalMachine;
}

}  // namespace

std::string_view ExportSectionHeader(RootKey root, std::string_view path) {
  switch (root) {
    case kHkeyClassesRoot:
      return InfSectionHeader(InfSection::SoftwareAddReg);
    case kHkeyCurrentUser:
      return InfSectionHeader(InfSection::DefaultAddReg);
    case kHkeyLocalMachine:
      if (PathStartsWith(path, "SOFTWARE\\")) return InfSectionHeader(InfSection::SoftwareAddReg);
      if (PathStartsWith(path, "SYSTEM\\")) return InfSectionHeader(InfSection::SetupRegAddReg);
      return {};
    default:
      return {};
  }
}

std::string RegistrySpelling(RegistrySource& source, RootKey root, std::string_view path) {
  std::string spelled;
  const std::unique_ptr<RegistryAccess> key = source.CreateAccess();
  key->SetRoot(root);
  bool found = true;
  for (std::string_view part : SplitKeyPath(path)) {
    std::string name(part);
    if (found && key->OpenKeyReadOnly(spelled)) {
      const std::string folded = FoldNameCase(part);
      found = false;
      for (const std::string& candidate : key->SubKeyNames()) {
        if (FoldNameCase(candidate) == folded) {
          name = candidate;
          found = true;
          break;
        }
      }
      key->CloseKey();
    } else {
      found = false;
    }
    if (!spelled.empty()) spelled.push_back('\\');
    spelled.append(name);
  }
  return spelled;
}

LiveExportResult RunLiveExport(LiveCommand command, RegistrySource& source, const RootedKeyPath& key,
                               const ConversionOptions& options, bool sectionHeader, OutputList& output,
                               SkipObserver* skipped) {
  LiveExportResult result;
  if (!IsExportableRoot(key.root)) {
    result.status = LiveExportStatus::RootNotAllowed;
    result.errorText.assign(kRootNotAllowedText);
    return result;
  }
  if (command == LiveCommand::Export && key.root == kHkeyLocalMachine && ExportSectionHeader(key.root, key.path).empty()) {
    result.status = LiveExportStatus::AboveSoftwareSystem;
    result.errorText.assign(kAboveSoftwareSystemText);
    return result;
  }
  try {
    if (command == LiveCommand::Export) {
      if (sectionHeader) output.Add(ExportSectionHeader(key.root, key.path));
      RegistryKeyExporter(output, source, key.root, key.path, options, skipped);
    } else {
      output.Add(kRegExpanderHeaderLine);
      RegExpanderExporter(output, source, key.root, key.path, options, skipped);
    }
  } catch (const RegistryError& error) {
    result.status = LiveExportStatus::ReadFailed;
    result.errorText = error.what();
  }
  return result;
}

}  // namespace vindra::registry
