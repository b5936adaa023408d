#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <clocale>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

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
    // Messages follow the locale: the C locale keeps them in the ANSI code page.
    test::SetEnv("LC_ALL", "C");
    sample_ = dir_.Write("sample.reg", test::Utf16Le(kSample));
  }
  test::RunResult Run(const std::vector<std::string>& args, const test::RunOptions& options = {}) {
    return test::RunProgram(VINDRA_CLI_PATH, args, scratch_.PathOf(""), options);
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

  // --encoding concerns the converted text; messages follow the terminal.
  const test::RunResult utf8 = Run({"convert", "--encoding=utf-8", missing});
  EXPECT_EQ(utf8.status, 2);
  EXPECT_EQ(utf8.err.rfind("ファイル \"", 0), 0u) << utf8.err;

  const test::RunResult folder = Run({"convert", dir_.PathOf("")});
  EXPECT_EQ(folder.status, 2);
  EXPECT_EQ(folder.out, "");
}

#ifndef _WIN32
TEST_F(CliTest, Utf8ErrorKeepsAUtf8FileName) {
  // On POSIX the name arrives in the terminal's encoding and must come back
  // unchanged, whichever command reads the file.
  test::SetEnv("LC_ALL", "C.UTF-8");
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

// --- messages, standard input, output files, missing keys, plug-in files ---

// UTF-8 bytes of a literal (narrow literals are CP932 in these sources).
std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

// The names in a folder, sorted.
std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

const std::string kPluginHeader =
    "; Written by vindra-cli 2.94\r\n"
    "[Version]\r\n"
    "Signature= \"$Windows NT$\"\r\n"
    "\r\n"
    "[PEBuilder]\r\n"
    "Name=\"My \"\"Best\"\" Plug-in\"\r\n"
    "Enable=1\r\n"
    "\r\n";

#ifndef _WIN32
// True when the C library knows the locale (ja_JP.UTF-8 must be generated).
bool LocaleAvailable(const char* name) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  const bool available = std::setlocale(LC_ALL, name) != nullptr;
  std::setlocale(LC_ALL, previous.c_str());
  return available;
}

TEST_F(CliTest, MessagesFollowTheLocale) {
  const std::string missing = dir_.PathOf("missing.reg");
  const std::string cp932Start = "ファイル \"";
  const std::string utf8Start = Utf8(u8"ファイル \"");
  const struct {
    const char* locale;
    std::string expectedStart;
  } cases[] = {
      {"C", cp932Start},
      {"POSIX", cp932Start},
      {"C.UTF-8", utf8Start},
      {"ja_JP.UTF-8", utf8Start},
      {"ja_JP.utf8", utf8Start},
  };
  for (const auto& c : cases) {
    if (!LocaleAvailable(c.locale)) {
      std::printf("locale %s is not installed here: skipped\n", c.locale);
      continue;
    }
    test::SetEnv("LC_ALL", c.locale);
    const test::RunResult result = Run({"convert", missing});
    EXPECT_EQ(result.status, 2) << c.locale;
    EXPECT_EQ(result.err.rfind(c.expectedStart, 0), 0u) << c.locale << ": " << test::Visible(result.err);
    // The program's own Japanese texts follow the locale as well.
    const test::RunResult refused = Run({"export", "--from", sample_, "HKU\\x"});
    EXPECT_EQ(refused.status, 2) << c.locale;
    const std::string text = "指定できないレジストリのエントリです\n";
    EXPECT_EQ(refused.err, c.expectedStart == utf8Start ? Utf8(u8"指定できないレジストリのエントリです\n") : text)
        << c.locale << ": " << test::Visible(refused.err);
    // The converted text stays ANSI.
    const test::RunResult converted = Run({"convert", sample_});
    EXPECT_EQ(converted.out, kFixedOutput) << c.locale;
  }
  // LANG alone selects the locale when LC_ALL is not set.
  test::UnsetEnv("LC_ALL");
  test::SetEnv("LANG", "C.UTF-8");
  EXPECT_EQ(Run({"convert", missing}).err.rfind(utf8Start, 0), 0u);
}

