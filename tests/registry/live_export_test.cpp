// The live-key commands without their dialogs: root checks, first line, status.
#include "registry/live_export.h"

#include <gtest/gtest.h>

#include "registry/memory_registry.h"
#include "test_support.h"

namespace vindra::registry {
namespace {

using Lines = std::vector<std::string>;

struct CommandRun {
  LiveExportResult result;
  Lines lines;
};

CommandRun RunCommand(MemoryRegistry& reg, LiveCommand command, const char* key, bool header = true) {
  CommandRun run;
  LineList out;
  const std::optional<RootedKeyPath> parsed = ParseRootedKeyPath(key);
  EXPECT_TRUE(parsed.has_value()) << key;
  run.result = RunLiveExport(command, reg, *parsed, {}, header, out);
  run.lines = out.lines;
  return run;
}

TEST(LiveExportTest, RootChecksOfTheExportCommand) {
  struct Case {
    const char* key;
    LiveExportStatus status;
    const char* firstLine;
  };
  const Case cases[] = {
      {"HKCR\\.txt", LiveExportStatus::Done, "[Software.AddReg]"},
      {"HKCU\\Software\\Demo", LiveExportStatus::Done, "[Default.AddReg]"},
      {"HKLM\\SOFTWARE\\Demo", LiveExportStatus::Done, "[Software.AddReg]"},
      {"HKLM\\software", LiveExportStatus::Done, "[Software.AddReg]"},
      {"HKLM\\System\\CurrentControlSet", LiveExportStatus::Done, "[SetupReg.AddReg]"},
      {"HKLM\\SYSTEM", LiveExportStatus::Done, "[SetupReg.AddReg]"},
      {"HKLM\\HARDWARE\\Demo", LiveExportStatus::AboveSoftwareSystem, nullptr},
      {"HKLM\\SOFTWAREX", LiveExportStatus::AboveSoftwareSystem, nullptr},
      {"HKU\\.DEFAULT", LiveExportStatus::RootNotAllowed, nullptr},
      {"HKCC\\Software", LiveExportStatus::RootNotAllowed, nullptr},
  };
  for (const Case& c : cases) {
    MemoryRegistry reg;
    const CommandRun run = RunCommand(reg, LiveCommand::Export, c.key);
    EXPECT_EQ(run.result.status, c.status) << c.key;
    if (c.firstLine) {
      ASSERT_EQ(run.lines.size(), 2u) << c.key;
      EXPECT_EQ(run.lines[0], c.firstLine);
    } else {
      EXPECT_TRUE(run.lines.empty()) << c.key;
    }
  }
  MemoryRegistry reg;
  EXPECT_EQ(RunCommand(reg, LiveCommand::Export, "HKU\\x").result.errorText, kRootNotAllowedText);
  EXPECT_EQ(RunCommand(reg, LiveCommand::Export, "HKLM\\SAM").result.errorText, kAboveSoftwareSystemText);
  EXPECT_EQ(RunCommand(reg, LiveCommand::Export, "HKCU\\x", false).lines, (Lines{"0x0,\"x\""}));
}

TEST(LiveExportTest, RegExpanderChecksOnlyTheRoot) {
  MemoryRegistry reg;
  reg.SetValue(kHkeyLocalMachine, "HARDWARE\\Demo", "s", 1, std::string("x\0", 2));
  const CommandRun run = RunCommand(reg, LiveCommand::RegExpander, "HKLM\\HARDWARE\\Demo");
  EXPECT_EQ(run.result.status, LiveExportStatus::Done);
  EXPECT_EQ(run.lines, (Lines{"; for Registry Expander", "0x7,\"Quenvel\\RegExpander\\HKLM\",\"HARDWARE\\Demo\",\"s\""}));
  EXPECT_EQ(RunCommand(reg, LiveCommand::RegExpander, "HKU\\x").result.status, LiveExportStatus::RootNotAllowed);
  EXPECT_EQ(RunCommand(reg, LiveCommand::RegExpander, "HKU\\x").lines, Lines{});
}

TEST(LiveExportTest, ReadFailureKeepsTheLinesBeforeIt) {
  MemoryRegistry reg;
  reg.SetValue(kHkeyCurrentUser, "K", "a", 1, std::string("x\0", 2));
  reg.SetValue(kHkeyCurrentUser, "K", "b", 4, std::string(8, '\0'));
  const CommandRun run = RunCommand(reg, LiveCommand::Export, "HKCU\\K");
  EXPECT_EQ(run.result.status, LiveExportStatus::ReadFailed);
  EXPECT_EQ(run.result.errorText, "'b' の取得に失敗しました");
  EXPECT_EQ(run.lines, (Lines{"[Default.AddReg]", "0x0,\"K\"", "0x1,\"K\",\"a\",\"x\""}));
}

TEST(LiveExportTest, PathIsSpelledAsTheRegistrySpellsIt) {
  MemoryRegistry reg;
  reg.CreateKey(kHkeyLocalMachine, "SOFTWARE\\Vendor\\表示");
  EXPECT_EQ(RegistrySpelling(reg, kHkeyLocalMachine, "software\\VENDOR\\表示"), "SOFTWARE\\Vendor\\表示");
  EXPECT_EQ(RegistrySpelling(reg, kHkeyLocalMachine, "software\\missing\\x"), "SOFTWARE\\missing\\x");
  EXPECT_EQ(RegistrySpelling(reg, kHkeyLocalMachine, ""), "");
}

}  // namespace
}  // namespace vindra::registry
