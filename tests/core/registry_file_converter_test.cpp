#include "core/registry_file_converter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/file_io.h"
#include "core/registry_file_loader.h"
#include "test_support.h"

namespace vindra {
namespace {

std::vector<std::string> SplitAtNewlines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// The output items joined by "\n", each CR LF inside an item shown as "\n" too,
// so that expectations read like the text area.
std::string Joined(const LineList& list) {
  std::string text;
  for (const std::string& item : list.lines) {
    for (std::size_t i = 0; i < item.size(); ++i) {
      if (item[i] == '\r' && i + 1 < item.size() && item[i + 1] == '\n') continue;
      text += item[i];
    }
    text += '\n';
  }
  return text;
}

std::string Convert(std::string_view input, const ConversionOptions& options = {},
                    RegistryFileEncoding encoding = RegistryFileEncoding::Utf16LE) {
  LineList output;
  output.lines = {"previous content"};
  ConvertRegistryLines(SplitAtNewlines(input), output, options, encoding);
  return Joined(output);
}

ConversionOptions WithMode(PathSubstitutionMode mode) {
  ConversionOptions options;
  options.PathSubstitution = mode;
  return options;
}

ConversionOptions WithoutControlSet001() {
  ConversionOptions options;
  options.ForceControlSet001 = false;
  return options;
}

struct ConvertCase {
  const char* what;
  std::string input;
  std::string expected;
  ConversionOptions options = {};
  // The encoding of the file the lines come from.
  RegistryFileEncoding encoding = RegistryFileEncoding::Utf16LE;
};

class ConverterTest : public ::testing::Test {
 protected:
  void SetUp() override { test::SetMachinePaths(); }
  void Check(const std::vector<ConvertCase>& cases) {
    for (const ConvertCase& c : cases) {
      const std::string actual = Convert(c.input, c.options, c.encoding);
      EXPECT_EQ(actual, c.expected) << c.what << "\n--- got:\n" << test::Visible(actual);
    }
  }
};

TEST_F(ConverterTest, SectionRouting) {
  Check({
      {"header and blank lines only",
       "Windows Registry Editor Version 5.00\n\nWINDOWS REGISTRY EDITOR\n   \nREGEDIT4\n", ""},
      {"every section in fixed order, whatever the file order",
       R"([HKEY_LOCAL_MACHINE\SYSTEM\Setup]
"C"="s"
[-HKEY_CURRENT_USER\Software\Gone]
"E"="e"
[HKEY_CURRENT_USER\Software\X]
"B"=dword:00000001
[-HKEY_LOCAL_MACHINE\SOFTWARE\Old]
"D"="d"
[HKEY_CLASSES_ROOT\.txt]
@="txtfile"
[hkey_local_machine\software\Vendor\App]
"A"="1"
[-HKEY_CLASSES_ROOT\Old.Doc]
"F"="f")",
       R"([Software.AddReg]
0x0,"Classes\.txt"
0x1,"Classes\.txt",,"txtfile"
0x0,"Vendor\App"
0x1,"Vendor\App","A","1"

[Software.DelReg]
0x0,"Old"
0x1,"Old","D","d"
0x0,"Classes\Old.Doc"
0x1,"Classes\Old.Doc","F","f"

[Default.AddReg]
0x0,"Software\X"
0x4,"Software\X","B",0x1

[Default.DelReg]
0x0,"Software\Gone"
0x1,"Software\Gone","E","e"

[SetupReg.AddReg]
0x0,"Setup"
0x1,"Setup","C","s"

)"},
      {"keys outside the sections are skipped with their comments",
       R"([HKEY_USERS\S-1-5-18\Software]
"U"="u"
; user comment
[HKEY_LOCAL_MACHINE\HARDWARE\DESCRIPTION]
"H"="h"
[HKEY_CURRENT_USER]
"R"="root"
[HKEY_CURRENT_CONFIG\System]
"G"="g"
[-HKEY_LOCAL_MACHINE\SYSTEM\X]
"Z"="z"
[HKEY_CURRENT_USER\Back]
"V"="v")",
       R"([Default.AddReg]
0x0,"Back"
0x1,"Back","V","v"

)"},
      {"lines before the first key line are skipped", "; top comment\n\"A\"=\"1\"\n[HKEY_CURRENT_USER\\K]\n",
       ""},
      {"a key without values writes nothing, its comments are copied untrimmed",
       "[HKEY_CURRENT_USER\\Empty]\n  ; note \n[HKEY_CURRENT_USER\\Two]\n\"a\"=\"1\"\n; between\n\"b\"=\"2\"\n",
       "[Default.AddReg]\n  ; note \n0x0,\"Two\"\n0x1,\"Two\",\"a\",\"1\"\n; between\n0x1,\"Two\",\"b\",\"2\"\n\n"},
      {"a deletion key without values writes nothing", "[-HKEY_CURRENT_USER\\A]\n[-HKEY_CLASSES_ROOT\\B]\n", ""},
      {"the same key path again writes no second key entry",
       "[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n[HKEY_CURRENT_USER\\B]\n[HKEY_CURRENT_USER\\A]\n\"y\"=\"2\"\n",
       "[Default.AddReg]\n0x0,\"A\"\n0x1,\"A\",\"x\",\"1\"\n0x1,\"A\",\"y\",\"2\"\n\n"},
      {"key path keeps its letter case; key line is trimmed; closing bracket dropped",
       "  [HKEY_CURRENT_USER\\Software\\MiXed]  \n\"a\"=\"1\"\n",
       "[Default.AddReg]\n0x0,\"Software\\MiXed\"\n0x1,\"Software\\MiXed\",\"a\",\"1\"\n\n"},
  });
}

