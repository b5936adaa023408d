// The key exporter against the in-memory registry.
#include "registry/key_exporter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "registry/value_reading_access.h"
#include "test_support.h"

namespace vindra::registry {
namespace {

using testing::Bytes;
using testing::Export;
using testing::Sequence;
using Lines = std::vector<std::string>;

constexpr RootKey HKCR = kHkeyClassesRoot;
constexpr RootKey HKCU = kHkeyCurrentUser;
constexpr RootKey HKLM = kHkeyLocalMachine;

class KeyExporterTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::UseExampleMachinePaths(); }
  void Sz(std::string_view name, std::string_view text, RootKey root = HKCU, std::string_view path = "Software\\Demo") {
    std::string data(text);
    data.push_back('\0');
    reg.SetValue(root, path, name, 1, data);
  }
  MemoryRegistry reg;
};

TEST_F(KeyExporterTest, WorkedExampleGivesSevenLines) {
  const std::string path = "SOFTWARE\\Demo";
  std::string text = "C:\\WINDOWS\\demo.exe";
  text.push_back('\0');
  reg.SetValue(HKLM, path, "", 1, text);
  reg.SetValue(HKLM, path, "Big", 11, Bytes({1, 0, 0, 0, 0, 0, 0, 0}));
  reg.SetValue(HKLM, path, "Count", 4, Bytes({26, 0, 0, 0}));
  reg.SetValue(HKLM, path, "Data", 3, Bytes({1, 2, 3}));
  reg.CreateKey(HKLM, path + "\\Sub");
  EXPECT_EQ(Export(reg, HKLM, path), (Lines{
                                          "0x0,\"Demo\"",
                                          "0x1,\"Demo\",,\"X:\\I386\\demo.exe\"",
                                          "; Replaced \"REG_QWORD\" to \"REG_BINARY\".",
                                          "0x3,\"Demo\",\"Big\",01,00,00,00,00,00,00,00",
                                          "0x4,\"Demo\",\"Count\",0x1A",
                                          "0x3,\"Demo\",\"Data\",01,02,03",
                                          "0x0,\"Demo\\Sub\"",
                                      }));
}

TEST_F(KeyExporterTest, KeyWithoutValuesGivesOnlyItsKeyEntry) {
  reg.CreateKey(HKCU, "Software\\Demo");
  EXPECT_EQ(Export(reg, HKCU, "Software\\Demo"), (Lines{"0x0,\"Software\\Demo\""}));
}

TEST_F(KeyExporterTest, DefaultValueFirstThenValuesAndSubKeysInSortedOrder) {
  Sz("b", "2");
  Sz("A", "1");
  Sz("", "d");
  Sz("v", "z1", HKCU, "Software\\Demo\\z");
  reg.CreateKey(HKCU, "Software\\Demo\\z\\deep");
  Sz("v", "Y1", HKCU, "Software\\Demo\\Y");
  EXPECT_EQ(Export(reg, HKCU, "Software\\Demo"), (Lines{
                                                     "0x0,\"Software\\Demo\"",
                                                     "0x1,\"Software\\Demo\",,\"d\"",
                                                     "0x1,\"Software\\Demo\",\"A\",\"1\"",
                                                     "0x1,\"Software\\Demo\",\"b\",\"2\"",
                                                     "0x0,\"Software\\Demo\\Y\"",
                                                     "0x1,\"Software\\Demo\\Y\",\"v\",\"Y1\"",
                                                     "0x0,\"Software\\Demo\\z\"",
                                                     "0x1,\"Software\\Demo\\z\",\"v\",\"z1\"",
                                                     "0x0,\"Software\\Demo\\z\\deep\"",
                                                 }));
}

TEST_F(KeyExporterTest, QuotesInKeyPathsAndNamesAreDoubled) {
  Sz("say \"hi\"", "\"", HKCU, "Software\\Q\"uote");
  reg.CreateKey(HKCU, "Software\\Q\"uote\\\"sub\"");
  EXPECT_EQ(Export(reg, HKCU, "Software\\Q\"uote"), (Lines{
                                                          "0x0,\"Software\\Q\"\"uote\"",
                                                          "0x1,\"Software\\Q\"\"uote\",\"say \"\"hi\"\"\",\"\"\"\"",
                                                          "0x0,\"Software\\Q\"\"uote\\\"\"sub\"\"\"",
                                                      }));
}

