// The shipped English language file: every text the program reads from a
// language file is there and not empty, and the fonts convert.
#include <gtest/gtest.h>


#include "app/language_file.h"

namespace vindra::app {
namespace {

const std::string kFile = VINDRA_ENGLISH_RSL;

TEST(EnglishLanguageFile, HasEveryMessageCaptionTitleAndFont) {
  ASSERT_TRUE(LanguageFilePresent(kFile)) << kFile;
  struct Section {
    const char* name;
    int keys;
  };
  for (const Section& s : {Section{"Strings", 12}, Section{"Form01", 16}, Section{"Form02", 1}}) {
    for (int i = 1; i <= s.keys; ++i) {
      const std::string key = NumberedKey(i);
      EXPECT_NE(ReadIniString(kFile, s.name, key, ""), "") << s.name << " " << key;
    }
  }
  EXPECT_EQ(ReadIniString(kFile, "Form01", "RS_007", ""), "Registry files (*.reg)|*.reg|All files (*.*)|*.*");
  for (LanguageFont font : {LanguageFont::kWindow, LanguageFont::kText}) {
    const platform::FontDescription d = ReadFontDescription(kFile, font);
    EXPECT_NE(d.name, DesignedFont(font).name);
    EXPECT_GT(d.size, 0);
    EXPECT_EQ(d.charset, 1);  // the system's own character set
  }
}

}  // namespace
}  // namespace vindra::app
