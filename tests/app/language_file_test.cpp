#include "app/language_file.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "temp_folder.h"

namespace vindra::app {
namespace {

TEST(LanguageFilePathFor, ReplacesOnlyTheExtensionOfTheLastComponent) {
  const struct {
    const char* exe;
    const char* rsl;
  } cases[] = {
      {"D:\\Tools\\conv.exe", "D:\\Tools\\conv.rsl"},
      {"D:\\Tools\\a.b.exe", "D:\\Tools\\a.b.rsl"},
      {"D:\\Tools\\conv", "D:\\Tools\\conv.rsl"},
      {"D:\\v1.2\\conv", "D:\\v1.2\\conv.rsl"},
      {"/opt/v1.2/vindra", "/opt/v1.2/vindra.rsl"},
      {"/opt/vindra.EXE", "/opt/vindra.rsl"},
      {"C:\\x\\.hidden", "C:\\x\\.rsl"},
      {"C:\\x\\trailing.", "C:\\x\\trailing.rsl"},
      // 表 ends in byte 5C, which is no separator: "a.表x" is one component.
      {"C:\\a.表x", "C:\\a.rsl"},
      {"C:\\ツール.v\\表", "C:\\ツール.v\\表.rsl"},
      {"C:\\表.d\\conv", "C:\\表.d\\conv.rsl"},
      // UTF-8 names on POSIX: a byte below 0x40 never ends a double-byte
      // character, so the "/" after E3 81 81 still separates.
      {"/opt/v1.\xE3\x81\x81/vindra", "/opt/v1.\xE3\x81\x81/vindra.rsl"},
      {"", ".rsl"},
  };
  for (const auto& c : cases) EXPECT_EQ(LanguageFilePathFor(c.exe), c.rsl) << c.exe;
}

TEST(FindIniValue, FollowsTheLanguageFileRules) {
  const struct {
    const char* what;
    std::string content;
    const char* section;
    const char* key;
    const char* expected;  // null: not found
  } cases[] = {
      {"plain", "[Strings]\r\nRS_006=Done\r\n", "Strings", "RS_006", "Done"},
      {"case-blind names", "[strings]\nrs_006=Done\n", "Strings", "RS_006", "Done"},
      {"spaces around", "  [ Strings ]  \n RS_006 = Done  \t\n", "Strings", "RS_006", "Done"},
      {"empty value", "[Strings]\nRS_006=\n", "Strings", "RS_006", ""},
      {"later key wins", "[Strings]\nRS_006=One\nRS_006=Two\n", "Strings", "RS_006", "Two"},
      {"later section searched", "[Strings]\nRS_006=One\nRS_005=Kept?\n[Other]\n[Strings]\nRS_006=Two\n",
       "Strings", "RS_006", "Two"},
      {"earlier section dropped", "[Strings]\nRS_005=Old\n[Strings]\nRS_006=New\n", "Strings", "RS_005",
       nullptr},
      {"lone CR lines", "[Strings]\rRS_006=Done\rRS_007=x", "Strings", "RS_006", "Done"},
      {"no final newline", "[Strings]\nRS_006=Done", "Strings", "RS_006", "Done"},
      {"NUL ends the text", std::string("[Strings]\nRS_005=a\0\nRS_006=b\n", 29), "Strings", "RS_006",
       nullptr},
      {"comment", "[Strings]\n;RS_006=Hidden\n", "Strings", "RS_006", nullptr},
      {"indented comment", "[Strings]\n   ;RS_006=Hidden\n", "Strings", "RS_006", nullptr},
      {"before any section", "RS_006=Loose\n[Strings]\n", "Strings", "RS_006", nullptr},
      {"line without =", "[Strings]\nRS_006\n", "Strings", "RS_006", nullptr},
      {"first = splits", "[Strings]\nRS_006=a=b\n", "Strings", "RS_006", "a=b"},
      {"quotes kept", "[Strings]\nRS_006=\"x\\n\"\n", "Strings", "RS_006", "\"x\\n\""},
      {"byte-order mark", "\xEF\xBB\xBF[Strings]\nRS_006=Done\n", "Strings", "RS_006", nullptr},
      {"other section", "[Form01]\nRS_006=Done\n", "Strings", "RS_006", nullptr},
      {"missing key", "[Strings]\nRS_005=x\n", "Strings", "RS_006", nullptr},
      {"empty file", "", "Strings", "RS_006", nullptr},
      {"unclosed bracket", "[Strings\nRS_006=x\n", "Strings", "RS_006", nullptr},
      {"comment after header", "[Strings] ; messages\nRS_006=x\n", "Strings", "RS_006", nullptr},
      {"comment after value", "[Strings]\nRS_006=Done ; note\n", "Strings", "RS_006", "Done ; note"},
      {"Japanese value", "[Strings]\nRS_006=出力が完了しました\n", "Strings", "RS_006", "出力が完了しました"},
      // ソ (83 5C) and ア (83 41): a trail byte is never case-folded.
      {"DBCS key", "[Strings]\nソア=1\n", "Strings", "ソア", "1"},
      {"DBCS key no fold", "[Strings]\n\x83\x61=1\n", "Strings", "\x83\x41", nullptr},
      // A section name ending in a character whose trail byte is 5D (‐ is 81 5D).
      {"trail byte ]", "[Strings]\n[x‐\nRS_006=Done\n", "Strings", "RS_006", "Done"},
  };
  for (const auto& c : cases) {
    const auto got = FindIniValue(c.content, c.section, c.key);
    if (c.expected) {
      ASSERT_TRUE(got.has_value()) << c.what;
      EXPECT_EQ(*got, c.expected) << c.what;
    } else {
      EXPECT_FALSE(got.has_value()) << c.what << " gave " << got.value_or("");
    }
  }
}

TEST(ParseIniInteger, ReadsHexDecimalAndSignWithin32Bits) {
  const struct {
    const char* text;
    std::optional<std::int32_t> expected;
  } cases[] = {
      {"0x0B", 11},          {"$0B", 11},           {"0X1f", 31},         {"11", 11},
      {"+11", 11},           {"-11", -11},          {"0", 0},             {"007", 7},
      {"2147483647", 2147483647}, {"-2147483648", INT32_MIN},             {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt}, {"0x7FFFFFFF", 2147483647}, {"0x80000000", std::nullopt},
      {"$FFFFFFFF", std::nullopt}, {"99999999999999999999", std::nullopt}, {"eleven", std::nullopt},
      {"", std::nullopt},    {"0x", std::nullopt},  {"$", std::nullopt},  {"-", std::nullopt},
      {"0xG", std::nullopt}, {"1 2", std::nullopt}, {"12pt", std::nullopt}, {"--1", std::nullopt},
      {"-$10", std::nullopt}, {"1.5", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseIniInteger(c.text), c.expected) << c.text;
}

using LanguageFileTest = TempFolderTest;

TEST_F(LanguageFileTest, PresenceIsTestedAtEveryUseAndDirectoriesDoNotCount) {
  EXPECT_FALSE(LanguageFilePresent(file_));
  EXPECT_EQ(ReadIniString(file_, "Strings", "RS_006", "dflt"), "dflt");
  Write("[Strings]\nRS_006=Done\n");
  EXPECT_TRUE(LanguageFilePresent(file_));
  EXPECT_EQ(ReadIniString(file_, "Strings", "RS_006", "dflt"), "Done");
  Write("[Strings]\nRS_006=Changed\n");
  EXPECT_EQ(ReadIniString(file_, "Strings", "RS_006", "dflt"), "Changed");
  std::filesystem::remove(file_);
  EXPECT_EQ(ReadIniString(file_, "Strings", "RS_006", "dflt"), "dflt");
  std::filesystem::create_directory(file_);
  EXPECT_FALSE(LanguageFilePresent(file_));
  EXPECT_EQ(ReadIniString(file_, "Strings", "RS_006", "dflt"), "dflt");
  EXPECT_FALSE(LanguageFilePresent(""));
}

TEST_F(LanguageFileTest, MainWindowTextsAndAboutTitleComeFromTheirNumberedKeys) {
  Write("[Form01]\nRS_001=&File\nRS_007=Reg|*.reg\nRS_008=Con&vert\nRS_013=&Replace\nRS_014=None\n"
        "RS_015=Fixed\nRS_016=Variables\n[Form02]\nRS_001=About\n");
  const struct {
    MainWindowText text;
    const char* expected;
  } cases[] = {
      {MainWindowText::FileMenu, "&File"},
      {MainWindowText::ImportItem, ""},  // missing key
      {MainWindowText::OpenFilter, "Reg|*.reg"},
      {MainWindowText::ConvertAction, "Con&vert"},
      {MainWindowText::ReplaceMenu, "&Replace"},
      {MainWindowText::ReplaceNothingAction, "None"},
      {MainWindowText::ReplaceWithFixedDriveAction, "Fixed"},
      {MainWindowText::ReplaceWithVariablesAction, "Variables"},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadMainWindowText(file_, c.text), c.expected) << static_cast<int>(c.text);
  EXPECT_EQ(ReadAboutBoxTitle(file_), "About");
}

TEST_F(LanguageFileTest, ReadIniIntegerFallsBackOnMissingOrBadValues) {
  Write("[Font01]\nSize=0x0B\n[Font02]\nSize=$0B\n[Font03]\nSize=eleven\n[Font04]\nSize=\n");
  EXPECT_EQ(ReadIniInteger(file_, "Font01", "Size", 9), 11);
  EXPECT_EQ(ReadIniInteger(file_, "Font02", "Size", 9), 11);
  EXPECT_EQ(ReadIniInteger(file_, "Font03", "Size", 9), 9);
  EXPECT_EQ(ReadIniInteger(file_, "Font04", "Size", 9), 9);
  EXPECT_EQ(ReadIniInteger(file_, "Font05", "Size", 9), 9);
}

TEST_F(LanguageFileTest, FontsComeFromTheirSectionsWithTheDesignedDefaults) {
  EXPECT_EQ(LanguageFileFont(file_, LanguageFont::kWindow).name, "");
  EXPECT_EQ(LanguageFileFont(file_, LanguageFont::kText).size, 0);
  EXPECT_EQ(LanguageFileFont(file_, LanguageFont::kText).charset, 0);

  Write("[Strings]\n");
  platform::FontDescription w = LanguageFileFont(file_, LanguageFont::kWindow);
  EXPECT_EQ(w.name, "ＭＳ Ｐゴシック");
  EXPECT_EQ(w.size, 9);
  EXPECT_EQ(w.charset, 128);
  platform::FontDescription t = LanguageFileFont(file_, LanguageFont::kText);
  EXPECT_EQ(t.name, "ＭＳ ゴシック");
  EXPECT_EQ(t.size, 10);
  EXPECT_EQ(t.charset, 128);

  Write("[Font01]\nName=Tahoma\nSize=11\nCharset=0\n[Font02]\nName=Courier New\nSize=x\nCharset=0x1CC\n");
  w = LanguageFileFont(file_, LanguageFont::kWindow);
  EXPECT_EQ(w.name, "Tahoma");
  EXPECT_EQ(w.size, 11);
  EXPECT_EQ(w.charset, 0);  // the size does not set the character set
  t = ReadFontDescription(file_, LanguageFont::kText);
  EXPECT_EQ(t.name, "Courier New");
  EXPECT_EQ(t.size, 10);
  EXPECT_EQ(t.charset, 0xCC);  // low 8 bits
}

TEST_F(LanguageFileTest, UnreadableContentNeverStopsALookup) {
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 37 + 11) & 0xFF);
  Write(junk + "\n[Strings]\nRS_006=Done\n" + junk.substr(0, 100));
  const std::string value = ReadIniString(file_, "Strings", "RS_006", "dflt");
  EXPECT_TRUE(value == "Done" || value == "dflt");
}

}  // namespace
}  // namespace vindra::app
