#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../core/test_support.h"
#include "process_runner.h"

namespace vindra {
namespace {

// A small export with a Japanese key name (表示 is 95 5C 8E A6 in CP932).
constexpr char16_t kSample[] =
    u"Windows Registry Editor Version 5.00\r\n\r\n"
    u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra\\\u8868\u793A]\r\n"
    u"\"Path\"=\"C:\\\\WINDOWS\\\\system32;C:\\\\Program Files\\\\V\"\r\n"
    u"\"Exp\"=hex(2):25,00,50,00,72,00,6f,00,67,00,72,00,61,00,6d,00,46,00,69,00,6c,00,65,00,73,00,25,00,00,00\r\n"
    u"[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\V]\r\n"
    u"\"Start\"=dword:00000003\r\n";

const std::string kFixedOutput =
    "[Software.AddReg]\r\n"
    "0x0,\"Vindra\\\x95\x5C\x8E\xA6\"\r\n"
    "0x1,\"Vindra\\\x95\x5C\x8E\xA6\",\"Path\",\"X:\\I386\\system32;X:\\PROGRAMS\\V\"\r\n"
    "0x2,\"Vindra\\\x95\x5C\x8E\xA6\",\"Exp\",\"X:\\PROGRAMS\"\r\n"
    "\r\n"
    "[SetupReg.AddReg]\r\n"
    "0x0,\"ControlSet001\\Services\\V\"\r\n"
    "0x4,\"ControlSet001\\Services\\V\",\"Start\",0x3\r\n"
    "\r\n";

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::SetMachinePaths();
    sample_ = dir_.Write("sample.reg", test::Utf16Le(kSample));
  }
  test::RunResult Run(const std::vector<std::string>& args) {
    return test::RunProgram(VINDRA_CLI_PATH, args, scratch_.PathOf(""));
  }
  static std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size())) {
      text.replace(pos, from.size(), to);
    }
    return text;
  }

  test::TempDir dir_;
  test::TempDir scratch_;
  std::string sample_;
};

TEST_F(CliTest, ConvertWritesTheTextAreaBytes) {
  const test::RunResult result = Run({"convert", sample_});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, kFixedOutput) << test::Visible(result.out);
  EXPECT_EQ(result.err, "");
}

TEST_F(CliTest, Options) {
  const std::string key = "\"Vindra\\\x95\x5C\x8E\xA6\"";
  const struct {
    std::vector<std::string> options;
    std::vector<std::pair<std::string, std::string>> changes;  // applied to the default output
  } cases[] = {
      {{"--substitute", "env"},
       {{"X:\\I386", "%SystemRoot%"}, {"X:\\PROGRAMS", "%ProgramFiles%"}}},
      {{"--substitute=none"},
       {{"X:\\I386\\system32", "C:\\WINDOWS\\system32"}, {"X:\\PROGRAMS\\V", "C:\\Program Files\\V"},
        {"\"X:\\PROGRAMS\"", "\"%ProgramFiles%\""}}},
      {{"--no-systemroot"}, {{"X:\\I386", "X:\\WINDOWS"}}},
      {{"--no-programfiles"}, {{"X:\\PROGRAMS", "X:\\Program Files"}}},
      {{"--no-systemroot", "--no-systemdrive"},
       {{"X:\\I386\\system32", "C:\\WINDOWS\\system32"}}},
      // Nothing replaced in the expanded text: the text comes back as written.
      {{"--no-programfiles", "--no-systemdrive"}, {{"X:\\PROGRAMS\\V", "C:\\Program Files\\V"},
        {"\"X:\\PROGRAMS\"", "\"%ProgramFiles%\""}}},
      {{"--no-controlset001"}, {{"ControlSet001", "CurrentControlSet"}}},
      {{"--substitute", "fixed", "--encoding", "ansi"}, {}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"convert"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(sample_);
    std::string expected = kFixedOutput;
    for (const auto& [from, to] : c.changes) expected = Replace(expected, from, to);
    const test::RunResult result = Run(args);
    EXPECT_EQ(result.status, 0) << c.options[0];
    EXPECT_EQ(result.out, expected) << c.options[0] << "\n" << test::Visible(result.out);
  }
}

TEST_F(CliTest, Utf8EncodingForTerminals) {
  const test::RunResult result = Run({"convert", "--encoding", "utf-8", sample_});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, Replace(kFixedOutput, "\x95\x5C\x8E\xA6", "\xE8\xA1\xA8\xE7\xA4\xBA"));
}

