// The committed test hives (tests/registry/data/hives/) and the tree they
// hold: tests/registry/data/hive_tree.reg with two values longer than a
// big-data segment. Every build reads the same files: the native tests, and
// the Windows builds' tests under Wine. data/README.md says how they are made.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "hive_builder.h"
#include "registry/memory_registry.h"
#include "registry/reg_file_import.h"

namespace vindra::registry::testing {

inline const std::string kRegistryDataDir = VINDRA_REGISTRY_TEST_DATA;
inline const std::string kHiveTreeReg = kRegistryDataDir + "/hive_tree.reg";

inline std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFileBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Who wrote a committed hive: hivex (from the empty hive, format 1.3), or the
// tests' own HiveWriter in the shape given.
enum class HiveWrittenBy { Hivex, Builder };

struct HiveFixture {
  const char* file;  // below data/hives/, named as on a Windows disk
  RootKey root;      // the key the hive stands for
  const char* mountPath;
  HiveWrittenBy writer;
  HiveShape shape;  // of a builder hive
};

inline const std::vector<HiveFixture>& HiveFixtures() {
  static const std::vector<HiveFixture> fixtures = {
      {"hivex/SOFTWARE", kHkeyLocalMachine, "SOFTWARE", HiveWrittenBy::Hivex, {}},
      {"hivex/SYSTEM", kHkeyLocalMachine, "SYSTEM", HiveWrittenBy::Hivex, {}},
      {"hivex/NTUSER.DAT", kHkeyCurrentUser, "", HiveWrittenBy::Hivex, {}},
      {"hivex/UsrClass.dat", kHkeyClassesRoot, "", HiveWrittenBy::Hivex, {}},
      // Windows XP and Server 2003: format 1.3, "lf" and "li" leaves, "ri" lists of them.
      {"xp/SOFTWARE", kHkeyLocalMachine, "SOFTWARE", HiveWrittenBy::Builder, {3, HiveLeaf::Lf, 2, false, false}},
      {"xp/SYSTEM", kHkeyLocalMachine, "SYSTEM", HiveWrittenBy::Builder, {3, HiveLeaf::Li, 3, false, false}},
      // Vista to 11: format 1.5, "lh" leaves, big-data segments; names in UTF-16
      // in NTUSER.DAT, a SYSTEM hive left dirty, every list of UsrClass.dat under "ri".
      {"win10/SOFTWARE", kHkeyLocalMachine, "SOFTWARE", HiveWrittenBy::Builder, {5, HiveLeaf::Lh, 0, false, false}},
      {"win10/SYSTEM", kHkeyLocalMachine, "SYSTEM", HiveWrittenBy::Builder, {5, HiveLeaf::Lh, 0, false, true}},
      {"win10/NTUSER.DAT", kHkeyCurrentUser, "", HiveWrittenBy::Builder, {5, HiveLeaf::Lh, 0, true, false}},
      {"win10/UsrClass.dat", kHkeyClassesRoot, "", HiveWrittenBy::Builder, {5, HiveLeaf::Lh, 1, false, false}},
  };
  return fixtures;
}

inline std::string HiveFixturePath(const HiveFixture& fixture) {
  return kRegistryDataDir + "/hives/" + fixture.file;
}

// A SYSTEM hive on disk has no CurrentControlSet: Windows makes it when it
// loads the hive. The tree's .reg file has one, as a live export does.
inline std::vector<std::string> KeysLeftOutOf(const HiveFixture& fixture) {
  if (fixture.root == kHkeyLocalMachine && std::string(fixture.mountPath) == "SYSTEM") return {"CurrentControlSet"};
  return {};
}

// Text of `units` UTF-16 code units, Japanese and ASCII, in the ANSI code page.
inline std::string LongAnsiText(std::size_t units) {
  const std::u16string piece = platform::AnsiToWide("日本語のテキスト 0123456789 ");
  std::u16string wide;
  while (wide.size() < units) wide += piece;
  wide.resize(units);
  return platform::WideToAnsi(wide);
}

// The tree of every fixture: the .reg file, and under SOFTWARE\Vindra\Big a
// binary value and a string longer than one big-data segment (16344 bytes).
inline MemoryRegistry& HiveFixtureTree() {
  static MemoryRegistry* tree = [] {
    auto* r = new MemoryRegistry;
    const RegImportResult imported = ImportRegFile(kHiveTreeReg, *r);
    if (!imported.recognised || !imported.problems.empty()) throw std::runtime_error("hive_tree.reg did not import");
    std::string binary(17000, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 7 % 251);
    r->SetValue(kHkeyLocalMachine, "SOFTWARE\\Vindra\\Big", "Binary", 3, binary);
    r->SetValue(kHkeyLocalMachine, "SOFTWARE\\Vindra\\Big", "Text", 1, LongAnsiText(8300) + std::string(1, '\0'));
    return r;
  }();
  return *tree;
}

// The bytes HiveWriter makes for a builder fixture.
inline std::string BuildFixture(const HiveFixture& fixture) {
  const HiveKey root =
      HiveKeyFrom(HiveFixtureTree(), fixture.root, fixture.mountPath, u"ROOT", KeysLeftOutOf(fixture));
  return HiveWriter::Write(root, fixture.shape);
}

// A folder of its own for one test program's files, removed at the end.
class ScratchFolder {
 public:
  ScratchFolder() {
#ifdef _WIN32
    const unsigned long id = GetCurrentProcessId();
#else
    const unsigned long id = static_cast<unsigned long>(::getpid());
#endif
    dir_ = std::filesystem::temp_directory_path() / ("vindra-hive-test-" + std::to_string(id));
    std::filesystem::create_directories(dir_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

 private:
  std::filesystem::path dir_;
};

}  // namespace vindra::registry::testing