TEST_F(KeyExporterTest, OutputPathByRootAndLetterCase) {
  struct Case {
    RootKey root;
    const char* path;
    bool force;
    const char* expected;
  };
  const Case cases[] = {
      {HKCR, ".txt", true, "Classes\\.txt"},
      {HKCR, ".txt\\ShellNew", true, "Classes\\.txt\\ShellNew"},
      {HKCU, "Software\\Demo", true, "Software\\Demo"},
      {HKLM, "SOFTWARE\\Demo", true, "Demo"},
      {HKLM, "software\\Demo", true, "Demo"},
      {HKLM, "SoftWare\\Demo\\Sub", true, "Demo\\Sub"},
      {HKLM, "SYSTEM\\CurrentControlSet\\Services\\Demo", true, "ControlSet001\\Services\\Demo"},
      {HKLM, "SYSTEM\\CurrentControlSet\\Services\\Demo", false, "CurrentControlSet\\Services\\Demo"},
      {HKLM, "system\\ControlSet002\\Enum", true, "ControlSet001\\Enum"},
      {HKLM, "SYSTEM\\ControlSet010\\Enum", true, "ControlSet010\\Enum"},
      {HKLM, "SOFTWARE", true, "SOFTWARE"},  // the top key itself keeps its name
      {HKLM, "HARDWARE\\Demo", true, "HARDWARE\\Demo"},
      {HKLM, "SOFTWAREX\\Demo", true, "SOFTWAREX\\Demo"},
      {kHkeyUsers, "S-1\\Software", true, "S-1\\Software"},
      {HKCU, "Software\\CurrentControlSet", true, "Software\\ControlSet001"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExportOutputPath(c.root, c.path, c.force), c.expected) << c.path;
  }
}

TEST_F(KeyExporterTest, SubKeysOfMappedKeyAreMappedFromTheirFullPath) {
  reg.CreateKey(HKLM, "System\\CurrentControlSet\\Services\\Demo\\Params");
  EXPECT_EQ(Export(reg, HKLM, "System\\CurrentControlSet\\Services"),
            (Lines{"0x0,\"ControlSet001\\Services\"", "0x0,\"ControlSet001\\Services\\Demo\"",
                   "0x0,\"ControlSet001\\Services\\Demo\\Params\""}));
  ConversionOptions off;
  off.ForceControlSet001 = false;
  EXPECT_EQ(Export(reg, HKLM, "System\\CurrentControlSet\\Services\\Demo", off),
            (Lines{"0x0,\"CurrentControlSet\\Services\\Demo\"", "0x0,\"CurrentControlSet\\Services\\Demo\\Params\""}));
}

TEST_F(KeyExporterTest, TextValues) {
  struct Case {
    const char* name;
    std::uint32_t type;
    std::string data;
    PathSubstitutionMode mode;
    const char* expected;
  };
  const std::string nul(1, '\0');
  const Case cases[] = {
      {"q", 1, "He said \"hi\"" + nul, PathSubstitutionMode::FixedDrive, "0x1,\"K\",\"q\",\"He said \"\"hi\"\"\""},
      {"e", 1, nul, PathSubstitutionMode::FixedDrive, "0x1,\"K\",\"e\",\"\""},
      {"nodata", 1, "", PathSubstitutionMode::FixedDrive, "0x1,\"K\",\"nodata\",\"\""},
      {"cut", 1, "before" + nul + "after" + nul, PathSubstitutionMode::FixedDrive, "0x1,\"K\",\"cut\",\"before\""},
      {"noterm", 1, "abc", PathSubstitutionMode::FixedDrive, "0x1,\"K\",\"noterm\",\"abc\""},
      {"exp", 2, "%SystemRoot%\\system32" + nul, PathSubstitutionMode::FixedDrive,
       "0x2,\"K\",\"exp\",\"X:\\I386\\system32\""},
      {"exp", 2, "%SystemRoot%\\system32" + nul, PathSubstitutionMode::None, "0x2,\"K\",\"exp\",\"%SystemRoot%\\system32\""},
      {"env", 1, "C:\\WINDOWS\\x" + nul, PathSubstitutionMode::EnvironmentVariables,
       "0x1,\"K\",\"env\",\"%SystemRoot%\\x\""},
      {"pf", 1, "c:\\program files\\App" + nul, PathSubstitutionMode::FixedDrive, "0x1,\"K\",\"pf\",\"X:\\PROGRAMS\\App\""},
      // Folders only where they stand whole; the (x86) folder is a program folder too.
      {"pf86", 1, "C:\\Program Files (x86)\\App;C:\\WINDOWS.OLD" + nul, PathSubstitutionMode::FixedDrive,
       "0x1,\"K\",\"pf86\",\"X:\\PROGRAMS\\App;X:\\WINDOWS.OLD\""},
      // Quotes are doubled after the substitution, which therefore sees single quotes.
      {"qp", 1, "\"C:\\WINDOWS\\a b\\x.exe\" /q" + nul, PathSubstitutionMode::FixedDrive,
       "0x1,\"K\",\"qp\",\"\"\"X:\\I386\\a b\\x.exe\"\" /q\""},
      // A quote in a name is doubled, so that the name field reads back as the name.
      {"na\"me", 1, "v" + nul, PathSubstitutionMode::FixedDrive, "0x1,\"K\",\"na\"\"me\",\"v\""},
      {"日本語", 1, "表示" + nul, PathSubstitutionMode::FixedDrive, "0x1,\"K\",\"日本語\",\"表示\""},
  };
  for (const Case& c : cases) {
    MemoryRegistry r;
    r.SetValue(HKCU, "K", c.name, c.type, c.data);
    ConversionOptions options;
    options.PathSubstitution = c.mode;
    const Lines lines = Export(r, HKCU, "K", options);
    ASSERT_EQ(lines.size(), 2u) << c.name;
    EXPECT_EQ(lines[1], c.expected) << c.name;
  }
}