TEST_F(ConverterTest, ValueLines) {
  Check({
      {"default value by @ and by \"@\"", "[HKEY_CURRENT_USER\\K]\n@=\"a\"\n\"@\"=\"b\"\n",
       "[Default.AddReg]\n0x0,\"K\"\n0x1,\"K\",,\"a\"\n0x1,\"K\",,\"b\"\n\n"},
      {"value deletion writes only the key entry", "[HKEY_CURRENT_USER\\K]\n\"gone\"=-\n",
       "[Default.AddReg]\n0x0,\"K\"\n\n"},
      {"string escapes: pair of backslashes, escaped quote",
       R"([HKEY_CURRENT_USER\K]
"P"="a\\\\b \"q\" d:\\x"
"E"=""
"Q"="""
"N"=)",
       R"([Default.AddReg]
0x0,"K"
0x1,"K","P","a\\b ""q"" d:\x"
0x1,"K","E",""
0x1,"K","Q",""""
0x1,"K","N",""

)"},
      {"dword data",
       "[HKEY_CURRENT_USER\\K]\n\"a\"=dword:0000001f\n\"b\"=dword:zz\n\"c\"=DWORD:FFFFFFFF\n\"d\"=dword:\n"
       "\"e\"=dword:1f\n\"f\"=dword:00000000\n\"g\"=dword:0000000a;x\n",
       "[Default.AddReg]\n0x0,\"K\"\n0x4,\"K\",\"a\",0x1F\n0x4,\"K\",\"b\",0x0\n0x4,\"K\",\"c\",0xFFFFFFFF\n"
       "0x4,\"K\",\"d\",0x0\n0x4,\"K\",\"e\",0x1F\n0x4,\"K\",\"f\",0x0\n0x4,\"K\",\"g\",0xA\n\n"},
      {"a name with = is cut at the first =", "[HKEY_CURRENT_USER\\K]\n\"a=b\"=\"c\"\n",
       "[Default.AddReg]\n0x0,\"K\"\n\n"},
      {"an indented value line keeps blanks and quotes in its name", "[HKEY_CURRENT_USER\\K]\n  \"N\"=\"v\"\n",
       "[Default.AddReg]\n0x0,\"K\"\n0x1,\"K\",\"  \"\"N\"\"\",\"v\"\n\n"},
      {"unquoted data of no known form", "[HKEY_CURRENT_USER\\K]\n\"a\"=word\n\"b\"=\"open\n",
       "[Default.AddReg]\n0x0,\"K\"\n\n"},
  });
}

