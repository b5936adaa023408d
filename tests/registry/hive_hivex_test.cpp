// The hive reader against hivex, the independent reference (native builds):
// every committed test hive, every kept input of the fuzz target and damaged
// hives are read by both, and the two must agree on names, types, data, the
// order of sub-keys and values, and on what they refuse. Where they part on
// purpose, kDifferences below says so and why.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "hive_damage_cases.h"
#include "hive_dump.h"
#include "hive_fixtures.h"
#include "hive_test_support.h"
#include "registry/hive_registry.h"
#include "registry/live_export.h"
#include "registry/reg_file_import.h"
#include "test_support.h"

namespace vindra::registry {
namespace {

namespace fs = std::filesystem;
using testing::HiveFixture;
using testing::HiveKey;

testing::ScratchFolder& Scratch() {
  static testing::ScratchFolder folder;
  return folder;
}

bool Refused(const std::string& dump) { return dump.rfind("refused: ", 0) == 0; }

// Where the two readers part on purpose: which one refuses (by a part of its
// message), and why.
struct Difference {
  const char* readerRefuses;  // part of the reader's message; null: the reader reads the hive
  const char* hivexRefuses;   // part of hivex's; null: hivex reads it
  const char* reason;
};

const Difference kDifferences[] = {
    {nullptr, "hivex_value_value",
     "A value without data: Windows never reads its data offset (it writes 0xFFFFFFFF there, or leaves an old one); "
     "hivex still wants it to point at a cell in use."},
    {"segment", nullptr,
     "A big-data segment smaller than the part of the data it carries: hivex reads on past the segment's cell into the "
     "cells behind it; the reader refuses rather than export bytes of other cells."},
    {"cut short", nullptr,
     "A file that ends on a hive bin boundary before the size its base block gives: hivex reads the bins that are "
     "left; the reader refuses a file shorter than its base block says, as a copy cut short is missing keys."},
    {"runs past the end of its hive bin", nullptr,
     "A cell whose size reaches past its hive bin: hivex takes it; Windows and the reader keep every cell inside its bin."},
    {"transaction log", nullptr,
     "A base block whose file type says transaction log: hivex does not look at the type. A real log file "
     "(SYSTEM.LOG1) holds log entries, not a key tree, so the reader tells the user to take the hive itself."},
    {"no multiple of 4096", nullptr,
     "A base block giving the hive bins a size that is no multiple of 4096: hivex walks the bins to the end of the "
     "file; Windows and the reader take hive bins in whole 4096-byte blocks only."},
};

// hivex takes from each big-data segment its cell's size less 8 bytes, which
// drops up to 4 bytes at the end of the data when the last segment's cell
// has no spare bytes (as when Windows writes 258 bytes there, into a cell of
// 264). The reader takes 16344 bytes from each segment but the last, which
// holds the rest. True when `reader` and `hivex` differ only so.
bool OnlyBigDataEndsDiffer(const std::string& reader, const std::string& hivex) {
  std::size_t r = 0, h = 0;
  bool differed = false;
  while (r < reader.size() && h < hivex.size()) {
    const std::size_t rEnd = reader.find('\n', r), hEnd = hivex.find('\n', h);
    const std::string_view a(reader.data() + r, rEnd - r), b(hivex.data() + h, hEnd - h);
    if (a != b) {
      const std::size_t data = a.find(" data ");
      const std::size_t bytes = (a.size() - data - 6) / 2;
      if (data == std::string_view::npos || a.substr(0, b.size()) != b || a.size() - b.size() > 8 ||
          bytes <= kHiveBigDataSegment) {
        return false;
      }
      differed = true;
    }
    r = rEnd + 1;
    h = hEnd + 1;
  }
  return differed && r == reader.size() && h == hivex.size();
}

// The difference that explains `reader` and `hivex`, or null.
const Difference* Explained(const std::string& reader, const std::string& hivex) {
  for (const Difference& d : kDifferences) {
    const bool readerMatches = d.readerRefuses ? Refused(reader) && reader.find(d.readerRefuses) != std::string::npos
                                               : !Refused(reader);
    const bool hivexMatches =
        d.hivexRefuses ? Refused(hivex) && hivex.find(d.hivexRefuses) != std::string::npos : !Refused(hivex);
    // A value without data is what the reader then shows.
    const bool shapeMatches = d.hivexRefuses == nullptr || std::string(d.hivexRefuses) != "hivex_value_value" ||
                              reader.find(" data \n") != std::string::npos;
    if (readerMatches && hivexMatches && shapeMatches) return &d;
  }
  return nullptr;
}

// Both readers on one file: the same dump, both refusing, or a listed difference.
void ExpectSameReading(const std::string& file, const std::string& what) {
  const std::string reader = testing::DumpWithReader(testing::ReadFileBytes(file));
  const std::string hivex = testing::DumpWithHivex(file);
  if (reader == hivex || (Refused(reader) && Refused(hivex)) || OnlyBigDataEndsDiffer(reader, hivex)) return;
  EXPECT_NE(Explained(reader, hivex), nullptr) << what << " (reader, then hivex): "
                                               << testing::FirstDifference(reader, hivex);
}

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> files;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(dir, error)) {
    if (entry.is_regular_file()) files.push_back(entry.path().string());
  }
  return files;
}

