// The registry comparison: pairs of registry states with known changes, read
// from .reg text, from hives and from both, written as INF sections and as a
// registry file; the compact registry against the .reg importer; snapshots
// read back; the registry editor's value lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/output_list.h"
#include "core/registry_file_loader.h"
#include "platform/text.h"
#include "registry/compact_registry.h"
#include "registry/compact_registry_reader.h"
#include "registry/diff_writers.h"
#include "registry/memory_registry.h"
#include "registry/reg_file_import.h"
#include "registry/reg_file_writer.h"
#include "registry/registry_diff.h"
#include "registry/snapshot_writer.h"
#include "test_support.h"

#if !defined(_WIN32) && defined(VINDRA_REGISTRY_TEST_DATA)
#include "hive_test_support.h"
#include "registry/hive_registry.h"
#define VINDRA_TEST_HIVES 1
#endif

namespace vindra::registry {
namespace {

using testing::UseExampleMachinePaths;

// The state every pair starts from (ANSI text, as the loader gives it).
constexpr const char* kBefore =
    "Windows Registry Editor Version 5.00\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra]\n"
    "@=\"default\"\n"
    "\"Text\"=\"one\"\n"
    "\"Count\"=dword:00000001\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra\\Tree]\n"
    "\"a\"=\"1\"\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra\\Tree\\Leaf]\n"
    "\"b\"=hex:01,02\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra\\表示]\n"
    "\"名前\"=\"値\"\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra\\Mixed]\n"
    "\"Name\"=\"x\"\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Cryptography\\RNG]\n"
    "\"Seed\"=hex:01,02,03\n";

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

struct DiffCase {
  const char* name;
  std::string after;
  std::string inf;  // the INF text, lines joined by "\n"
  DiffCounts counts;
};

DiffCounts Counts(std::size_t keysAdded, std::size_t keysDeleted, std::size_t valuesAdded, std::size_t valuesChanged,
                  std::size_t valuesDeleted, std::size_t noise) {
  return DiffCounts{keysAdded, keysDeleted, valuesAdded, valuesChanged, valuesDeleted, noise};
}

std::vector<DiffCase> Cases() {
  const std::string b = kBefore;
  return {
      {"identical sources", b, "", Counts(0, 0, 0, 0, 0, 0)},
      {"a key added with values",
       b + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra\\New]\n\"v\"=\"w\"\n\"n\"=dword:00000002\n"
           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra\\New\\Sub]\n",
       "[Software.AddReg]\n0x0,\"Vindra\\New\"\n0x4,\"Vindra\\New\",\"n\",0x2\n0x1,\"Vindra\\New\",\"v\",\"w\"\n"
       "0x0,\"Vindra\\New\\Sub\"\n\n",
       Counts(2, 0, 2, 0, 0, 0)},
      {"a subtree deleted",
       Replace(b, "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra\\Tree]\n\"a\"=\"1\"\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra\\Tree\\Leaf]\n\"b\"=hex:01,02\n", ""),
       "[Software.DelReg]\n0x0,\"Vindra\\Tree\"\n\n", Counts(0, 2, 0, 0, 2, 0)},
      {"a value deleted", Replace(b, "\"Text\"=\"one\"\n", ""), "[Software.DelReg]\n0x1,\"Vindra\",\"Text\",\"one\"\n\n",
       Counts(0, 0, 0, 0, 1, 0)},
      {"a type changed", Replace(b, "\"Count\"=dword:00000001", "\"Count\"=\"1\""),
       "[Software.AddReg]\n0x0,\"Vindra\"\n0x1,\"Vindra\",\"Count\",\"1\"\n\n", Counts(0, 0, 0, 1, 0, 0)},
      {"data changed", Replace(b, "\"Text\"=\"one\"", "\"Text\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,25,00,00,00"),
       "[Software.AddReg]\n0x0,\"Vindra\"\n0x2,\"Vindra\",\"Text\",\"X:\\I386\"\n\n", Counts(0, 0, 0, 1, 0, 0)},
      {"a default value removed", Replace(b, "@=\"default\"\n", ""),
       "[Software.DelReg]\n0x1,\"Vindra\",,\"default\"\n\n", Counts(0, 0, 0, 0, 1, 0)},
      {"a default value added", Replace(b, "\"a\"=\"1\"\n", "\"a\"=\"1\"\n@=\"d\"\n"),
       "[Software.AddReg]\n0x0,\"Vindra\\Tree\"\n0x1,\"Vindra\\Tree\",,\"d\"\n\n", Counts(0, 0, 1, 0, 0, 0)},
      {"Japanese names", Replace(b, "\"名前\"=\"値\"", "\"名前\"=\"新しい値\""),
       "[Software.AddReg]\n0x0,\"Vindra\\表示\"\n0x1,\"Vindra\\表示\",\"名前\",\"新しい値\"\n\n", Counts(0, 0, 0, 1, 0, 0)},
      {"names changed only in letter case",
       Replace(b, "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra\\Mixed]\n\"Name\"", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\vindra\\MIXED]\n\"NAME\""),
       "", Counts(0, 0, 0, 0, 0, 0)},
      {"a change inside a noise key", Replace(b, "\"Seed\"=hex:01,02,03", "\"Seed\"=hex:04,05,06"), "",
       Counts(0, 0, 0, 0, 0, 1)},
  };
}

