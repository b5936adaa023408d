// What the converter tells a SkipObserver: every reason with its line, key and
// value name, and an output that stays the same with or without the observer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/output_list.h"
#include "core/registry_file_converter.h"
#include "core/skip_report.h"
#include "test_support.h"

namespace vindra {
namespace {

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

struct Expected {
  SkipReason reason;
  std::size_t line;
  std::string key;
  std::string valueName;
};

std::string Describe(SkipReason reason, std::size_t line, std::string_view key, std::string_view name) {
  return std::to_string(line) + " " + std::string(SkipReasonText(reason)) + " [" + std::string(key) + "] [" +
         std::string(name) + "]";
}

struct Case {
  const char* what;
  const char* reg;
  std::vector<Expected> skipped;
};

const Case kCases[] = {
    {"values below HKEY_USERS, continuation and comment lines with them",
     "Windows Registry Editor Version 5.00\n\n[HKEY_USERS\\S-1-5-18\\X]\n\"a\"=\"1\"\n; note\n\"b\"=hex:01,\\\n  02\n"
     "[HKEY_CURRENT_USER\\Software\\Kept]\n\"c\"=\"2\"\n",
     {{SkipReason::BelowHkeyUsers, 4, "HKEY_USERS\\S-1-5-18\\X", "a"},
      {SkipReason::BelowHkeyUsers, 6, "HKEY_USERS\\S-1-5-18\\X", "b"}}},
    {"values below HKEY_LOCAL_MACHINE\\HARDWARE and HKEY_CURRENT_CONFIG",
     "REGEDIT4\n[HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION]\n@=\"d\"\n[HKEY_CURRENT_CONFIG\\Software]\n\"x\"=dword:1\n",
     {{SkipReason::BelowHardware, 3, "HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION", "@"},
      {SkipReason::BelowHkeyCurrentConfig, 5, "HKEY_CURRENT_CONFIG\\Software", "x"}}},
    {"values of other keys outside the sections, a root key itself included",
     "[HKEY_LOCAL_MACHINE\\SAM\\SAM]\n\"s\"=\"1\"\n[HKEY_CURRENT_USER]\n\"r\"=\"2\"\n[HKEY_CURRENT_USER\\]\n\"e\"=\"3\"\n",
     {{SkipReason::OutsideSections, 2, "HKEY_LOCAL_MACHINE\\SAM\\SAM", "s"},
      {SkipReason::OutsideSections, 4, "HKEY_CURRENT_USER", "r"},
      {SkipReason::OutsideSections, 6, "HKEY_CURRENT_USER\\", "e"}}},
    {"deletion keys without values, and one that values follow",
     "[-HKEY_CURRENT_USER\\Software\\Gone]\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\WithValue]\n\"v\"=-\n"
     "[-HKEY_CLASSES_ROOT\\.old]\n; only a comment\n",
     {{SkipReason::DeletionKeyWithoutValues, 1, "HKEY_CURRENT_USER\\Software\\Gone", ""},
      {SkipReason::ValueDeletion, 3, "HKEY_LOCAL_MACHINE\\SOFTWARE\\WithValue", "v"},
      {SkipReason::DeletionKeyWithoutValues, 4, "HKEY_CLASSES_ROOT\\.old", ""}}},
    {"key deletions that no deletion section takes",
     "[-HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Old]\n[-HKEY_USERS\\.DEFAULT\\X]\n",
     {{SkipReason::DeletionOutsideSections, 1, "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Old", ""},
      {SkipReason::DeletionOutsideSections, 2, "HKEY_USERS\\.DEFAULT\\X", ""}}},
    {"lines before the first key; the headers and comments are no loss",
     "Windows Registry Editor Version 5.00\nREGEDIT4\n; a comment\n\"early\"=\"x\"\n  stray text\n"
     "[HKEY_CURRENT_USER\\Software\\A]\n\"v\"=\"1\"\n",
     {{SkipReason::LineBeforeFirstKey, 4, "", ""}, {SkipReason::LineBeforeFirstKey, 5, "", ""}}},
    {"value deletions, with and without blanks",
     "[HKEY_CURRENT_USER\\Software\\A]\n\"gone\"=-\n@=- \n",
     {{SkipReason::ValueDeletion, 2, "HKEY_CURRENT_USER\\Software\\A", "gone"},
      {SkipReason::ValueDeletion, 3, "HKEY_CURRENT_USER\\Software\\A", "@"}}},
    {"device properties of a SYSTEM export: type numbers too long",
     "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\ROOT\\X\\0000\\Properties\\{a8b865dd-2e3d-4094-ad97-"
     "e593a70c75d6}\\0004]\n"
     "@=hex(ffff0012):00,00\n\"Big\"=hex(100):01\n\"Bad\"=hex(zz):01\n\"Multi\"=hex(ffff0004):01,\\\n  02\n",
     {{SkipReason::TypeNumberTooLong, 2,
       "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\ROOT\\X\\0000\\Properties\\{a8b865dd-2e3d-4094-ad97-"
       "e593a70c75d6}\\0004",
       "@"},
      {SkipReason::TypeNumberTooLong, 3,
       "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\ROOT\\X\\0000\\Properties\\{a8b865dd-2e3d-4094-ad97-"
       "e593a70c75d6}\\0004",
       "Big"},
      {SkipReason::UnrecognisedData, 4,
       "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\ROOT\\X\\0000\\Properties\\{a8b865dd-2e3d-4094-ad97-"
       "e593a70c75d6}\\0004",
       "Bad"},
      {SkipReason::TypeNumberTooLong, 5,
       "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\ROOT\\X\\0000\\Properties\\{a8b865dd-2e3d-4094-ad97-"
       "e593a70c75d6}\\0004",
       "Multi"},
      {SkipReason::ContinuationWithoutValue, 6,
       "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\ROOT\\X\\0000\\Properties\\{a8b865dd-2e3d-4094-ad97-"
       "e593a70c75d6}\\0004",
       ""}}},
    {"data of no recognised form; a quoted name resolves its escapes",
     "[HKEY_CURRENT_USER\\Software\\A]\n\"w\"=word\n\"C:\\\\Temp\"=\"x\" y\n\"q\"=qword:1\n",
     {{SkipReason::UnrecognisedData, 2, "HKEY_CURRENT_USER\\Software\\A", "w"},
      {SkipReason::UnrecognisedData, 3, "HKEY_CURRENT_USER\\Software\\A", "C:\\Temp"},
      {SkipReason::UnrecognisedData, 4, "HKEY_CURRENT_USER\\Software\\A", "q"}}},
    {"a string holding a line break, as Windows exports it: one item at its first line",
     "[HKEY_CURRENT_USER\\Software\\A]\n\"Notes\"=\"first line\nsecond line\n\nlast line\"\n\"after\"=\"ok\"\n",
     {{SkipReason::StringWithLineBreak, 2, "HKEY_CURRENT_USER\\Software\\A", "Notes"}}},
    {"byte lists with an empty item, on one line and over several",
     "[HKEY_CURRENT_USER\\Software\\A]\n\"i\"=hex:01,,02\n\"j\"=hex:01,\\\n  ,02\n\"k\"=hex(2):41,00,,00\n",
     {{SkipReason::EmptyByteListItem, 2, "HKEY_CURRENT_USER\\Software\\A", "i"},
      {SkipReason::EmptyByteListItem, 3, "HKEY_CURRENT_USER\\Software\\A", "j"},
      {SkipReason::EmptyByteListItem, 5, "HKEY_CURRENT_USER\\Software\\A", "k"}}},
    {"a value cut short by the next value, and one by the end of the file",
     "[HKEY_CURRENT_USER\\Software\\A]\n\"cut\"=hex:01,\\\n\"next\"=dword:2\n\"end\"=hex(7):41,00,\\\n",
     {{SkipReason::UnfinishedAtNextValue, 2, "HKEY_CURRENT_USER\\Software\\A", "cut"},
      {SkipReason::UnfinishedAtEndOfFile, 4, "HKEY_CURRENT_USER\\Software\\A", "end"}}},
    {"continuation lines with no value waiting",
     "[HKEY_CURRENT_USER\\Software\\A]\n\"v\"=hex:01\n  02,03\n=orphan\n",
     {{SkipReason::ContinuationWithoutValue, 3, "HKEY_CURRENT_USER\\Software\\A", ""},
      {SkipReason::ContinuationWithoutValue, 4, "HKEY_CURRENT_USER\\Software\\A", ""}}},
    {"a file that converts whole tells nothing",
     "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\A]\n; c\n\"s\"=\"x\" ; note\n"
     "\"b\"=hex:01,\\\n  02,\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\B]\n[-HKEY_CURRENT_USER\\Software\\C]\n\"d\"=\"1\"\n",
     {}},
};

class SkipReportTest : public ::testing::Test {
 protected:
  void SetUp() override { test::SetMachinePaths(); }
};

TEST_F(SkipReportTest, EveryReasonWithItsLine) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    const std::vector<std::string> lines = Lines(c.reg);
    LineList plain;
    ConvertRegistryLines(lines, plain, {}, RegistryFileEncoding::Utf16LE);
    LineList observed;
    SkipList skipped;
    ConvertRegistryLines(lines, observed, {}, RegistryFileEncoding::Utf16LE, &skipped);
    EXPECT_EQ(observed.lines, plain.lines) << "the observer changed the output";

