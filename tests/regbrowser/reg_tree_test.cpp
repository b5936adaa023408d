#include "regbrowser/reg_tree.h"

#include <gtest/gtest.h>

namespace vindra::regbrowser {
namespace {

using registry::RootKey;

TEST(RootNameToHandle, MapsTheSixNamesExactlyAndEverythingElseToCurrentUser) {
  const struct {
    const char* name;
    RootKey expected;
  } cases[] = {
      {"HKEY_CLASSES_ROOT", 0x80000000u},   {"HKEY_CURRENT_USER", 0x80000001u},
      {"HKEY_LOCAL_MACHINE", 0x80000002u},  {"HKEY_USERS", 0x80000003u},
      {"HKEY_CURRENT_CONFIG", 0x80000005u}, {"HKEY_DYN_DATA", 0x80000006u},
      {"hkey_local_machine", 0x80000001u},  {"HKEY_PERFORMANCE_DATA", 0x80000001u},
      {"HKEY_LOCAL_MACHINE ", 0x80000001u}, {"マイコンピュータ", 0x80000001u},
      {"", 0x80000001u},
  };
  for (const auto& c : cases) EXPECT_EQ(RootNameToHandle(c.name), c.expected) << c.name;
}

TEST(RootKeyIndex, FollowsTheTreeOrderAndRejectsOtherHandles) {
  EXPECT_EQ(RootKeyIndex(0x80000000u), 0);
  EXPECT_EQ(RootKeyIndex(0x80000003u), 3);
  EXPECT_EQ(RootKeyIndex(0x80000005u), 4);
  EXPECT_EQ(RootKeyIndex(0x80000006u), 5);
  EXPECT_EQ(RootKeyIndex(0x80000004u), -1);
  EXPECT_EQ(RootKeyIndex(0u), -1);
  EXPECT_EQ(RootKeyIndex(0x80000007u), -1);
}

TEST(NormalizeSection, AppendsOneBackslashAndDropsOneLeadingBackslash) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"", "\\"},
      {"\\", "\\"},
      {"software", "software\\"},
      {"Software\\", "Software\\"},
      {"\\Software\\Microsoft", "Software\\Microsoft\\"},
      {"\\\\Software", "\\Software\\"},
      {"\\\\", "\\"},
      // 表 is 95 5C: its trail byte is no backslash, so one is appended.
      {"Software\\表", "Software\\表\\"},
      {"表\\", "表\\"},
      {"ソ", "ソ\\"},
      // A lone lead byte at the end is a character of its own.
      {std::string("a\x95"), std::string("a\x95\\")},
  };
  for (const auto& c : cases) EXPECT_EQ(NormalizeSection(c.in), c.out) << c.in;
}

TEST(TakePathComponent, SplitsAtBackslashCharactersOnly) {
  std::string_view rest = "表示\\ソフト\\\\x";
  EXPECT_EQ(TakePathComponent(rest), "表示");
  EXPECT_EQ(TakePathComponent(rest), "ソフト");
  EXPECT_EQ(TakePathComponent(rest), "");
  EXPECT_EQ(rest, "x");
  EXPECT_EQ(TakePathComponent(rest), "x");
  EXPECT_TRUE(rest.empty());
  // A lead byte followed by 0x5C hides the backslash: the whole rest is taken,
  // so a walk over it always ends.
  const std::string odd = "ab\x95\\";
  rest = odd;
  EXPECT_EQ(TakePathComponent(rest), odd);
  EXPECT_TRUE(rest.empty());
}

TEST(EqualsAsciiUpper, IgnoresAsciiCaseButNotDoubleByteCharacters) {
  EXPECT_TRUE(EqualsAsciiUpper("Software", "SOFTWARE"));
  EXPECT_TRUE(EqualsAsciiUpper("a_b-1", "A_B-1"));
  EXPECT_FALSE(EqualsAsciiUpper("Soft", "Software"));
  EXPECT_TRUE(EqualsAsciiUpper("日本Ab", "日本aB"));
  // ャ (83 62) and ラ (83 89) differ; 83 61 and 83 41 differ only in a trail
  // byte that looks like 'a'/'A' and must not be folded.
  EXPECT_FALSE(EqualsAsciiUpper("\x83\x61", "\x83\x41"));
  EXPECT_FALSE(EqualsAsciiUpper("\xe9\x61x", "\xe9\x41x"));
}

TEST(NodeKeyPath, JoinsTheNamesBelowTheRootKeyWithTrailingBackslashes) {
  RegTreeNode top;
  top.text = "マイコンピュータ";
  top.level = 0;
  RegTreeNode& hklm = top.AddChild("HKEY_LOCAL_MACHINE", false);
  RegTreeNode& software = hklm.AddChild("Software", false);
  RegTreeNode& foo = software.AddChild("Foo", false);
  RegTreeNode& hyo = foo.AddChild("表", false);

  EXPECT_EQ(NodeKeyPath(foo), (KeyPath{0x80000002u, "Software\\Foo\\"}));
  EXPECT_EQ(NodeKeyPath(hyo), (KeyPath{0x80000002u, "Software\\Foo\\表\\"}));
  EXPECT_EQ(NodeKeyPath(software), (KeyPath{0x80000002u, "Software\\"}));
  EXPECT_EQ(NodeKeyPath(hklm), (KeyPath{0x80000002u, ""}));
  // The top node's text names no root key.
  EXPECT_EQ(NodeKeyPath(top), (KeyPath{0x80000001u, ""}));
  EXPECT_EQ(foo.level, 3);
}

}  // namespace
}  // namespace vindra::regbrowser