TEST_F(ConverterTest, HexValues) {
  std::string thirty;
  for (int i = 0; i < 30; ++i) {
    if (i > 0) thirty += ',';
    if (i < 10) thirty += '0';
    thirty += std::to_string(i);
  }
  const std::string wrapped25 = "  00,01,02,03,04,05,06,07,08,09,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,\\\n"
                                "  25,26,27,28,29";
  Check({
      {"hex on one line: bytes on the next line, lower case, spaces removed, not re-wrapped",
       "[HKEY_CURRENT_USER\\K]\n\"h\"=hex:01, 02,AB\n\"e\"=hex:\n\"long\"=hex:" + thirty + "\n",
       "[Default.AddReg]\n0x0,\"K\"\n0x3,\"K\",\"h\",\\\n  01,02,ab\n0x3,\"K\",\"e\"\n0x3,\"K\",\"long\",\\\n  " +
           thirty + "\n\n"},
      {"hex over three lines is re-wrapped at 25 bytes",
       "[HKEY_CURRENT_USER\\K]\n\"h\"=hex:00,01,02,03,04,05,06,07,08,09,\\\n  10,11,12,13,14,15,16,17,18,19,\\\n"
       "  20,21,22,23,24,25,26,27,28,29\n",
       "[Default.AddReg]\n0x0,\"K\"\n0x3,\"K\",\"h\",\\\n" + wrapped25 + "\n\n"},
      {"continuation lines are lower-cased; a comment between them stays in place",
       "[HKEY_CURRENT_USER\\K]\n@=hex:AA,\\\n; c\n  BB,CC\n",
       "[Default.AddReg]\n0x0,\"K\"\n; c\n0x3,\"K\",,\\\n  aa,bb,cc\n\n"},
      {"exactly 25 bytes continued: no wrap after the last",
       "[HKEY_CURRENT_USER\\K]\n\"h\"=hex:00,01,02,03,04,05,06,07,08,09,10,11,12,\\\n"
       "  13,14,15,16,17,18,19,20,21,22,23,24\n",
       "[Default.AddReg]\n0x0,\"K\"\n0x3,\"K\",\"h\",\\\n  00,01,02,03,04,05,06,07,08,09,10,11,12,13,14,15,16,17,"
       "18,19,20,21,22,23,24\n\n"},
      {"a comma at the end of the list is dropped", "[HKEY_CURRENT_USER\\K]\n\"h\"=hex:01,\\\n  02,\n",
       "[Default.AddReg]\n0x0,\"K\"\n0x3,\"K\",\"h\",\\\n  01,02\n\n"},
      {"continued to nothing", "[HKEY_CURRENT_USER\\K]\n\"h\"=hex:\\\n  \n\n  x\n",
       "[Default.AddReg]\n0x0,\"K\"\n0x3,\"K\",\"h\",\\\n  x\n\n"},
      {"typed hex: 3 plain, b with its comment, 0 and 5 replaced, 100 and zz skipped",
       "[HKEY_CURRENT_USER\\K]\n\"b\"=hex(3):01,02\n\"q\"=hex(b):00,c0,a5,7e,D3,4a,d9,01\n\"n\"=hex(0):\n"
       "\"be\"=hex(5):00,00,00,01\n\"big\"=hex(100):01\n\"bad\"=hex(zz):01\n\"t\"=hex(1a):\n",
       "[Default.AddReg]\n0x0,\"K\"\n0x3,\"K\",\"b\",\\\n  01,02\n; Replaced \"REG_QWORD\" to \"REG_BINARY\".\n"
       "0x3,\"K\",\"q\",\\\n  00,c0,a5,7e,D3,4a,d9,01\n; Replaced \"REG_NONE\" to \"REG_BINARY\".\n0x3,\"K\",\"n\"\n"
       "; Replaced \"REG_DWORD_BIG_ENDIAN\" to \"REG_BINARY\".\n0x3,\"K\",\"be\",\\\n  00,00,00,01\n"
       "; Replaced \"hex(1a)\" to \"REG_BINARY\".\n0x3,\"K\",\"t\"\n\n"},
      {"typed hex continued gets its comment when finished",
       "[HKEY_CURRENT_USER\\K]\n\"q\"=hex(b):00,C0,\\\n  A5,7E\n",
       "[Default.AddReg]\n0x0,\"K\"\n; Replaced \"REG_QWORD\" to \"REG_BINARY\".\n0x3,\"K\",\"q\",\\\n  00,C0,a5,7e\n\n"},
      {"hex(7): strings a and b; an empty list keeps the comma",
       "[HKEY_CURRENT_USER\\K]\n\"m\"=hex(7):61,00,00,00,62,00,00,00,00,00\n\"e\"=hex(7):00,00\n\"z\"=hex(7):\n"
       "\"q\"=hex(7):22,00,00,00,00,00\n",
       "[Default.AddReg]\n0x0,\"K\"\n0x7,\"K\",\"m\",\"a\",\"b\"\n0x7,\"K\",\"e\",\n0x7,\"K\",\"z\",\n"
       "0x7,\"K\",\"q\",\"\"\"\"\n\n"},
      {"hex(2): machine path replaced; continued over lines; extra zero units dropped",
       "[HKEY_CURRENT_USER\\K]\n"
       "\"x\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,25,00,5c,00,78,00,00,00\n"
       "\"c\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,\\\n  52,00,6f,00,6f,00,74,00,\\\n"
       "  25,00,00,00,00,00,00,00\n"
       "\"q\"=hex(2):22,00,61,00,00,00\n",
       "[Default.AddReg]\n0x0,\"K\"\n0x2,\"K\",\"x\",\"X:\\I386\\x\"\n0x2,\"K\",\"c\",\"X:\\I386\"\n"
       "0x2,\"K\",\"q\",\"\"\"a\"\n\n"},
      {"hex(7) continued", "[HKEY_CURRENT_USER\\K]\n\"m\"=hex(7):61,00,00,00,\\\n  62,00,00,00,00,00\n",
       "[Default.AddReg]\n0x0,\"K\"\n0x7,\"K\",\"m\",\"a\",\"b\"\n\n"},
      {"a value still waiting at the end of the input is dropped",
       "[HKEY_CURRENT_USER\\K]\n\"h\"=hex:01,\\\n", "[Default.AddReg]\n0x0,\"K\"\n\n"},
  });
}

