// Depth-first pre-order walk over a key and everything beneath it, shared by
// the two exporters. Each key reached is handed to the visitor; then the key
// is opened once more, its sub-keys are listed, sorted and walked in order,
// and it stays open until its last sub-key is done. The walk keeps its own
// stack instead of recursing, so a tree as deep as the registry allows (512
// levels) costs no call stack.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "registry/registry_access.h"

namespace vindra::registry {

// Called for every key reached, with the key's registry path (below the root).
// A RegistryError thrown here ends the walk; it travels to the caller.
using KeyVisitor = std::function<void(const std::string& registryPath)>;

void WalkKeyTree(RegistrySource& source, RootKey root, std::string_view keyPath, const KeyVisitor& visit);

// The names of a key's values, sorted (the default value, "", first). Empty
// when the key cannot be opened.
std::vector<std::string> SortedValueNames(RegistrySource& source, RootKey root, std::string_view keyPath);

}  // namespace vindra::registry
