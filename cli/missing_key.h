// Telling a start key that does not exist from one that only cannot be read.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "registry/registry_access.h"

namespace vindra::cli {

// The path (below `root`) of the first key along `path` that its parent does
// not list, when one is missing: "SOFTWARE\Typo" for "SOFTWARE\Typo\Sub".
// Nothing when the key opens, or when a parent cannot be opened or listed, so
// that the existence cannot be told (the export then runs as it would).
std::optional<std::string> FirstMissingKey(registry::RegistrySource& source, registry::RootKey root,
                                           std::string_view path);

}  // namespace vindra::cli
