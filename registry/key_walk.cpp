#include "registry/key_walk.h"

#include <memory>
#include <vector>

#include "platform/collate.h"
#include "registry/root_key.h"

namespace vindra::registry {
namespace {

// One level of the walk: the key held open while its sub-keys are exported.
struct OpenLevel {
  std::unique_ptr<RegistryAccess> key;
  std::string path;
  std::vector<std::string> subKeys;
  std::size_t next = 0;
};

}  // namespace

std::vector<std::string> SortedValueNames(RegistryAccess& key) {
  std::vector<std::string> names = key.ValueNames();
  platform::SortNamesIgnoreCase(names);
  return names;
}

std::string SkippedKeyName(RootKey root, std::string_view registryPath) {
  std::string name(RootKeyName(root));
  if (!registryPath.empty()) name.append("\\").append(registryPath);
  return name;
}

void WalkKeyTree(RegistrySource& source, RootKey root, std::string_view keyPath, const KeyVisitor& visit,
                 SkipObserver* skipped) {
  std::vector<OpenLevel> levels;
  // Visits one key and, when it can be opened, pushes it as a new level.
  auto enter = [&](std::string path) {
    std::unique_ptr<RegistryAccess> key = source.CreateAccess();
    key->SetRoot(root);
    const bool opened = key->OpenKeyReadOnly(path);
    visit(path, opened ? key.get() : nullptr);
    if (!opened) {
      if (skipped) {
        const std::string_view name = std::string_view(path).substr(path.rfind('\\') + 1);
        const SkipReason reason =
            MayHaveLostCharacters(name) ? SkipReason::KeyNameOutsideCodePage : SkipReason::KeyCannotBeOpened;
        skipped->Skipped(reason, 0, SkippedKeyName(root, path), {});
      }
      return;
    }
    std::vector<std::string> subKeys = key->SubKeyNames();
    // A key opened without the right to list its sub-keys counts them but
    // lists none (or fewer); the count is asked only for a report.
    if (skipped && key->SubKeyCount() > subKeys.size()) {
      skipped->Skipped(SkipReason::SubKeysCannotBeListed, 0, SkippedKeyName(root, path), {});
    }
    platform::SortNamesIgnoreCase(subKeys);
    levels.push_back(OpenLevel{std::move(key), std::move(path), std::move(subKeys), 0});
  };

  enter(std::string(keyPath));
  while (!levels.empty()) {
    OpenLevel& level = levels.back();
    if (level.next == level.subKeys.size()) {
      level.key->CloseKey();
      levels.pop_back();
      continue;
    }
    const std::string& name = level.subKeys[level.next++];
    if (name.empty()) continue;
    std::string subPath;
    subPath.reserve(level.path.size() + 1 + name.size());
    subPath.append(level.path).push_back('\\');
    subPath.append(name);
    enter(std::move(subPath));  // may grow `levels`: `level` is not used after this
  }
}

}  // namespace vindra::registry
