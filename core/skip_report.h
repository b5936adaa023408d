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
};

inline constexpr int kSkipReasonCount = static_cast<int>(SkipReason::ValueDataCannotBeRead) + 1;

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
