// The hive source on the committed test hives, in every build (natively and
// under Wine, on the same files): each hive must export the lines of the .reg
// file its tree comes from; names and data as the ANSI registry functions
// give them; damaged hives end in a HiveError naming the file and what is
// wrong, never in a crash.
#include "registry/hive_registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/options.h"
#include "core/output_list.h"
#include "hive_damage_cases.h"
#include "hive_fixtures.h"
#include "registry/live_export.h"
#include "test_support.h"

namespace vindra::registry {
namespace {

using testing::HiveFixture;
using testing::HiveKey;
using testing::HiveValue;
using testing::ReadFileBytes;
using testing::WriteFileBytes;

testing::ScratchFolder& Scratch() {
  static testing::ScratchFolder folder;
  return folder;
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

// The key and every key below it in `source`.
std::vector<std::string> KeysFrom(RegistrySource& source, RootKey root, const std::string& top) {
  std::vector<std::string> paths{top};
  for (std::size_t i = 0; i < paths.size(); ++i) {
    auto key = source.CreateAccess();
    key->SetRoot(root);
    if (!key->OpenKeyReadOnly(paths[i])) continue;
    for (const std::string& sub : key->SubKeyNames()) paths.push_back(paths[i].empty() ? sub : paths[i] + "\\" + sub);
  }
  return paths;
}

const HiveFixture& Fixture(const std::string& file) {
  for (const HiveFixture& f : testing::HiveFixtures()) {
    if (file == f.file) return f;
  }
  throw std::runtime_error("no fixture " + file);
}

TEST(HiveRegistry, EveryFixtureExportsTheLinesOfItsRegFile) {
  testing::UseExampleMachinePaths();
  MemoryRegistry& tree = testing::HiveFixtureTree();
  for (const HiveFixture& f : testing::HiveFixtures()) {
    const std::string file = testing::HiveFixturePath(f);
    HiveRegistrySource hive(file, *DefaultHiveMount(file));
    EXPECT_EQ(hive.Dirty(), f.writer == testing::HiveWrittenBy::Builder && f.shape.dirty) << f.file;
    int compared = 0;
    for (const std::string& path : KeysFrom(tree, f.root, f.mountPath)) {
      if (path.empty()) continue;  // the root itself is refused by both commands alike
      hive.CheckTree(f.root, path);
      for (const LiveCommand command : {LiveCommand::Export, LiveCommand::RegExpander}) {
        const auto fromHive = ExportLines(command, hive, f.root, path);
        ASSERT_EQ(fromHive, ExportLines(command, tree, f.root, path)) << f.file << " " << path;
        ++compared;
      }
    }
    EXPECT_GE(compared, 6) << f.file;
  }
}

TEST(HiveRegistry, KeysAsTheUserSpellsThemAndTheControlSet) {
  testing::UseExampleMachinePaths();
  struct Case {
    const char* hive;
    RootKey root;
    const char* path;
    bool forceControlSet001;
  };
  const Case cases[] = {
      {"SOFTWARE", kHkeyLocalMachine, "software\\VINDRA\\表示", true},  // Japanese names, the user's letter case
      {"SOFTWARE", kHkeyLocalMachine, "SOFTWARE\\Vindra\\Big", true},   // data in big-data segments
      {"SYSTEM", kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\services\\DEMO", true},
      {"SYSTEM", kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\Demo", false},
      {"SYSTEM", kHkeyLocalMachine, "System\\currentcontrolset", false},
      {"SYSTEM", kHkeyLocalMachine, "SYSTEM", true},  // CurrentControlSet listed beside the control sets
      {"NTUSER.DAT", kHkeyCurrentUser, "software\\vindra", true},
      {"UsrClass.dat", kHkeyClassesRoot, "vindra.file", true},
  };
  for (const char* writer : {"hivex/", "xp/", "win10/"}) {
    for (const Case& c : cases) {
      const std::string name = std::string(writer) + c.hive;
      if (name == "xp/NTUSER.DAT" || name == "xp/UsrClass.dat") continue;
      const std::string file = testing::HiveFixturePath(Fixture(name));
      HiveRegistrySource hive(file, *DefaultHiveMount(file));
      hive.CheckTree(c.root, c.path);
      ConversionOptions options;
      options.ForceControlSet001 = c.forceControlSet001;
      for (const LiveCommand command : {LiveCommand::Export, LiveCommand::RegExpander}) {
        EXPECT_EQ(ExportLines(command, hive, c.root, c.path, options),
                  ExportLines(command, testing::HiveFixtureTree(), c.root, c.path, options))
            << name << " " << c.path;
      }
    }
  }
}

// The builder's hives are committed so that every build reads the same
// bytes; the builder must still write them so.
TEST(HiveRegistry, BuilderFixturesAreWhatTheBuilderWrites) {
  for (const HiveFixture& f : testing::HiveFixtures()) {
    if (f.writer != testing::HiveWrittenBy::Builder) continue;
    EXPECT_TRUE(ReadFileBytes(testing::HiveFixturePath(f)) == testing::BuildFixture(f))
        << f.file << " differs from what the builder writes now: run write_hive_fixtures";
  }
}

TEST(HiveRegistry, ResolvesCurrentControlSetThroughSelectCurrent) {
  for (const char* name : {"hivex/SYSTEM", "xp/SYSTEM", "win10/SYSTEM"}) {
    HiveRegistrySource hive(testing::HiveFixturePath(Fixture(name)), {kHkeyLocalMachine, "SYSTEM"});
    EXPECT_EQ(hive.CurrentControlSetName(), "ControlSet002") << name;
    auto key = hive.CreateAccess();
    key->SetRoot(kHkeyLocalMachine);
    ASSERT_TRUE(key->OpenKeyReadOnly("SYSTEM")) << name;
    const auto names = key->SubKeyNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), "CurrentControlSet"), 1) << name;
    EXPECT_EQ(key->SubKeyCount(), names.size()) << name;
    ASSERT_TRUE(key->OpenKeyReadOnly("SYSTEM\\CURRENTCONTROLSET\\Services\\Demo")) << name;
    EXPECT_EQ(key->ReadInteger("Start"), 2u) << name;  // ControlSet002's value, not ControlSet001's 3
    // Only at the top of the hive.
    EXPECT_FALSE(key->OpenKeyReadOnly("SYSTEM\\Select\\CurrentControlSet")) << name;
  }
}

TEST(HiveRegistry, KeysAboveTheMountPointLeadToIt) {
  HiveRegistrySource hive(testing::HiveFixturePath(Fixture("win10/SOFTWARE")), {kHkeyLocalMachine, "SOFTWARE"});
  auto key = hive.CreateAccess();
  key->SetRoot(kHkeyLocalMachine);
  ASSERT_TRUE(key->OpenKeyReadOnly(""));
  EXPECT_EQ(key->SubKeyNames(), std::vector<std::string>{"SOFTWARE"});
  EXPECT_EQ(key->SubKeyCount(), 1u);
  EXPECT_TRUE(key->ValueNames().empty());
  EXPECT_FALSE(key->QueryValueInfo("").ok);
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
  // ソ is 83 5C: its second byte is no folder separator.
  for (const char* other : {"SAM", "SECURITY", "software.bak", "NTUSER.DAT.LOG1", "", "config/", "D:\\ソSOFTWARE"}) {
    EXPECT_FALSE(DefaultHiveMount(other)) << other;
  }
  EXPECT_TRUE(DefaultHiveMount("D:\\ソ\\SOFTWARE"));
}

TEST(HiveRegistry, HiveFilesAreKnownByTheirSignature) {
  const std::string text = Scratch().Path("text.reg"), signature = Scratch().Path("signature");
  WriteFileBytes(text, "Windows Registry Editor Version 5.00\r\n");
  WriteFileBytes(signature, "regf");
  EXPECT_TRUE(HasHiveSignature(testing::HiveFixturePath(Fixture("xp/SYSTEM"))));
  EXPECT_TRUE(HasHiveSignature(signature));  // damaged, but a hive: opening it says what is wrong
  EXPECT_FALSE(HasHiveSignature(text));
  EXPECT_FALSE(HasHiveSignature(Scratch().Path("missing")));
}

// Names the code page lacks or that hold a NUL, text data without its
// terminator or with an odd byte; the same whether the hive keeps names in
// 8 bits where it can or always in UTF-16.
TEST(HiveRegistry, NamesAndTextDataAsTheAnsiFunctionsGiveThem) {
  HiveKey japanese{platform::AnsiToWide("日本")};
  std::string naive = testing::Utf16Bytes(u"na\u00EFve") + std::string(2, '\0');
  const std::string noTerminator = testing::Utf16Bytes(u"ab");
  japanese.values = {
      {u"\u00E9", 1, naive},
      {u"NoTerminator", 1, noTerminator},
      {u"Odd", 2, noTerminator + "x"},
      {u"Multi", 7, testing::Utf16Bytes(u"\u8868") + std::string(2, '\0') + testing::Utf16Bytes(u"\u00E9") + std::string(4, '\0')},
      {u"Snowman", 1, testing::Utf16Bytes(u"\u2603") + std::string(2, '\0')},
      {u"", 4, std::string("\x05\0\0\0", 4)},
  };
  HiveKey root{u"ROOT"};
  root.subKeys = {HiveKey{u"Caf\u00E9"}, japanese, HiveKey{std::u16string(u"A\0B", 3)},
                  HiveKey{std::u16string(1, char16_t(0xD800)) + u"x"}};
  for (const bool utf16 : {false, true}) {
    testing::HiveShape shape;
    shape.utf16Names = utf16;
    const std::string file = Scratch().Path("names.hive");
    WriteFileBytes(file, testing::HiveWriter::Write(root, shape));
    HiveRegistrySource hive(file, {kHkeyLocalMachine, "SOFTWARE"});
    hive.CheckTree(kHkeyLocalMachine, "SOFTWARE");
    auto key = hive.CreateAccess();
    key->SetRoot(kHkeyLocalMachine);
    ASSERT_TRUE(key->OpenKeyReadOnly("SOFTWARE"));
    EXPECT_EQ(key->SubKeyNames(), (std::vector<std::string>{"Caf?", "日本", "A", "?x"})) << utf16;
    // As RegOpenKeyExA with those names: they lead to no key.
    for (const char* lost : {"SOFTWARE\\Caf?", "SOFTWARE\\A", "SOFTWARE\\?x"}) {
      EXPECT_FALSE(key->OpenKeyReadOnly(lost)) << lost << " " << utf16;
    }
    ASSERT_TRUE(key->OpenKeyReadOnly("SOFTWARE\\日本"));
    EXPECT_EQ(key->ValueNames(), (std::vector<std::string>{"?", "NoTerminator", "Odd", "Multi", "Snowman", ""}));
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
        {"", 4, std::string("\x05\0\0\0", 4)},
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
}

// --- Damaged input ----------------------------------------------------------

// Opens, checks and exports the whole hive; false when a HiveError said it is
// damaged. Anything else (a crash, another exception) fails the test.
bool ReadsWhole(const std::string& file, std::string* message = nullptr) {
  try {
    HiveRegistrySource hive(file, {kHkeyLocalMachine, "SOFTWARE"});
    hive.CheckTree(kHkeyLocalMachine, "SOFTWARE");
    ExportLines(LiveCommand::Export, hive, kHkeyLocalMachine, "SOFTWARE");
    ExportLines(LiveCommand::RegExpander, hive, kHkeyLocalMachine, "SOFTWARE");
    return true;
  } catch (const HiveError& error) {
    EXPECT_EQ(std::string(error.what()).rfind(file + ": ", 0), 0u) << error.what();
    if (message != nullptr) *message = error.what();
    return false;
  }
}

TEST(HiveRegistry, FilesThatAreNoHivesAreRefusedWithTheirName) {
  const std::string good = ReadFileBytes(testing::HiveFixturePath(Fixture("win10/UsrClass.dat")));
  std::mt19937 random(5);
  std::string garbage(good.size(), '\0');
  for (char& c : garbage) c = static_cast<char>(random());
  struct Case {
    const char* name;
    std::string bytes;
    const char* message;
  };
  const Case cases[] = {
      {"empty", "", "not a registry hive file"},
      {"text", "Windows Registry Editor Version 5.00\r\n", "not a registry hive file"},
      {"zeros", std::string(good.size(), '\0'), "not a registry hive file"},
      {"garbage", garbage, "not a registry hive file"},
      {"signature only", "regf", "ends inside its base block"},
      {"header only", good.substr(0, 4096), "cut short"},
      {"cut in the first bin", good.substr(0, 4096 + 100), "cut short"},
      {"cut before the end", good.substr(0, good.size() - 1), "cut short"},
      {"half", good.substr(0, good.size() / 2), "cut short"},
  };
  for (const Case& c : cases) {
    const std::string file = Scratch().Path(c.name);
    WriteFileBytes(file, c.bytes);
    std::string message;
    EXPECT_FALSE(ReadsWhole(file, &message)) << c.name;
    EXPECT_NE(message.find(c.message), std::string::npos) << c.name << ": " << message;
  }
  std::string message;
  EXPECT_FALSE(ReadsWhole(Scratch().Path("missing"), &message));
  EXPECT_NE(message.find(": cannot be read: "), std::string::npos) << message;
  EXPECT_FALSE(ReadsWhole(Scratch().Path(""), &message));  // the folder itself
  EXPECT_NE(message.find(": cannot be read: "), std::string::npos) << message;
}

TEST(HiveRegistry, EachDamageIsRefusedWithWhatIsWrong) {
  const std::string intact = Scratch().Path("intact.hive");
  WriteFileBytes(intact, testing::SmallIntactHive());
  ASSERT_TRUE(ReadsWhole(intact));
  for (const testing::HiveDamage& d : testing::HiveDamages()) {
    const std::string file = Scratch().Path("damaged.hive");
    WriteFileBytes(file, d.make());
    std::string message;
    EXPECT_FALSE(ReadsWhole(file, &message)) << d.name;
    EXPECT_NE(message.find(": damaged hive: "), std::string::npos) << d.name << ": " << message;
    EXPECT_NE(message.find(d.message), std::string::npos) << d.name << ": " << message;
  }
}

// The registry allows 512 levels below a root key: the mount point's own levels count.
TEST(HiveRegistry, KeysNestedUpTo512LevelsAreRead) {
  const struct {
    RootedKeyPath mount;
    int levels;
    bool read;
  } cases[] = {
      {{kHkeyCurrentUser, ""}, 512, true},
      {{kHkeyCurrentUser, ""}, 513, false},
      {{kHkeyLocalMachine, "SOFTWARE"}, 511, true},
      {{kHkeyLocalMachine, "SOFTWARE"}, 512, false},
  };
  for (const auto& c : cases) {
    const std::string file = Scratch().Path("deep.hive");
    WriteFileBytes(file, testing::DeepHive(c.levels));
    HiveRegistrySource hive(file, c.mount);
    bool read = true;
    try {
      hive.CheckTree(c.mount.root, c.mount.path);
    } catch (const HiveError& error) {
      read = false;
      EXPECT_NE(std::string(error.what()).find("deeper than 512 levels"), std::string::npos) << error.what();
    }
    EXPECT_EQ(read, c.read) << c.levels;
  }
}

// Every other 4-byte word of the hive bins overwritten in turn: the reader may
// accept the change or report damage, and must do nothing else.
TEST(HiveRegistry, OverwrittenWordsNeverCrash) {
  const std::uint32_t patterns[] = {0xFFFFFFFFu, 0x00000000u, 0x00000020u, 0x80000000u};
  for (const char* name : {"win10/UsrClass.dat", "xp/SYSTEM"}) {
    const std::string good = ReadFileBytes(testing::HiveFixturePath(Fixture(name)));
    const std::string file = Scratch().Path("mutated");
    int refused = 0;
    for (std::size_t at = 4096; at + 4 <= good.size(); at += 8) {
      std::string bytes = good;
      testing::Put32At(bytes, at, patterns[(at / 8) % std::size(patterns)]);
      WriteFileBytes(file, bytes);
      if (!ReadsWhole(file)) ++refused;
    }
    EXPECT_GT(refused, 0) << name;
  }
}

}  // namespace
}  // namespace vindra::registry