// The pairs are the text of UTF-16LE files, as the loader gives it in ANSI.
CompactRegistry FromText(const std::string& text) {
  CompactRegistry registry;
  ReadRegTextCompact(text, registry, RegistryFileEncoding::Utf16LE);
  return registry;
}

// Counts of every change, noise kept, below the tops of both.
DiffCounts CountAll(const CompactRegistry& a, const CompactRegistry& b) {
  class NullSink final : public DiffSink {
    void AddedKey(RootKey, const std::string&, const std::vector<const CompactRegistry::Value*>&) override {}
    void DeletedKey(RootKey, const std::string&) override {}
    void ChangedValues(RootKey, const std::string&, const std::vector<const CompactRegistry::Value*>&,
                       const std::vector<const CompactRegistry::Value*>&) override {}
  } sink;
  DiffRequest request;
  request.keys = a.Tops();
  for (const RootedKeyPath& top : b.Tops()) request.keys.push_back(top);
  return CompareRegistries(a, b, request, sink);
}

bool Identical(const CompactRegistry& a, const CompactRegistry& b) {
  const DiffCounts c = CountAll(a, b);
  return c.keysAdded + c.keysDeleted + c.valuesAdded + c.valuesChanged + c.valuesDeleted + c.noise == 0;
}

struct DiffOutput {
  std::string inf;
  DiffCounts counts;
};

DiffOutput Inf(const CompactRegistry& before, const CompactRegistry& after, const std::vector<RootedKeyPath>& keys,
               const ConversionOptions& options = {}) {
  KeyPatternList noise;
  for (std::string_view key : BuiltInNoiseKeys()) noise.Add(key);
  DiffRequest request;
  request.keys = keys;
  request.noise = &noise;
  InfDiffWriter writer(options);
  DiffOutput result;
  result.counts = CompareRegistries(before, after, request, writer);
  LineList lines;
  writer.Finish(lines);
  for (const std::string& line : lines.lines) result.inf += line + "\n";
  return result;
}

std::string RegDiff(const CompactRegistry& before, const CompactRegistry& after,
                    const std::vector<RootedKeyPath>& keys) {
  std::FILE* file = std::tmpfile();
  RegFileWriter out(file);
  RegDiffWriter writer(out);
  DiffRequest request;
  request.keys = keys;
  CompareRegistries(before, after, request, writer);
  EXPECT_TRUE(out.Finish());
  std::string bytes;
  std::rewind(file);
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
  std::fclose(file);
  // The text as the loader gives it: UTF-16 after the byte-order mark.
  std::u16string units;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  return platform::WideToAnsi(units);
}