TEST_F(CliTest, Utf8TerminalKeysAndPluginNames) {
  test::SetEnv("LC_ALL", "C.UTF-8");
  // A key typed in UTF-8 finds the key whose ANSI name is 95 5C 8E A6.
  const test::RunResult result = Run({"export", "--from", sample_, Utf8(u8"HKLM\\SOFTWARE\\Vindra\\表示")});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find("0x0,\"Vindra\\\x95\x5C\x8E\xA6\"\r\n"), std::string::npos) << test::Visible(result.out);
  const test::RunResult plugin = Run({"convert", "--plugin", Utf8(u8"表示"), sample_});
  EXPECT_EQ(plugin.status, 0) << plugin.err;
  EXPECT_NE(plugin.out.find("Name=\"\x95\x5C\x8E\xA6\"\r\n"), std::string::npos) << test::Visible(plugin.out);
  // A character CP932 lacks would become "?": refused.
  const test::RunResult lossy = Run({"convert", "--plugin", Utf8(u8"caf\u00e9 \u20ac\U0001F600"), sample_});
  EXPECT_EQ(lossy.status, 64);
  EXPECT_EQ(lossy.out, "");
}
#endif

TEST_F(CliTest, StandardInput) {
  test::RunOptions input;
  input.giveInput = true;
  input.input = test::Utf16Le(kSample);
  const test::RunResult converted = Run({"convert", "-"}, input);
  EXPECT_EQ(converted.status, 0) << converted.err;
  EXPECT_EQ(converted.out, kFixedOutput) << test::Visible(converted.out);

  const test::RunResult exported = Run({"export", "--from", "-", "HKLM\\SYSTEM\\CurrentControlSet\\Services\\V"}, input);
  EXPECT_EQ(exported.status, 0) << exported.err;
  EXPECT_EQ(exported.out,
            "[SetupReg.AddReg]\r\n"
            "0x0,\"ControlSet001\\Services\\V\"\r\n"
            "0x4,\"ControlSet001\\Services\\V\",\"Start\",0x3\r\n");

  // An 8-bit file through the pipe, and an empty one.
  input.input = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Plain]\r\n\"a\"=\"b\"\r\n";
  EXPECT_EQ(Run({"convert", "-"}, input).out, "[Default.AddReg]\r\n0x0,\"Plain\"\r\n0x1,\"Plain\",\"a\",\"b\"\r\n\r\n");
  input.input.clear();
  const test::RunResult empty = Run({"convert", "-"}, input);
  EXPECT_EQ(empty.status, 0);
  EXPECT_EQ(empty.out, "");
  // "--" ends the options; "-" after it is still standard input, and "./-" a file.
  input.input = test::Utf16Le(kSample);
  EXPECT_EQ(Run({"convert", "--", "-"}, input).out, kFixedOutput);
  EXPECT_EQ(Run({"convert", "./-"}, input).status, 2);
}