TEST_F(KeyExporterTest, DwordValues) {
  struct Case {
    std::string data;
    const char* expected;
  };
  const Case cases[] = {
      {Bytes({0, 0, 0, 0}), "0x0"},
      {Bytes({255, 0, 0, 0}), "0xFF"},
      {Bytes({255, 255, 255, 255}), "0xFFFFFFFF"},
      {Bytes({0x78, 0x56, 0x34, 0x12}), "0x12345678"},
      {Bytes({0x34, 0x12}), "0x1234"},  // short data: the missing high bytes are zero
      {"", "0x0"},
  };
  for (const Case& c : cases) {
    MemoryRegistry r;
    r.SetValue(HKCU, "K", "d", 4, c.data);
    const Lines lines = Export(r, HKCU, "K");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], std::string("0x4,\"K\",\"d\",") + c.expected);
  }
}

TEST_F(KeyExporterTest, MultiStringValues) {
  struct Case {
    const char* label;
    std::string data;
    const char* expected;
  };
  const std::string z(1, '\0');
  const Case cases[] = {
      {"two", "one" + z + "two" + z + z, "\"one\",\"two\""},
      {"none", z + z, "\"\""},
      {"nodata", "", "\"\""},
      {"single zero", z, "\"\""},
      {"three zeros", z + z + z, "\"\""},
      {"empty first", z + "two" + z + z, "\"\",\"two\""},
      {"no terminator", "one" + z + "two", "\"one\",\"two\""},
      {"quotes", "a\"b" + z + z, "\"a\"\"b\""},
      {"line break inside", "a\r\nb" + z + "c" + z + z, "\"a\",\"b\",\"c\""},
      {"stops at double zero", "a" + z + z + "hidden" + z + z, "\"a\""},
      {"path", "C:\\WINDOWS\\x" + z + "C:\\Program Files\\y" + z + z, "\"X:\\I386\\x\",\"X:\\PROGRAMS\\y\""},
      {"japanese", "一" + z + "二つ" + z + "abc" + z + z, "\"一\",\"二つ\",\"abc\""},
  };
  for (const Case& c : cases) {
    MemoryRegistry r;
    r.SetValue(HKCU, "K", "m", 7, c.data);
    const Lines lines = Export(r, HKCU, "K");
    ASSERT_EQ(lines.size(), 2u) << c.label;
    EXPECT_EQ(lines[1], std::string("0x7,\"K\",\"m\",") + c.expected) << c.label;
  }
}

TEST_F(KeyExporterTest, BinaryListsWrapAfterEvery25Bytes) {
  std::string row1;
  for (int i = 1; i <= 25; ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02x,", i);
    row1 += hex;
  }
  const std::string cont = "\\\r\n  ";
  const std::string row1NoComma = row1.substr(0, row1.size() - 1);
  struct Case {
    std::size_t count;
    std::string expected;
  };
  const Case cases[] = {
      {0, "0x3,\"K\",\"b\""},
      {1, "0x3,\"K\",\"b\",01"},
      {25, "0x3,\"K\",\"b\"," + row1NoComma},
      {26, "0x3,\"K\",\"b\"," + row1 + cont + "1a"},
      {51, "0x3,\"K\",\"b\"," + row1 + cont +
               "1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f,30,31,32," + cont + "33"},
  };
  for (const Case& c : cases) {
    MemoryRegistry r;
    r.SetValue(HKCU, "K", "b", 3, Sequence(c.count));
    const Lines lines = Export(r, HKCU, "K");
    ASSERT_EQ(lines.size(), 2u) << c.count;  // one item even when wrapped
    EXPECT_EQ(lines[1], c.expected) << c.count;
  }
}

