// Writes the committed test hives: tests/registry/data/hives/ (see
// hive_fixtures.h) and the hive seeds of the fuzz target fuzz_hive. Run it
// after changing the tree or the list, then commit what changed:
//
//   build/native/tests/registry/write_hive_fixtures
//
// Builder hives come out the same on every run; hivex stamps the time into
// the hives it writes, so those change at every run.
#include <cstdio>
#include <filesystem>
#include <string>

#include "hive_fixtures.h"
#include "hive_test_support.h"

namespace reg = vindra::registry;
namespace t = vindra::registry::testing;

namespace {

// Small hives for the fuzzer, whose inputs may be 32 KiB: each shape the
// reader knows, one value in big-data segments.
void WriteFuzzSeeds(const std::string& dir) {
  auto& tree = t::HiveFixtureTree();
  t::HiveKey software = t::HiveKeyFrom(tree, reg::kHkeyLocalMachine, "SOFTWARE\\Vindra\\表示", u"ROOT");
  t::HiveKey system = t::HiveKeyFrom(tree, reg::kHkeyLocalMachine, "SYSTEM", u"ROOT", {"CurrentControlSet"});
  t::HiveKey big{u"ROOT"};
  big.values.push_back({u"Big", 3, std::string(16400, '\x5A')});
  big.subKeys.push_back(software);
  struct Seed {
    const char* name;
    const t::HiveKey& root;
    t::HiveShape shape;
  };
  const Seed seeds[] = {
      {"xp-lf-ri.hive", software, {3, t::HiveLeaf::Lf, 1, false, false}},
      {"xp-li-system.hive", system, {3, t::HiveLeaf::Li, 2, false, false}},
      {"win10-lh-utf16.hive", software, {5, t::HiveLeaf::Lh, 0, true, false}},
      {"win10-bigdata.hive", big, {5, t::HiveLeaf::Lh, 0, false, false}},
      {"win10-dirty-system.hive", system, {5, t::HiveLeaf::Lh, 2, false, true}},
  };
  for (const Seed& s : seeds) t::WriteFileBytes(dir + "/" + s.name, t::HiveWriter::Write(s.root, s.shape));
}

}  // namespace

int main() {
  const std::string hives = t::kRegistryDataDir + "/hives";
  for (const t::HiveFixture& f : t::HiveFixtures()) {
    const std::string path = t::HiveFixturePath(f);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    if (f.writer == t::HiveWrittenBy::Builder) {
      t::WriteFileBytes(path, t::BuildFixture(f));
    } else {
      t::WriteHivexHive(t::HiveKeyFrom(t::HiveFixtureTree(), f.root, f.mountPath, u"ROOT", t::KeysLeftOutOf(f)), path);
    }
    std::printf("%s\n", path.c_str());
  }
  WriteFuzzSeeds(VINDRA_FUZZ_HIVE_CORPUS);
  std::printf("%s\n", VINDRA_FUZZ_HIVE_CORPUS);
  return 0;
}
