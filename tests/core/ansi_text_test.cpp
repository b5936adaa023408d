#include "core/ansi_text.h"

#include <gtest/gtest.h>

#include <string>

namespace vindra {
namespace {

// 表 is 95 5C and ソ is 83 5C in CP932: a trail byte that reads as a backslash.
TEST(AnsiText, FindIgnoreCaseOnCharacterBoundaries) {
  const struct {
    std::string text;
    std::string pattern;
    std::size_t position;
  } cases[] = {
      {"C:\\WINDOWS\\x", "c:\\windows", 0},
      {"a;c:\\Windows", "C:\\WINDOWS", 2},
      {"\x95\x5C" "C:", "C:", 2},
      {"\x95\x5C\\", "\\", 2},               // the trail byte is no backslash
      {"\x83\x43:", "C:", std::string::npos},  // nor is a trail byte a letter
      {"\x95\x22" "C:", "C:", 2},
      {"\x95" "\"", "\"", 1},                  // a lead byte before a byte below 0x40 stands alone
      {"\x95\x5C\x8E\xA6", "\x8E\xA6", 2},
      {"\x95\x5C\x8E\xA6", "\x5C\x8E", std::string::npos},
      {"abc", "", std::string::npos},
      {"ab", "abc", std::string::npos},
      {"\x95", "\x95", 0},                     // a lead byte at the very end is a character
  };
  for (const auto& c : cases) EXPECT_EQ(FindIgnoreCase(c.text, c.pattern), c.position) << c.text << " / " << c.pattern;
  for (const auto& c : cases) {
    EXPECT_EQ(ContainsIgnoreCase(c.text, c.pattern), c.position != std::string::npos) << c.text;
  }
}

TEST(AnsiText, ReplaceIgnoreCase) {
  std::string text = "c:\\windows;C:\\WINDOWS\\a;C:\\WINDOW";
  EXPECT_EQ(ReplaceAllIgnoreCase(text, "C:\\WINDOWS", "X:\\I386"), 2u);
  EXPECT_EQ(text, "X:\\I386;X:\\I386\\a;C:\\WINDOW");
  std::string same = "aaa";
  EXPECT_EQ(ReplaceAllIgnoreCase(same, "a", "aa"), 3u);  // inserted text is not searched again
  EXPECT_EQ(same, "aaaaaa");
  std::string once = "x\\CurrentControlSet\\CURRENTCONTROLSET";
  EXPECT_TRUE(ReplaceFirstIgnoreCase(once, "CurrentControlSet", "ControlSet001"));
  EXPECT_EQ(once, "x\\ControlSet001\\CURRENTCONTROLSET");
}

TEST(AnsiText, UnescapePasses) {
  const struct {
    std::string text;
    std::string collapsed;  // \\ to \ over the whole text
    std::string unquoted;   // then \" to "
  } cases[] = {
      {"a\\\\b", "a\\b", "a\\b"},
      {"\\\\\\\\", "\\\\", "\\\\"},
      {"\\\\\"", "\\\"", "\""},
      {"\\\"q\\\"", "\\\"q\\\"", "\"q\""},
      {"\x95\x5C\\\"", "\x95\x5C\\\"", "\x95\x5C\""},
      {"\x83\x5C\\\\", "\x83\x5C\\", "\x83\x5C\\"},
      {"\\", "\\", "\\"},
  };
  for (const auto& c : cases) {
    std::string collapsed;
    AppendCollapsingBackslashPairs(c.text, collapsed);
    EXPECT_EQ(collapsed, c.collapsed) << c.text;
    std::string unquoted;
    AppendUnescapingQuotes(collapsed, unquoted);
    EXPECT_EQ(unquoted, c.unquoted) << c.text;
  }
  std::string doubled;
  AppendDoublingQuotes("\"a\"\x95\x22", doubled);
  EXPECT_EQ(doubled, "\"\"a\"\"\x95\x22\"");
}

TEST(AnsiText, TrimAndPrefix) {
  EXPECT_EQ(TrimBlanks(" \t\x01 a b \r\x1F"), "a b");
  EXPECT_EQ(TrimBlanks("   "), "");
  EXPECT_TRUE(StartsWithIgnoreCase("windows registry editor 5", "WINDOWS REGISTRY EDITOR"));
  EXPECT_FALSE(StartsWithIgnoreCase("WINDOWS", "WINDOWS REGISTRY EDITOR"));
  EXPECT_TRUE(StartsWithIgnoreCase("Hex(2):", "HEX("));
}

}  // namespace
}  // namespace vindra