TEST_F(KeyExporterTest, DefaultBinaryWithoutDataEndsWithCommaAfterPath) {
  reg.SetValue(HKCU, "K", "", 3, "");
  EXPECT_EQ(Export(reg, HKCU, "K"), (Lines{"0x0,\"K\"", "0x3,\"K\","}));
}

TEST_F(KeyExporterTest, OtherTypesBecomeBinaryAfterAComment) {
  struct Case {
    std::uint32_t type;
    const char* name;
  };
  const Case cases[] = {
      {0, "REG_NONE"},
      {5, "REG_DWORD_BIG_ENDIAN"},
      {6, "REG_LINK"},
      {8, "REG_RESOURCE_LIST"},
      {9, "REG_FULL_RESOURCE_DESCRIPTOR"},
      {10, "REG_RESOURCE_REQUIREMENTS_LIST"},
      {11, "REG_QWORD"},
      {0x12345, "hex(12345)"},
      {0xFFFFFFFF, "hex(ffffffff)"},
      {0x10001, "hex(10001)"},  // not taken for REG_SZ by its low bits
  };
  for (const Case& c : cases) {
    MemoryRegistry r;
    r.SetValue(HKCU, "K", "v", c.type, Bytes({0xde, 0xad}));
    EXPECT_EQ(Export(r, HKCU, "K"), (Lines{"0x0,\"K\"", std::string("; Replaced \"") + c.name + "\" to \"REG_BINARY\".",
                                            "0x3,\"K\",\"v\",de,ad"}))
        << c.type;
  }
  MemoryRegistry r;
  r.SetValue(HKCU, "K", "", 0, "");
  EXPECT_EQ(Export(r, HKCU, "K"), (Lines{"0x0,\"K\"", "; Replaced \"REG_NONE\" to \"REG_BINARY\".", "0x3,\"K\","}));
}

TEST_F(KeyExporterTest, KeysThatCannotBeOpened) {
  Sz("v", "1", HKCU, "Software\\Demo\\Denied");
  reg.CreateKey(HKCU, "Software\\Demo\\Denied\\Below");
  Sz("v", "2", HKCU, "Software\\Demo\\QueryOnly");
  reg.CreateKey(HKCU, "Software\\Demo\\QueryOnly\\Below");
  reg.SetKeyAccess(HKCU, "Software\\Demo\\Denied", KeyAccess::Denied);
  reg.SetKeyAccess(HKCU, "Software\\Demo\\QueryOnly", KeyAccess::QueryOnly);
  EXPECT_EQ(Export(reg, HKCU, "Software\\Demo"), (Lines{
                                                     "0x0,\"Software\\Demo\"",
                                                     "0x0,\"Software\\Demo\\Denied\"",
                                                     "0x0,\"Software\\Demo\\QueryOnly\"",
                                                     "0x1,\"Software\\Demo\\QueryOnly\",\"v\",\"2\"",
                                                 }));
  EXPECT_EQ(Export(reg, HKCU, "Software\\Missing"), (Lines{"0x0,\"Software\\Missing\""}));
}

TEST_F(KeyExporterTest, ValueWhoseQueryFailsIsWrittenAsEmptyRegNone) {
  Sz("a", "1");
  Sz("b", "2");
  reg.SetValueFaults(HKCU, "Software\\Demo", "a", true, false);
  EXPECT_EQ(Export(reg, HKCU, "Software\\Demo"), (Lines{
                                                     "0x0,\"Software\\Demo\"",
                                                     "; Replaced \"REG_NONE\" to \"REG_BINARY\".",
                                                     "0x3,\"Software\\Demo\",\"a\"",
                                                     "0x1,\"Software\\Demo\",\"b\",\"2\"",
                                                 }));
}