TEST(HiveAgainstHivex, EveryCommittedHiveAndFuzzInputReadsTheSame) {
  int hives = 0;
  for (const HiveFixture& f : testing::HiveFixtures()) {
    const std::string file = testing::HiveFixturePath(f);
    const std::string reader = testing::DumpWithReader(testing::ReadFileBytes(file));
    EXPECT_FALSE(Refused(reader)) << f.file << ": " << reader;
    const std::string hivex = testing::DumpWithHivex(file);
    EXPECT_TRUE(reader == hivex || OnlyBigDataEndsDiffer(reader, hivex)) << f.file << " (reader, then hivex): " << testing::FirstDifference(reader, hivex);
    ++hives;
  }
  for (const char* dir : {VINDRA_FUZZ_HIVE_CORPUS, VINDRA_FUZZ_HIVE_REGRESSIONS}) {
    for (const std::string& file : FilesIn(dir)) {
      ExpectSameReading(file, file);
      ++hives;
    }
  }
  EXPECT_GT(hives, 15);
}

// The committed hivex hives hold what hivex writes from the tree today.
TEST(HiveAgainstHivex, HivexFixturesHoldTheTree) {
  for (const HiveFixture& f : testing::HiveFixtures()) {
    if (f.writer != testing::HiveWrittenBy::Hivex) continue;
    const std::string fresh = Scratch().Path("fresh.hive");
    testing::WriteHivexHive(
        testing::HiveKeyFrom(testing::HiveFixtureTree(), f.root, f.mountPath, u"ROOT", testing::KeysLeftOutOf(f)), fresh);
    const std::string committed = testing::DumpWithHivex(testing::HiveFixturePath(f));
    const std::string now = testing::DumpWithHivex(fresh);
    EXPECT_TRUE(committed == now) << f.file << " is not what hivex writes from the tree now (run write_hive_fixtures): "
                                  << testing::FirstDifference(committed, now);
  }
}

// hivex's verdict on each damage the reader refuses. Loops, keys reached
// twice and deep nesting are refused by the dump's walk for both readers
// (neither refuses them on its own; the registry source does).
TEST(HiveAgainstHivex, RefusesTheSameDamage) {
  for (const testing::HiveDamage& d : testing::HiveDamages()) {
    const std::string file = Scratch().Path("damaged.hive");
    testing::WriteFileBytes(file, d.make());
    const std::string reader = testing::DumpWithReader(testing::ReadFileBytes(file));
    const std::string hivex = testing::DumpWithHivex(file);
    const bool walkRefuses = reader.find("reached twice") != std::string::npos ||
                             reader.find("deeper than 512") != std::string::npos;
    if (!walkRefuses) {
      EXPECT_NE(reader.find(d.message), std::string::npos) << d.name << ": " << reader;
    }
    if (Refused(hivex)) continue;
    EXPECT_NE(Explained(reader, hivex), nullptr) << d.name << ": hivex reads it\nreader: " << reader;
  }
}

