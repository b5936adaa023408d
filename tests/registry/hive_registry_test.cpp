// The hive source against the .reg source: hives written from the .reg
// fixture must export to the same lines; names and data as the ANSI registry
// functions give them; damaged hives end in a HiveError and never in a crash.
#ifndef _WIN32

#include "registry/hive_registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/options.h"
#include "core/output_list.h"
#include "registry/live_export.h"
#include "registry/memory_registry.h"
#include "registry/reg_file_import.h"
#include "hive_test_support.h"
#include "test_support.h"

namespace vindra::registry {
namespace {

namespace fs = std::filesystem;
using testing::ReadWholeFile;
using testing::WriteWholeFile;

const std::string kDataDir = VINDRA_REGISTRY_TEST_DATA;
const std::string kEmptyHive = kDataDir + "/empty.hive";
const std::string kTreeReg = kDataDir + "/hive_tree.reg";

// The fixture's tree imported once, and the four hives written from it, named
// as on a Windows disk.
class HiveFiles {
 public:
  HiveFiles() : dir_(fs::temp_directory_path() / ("vindra-hive-test-" + std::to_string(::getpid()))) {
    fs::create_directories(dir_);
    const RegImportResult imported = ImportRegFile(kTreeReg, registry_);
    if (!imported.recognised || !imported.problems.empty()) throw std::runtime_error("hive_tree.reg did not import");
    testing::WriteHive(registry_, kHkeyLocalMachine, "SOFTWARE", kEmptyHive, Path("SOFTWARE"));
    // A SYSTEM hive on disk has no CurrentControlSet: Windows makes it when it loads the hive.
    testing::WriteHive(registry_, kHkeyLocalMachine, "SYSTEM", kEmptyHive, Path("SYSTEM"), {"CURRENTCONTROLSET"});
    testing::WriteHive(registry_, kHkeyCurrentUser, "", kEmptyHive, Path("NTUSER.DAT"));
    testing::WriteHive(registry_, kHkeyClassesRoot, "", kEmptyHive, Path("UsrClass.dat"));
  }
  ~HiveFiles() {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  MemoryRegistry& Registry() { return registry_; }

 private:
  fs::path dir_;
  MemoryRegistry registry_;
};

HiveFiles& Files() {
  static HiveFiles files;
  return files;
}

// What vindra-cli writes for a key: the key spelled by the source, then the export.
std::vector<std::string> ExportLines(LiveCommand command, RegistrySource& source, RootKey root, const std::string& path,
                             const ConversionOptions& options = {}) {
  RootedKeyPath key{root, RegistrySpelling(source, root, path)};
  LineList out;
  const LiveExportResult result = RunLiveExport(command, source, key, options, true, out);
  out.lines.push_back("status " + std::to_string(static_cast<int>(result.status)) + " " + result.errorText);
  return out.lines;
}

struct EqualityCase {
  const char* hive;
  RootKey root;
  const char* path;
  bool forceControlSet001;
};

TEST(HiveRegistry, ExportsTheSameLinesAsTheRegFileItWasWrittenFrom) {
  testing::UseExampleMachinePaths();
  const EqualityCase cases[] = {
      {"SOFTWARE", kHkeyLocalMachine, "SOFTWARE\\Vindra", true},            // every value type
      {"SOFTWARE", kHkeyLocalMachine, "software\\VINDRA\\表示", true},       // Japanese names, user's case
      {"SOFTWARE", kHkeyLocalMachine, "SOFTWARE\\Vindra\\Deep", true},       // 40 levels
      {"SOFTWARE", kHkeyLocalMachine, "SOFTWARE\\Vindra\\Empty Key", true},  // keys without values
      {"SOFTWARE", kHkeyLocalMachine, "SOFTWARE\\Vindra\\Order", true},      // name order
      {"SOFTWARE", kHkeyLocalMachine, "SOFTWARE", true},                     // the mount point itself
      {"SYSTEM", kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\services\\DEMO", true},
      {"SYSTEM", kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\Demo", false},
      {"SYSTEM", kHkeyLocalMachine, "System\\currentcontrolset", false},
      {"SYSTEM", kHkeyLocalMachine, "SYSTEM\\ControlSet001\\Services", true},
      {"SYSTEM", kHkeyLocalMachine, "SYSTEM", true},
      {"NTUSER.DAT", kHkeyCurrentUser, "Software\\Vindra", true},
      {"UsrClass.dat", kHkeyClassesRoot, "Vindra.File", true},
      {"UsrClass.dat", kHkeyClassesRoot, ".vdr", true},
  };
  for (const EqualityCase& c : cases) {
    const std::string file = Files().Path(c.hive);
    HiveRegistrySource hive(file, *DefaultHiveMount(file));
    hive.CheckTree(c.root, c.path);
    ConversionOptions options;
    options.ForceControlSet001 = c.forceControlSet001;
    for (const LiveCommand command : {LiveCommand::Export, LiveCommand::RegExpander}) {
      const auto fromReg = ExportLines(command, Files().Registry(), c.root, c.path, options);
      const auto fromHive = ExportLines(command, hive, c.root, c.path, options);
      EXPECT_GE(fromReg.size(), 2u) << c.path;
      EXPECT_EQ(fromHive, fromReg) << c.hive << " " << c.path << " command " << static_cast<int>(command);
    }
  }
}

// The project's other .reg fixtures, each mount point written as a hive of its
// own. A .reg export has CurrentControlSet where a SYSTEM hive on disk has
// ControlSet001 and Select\Current: the SYSTEM hive is written that way.
TEST(HiveRegistry, EveryFixtureExportsTheSameThroughAHive) {
  testing::UseExampleMachinePaths();
  const std::string fixtures[] = {kDataDir + "/demo.reg", kDataDir + "/../../../examples/example.reg", kTreeReg};
  struct Mount {
    const char* file;
    RootKey root;
    const char* mountPath;
    const char* exportPath;
  };
  const Mount mounts[] = {
      {"SOFTWARE", kHkeyLocalMachine, "SOFTWARE", "SOFTWARE"},
      {"SYSTEM", kHkeyLocalMachine, "SYSTEM", "SYSTEM\\CurrentControlSet"},
      {"NTUSER.DAT", kHkeyCurrentUser, "", "Software"},
      {"UsrClass.dat", kHkeyClassesRoot, "", ""},
  };
  int compared = 0;
  for (const std::string& fixture : fixtures) {
    MemoryRegistry registry;
    ASSERT_TRUE(ImportRegFile(fixture, registry).recognised) << fixture;
    for (const Mount& m : mounts) {
      if (!registry.FindKey(m.root, m.mountPath)) continue;
      const std::string file = Files().Path(std::string("fixture-") + m.file);
      if (m.root == kHkeyLocalMachine && std::string(m.mountPath) == "SYSTEM" && !registry.FindKey(m.root, "SYSTEM\\Select")) {
        MemoryRegistry onDisk;
        for (const auto& [folded, key] : registry.FindKey(m.root, "SYSTEM")->subKeys) {
          const std::string name = folded == "CURRENTCONTROLSET" ? "ControlSet001" : key->name;
          onDisk.CreateKey(m.root, "SYSTEM\\" + name);
          *onDisk.FindKey(m.root, "SYSTEM\\" + name) = *key;
          onDisk.FindKey(m.root, "SYSTEM\\" + name)->name = name;
        }
        onDisk.SetValue(m.root, "SYSTEM\\Select", "Current", 4, std::string("\x01\0\0\0", 4));
        testing::WriteHive(onDisk, m.root, "SYSTEM", kEmptyHive, file);
      } else {
        testing::WriteHive(registry, m.root, m.mountPath, kEmptyHive, file, {"CURRENTCONTROLSET"});
      }
      HiveRegistrySource hive(file, {m.root, m.mountPath});
      // Every key below the exported one, each exported on its own.
      std::vector<std::string> paths{m.exportPath};
      for (std::size_t i = 0; i < paths.size(); ++i) {
        auto key = registry.CreateAccess();
        key->SetRoot(m.root);
        if (!key->OpenKeyReadOnly(paths[i])) continue;
        for (const std::string& sub : key->SubKeyNames()) paths.push_back(paths[i].empty() ? sub : paths[i] + "\\" + sub);
      }
      for (const std::string& path : paths) {
        if (path.empty()) continue;
        hive.CheckTree(m.root, path);
        for (const LiveCommand command : {LiveCommand::Export, LiveCommand::RegExpander}) {
          EXPECT_EQ(ExportLines(command, hive, m.root, path), ExportLines(command, registry, m.root, path))
              << fixture << " " << path;
          ++compared;
        }
      }
    }
  }
  EXPECT_GT(compared, 50);
}

TEST(HiveRegistry, ResolvesCurrentControlSetThroughSelectCurrent) {
  const std::string file = Files().Path("SYSTEM");
  HiveRegistrySource hive(file, {kHkeyLocalMachine, "SYSTEM"});
  EXPECT_EQ(hive.CurrentControlSetName(), "ControlSet002");
  auto key = hive.CreateAccess();
  key->SetRoot(kHkeyLocalMachine);
  ASSERT_TRUE(key->OpenKeyReadOnly("SYSTEM"));
  const auto names = key->SubKeyNames();
  EXPECT_EQ(std::count(names.begin(), names.end(), "CurrentControlSet"), 1);
  ASSERT_TRUE(key->OpenKeyReadOnly("SYSTEM\\CURRENTCONTROLSET\\Services\\Demo"));
  EXPECT_EQ(key->ReadInteger("Start"), 2u);  // ControlSet002's value, not ControlSet001's 3
  // Only at the top of the hive.
  EXPECT_FALSE(key->OpenKeyReadOnly("SYSTEM\\Select\\CurrentControlSet"));
}

TEST(HiveRegistry, KeysAboveTheMountPointLeadToIt) {
  HiveRegistrySource hive(Files().Path("SOFTWARE"), {kHkeyLocalMachine, "SOFTWARE"});
  auto key = hive.CreateAccess();
  key->SetRoot(kHkeyLocalMachine);
  ASSERT_TRUE(key->OpenKeyReadOnly(""));
  EXPECT_EQ(key->SubKeyNames(), std::vector<std::string>{"SOFTWARE"});
  EXPECT_TRUE(key->ValueNames().empty());
  EXPECT_FALSE(key->OpenKeyReadOnly("SYSTEM"));
  key->SetRoot(kHkeyCurrentUser);
  EXPECT_FALSE(key->OpenKeyReadOnly("SOFTWARE"));
}

TEST(HiveRegistry, DefaultMountsComeFromTheFileName) {
  struct Case {
    const char* file;
    RootKey root;
    const char* path;
  };
  const Case cases[] = {
      {"SOFTWARE", kHkeyLocalMachine, "SOFTWARE"},   {"/mnt/c/Windows/System32/config/software", kHkeyLocalMachine, "SOFTWARE"},
      {"System", kHkeyLocalMachine, "SYSTEM"},       {"C:\\Users\\a\\NTUSER.DAT", kHkeyCurrentUser, ""},
      {"ntuser.dat", kHkeyCurrentUser, ""},          {"UsrClass.dat", kHkeyClassesRoot, ""},
      {"USRCLASS.DAT", kHkeyClassesRoot, ""},
  };
  for (const Case& c : cases) {
    const auto mount = DefaultHiveMount(c.file);
    ASSERT_TRUE(mount) << c.file;
    EXPECT_EQ(mount->root, c.root) << c.file;
    EXPECT_EQ(mount->path, c.path) << c.file;
  }
  for (const char* other : {"SAM", "SECURITY", "software.bak", "NTUSER.DAT.LOG1", "", "config/"}) {
    EXPECT_FALSE(DefaultHiveMount(other)) << other;
  }
}

// A hive written directly: names and data that the code page lacks, text
// data without its terminator or with an odd byte.
TEST(HiveRegistry, NamesAndTextDataAsTheAnsiFunctionsGiveThem) {
  const std::string file = Files().Path("direct.hive");
  fs::copy_file(kEmptyHive, file, fs::copy_options::overwrite_existing);
  fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
  hive_h* h = hivex_open(file.c_str(), HIVEX_OPEN_WRITE);
  ASSERT_NE(h, nullptr);
  const hive_node_h cafe = hivex_node_add_child(h, hivex_root(h), "Caf\xC3\xA9");  // UTF-8
  const hive_node_h japanese = hivex_node_add_child(h, hivex_root(h), platform::AnsiToUtf8("日本").c_str());
  ASSERT_NE(cafe, 0u);
  std::string naive = testing::HiveData(1, "na");
  naive += std::string("\xEF\x00ve\x00\x00\x00", 6);  // "naïve" and its terminator in UTF-16LE
  std::string noTerminator = testing::HiveData(1, "ab").substr(0, 4);
  std::string oddLength = noTerminator + "x";
  std::string multi("\x68\x88\0\0\xE9\0\0\0\0\0", 10);  // "表", "é", "" in UTF-16LE
  std::string snowman("\x03\x26\0\0", 4);  // U+2603 and the terminator
  hive_set_value values[] = {
      {const_cast<char*>("\xC3\xA9"), hive_t_REG_SZ, naive.size(), naive.data()},
      {const_cast<char*>("NoTerminator"), hive_t_REG_SZ, noTerminator.size(), noTerminator.data()},
      {const_cast<char*>("Odd"), hive_t_REG_EXPAND_SZ, oddLength.size(), oddLength.data()},
      {const_cast<char*>("Multi"), hive_t_REG_MULTI_SZ, multi.size(), multi.data()},
      {const_cast<char*>("Snowman"), hive_t_REG_SZ, snowman.size(), snowman.data()},
  };
  ASSERT_EQ(hivex_node_set_values(h, japanese, std::size(values), values, 0), 0);
  ASSERT_EQ(hivex_commit(h, nullptr, 0), 0);
  hivex_close(h);

  HiveRegistrySource hive(file, {kHkeyLocalMachine, "SOFTWARE"});
  auto key = hive.CreateAccess();
  key->SetRoot(kHkeyLocalMachine);
  ASSERT_TRUE(key->OpenKeyReadOnly("SOFTWARE"));
  EXPECT_EQ(key->SubKeyNames(), (std::vector<std::string>{"Caf?", "日本"}));
  EXPECT_FALSE(key->OpenKeyReadOnly("SOFTWARE\\Caf?"));  // as RegOpenKeyExA with the "?" name
  ASSERT_TRUE(key->OpenKeyReadOnly("SOFTWARE\\日本"));
  EXPECT_EQ(key->ValueNames(), (std::vector<std::string>{"?", "NoTerminator", "Odd", "Multi", "Snowman"}));
  EXPECT_FALSE(key->QueryValueInfo("?").ok);

  struct Expected {
    const char* name;
    std::uint32_t type;
    std::string data;
  };
  const Expected expected[] = {
      {"NoTerminator", 1, "ab"},
      {"Odd", 2, "ab"},
      {"Multi", 7, std::string("表\0?\0\0", 6)},
      {"Snowman", 1, std::string("?\0", 2)},
  };
  for (const Expected& e : expected) {
    const ValueInfo info = key->QueryValueInfo(e.name);
    EXPECT_TRUE(info.ok) << e.name;
    EXPECT_EQ(info.type, e.type) << e.name;
    EXPECT_EQ(info.size, e.data.size()) << e.name;
    std::string buffer(64, '\xCC');
    const std::uint32_t n = key->ReadRawData(e.name, buffer.data(), 64);
    EXPECT_EQ(buffer.substr(0, n), e.data) << e.name;
  }
}

// --- Damaged input ----------------------------------------------------------

// Opens, checks and exports the whole hive; false when a HiveError said it is
// damaged. Anything else (a crash, another exception) fails the test.
bool ReadsWhole(const std::string& file) {
  try {
    HiveRegistrySource hive(file, {kHkeyLocalMachine, "SOFTWARE"});
    hive.CheckTree(kHkeyLocalMachine, "SOFTWARE");
    ExportLines(LiveCommand::Export, hive, kHkeyLocalMachine, "SOFTWARE");
    ExportLines(LiveCommand::RegExpander, hive, kHkeyLocalMachine, "SOFTWARE");
    return true;
  } catch (const HiveError& error) {
    EXPECT_NE(std::string(error.what()).find(file), std::string::npos) << error.what();
    return false;
  }
}

TEST(HiveRegistry, FilesThatAreNoHivesAreRefusedWithTheirName) {
  const std::string good = ReadWholeFile(Files().Path("SOFTWARE"));
  std::mt19937 random(5);
  std::string garbage(good.size(), '\0');
  for (char& c : garbage) c = static_cast<char>(random());
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"empty", ""},
      {"text", "Windows Registry Editor Version 5.00\r\n"},
      {"zeros", std::string(good.size(), '\0')},
      {"garbage", garbage},
      {"header only", good.substr(0, 4096)},
      {"cut in the first bin", good.substr(0, 4096 + 100)},
      {"cut before the end", good.substr(0, good.size() - 1)},
      {"half", good.substr(0, good.size() / 2)},
  };
  for (const Case& c : cases) {
    const std::string file = Files().Path(c.name);
    WriteWholeFile(file, c.bytes);
    EXPECT_FALSE(ReadsWhole(file)) << c.name;
  }
  EXPECT_FALSE(ReadsWhole(Files().Path("missing")));
}

// The key cell named `name`: its offset in the file.
std::size_t FindKeyCell(const std::string& hive, const std::string& name) {
  for (std::size_t i = 4096; i + 0x4C + name.size() <= hive.size(); ++i) {
    if (hive.compare(i, 2, "nk") == 0 && static_cast<unsigned char>(hive[i + 0x48]) == name.size() &&
        hive.compare(i + 0x4C, name.size(), name) == 0) {
      return i;
    }
  }
  throw std::runtime_error("no key cell " + name);
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t v) {
  for (int b = 0; b < 4; ++b) bytes[at + b] = static_cast<char>(v >> (8 * b));
}

std::uint32_t Get32(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (int b = 3; b >= 0; --b) v = v << 8 | static_cast<unsigned char>(bytes[at + b]);
  return v;
}

// "Also Empty" is the only sub-key of "Empty Key". Giving "Also Empty" the
// sub-key list of its parent makes it its own sub-key.
std::string WriteLoopedHive() {
  const std::string good = ReadWholeFile(Files().Path("SOFTWARE"));
  const std::size_t parent = FindKeyCell(good, "Empty Key");
  const std::size_t child = FindKeyCell(good, "Also Empty");
  std::string loop = good;
  Put32(loop, child + 0x14, Get32(good, parent + 0x14));  // number of sub-keys
  Put32(loop, child + 0x1C, Get32(good, parent + 0x1C));  // sub-key list
  WriteWholeFile(Files().Path("loop"), loop);
  return Files().Path("loop");
}

TEST(HiveRegistry, KeysThatLoopOrAreSharedAreDamage) {
  EXPECT_FALSE(ReadsWhole(WriteLoopedHive()));

  // The same list given to the deep key "L40" makes "Also Empty" a key reached twice.
  const std::string good = ReadWholeFile(Files().Path("SOFTWARE"));
  const std::size_t parent = FindKeyCell(good, "Empty Key");

  std::string shared = good;
  const std::size_t leaf = FindKeyCell(good, "L40");
  Put32(shared, leaf + 0x14, Get32(good, parent + 0x14));
  Put32(shared, leaf + 0x1C, Get32(good, parent + 0x1C));
  WriteWholeFile(Files().Path("shared"), shared);
  EXPECT_FALSE(ReadsWhole(Files().Path("shared")));

  // A sub-key list pointing outside the file.
  std::string outside = good;
  Put32(outside, parent + 0x1C, 0x7FFFFF00);
  WriteWholeFile(Files().Path("outside"), outside);
  EXPECT_FALSE(ReadsWhole(Files().Path("outside")));
}

// Every other 4-byte word of the hive bins overwritten in turn: the reader may
// accept the change or report damage, and must do nothing else.
TEST(HiveRegistry, OverwrittenWordsNeverCrash) {
  const std::string good = ReadWholeFile(Files().Path("UsrClass.dat"));
  const std::string file = Files().Path("mutated");
  const std::uint32_t patterns[] = {0xFFFFFFFFu, 0x00000000u, 0x00000020u, 0x80000000u};
  int refused = 0;
  for (std::size_t at = 4096; at + 4 <= good.size(); at += 8) {
    std::string bytes = good;
    Put32(bytes, at, patterns[(at / 8) % std::size(patterns)]);
    WriteWholeFile(file, bytes);
    if (!ReadsWhole(file)) ++refused;
  }
  EXPECT_GT(refused, 0);
}

// --- vindra-cli --hive --------------------------------------------------------

#ifdef VINDRA_CLI_PATH
struct CliResult {
  int status = -1;
  std::string out, err;
};

std::string Quote(const std::string& arg) {
  std::string q = "'";
  for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

CliResult RunCli(const std::vector<std::string>& args) {
  const std::string errFile = Files().Path("stderr.txt");
  std::string command = Quote(VINDRA_CLI_PATH);
  for (const auto& a : args) command += " " + Quote(a);
  command += " 2>" + Quote(errFile);
  CliResult r;
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return r;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) r.out.append(buffer, n);
  const int wait = ::pclose(pipe);
  r.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
  r.err = ReadWholeFile(errFile);
  return r;
}

TEST(HiveCli, HiveGivesTheLinesOfTheRegFile) {
  testing::UseExampleMachinePaths();
  const std::string soft = Files().Path("soft.hiv");
  fs::copy_file(Files().Path("SOFTWARE"), soft, fs::copy_options::overwrite_existing);
  struct Case {
    std::vector<std::string> hiveArgs;
    std::vector<std::string> args;
  };
  const Case cases[] = {
      {{"--hive", Files().Path("SOFTWARE")}, {"export", "--encoding", "utf-8", "HKLM\\Software\\Vindra\\表示"}},
      {{"--hive=" + soft, "--mount", "HKLM\\SOFTWARE"}, {"export", "HKLM\\SOFTWARE\\Vindra"}},
      {{"--hive", Files().Path("SYSTEM")}, {"regexpander", "HKLM\\SYSTEM\\CurrentControlSet\\Services"}},
      {{"--hive", Files().Path("SYSTEM")}, {"export", "--no-controlset001", "HKLM\\SYSTEM\\CurrentControlSet"}},
      {{"--hive", Files().Path("NTUSER.DAT")}, {"export", "HKCU\\Software"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> fromArgs = c.args, hiveArgs = c.args;
    fromArgs.insert(fromArgs.begin() + 1, {"--from", kTreeReg});
    hiveArgs.insert(hiveArgs.begin() + 1, c.hiveArgs.begin(), c.hiveArgs.end());
    const CliResult fromReg = RunCli(fromArgs);
    const CliResult fromHive = RunCli(hiveArgs);
    EXPECT_EQ(fromReg.status, 0) << fromReg.err;
    EXPECT_EQ(fromHive.status, 0) << fromHive.err;
    EXPECT_FALSE(fromHive.out.empty());
    EXPECT_EQ(fromHive.out, fromReg.out) << c.args.back();
  }
}

TEST(HiveCli, RefusalsAndDamage) {
  const std::string other = Files().Path("copy.hiv");
  fs::copy_file(Files().Path("SOFTWARE"), other, fs::copy_options::overwrite_existing);
  const std::string damaged = Files().Path("damaged");
  WriteWholeFile(damaged, ReadWholeFile(Files().Path("SOFTWARE")).substr(0, 6000));
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string errorPart;
  };
  const Case cases[] = {
      {{"export", "--hive", other, "HKLM\\SOFTWARE\\Vindra"}, 64, "add --mount ROOT\\PATH"},
      {{"export", "--hive", Files().Path("SOFTWARE"), "HKCU\\Software"}, 64, "lies outside HKEY_LOCAL_MACHINE\\SOFTWARE"},
      {{"export", "--hive", Files().Path("SOFTWARE"), "HKLM\\SOFTWAREX"}, 64, "lies outside"},
      {{"export", "--mount", "HKLM\\SOFTWARE", "HKLM\\SOFTWARE\\Vindra"}, 64, "--mount needs --hive"},
      {{"export", "--hive", other, "--mount", "nowhere", "HKLM\\SOFTWARE"}, 64, "does not start with a root key"},
      {{"export", "--from", kTreeReg, "--hive", Files().Path("SOFTWARE"), "HKLM\\SOFTWARE"}, 64, "not both"},
      {{"export", "--hive", damaged, "--mount", "HKLM\\SOFTWARE", "HKLM\\SOFTWARE\\Vindra"}, 2, damaged + ": "},
      {{"regexpander", "--hive", WriteLoopedHive(), "--mount", "HKLM\\SOFTWARE", "HKLM\\SOFTWARE"}, 2,
       Files().Path("loop") + ": damaged hive"},
      {{"export", "--hive", Files().Path("missing"), "--mount", "HKLM\\SOFTWARE", "HKLM\\SOFTWARE"}, 2,
       Files().Path("missing") + ": cannot be read"},
  };
  for (const Case& c : cases) {
    const CliResult r = RunCli(c.args);
    EXPECT_EQ(r.status, c.status) << c.args[2] << "\n" << r.err;
    EXPECT_EQ(r.out, "") << c.args[2];
    EXPECT_NE(r.err.find(c.errorPart), std::string::npos) << r.err;
  }
}
#endif  // VINDRA_CLI_PATH

}  // namespace
}  // namespace vindra::registry

#endif  // _WIN32
