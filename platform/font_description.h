// A font as the language file describes it (face name, point size, character
// set), and the rule by which the windows turn its point size into pixels.
// Portable: the Win32 fonts are made from it in platform/font_win32.h.
#pragma once

#include <cstdint>
#include <string>

namespace vindra::platform {

struct FontDescription {
  std::string name;          // face name; empty keeps the designed font
  std::int32_t size = 0;     // in points
  std::uint8_t charset = 0;  // 128 is the Shift-JIS character set
};

inline constexpr std::uint8_t kShiftJisCharset = 128;

// The windows are laid out in pixels and never rescaled, so point sizes are
// taken at 96 dots per inch whatever the screen's density: 9 pt gives 12
// pixels, 10 pt gives 13. Rounded to the nearest pixel, halves away from zero
// (as the system's MulDiv(points, 96, 72)).
constexpr int PointsToPixels(int points) {
  const long long scaled = static_cast<long long>(points) * 96;
  return static_cast<int>(scaled >= 0 ? (scaled + 36) / 72 : -((36 - scaled) / 72));
}

// The font a window uses: `font`, or `designed` when `font` names no face.
inline const FontDescription& DescribedOrDesigned(const FontDescription& font, const FontDescription& designed) {
  return font.name.empty() ? designed : font;
}

}  // namespace vindra::platform
