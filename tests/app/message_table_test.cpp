#include "app/message_table.h"

#include <gtest/gtest.h>

#include "temp_folder.h"

namespace vindra::app {
namespace {

// The defaults as Shift-JIS bytes, independent of the compiler's execution
// character set: a source compiled as UTF-8 would fail here.
TEST(MessageTable, DefaultsAreTheJapaneseTextsInShiftJis) {
  const struct {
    MessageId id;
    const char* key;
    const char* bytes;
  } cases[] = {
      {MessageId::RS_006, "RS_006", "\x8F\x6F\x97\xCD\x82\xAA\x8A\xAE\x97\xB9\x82\xB5\x82\xDC\x82\xB5\x82\xBD"},
      {MessageId::RS_009, "RS_009", "\x83\x7D\x83\x43\x83\x52\x83\x93\x83\x73\x83\x85\x81\x5B\x83\x5E"},
  };
  MessageTable table;
  for (const auto& c : cases) {
    EXPECT_EQ(MessageKey(c.id), c.key);
    EXPECT_EQ(table.Get(c.id), c.bytes) << c.key;
  }
  EXPECT_EQ(table.Get(MessageId::RS_001), "変換するレジストリエントリを選択して下さい");
  EXPECT_EQ(table.Get(MessageId::RS_002), "指定できないレジストリのエントリです");
  EXPECT_EQ(table.Get(MessageId::RS_003),
            "[HKEY_LOCAL_MACHINE\\Software/System]より上層のエントリは指定できません");
  EXPECT_EQ(table.Get(MessageId::RS_004), "前回の出力内容が保持されています。");
  EXPECT_EQ(table.Get(MessageId::RS_005), "追加して出力しますか？");
  EXPECT_EQ(table.Get(MessageId::RS_007), "「Registry Expander」を使用するレジストリエントリを選択して下さい");
  EXPECT_EQ(table.Get(MessageId::RS_008), "レジストリキーを選択して下さい");
  EXPECT_EQ(MessageKey(MessageId::RS_001), "RS_001");
  for (std::size_t i = 0; i < kMessageCount; ++i) {
    const auto id = static_cast<MessageId>(i);
    EXPECT_EQ(table.Get(id), DefaultMessage(id));
    EXPECT_EQ(MessageKey(id), "RS_00" + std::to_string(i + 1));
  }
}

class MessageOverrideTest : public TempFolderTest {
 protected:
  MessageTable table;
};

TEST_F(MessageOverrideTest, NoFileKeepsEveryDefault) {
  table.Set(MessageId::RS_006, "changed");
  table.SetDefaults();
  table.OverrideFromLanguageFile(file_);
  for (std::size_t i = 0; i < kMessageCount; ++i)
    EXPECT_EQ(table.Get(static_cast<MessageId>(i)), DefaultMessage(static_cast<MessageId>(i)));
}

TEST_F(MessageOverrideTest, StringsSectionOverridesOnlyItsKeys) {
  Write("[strings]\nrs_006 = Done  \nRS_008=\n[Form01]\nRS_001=NotAMessage\n");
  table.OverrideFromLanguageFile(file_);
  EXPECT_EQ(table.Get(MessageId::RS_006), "Done");
  EXPECT_EQ(table.Get(MessageId::RS_008), "");  // present but empty: no default
  EXPECT_EQ(table.Get(MessageId::RS_001), DefaultMessage(MessageId::RS_001));
  EXPECT_EQ(table.Get(MessageId::RS_009), DefaultMessage(MessageId::RS_009));
}

TEST_F(MessageOverrideTest, ByteOrderMarkHidesTheFirstSection) {
  Write("\xEF\xBB\xBF[Strings]\r\nRS_006=Done\r\n");
  table.OverrideFromLanguageFile(file_);
  EXPECT_EQ(table.Get(MessageId::RS_006), DefaultMessage(MessageId::RS_006));
}

TEST_F(MessageOverrideTest, ProcessWideTableIsShared) {
  Messages().Set(MessageId::RS_002, "x");
  EXPECT_EQ(Message(MessageId::RS_002), "x");
  Messages().SetDefaults();
  EXPECT_EQ(Message(MessageId::RS_002), DefaultMessage(MessageId::RS_002));
}

}  // namespace
}  // namespace vindra::app
