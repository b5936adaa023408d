// The parts of vindra-cli tested in-process: the terminal's encoding, the
// replaced output file, the plug-in wrapper and the missing-key search.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "../core/test_support.h"
#include "cli/missing_key.h"
#include "cli/plugin_inf.h"
#include "cli/skip_summary.h"
#include "platform/replacing_file.h"
#include "platform/terminal_encoding.h"
#include "registry/memory_registry.h"

namespace vindra {
namespace {

using platform::TerminalEncoding;
using cli::SkipReportLine;
using cli::SkipSummaryLines;

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(TerminalEncodingTest, CodesetNames) {
  const struct {
    const char* codeset;
    TerminalEncoding::Kind kind;
  } cases[] = {
      {"UTF-8", TerminalEncoding::Kind::Utf8},   {"utf8", TerminalEncoding::Kind::Utf8},
      {"Utf_8", TerminalEncoding::Kind::Utf8},   {"ANSI_X3.4-1968", TerminalEncoding::Kind::Ansi},
      {"EUC-JP", TerminalEncoding::Kind::Ansi},  {"ISO-8859-1", TerminalEncoding::Kind::Ansi},
      {"UTF-16", TerminalEncoding::Kind::Ansi},  {"", TerminalEncoding::Kind::Ansi},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::EncodingOfCodeset(c.codeset).kind, c.kind) << c.codeset;
}

TEST(TerminalEncodingTest, Conversions) {
  const std::string ansi = "\x95\x5C\x8E\xA6 x";  // 表示 x
  const std::string utf8 = "\xE8\xA1\xA8\xE7\xA4\xBA x";
  const TerminalEncoding utf8Terminal{TerminalEncoding::Kind::Utf8, 0};
  EXPECT_EQ(platform::AnsiToTerminal(ansi, utf8Terminal), utf8);
  EXPECT_EQ(platform::AnsiToTerminal(ansi, TerminalEncoding{}), ansi);
#ifndef _WIN32
  EXPECT_EQ(platform::TerminalToAnsi(utf8, utf8Terminal), ansi);
  // Bytes that are not UTF-8 (a name typed in another encoding) stay.
  EXPECT_EQ(platform::TerminalToAnsi(ansi, utf8Terminal), ansi);
  EXPECT_EQ(platform::TerminalToAnsi(utf8, TerminalEncoding{}), utf8);
#else
  // A console with another code page gets what that code page has.
  const TerminalEncoding westernConsole{TerminalEncoding::Kind::CodePage, 1252};
  EXPECT_EQ(platform::AnsiToTerminal("caf\x82\xA0 x", westernConsole), "caf? x");  // あ has no form in 1252
  EXPECT_EQ(platform::AnsiToTerminal("plain", westernConsole), "plain");
#endif
}

class ReplacingFileTest : public ::testing::Test {
 protected:
  test::TempDir dir_;
};

TEST_F(ReplacingFileTest, ReplacesOnlyOnCommit) {
  const std::string target = dir_.Write("out.inf", "old");
  platform::ReplacingFile file;
  ASSERT_TRUE(file.Open(target)) << file.ErrorText();
  std::fputs("new text", file.Stream());
  std::fflush(file.Stream());
  // Until the commit the target keeps its text, and the new file lies beside it.
  EXPECT_EQ(test::ReadBytes(target), "old");
  EXPECT_EQ(FolderNames(dir_.PathOf("")).size(), 2u);
  EXPECT_EQ(std::filesystem::path(file.TemporaryPath()).parent_path(), std::filesystem::path(target).parent_path());
  ASSERT_TRUE(file.Commit()) << file.ErrorText();
  EXPECT_EQ(test::ReadBytes(target), "new text");
  EXPECT_EQ(FolderNames(dir_.PathOf("")), std::vector<std::string>{"out.inf"});
}

TEST_F(ReplacingFileTest, NewTargetAndDiscard) {
  const std::string target = dir_.PathOf("new.inf");
  {
    platform::ReplacingFile file;
    ASSERT_TRUE(file.Open(target));
    std::fputs("text", file.Stream());
    file.Discard();
    EXPECT_FALSE(file.Commit());
  }
  {
    // Leaving the scope without a commit discards as well.
    platform::ReplacingFile file;
    ASSERT_TRUE(file.Open(target));
    std::fputs("text", file.Stream());
  }
  EXPECT_TRUE(FolderNames(dir_.PathOf("")).empty());
  platform::ReplacingFile file;
  ASSERT_TRUE(file.Open(target));
  ASSERT_TRUE(file.Commit());
  EXPECT_TRUE(std::filesystem::exists(target));
  EXPECT_EQ(test::ReadBytes(target), "");
}

TEST_F(ReplacingFileTest, UnusableTargets) {
  platform::ReplacingFile file;
  EXPECT_FALSE(file.Open(dir_.PathOf("no-such-folder/out.inf")));
  EXPECT_FALSE(file.ErrorText().empty());
  EXPECT_FALSE(file.Open(dir_.PathOf("")));
  EXPECT_FALSE(file.ErrorText().empty());
  EXPECT_EQ(file.Stream(), nullptr);
  EXPECT_TRUE(FolderNames(dir_.PathOf("")).empty());
}

#ifndef _WIN32
TEST_F(ReplacingFileTest, FailedWriteLeavesTheTarget) {
  // A file-size limit makes writes fail as on a full disk; the failure must
  // show at the latest in Commit, which then keeps the old file.
  const std::string target = dir_.Write("out.inf", "old");
  rlimit previous{};
  getrlimit(RLIMIT_FSIZE, &previous);
  const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{4096, previous.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  platform::ReplacingFile file;
  const bool opened = file.Open(target);
  if (opened) {
    const std::string block(1000, 'x');
    for (int i = 0; i < 10; ++i) std::fputs(block.c_str(), file.Stream());
  }
  const bool committed = opened && file.Commit();
  setrlimit(RLIMIT_FSIZE, &previous);
  signal(SIGXFSZ, previousHandler);
  ASSERT_TRUE(opened);
  EXPECT_FALSE(committed);
  EXPECT_FALSE(file.ErrorText().empty());
  EXPECT_EQ(test::ReadBytes(target), "old");
  EXPECT_EQ(FolderNames(dir_.PathOf("")), std::vector<std::string>{"out.inf"});
}

TEST_F(ReplacingFileTest, PermissionsAndOwnerCarryOver) {
  const std::string target = dir_.Write("out.inf", "old");
  ASSERT_EQ(chmod(target.c_str(), 0604), 0);
  const bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(chown(target.c_str(), 65534, 65534), 0);
  }
  platform::ReplacingFile file;
  ASSERT_TRUE(file.Open(target));
  ASSERT_TRUE(file.Commit());
  struct stat info {};
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0604u);
  if (root) {
    EXPECT_EQ(info.st_uid, 65534u);
    EXPECT_EQ(info.st_gid, 65534u);
  }
}

TEST_F(ReplacingFileTest, SymbolicLinkIsFollowed) {
  const std::string real = dir_.Write("real.inf", "old");
  const std::string link = dir_.PathOf("link.inf");
  std::filesystem::create_symlink(real, link);
  platform::ReplacingFile file;
  ASSERT_TRUE(file.Open(link));
  std::fputs("new", file.Stream());
  ASSERT_TRUE(file.Commit());
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(test::ReadBytes(real), "new");
}
#endif

TEST(PluginInfTest, HeaderLines) {
  const std::vector<std::string> expected = {
      "; Written by P 1", "[Version]", "Signature= \"$Windows NT$\"", "", "[PEBuilder]", "Name=\"a \"\"b\"\" \x95\x5C\"",
      "Enable=1", ""};
  EXPECT_EQ(cli::PluginHeaderLines("a \"b\" \x95\x5C", "Written by P 1"), expected);
  EXPECT_EQ(cli::PluginHeaderLines("\"", "x")[5], "Name=\"\"\"\"");
}

TEST(PluginInfTest, NameProblems) {
  EXPECT_FALSE(cli::PluginNameProblem("Plug-in \"One\" \x95\x5C").has_value());
  for (const char* name : {"", "a\nb", "a\rb", "tab\there", "\x7F"}) {
    EXPECT_TRUE(cli::PluginNameProblem(name).has_value()) << test::Visible(name);
  }
}

TEST(PluginInfTest, OutputListWrapsTheLines) {
  LineList target;
  cli::PluginOutputList plugin(target, {"H1", "H2"});
  // Nothing before the first line: a refused command leaves no header.
  EXPECT_TRUE(target.lines.empty());
  plugin.Add("a");
  plugin.Add("b");
  EXPECT_EQ(target.lines, (std::vector<std::string>{"H1", "H2", "a", "b"}));
  // The converters empty the list before they fill it.
  plugin.Clear();
  plugin.Add("c");
  plugin.Finish();
  EXPECT_EQ(target.lines, (std::vector<std::string>{"H1", "H2", "c"}));
  plugin.Clear();
  plugin.Finish();
  EXPECT_EQ(target.lines, (std::vector<std::string>{"H1", "H2"}));
}

// The summary shows spans only where every line between was skipped, at most
// five places, and keys (with value names) for the exporters.
TEST(SkipSummaryTest, LinesSpansAndKeys) {
  const std::string users = "HKEY_USERS\\S-1-5-18\\X";
  const std::string other = "HKEY_USERS\\S-1-5-18\\Y";
  const std::vector<SkippedItem> items = {
      {SkipReason::BelowHkeyUsers, 4, users, "a"},
      {SkipReason::BelowHkeyUsers, 9, users, "b"},  // a multi-line value between: one span
      {SkipReason::BelowHkeyUsers, 12, other, "c"},
      {SkipReason::ValueDeletion, 20, "HKEY_CURRENT_USER\\K", "x"},
      {SkipReason::ValueDeletion, 21, "HKEY_CURRENT_USER\\K", "y"},
      {SkipReason::ValueDeletion, 23, "HKEY_CURRENT_USER\\K", "z"},  // 22 was converted
      {SkipReason::ContinuationWithoutValue, 30, "HKEY_CURRENT_USER\\K", ""},
      {SkipReason::ContinuationWithoutValue, 32, "HKEY_CURRENT_USER\\K", ""},
      {SkipReason::ContinuationWithoutValue, 34, "HKEY_CURRENT_USER\\K", ""},
      {SkipReason::ContinuationWithoutValue, 36, "HKEY_CURRENT_USER\\K", ""},
      {SkipReason::ContinuationWithoutValue, 38, "HKEY_CURRENT_USER\\K", ""},
      {SkipReason::ContinuationWithoutValue, 40, "HKEY_CURRENT_USER\\K", ""},
      {SkipReason::KeyCannotBeOpened, 0, "HKEY_CURRENT_USER\\K\\Denied", ""},
      {SkipReason::ValueCannotBeQueried, 0, "HKEY_CURRENT_USER\\K", ""},
      {SkipReason::ValueCannotBeQueried, 0, "HKEY_CURRENT_USER\\K", "?\x95\xB6"},
  };
  EXPECT_EQ(SkipSummaryLines(items),
            (std::vector<std::string>{
                "skipped 3 values below HKEY_USERS (lines 4-9, 12)",
                "skipped 3 value deletions (lines 20-21, 23)",
                "skipped 6 continuation lines with no value waiting (lines 30, 32, 34, 36, 38, ...)",
                "skipped 1 key that cannot be opened (HKEY_CURRENT_USER\\K\\Denied)",
                "skipped 2 values that cannot be queried (HKEY_CURRENT_USER\\K @, HKEY_CURRENT_USER\\K \"?\x95\xB6\")",
            }));
  EXPECT_TRUE(SkipSummaryLines({}).empty());
  EXPECT_EQ(SkipReportLine(items[0]), "4\tvalue below HKEY_USERS\tHKEY_USERS\\S-1-5-18\\X\ta");
  EXPECT_EQ(SkipReportLine({SkipReason::ValueCannotBeQueried, 0, "HKEY_CURRENT_USER\\K", "tab\there\r\n"}),
            "\tvalue that cannot be queried\tHKEY_CURRENT_USER\\K\ttab\\there\\r\\n");
}

TEST(MissingKeyTest, FirstMissingKeyAlongThePath) {
  using registry::KeyAccess;
  registry::MemoryRegistry reg;
  const registry::RootKey hklm = registry::kHkeyLocalMachine;
  reg.CreateKey(hklm, "SOFTWARE\\Vendor\\App");
  reg.CreateKey(hklm, "SOFTWARE\\Locked\\Inner");
  reg.SetKeyAccess(hklm, "SOFTWARE\\Locked", KeyAccess::Denied);
  reg.CreateKey(hklm, "SOFTWARE\\Unlisted\\Inner");
  reg.SetKeyAccess(hklm, "SOFTWARE\\Unlisted", KeyAccess::QueryOnly);
  reg.CreateKey(hklm, "SOFTWARE\\Empty");
  reg.SetKeyAccess(hklm, "SOFTWARE\\Empty", KeyAccess::QueryOnly);
  const struct {
    const char* path;
    std::optional<std::string> missing;
  } cases[] = {
      {"SOFTWARE\\Vendor\\App", std::nullopt},
      {"software\\VENDOR\\app", std::nullopt},
      {"SOFTWARE\\Typo", "SOFTWARE\\Typo"},
      {"software\\vendor\\Nope\\Deeper", "SOFTWARE\\Vendor\\Nope"},
      {"NOTHING\\x", "NOTHING"},
      // A key that exists but cannot be opened is not missing.
      {"SOFTWARE\\Locked", std::nullopt},
      // Below a key that cannot be opened or listed nothing can be told.
      {"SOFTWARE\\Locked\\Gone", std::nullopt},
      {"SOFTWARE\\Unlisted\\Gone", std::nullopt},
      // A key without sub-keys lists none, even when it lists nothing else.
      {"SOFTWARE\\Empty\\Gone", "SOFTWARE\\Empty\\Gone"},
  };
  for (const auto& c : cases) EXPECT_EQ(cli::FirstMissingKey(reg, hklm, c.path), c.missing) << c.path;
}

}  // namespace
}  // namespace vindra
