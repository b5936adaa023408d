#include "platform/font_win32.h"

namespace vindra::platform {

HFONT CreateFontFrom(const FontDescription& font) {
  return CreateFontA(-PointsToPixels(font.size), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, font.charset,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                     font.name.c_str());
}

}  // namespace vindra::platform