void ExpectCounts(const DiffCounts& actual, const DiffCounts& expected, const std::string& where) {
  EXPECT_EQ(actual.keysAdded, expected.keysAdded) << where;
  EXPECT_EQ(actual.keysDeleted, expected.keysDeleted) << where;
  EXPECT_EQ(actual.valuesAdded, expected.valuesAdded) << where;
  EXPECT_EQ(actual.valuesChanged, expected.valuesChanged) << where;
  EXPECT_EQ(actual.valuesDeleted, expected.valuesDeleted) << where;
  EXPECT_EQ(actual.noise, expected.noise) << where;
}

class RegistryDiffTest : public ::testing::Test {
 protected:
  void SetUp() override { UseExampleMachinePaths(); }
};

TEST_F(RegistryDiffTest, KnownChangesOfRegFiles) {
  const CompactRegistry before = FromText(kBefore);
  for (const DiffCase& c : Cases()) {
    const CompactRegistry after = FromText(c.after);
    const std::vector<RootedKeyPath> keys = {{kHkeyLocalMachine, "SOFTWARE"}};
    const DiffOutput forward = Inf(before, after, keys);
    EXPECT_EQ(forward.inf, c.inf) << c.name;
    ExpectCounts(forward.counts, c.counts, c.name);
    // The swapped pair is the inverse change.
    const DiffOutput backward = Inf(after, before, keys);
    ExpectCounts(backward.counts,
                 DiffCounts{c.counts.keysDeleted, c.counts.keysAdded, c.counts.valuesDeleted, c.counts.valuesChanged,
                            c.counts.valuesAdded, c.counts.noise},
                 std::string(c.name) + " (swapped)");
    // The registry file of the change turns BEFORE into AFTER (noise kept),
    // and the one of the swapped pair turns AFTER back into BEFORE.
    for (const bool swapped : {false, true}) {
      const std::string& from = swapped ? c.after : std::string(kBefore);
      const std::string& to = swapped ? std::string(kBefore) : c.after;
      const std::string change = RegDiff(FromText(from), FromText(to), keys);
      EXPECT_TRUE(Identical(FromText(from + change.substr(change.find('\n') + 1)), FromText(to)))
          << c.name << (swapped ? " (undo)" : "") << "\n" << change;
    }
  }
}

