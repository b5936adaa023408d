#include "cli/missing_key.h"

#include <memory>

#include "registry/memory_registry.h"
#include "registry/root_key.h"

namespace vindra::cli {

std::optional<std::string> FirstMissingKey(registry::RegistrySource& source, registry::RootKey root,
                                           std::string_view path) {
  const std::unique_ptr<registry::RegistryAccess> key = source.CreateAccess();
  key->SetRoot(root);
  if (key->OpenKeyReadOnly(path)) {
    key->CloseKey();
    return std::nullopt;
  }
  std::string parent;
  for (std::string_view part : registry::SplitKeyPath(path)) {
    if (!key->OpenKeyReadOnly(parent)) return std::nullopt;
    const std::vector<std::string> names = key->SubKeyNames();
    const bool listed = key->SubKeyCount() == names.size();
    key->CloseKey();
    const std::string folded = registry::FoldNameCase(part);
    const std::string* found = nullptr;
    for (const std::string& name : names) {
      if (registry::FoldNameCase(name) == folded) found = &name;
    }
    if (!parent.empty()) parent.push_back('\\');
    if (found == nullptr) {
      if (!listed) return std::nullopt;
      parent.append(part);
      return parent;
    }
    parent.append(*found);
  }
  return std::nullopt;
}

}  // namespace vindra::cli