#ifndef _WIN32
TEST_F(CliTest, VariableNamesIgnoreLetterCase) {
  test::UnsetEnv("SystemRoot");
  test::SetEnv("SYSTEMROOT", "C:\\WINDOWS");
  const test::RunResult result = Run({"convert", sample_});
  test::UnsetEnv("SYSTEMROOT");
  EXPECT_EQ(result.out, kFixedOutput);
}
#endif

TEST_F(CliTest, UnreadableFileGivesTheErrorAndNoOutput) {
  const std::string missing = dir_.PathOf("missing.reg");
  const test::RunResult result = Run({"convert", missing});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err.rfind("ファイル \"", 0), 0u) << result.err;
  EXPECT_NE(result.err.find("missing.reg\". "), std::string::npos) << result.err;
  EXPECT_NE(result.err.find(" は開けません"), std::string::npos) << result.err;

  const test::RunResult utf8 = Run({"convert", "--encoding=utf-8", missing});
  EXPECT_EQ(utf8.status, 2);
  EXPECT_EQ(utf8.err.rfind("\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB \"", 0), 0u) << utf8.err;

  const test::RunResult folder = Run({"convert", dir_.PathOf("")});
  EXPECT_EQ(folder.status, 2);
  EXPECT_EQ(folder.out, "");
}

#ifndef _WIN32
TEST_F(CliTest, Utf8ErrorKeepsAUtf8FileName) {
  // On POSIX the name arrives in the terminal's encoding and must come back
  // unchanged, whichever command reads the file.
  const std::string name = dir_.PathOf("\xE8\xA1\xA8.reg");
  const std::vector<std::vector<std::string>> cases = {
      {"convert", "--encoding", "utf-8", name},
      {"export", "--encoding", "utf-8", "--from", name, "HKCU\\K"},
      {"regexpander", "--encoding", "utf-8", "--from", name, "HKCU\\K"},
  };
  for (const auto& args : cases) {
    const test::RunResult result = Run(args);
    EXPECT_EQ(result.status, 2) << args[0];
    EXPECT_NE(result.err.find("\"" + name + "\". "), std::string::npos) << args[0] << ": " << result.err;
    EXPECT_NE(result.err.find(" \xE3\x81\xAF\xE9\x96\x8B\xE3\x81\x91\xE3\x81\xBE\xE3\x81\x9B\xE3\x82\x93"),
              std::string::npos)
        << args[0] << ": " << result.err;
  }
}
#endif

TEST_F(CliTest, BadUsage) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"frobnicate"},
      {"convert"},
      {"convert", "a.reg", "b.reg"},
      {"convert", "--substitute", "fixd", "a.reg"},
      {"convert", "--substitute"},
      {"convert", "--encoding", "latin1", "a.reg"},
      {"convert", "--bogus", "a.reg"},
      {"convert", "--no-systemroot=yes", "a.reg"},
  };
  for (const auto& args : cases) {
    const test::RunResult result = Run(args);
    EXPECT_EQ(result.status, 64) << (args.empty() ? "" : args.back());
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("Usage: vindra-cli"), std::string::npos) << result.err;
    // A short reminder, not the whole help text.
    EXPECT_EQ(result.err.find("--no-controlset001"), std::string::npos) << result.err;
  }
}

TEST_F(CliTest, HelpAndVersion) {
  const test::RunResult help = Run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("convert"), std::string::npos);
  const test::RunResult convertHelp = Run({"convert", "--help"});
  EXPECT_EQ(convertHelp.status, 0);
  EXPECT_NE(convertHelp.out.find("--substitute"), std::string::npos);
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--version"}, {"convert", "--version"}}) {
    const test::RunResult version = Run(args);
    EXPECT_EQ(version.status, 0) << args.back();
    EXPECT_EQ(Replace(version.out, "\r\n", "\n"), "vindra-cli 2.94\n") << args.back();
  }
}

}  // namespace
}  // namespace vindra