TEST_F(RegistryDiffTest, SectionsOfEachTree) {
  const std::string before =
      "Windows Registry Editor Version 5.00\n"
      "[HKEY_CURRENT_USER\\Software\\Vindra]\n\"u\"=\"1\"\n"
      "[HKEY_CLASSES_ROOT\\.vnd]\n@=\"Vindra.File\"\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Vnd]\n\"Start\"=dword:00000002\n\"Old\"=\"x\"\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Gone]\n\"Start\"=dword:00000002\n"
      "[HKEY_USERS\\.DEFAULT\\Software\\Vindra]\n\"d\"=\"1\"\n";
  const std::string after =
      "Windows Registry Editor Version 5.00\n"
      "[HKEY_CURRENT_USER\\Software\\Vindra]\n"
      "[HKEY_CLASSES_ROOT\\.vnd]\n@=\"Vindra.File\"\n\"Content Type\"=\"text/plain\"\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Vnd]\n\"Start\"=dword:00000003\n"
      "[HKEY_USERS\\.DEFAULT\\Software\\Vindra]\n\"d\"=\"2\"\n";
  const CompactRegistry b = FromText(before);
  const CompactRegistry a = FromText(after);
  const std::vector<RootedKeyPath> keys = {{kHkeyCurrentUser, "Software\\Vindra"},
                                           {kHkeyClassesRoot, ".vnd"},
                                           {kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Services"},
                                           {kHkeyUsers, ".DEFAULT\\Software\\Vindra"}};
  InfDiffWriter writer{ConversionOptions{}};
  DiffRequest request;
  request.keys = keys;
  CompareRegistries(b, a, request, writer);
  LineList lines;
  writer.Finish(lines);
  const std::vector<std::string> expected = {
      "[Software.AddReg]",
      "0x0,\"Classes\\.vnd\"",
      "0x1,\"Classes\\.vnd\",\"Content Type\",\"text/plain\"",
      "",
      "[Default.DelReg]",
      "0x1,\"Software\\Vindra\",\"u\",\"1\"",
      "",
      "[SetupReg.AddReg]",
      "; Not expressible (no [SetupReg.DelReg]): key \"ControlSet001\\Services\\Gone\" deleted",
      "0x0,\"ControlSet001\\Services\\Vnd\"",
      "0x4,\"ControlSet001\\Services\\Vnd\",\"Start\",0x3",
      "; Not expressible (no [SetupReg.DelReg]): value \"Old\" of \"ControlSet001\\Services\\Vnd\" deleted",
      "",
  };
  EXPECT_EQ(lines.lines, expected);
  // Two SYSTEM deletions and the value below HKEY_USERS.
  EXPECT_EQ(writer.NotExpressible(), 3u);
}

TEST_F(RegistryDiffTest, ExcludedAndNoiseKeys) {
  KeyPatternList list;
  ASSERT_TRUE(list.Add("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\*MRU"));
  ASSERT_TRUE(list.Add("HKEY_LOCAL_MACHINE\\SYSTEM\\*\\Control\\TimeZoneInformation"));
  EXPECT_FALSE(list.Add("NOROOT\\x"));
  const struct {
    RootKey root;
    std::vector<std::string_view> path;  // folded
    bool matches;
  } cases[] = {
      {kHkeyCurrentUser, {"SOFTWARE", "MICROSOFT", "WINDOWS", "CURRENTVERSION", "EXPLORER", "RUNMRU"}, true},
      {kHkeyCurrentUser, {"SOFTWARE", "MICROSOFT", "WINDOWS", "CURRENTVERSION", "EXPLORER", "MAP NETWORK DRIVE MRU"}, true},
      {kHkeyCurrentUser, {"SOFTWARE", "MICROSOFT", "WINDOWS", "CURRENTVERSION", "EXPLORER", "ADVANCED"}, false},
      {kHkeyCurrentUser, {"SOFTWARE", "MICROSOFT", "WINDOWS", "CURRENTVERSION", "EXPLORER"}, false},
      {kHkeyUsers, {"S-1-5-21-1", "SOFTWARE", "MICROSOFT", "WINDOWS", "CURRENTVERSION", "EXPLORER", "RUNMRU"}, true},
      {kHkeyLocalMachine, {"SYSTEM", "CONTROLSET001", "CONTROL", "TIMEZONEINFORMATION"}, true},
      {kHkeyLocalMachine, {"SYSTEM", "CURRENTCONTROLSET", "CONTROL", "TIMEZONEINFORMATION"}, true},
      {kHkeyLocalMachine, {"SYSTEM", "CONTROLSET001", "CONTROL"}, false},
  };
  for (const auto& c : cases) EXPECT_EQ(list.MatchesExactly(c.root, c.path), c.matches) << c.path.back();
  // Every built-in pattern names a root.
  KeyPatternList builtIn;
  for (std::string_view key : BuiltInNoiseKeys()) EXPECT_TRUE(builtIn.Add(key)) << key;

  // --exclude leaves a key out with everything beneath it, uncounted.
  const CompactRegistry before = FromText(kBefore);
  const CompactRegistry after = FromText(std::string(kBefore) + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra\\Tree\\New]\n\"x\"=\"y\"\n");
  KeyPatternList excluded;
  excluded.Add("HKLM\\SOFTWARE\\Vindra\\Tree");
  DiffRequest request;
  request.keys = {{kHkeyLocalMachine, "SOFTWARE"}};
  request.excluded = &excluded;
  InfDiffWriter writer{ConversionOptions{}};
  const DiffCounts counts = CompareRegistries(before, after, request, writer);
  EXPECT_EQ(counts.keysAdded + counts.valuesAdded + counts.noise, 0u);
}

// Fills a registry from .reg text with the importer of the in-memory
// registry: the lines of an 8-bit file as they are, those of a UTF-16LE file
// in UTF-8 (as the loader hands them to the importer).
RegImportResult Import(const std::string& text, MemoryRegistry& registry,
                       RegistryFileEncoding encoding = RegistryFileEncoding::Utf16LE) {
  return ImportRegLines(SplitLines(encoding == RegistryFileEncoding::Utf16LE ? platform::AnsiToUtf8(text) : text),
                        registry, encoding);
}