TEST_F(ConverterTest, LinesWithoutNameWhenNothingWaits) {
  Check({
      {"after a string value", "[HKEY_CURRENT_USER\\K]\n\"s\"=\"line one\nline two\"\n  01,02\n",
       "[Default.AddReg]\n0x0,\"K\"\n\n"},
      {"after a finished hex value", "[HKEY_CURRENT_USER\\K]\n\"h\"=hex:01\n  02,03\n",
       "[Default.AddReg]\n0x0,\"K\"\n0x3,\"K\",\"h\",\\\n  01\n\n"},
      {"after a skipped hex(100) value with continuation lines",
       "[HKEY_CURRENT_USER\\K]\n\"h\"=hex(100):01,\\\n  02,03\n", "[Default.AddReg]\n0x0,\"K\"\n\n"},
      {"a line of =data only", "[HKEY_CURRENT_USER\\K]\n=\"x\"\n", ""},
  });
}

TEST_F(ConverterTest, ControlSetRewriting) {
  const std::string input =
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\X]\n\"a\"=dword:1\n\"b\"=hex:\\\n  01\n";
  Check({
      {"on", input,
       "[SetupReg.AddReg]\n0x0,\"ControlSet001\\Services\\X\"\n0x4,\"ControlSet001\\Services\\X\",\"a\",0x1\n"
       "0x3,\"ControlSet001\\Services\\X\",\"b\",\\\n  01\n\n"},
      {"off", input,
       "[SetupReg.AddReg]\n0x0,\"CurrentControlSet\\Services\\X\"\n0x4,\"CurrentControlSet\\Services\\X\",\"a\",0x1\n"
       "0x3,\"CurrentControlSet\\Services\\X\",\"b\",\\\n  01\n\n",
       WithoutControlSet001()},
  });
}

