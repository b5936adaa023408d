#include "core/inf_format.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace vindra {
namespace {

// A case of a text rewrite: what goes in and what must come out.
struct InOut {
  const char* in;
  const char* out;
};

TEST(RegistryTypeName, QuotedNameForEveryNumber) {
  const struct {
    std::uint32_t type;
    const char* name;
  } cases[] = {
      {0, "\"REG_NONE\""},
      {1, "\"REG_SZ\""},
      {2, "\"REG_EXPAND_SZ\""},
      {3, "\"REG_BINARY\""},
      {4, "\"REG_DWORD\""},
      {5, "\"REG_DWORD_BIG_ENDIAN\""},
      {6, "\"REG_LINK\""},
      {7, "\"REG_MULTI_SZ\""},
      {8, "\"REG_RESOURCE_LIST\""},
      {9, "\"REG_FULL_RESOURCE_DESCRIPTOR\""},
      {10, "\"REG_RESOURCE_REQUIREMENTS_LIST\""},
      {11, "\"REG_QWORD\""},
      {12, "\"hex(c)\""},
      {26, "\"hex(1a)\""},
      {0x100, "\"hex(100)\""},
      {4294967295u, "\"hex(ffffffff)\""},
  };
  for (const auto& c : cases) EXPECT_EQ(RegistryTypeName(c.type), c.name) << c.type;
  EXPECT_EQ(RegistryTypeName(1).size(), 8u);
}

TEST(RewriteControlSet, FirstOccurrenceOfEachNameBecomesControlSet001) {
  const InOut cases[] = {
      {"CurrentControlSet\\Services\\X", "ControlSet001\\Services\\X"},
      {"controlset002\\Enum", "ControlSet001\\Enum"},
      {"CURRENTCONTROLSET\\Control", "ControlSet001\\Control"},
      {"ControlSet009\\Services", "ControlSet001\\Services"},
      {"ControlSet010\\Services", "ControlSet010\\Services"},
      {"ControlSet001\\Services", "ControlSet001\\Services"},
      {"CurrentControlSet\\A\\CurrentControlSet", "ControlSet001\\A\\CurrentControlSet"},
      {"ControlSet003\\x\\ControlSet004", "ControlSet001\\x\\ControlSet001"},
      {"Services\\Tcpip", "Services\\Tcpip"},
      {"", ""},
      // The trail byte of a double-byte character is not the letter it resembles.
      {"\x83\x43urrentControlSet", "\x83\x43urrentControlSet"},
  };
  for (const auto& c : cases) EXPECT_EQ(RewriteControlSet(c.in), c.out) << c.in;
}

class SubstitutePathsTest : public ::testing::Test {
 protected:
  void SetUp() override { test::SetMachinePaths(); }
  static ConversionOptions Mode(PathSubstitutionMode mode) {
    ConversionOptions options;
    options.PathSubstitution = mode;
    return options;
  }
};

TEST_F(SubstitutePathsTest, FixedDrive) {
  const ConversionOptions options = Mode(PathSubstitutionMode::FixedDrive);
  const InOut cases[] = {
      {"C:\\WINDOWS\\system32\\x.dll", "X:\\I386\\system32\\x.dll"},
      {"c:\\program files\\App", "X:\\PROGRAMS\\App"},
      {"D:\\Data", "D:\\Data"},
      {"%VINDRA_TEST_TEMP%\\a", "%VINDRA_TEST_TEMP%\\a"},
      {"%SystemRoot%;%VINDRA_TEST_TEMP%", "X:\\I386;D:\\TEMP"},
      {"c:\\windows\\a;C:\\Windows\\b", "X:\\I386\\a;X:\\I386\\b"},
      {"C:\\", "X:\\"},
      {"", ""},
      {"%UNDEFINED_VINDRA_VARIABLE%", "%UNDEFINED_VINDRA_VARIABLE%"},
  };
  for (const auto& c : cases) EXPECT_EQ(SubstitutePaths(c.in, options), c.out) << c.in;
}

TEST_F(SubstitutePathsTest, Toggles) {
  ConversionOptions options = Mode(PathSubstitutionMode::FixedDrive);
  options.ReplaceSystemRoot = false;
  options.ReplaceProgramFiles = false;
  EXPECT_EQ(SubstitutePaths("C:\\WINDOWS\\x", options), "X:\\WINDOWS\\x");
  EXPECT_EQ(SubstitutePaths("C:\\Program Files\\x", options), "X:\\Program Files\\x");

  options = Mode(PathSubstitutionMode::FixedDrive);
  options.ReplaceSystemDrive = false;
  EXPECT_EQ(SubstitutePaths("C:\\WINDOWS\\x;C:\\y", options), "X:\\I386\\x;C:\\y");

  options.ReplaceSystemRoot = false;
  options.ReplaceProgramFiles = false;
  EXPECT_EQ(SubstitutePaths("C:\\WINDOWS\\x", options), "C:\\WINDOWS\\x");
}

TEST_F(SubstitutePathsTest, EnvironmentVariablesAndNone) {
  const ConversionOptions env = Mode(PathSubstitutionMode::EnvironmentVariables);
  EXPECT_EQ(SubstitutePaths("C:\\WINDOWS\\x", env), "%SystemRoot%\\x");
  EXPECT_EQ(SubstitutePaths("%SystemRoot%\\x", env), "%SystemRoot%\\x");
  EXPECT_EQ(SubstitutePaths("C:\\Program Files\\a", env), "%ProgramFiles%\\a");
  EXPECT_EQ(SubstitutePaths("C:\\data", env), "%SystemDrive%\\data");
  EXPECT_EQ(SubstitutePaths("%VINDRA_TEST_TEMP%", env), "%VINDRA_TEST_TEMP%");

  const ConversionOptions none = Mode(PathSubstitutionMode::None);
  for (const char* text : {"C:\\WINDOWS\\x", "%SystemRoot%", "c:\\program files", ""}) {
    EXPECT_EQ(SubstitutePaths(text, none), text);
  }
}

TEST_F(SubstitutePathsTest, UndefinedVariableIsSearchedAsItsReference) {
  test::UnsetEnv("ProgramFiles");
  const ConversionOptions options = Mode(PathSubstitutionMode::FixedDrive);
  EXPECT_EQ(SubstitutePaths("%ProgramFiles%\\x", options), "X:\\PROGRAMS\\x");
  test::SetMachinePaths();
}

TEST_F(SubstitutePathsTest, DoubleByteMachinePath) {
  // "C:\表示" : the trail byte of 表 is a backslash.
  test::SetEnv("ProgramFiles", "C:\\\x95\x5C\x8E\xA6");
  const ConversionOptions options = Mode(PathSubstitutionMode::FixedDrive);
  EXPECT_EQ(SubstitutePaths("c:\\\x95\x5C\x8E\xA6\\a", options), "X:\\PROGRAMS\\a");
  test::SetMachinePaths();
}

TEST(FormatEntries, KeyAndValueEntries) {
  EXPECT_EQ(FormatKeyEntry("Software\\X"), "0x0,\"Software\\X\"");
  EXPECT_EQ(FormatValueEntry(1, "K", "Name", "\"v\"", false), "0x1,\"K\",\"Name\",\"v\"");
  EXPECT_EQ(FormatValueEntry(1, "K", "ignored", "\"v\"", true), "0x1,\"K\",,\"v\"");
  // Quotes in the path and the name are doubled: the fields read back as they were given.
  EXPECT_EQ(FormatValueEntry(4, "K", "a\"b", "0x1F", false), "0x4,\"K\",\"a\"\"b\",0x1F");
  EXPECT_EQ(FormatValueEntry(1, "A\"\\\"", "\"", "\"\"\"\"", false), "0x1,\"A\"\"\\\"\"\",\"\"\"\",\"\"\"\"");
  EXPECT_EQ(FormatValueEntry(1, "K\"", "ignored\"", "\"v\"", true), "0x1,\"K\"\"\",,\"v\"");
  EXPECT_EQ(FormatKeyEntry("Software\\\"Q\""), "0x0,\"Software\\\"\"Q\"\"\"");
  EXPECT_EQ(FormatValueEntry(7, "K", "M", "", false), "0x7,\"K\",\"M\",");
  EXPECT_EQ(FormatValueEntry(3, "K", "", "", true), "0x3,\"K\",,");
}

TEST(FormatEntries, ReplacementComment) {
  EXPECT_EQ(ReplacementComment(11), "; Replaced \"REG_QWORD\" to \"REG_BINARY\".");
  EXPECT_EQ(ReplacementComment(5), "; Replaced \"REG_DWORD_BIG_ENDIAN\" to \"REG_BINARY\".");
  EXPECT_EQ(ReplacementComment(0x1a), "; Replaced \"hex(1a)\" to \"REG_BINARY\".");
}

TEST(FormatEntries, DwordAndQuotedText) {
  EXPECT_EQ(FormatDwordData(0), "0x0");
  EXPECT_EQ(FormatDwordData(255), "0xFF");
  EXPECT_EQ(FormatDwordData(0x1f), "0x1F");
  EXPECT_EQ(FormatDwordData(0xFFFFFFFFu), "0xFFFFFFFF");
  EXPECT_EQ(QuoteText("say \"hi\""), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(QuoteText(""), "\"\"");
}

TEST(FormatEntries, HexByteListWrapsAfterEvery25thByte) {
  std::vector<unsigned char> bytes(51);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 7);
  EXPECT_EQ(FormatHexByteList(bytes.data(), 0), "");
  EXPECT_EQ(FormatHexByteList(bytes.data(), 1), "00");
  const std::string of25 = FormatHexByteList(bytes.data(), 25);
  EXPECT_EQ(of25.size(), 25u * 3 - 1);
  EXPECT_EQ(of25.find('\\'), std::string::npos);
  const std::string of26 = FormatHexByteList(bytes.data(), 26);
  EXPECT_EQ(of26, of25 + ",\\\r\n  af");
  const std::string of51 = FormatHexByteList(bytes.data(), 51);
  const std::size_t secondLine = of51.find("\r\n") + 2;
  const std::size_t secondEnd = of51.find("\r\n", secondLine);
  EXPECT_EQ(secondEnd - secondLine, 78u) << test::Visible(of51);
  const unsigned char ff[] = {0xFF, 0x0A};
  EXPECT_EQ(FormatHexByteList(ff, 2), "ff,0a");
}

}  // namespace
}  // namespace vindra
