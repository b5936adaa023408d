#include "app/message_table.h"

#include <gtest/gtest.h>

#include "app/language_file.h"
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
      {MessageId::ExportFinished, "RS_006", "\x8F\x6F\x97\xCD\x82\xAA\x8A\xAE\x97\xB9\x82\xB5\x82\xDC\x82\xB5\x82\xBD"},
      {MessageId::PickerTopNode, "RS_009", "\x83\x7D\x83\x43\x83\x52\x83\x93\x83\x73\x83\x85\x81\x5B\x83\x5E"},
  };
  MessageTable table;
  for (const auto& c : cases) {
    EXPECT_EQ(MessageKey(c.id), c.key);
    EXPECT_EQ(table.Get(c.id), c.bytes) << c.key;
  }
  EXPECT_EQ(table.Get(MessageId::ConvertPickerCaption), "変換するレジストリエントリを選択して下さい");
  EXPECT_EQ(table.Get(MessageId::RootNotAllowed), "指定できないレジストリのエントリです");
  EXPECT_EQ(table.Get(MessageId::OutsideSoftwareOrSystem),
            "[HKEY_LOCAL_MACHINE\\Software/System]より上層のエントリは指定できません");
  EXPECT_EQ(table.Get(MessageId::OutputKept), "前回の出力内容が保持されています。");
  EXPECT_EQ(table.Get(MessageId::AppendQuestion), "追加して出力しますか？");
  EXPECT_EQ(table.Get(MessageId::RegExpanderPickerCaption), "「Registry Expander」を使用するレジストリエントリを選択して下さい");
  EXPECT_EQ(table.Get(MessageId::PickerTitle), "レジストリキーを選択して下さい");
  EXPECT_EQ(MessageKey(MessageId::ConvertPickerCaption), "RS_001");
  // RS_001 to RS_009, the six context-menu captions without a key, then RS_010 on.
  for (std::size_t i = 0; i < kMessageCount; ++i) {
    const auto id = static_cast<MessageId>(i);
    EXPECT_EQ(table.Get(id), DefaultMessage(id));
    const std::size_t number = i < 9 ? i + 1 : i < 15 ? 0 : i - 5;
    EXPECT_EQ(MessageKey(id), number == 0 ? "" : NumberedKey(static_cast<int>(number))) << i;
  }
  EXPECT_EQ(MessageKey(MessageId::HiveMountQuestion), "RS_010");
  EXPECT_EQ(MessageKey(MessageId::HivePickerCaption), "RS_012");
  EXPECT_EQ(table.Get(MessageId::HivePickerCaption), "ハイブファイル内の変換するレジストリエントリを選択して下さい");
  EXPECT_EQ(table.Get(MessageId::MenuUndo), "元に戻す(&U)");
  EXPECT_EQ(table.Get(MessageId::MenuSelectAll), "すべて選択(&A)");
}

class MessageOverrideTest : public TempFolderTest {
 protected:
  MessageTable table;
};

TEST_F(MessageOverrideTest, ContextMenuCaptionsHaveNoKeyAndStay) {
  Write("[Strings]\nRS_013=Undo\n=Undo\n");
  table.OverrideFromLanguageFile(file_);
  for (MessageId id : {MessageId::MenuUndo, MessageId::MenuCut, MessageId::MenuCopy, MessageId::MenuPaste,
                       MessageId::MenuDelete, MessageId::MenuSelectAll}) {
    EXPECT_EQ(table.Get(id), DefaultMessage(id));
  }
}

TEST_F(MessageOverrideTest, NoFileKeepsEveryDefault) {
  table.Set(MessageId::ExportFinished, "changed");
  table.SetDefaults();
  table.OverrideFromLanguageFile(file_);
  for (std::size_t i = 0; i < kMessageCount; ++i)
    EXPECT_EQ(table.Get(static_cast<MessageId>(i)), DefaultMessage(static_cast<MessageId>(i)));
}

TEST_F(MessageOverrideTest, StringsSectionOverridesOnlyItsKeys) {
  Write("[strings]\nrs_006 = Done  \nRS_008=\n[Form01]\nRS_001=NotAMessage\n");
  table.OverrideFromLanguageFile(file_);
  EXPECT_EQ(table.Get(MessageId::ExportFinished), "Done");
  EXPECT_EQ(table.Get(MessageId::PickerTitle), "");  // present but empty: no default
  EXPECT_EQ(table.Get(MessageId::ConvertPickerCaption), DefaultMessage(MessageId::ConvertPickerCaption));
  EXPECT_EQ(table.Get(MessageId::PickerTopNode), DefaultMessage(MessageId::PickerTopNode));
}

TEST_F(MessageOverrideTest, ByteOrderMarkHidesTheFirstSection) {
  Write("\xEF\xBB\xBF[Strings]\r\nRS_006=Done\r\n");
  table.OverrideFromLanguageFile(file_);
  EXPECT_EQ(table.Get(MessageId::ExportFinished), DefaultMessage(MessageId::ExportFinished));
}

TEST_F(MessageOverrideTest, ProcessWideTableIsShared) {
  Messages().Set(MessageId::RootNotAllowed, "x");
  EXPECT_EQ(Message(MessageId::RootNotAllowed), "x");
  Messages().SetDefaults();
  EXPECT_EQ(Message(MessageId::RootNotAllowed), DefaultMessage(MessageId::RootNotAllowed));
}

}  // namespace
}  // namespace vindra::app