TEST_F(ConverterTest, PathSubstitutionModes) {
  const std::string input =
      "[HKEY_CURRENT_USER\\K]\n\"s\"=\"C:\\\\WINDOWS\\\\x;c:\\\\program files\\\\y;C:\\\\z\"\n"
      "\"e\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,44,00,72,00,69,00,76,00,65,00,25,00,00,00\n"
      "\"m\"=hex(7):43,00,3a,00,5c,00,61,00,00,00,00,00\n"
      "\"d\"=dword:0000000c\n";
  ConversionOptions onlyDrive;
  onlyDrive.ReplaceSystemRoot = false;
  onlyDrive.ReplaceProgramFiles = false;
  Check({
      {"fixed", input,
       "[Default.AddReg]\n0x0,\"K\"\n0x1,\"K\",\"s\",\"X:\\I386\\x;X:\\PROGRAMS\\y;X:\\z\"\n0x2,\"K\",\"e\",\"X:\"\n"
       "0x7,\"K\",\"m\",\"X:\\a\"\n0x4,\"K\",\"d\",0xC\n\n"},
      {"environment variables", input,
       "[Default.AddReg]\n0x0,\"K\"\n0x1,\"K\",\"s\",\"%SystemRoot%\\x;%ProgramFiles%\\y;%SystemDrive%\\z\"\n"
       "0x2,\"K\",\"e\",\"%SystemDrive%\"\n0x7,\"K\",\"m\",\"%SystemDrive%\\a\"\n0x4,\"K\",\"d\",0xC\n\n",
       WithMode(PathSubstitutionMode::EnvironmentVariables)},
      {"none", input,
       "[Default.AddReg]\n0x0,\"K\"\n0x1,\"K\",\"s\",\"C:\\WINDOWS\\x;c:\\program files\\y;C:\\z\"\n"
       "0x2,\"K\",\"e\",\"%SystemDrive%\"\n0x7,\"K\",\"m\",\"C:\\a\"\n0x4,\"K\",\"d\",0xC\n\n",
       WithMode(PathSubstitutionMode::None)},
      {"only the system drive", input,
       "[Default.AddReg]\n0x0,\"K\"\n0x1,\"K\",\"s\",\"X:\\WINDOWS\\x;X:\\program files\\y;X:\\z\"\n"
       "0x2,\"K\",\"e\",\"X:\"\n0x7,\"K\",\"m\",\"X:\\a\"\n0x4,\"K\",\"d\",0xC\n\n",
       onlyDrive},
  });
}

TEST_F(ConverterTest, MachineFoldersOnlyWhereTheyStandWhole) {
  // "C:\Program Files (x86)\V\a.exe" as hex(2) and in a string, beside a
  // folder whose name only begins with the system root's.
  Check({{"whole folders",
          "[HKEY_CURRENT_USER\\K]\n\"s\"=\"C:\\\\Program Files (x86)\\\\V;C:\\\\WINDOWS.OLD\\\\a\"\n"
          "\"e\"=hex(2):43,00,3a,00,5c,00,50,00,72,00,6f,00,67,00,72,00,61,00,6d,00,20,00,46,00,69,00,6c,00,\\\n"
          "  65,00,73,00,20,00,28,00,78,00,38,00,36,00,29,00,00,00\n",
          "[Default.AddReg]\n0x0,\"K\"\n0x1,\"K\",\"s\",\"X:\\PROGRAMS\\V;X:\\WINDOWS.OLD\\a\"\n"
          "0x2,\"K\",\"e\",\"X:\\PROGRAMS\"\n\n"}});
}

TEST_F(ConverterTest, DoubleByteText) {
  // 表 is 95 5C and ソ is 83 5C: their trail bytes are backslashes, and must
  // not pair with a real backslash or escape a quote.
  Check({
      {"trail byte before an escaped quote", "[HKEY_CURRENT_USER\\K]\n\"a\"=\"\x95\x5C\\\"\"\n",
       "[Default.AddReg]\n0x0,\"K\"\n0x1,\"K\",\"a\",\"\x95\x5C\"\"\"\n\n"},
      {"trail byte before an escaped backslash", "[HKEY_CURRENT_USER\\\x83\x5C]\n\"\x83\x5C\"=\"\x83\x5C\\\\\"\n",
       "[Default.AddReg]\n0x0,\"\x83\x5C\"\n0x1,\"\x83\x5C\",\"\x83\x5C\",\"\x83\x5C\\\"\n\n"},
  });
}

