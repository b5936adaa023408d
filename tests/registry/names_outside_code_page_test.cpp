// Names that the ANSI code page cannot hold, as `--from` reads them from a
// UTF-16LE file: listed with "?" for each lost character and never found by
// that listed name, as the ANSI functions answer on Windows; and the same
// lines from the .reg file as from a hive holding the same names.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/output_list.h"
#include "core/skip_report.h"
#include "registry/key_exporter.h"
#include "registry/memory_registry.h"
#include "registry/reg_file_import.h"
#include "registry/regexpander_exporter.h"
#include "test_support.h"

#ifndef _WIN32
#include <unistd.h>

#include <filesystem>

#include "hive_test_support.h"
#include "registry/hive_registry.h"
#endif

namespace vindra::registry {
namespace {

const std::string kFixture = std::string(VINDRA_SOURCE_DIR) + "/tests/registry/data/outside_code_page.reg";
// ?文?宋 (TrueType): what 华文仿宋 (TrueType) and 华文伪宋 (TrueType) become.
const std::string kListed = "?\x95\xB6?\x91v (TrueType)";
const std::string kRepro = "SOFTWARE\\VindraRepro";

MemoryRegistry& Imported() {
  static MemoryRegistry registry;
  static const RegImportResult result = ImportRegFile(kFixture, registry);
  EXPECT_TRUE(result.recognised && result.problems.empty());
  return registry;
}

// What the key exporter writes for the fixture's key: the same from every
// source that answers as the ANSI functions do.
const std::vector<std::string> kExpectedExport = {
    "0x0,\"VindraRepro\"",
    // The reproduction: the listed name finds nothing.
    "; Replaced \"REG_NONE\" to \"REG_BINARY\".",
    "0x3,\"VindraRepro\",\"" + kListed + "\"",
    "0x1,\"VindraRepro\",\"\x91v\x91\xCC (TrueType)\",\"simsun.ttc\"",
    // The key 华文 is listed as ?文 and cannot be opened: its entry only.
    "0x0,\"VindraRepro\\?\x95\xB6\"",
    // A value really named ?文?宋 is what both listed names find.
    "0x0,\"VindraRepro\\Real\"",
    "0x1,\"VindraRepro\\Real\",\"" + kListed + "\",\"question marks.ttf\"",
    "0x1,\"VindraRepro\\Real\",\"" + kListed + "\",\"question marks.ttf\"",
    // Two originals of one listed name: both listed, neither found.
    "0x0,\"VindraRepro\\Twins\"",
    "; Replaced \"REG_NONE\" to \"REG_BINARY\".",
    "0x3,\"VindraRepro\\Twins\",\"" + kListed + "\"",
    "; Replaced \"REG_NONE\" to \"REG_BINARY\".",
    "0x3,\"VindraRepro\\Twins\",\"" + kListed + "\"",
};

TEST(NamesOutsideCodePage, ListedAsTheAnsiFunctionsListThemAndNeverFoundByThat) {
  MemoryRegistry& registry = Imported();
  const std::unique_ptr<RegistryAccess> key = registry.CreateAccess();
  key->SetRoot(kHkeyLocalMachine);

  ASSERT_TRUE(key->OpenKeyReadOnly(kRepro + "\\Twins"));
  EXPECT_EQ(key->ValueNames(), (std::vector<std::string>{kListed, kListed}));
  EXPECT_FALSE(key->QueryValueInfo(kListed).ok);

  ASSERT_TRUE(key->OpenKeyReadOnly(kRepro + "\\Real"));
  EXPECT_EQ(key->ValueNames().size(), 2u);
  EXPECT_EQ(key->ReadString(kListed), "question marks.ttf");

  ASSERT_TRUE(key->OpenKeyReadOnly(kRepro));
  std::vector<std::string> subKeys = key->SubKeyNames();
  std::sort(subKeys.begin(), subKeys.end());
  EXPECT_EQ(subKeys, (std::vector<std::string>{"?\x95\xB6", "Real", "Twins"}));
  EXPECT_FALSE(key->OpenKeyReadOnly(kRepro + "\\?\x95\xB6"));
  EXPECT_FALSE(key->OpenKeyReadOnly(kRepro + "\\?\x95\xB6\\below"));
  EXPECT_EQ(registry.ValueCount(), 8u);
}

// What an export leaves out of such names, as a report names it.
std::vector<std::string> LostNames(RegistrySource& source) {
  LineList lines;
  SkipList skipped;
  RegistryKeyExporter(lines, source, kHkeyLocalMachine, kRepro, {}, &skipped);
  std::vector<std::string> described;
  for (const SkippedItem& item : skipped.Items()) {
    described.push_back(std::string(SkipReasonText(item.reason)) + " " + item.key + " [" + item.valueName + "]");
  }
  return described;
}

const std::vector<std::string> kExpectedLost = {
    "value whose name the ANSI code page cannot hold HKEY_LOCAL_MACHINE\\" + kRepro + " [" + kListed + "]",
    "key whose name the ANSI code page cannot hold HKEY_LOCAL_MACHINE\\" + kRepro + "\\?\x95\xB6 []",
    "value whose name the ANSI code page cannot hold HKEY_LOCAL_MACHINE\\" + kRepro + "\\Twins [" + kListed + "]",
    "value whose name the ANSI code page cannot hold HKEY_LOCAL_MACHINE\\" + kRepro + "\\Twins [" + kListed + "]",
};

TEST(NamesOutsideCodePage, ExportAsTheLiveRegistryDoes) {
  testing::UseExampleMachinePaths();
  EXPECT_EQ(testing::Export(Imported(), kHkeyLocalMachine, kRepro), kExpectedExport);
  EXPECT_EQ(LostNames(Imported()), kExpectedLost);
}

#ifndef _WIN32
// The same registry as a hive (hivex writes the names in UTF-16): both
// exporters give the same lines from either source.
TEST(NamesOutsideCodePage, HiveAndRegFileGiveTheSameLines) {
  testing::UseExampleMachinePaths();
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("vindra-names-test-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string hiveFile = (dir / "SOFTWARE").string();
  testing::WriteHive(Imported(), kHkeyLocalMachine, "SOFTWARE", std::string(VINDRA_REGISTRY_TEST_DATA) + "/empty.hive",
                     hiveFile);
  HiveRegistrySource hive(hiveFile, {kHkeyLocalMachine, "SOFTWARE"});
  EXPECT_EQ(testing::Export(hive, kHkeyLocalMachine, kRepro), kExpectedExport);
  EXPECT_EQ(LostNames(hive), kExpectedLost);
  EXPECT_EQ(testing::ExportRegExpander(hive, kHkeyLocalMachine, kRepro),
            testing::ExportRegExpander(Imported(), kHkeyLocalMachine, kRepro));
  std::error_code ignored;
  fs::remove_all(dir, ignored);
}
#endif

}  // namespace
}  // namespace vindra::registry