TEST_F(RegistryDiffTest, CompactReadingMatchesTheImporter) {
  // Deletions, repeated keys, a spelling kept from the first setting, broken
  // lines, continued hex lists and values of every kind.
  const std::string text =
      std::string(kBefore) +
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra\\Tree]\n\"A\"=\"again\"\n\"c\"=hex(7):61,00,00,00,00,00\n"
      "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra\\Tree\\Leaf]\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra\\Tree\\LEAF]\n\"new\"=hex:01,\\\n  02,03\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra]\n\"Text\"=-\n\"q\"=hex(b):01,02,03,04,05,06,07,08\n"
      "\"bad\"=hex:1,2,zz\n\"odd\"=dword:123456789\nnonsense\n\"ok\" = \"spaced\" \n\"noted\"=\"x\" ; a note\n"
      "\"e8\"=hex(2):41,42,00\n\"m8\"=hex(7):61,00,62,00,00\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra\\Tail]\n\"cont\"=hex:01,\\\n";
  // In a UTF-16LE file the hex(2): and hex(7): bytes are UTF-16, in an 8-bit
  // file ANSI text.
  for (const RegistryFileEncoding encoding : {RegistryFileEncoding::Utf16LE, RegistryFileEncoding::Ansi}) {
    MemoryRegistry memory;
    const RegImportResult importResult = Import(text, memory, encoding);
    CompactRegistry fromMemory;
    ReadSourceCompact(memory, {{kHkeyLocalMachine, "SOFTWARE"}}, fromMemory, {});
    fromMemory.Finish();
    CompactRegistry compact;
    const RegImportResult compactResult = ReadRegTextCompact(text, compact, encoding);
    EXPECT_TRUE(Identical(compact, fromMemory));
    EXPECT_EQ(compact.ValueCount(), fromMemory.ValueCount());
    ASSERT_EQ(compactResult.problems.size(), importResult.problems.size());
    for (std::size_t i = 0; i < compactResult.problems.size(); ++i) {
      EXPECT_EQ(compactResult.problems[i].line, importResult.problems[i].line);
      EXPECT_EQ(compactResult.problems[i].message, importResult.problems[i].message);
    }
  }
  CompactRegistry compact;
  ReadRegTextCompact(text, compact, RegistryFileEncoding::Utf16LE);
  // The first spelling of a value set twice stays.
  const CompactRegistry::Index tree = compact.FindKey(kHkeyLocalMachine, "SOFTWARE\\Vindra\\Tree");
  ASSERT_NE(tree, CompactRegistry::kNone);
  ASSERT_NE(compact.FindValue(tree, "A"), nullptr);
  EXPECT_EQ(compact.FindValue(tree, "A")->name(), "a");
  // Every named key whose parent is not named: RNG's parent is only an ancestor.
  ASSERT_EQ(compact.Tops().size(), 2u);
  EXPECT_EQ(compact.Tops()[1].path, "SOFTWARE\\Microsoft\\Cryptography\\RNG");
}

// A registry holding what a snapshot must carry exactly.
void FillAwkwardValues(MemoryRegistry& registry) {
  const RootKey root = kHkeyCurrentUser;
  const std::string key = "Software\\Vindra\\表示";
  registry.SetValue(root, key, "", kRegSz, std::string("default\0", 8));
  registry.SetValue(root, key, "Line break", kRegSz, std::string("one\r\ntwo\0", 9));
  registry.SetValue(root, key, "Zero inside", kRegSz, std::string("a\0b\0", 4));
  registry.SetValue(root, key, "No terminator", kRegSz, "abc");
  registry.SetValue(root, key, "Empty", kRegSz, "");
  registry.SetValue(root, key, "Quote \" and \\", kRegSz, std::string("C:\\x \"y\"\0", 10));
  registry.SetValue(root, key, "名前", kRegExpandSz, std::string("%SystemRoot%\\表\0", 16));
  registry.SetValue(root, key, "Multi", kRegMultiSz, std::string("a\0bc\0\0", 6));
  registry.SetValue(root, key, "Dword", kRegDword, std::string("\x01\x02\x03\x04", 4));
  registry.SetValue(root, key, "Short dword", kRegDword, std::string("\x01\x02\x03", 3));
  registry.SetValue(root, key, "Qword", 11, std::string("\x01\0\0\0\0\0\0\0", 8));
  registry.SetValue(root, key, "Odd type", 0x12345, "xy");
  registry.SetValue(root, key, "None", 0, "");
  registry.SetValue(root, key, "@", kRegBinary, std::string(100, '\x7f'));
  registry.CreateKey(root, "Software\\Vindra\\Empty key");
}

