// Win32 fonts from a FontDescription, at 96 dots per inch (see
// PointsToPixels). Windows build only.
#pragma once

#include <windows.h>

#include "platform/font_description.h"

namespace vindra::platform {

// A normal-weight font of the described face, size and character set; null
// when the system cannot make it. The caller deletes it.
HFONT CreateFontFrom(const FontDescription& font);

// The font `font` describes, or `designed` when `font` names no face.
inline HFONT CreateDescribedFont(const FontDescription& font, const FontDescription& designed) {
  return CreateFontFrom(DescribedOrDesigned(font, designed));
}

}  // namespace vindra::platform
