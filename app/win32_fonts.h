// Fonts of the Win32 windows from a FontDescription, at 96 dots per inch
// whatever the screen's density (the windows are not rescaled).
#pragma once

#include <windows.h>

#include "app/font_description.h"

namespace vindra::app {

// Pixel height of a point size at 96 dpi (9 pt gives 12, 10 pt gives 13).
inline int PointsToPixels(int points) { return MulDiv(points, 96, 72); }

// The font `font` describes; `designed` when its name is empty. The caller deletes it.
inline HFONT CreateDescribedFont(const FontDescription& font, const FontDescription& designed) {
  const FontDescription& f = font.name.empty() ? designed : font;
  const BYTE charset = font.name.empty() ? kShiftJisCharset : f.charset;
  return CreateFontA(-PointsToPixels(f.size), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, charset, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, f.name.c_str());
}

}  // namespace vindra::app
