// Sorting names by precomputed collation keys, shared by both platforms.
#pragma once

#include <string>
#include <vector>

namespace vindra::platform {

// Stable ascending sort of `names` by `keys` (one key per name, compared as
// bytes): each name's key is made once instead of in every comparison.
void SortByKeys(std::vector<std::string>& names, const std::vector<std::string>& keys);

}  // namespace vindra::platform