TEST_F(RegistryDiffTest, SnapshotReadsBackAsItsSource) {
  MemoryRegistry source;
  FillAwkwardValues(source);
  const std::string path = (std::filesystem::temp_directory_path() / "vindra_snapshot_test.reg").string();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  RegFileWriter writer(file);
  std::vector<UnreadableItem> unreadable;
  WriteSnapshot(source, {{kHkeyCurrentUser, "Software\\Vindra"}}, writer,
                [&](const UnreadableItem& item) { unreadable.push_back(item); });
  EXPECT_TRUE(writer.Finish());
  std::fclose(file);
  EXPECT_TRUE(unreadable.empty());

  CompactRegistry snapshot;
  const RegImportResult result = ReadRegFileCompact(path, snapshot);
  std::filesystem::remove(path);
  EXPECT_TRUE(result.recognised);
  EXPECT_TRUE(result.problems.empty()) << result.problems.front().message;
  CompactRegistry direct;
  ReadSourceCompact(source, {{kHkeyCurrentUser, "Software\\Vindra"}}, direct, {});
  direct.Finish();
  EXPECT_TRUE(Identical(snapshot, direct));
  EXPECT_EQ(snapshot.ValueCount(), 14u);
}

TEST_F(RegistryDiffTest, UnreadableKeysAndValuesAreReported) {
  MemoryRegistry source;
  source.SetValue(kHkeyCurrentUser, "Software\\Vindra\\Locked", "x", kRegSz, std::string("1\0", 2));
  source.SetValue(kHkeyCurrentUser, "Software\\Vindra", "Broken", kRegSz, std::string("1\0", 2));
  source.SetValue(kHkeyCurrentUser, "Software\\Vindra", "Fine", kRegSz, std::string("2\0", 2));
  source.SetKeyAccess(kHkeyCurrentUser, "Software\\Vindra\\Locked", KeyAccess::Denied);
  source.SetValueFaults(kHkeyCurrentUser, "Software\\Vindra", "Broken", true, false);
  std::vector<std::string> reported;
  CompactRegistry compact;
  ReadSourceCompact(source, {{kHkeyCurrentUser, "Software\\Vindra"}, {kHkeyCurrentUser, "Software\\Missing"}}, compact,
                    [&](const UnreadableItem& item) {
                      reported.push_back(item.keyPath + (item.isValue ? ":" + item.valueName : ""));
                    });
  compact.Finish();
  EXPECT_EQ(reported, (std::vector<std::string>{"Software\\Vindra:Broken", "Software\\Vindra\\Locked"}));
  EXPECT_EQ(compact.ValueCount(), 1u);
}

