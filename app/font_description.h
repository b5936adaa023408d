// A font as the language file describes it: face name, point size and
// character set. Header-only so that the key picker can take fonts without
// depending on the application library.
#pragma once

#include <cstdint>
#include <string>

namespace vindra::app {

struct FontDescription {
  std::string name;         // face name; empty keeps the designed font
  std::int32_t size = 0;    // in points
  std::uint8_t charset = 0; // 128 is the Shift-JIS character set
};

inline constexpr std::uint8_t kShiftJisCharset = 128;

}  // namespace vindra::app