TEST_F(CliTest, OutputFileOnSuccess) {
  test::TempDir out;
  const std::string target = out.PathOf("plugin.inf");
  // Every spelling of the option, writing a new file and replacing one.
  for (const std::vector<std::string>& option :
       {std::vector<std::string>{"--output", target}, {"--output=" + target}, {"-o", target}, {"-o" + target}}) {
    std::vector<std::string> args = {"convert"};
    args.insert(args.end(), option.begin(), option.end());
    args.push_back(sample_);
    const test::RunResult result = Run(args);
    EXPECT_EQ(result.status, 0) << option[0] << ": " << result.err;
    EXPECT_EQ(result.out, "") << option[0];
    EXPECT_EQ(result.err, "") << option[0];
    EXPECT_EQ(test::ReadBytes(target), kFixedOutput) << option[0];
    EXPECT_EQ(FolderNames(out.PathOf("")), std::vector<std::string>{"plugin.inf"}) << option[0];
  }
  // "-" is standard output.
  EXPECT_EQ(Run({"convert", "-o", "-", sample_}).out, kFixedOutput);
  // Every command takes it.
  const std::string regexpander = out.PathOf("regexpander.inf");
  const test::RunResult result = Run({"regexpander", "--from", sample_, "-o", regexpander, "HKLM\\SOFTWARE\\Vindra"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(test::ReadBytes(regexpander).rfind("; for Registry Expander\r\n", 0), 0u);
#ifndef _WIN32
  // The permission bits of the replaced file carry over.
  chmod(target.c_str(), 0640);
  EXPECT_EQ(Run({"convert", "-o", target, sample_}).status, 0);
  struct stat info {};
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  // A device is written, not replaced.
  EXPECT_EQ(Run({"convert", "-o", "/dev/null", sample_}).status, 0);
  ASSERT_EQ(stat("/dev/null", &info), 0);
  EXPECT_TRUE(S_ISCHR(info.st_mode));
#endif
}

TEST_F(CliTest, OutputFileStaysAsItWasOnEveryFailure) {
  test::TempDir out;
  const std::string target = out.PathOf("plugin.inf");
  const std::string previous = "previous text\r\n";
  const std::string readFailure = dir_.Write(
      "read-failure.reg", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n\"a\"=\"x\"\r\n\"b\"=hex(4):00,00,00,00,00,00,00,00\r\n");
  const struct {
    const char* what;
    std::vector<std::string> args;
    int status;
    std::string message;  // part of the message before the note on the file
  } cases[] = {
      {"input not readable", {"convert", dir_.PathOf("missing.reg")}, 2, " は開けません"},
      {"key refused", {"export", "--from", sample_, "HKLM\\HARDWARE"}, 2, "より上層のエントリは指定できません"},
      {"key missing", {"export", "--from", sample_, "HKLM\\SOFTWARE\\Typo"}, 2, "does not exist"},
      {"registry read failure", {"export", "--from", readFailure, "HKCU\\K"}, 3, "'b' の取得に失敗しました"},
  };
  for (const auto& c : cases) {
    out.Write("plugin.inf", previous);
    std::vector<std::string> args = c.args;
    args.insert(args.begin() + 1, {"--plugin", "P", "-o", target});
    if (args[0] == "convert") args.erase(args.begin() + 1, args.begin() + 3);
    const test::RunResult result = Run(args);
    EXPECT_EQ(result.status, c.status) << c.what << ": " << result.err;
    EXPECT_EQ(result.out, "") << c.what;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << c.what << ": " << result.err;
    EXPECT_EQ(test::ReadBytes(target), previous) << c.what;
    EXPECT_EQ(FolderNames(out.PathOf("")), std::vector<std::string>{"plugin.inf"}) << c.what;
    if (c.status == 3) {
      EXPECT_NE(result.err.find("plugin.inf is left as it was"), std::string::npos) << result.err;
      // Without --output the lines before the failure stay on standard output.
      const test::RunResult plain = Run(c.args);
      EXPECT_EQ(plain.status, 3);
      EXPECT_EQ(plain.out, "[Default.AddReg]\r\n0x0,\"K\"\r\n0x1,\"K\",\"a\",\"x\"\r\n");
    }
  }
  // A folder as the output file.
  const test::RunResult folder = Run({"convert", "-o", out.PathOf(""), sample_});
  EXPECT_EQ(folder.status, 1);
  EXPECT_NE(folder.err.find("cannot write"), std::string::npos) << folder.err;
}

#ifndef _WIN32
TEST_F(CliTest, OutputFileOnAFullDisk) {
  // A limit on the file size makes the writes beyond it fail as on a full
  // disk (EFBIG instead of ENOSPC): the output must be about 64 KiB to pass
  // the program's buffers.
  std::u16string big = u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Big]\r\n";
  for (int i = 0; i < 3000; ++i) big += u"\"Value" + std::u16string(1, u'A' + i % 26) + u"\"=\"" + std::u16string(40, u'x') + u"\"\r\n";
  const std::string bigFile = dir_.Write("big.reg", test::Utf16Le(big));
  test::TempDir out;
  const std::string target = out.Write("plugin.inf", "previous\r\n");
  test::RunOptions limited;
  limited.fileSizeLimit = 16384;
  const test::RunResult result = Run({"convert", "-o", target, bigFile}, limited);
  EXPECT_EQ(result.status, 1) << result.err;
  EXPECT_NE(result.err.find("plugin.inf could not be written: "), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("it is left as it was"), std::string::npos) << result.err;
  EXPECT_EQ(test::ReadBytes(target), "previous\r\n");
  EXPECT_EQ(FolderNames(out.PathOf("")), std::vector<std::string>{"plugin.inf"});
  // The same output fits without the limit.
  EXPECT_EQ(Run({"convert", "-o", target, bigFile}).status, 0);
  EXPECT_GT(test::ReadBytes(target).size(), 16384u);
}

TEST_F(CliTest, OutputFileInAReadOnlyFolder) {
  test::TempDir out;
  const std::string target = out.Write("plugin.inf", "previous\r\n");
  chmod(out.PathOf("").c_str(), 0555);
  test::RunOptions options;
  // Root writes into any folder: the program then runs as the user "nobody".
  if (geteuid() == 0) options.userId = 65534;
  const test::RunResult result = Run({"convert", "-o", target, sample_}, options);
  chmod(out.PathOf("").c_str(), 0755);
  if (result.status == 126) GTEST_SKIP() << "running as root and cannot switch to user 65534 to test permissions";
  EXPECT_EQ(result.status, 1) << result.err;
  EXPECT_EQ(result.out, "");
  EXPECT_NE(result.err.find("cannot write " + target + ": Permission denied"), std::string::npos) << result.err;
  EXPECT_EQ(test::ReadBytes(target), "previous\r\n");
  EXPECT_EQ(FolderNames(out.PathOf("")), std::vector<std::string>{"plugin.inf"});
}

TEST_F(CliTest, OutputFileOnInterruption) {
  // The program waits for standard input with the new file already open;
  // a termination signal then must not leave that file behind.
  test::TempDir out;
  const std::string target = out.Write("plugin.inf", "previous\r\n");
  int input[2];
  ASSERT_EQ(pipe(input), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(input[0], 0);
    close(input[1]);
    execl(VINDRA_CLI_PATH, VINDRA_CLI_PATH, "convert", "-o", target.c_str(), "-", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(input[0]);
  bool newFileSeen = false;
  for (int i = 0; i < 500 && !newFileSeen; ++i) {
    newFileSeen = FolderNames(out.PathOf("")).size() == 2;
    if (!newFileSeen) usleep(10000);
  }
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  close(input[1]);
  EXPECT_TRUE(newFileSeen);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
  EXPECT_EQ(test::ReadBytes(target), "previous\r\n");
  EXPECT_EQ(FolderNames(out.PathOf("")), std::vector<std::string>{"plugin.inf"});
}
#endif

TEST_F(CliTest, MissingStartKey) {
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"export", "--from", sample_, "HKLM\\SOFTWARE\\Typo"},
       "vindra-cli export: the key HKEY_LOCAL_MACHINE\\SOFTWARE\\Typo does not exist\n"},
      // The first missing key along the path is named, spelled as typed.
      {{"export", "--from", sample_, "hklm\\software\\vindra\\Nope\\Deeper"},
       "vindra-cli export: the key HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra\\Nope does not exist\n"},
      {{"regexpander", "--from", sample_, "HKCU\\Nothing"},
       "vindra-cli regexpander: the key HKEY_CURRENT_USER\\Nothing does not exist\n"},
      {{"export", "--plugin", "P", "--from", sample_, "HKCR\\.none"},
       "vindra-cli export: the key HKEY_CLASSES_ROOT\\.none does not exist\n"},
  };
  for (const auto& c : cases) {
    const test::RunResult result = Run(c.args);
    EXPECT_EQ(result.status, 2) << c.args.back();
    EXPECT_EQ(result.out, "") << c.args.back();
    EXPECT_EQ(result.err, c.message);
  }
  // An existing key spelled in other letter case is found.
  EXPECT_EQ(Run({"export", "--from", sample_, "hklm\\software\\VINDRA"}).status, 0);
}

