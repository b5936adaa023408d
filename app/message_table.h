// The user-visible message texts. Filled with the Japanese defaults at
// start-up, those with a language-file key (RS_001 to RS_012) optionally
// overridden from the language file's "Strings" section, and read-only
// afterwards. The text area's context-menu captions have no key and keep
// their built-in texts.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace vindra::app {

enum class MessageId : std::size_t {
  ConvertPickerCaption,      // caption in the key picker for the Convert command
  RootNotAllowed,            // error: the chosen root key is not allowed
  OutsideSoftwareOrSystem,   // error: a key of HKEY_LOCAL_MACHINE outside SOFTWARE\ and SYSTEM\.
  OutputKept,                // first line of the append-or-replace question
  AppendQuestion,            // second line of that question
  ExportFinished,            // information after a live-registry export
  RegExpanderPickerCaption,  // caption in the key picker for the RegExpander command
  PickerTitle,               // title of the key picker
  PickerTopNode,             // top node of the key picker's tree
  MenuUndo,                  // the text area's context menu
  MenuCut,
  MenuCopy,
  MenuPaste,
  MenuDelete,
  MenuSelectAll,
  HiveMountQuestion,  // which key a hive file stands for, when its name does not say
  HiveNotClosed,      // warning: a hive file Windows did not close cleanly
  HivePickerCaption,  // caption in the key picker over a hive file
};

inline constexpr std::size_t kMessageCount = 18;

class MessageTable {
 public:
  // A table holding the Japanese defaults.
  MessageTable();

  const std::string& Get(MessageId id) const { return texts_[static_cast<std::size_t>(id)]; }
  void Set(MessageId id, std::string text) { texts_[static_cast<std::size_t>(id)] = std::move(text); }

  // Replaces every entry by its Japanese default.
  void SetDefaults();

  // For each keyed message in turn (RS_001..RS_012), the entry becomes the
  // key's value in the "Strings" section of `language_file`, the current text
  // being the default. Reads nothing when the file is not present.
  void OverrideFromLanguageFile(const std::string& language_file);

 private:
  std::array<std::string, kMessageCount> texts_;
};

// The key of a message in the language file ("RS_001" ...); empty for a
// message the language file cannot change.
std::string_view MessageKey(MessageId id);

// The Japanese default text of a message.
std::string_view DefaultMessage(MessageId id);

// The process-wide table, filled by start-up.
MessageTable& Messages();

// Shorthand for Messages().Get(id).
const std::string& Message(MessageId id);

}  // namespace vindra::app