TEST_F(KeyExporterTest, FailingReadStopsTheExportAndKeepsEarlierLines) {
  Sz("a", "1");
  reg.SetValue(HKCU, "Software\\Demo", "b", 4, Bytes({1, 2, 3, 4, 5}));  // too long for a DWORD
  Sz("c", "3");
  LineList out;
  try {
    RegistryKeyExporter(out, reg, HKCU, "Software\\Demo", {});
    FAIL() << "no error";
  } catch (const RegistryError& e) {
    EXPECT_EQ(std::string(e.what()), "'b' の取得に失敗しました");
  }
  EXPECT_EQ(out.lines, (Lines{"0x0,\"Software\\Demo\"", "0x1,\"Software\\Demo\",\"a\",\"1\""}));
}

TEST_F(KeyExporterTest, ReadErrorsNameTheValue) {
  struct Case {
    const char* label;
    std::uint32_t type;
    bool readFails;
    // the value changes to this type between the type query and the read
    std::uint32_t changedType;
    const char* message;
  };
  const Case cases[] = {
      {"text read fails", 1, true, 1, "'v' の取得に失敗しました"},
      {"dword read fails", 4, true, 4, "'v' の取得に失敗しました"},
      {"binary read fails", 3, true, 3, "'v' の取得に失敗しました"},
      {"text became dword", 1, false, 4, "'v' のデータ型が不正です"},
      {"dword too long", 4, false, 4, "'v' の取得に失敗しました"},
      {"binary became text", 3, false, 1, "'v' のデータ型が不正です"},
  };
  for (const Case& c : cases) {
    MemoryRegistry r;
    // Larger than one query's buffer: the data query fails, the type-and-size
    // query comes second, the value changes before the read (the third).
    const std::string data = std::string(5000, 'A') + '\0';
    r.SetValue(HKCU, "K", "v", c.type, data);
    r.SetValueFaults(HKCU, "K", "v", false, c.readFails);
    int queries = 0;
    r.SetHook([&](RegistryCall call, RootKey, std::string_view, std::string_view name) {
      if (call == RegistryCall::QueryValue && name == "v" && ++queries == 3) {
        r.SetValue(HKCU, "K", "v", c.changedType, data);
        r.SetValueFaults(HKCU, "K", "v", false, c.readFails);
      }
    });
    LineList out;
    try {
      RegistryKeyExporter(out, r, HKCU, "K", {});
      ADD_FAILURE() << c.label << ": no error";
    } catch (const RegistryError& e) {
      EXPECT_EQ(std::string(e.what()), c.message) << c.label;
    }
    EXPECT_EQ(out.lines, (Lines{"0x0,\"K\""})) << c.label;
  }
}

TEST_F(KeyExporterTest, LargeValuesAreReadInTwoStepsWithTheSameResult) {
  const std::string longText(6000, 'x');
  reg.SetValue(HKCU, "K", "bin", 3, Sequence(5000));
  reg.SetValue(HKCU, "K", "multi", 7, longText + '\0' + "b" + '\0' + '\0');
  reg.SetValue(HKCU, "K", "text", 1, "C:\\WINDOWS\\" + longText + '\0');
  reg.SetValue(HKCU, "K", "zdw", 4, std::string(5000, '\1'));
  LineList out;
  EXPECT_THROW(RegistryKeyExporter(out, reg, HKCU, "K", {}), RegistryError);
  ASSERT_EQ(out.lines.size(), 4u);
  EXPECT_EQ(out.lines[1].size(), std::string("0x3,\"K\",\"bin\",").size() + 5000 * 3 - 1 + 199 * 5);
  EXPECT_EQ(out.lines[1].substr(out.lines[1].size() - 8), "86,87,88");  // 5000 = 0x1388
  EXPECT_EQ(out.lines[2], "0x7,\"K\",\"multi\",\"" + longText + "\",\"b\"");
  EXPECT_EQ(out.lines[3], "0x1,\"K\",\"text\",\"X:\\I386\\" + longText + "\"");
}

TEST_F(KeyExporterTest, ValuesThatVanishDuringTheWalk) {
  // Too large for one query: the type-and-size query comes second and the
  // read third; each value disappears just before that read.
  reg.SetValue(HKCU, "K", "bin", 11, Sequence(5000));
  reg.SetValue(HKCU, "K", "multi", 7, std::string(5000, 'm') + std::string("\0b\0\0", 4));
  Sz("text", std::string(5000, 't'), HKCU, "K");
  std::map<std::string, int> queries;
  reg.SetHook([&](RegistryCall call, RootKey, std::string_view, std::string_view name) {
    if (call == RegistryCall::QueryValue && ++queries[std::string(name)] == 3) reg.DeleteValue(HKCU, "K", name);
  });
  // The binary value gives an entry without bytes (never stale memory), the
  // multi-string the empty list, the text the empty text.
  EXPECT_EQ(Export(reg, HKCU, "K"), (Lines{
                                         "0x0,\"K\"",
                                         "; Replaced \"REG_QWORD\" to \"REG_BINARY\".",
                                         "0x3,\"K\",\"bin\"",
                                         "0x7,\"K\",\"multi\",\"\"",
                                         "0x1,\"K\",\"text\",\"\"",
                                     }));
}

