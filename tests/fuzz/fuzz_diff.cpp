// Two .reg texts (the input split at its first "\n%%\n", or in the middle)
// compared. The compact registry holds what the .reg importer makes of each
// text; the INF sections hold only headers, empty lines, entries and
// comments, hex lists wrapped at 25 bytes; the swapped pair counts the
// inverse change; and the registry file of the change, imported after
// BEFORE, gives AFTER (for texts that survive the trip through UTF-16).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
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
#include "tests/fuzz/fuzz_support.h"

using vindra::fuzz::Check;
namespace reg = vindra::registry;

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00\n";

const std::vector<reg::RootedKeyPath>& AllRoots() {
  static const std::vector<reg::RootedKeyPath> roots = {
      {reg::kHkeyClassesRoot, ""}, {reg::kHkeyCurrentUser, ""}, {reg::kHkeyLocalMachine, ""},
      {reg::kHkeyUsers, ""},       {reg::kHkeyCurrentConfig, ""}};
  return roots;
}

class CountingSink final : public reg::DiffSink {
 public:
  void AddedKey(reg::RootKey, const std::string&, const std::vector<const reg::CompactRegistry::Value*>&) override {}
  void DeletedKey(reg::RootKey, const std::string&) override {}
  void ChangedValues(reg::RootKey, const std::string&, const std::vector<const reg::CompactRegistry::Value*>&,
                     const std::vector<const reg::CompactRegistry::Value*>&) override {}
};

reg::DiffCounts CountAll(const reg::CompactRegistry& a, const reg::CompactRegistry& b) {
  CountingSink sink;
  reg::DiffRequest request;
  request.keys = AllRoots();
  return reg::CompareRegistries(a, b, request, sink);
}

std::size_t Total(const reg::DiffCounts& c) {
  return c.keysAdded + c.keysDeleted + c.valuesAdded + c.valuesChanged + c.valuesDeleted + c.noise;
}

reg::CompactRegistry Compact(const std::string& text) {
  reg::CompactRegistry registry;
  reg::ReadRegTextCompact(text, registry, vindra::RegistryFileEncoding::Ansi);
  return registry;
}

// The compact reading of `text` against the importer's.
void CheckAgainstImporter(const std::string& text, const reg::CompactRegistry& compact) {
  reg::MemoryRegistry memory;
  reg::ImportRegLines(vindra::SplitLines(text), memory, vindra::RegistryFileEncoding::Ansi);
  reg::CompactRegistry imported;
  reg::ReadSourceCompact(memory, AllRoots(), imported, {});
  imported.Finish();
  Check(Total(CountAll(compact, imported)) == 0, "the compact reading equals the importer's", text);
}

std::string RegChange(const reg::CompactRegistry& before, const reg::CompactRegistry& after) {
  std::FILE* file = std::tmpfile();
  if (file == nullptr) return {};
  std::string text;
  {
    reg::RegFileWriter out(file);
    reg::RegDiffWriter writer(out);
    reg::DiffRequest request;
    request.keys = AllRoots();
    reg::CompareRegistries(before, after, request, writer);
    out.Finish();
    std::rewind(file);
    std::string bytes;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
    std::u16string units;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    text = vindra::platform::WideToAnsi(units);
  }
  std::fclose(file);
  return text;
}

bool SurvivesUtf16(std::string_view text) {
  return vindra::platform::WideToAnsi(vindra::platform::AnsiToWide(text)) == text;
}

// True when every name and every text of `registry` comes back the same
// from UTF-16: only then can a registry file written from it read back as it.
bool AllSurviveUtf16(const reg::CompactRegistry& registry, reg::CompactRegistry::Index key) {
  if (!SurvivesUtf16(registry.KeyAt(key).name)) return false;
  for (const reg::CompactRegistry::Value& value : registry.Values(key)) {
    const bool text = value.type == 1 || value.type == 2 || value.type == 7;
    if (!SurvivesUtf16(value.name()) || (text && !SurvivesUtf16(value.data()))) return false;
  }
  for (reg::CompactRegistry::Index child : registry.Children(key)) {
    if (!AllSurviveUtf16(registry, child)) return false;
  }
  return true;
}

