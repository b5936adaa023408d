#include "registry/regexpander_exporter.h"

#include <memory>
#include <vector>

#include "core/inf_format.h"
#include "platform/collate.h"
#include "registry/key_walk.h"

namespace vindra::registry {
namespace {

constexpr std::string_view kSettingsPrefix = "Quenvel\\RegExpander\\";

// The name as listed: "(Default)" for the default value, quotes doubled.
std::string ListedName(std::string_view name) {
  const std::string_view text = name.empty() ? std::string_view("(Default)") : name;
  std::string listed;
  listed.reserve(text.size());
  for (char c : text) {
    listed.push_back(c);
    if (c == '"') listed.push_back('"');
  }
  return listed;
}

bool IsStringType(std::uint32_t type) { return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz; }

}  // namespace

std::string RegExpanderSettingsKey(RootKey root) {
  std::string_view abbreviation = "HKCU";
  switch (root) {
    case kHkeyClassesRoot:
    case kHkeyLocalMachine:
      abbreviation = "HKLM";
      break;
    case kHkeyUsers:
      abbreviation = "HKU";
      break;
    case kHkeyCurrentConfig:
      abbreviation = "HKCC";
      break;
    default:
      break;
  }
  return std::string(kSettingsPrefix).append(abbreviation);
}

std::string RegExpanderKeyPath(RootKey root, std::string_view registryPath, bool forceControlSet001) {
  std::string path;
  if (root == kHkeyClassesRoot) path.assign("Software\\Classes\\");
  path.append(registryPath);
  return forceControlSet001 ? RewriteControlSet(path) : path;
}

void RegExpanderExporter(OutputList& output, RegistrySource& source, RootKey root, std::string_view keyPath,
                         const ConversionOptions& options, SkipObserver* skipped) {
  const std::string settingsKey = RegExpanderSettingsKey(root);
  WalkKeyTree(source, root, keyPath, [&](const std::string& registryPath, RegistryAccess* key) {
    if (!key) return;
    std::vector<std::string> listed;
    // As in the key export, the key stays open across the values, and a
    // failed query is repeated through a fresh open, as opening the key for
    // every value would have it.
    bool open = true;
    const auto skip = [&](SkipReason reason, const std::string& name) {
      if (skipped) skipped->Skipped(reason, 0, SkippedKeyName(root, registryPath), name);
    };
    for (const std::string& name : SortedValueNames(*key)) {
      std::uint32_t type = 0;
      if (open || (open = key->OpenKeyReadOnly(registryPath))) {
        ValueInfo info = key->QueryValueInfo(name);
        if (!info.ok && (open = key->OpenKeyReadOnly(registryPath))) info = key->QueryValueInfo(name);
        type = info.ok ? info.type : 0;
        if (!open) {
          skip(SkipReason::ValueKeyCannotBeReopened, name);
        } else if (!info.ok) {
          skip(MayHaveLostCharacters(name) ? SkipReason::ValueNameOutsideCodePage : SkipReason::ValueCannotBeQueried,
               name);
        }
      } else {
        skip(SkipReason::ValueKeyCannotBeReopened, name);
      }
      if (IsStringType(type)) listed.push_back(ListedName(name));
    }
    if (listed.empty()) return;
    platform::SortNamesIgnoreCase(listed);  // "(Default)" takes its place by its text
    std::string field;
    for (const std::string& name : listed) {
      if (!field.empty()) field.push_back(',');
      field.append("\"").append(name).append("\"");
    }
    output.Add(FormatValueEntry(kRegMultiSz, settingsKey,
                                RegExpanderKeyPath(root, registryPath, options.ForceControlSet001), field, false));
  }, skipped);
}

}  // namespace vindra::registry
