// vindra-cli snapshot and diff as a user runs them: the output bytes, the
// summary line, and the bad inputs, each leaving an --output file untouched.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../core/test_support.h"
#include "process_runner.h"

namespace vindra {
namespace {

constexpr char16_t kBefore[] =
    u"Windows Registry Editor Version 5.00\r\n\r\n"
    u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra]\r\n"
    u"\"Keep\"=\"same\"\r\n"
    u"\"Change\"=\"old\"\r\n"
    u"\"Gone\"=dword:00000001\r\n"
    u"\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra\\\u8868\u793A]\r\n"
    u"\"Path\"=\"C:\\\\WINDOWS\\\\x\"\r\n";

constexpr char16_t kAfter[] =
    u"Windows Registry Editor Version 5.00\r\n\r\n"
    u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra]\r\n"
    u"\"Keep\"=\"same\"\r\n"
    u"\"Change\"=\"new\"\r\n"
    u"\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra\\\u8868\u793A]\r\n"
    u"\"Path\"=\"C:\\\\WINDOWS\\\\x\"\r\n"
    u"\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra\\New]\r\n"
    u"\"Line\"=hex(1):61,00,0d,00,0a,00,62,00,00,00\r\n";

const std::string kChange =
    "[Software.AddReg]\r\n"
    "0x0,\"Vindra\"\r\n"
    "0x1,\"Vindra\",\"Change\",\"new\"\r\n"
    "0x0,\"Vindra\\New\"\r\n"
    "0x1,\"Vindra\\New\",\"Line\",\"a\r\nb\"\r\n"
    "\r\n"
    "[Software.DelReg]\r\n"
    "0x4,\"Vindra\",\"Gone\",0x1\r\n"
    "\r\n";

const std::string kSummary =
    "vindra-cli diff: keys 1 added, 0 deleted; values 1 added, 1 changed, 1 deleted; 0 left out as noise; "
    "0 not expressible\n";

class DiffCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::SetMachinePaths();
    test::SetEnv("LC_ALL", "C");
    before_ = dir_.Write("before.reg", test::Utf16Le(kBefore));
    after_ = dir_.Write("after.reg", test::Utf16Le(kAfter));
  }
  test::RunResult Run(const std::vector<std::string>& args, const test::RunOptions& options = {}) {
    return test::RunProgram(VINDRA_CLI_PATH, args, scratch_.PathOf(""), options);
  }

  test::TempDir dir_;
  test::TempDir scratch_;
  std::string before_;
  std::string after_;
};

TEST_F(DiffCliTest, WritesTheChangeAndTheSummary) {
  test::RunResult result = Run({"diff", before_, after_});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, kChange) << test::Visible(result.out);
  EXPECT_EQ(result.err, kSummary);

  result = Run({"diff", before_, before_});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "");

  // Standard input as one side; the registry file of the change.
  test::RunOptions input;
  input.giveInput = true;
  input.input = test::Utf16Le(kAfter);
  result = Run({"diff", "--format", "reg", before_, "-"}, input);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out.substr(0, 2), "\xFF\xFE");
  EXPECT_NE(result.out.find(test::Utf16Le(u"\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra]\r\n\"Change\"=\"new\"\r\n"
                                          u"\"Gone\"=-\r\n", false)),
            std::string::npos)
      << test::Visible(result.out);

  result = Run({"diff", "--list-noise"});
  EXPECT_EQ(result.status, 0);
  EXPECT_NE(result.out.find("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\UserAssist\n"),
            std::string::npos);
}