bool AllSurviveUtf16(const reg::CompactRegistry& registry) {
  for (const reg::RootedKeyPath& root : AllRoots()) {
    if (!AllSurviveUtf16(registry, registry.RootIndex(root.root))) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vindra::fuzz::SetMachinePaths();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned bits = data[0];
  const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
  std::size_t split = input.find("\n%%\n");
  const std::size_t rest = split == std::string_view::npos ? input.size() / 2 : split + 4;
  if (split == std::string_view::npos) split = input.size() / 2;
  // Each text as the loader gives it: cut at its first NUL.
  const auto text = [](std::string_view part) {
    return std::string(kHeader) + std::string(part.substr(0, part.find('\0')));
  };
  const std::string beforeText = text(input.substr(0, split));
  const std::string afterText = text(input.substr(rest));

  const reg::CompactRegistry before = Compact(beforeText);
  const reg::CompactRegistry after = Compact(afterText);
  CheckAgainstImporter(beforeText, before);
  CheckAgainstImporter(afterText, after);

  vindra::ConversionOptions options;
  options.ForceControlSet001 = bits & 1;
  options.PathSubstitution = (bits >> 1) % 3 == 0   ? vindra::PathSubstitutionMode::FixedDrive
                             : (bits >> 1) % 3 == 1 ? vindra::PathSubstitutionMode::EnvironmentVariables
                                                    : vindra::PathSubstitutionMode::None;
  reg::KeyPatternList noise;
  for (std::string_view key : reg::BuiltInNoiseKeys()) noise.Add(key);
  reg::DiffRequest request;
  request.keys = before.Tops();
  for (const reg::RootedKeyPath& top : after.Tops()) request.keys.push_back(top);
  if (bits & 8) request.keys = AllRoots();
  request.noise = (bits & 16) ? nullptr : &noise;
  reg::InfDiffWriter writer(options);
  const reg::DiffCounts forward = reg::CompareRegistries(before, after, request, writer);
  vindra::LineList lines;
  writer.Finish(lines);
  for (const std::string& line : lines.lines) {
    const bool entry = line.compare(0, 2, "0x") == 0;
    Check(line.empty() || line.front() == '[' || entry || line.compare(0, 2, "; ") == 0,
          "a line is a header, empty, an entry or a comment", line);
    if (entry) vindra::fuzz::CheckHexWraps(line, false);
  }
  CountingSink sink;
  const reg::DiffCounts backward = reg::CompareRegistries(after, before, request, sink);
  Check(forward.keysAdded == backward.keysDeleted && forward.keysDeleted == backward.keysAdded &&
            forward.valuesAdded == backward.valuesDeleted && forward.valuesDeleted == backward.valuesAdded &&
            forward.valuesChanged == backward.valuesChanged && forward.noise == backward.noise,
        "the swapped pair counts the inverse change");

  // Names and data that the trip through UTF-16 would change cannot come back.
  if (AllSurviveUtf16(before) && AllSurviveUtf16(after)) {
    // BEFORE imported, then the change, a UTF-16LE file (its lines in UTF-8,
    // as the loader hands them to the importer).
    const std::string change = RegChange(before, after);
    reg::MemoryRegistry memory;
    reg::ImportRegLines(vindra::SplitLines(beforeText), memory, vindra::RegistryFileEncoding::Ansi);
    reg::ImportRegLines(vindra::SplitLines(vindra::platform::AnsiToUtf8(change)), memory,
                        vindra::RegistryFileEncoding::Utf16LE);
    reg::CompactRegistry applied;
    reg::ReadSourceCompact(memory, AllRoots(), applied, {});
    applied.Finish();
    Check(Total(CountAll(applied, after)) == 0, "the registry file of the change turns BEFORE into AFTER", change);
  }
  return 0;
}
