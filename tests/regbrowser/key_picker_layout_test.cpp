#include "regbrowser/key_picker_layout.h"

#include <gtest/gtest.h>

#include "platform/font_description.h"
#include "regbrowser/key_picker_runner.h"

namespace vindra::regbrowser {
namespace {

TEST(KeyPickerLayout, TheTreeStretchesAndTheButtonsFollowTheBottomRightCorner) {
  const PixelSize created{370, 297};
  const KeyPickerLayout layout(created);
  const struct {
    PixelSize client;
    KeyPickerPlacement expected;
  } cases[] = {
      // At the size it was created with, everything is where it was designed.
      {created, {kDesignedTree, kDesignedOk, kDesignedCancel}},
      {{470, 357}, {{12, 28, 457, 319}, {284, 327, 365, 349}, {376, 327, 459, 349}}},
      {{360, 290}, {{12, 28, 347, 252}, {174, 260, 255, 282}, {266, 260, 349, 282}}},
      // Smaller than the tree's margins: the tree shrinks to nothing, the
      // buttons keep their distances even off the client area.
      {{0, 0}, {{12, 28, 12, 28}, {-186, -30, -105, -8}, {-94, -30, -11, -8}}},
  };
  for (const auto& c : cases) {
    const KeyPickerPlacement got = layout.At(c.client);
    EXPECT_EQ(got, c.expected) << c.client.width << "x" << c.client.height;
    EXPECT_EQ(got.ok.Width(), kDesignedOk.Width());
    EXPECT_EQ(got.cancel.Height(), kDesignedCancel.Height());
  }
}

TEST(KeyPickerDesign, TheDesignedFontIsNinePointShiftJisTwelvePixelsHigh) {
  EXPECT_EQ(kDesignedFont.size, 9);
  EXPECT_EQ(kDesignedFont.charset, platform::kShiftJisCharset);
  EXPECT_EQ(platform::PointsToPixels(kDesignedFont.size), kDesignedLabel.Height());
}

}  // namespace
}  // namespace vindra::regbrowser
