// The RegExpander exporter against the in-memory registry.
#include "registry/regexpander_exporter.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace vindra::registry {
namespace {

using testing::Bytes;
using testing::ExportRegExpander;
using Lines = std::vector<std::string>;

const std::string kText("x\0", 2);

// One key's entry: the names of its text values (REG_SZ, REG_EXPAND_SZ,
// REG_MULTI_SZ) in sorted order, the default value by its text.
TEST(RegExpanderExporterTest, EntryListsTheTextValueNames) {
  struct Value {
    const char* name;
    std::uint32_t type;
    std::string data;
  };
  const struct {
    const char* what;
    std::vector<Value> values;
    const char* names;  // the entry after the key path
  } cases[] = {
      {"text types only, sorted",
       {{"Zeta", 1, kText}, {"alpha", 2, kText}, {"list", 7, kText}, {"n", 4, Bytes({1, 0, 0, 0})}},
       "\"alpha\",\"list\",\"Zeta\""},
      {"default value by its text",
       {{"", 1, kText}, {"Path", 1, kText}, {"(Default)", 2, kText}, {"!first", 2, kText}},
       "\"!first\",\"(Default)\",\"(Default)\",\"Path\""},
      {"quotes in names doubled", {{"say \"hi\"", 1, kText}}, "\"say \"\"hi\"\"\""},
  };
  for (const auto& c : cases) {
    MemoryRegistry reg;
    for (const Value& v : c.values) reg.SetValue(kHkeyCurrentUser, "Software\\Demo", v.name, v.type, v.data);
    EXPECT_EQ(ExportRegExpander(reg, kHkeyCurrentUser, "Software\\Demo"),
              (Lines{std::string("0x7,\"Quenvel\\RegExpander\\HKCU\",\"Software\\Demo\",") + c.names}))
        << c.what;
  }
}

TEST(RegExpanderExporterTest, KeysWithoutStringValuesGiveNoEntryButAreWalked) {
  MemoryRegistry reg;
  reg.SetValue(kHkeyCurrentUser, "K", "d", 4, Bytes({1, 0, 0, 0}));
  reg.SetValue(kHkeyCurrentUser, "K", "b", 3, Bytes({1}));
  reg.SetValue(kHkeyCurrentUser, "K", "q", 11, Bytes({1, 0, 0, 0, 0, 0, 0, 0}));
  reg.SetValue(kHkeyCurrentUser, "K\\b", "s", 1, kText);
  reg.SetValue(kHkeyCurrentUser, "K\\A", "s", 1, kText);
  reg.SetValue(kHkeyCurrentUser, "K\\A\\deep", "s", 0x10001, kText);  // only the full type number counts
  EXPECT_EQ(ExportRegExpander(reg, kHkeyCurrentUser, "K"),
            (Lines{"0x7,\"Quenvel\\RegExpander\\HKCU\",\"K\\A\",\"s\"", "0x7,\"Quenvel\\RegExpander\\HKCU\",\"K\\b\",\"s\""}));
}

TEST(RegExpanderExporterTest, QuotesInTheWrittenKeyPathAreDoubled) {
  MemoryRegistry reg;
  reg.SetValue(kHkeyCurrentUser, "K\\\"q\"", "s", 1, kText);
  EXPECT_EQ(ExportRegExpander(reg, kHkeyCurrentUser, "K"),
            (Lines{"0x7,\"Quenvel\\RegExpander\\HKCU\",\"K\\\"\"q\"\"\",\"s\""}));
}

TEST(RegExpanderExporterTest, SettingsKeyAndWrittenPathByRoot) {
  struct Case {
    RootKey root;
    const char* path;
    bool force;
    const char* settingsKey;
    const char* written;
  };
  const Case cases[] = {
      {kHkeyClassesRoot, ".txt", true, "Quenvel\\RegExpander\\HKLM", "Software\\Classes\\.txt"},
      {kHkeyCurrentUser, "Software\\Demo", true, "Quenvel\\RegExpander\\HKCU", "Software\\Demo"},
      {kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\Demo", true, "Quenvel\\RegExpander\\HKLM",
       "SYSTEM\\ControlSet001\\Services\\Demo"},
      {kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\Demo", false, "Quenvel\\RegExpander\\HKLM",
       "SYSTEM\\CurrentControlSet\\Services\\Demo"},
      {kHkeyLocalMachine, "SOFTWARE\\Demo", true, "Quenvel\\RegExpander\\HKLM", "SOFTWARE\\Demo"},
      {kHkeyUsers, ".DEFAULT\\Software", true, "Quenvel\\RegExpander\\HKU", ".DEFAULT\\Software"},
      {kHkeyCurrentConfig, "Software", true, "Quenvel\\RegExpander\\HKCC", "Software"},
      {kHkeyPerformanceData, "X", true, "Quenvel\\RegExpander\\HKCU", "X"},
      {kHkeyDynData, "X", true, "Quenvel\\RegExpander\\HKCU", "X"},
  };
  for (const Case& c : cases) {
    MemoryRegistry reg;
    reg.SetValue(c.root, c.path, "v", 1, kText);
    ConversionOptions options;
    options.ForceControlSet001 = c.force;
    EXPECT_EQ(ExportRegExpander(reg, c.root, c.path, options),
              (Lines{std::string("0x7,\"") + c.settingsKey + "\",\"" + c.written + "\",\"v\""}))
        << c.path;
  }
}

TEST(RegExpanderExporterTest, UnopenableKeysAndFailingQueries) {
  MemoryRegistry reg;
  reg.SetValue(kHkeyCurrentUser, "K\\denied", "s", 1, kText);
  reg.SetValue(kHkeyCurrentUser, "K\\denied\\below", "s", 1, kText);
  reg.SetKeyAccess(kHkeyCurrentUser, "K\\denied", KeyAccess::Denied);
  reg.SetValue(kHkeyCurrentUser, "K\\q", "lost", 1, kText);
  reg.SetValue(kHkeyCurrentUser, "K\\q", "kept", 1, kText);
  reg.SetValueFaults(kHkeyCurrentUser, "K\\q", "lost", true, false);
  EXPECT_EQ(ExportRegExpander(reg, kHkeyCurrentUser, "K"), (Lines{"0x7,\"Quenvel\\RegExpander\\HKCU\",\"K\\q\",\"kept\""}));
  EXPECT_TRUE(ExportRegExpander(reg, kHkeyCurrentUser, "K\\denied").empty());
  EXPECT_TRUE(ExportRegExpander(reg, kHkeyCurrentUser, "Missing").empty());
}

TEST(RegExpanderExporterTest, ValuesAndKeysThatVanishAfterTheListing) {
  MemoryRegistry reg;
  reg.SetValue(kHkeyCurrentUser, "K\\a", "gone", 1, kText);
  reg.SetValue(kHkeyCurrentUser, "K\\a", "kept", 1, kText);
  reg.SetValue(kHkeyCurrentUser, "K\\b", "s", 1, kText);
  reg.SetValue(kHkeyCurrentUser, "K\\b", "t", 1, kText);
  reg.SetValue(kHkeyCurrentUser, "K\\c", "s", 1, kText);
  reg.SetHook([&](RegistryCall call, RootKey, std::string_view path, std::string_view name) {
    if (call == RegistryCall::QueryValue && path == "K\\a" && name == "gone") reg.DeleteValue(kHkeyCurrentUser, path, name);
    if (call == RegistryCall::QueryValue && path == "K\\b" && name == "t") reg.DeleteKey(kHkeyCurrentUser, "K\\b");
  });
  // "gone" is left out; K\b loses its key while its values are queried, so
  // "t" is left out and its entry lists "s" only.
  EXPECT_EQ(ExportRegExpander(reg, kHkeyCurrentUser, "K"),
            (Lines{"0x7,\"Quenvel\\RegExpander\\HKCU\",\"K\\a\",\"kept\"",
                   "0x7,\"Quenvel\\RegExpander\\HKCU\",\"K\\b\",\"s\"",
                   "0x7,\"Quenvel\\RegExpander\\HKCU\",\"K\\c\",\"s\""}));
}

TEST(RegExpanderExporterTest, ValueReadFailuresDoNotMatterBecauseNoDataIsRead) {
  MemoryRegistry reg;
  reg.SetValue(kHkeyCurrentUser, "K", "s", 1, kText);
  reg.SetValueFaults(kHkeyCurrentUser, "K", "s", false, true);
  EXPECT_EQ(ExportRegExpander(reg, kHkeyCurrentUser, "K"), (Lines{"0x7,\"Quenvel\\RegExpander\\HKCU\",\"K\",\"s\""}));
}

}  // namespace
}  // namespace vindra::registry
