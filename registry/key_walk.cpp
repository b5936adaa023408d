#include "registry/key_walk.h"

#include <memory>
#include <vector>

#include "platform/collate.h"

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

void WalkKeyTree(RegistrySource& source, RootKey root, std::string_view keyPath, const KeyVisitor& visit) {
  std::vector<OpenLevel> levels;
  // Visits one key and, when it can be opened, pushes it as a new level.
  auto enter = [&](std::string path) {
    std::unique_ptr<RegistryAccess> key = source.CreateAccess();
    key->SetRoot(root);
    const bool opened = key->OpenKeyReadOnly(path);
    visit(path, opened ? key.get() : nullptr);
    if (!opened) return;
    std::vector<std::string> subKeys = key->SubKeyNames();
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
