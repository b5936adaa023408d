#include "platform/font_description.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include "platform/font_win32.h"
#endif

namespace vindra::platform {
namespace {

TEST(PointsToPixels, TakesPointsAt96DotsPerInchRoundingHalvesAwayFromZero) {
  const struct {
    int points, pixels;
  } cases[] = {{0, 0}, {1, 1}, {8, 11}, {9, 12}, {10, 13}, {11, 15}, {12, 16}, {72, 96},
               {-9, -12}, {-11, -15}, {-1, -1}, {3, 4}};
  for (const auto& c : cases) EXPECT_EQ(PointsToPixels(c.points), c.pixels) << c.points << " pt";
}

TEST(DescribedOrDesigned, AnEmptyFaceNameKeepsTheDesignedFont) {
  const FontDescription designed{"Designed", 9, kShiftJisCharset};
  const FontDescription named{"Named", 12, 0};
  EXPECT_EQ(&DescribedOrDesigned(named, designed), &named);
  EXPECT_EQ(&DescribedOrDesigned(FontDescription{"", 12, 0}, designed), &designed);
}

#ifdef _WIN32
TEST(PointsToPixels, AgreesWithTheSystemsMulDiv) {
  for (int points = -200; points <= 200; ++points) EXPECT_EQ(PointsToPixels(points), MulDiv(points, 96, 72)) << points;
}

TEST(CreateFontFrom, MakesTheDescribedFaceSizeAndCharacterSet) {
  HFONT font = CreateFontFrom({"Arial", 10, 0});
  ASSERT_NE(font, nullptr);
  LOGFONTA log{};
  ASSERT_NE(GetObjectA(font, sizeof log, &log), 0);
  DeleteObject(font);
  EXPECT_EQ(log.lfHeight, -13);
  EXPECT_EQ(log.lfCharSet, 0);
  EXPECT_EQ(log.lfWeight, FW_NORMAL);
  EXPECT_STREQ(log.lfFaceName, "Arial");
}
#endif

}  // namespace
}  // namespace vindra::platform