// Lines as real exports have them, which regedit imports and the converter
// once garbled or dropped.
TEST_F(ConverterTest, LinesOfRealExports) {
  Check({
      {"a value name with escaped backslashes names the value as the registry holds it",
       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\NormalizedPaths]\n\"C:\\\\Users\\\\Example\"=hex(0):\n"
       "\"say \\\"hi\\\"\"=dword:00000001\n\"\\\\\\\\server\\\\share\\\\\"=\"x\"\n",
       "[Software.AddReg]\n0x0,\"Vendor\\NormalizedPaths\"\n; Replaced \"REG_NONE\" to \"REG_BINARY\".\n"
       "0x3,\"Vendor\\NormalizedPaths\",\"C:\\Users\\Example\"\n0x4,\"Vendor\\NormalizedPaths\",\"say \"\"hi\"\"\",0x1\n"
       "0x1,\"Vendor\\NormalizedPaths\",\"\\\\server\\share\\\",\"x\"\n\n"},
      {"REGEDIT4: hex(2) and hex(7) bytes are ANSI text",
       "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Wlansvc]\n"
       "\"DisplayName\"=hex(2):40,77,6c,61,6e,73,76,63,2e,64,6c,6c,2c,2d,32,35,37,00\n"
       "\"ImagePath\"=hex(2):25,53,79,73,74,65,6d,52,6f,6f,74,25,5c,73,79,73,74,65,6d,33,32,5c,\\\n"
       "  73,76,63,68,6f,73,74,2e,65,78,65,00\n"
       "\"DependOnService\"=hex(7):52,70,63,53,73,00,4e,64,69,73,75,69,6f,00,00\n"
       "\"Japanese\"=hex(7):95,5c,8e,a6,00,22,00,00\n\"Empty\"=hex(7):00\n",
       "[SetupReg.AddReg]\n0x0,\"ControlSet001\\Services\\Wlansvc\"\n"
       "0x2,\"ControlSet001\\Services\\Wlansvc\",\"DisplayName\",\"@wlansvc.dll,-257\"\n"
       "0x2,\"ControlSet001\\Services\\Wlansvc\",\"ImagePath\",\"X:\\I386\\system32\\svchost.exe\"\n"
       "0x7,\"ControlSet001\\Services\\Wlansvc\",\"DependOnService\",\"RpcSs\",\"Ndisuio\"\n"
       "0x7,\"ControlSet001\\Services\\Wlansvc\",\"Japanese\",\"\x95\x5C\x8E\xA6\",\"\"\"\"\n"
       "0x7,\"ControlSet001\\Services\\Wlansvc\",\"Empty\",\n\n",
       {}, RegistryFileEncoding::Ansi},
      {"quotes in key paths and value names are doubled",
       "[HKEY_CURRENT_USER\\Software\\\"Quoted\" Key]\n\"a \\\"b\\\"\"=\"c\"\n@=\"d\"\n",
       "[Default.AddReg]\n0x0,\"Software\\\"\"Quoted\"\" Key\"\n0x1,\"Software\\\"\"Quoted\"\" Key\",\"a \"\"b\"\"\",\"c\"\n"
       "0x1,\"Software\\\"\"Quoted\"\" Key\",,\"d\"\n\n"},
      {"blanks or a comment after a string's closing quote",
       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\Mexico]\n"
       "\"Display\"=\"(GMT-06:00) Guadalajara, Mexico City, Monterrey - Old\" \n\"Tab\"=\"t\"\t\n"
       "\"Comment\"=\"a;b\" ; \"note\"\n\"Tight\"=\"c\";x\n\"Escaped\"=\"D:\\\\\" ;\n\"Junk\"=\"v\" x\n",
       "[Software.AddReg]\n0x0,\"Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\Mexico\"\n"
       "0x1,\"Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\Mexico\",\"Display\","
       "\"(GMT-06:00) Guadalajara, Mexico City, Monterrey - Old\"\n"
       "0x1,\"Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\Mexico\",\"Tab\",\"t\"\n"
       "0x1,\"Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\Mexico\",\"Comment\",\"a;b\"\n"
       "0x1,\"Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\Mexico\",\"Tight\",\"c\"\n"
       "0x1,\"Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\Mexico\",\"Escaped\",\"D:\\\"\n\n"},
      {"byte lists: a final comma is dropped, any other empty token refuses the value",
       "[HKEY_CURRENT_USER\\K]\n\"h\"=hex:01,02,\\\n  03,04,\n\"one\"=hex:0a,\n\"b\"=hex(3):01,\n"
       "\"e\"=hex(2):41,00,00,00,\n\"inner\"=hex:01,,02\n\"first\"=hex:,01\n\"two\"=hex:01,,\n\"comma\"=hex:,\n"
       "\"m\"=hex(7):41,00,,00\n\"cont\"=hex:01,\\\n  ,02\n",
       "[Default.AddReg]\n0x0,\"K\"\n0x3,\"K\",\"h\",\\\n  01,02,03,04\n0x3,\"K\",\"one\",\\\n  0a\n"
       "0x3,\"K\",\"b\",\\\n  01\n0x2,\"K\",\"e\",\"A\"\n\n"},
  });
}