    std::vector<std::string> got;
    for (const SkippedItem& item : skipped.Items()) {
      got.push_back(Describe(item.reason, item.line, item.key, item.valueName));
    }
    std::vector<std::string> want;
    for (const Expected& e : c.skipped) want.push_back(Describe(e.reason, e.line, e.key, e.valueName));
    EXPECT_EQ(got, want);
  }
}

// Lines are counted as the file is read: CR LF, a lone CR or LF, blank lines
// and a continuation line each count once, also across the pieces of a large file.
TEST(ConvertRegistryFileSkips, LineNumbersOfTheFile) {
  test::SetMachinePaths();
  test::TempDir dir;
  std::u16string text = u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n";
  for (int i = 0; i < 20000; ++i) text += u"\"v\"=hex:01,\\\r\n  02\r\n";  // lines 4 to 40003
  text += u"\r[HKEY_USERS\\X]\n\"u\"=\"1\"\r\n\"d\"=-\r\n";                  // 40004 blank, 40005 to 40007
  const std::string file = dir.Write("lines.reg", test::Utf16Le(text));
  LineList output;
  SkipList skipped;
  ConvertRegistryFile(output, file, {}, &skipped);
  ASSERT_EQ(skipped.Items().size(), 2u);
  EXPECT_EQ(skipped.Items()[0].line, 40006u);
  EXPECT_EQ(skipped.Items()[0].reason, SkipReason::BelowHkeyUsers);
  EXPECT_EQ(skipped.Items()[1].line, 40007u);
  EXPECT_EQ(skipped.Items()[1].valueName, "d");
}

TEST(SkipReasonText, EveryReasonHasItsOwnPhrases) {
  std::vector<std::string_view> seen;
  for (int i = 0; i < kSkipReasonCount; ++i) {
    const auto reason = static_cast<SkipReason>(i);
    const std::string_view one = SkipReasonText(reason);
    const std::string_view several = SkipReasonPluralText(reason);
    EXPECT_FALSE(one.empty());
    EXPECT_NE(one, several);
    EXPECT_EQ(one.find('\t'), std::string_view::npos);
    for (std::string_view other : seen) EXPECT_NE(one, other);
    seen.push_back(one);
  }
}

}  // namespace
}  // namespace vindra
