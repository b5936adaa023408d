// Locale-aware, case-insensitive ordering of registry names (ANSI text).
// Windows: CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE). POSIX: the
// same sort keys, from the system's weights of every CP932 character.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vindra::platform {

// Negative, zero or positive as a sorts before, with or after b.
int CompareTextIgnoreCase(std::string_view a, std::string_view b);

// Stable ascending sort by CompareTextIgnoreCase; the empty name sorts first.
void SortNamesIgnoreCase(std::vector<std::string>& names);

}  // namespace vindra::platform
