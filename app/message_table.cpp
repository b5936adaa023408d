#include "app/message_table.h"

#include "app/language_file.h"

namespace vindra::app {
namespace {

struct MessageEntry {
  std::string_view key;
  std::string_view text;
};

// The literals are stored as Shift-JIS bytes (the sources are compiled with
// the CP932 execution character set).
constexpr std::array<MessageEntry, kMessageCount> kDefaults = {{
    {"RS_001", "変換するレジストリエントリを選択して下さい"},
    {"RS_002", "指定できないレジストリのエントリです"},
    {"RS_003", "[HKEY_LOCAL_MACHINE\\Software/System]より上層のエントリは指定できません"},
    {"RS_004", "前回の出力内容が保持されています。"},
    {"RS_005", "追加して出力しますか？"},
    {"RS_006", "出力が完了しました"},
    {"RS_007", "「Registry Expander」を使用するレジストリエントリを選択して下さい"},
    {"RS_008", "レジストリキーを選択して下さい"},
    {"RS_009", "マイコンピュータ"},
    {"", "元に戻す(&U)"},
    {"", "切り取り(&T)"},
    {"", "コピー(&C)"},
    {"", "貼り付け(&P)"},
    {"", "削除(&D)"},
    {"", "すべて選択(&A)"},
    {"RS_010", "このハイブファイルがどのキーのものか、ファイル名からは分かりません。どのキーとして読み込みますか？"},
    {"RS_011", "このハイブファイルは正しく閉じられていません。ログファイル(.LOG)にある変更は反映せず、ファイルの内容のまま読み込みます。"},
    {"RS_012", "ハイブファイル内の変換するレジストリエントリを選択して下さい"},
}};

}  // namespace

MessageTable::MessageTable() { SetDefaults(); }

void MessageTable::SetDefaults() {
  for (std::size_t i = 0; i < kMessageCount; ++i) texts_[i] = std::string(kDefaults[i].text);
}

void MessageTable::OverrideFromLanguageFile(const std::string& language_file) {
  if (!LanguageFilePresent(language_file)) return;
  for (std::size_t i = 0; i < kMessageCount; ++i) {
    if (!kDefaults[i].key.empty()) texts_[i] = ReadIniString(language_file, "Strings", kDefaults[i].key, texts_[i]);
  }
}

std::string_view MessageKey(MessageId id) { return kDefaults[static_cast<std::size_t>(id)].key; }

std::string_view DefaultMessage(MessageId id) { return kDefaults[static_cast<std::size_t>(id)].text; }

MessageTable& Messages() {
  static MessageTable table;
  return table;
}

const std::string& Message(MessageId id) { return Messages().Get(id); }

}  // namespace vindra::app
