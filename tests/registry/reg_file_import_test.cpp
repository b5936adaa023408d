// The .reg importer that fills the in-memory registry.
#include "registry/reg_file_import.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "core/file_io.h"
#include "test_support.h"

namespace vindra::registry {
namespace {

using testing::Bytes;
using Lines = std::vector<std::string>;

std::string ValueData(const MemoryRegistry& reg, RootKey root, std::string_view path, std::string_view name,
                      std::uint32_t expectedType) {
  const MemoryRegistry::Value* value = reg.FindValue(root, path, name);
  if (!value) return "<missing>";
  if (value->type != expectedType) return "<type " + std::to_string(value->type) + ">";
  return value->data;
}

TEST(RegFileImportTest, ValueKindsOfAVersion5File) {
  MemoryRegistry reg;
  const RegImportResult result = ImportRegLines(
      {
          "Windows Registry Editor Version 5.00",
          "",
          "[HKEY_CURRENT_USER\\Software\\Demo]",
          "@=\"default\"",
          "\"Path\"=\"C:\\\\Program Files\\\\\\\"x\\\"\"",
          "\"Count\"=dword:0000001a",
          "\"Data\"=hex:01,02,03",
          "\"Empty\"=hex:",
          "\"Exp\"=hex(2):25,00,41,00,25,00,00,00",
          "\"Multi\"=hex(7):41,00,00,00,42,00,00,00,00,00",
          "\"Q\"=hex(b):01,00,00,00,00,00,00,00",
          "\"Odd\"=hex(12345):ff",
          "\"Long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\",
          "  16,17,18,19,1a",
          "; a comment",
          "\"with \\\"quote\\\"\"=\"q\"",
      },
      reg, RegistryFileEncoding::Utf16LE);
  EXPECT_TRUE(result.recognised);
  EXPECT_TRUE(result.problems.empty());
  const RootKey cu = kHkeyCurrentUser;
  const char* k = "Software\\Demo";
  EXPECT_EQ(ValueData(reg, cu, k, "", 1), std::string("default\0", 8));
  EXPECT_EQ(ValueData(reg, cu, k, "Path", 1), std::string("C:\\Program Files\\\"x\"\0", 21));
  EXPECT_EQ(ValueData(reg, cu, k, "Count", 4), Bytes({0x1a, 0, 0, 0}));
  EXPECT_EQ(ValueData(reg, cu, k, "Data", 3), Bytes({1, 2, 3}));
  EXPECT_EQ(ValueData(reg, cu, k, "Empty", 3), "");
  EXPECT_EQ(ValueData(reg, cu, k, "Exp", 2), std::string("%A%\0", 4));  // UTF-16 data as the ANSI read gives it
  EXPECT_EQ(ValueData(reg, cu, k, "Multi", 7), std::string("A\0B\0\0", 5));
  EXPECT_EQ(ValueData(reg, cu, k, "Q", 11), Bytes({1, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(ValueData(reg, cu, k, "Odd", 0x12345), Bytes({0xff}));
  EXPECT_EQ(ValueData(reg, cu, k, "Long", 3).size(), 27u);
  EXPECT_EQ(ValueData(reg, cu, k, "with \"quote\"", 1), std::string("q\0", 2));
  // Names are found without regard to letter case and keep their spelling.
  ASSERT_NE(reg.FindKey(cu, "SOFTWARE\\demo"), nullptr);
  EXPECT_EQ(reg.FindKey(cu, "SOFTWARE\\demo")->name, "Demo");
}

TEST(RegFileImportTest, Regedit4FileKeepsTextDataInTheAnsiCodePage) {
  MemoryRegistry reg;
  const RegImportResult result = ImportRegLines(
      {"REGEDIT4", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\表示]", "\"名前\"=\"表\\\\値\"", "\"Exp\"=hex(2):95,5c,00"}, reg,
      RegistryFileEncoding::Ansi);
  EXPECT_TRUE(result.problems.empty());
  // 表 ends with the byte 0x5C: it is neither a path separator nor an escape.
  EXPECT_EQ(ValueData(reg, kHkeyLocalMachine, "SOFTWARE\\表示", "名前", 1), std::string("表\\値") + '\0');
  EXPECT_EQ(ValueData(reg, kHkeyLocalMachine, "SOFTWARE\\表示", "Exp", 2), std::string("表") + '\0');
  ASSERT_NE(reg.FindKey(kHkeyLocalMachine, "SOFTWARE"), nullptr);
  EXPECT_EQ(reg.FindKey(kHkeyLocalMachine, "SOFTWARE")->subKeys.size(), 1u);
}

// regedit reads the bytes of text types by the file's encoding, whatever its
// header says; blanks and a comment may follow string data, and one comma may
// end a byte list (measured under Wine).
TEST(RegFileImportTest, ReadsLinesAsRegeditDoes) {
  const Lines lines = {
      "Windows Registry Editor Version 5.00",
      "[HKEY_CURRENT_USER\\K]",
      "\"e\"=hex(2):41,42,00",
      "\"s\"=hex(1):41,00,00,00",
      "\"Display\"=\"(GMT-06:00) - Old\" ",
      "\"c\"=\"a;b\" ; \"comment\"",
      "\"C:\\\\Users\\\\Example\"=hex(0):",
      "\"h\"=hex:01,02,\\",
      "  03,",
      "\"inner\"=hex:01,,02",
  };
  MemoryRegistry ansi;
  const RegImportResult fromAnsi = ImportRegLines(lines, ansi, RegistryFileEncoding::Ansi);
  MemoryRegistry wide;
  ImportRegLines(lines, wide, RegistryFileEncoding::Utf16LE);
  ASSERT_EQ(fromAnsi.problems.size(), 1u);
  EXPECT_EQ(fromAnsi.problems[0].line, 10u);  // regedit refuses an empty token inside a list
  const RootKey cu = kHkeyCurrentUser;
  EXPECT_EQ(ValueData(ansi, cu, "K", "e", 2), std::string("AB\0", 3));
  EXPECT_EQ(ValueData(wide, cu, "K", "e", 2), "?");  // U+4241, which CP932 lacks, and an odd byte
  EXPECT_EQ(ValueData(ansi, cu, "K", "s", 1), std::string("A\0\0\0", 4));
  EXPECT_EQ(ValueData(wide, cu, "K", "s", 1), std::string("A\0", 2));
  EXPECT_EQ(ValueData(ansi, cu, "K", "Display", 1), std::string("(GMT-06:00) - Old\0", 18));
  EXPECT_EQ(ValueData(ansi, cu, "K", "c", 1), std::string("a;b\0", 4));
  EXPECT_EQ(ValueData(ansi, cu, "K", "C:\\Users\\Example", 0), "");
  EXPECT_EQ(ValueData(ansi, cu, "K", "h", 3), Bytes({1, 2, 3}));
}

TEST(RegFileImportTest, LeadByteBeforeAQuoteStandsAlone) {
  // A lead byte pairs only with a byte of 0x40 or above (as in the converter):
  // a quote after a stray lead byte still closes the name or the text.
  MemoryRegistry reg;
  const RegImportResult result =
      ImportRegLines({"REGEDIT4", "[HKEY_CURRENT_USER\\K]", "\"a\x81\"=\"b\x81\"", "@=\"\x9f\""}, reg, RegistryFileEncoding::Ansi);
  EXPECT_TRUE(result.problems.empty());
  EXPECT_EQ(ValueData(reg, kHkeyCurrentUser, "K", "a\x81", 1), std::string("b\x81") + '\0');
  EXPECT_EQ(ValueData(reg, kHkeyCurrentUser, "K", "", 1), std::string("\x9f") + '\0');
}

TEST(RegFileImportTest, DeletionsAndAncestors) {
  MemoryRegistry reg;
  ImportRegLines(
      {
          "Windows Registry Editor Version 5.00",
          "[HKEY_CURRENT_USER\\A\\B\\C]",
          "\"v\"=\"1\"",
          "\"w\"=\"2\"",
          "[HKEY_CURRENT_USER\\A\\D]",
          "[-HKEY_CURRENT_USER\\A\\B]",
          "[HKEY_CURRENT_USER\\A\\D]",
          "\"x\"=\"3\"",
          "\"x\"=-",
          "@=\"d\"",
          "@=-",
      },
      reg, RegistryFileEncoding::Utf16LE);
  EXPECT_EQ(reg.FindKey(kHkeyCurrentUser, "A\\B"), nullptr);
  ASSERT_NE(reg.FindKey(kHkeyCurrentUser, "A\\D"), nullptr);
  EXPECT_TRUE(reg.FindKey(kHkeyCurrentUser, "A\\D")->values.empty());
}

TEST(RegFileImportTest, BadLinesAreReportedAndTheRestIsImported) {
  struct Case {
    const char* line;
    const char* problem;
  };
  const Case cases[] = {
      {"\"v\"=dword:123456789", "dword data"},
      {"\"v\"=dword:xyz", "dword data"},
      {"\"v\"=hex:1,2,zz", "hex data is not a list"},
      {"\"v\"=hex:123", "hex data is not a list"},
      {"\"v\"=hex(qq):01", "hex(N)"},
      {"\"v\"=hex(1", "hex(N)"},
      {"\"v\"=\"open", "string data without closing quote"},
      {"\"v\"=\"a\" trailing", "string data without closing quote"},
      {"\"v\"=bogus", "unrecognised value data"},
      {"\"v\" \"w\"", "without \"=\""},
      {"\"open=\"x\"", "without \"=\""},
      {"\"never closed", "value name without closing quote"},
      {"[HKEY_NOWHERE\\X]", "unknown root key"},
      {"[HKEY_CURRENT_USER\\X", "without closing bracket"},
      {"garbage", "not a key, value or comment line"},
  };
  for (const Case& c : cases) {
    MemoryRegistry reg;
    const RegImportResult result =
        ImportRegLines({"REGEDIT4", "[HKEY_CURRENT_USER\\K]", c.line, "[HKEY_CURRENT_USER\\K]", "\"ok\"=\"1\""}, reg,
                       RegistryFileEncoding::Ansi);
    ASSERT_EQ(result.problems.size(), 1u) << c.line;
    EXPECT_EQ(result.problems[0].line, 3u) << c.line;
    EXPECT_NE(result.problems[0].message.find(c.problem), std::string::npos)
        << c.line << " -> " << result.problems[0].message;
    EXPECT_NE(reg.FindValue(kHkeyCurrentUser, "K", "ok"), nullptr) << c.line;
  }
}

TEST(RegFileImportTest, ValuesOutsideAKeyAreReported) {
  MemoryRegistry reg;
  const RegImportResult result =
      ImportRegLines({"REGEDIT4", "\"a\"=\"1\"", "[-HKEY_CURRENT_USER\\K]", "\"b\"=\"2\""}, reg, RegistryFileEncoding::Ansi);
  ASSERT_EQ(result.problems.size(), 2u);
  EXPECT_EQ(result.problems[0].line, 2u);
  EXPECT_EQ(result.problems[1].line, 4u);
}

TEST(RegFileImportTest, WithoutHeaderNothingIsImported) {
  for (const Lines& lines : {Lines{}, Lines{"", "  "}, Lines{"[HKEY_CURRENT_USER\\K]", "\"a\"=\"1\""},
                             Lines{"\xEF\xBB\xBFWindows Registry Editor Version 5.00", "[HKEY_CURRENT_USER\\K]"}}) {
    MemoryRegistry reg;
    const RegImportResult result = ImportRegLines(lines, reg, RegistryFileEncoding::Ansi);
    EXPECT_FALSE(result.recognised);
    ASSERT_EQ(result.problems.size(), 1u);
    EXPECT_EQ(reg.FindKey(kHkeyCurrentUser, "K"), nullptr);
  }
}

TEST(RegFileImportTest, KeysDeeperThanTheRegistryAllowsAreRefused) {
  std::string path = "[HKEY_CURRENT_USER";
  for (std::size_t i = 0; i <= kMaxKeyDepth; ++i) path += "\\k";
  MemoryRegistry reg;
  const RegImportResult result = ImportRegLines({"REGEDIT4", path + "]", "\"v\"=\"x\""}, reg, RegistryFileEncoding::Ansi);
  ASSERT_EQ(result.problems.size(), 2u);  // the key line, then its value outside a key
  EXPECT_NE(result.problems[0].message.find("deeper"), std::string::npos);
}

TEST(RegFileImportTest, Utf16FileWithJapaneseNames) {
  const std::string path = ::testing::TempDir() + "vindra_import_test.reg";
  {
    // "Windows Registry Editor Version 5.00" CRLF "[HKEY_CURRENT_USER\日本]" CRLF "\"名\"=\"値\"" CRLF, UTF-16LE.
    const std::u16string text =
        u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\日本]\r\n\"名\"=\"値\"\r\n"
        u"\"m\"=hex(7):00,4e,00,00,00,00\r\n";
    std::ofstream out(path, std::ios::binary);
    out.write("\xFF\xFE", 2);
    for (char16_t unit : text) {
      const char bytes[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
      out.write(bytes, 2);
    }
  }
  MemoryRegistry reg;
  const RegImportResult result = ImportRegFile(path, reg);
  std::remove(path.c_str());
  EXPECT_TRUE(result.problems.empty());
  EXPECT_EQ(ValueData(reg, kHkeyCurrentUser, "日本", "名", 1), std::string("値") + '\0');
  EXPECT_EQ(ValueData(reg, kHkeyCurrentUser, "日本", "m", 7), std::string("一") + '\0' + '\0');
}

TEST(RegFileImportTest, MissingFileThrowsTheFileOpenError) {
  MemoryRegistry reg;
  EXPECT_THROW(ImportRegFile(::testing::TempDir() + "no_such_file_vindra.reg", reg), FileOpenError);
}

}  // namespace
}  // namespace vindra::registry
