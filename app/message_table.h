// The nine user-visible message texts, keyed RS_001 to RS_009. Filled with the
// Japanese defaults at start-up, optionally overridden from the language file's
// "Strings" section, and read-only afterwards.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace vindra::app {

enum class MessageId : std::size_t {
  RS_001,  // caption in the key picker for the Convert command
  RS_002,  // error: the chosen root key is not allowed
  RS_003,  // error: a key of HKEY_LOCAL_MACHINE outside SOFTWARE\ and SYSTEM\.
  RS_004,  // first line of the append-or-replace question
  RS_005,  // second line of that question
  RS_006,  // information after a live-registry export
  RS_007,  // caption in the key picker for the RegExpander command
  RS_008,  // title of the key picker
  RS_009,  // top node of the key picker's tree
};

inline constexpr std::size_t kMessageCount = 9;

class MessageTable {
 public:
  // A table holding the Japanese defaults.
  MessageTable();

  const std::string& Get(MessageId id) const { return texts_[static_cast<std::size_t>(id)]; }
  void Set(MessageId id, std::string text) { texts_[static_cast<std::size_t>(id)] = std::move(text); }

  // Replaces every entry by its Japanese default.
  void SetDefaults();

  // For each key RS_001..RS_009 in turn, the entry becomes the key's value in
  // the "Strings" section of `language_file`, the current text being the
  // default. Reads nothing when the file is not present.
  void OverrideFromLanguageFile(const std::string& language_file);

 private:
  std::array<std::string, kMessageCount> texts_;
};

// The key of a message in the language file ("RS_001" ...).
std::string_view MessageKey(MessageId id);

// The Japanese default text of a message.
std::string_view DefaultMessage(MessageId id);

// The process-wide table, filled by start-up.
MessageTable& Messages();

// Shorthand for Messages().Get(id).
const std::string& Message(MessageId id);

}  // namespace vindra::app
