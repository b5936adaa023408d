// What a conversion or an export leaves out. The producers keep their output
// exactly as it is; a caller that wants to know what never reached it attaches
// a SkipObserver, which is told every skipped item with its reason, the line
// of the registry file (the first line of a value spread over several) or 0
// for an export, the key it belongs to and the value name.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vindra {

// The reasons, each with a short English phrase that never changes (scripts
// read it from the report file). Listed in cli/vindra-cli.1.
enum class SkipReason {
  // Registry file: values of keys that no plug-in section takes.
  BelowHkeyUsers,
  BelowHkeyCurrentConfig,
  BelowHardware,
  OutsideSections,
  // Registry file: keys and lines.
  DeletionKeyWithoutValues,
  DeletionOutsideSections,
  LineBeforeFirstKey,
  ValueDeletion,
  TypeNumberTooLong,
  UnrecognisedData,
  StringWithLineBreak,
  EmptyByteListItem,
  UnfinishedAtNextValue,
  UnfinishedAtEndOfFile,
  ContinuationWithoutValue,
  // Registry exports.
  KeyCannotBeOpened,
  SubKeysCannotBeListed,
  ValueKeyCannotBeReopened,
  ValueCannotBeQueried,
  ValueDataCannotBeRead,
  // Registry exports: a name with a character the ANSI code page lacks is
  // listed with "?" in its place, and nothing answers to that spelling.
  KeyNameOutsideCodePage,
  ValueNameOutsideCodePage,
  // Registry comparisons (vindra-cli diff): changes the sections cannot carry.
  DeletionWithoutDelReg,
  ChangeOutsideSections,
};

inline constexpr int kSkipReasonCount = static_cast<int>(SkipReason::ChangeOutsideSections) + 1;

// True when an ANSI name that a registry listed may have lost characters to
// the code page: it holds a "?" (never the trail byte of a double-byte
// character), which is what a lost character becomes. A listed name that
// cannot then be opened or queried is taken for such a name.
inline bool MayHaveLostCharacters(std::string_view name) { return name.find('?') != std::string_view::npos; }

// The phrase for one item ("value below HKEY_USERS") and for several
// ("values below HKEY_USERS").
std::string_view SkipReasonText(SkipReason reason);
std::string_view SkipReasonPluralText(SkipReason reason);

struct SkippedItem {
  SkipReason reason;
  std::size_t line = 0;   // 1-based line of the registry file; 0 for an export
  std::string key;        // ANSI: the key as the file names it, or ROOT\path of an export
  std::string valueName;  // ANSI; empty for a key or a line without a name
};

class SkipObserver {
 public:
  virtual ~SkipObserver() = default;
  virtual void Skipped(SkipReason reason, std::size_t line, std::string_view key, std::string_view valueName) = 0;
};

// Keeps every item, in the order they were told.
class SkipList final : public SkipObserver {
 public:
  void Skipped(SkipReason reason, std::size_t line, std::string_view key, std::string_view valueName) override {
    items_.push_back(SkippedItem{reason, line, std::string(key), std::string(valueName)});
  }
  const std::vector<SkippedItem>& Items() const { return items_; }
  bool empty() const { return items_.empty(); }

 private:
  std::vector<SkippedItem> items_;
};

}  // namespace vindra