// Words of hive bins overwritten one at a time: both readers read the result
// alike or both refuse it, but for the listed differences.
TEST(HiveAgainstHivex, OverwrittenWordsReadTheSame) {
  const std::uint32_t patterns[] = {0xFFFFFFFFu, 0x00000000u, 0x00000020u, 0x80000000u, 0x00001000u};
  for (const char* name : {"hivex/UsrClass.dat", "win10/UsrClass.dat", "xp/SYSTEM"}) {
    std::string file;
    for (const HiveFixture& f : testing::HiveFixtures()) {
      if (std::string(f.file) == name) file = testing::HiveFixturePath(f);
    }
    const std::string good = testing::ReadFileBytes(file);
    const std::string mutated = Scratch().Path("mutated.hive");
    for (std::size_t at = 4096; at + 4 <= good.size(); at += 4) {
      std::string bytes = good;
      testing::Put32At(bytes, at, patterns[(at / 4) % std::size(patterns)]);
      if (bytes == good) continue;
      testing::WriteFileBytes(mutated, bytes);
      ExpectSameReading(mutated, std::string(name) + " with the word at " + std::to_string(at) + " overwritten");
    }
  }
}

// What vindra-cli writes for a key: the key spelled by the source, then the export.
std::vector<std::string> ExportLines(LiveCommand command, RegistrySource& source, RootKey root, const std::string& path) {
  RootedKeyPath key{root, RegistrySpelling(source, root, path)};
  LineList out;
  const LiveExportResult result = RunLiveExport(command, source, key, {}, true, out);
  out.lines.push_back("status " + std::to_string(static_cast<int>(result.status)) + " " + result.errorText);
  return out.lines;
}

// The project's other .reg fixtures, each mount point written by hivex as a
// hive of its own and read back by the reader. A .reg export has
// CurrentControlSet where a SYSTEM hive on disk has ControlSet001 and
// Select\Current: the SYSTEM hive is written that way.
TEST(HiveAgainstHivex, EveryRegFixtureExportsTheSameThroughAHivexHive) {
  testing::UseExampleMachinePaths();
  const std::string fixtures[] = {testing::kRegistryDataDir + "/demo.reg",
                                  testing::kRegistryDataDir + "/../../../examples/example.reg", testing::kHiveTreeReg};
  struct Mount {
    RootKey root;
    const char* mountPath;
    const char* exportPath;
  };
  const Mount mounts[] = {
      {kHkeyLocalMachine, "SOFTWARE", "SOFTWARE"},
      {kHkeyLocalMachine, "SYSTEM", "SYSTEM\\CurrentControlSet"},
      {kHkeyCurrentUser, "", "Software"},
      {kHkeyClassesRoot, "", ""},
  };
  int compared = 0;
  for (const std::string& fixture : fixtures) {
    MemoryRegistry registry;
    ASSERT_TRUE(ImportRegFile(fixture, registry).recognised) << fixture;
    for (const Mount& m : mounts) {
      auto probe = registry.CreateAccess();
      probe->SetRoot(m.root);
      if (!probe->OpenKeyReadOnly(m.mountPath)) continue;
      HiveKey root = testing::HiveKeyFrom(registry, m.root, m.mountPath, u"ROOT");
      const bool isSystem = std::string(m.mountPath) == "SYSTEM";
      if (isSystem && !probe->OpenKeyReadOnly("SYSTEM\\Select")) {
        for (HiveKey& sub : root.subKeys) {
          if (platform::WideToAnsi(sub.name) == "CurrentControlSet") sub.name = u"ControlSet001";
        }
        HiveKey select{u"Select"};
        select.values.push_back({u"Current", 4, std::string("\x01\0\0\0", 4)});
        root.subKeys.push_back(select);
      } else if (isSystem) {
        std::erase_if(root.subKeys, [](const HiveKey& k) { return platform::WideToAnsi(k.name) == "CurrentControlSet"; });
      }
      const std::string file = Scratch().Path("fixture.hive");
      testing::WriteHivexHive(root, file);
      HiveRegistrySource hive(file, {m.root, m.mountPath});
      auto paths = std::vector<std::string>{m.exportPath};
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

}  // namespace
}  // namespace vindra::registry
