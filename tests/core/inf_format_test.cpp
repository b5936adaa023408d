#include "core/inf_format.h"

#include <utility>

#include <gtest/gtest.h>

#include "core/ansi_text.h"
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

// Machine folders are replaced only where they stand as a whole folder; the
// other program folder of a 64-bit machine is a program folder too.
TEST_F(SubstitutePathsTest, WholeFoldersOnly) {
  struct Machine {
    const char* name;
    const char* programFiles;
    const char* programFilesX86;  // nullptr: the variable is not defined
    const char* programW6432;
  };
  const Machine bit64 = {"64-bit program", "C:\\Program Files", "C:\\Program Files (x86)", "C:\\Program Files"};
  const Machine wow64 = {"32-bit program on 64-bit Windows", "C:\\Program Files (x86)", "C:\\Program Files (x86)",
                         "C:\\Program Files"};
  const Machine bit32 = {"32-bit Windows", "C:\\Program Files", nullptr, nullptr};
  const struct {
    const Machine* machine;
    PathSubstitutionMode mode;
    const char* in;
    const char* out;
  } cases[] = {
      // The end of a folder: the end of the text and each separator.
      {&bit64, PathSubstitutionMode::FixedDrive, "C:\\WINDOWS", "X:\\I386"},
      {&bit64, PathSubstitutionMode::FixedDrive, "C:\\WINDOWS\\a", "X:\\I386\\a"},
      {&bit64, PathSubstitutionMode::FixedDrive, "C:\\WINDOWS/a", "X:\\I386/a"},
      {&bit64, PathSubstitutionMode::FixedDrive, "\"C:\\WINDOWS\" /x", "\"X:\\I386\" /x"},
      {&bit64, PathSubstitutionMode::FixedDrive, "C:\\WINDOWS;C:\\WINDOWS,a", "X:\\I386;X:\\I386,a"},
      // A longer folder name is another folder; only its drive is replaced.
      {&bit64, PathSubstitutionMode::FixedDrive, "C:\\WINDOWS.OLD\\a", "X:\\WINDOWS.OLD\\a"},
      {&bit64, PathSubstitutionMode::FixedDrive, "C:\\Program Filesystem\\a", "X:\\Program Filesystem\\a"},
      {&bit64, PathSubstitutionMode::FixedDrive, "C:\\Program Files x\\a", "X:\\Program Files x\\a"},
      {&bit64, PathSubstitutionMode::FixedDrive, "C:\\WINDOWS x", "X:\\WINDOWS x"},
      // Both program folders of a 64-bit machine become the boot disc's one.
      {&bit64, PathSubstitutionMode::FixedDrive, "C:\\Program Files (x86)\\V\\a.exe", "X:\\PROGRAMS\\V\\a.exe"},
      {&bit64, PathSubstitutionMode::FixedDrive, "c:\\program files\\V", "X:\\PROGRAMS\\V"},
      {&wow64, PathSubstitutionMode::FixedDrive, "C:\\Program Files (x86)\\V\\a.exe", "X:\\PROGRAMS\\V\\a.exe"},
      {&wow64, PathSubstitutionMode::FixedDrive, "C:\\Program Files\\V;C:\\Program Files (x86)",
       "X:\\PROGRAMS\\V;X:\\PROGRAMS"},
      {&bit64, PathSubstitutionMode::EnvironmentVariables, "C:\\Program Files (x86)\\V",
       "%ProgramFiles%\\V"},
      {&wow64, PathSubstitutionMode::EnvironmentVariables, "C:\\Program Files\\V", "%ProgramFiles%\\V"},
      {&bit64, PathSubstitutionMode::EnvironmentVariables, "C:\\WINDOWS.OLD", "%SystemDrive%\\WINDOWS.OLD"},
      // A 32-bit machine has neither variable: only its own folder.
      {&bit32, PathSubstitutionMode::FixedDrive, "C:\\Program Files\\V", "X:\\PROGRAMS\\V"},
      {&bit32, PathSubstitutionMode::FixedDrive, "C:\\Program Files (x86)\\V", "X:\\Program Files (x86)\\V"},
  };
  for (const auto& c : cases) {
    test::SetEnv("ProgramFiles", c.machine->programFiles);
    for (const auto& [variable, value] :
         {std::pair{"ProgramFiles(x86)", c.machine->programFilesX86}, std::pair{"ProgramW6432", c.machine->programW6432}}) {
      if (value) {
        test::SetEnv(variable, value);
      } else {
        test::UnsetEnv(variable);
      }
    }
    EXPECT_EQ(SubstitutePaths(c.in, Mode(c.mode)), c.out) << c.machine->name << ": " << c.in;
  }
  // With the program-files toggle off, neither program folder is touched.
  ConversionOptions options = Mode(PathSubstitutionMode::FixedDrive);
  options.ReplaceProgramFiles = false;
  options.ReplaceSystemDrive = false;
  EXPECT_EQ(SubstitutePaths("C:\\Program Files (x86)\\V", options), "C:\\Program Files (x86)\\V");
  test::SetMachinePaths();
}

TEST(ReplaceAllFoldersIgnoreCase, FolderEndsAndDoubleByteNames) {
  const struct {
    const char* text;
    const char* folder;
    const char* out;
  } cases[] = {
      {"c:\\x\\a;C:\\X", "C:\\X", "R\\a;R"},
      {"C:\\Xy\\C:\\X", "C:\\X", "C:\\Xy\\R"},
      // A folder given with its separator ends at it.
      {"C:\\Xy", "C:\\X\\", "C:\\Xy"},
      {"C:\\X\\y", "C:\\X\\", "Ry"},
      // 表 ends with the byte of a backslash: not a separator.
      {"C:\\\x95\x5C\\a", "C:\\\x95\x5C", "R\\a"},
      {"C:\\\x95\x5C" "b", "C:\\\x95", "C:\\\x95\x5C" "b"},
  };
  for (const auto& c : cases) {
    std::string text = c.text;
    ReplaceAllFoldersIgnoreCase(text, c.folder, "R");
    EXPECT_EQ(text, c.out) << c.text;
  }
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