// Whether hex(2)/hex(7) bytes are UTF-16 or ANSI follows the file's encoding,
// not its header line, as regedit reads them (measured under Wine).
TEST(ConvertRegistryFile, EncodingNotHeaderDecidesHowHexTextIsRead) {
  test::TempDir dir;
  const std::u16string body =
      u"[HKEY_CURRENT_USER\\K]\r\n\"e\"=hex(2):41,42,43,00\r\n\"m\"=hex(7):61,00,62,00,00,00,00,00\r\n";
  const std::string narrow(body.begin(), body.end());
  // 41,42 is one unit (U+4241, which CP932 lacks) in UTF-16 and two
  // characters in ANSI text.
  const struct {
    const char* what;
    std::string bytes;
    std::vector<std::string> expected;
  } cases[] = {
      {"UTF-16LE with a REGEDIT4 header", test::Utf16Le(u"REGEDIT4\r\n\r\n" + body),
       {"[Default.AddReg]", "0x0,\"K\"", "0x2,\"K\",\"e\",\"?C\"", "0x7,\"K\",\"m\",\"ab\"", ""}},
      {"8-bit with a version 5.00 header", "Windows Registry Editor Version 5.00\r\n\r\n" + narrow,
       {"[Default.AddReg]", "0x0,\"K\"", "0x2,\"K\",\"e\",\"ABC\"", "0x7,\"K\",\"m\",\"a\",\"b\",\"\",\"\",\"\"", ""}},
  };
  for (const auto& c : cases) {
    LineList output;
    ConvertRegistryFile(output, dir.Write("mixed.reg", c.bytes), {});
    EXPECT_EQ(output.lines, c.expected) << c.what;
  }
}

TEST(DecodeHexText, Table) {
  const struct {
    const char* bytes;
    int type;
    const char* field;
  } cases[] = {
      {"61,00,62,00,00,00", 2, "ab"},
      {"61,00,00,00,62,00", 2, "a"},
      {"22,00", 2, "\"\""},
      {"", 2, ""},
      {"6", 2, ""},
      {"61, 00 ,62,00", 2, "ab"},
      {"zz,00,61,00", 2, ""},  // an unreadable token counts as 0, which ends the text
      {"61,00,00,00,62,00,00,00,00,00", 7, "\"a\",\"b\""},
      {"00,00", 7, ""},
      {"61,00,00,00", 7, ""},
      {"61,00", 7, ""},
      {"00,00,00,00", 7, "\"\""},
      {"22,00,00,00,00,00", 7, "\"\"\"\""},
      {"68,88,3a,79,00,00,00,00", 7, "\"\x95\x5C\x8E\xA6\""},
      {"00,ac,00,00,00,00", 7, "\"?\""},
      {"61,00", 3, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecodeHexText(c.bytes, c.type), c.field) << c.bytes << " type " << c.type;
  }
  // The bytes of an 8-bit file are the ANSI text itself, one byte a character.
  const struct {
    const char* bytes;
    int type;
    const char* field;
  } ansiCases[] = {
      {"41,42,00,43", 2, "AB"},
      {"95,5c,22", 2, "\x95\x5C\"\""},
      {"", 2, ""},
      {"41,00,00,42,00,00", 7, "\"A\",\"\",\"B\""},
      {"41,00,42", 7, ""},  // "A" is the last closed string, B is not closed
      {"zz,00,00", 7, "\"\",\"\""},
      {"41", 3, ""},
  };
  for (const auto& c : ansiCases) {
    EXPECT_EQ(DecodeHexText(c.bytes, c.type, RegistryFileEncoding::Ansi), c.field) << c.bytes << " type " << c.type;
  }
}

