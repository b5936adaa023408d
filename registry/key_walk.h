// Depth-first pre-order walk over a key and everything beneath it, shared by
// the two exporters. Each key reached is opened and handed to the visitor;
// then its sub-keys are listed, sorted and walked in order, and it stays open
// until its last sub-key is done. One open serves the values and the sub-keys:
// a key that goes away in between lists no sub-keys, as a fresh open would
// have failed. The walk keeps its own
// stack instead of recursing, so a tree as deep as the registry allows (512
// levels) costs no call stack.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/skip_report.h"
#include "registry/registry_access.h"

namespace vindra::registry {

// Called for every key reached, with the key's registry path (below the root)
// and the key opened read-only, or null when it cannot be opened. The visitor
// may reopen the key; whatever it leaves open is where the sub-keys are listed.
// A RegistryError thrown here ends the walk; it travels to the caller.
using KeyVisitor = std::function<void(const std::string& registryPath, RegistryAccess* openKey)>;

// `skipped` (may be null) is told the keys that cannot be opened and those
// whose sub-keys cannot be listed, by SkippedKeyName.
void WalkKeyTree(RegistrySource& source, RootKey root, std::string_view keyPath, const KeyVisitor& visit,
                 SkipObserver* skipped = nullptr);

// "HKEY_CURRENT_USER\Software\X": a key as a skip report names it.
std::string SkippedKeyName(RootKey root, std::string_view registryPath);

// The names of the open key's values, sorted (the default value, "", first).
std::vector<std::string> SortedValueNames(RegistryAccess& key);

}  // namespace vindra::registry