TEST_F(KeyExporterTest, ValueQueriedAfterItsKeyWentIsSkipped) {
  Sz("a", "1", HKCU, "R\\k");
  Sz("b", "2", HKCU, "R\\k");
  Sz("c", "3", HKCU, "R\\k");
  // After "a" is written the key goes: "b" and "c" are skipped without a trace.
  reg.SetHook([&](RegistryCall call, RootKey, std::string_view, std::string_view name) {
    if (call == RegistryCall::QueryValue && name == "b") reg.DeleteKey(HKCU, "R\\k");
  });
  EXPECT_EQ(Export(reg, HKCU, "R"), (Lines{"0x0,\"R\"", "0x0,\"R\\k\"", "0x1,\"R\\k\",\"a\",\"1\""}));
  // A value deleted after the listing, in a key that stays: an empty REG_NONE.
  MemoryRegistry r;
  r.SetValue(HKCU, "k", "a", 1, std::string("1\0", 2));
  r.SetValue(HKCU, "k", "b", 1, std::string("2\0", 2));
  r.SetHook([&](RegistryCall call, RootKey, std::string_view, std::string_view name) {
    if (call == RegistryCall::QueryValue && name == "a") r.DeleteValue(HKCU, "k", "a");  // after the listing
  });
  EXPECT_EQ(Export(r, HKCU, "k"), (Lines{"0x0,\"k\"", "; Replaced \"REG_NONE\" to \"REG_BINARY\".", "0x3,\"k\",\"a\"",
                                         "0x1,\"k\",\"b\",\"2\""}));
}

TEST_F(KeyExporterTest, KeysThatVanishDuringTheWalk) {
  Sz("v", "1", HKCU, "R\\a");
  Sz("v", "1", HKCU, "R\\b");
  reg.CreateKey(HKCU, "R\\b\\c");
  Sz("v", "1", HKCU, "R\\d");
  // While "a" is exported, "b" goes away; "d" loses its value list mid-way.
  reg.SetHook([&](RegistryCall call, RootKey, std::string_view path, std::string_view) {
    if (call == RegistryCall::OpenKey && path == "R\\a") reg.DeleteKey(HKCU, "R\\b");
    if (call == RegistryCall::ListValues && path == "R\\d") reg.DeleteKey(HKCU, "R\\d");
  });
  EXPECT_EQ(Export(reg, HKCU, "R"), (Lines{
                                        "0x0,\"R\"",
                                        "0x0,\"R\\a\"",
                                        "0x1,\"R\\a\",\"v\",\"1\"",
                                        "0x0,\"R\\b\"",  // listed before it vanished
                                        "0x0,\"R\\d\"",
                                    }));
}

TEST_F(KeyExporterTest, TreeAsDeepAsTheRegistryAllows) {
  std::string path = "Deep";
  for (std::size_t i = 1; i < kMaxKeyDepth; ++i) path += "\\k";
  ASSERT_TRUE(reg.CreateKey(HKCU, path));
  EXPECT_FALSE(reg.CreateKey(HKCU, path + "\\tooDeep"));
  Sz("v", "bottom", HKCU, path);
  const Lines lines = Export(reg, HKCU, "Deep");
  ASSERT_EQ(lines.size(), kMaxKeyDepth + 1);
  EXPECT_EQ(lines.back(), "0x1,\"" + path + "\",\"v\",\"bottom\"");
}

TEST_F(KeyExporterTest, SortsJapaneseAndPunctuatedNamesWithTheLocaleOrder) {
  for (const char* name : {"b", "B2", "a", "_x", "10", "9", "1", "表", "ア"}) Sz(name, "x", HKCU, "K");
  const Lines lines = Export(reg, HKCU, "K");
  Lines names;
  for (std::size_t i = 1; i < lines.size(); ++i) names.push_back(lines[i].substr(9, lines[i].find('"', 9) - 9));
  EXPECT_EQ(names, (Lines{"_x", "1", "10", "9", "a", "b", "B2", "ア", "表"}));
}

}  // namespace
}  // namespace vindra::registry