TEST(ConvertRegistryLines, HexListItemHoldsCrLf) {
  LineList output;
  ConvertRegistryLines(std::vector<std::string>{"[HKEY_CURRENT_USER\\K]", "\"h\"=hex:01,\\", "  02"}, output, {},
                       RegistryFileEncoding::Ansi);
  const std::vector<std::string> expected = {"[Default.AddReg]", "0x0,\"K\"", "0x3,\"K\",\"h\",\\\r\n  01,02", ""};
  EXPECT_EQ(output.lines, expected);
}

TEST(ConvertRegistryFile, FileOpenErrorLeavesOutputUntouched) {
  test::TempDir dir;
  LineList output;
  output.lines = {"kept"};
  EXPECT_THROW(ConvertRegistryFile(output, dir.PathOf("missing.reg"), {}), FileOpenError);
  EXPECT_EQ(output.lines, std::vector<std::string>{"kept"});
}

TEST(ConvertRegistryFile, Utf16FileEndToEnd) {
  test::SetMachinePaths();
  test::TempDir dir;
  const std::string file = dir.Write(
      "x.reg", test::Utf16Le(u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\\u8868]\r\n"
                             u"\"p\"=\"C:\\\\WINDOWS\\\\\u30BD\"\r\n\x1A"));
  LineList output;
  ConvertRegistryFile(output, file, {});
  const std::vector<std::string> expected = {"[Default.AddReg]", "0x0,\"\x95\x5C\"",
                                             "0x1,\"\x95\x5C\",\"p\",\"X:\\I386\\\x83\x5C\"", ""};
  EXPECT_EQ(output.lines, expected);
}

// A file read in many pieces converts as its lines do, whichever line, hex
// continuation or CR LF falls on a piece boundary.
TEST(ConvertRegistryFile, LargeFilesConvertAsTheirLines) {
  test::SetMachinePaths();
  test::TempDir dir;
  std::string text = "Windows Registry Editor Version 5.00\r\n\r\n";
  for (int key = 0; text.size() < 700000; ++key) {
    text += "[HKEY_CURRENT_USER\\Software\\K" + std::to_string(key) + "]\r\n";
    text += "\"s\"=\"C:\\\\WINDOWS\\\\x" + std::string(static_cast<std::size_t>(key % 50), 'a') + "\"\r\n";
    text += "\"h\"=hex:01,02,\\\r\n  03,04,\\\n  05\r";
    text += "\"m\"=hex(7):61,00,00,00,\\\r\n  62,00,00,00,00,00\r\n\r\n";
  }
  const std::u16string wide(text.begin(), text.end());
  for (const RegistryFileEncoding encoding : {RegistryFileEncoding::Ansi, RegistryFileEncoding::Utf16LE}) {
    const std::string bytes = encoding == RegistryFileEncoding::Ansi ? text : test::Utf16Le(wide);
    const std::string file = dir.Write("large.reg", bytes);
    LineList fromFile;
    ConvertRegistryFile(fromFile, file, {});
    LineList fromLines;
    ConvertRegistryLines(SplitLines(text), fromLines, {}, encoding);
    EXPECT_EQ(fromFile.lines, fromLines.lines);
    EXPECT_GT(fromFile.lines.size(), 10000u);
  }
}

}  // namespace
}  // namespace vindra