#ifdef _WIN32
TEST_F(CliTest, MissingStartKeyOfTheLiveRegistry) {
  HKEY created = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\VindraCliTest\\Present", 0, nullptr, 0, KEY_WRITE, nullptr,
                            &created, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(created);
  const test::RunResult present = Run({"export", "HKCU\\Software\\VindraCliTest\\Present"});
  const test::RunResult missing = Run({"export", "HKCU\\Software\\VindraCliTest\\Absent\\Sub"});
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\VindraCliTest");
  EXPECT_EQ(present.status, 0) << present.err;
  EXPECT_EQ(present.out, "[Default.AddReg]\r\n0x0,\"Software\\VindraCliTest\\Present\"\r\n");
  EXPECT_EQ(missing.status, 2) << missing.err;
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.err, "vindra-cli export: the key HKEY_CURRENT_USER\\Software\\VindraCliTest\\Absent does not exist\n");
}
#endif

TEST_F(CliTest, PluginFile) {
  const std::string name = "My \"Best\" Plug-in";
  const test::RunResult converted = Run({"convert", "--plugin", name, sample_});
  EXPECT_EQ(converted.status, 0) << converted.err;
  EXPECT_EQ(converted.out, kPluginHeader + kFixedOutput) << test::Visible(converted.out);

  const test::RunResult exported =
      Run({"export", "--plugin=" + name, "--from", sample_, "HKLM\\SYSTEM\\CurrentControlSet\\Services\\V"});
  EXPECT_EQ(exported.status, 0) << exported.err;
  EXPECT_EQ(exported.out, kPluginHeader +
                              "[SetupReg.AddReg]\r\n"
                              "0x0,\"ControlSet001\\Services\\V\"\r\n"
                              "0x4,\"ControlSet001\\Services\\V\",\"Start\",0x3\r\n");

  // A file without sections is still a whole plug-in file.
  const std::string empty = dir_.Write("empty.reg", "REGEDIT4\r\n");
  EXPECT_EQ(Run({"convert", "--plugin", name, empty}).out, kPluginHeader);

  // Names that would break the file, and a command without the option.
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"convert", "--plugin", "", sample_}, {"convert", "--plugin", "a\r\nb", sample_},
        {"convert", sample_, "--plugin"}, {"regexpander", "--plugin", "P", "--from", sample_, "HKCU\\K"}}) {
    const test::RunResult result = Run(args);
    EXPECT_EQ(result.status, 64) << test::Visible(args[2]);
    EXPECT_EQ(result.out, "");
  }
}