TEST_F(DiffCliTest, WhatCannotBeExpressedIsToldAndStrictRefusesIt) {
  const std::string before = dir_.Write("system-before.reg", test::Utf16Le(
      u"Windows Registry Editor Version 5.00\r\n\r\n"
      u"[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Old]\r\n\"Start\"=dword:00000002\r\n"));
  const std::string after = dir_.Write("system-after.reg", test::Utf16Le(
      u"Windows Registry Editor Version 5.00\r\n\r\n"
      u"[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services]\r\n"));
  const std::string report = scratch_.PathOf("report.tsv");
  test::RunResult result = Run({"diff", "--key", "HKLM\\SYSTEM\\CurrentControlSet\\Services", "--report", report,
                                before, after});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out,
            "[SetupReg.AddReg]\r\n"
            "; Not expressible (no [SetupReg.DelReg]): key \"ControlSet001\\Services\\Old\" deleted\r\n\r\n");
  EXPECT_NE(result.err.find("1 not expressible"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("vindra-cli diff: skipped 1 deletion below HKEY_LOCAL_MACHINE\\SYSTEM"), std::string::npos)
      << result.err;
  EXPECT_EQ(test::ReadBytes(report),
            "\tdeletion below HKEY_LOCAL_MACHINE\\SYSTEM\tHKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Old\t\n");

  const std::string output = scratch_.PathOf("kept.inf");
  {
    std::FILE* f = std::fopen(output.c_str(), "wb");
    std::fputs("previous content", f);
    std::fclose(f);
  }
  result = Run({"diff", "--strict", "-o", output, "--key", "HKLM\\SYSTEM\\CurrentControlSet\\Services", before, after});
  EXPECT_EQ(result.status, 4) << result.err;
  EXPECT_EQ(test::ReadBytes(output), "previous content");

  result = Run({"diff", "--quiet", before, after, "--key", "HKLM\\SYSTEM\\CurrentControlSet\\Services"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");

  result = Run({"snapshot", "--substitute", "none", "--from", after_});
  EXPECT_EQ(result.status, 64);
  EXPECT_NE(result.err.find("--substitute does not apply to a snapshot"), std::string::npos) << result.err;
}

TEST_F(DiffCliTest, SnapshotOfAFileReadsBackAsTheFile) {
  const std::string snapshot = scratch_.PathOf("snapshot.reg");
  test::RunResult result = Run({"snapshot", "--from", after_, "-o", snapshot, "HKLM\\SOFTWARE\\Vindra"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  const std::string bytes = test::ReadBytes(snapshot);
  EXPECT_EQ(bytes.substr(0, 2 + 2 * 38), test::Utf16Le(u"Windows Registry Editor Version 5.00\r\n"));
  result = Run({"diff", snapshot, after_});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "");
  // Without KEY: the three trees that exist.
  result = Run({"snapshot", "--from", after_});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find(test::Utf16Le(u"\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n", false)), std::string::npos);
}

TEST_F(DiffCliTest, BadInputNamesTheProblemAndLeavesTheOutputAlone) {
  const std::string text = dir_.Write("notes.txt", "just some text\n");
  const std::string damaged = dir_.Write("SOFTWARE", std::string("regf") + std::string(600, '\x01'));
  const std::string missing = dir_.PathOf("missing.reg");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string message;  // part of standard error
  } cases[] = {
      {{"diff", missing, after_}, 2, "missing.reg"},
      {{"diff", text, after_}, 2, "not a registry export"},
      {{"diff", before_, after_, "--key", "HKLM\\SOFTWARE\\Nowhere"}, 2,
       "the key HKEY_LOCAL_MACHINE\\SOFTWARE\\Nowhere is in neither BEFORE nor AFTER"},
      {{"diff", "-", "-"}, 64, "standard input (\"-\") can be only one of BEFORE and AFTER"},
      {{"diff", before_, after_, "--format", "html"}, 64, "--format must be inf or reg"},
      {{"diff", "--format", "reg", "--plugin", "X", before_, after_}, 64, "does not go with --format reg"},
      {{"diff"}, 64, "BEFORE is missing"},
      {{"snapshot", "--from", after_, "HKLM\\SOFTWARE\\Nowhere"}, 2,
       "the key HKEY_LOCAL_MACHINE\\SOFTWARE\\Nowhere does not exist"},
      {{"snapshot", "--from", missing}, 2, "missing.reg"},
      {{"snapshot", "Nowhere\\x"}, 64, "does not start with a root key"},
      {{"diff", damaged, after_}, 2, "SOFTWARE: "},
#ifndef _WIN32
      {{"diff", before_}, 64, "AFTER is missing"},
#endif
  };
  for (const auto& c : cases) {
    const std::string output = scratch_.PathOf("kept.inf");
    std::vector<std::string> args = c.args;
    args.push_back("-o");
    args.push_back(output);
    {
      std::FILE* f = std::fopen(output.c_str(), "wb");
      std::fputs("previous content", f);
      std::fclose(f);
    }
    const test::RunResult result = Run(args);
    EXPECT_EQ(result.status, c.status) << c.args[1] << "\n" << result.err;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << c.args[1] << "\n" << result.err;
    EXPECT_EQ(result.out, "") << c.args[1];
    EXPECT_EQ(test::ReadBytes(output), "previous content") << c.args[1];
  }
}

}  // namespace
}  // namespace vindra
