#include "core/skip_report.h"

namespace vindra {
namespace {

struct ReasonTexts {
  std::string_view one;
  std::string_view several;
};

// In the order of SkipReason.
constexpr ReasonTexts kReasonTexts[kSkipReasonCount] = {
    {"value below HKEY_USERS", "values below HKEY_USERS"},
    {"value below HKEY_CURRENT_CONFIG", "values below HKEY_CURRENT_CONFIG"},
    {"value below HKEY_LOCAL_MACHINE\\HARDWARE", "values below HKEY_LOCAL_MACHINE\\HARDWARE"},
    {"value of a key outside the plug-in sections", "values of keys outside the plug-in sections"},
    {"deletion key without values", "deletion keys without values"},
    {"key deletion outside the deletion sections", "key deletions outside the deletion sections"},
    {"line before the first key", "lines before the first key"},
    {"value deletion", "value deletions"},
    {"value with a type number too long", "values with a type number too long"},
    {"value with data of no recognised form", "values with data of no recognised form"},
    {"string holding a line break", "strings holding a line break"},
    {"value with an empty item in its byte list", "values with an empty item in their byte list"},
    {"value unfinished before the next value", "values unfinished before the next value"},
    {"value unfinished at end of file", "values unfinished at end of file"},
    {"continuation line with no value waiting", "continuation lines with no value waiting"},
    {"key that cannot be opened", "keys that cannot be opened"},
    {"key whose sub-keys cannot be listed", "keys whose sub-keys cannot be listed"},
    {"value whose key cannot be reopened", "values whose key cannot be reopened"},
    {"value that cannot be queried", "values that cannot be queried"},
    {"value whose data cannot be read", "values whose data cannot be read"},
    {"key whose name the ANSI code page cannot hold", "keys whose names the ANSI code page cannot hold"},
    {"value whose name the ANSI code page cannot hold", "values whose names the ANSI code page cannot hold"},
    {"deletion below HKEY_LOCAL_MACHINE\\SYSTEM", "deletions below HKEY_LOCAL_MACHINE\\SYSTEM"},
    {"change of a key outside the plug-in sections", "changes of keys outside the plug-in sections"},
};

}  // namespace

std::string_view SkipReasonText(SkipReason reason) { return kReasonTexts[static_cast<int>(reason)].one; }

std::string_view SkipReasonPluralText(SkipReason reason) { return kReasonTexts[static_cast<int>(reason)].several; }

}  // namespace vindra