// What the output leaves out: a summary on standard error after the output,
// every item in the --report file, nothing with --quiet, status 4 with --strict.
TEST_F(CliTest, SkippedLinesSummaryReportAndStrict) {
  const std::string reg = dir_.Write("skips.reg",
                                     "REGEDIT4\r\n"
                                     "\r\n"
                                     "[HKEY_USERS\\S-1-5-18\\X]\r\n"
                                     "\"a\"=\"1\"\r\n"
                                     "\"b\"=\"2\"\r\n"
                                     "[HKEY_CURRENT_USER\\Software\\V]\r\n"
                                     "\"kept\"=dword:00000001\r\n"
                                     "\"old\"=-\r\n"
                                     "\"Prop\\\"x\"=hex(ffff0004):01,00\r\n");
  const std::string converted =
      "[Default.AddReg]\r\n0x0,\"Software\\V\"\r\n0x4,\"Software\\V\",\"kept\",0x1\r\n\r\n";
  const test::RunResult plain = Run({"convert", reg});
  EXPECT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(plain.out, converted) << test::Visible(plain.out);
  EXPECT_EQ(plain.err,
            "vindra-cli convert: skipped 2 values below HKEY_USERS (lines 4-5)\n"
            "vindra-cli convert: skipped 1 value deletion (line 8)\n"
            "vindra-cli convert: skipped 1 value with a type number too long (line 9)\n");

  const test::RunResult quiet = Run({"convert", "--quiet", reg});
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.out, converted);
  EXPECT_EQ(quiet.err, "");

  test::TempDir out;
  const std::string report = out.PathOf("skipped.tsv");
  const test::RunResult reported = Run({"convert", "--quiet", "--report", report, reg});
  EXPECT_EQ(reported.status, 0) << reported.err;
  EXPECT_EQ(reported.out, converted);
  EXPECT_EQ(test::ReadBytes(report),
            "4\tvalue below HKEY_USERS\tHKEY_USERS\\S-1-5-18\\X\ta\n"
            "5\tvalue below HKEY_USERS\tHKEY_USERS\\S-1-5-18\\X\tb\n"
            "8\tvalue deletion\tHKEY_CURRENT_USER\\Software\\V\told\n"
            "9\tvalue with a type number too long\tHKEY_CURRENT_USER\\Software\\V\tProp\"x\n");

  // --strict: status 4, the file of --output as it was, no other file left.
  const std::string target = out.PathOf("plugin.inf");
  out.Write("plugin.inf", "previous text\r\n");
  const test::RunResult strict = Run({"convert", "--strict", "-o", target, reg});
  EXPECT_EQ(strict.status, 4) << strict.err;
  EXPECT_EQ(strict.out, "");
  EXPECT_EQ(test::ReadBytes(target), "previous text\r\n");
  EXPECT_NE(strict.err.find("plugin.inf is left as it was"), std::string::npos) << strict.err;
  EXPECT_NE(strict.err.find("skipped 1 value deletion (line 8)"), std::string::npos) << strict.err;
  EXPECT_EQ(FolderNames(out.PathOf("")), (std::vector<std::string>{"plugin.inf", "skipped.tsv"}));

  // Nothing left out: --strict changes nothing, the report file is empty.
  const test::RunResult whole = Run({"convert", "--strict", "--report", report, "-o", target, sample_});
  EXPECT_EQ(whole.status, 0) << whole.err;
  EXPECT_EQ(whole.err, "");
  EXPECT_EQ(test::ReadBytes(target), kFixedOutput);
  EXPECT_EQ(test::ReadBytes(report), "");

  // The exporters name keys: a key the file has but the export cannot read
  // is not possible with --from, so --strict passes a whole export.
  const test::RunResult exported = Run({"export", "--strict", "--from", reg, "HKCU\\Software\\V"});
  EXPECT_EQ(exported.status, 0) << exported.err;
  EXPECT_EQ(exported.err, "");
}

