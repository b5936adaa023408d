#include "app/about_box.h"

#include <gtest/gtest.h>

#include "temp_folder.h"

namespace vindra::app {
namespace {

TEST(AboutBoxLogic, VersionLineUsesTheDecimalSeparator) {
  struct Case {
    std::string separator;
    int hundredths;
    std::string expected;
  };
  const Case cases[] = {
      {".", 294, "version 2.94"}, {",", 294, "version 2,94"}, {".", 5, "version 0.05"},
      {".", 1000, "version 10.00"}, {"", 294, "version 294"},
  };
  for (const Case& c : cases) EXPECT_EQ(VersionLine(c.separator, c.hundredths), c.expected);
  EXPECT_EQ(VersionLine("."), "version 2.94");
}

TEST(AboutBoxLogic, ShrinksToTheDesignedControls) {
  AboutLayout layout;
  EXPECT_EQ(ShrunkClientWidth(layout), 256);
  EXPECT_EQ(ShrunkClientHeight(layout), 150);
}

class RecordingView final : public AboutBoxView {
 public:
  void SetBoxFont(const platform::FontDescription& f) override { font = f; fontSet = true; }
  void SetTitle(std::string_view t) override { title = std::string(t); titleSet = true; }
  void SetClientSize(int w, int h) override { width = w; height = h; ++sized; }
  void SetVersionText(std::string_view t) override { version = std::string(t); }
  void SetUrlText(std::string_view t) override { url = std::string(t); }
  std::string DecimalSeparator() override { return separator; }
  std::string separator = ".", title = "designed", version, url;
  platform::FontDescription font;
  bool fontSet = false, titleSet = false;
  int width = 0, height = 0, sized = 0;
};

using AboutBoxFileTest = TempFolderTest;

TEST_F(AboutBoxFileTest, WithoutLanguageFileKeepsDesignedTitleAndFont) {
  RecordingView v;
  AboutBoxLogic box(v, file_);
  box.OnShown();
  EXPECT_FALSE(v.fontSet);
  EXPECT_FALSE(v.titleSet);
  EXPECT_EQ(v.version, "version 2.94");
  EXPECT_EQ(v.url, kProgramUrl);
  EXPECT_EQ(v.width, 256);
  EXPECT_EQ(v.height, 150);
}

TEST_F(AboutBoxFileTest, LanguageFileWithoutForm02GivesEmptyTitleButItsFont) {
  Write("[Font01]\r\nName=Arial\r\nSize=10\r\n");
  RecordingView v;
  v.separator = ",";
  AboutBoxLogic box(v, file_);
  box.OnShown();
  EXPECT_TRUE(v.titleSet);
  EXPECT_EQ(v.title, "");
  EXPECT_EQ(v.font.name, "Arial");
  EXPECT_EQ(v.font.size, 10);
  EXPECT_EQ(v.version, "version 2,94");
}

TEST_F(AboutBoxFileTest, TitleFromForm02AndPreparedOnce) {
  Write("[Form02]\r\nRS_001=About Vindra\r\n");
  RecordingView v;
  AboutBoxLogic box(v, file_);
  box.OnShown();
  box.OnShown();
  EXPECT_EQ(v.title, "About Vindra");
  EXPECT_EQ(v.sized, 1);
}

}  // namespace
}  // namespace vindra::app
