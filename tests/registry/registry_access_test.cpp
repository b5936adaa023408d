// Root names, path helpers, case folding and the value reads of the
// in-memory registry (the reads are shared with the live registry).
#include <gtest/gtest.h>

#include "registry/memory_registry.h"
#include "registry/root_key.h"
#include "registry/value_reading_access.h"
#include "test_support.h"

namespace vindra::registry {
namespace {

using testing::Bytes;

TEST(RootKeyTest, ParsesFullAndShortNames) {
  struct Case {
    const char* text;
    RootKey root;
    const char* path;
  };
  const Case cases[] = {
      {"HKEY_CLASSES_ROOT\\.txt", kHkeyClassesRoot, ".txt"},
      {"HKCR\\.txt\\", kHkeyClassesRoot, ".txt"},
      {"hkcu\\Software\\Demo", kHkeyCurrentUser, "Software\\Demo"},
      {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Foo\\", kHkeyLocalMachine, "SOFTWARE\\Foo"},
      {"HKLM\\\\SOFTWARE", kHkeyLocalMachine, "SOFTWARE"},
      {"HKU\\.DEFAULT", kHkeyUsers, ".DEFAULT"},
      {"HKCC", kHkeyCurrentConfig, ""},
      {"HKEY_DYN_DATA\\x", kHkeyDynData, "x"},
      {"HKEY_PERFORMANCE_DATA", kHkeyPerformanceData, ""},
      {"HKLM\\SOFTWARE\\表\\", kHkeyLocalMachine, "SOFTWARE\\表"},  // only the real backslash goes
      {"HKLM\\SOFTWARE\\表", kHkeyLocalMachine, "SOFTWARE\\表"},    // a trail byte 0x5C stays
  };
  for (const Case& c : cases) {
    const std::optional<RootedKeyPath> parsed = ParseRootedKeyPath(c.text);
    ASSERT_TRUE(parsed.has_value()) << c.text;
    EXPECT_EQ(parsed->root, c.root) << c.text;
    EXPECT_EQ(parsed->path, c.path) << c.text;
  }
  for (const char* bad : {"", "HKEY", "HKLMX\\a", "SOFTWARE\\x", "\\HKLM\\x"}) {
    EXPECT_FALSE(ParseRootedKeyPath(bad).has_value()) << bad;
  }
  EXPECT_EQ(RootKeyName(kHkeyCurrentConfig), "HKEY_CURRENT_CONFIG");
  EXPECT_EQ(RootKeyName(0x12), "");
}

TEST(RootKeyTest, SplitsPathsAtRealBackslashesOnly) {
  EXPECT_EQ(SplitKeyPath("\\a\\\\表\\ソ\\"), (std::vector<std::string_view>{"a", "表", "ソ"}));
  EXPECT_TRUE(SplitKeyPath("").empty());
}

TEST(FoldNameCaseTest, FoldsLettersButNotTrailBytes) {
  struct Case {
    const char* name;
    const char* folded;
  };
  const Case cases[] = {
      {"Software", "SOFTWARE"},
      {"a_b-1", "A_B-1"},
      {"ａｂｃ", "ＡＢＣ"},     // full-width Latin
      {"αω", "ΑΩ"},           // Greek
      {"абвноя", "АБВНОЯ"},   // Cyrillic on both sides of the gap at 84 7F
      {"ア", "ア"},             // 83 41: trail byte 'A' stays
      {"ソa", "ソA"},           // 83 5C followed by a letter
      {"ぁ", "ぁ"},             // 82 9F: kana untouched
  };
  for (const Case& c : cases) EXPECT_EQ(FoldNameCase(c.name), c.folded) << c.name;
}

class ValueReadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reg.SetValue(kHkeyCurrentUser, "K", "sz", 1, std::string("text\0", 5));
    reg.SetValue(kHkeyCurrentUser, "K", "long", 1, std::string(2000, 'x') + '\0');
    reg.SetValue(kHkeyCurrentUser, "K", "dw", 4, Bytes({1, 2, 3, 4}));
    reg.SetValue(kHkeyCurrentUser, "K", "dw0", 4, "");
    reg.SetValue(kHkeyCurrentUser, "K", "bin", 3, Bytes({9, 8, 7}));
    reg.SetValue(kHkeyCurrentUser, "K", "multi", 7, std::string("a\0\0", 3));
    key = reg.CreateAccess();
    key->SetRoot(kHkeyCurrentUser);
    ASSERT_TRUE(key->OpenKeyReadOnly("\\K"));  // a leading backslash is dropped
  }
  std::string ErrorOf(const std::function<void()>& read) {
    try {
      read();
    } catch (const RegistryError& e) {
      return e.what();
    }
    return "<none>";
  }
  MemoryRegistry reg;
  std::unique_ptr<RegistryAccess> key;
};

TEST_F(ValueReadTest, SuccessfulReads) {
  EXPECT_EQ(key->ReadString("SZ"), "text");
  EXPECT_EQ(key->ReadString("long"), std::string(2000, 'x'));
  EXPECT_EQ(key->ReadString("missing"), "");
  EXPECT_EQ(key->ReadString("dw0"), "");  // size 0: empty, whatever the type
  EXPECT_EQ(key->ReadInteger("dw"), 0x04030201u);
  EXPECT_EQ(key->ReadInteger("dw0"), 0u);
  unsigned char buffer[8] = {};
  EXPECT_EQ(key->ReadBinaryData("bin", buffer, 3), 3u);
  EXPECT_EQ(buffer[2], 7);
  EXPECT_EQ(key->ReadBinaryData("multi", buffer, 8), 3u);
  EXPECT_EQ(key->ReadBinaryData("missing", buffer, 8), 0u);
  EXPECT_EQ(key->ReadRawData("sz", buffer, 8), 5u);
  EXPECT_EQ(key->ReadRawData("long", buffer, 8), 0u);  // too small: nothing
  const ValueInfo info = key->QueryValueInfo("multi");
  EXPECT_TRUE(info.ok);
  EXPECT_EQ(info.type, 7u);
  EXPECT_EQ(info.size, 3u);
  EXPECT_EQ(GetValueType(*key, "missing"), 0u);
  EXPECT_EQ(GetValueDataSize(*key, "bin"), 3u);
}

TEST_F(ValueReadTest, FailingReadsRaiseTheirMessages) {
  unsigned char buffer[8] = {};
  EXPECT_EQ(ErrorOf([&] { key->ReadString("dw"); }), "'dw' のデータ型が不正です");
  EXPECT_EQ(ErrorOf([&] { key->ReadString("bin"); }), "'bin' のデータ型が不正です");
  EXPECT_EQ(ErrorOf([&] { key->ReadInteger("sz"); }), "'sz' の取得に失敗しました");  // 5 bytes do not fit
  EXPECT_EQ(ErrorOf([&] { key->ReadInteger("bin"); }), "'bin' のデータ型が不正です");
  EXPECT_EQ(ErrorOf([&] { key->ReadInteger("missing"); }), "'missing' の取得に失敗しました");
  EXPECT_EQ(ErrorOf([&] { key->ReadBinaryData("bin", buffer, 2); }), "'bin' のデータ型が不正です");
  EXPECT_EQ(ErrorOf([&] { key->ReadBinaryData("sz", buffer, 8); }), "'sz' のデータ型が不正です");
  EXPECT_EQ(ErrorOf([&] { key->ReadBinaryData("dw", buffer, 8); }), "'dw' のデータ型が不正です");
  reg.SetValueFaults(kHkeyCurrentUser, "K", "sz", false, true);
  EXPECT_EQ(ErrorOf([&] { key->ReadString("sz"); }), "'sz' の取得に失敗しました");
}

TEST_F(ValueReadTest, AccessRightsAndDeletedKeys) {
  reg.CreateKey(kHkeyCurrentUser, "K\\sub");
  EXPECT_EQ(key->SubKeyNames(), (std::vector<std::string>{"sub"}));
  EXPECT_EQ(key->SubKeyCount(), 1u);
  reg.SetKeyAccess(kHkeyCurrentUser, "K", KeyAccess::QueryOnly);
  ASSERT_TRUE(key->OpenKeyReadOnly("K"));
  EXPECT_TRUE(key->SubKeyNames().empty());
  EXPECT_EQ(key->ValueNames().size(), 6u);
  reg.SetKeyAccess(kHkeyCurrentUser, "K", KeyAccess::Denied);
  EXPECT_FALSE(key->OpenKeyReadOnly("K"));
  EXPECT_TRUE(key->ValueNames().empty());  // no key is open now
  reg.SetKeyAccess(kHkeyCurrentUser, "K", KeyAccess::Full);
  ASSERT_TRUE(key->OpenKeyReadOnly("K"));
  reg.DeleteKey(kHkeyCurrentUser, "K");
  // The open key answers like a deleted key: nothing listed, queries fail.
  EXPECT_TRUE(key->ValueNames().empty());
  EXPECT_TRUE(key->SubKeyNames().empty());
  EXPECT_FALSE(key->QueryValueInfo("sz").ok);
  EXPECT_EQ(key->ReadString("sz"), "");
  EXPECT_EQ(ErrorOf([&] { key->ReadInteger("dw"); }), "'dw' の取得に失敗しました");
  EXPECT_FALSE(key->OpenKeyReadOnly("K"));
}

TEST(MemoryRegistryTest, RootsAndCounts) {
  MemoryRegistry reg;
  EXPECT_FALSE(reg.CreateKey(0x12345, "x"));
  EXPECT_FALSE(reg.DeleteKey(kHkeyCurrentUser, ""));
  reg.SetValue(kHkeyCurrentUser, "A\\B", "v", 1, "");
  reg.SetValue(kHkeyCurrentUser, "a\\b", "V", 3, "x");  // same key, same value
  EXPECT_EQ(reg.KeyCount(), 2u);
  EXPECT_EQ(reg.ValueCount(), 1u);
  EXPECT_EQ(reg.FindValue(kHkeyCurrentUser, "A\\B", "v")->type, 3u);
  EXPECT_EQ(reg.FindValue(kHkeyCurrentUser, "A\\B", "v")->name, "v");
  auto key = reg.CreateAccess();
  key->SetRoot(kHkeyCurrentUser);
  EXPECT_TRUE(key->OpenKeyReadOnly(""));  // the root itself
  EXPECT_EQ(key->SubKeyNames(), (std::vector<std::string>{"A"}));
  key->SetRoot(0x7);
  EXPECT_FALSE(key->OpenKeyReadOnly("A"));
}

}  // namespace
}  // namespace vindra::registry
