// Environment-string expansion of the running process.
#pragma once

#include <string>
#include <string_view>

namespace vindra::platform {

// Every %NAME% reference to a defined environment variable replaced by its
// value (names matched without regard to letter case); references to undefined
// variables stay as written. Windows: ExpandEnvironmentStringsA.
std::string ExpandEnvironmentText(std::string_view text);

}  // namespace vindra::platform