// Every option --help names is in the manual page and in README, and the
// other way round for the manual page.
TEST_F(CliTest, HelpManualPageAndReadmeAgree) {
  const std::string manual = test::ReadBytes(VINDRA_SOURCE_DIR "/cli/vindra-cli.1");
  const std::string readme = test::ReadBytes(VINDRA_SOURCE_DIR "/README.md");
  ASSERT_FALSE(manual.empty());
  ASSERT_FALSE(readme.empty());
  const auto options = [](const std::string& text, const std::string& dash) {
    std::vector<std::string> names;
    for (std::size_t at = text.find(dash + dash); at != std::string::npos; at = text.find(dash + dash, at + 1)) {
      std::size_t end = at + 2 * dash.size();
      std::string name = "--";
      while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text.compare(end, dash.size(), dash) == 0)) {
        if (text.compare(end, dash.size(), dash) == 0) {
          name += '-';
          end += dash.size();
        } else {
          name += text[end++];
        }
      }
      if (name.size() > 3 && std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  };
  std::vector<std::string> helpOptions;
  for (const char* command : {"convert", "export", "regexpander", "snapshot", "diff"}) {
    for (const std::string& name : options(Run({command, "--help"}).out, "-")) {
      if (std::find(helpOptions.begin(), helpOptions.end(), name) == helpOptions.end()) helpOptions.push_back(name);
    }
  }
  std::sort(helpOptions.begin(), helpOptions.end());
  EXPECT_EQ(options(manual, "\\-"), helpOptions);
  for (const std::string& name : helpOptions) EXPECT_NE(readme.find(name), std::string::npos) << name;
}

}  // namespace
}  // namespace vindra