// The value lines the registry editor writes, measured under Wine (`reg export`).
TEST(RegFileWriterTest, ValueLinesAsTheEditorWritesThem) {
  std::string hundred;
  for (int i = 0; i < 100; ++i) hundred.push_back(static_cast<char>(i));
  const struct {
    std::string name;
    std::uint32_t type;
    std::string data;
    std::string line;  // ANSI, physical lines joined by CR LF
  } cases[] = {
      {"", kRegSz, std::string("default\0", 8), "@=\"default\""},
      {"Str", kRegSz, std::string("a\\b \"q\"\0", 8), "\"Str\"=\"a\\\\b \\\"q\\\"\""},
      {"Empty", kRegSz, std::string("\0", 1), "\"Empty\"=\"\""},
      {"Dw", kRegDword, std::string("\x1f\0\0\0", 4), "\"Dw\"=dword:0000001f"},
      {"Bin", kRegBinary, "\x01\x02\x03", "\"Bin\"=hex:01,02,03"},
      {"EmptyBin", kRegBinary, "", "\"EmptyBin\"=hex:"},
      {"None", 0, "", "\"None\"=hex(0):"},
      {"Qw", 11, std::string("\x01\0\0\0\0\0\0\0", 8), "\"Qw\"=hex(b):01,00,00,00,00,00,00,00"},
      {"Exp", kRegExpandSz, std::string("%Sys\0", 5), "\"Exp\"=hex(2):25,00,53,00,79,00,73,00,00,00"},
      {"Multi", kRegMultiSz, std::string("a\0b\0\0", 5), "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00"},
      {"Line", kRegSz, std::string("a\r\nb\0", 5), "\"Line\"=hex(1):61,00,0d,00,0a,00,62,00,00,00"},
      {"日本語", kRegSz, std::string("テキスト\0", 9), "\"日本語\"=\"テキスト\""},
      {"LongBin", kRegBinary, hundred,
       "\"LongBin\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,\\\r\n"
       "  15,16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,\\\r\n"
       "  2e,2f,30,31,32,33,34,35,36,37,38,39,3a,3b,3c,3d,3e,3f,40,41,42,43,44,45,46,\\\r\n"
       "  47,48,49,4a,4b,4c,4d,4e,4f,50,51,52,53,54,55,56,57,58,59,5a,5b,5c,5d,5e,5f,\\\r\n"
       "  60,61,62,63"},
      {"a_very_long_value_name_that_goes_on_and_on_for_a_while_yes", kRegBinary, hundred.substr(0, 30),
       "\"a_very_long_value_name_that_goes_on_and_on_for_a_while_yes\"=hex:00,01,02,03,\\\r\n"
       "  04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18,19,1a,1b,1c,\\\r\n"
       "  1d"},
  };
  for (const auto& c : cases) EXPECT_EQ(RegValueLineAnsi(c.name, c.type, c.data), c.line) << c.name;
}

#ifdef VINDRA_TEST_HIVES
// The same pairs read from hives: hive against hive and .reg against hive
// give what .reg against .reg gives.
TEST_F(RegistryDiffTest, KnownChangesOfHives) {
  const std::string emptyHive = std::string(VINDRA_REGISTRY_TEST_DATA) + "/empty.hive";
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "vindra_diff_hives";
  std::filesystem::create_directories(folder);
  const RootedKeyPath mount{kHkeyLocalMachine, "SOFTWARE"};
  const auto hiveOf = [&](const std::string& text, const std::string& name) {
    MemoryRegistry memory;
    Import(text, memory);
    const std::string file = (folder / name).string();
    testing::WriteHive(memory, mount.root, mount.path, emptyHive, file);
    HiveRegistrySource source(file, mount);
    CompactRegistry compact;
    ReadSourceCompact(source, {mount}, compact, {});
    compact.Finish();
    return compact;
  };
  const CompactRegistry beforeHive = hiveOf(kBefore, "before.hive");
  const CompactRegistry beforeReg = FromText(kBefore);
  for (const DiffCase& c : Cases()) {
    const CompactRegistry afterHive = hiveOf(c.after, "after.hive");
    const CompactRegistry afterReg = FromText(c.after);
    EXPECT_EQ(Inf(beforeHive, afterHive, {mount}).inf, c.inf) << c.name << " (hive, hive)";
    EXPECT_EQ(Inf(beforeReg, afterHive, {mount}).inf, c.inf) << c.name << " (.reg, hive)";
    EXPECT_EQ(Inf(beforeHive, afterReg, {mount}).inf, c.inf) << c.name << " (hive, .reg)";
  }
  std::filesystem::remove_all(folder);
}
#endif

}  // namespace
}  // namespace vindra::registry
