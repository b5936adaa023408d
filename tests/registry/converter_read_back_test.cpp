// The converter's output for the project's .reg files, read back with the
// ordinary INF rules, against the registry that regedit makes of the same
// files (the in-memory registry filled by the importer): every value must
// come back with its name, type and data, except for the differences that the
// INF form or the sections make on purpose, which each fixture lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "core/inf_format.h"
#include "core/registry_file_converter.h"
#include "inf_reader.h"
#include "registry/reg_file_import.h"
#include "registry/root_key.h"

namespace vindra::registry {
namespace {

using testing::InfEntry;
using testing::InfReader;

// Where a value lands in the INF: section, key path and name, compared
// without regard to letter case as the registry compares them.
std::string Place(std::string_view section, std::string_view keyPath, std::string_view name) {
  return std::string(section) + "|" + FoldNameCase(keyPath) + "|" + FoldNameCase(name);
}

struct RegistryValue {
  std::string shown;  // root\path : name, for messages
  std::uint32_t type;
  std::string data;
  bool lostCharacters;  // its name or a key's on its path has characters the code page lacks
};

// The section and path that the converter gives a key of `root` at `parts`,
// or an empty section for a key outside the five sections.
std::pair<std::string, std::string> SectionOf(RootKey root, const std::vector<std::string>& parts) {
  auto join = [&parts](std::size_t from) {
    std::string path;
    for (std::size_t i = from; i < parts.size(); ++i) path.append(i > from ? "\\" : "").append(parts[i]);
    return path;
  };
  if (parts.empty()) return {};
  if (root == kHkeyClassesRoot) return {"Software.AddReg", "Classes\\" + join(0)};
  if (root == kHkeyCurrentUser) return {"Default.AddReg", join(0)};
  if (root == kHkeyLocalMachine && parts.size() > 1 && FoldNameCase(parts[0]) == "SOFTWARE") {
    return {"Software.AddReg", join(1)};
  }
  if (root == kHkeyLocalMachine && parts.size() > 1 && FoldNameCase(parts[0]) == "SYSTEM") {
    return {"SetupReg.AddReg", join(1)};
  }
  return {};
}

class ReadBack {
 public:
  // The differences between the two, one line each, in a stable order.
  std::vector<std::string> Compare(const std::string& file) {
    MemoryRegistry registry;
    const RegImportResult imported = ImportRegFile(file, registry);
    EXPECT_TRUE(imported.recognised) << file;
    for (const RegImportProblem& problem : imported.problems) {
      differences_.push_back("regedit refuses line " + std::to_string(problem.line));
    }
    for (RootKey root = kHkeyClassesRoot; root <= kHkeyDynData; ++root) {
      std::vector<std::string> parts;
      Walk(root, *registry.FindKey(root, ""), parts);
    }

    ConversionOptions options;  // the data as it stands: no substitution, no control-set rewrite
    options.PathSubstitution = PathSubstitutionMode::None;
    options.ForceControlSet001 = false;
    LineList output;
    ConvertRegistryFile(output, file, options);
    std::string text;
    for (const std::string& item : output.lines) text.append(item).append("\r\n");
    for (const InfEntry& entry : InfReader::Read(text)) Entry(entry);
    for (const auto& [place, value] : expected_) differences_.push_back("missing from the INF: " + value.shown);
    std::sort(differences_.begin(), differences_.end());
    return differences_;
  }

 private:
  void Walk(RootKey root, const MemoryRegistry::Key& key, std::vector<std::string>& parts, bool lost = false) {
    const auto [section, path] = SectionOf(root, parts);
    for (const auto& [folded, value] : key.values) {
      const std::string name(ListedName(value.name));
      std::string shown = std::string(RootKeyName(root));
      for (const std::string& part : parts) shown.append("\\").append(part);
      shown.append(" : ").append(name);
      if (section.empty()) {
        differences_.push_back("outside the sections: " + shown);
      } else {
        expected_.insert({Place(section, path, name),
                          {shown, value.type, value.data, lost || !OriginalName(value.name).empty()}});
      }
    }
    for (const auto& [folded, sub] : key.subKeys) {
      parts.emplace_back(ListedName(sub->name));
      Walk(root, *sub, parts, lost || !OriginalName(sub->name).empty());
      parts.pop_back();
    }
  }

  void Entry(const InfEntry& entry) {
    const std::string shown = entry.section + " " + entry.keyPath + " : " + entry.name;
    if (entry.flag == 0) return;
    if (entry.section.find("DelReg") != std::string::npos) {
      differences_.push_back("in a deletion section: " + shown);
      return;
    }
    // Names that lost characters may be listed alike: the one with the
    // entry's data, else the first.
    const auto [first, last] = expected_.equal_range(Place(entry.section, entry.keyPath, entry.isDefault ? "" : entry.name));
    auto it = first;
    for (auto candidate = first; candidate != last; ++candidate) {
      if (candidate->second.type == entry.flag && SameData(entry.flag, candidate->second.data, entry)) {
        it = candidate;
        break;
      }
    }
    if (it == last) {
      differences_.push_back("not in the registry: " + shown);
      return;
    }
    const RegistryValue value = it->second;
    expected_.erase(it);
    if (value.lostCharacters) {
      // The entry names it as the ANSI functions list it, with "?" for
      // each lost character: a value of another name on the boot disc.
      differences_.push_back("named without the characters the code page lacks: " + value.shown);
    }
    if (entry.malformed) {
      differences_.push_back("unreadable data: " + shown);
      return;
    }
    const std::uint32_t type = value.type;
    const bool asBinary = type != kRegSz && type != kRegExpandSz && type != kRegDword && type != kRegMultiSz &&
                          type != kRegBinary;
    if (asBinary) {
      // Written as binary after the comment that names the type it had.
      if (entry.flag == kRegBinary && entry.commentBefore == ReplacementComment(type) && entry.bytes == value.data) {
        differences_.push_back("as binary after its comment: " + value.shown + " " + RegistryTypeName(type));
      } else {
        differences_.push_back("differs: " + value.shown);
      }
      return;
    }
    if (entry.flag != type || !SameData(type, value.data, entry)) {
      if (type == kRegDword && value.data.size() != 4 && entry.flag == kRegBinary &&
          entry.commentBefore == ReplacementComment(type) && entry.bytes == value.data) {
        differences_.push_back("as binary after its comment: " + value.shown + " " + RegistryTypeName(type) +
                               " of " + std::to_string(value.data.size()) + " bytes");
        return;
      }
      differences_.push_back("differs: " + value.shown);
    }
  }

  // The registry's bytes (as the ANSI functions give them) against the entry.
  static bool SameData(std::uint32_t type, const std::string& data, const InfEntry& entry) {
    switch (type) {
      case kRegSz:
      case kRegExpandSz:
        return entry.fields.size() == 1 && entry.fields[0] == data.substr(0, data.find('\0'));
      case kRegDword: {
        if (data.size() != 4) return false;
        std::uint32_t number = 0;
        for (int i = 3; i >= 0; --i) number = number << 8 | static_cast<unsigned char>(data[i]);
        return entry.number == number;
      }
      case kRegMultiSz: {
        // Each zero closes a string; the last closed one is the empty string
        // that ends the list.
        std::vector<std::string> strings;
        std::size_t start = 0;
        for (std::size_t i = 0; i < data.size(); ++i) {
          if (data[i] != '\0') continue;
          strings.push_back(data.substr(start, i - start));
          start = i + 1;
        }
        if (!strings.empty()) strings.pop_back();
        return entry.fields == strings;
      }
      default:
        return entry.bytes == data;
    }
  }

  std::multimap<std::string, RegistryValue> expected_;
  std::vector<std::string> differences_;
};

std::string SourceFile(const std::string& relative) { return std::string(VINDRA_SOURCE_DIR) + "/" + relative; }

TEST(ConverterReadBack, EveryValueOfTheFixturesComesBack) {
  const struct {
    const char* file;
    std::vector<std::string> onPurpose;
  } fixtures[] = {
      {"examples/example.reg",
       {"as binary after its comment: HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra Sample\\Viewer : InstallTime "
        "\"REG_QWORD\""}},
      {"tests/registry/data/demo.reg",
       {"as binary after its comment: HKEY_LOCAL_MACHINE\\SOFTWARE\\Demo : Big \"REG_QWORD\"",
        "as binary after its comment: HKEY_LOCAL_MACHINE\\SOFTWARE\\Demo : Bad \"REG_DWORD\" of 5 bytes",
        "outside the sections: HKEY_LOCAL_MACHINE\\HARDWARE\\Demo : x",
        "outside the sections: HKEY_USERS\\.DEFAULT\\Demo : x"}},
      {"tests/registry/data/hive_tree.reg",
       {"as binary after its comment: HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra : DwordBig \"REG_DWORD_BIG_ENDIAN\"",
        "as binary after its comment: HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra : FullResource "
        "\"REG_FULL_RESOURCE_DESCRIPTOR\"",
        "as binary after its comment: HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra : Link \"REG_LINK\"",
        "as binary after its comment: HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra : None \"REG_NONE\"",
        // hex(N): with more than two digits is skipped, as the converter always did.
        "missing from the INF: HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra : Odd",
        "as binary after its comment: HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra : Qword \"REG_QWORD\"",
        "as binary after its comment: HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra : Requirements "
        "\"REG_RESOURCE_REQUIREMENTS_LIST\"",
        "as binary after its comment: HKEY_LOCAL_MACHINE\\SOFTWARE\\Vindra : ResourceList "
        "\"REG_RESOURCE_LIST\""}},
      {"tests/release/data/smoke.reg",
       {"as binary after its comment: HKEY_LOCAL_MACHINE\\SOFTWARE\\VindraSmoke : Big \"REG_QWORD\""}},
      {"tests/registry/data/real_lines.reg",
       {"as binary after its comment: HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\NormalizedPaths : C:\\Users\\Example "
        "\"REG_NONE\"",
        "as binary after its comment: HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\NormalizedPaths : \\\\server\\share\\ "
        "\"REG_NONE\"",
        "in a deletion section: Software.DelReg Vendor\\Old : Stale",
        "regedit refuses line 31",    // "Inner"=hex:01,,02, which the converter skips as well
        "regedit refuses line 34"}},  // a value after a key deletion
      {"tests/registry/data/outside_code_page.reg",
       {"named without the characters the code page lacks: HKEY_LOCAL_MACHINE\\Software\\VindraRepro : ?文?宋 (TrueType)",
        "named without the characters the code page lacks: HKEY_LOCAL_MACHINE\\Software\\VindraRepro\\Twins : "
        "?文?宋 (TrueType)",
        "named without the characters the code page lacks: HKEY_LOCAL_MACHINE\\Software\\VindraRepro\\Twins : "
        "?文?宋 (TrueType)",
        "named without the characters the code page lacks: HKEY_LOCAL_MACHINE\\Software\\VindraRepro\\Real : "
        "?文?宋 (TrueType)",
        "named without the characters the code page lacks: HKEY_LOCAL_MACHINE\\Software\\VindraRepro\\?文 : inside",
        "named without the characters the code page lacks: HKEY_LOCAL_MACHINE\\Software\\VindraRepro\\?文\\below : "
        "deeper"}},
  };
  for (const auto& fixture : fixtures) {
    ReadBack readBack;
    EXPECT_EQ(readBack.Compare(SourceFile(fixture.file)), [&] {
      std::vector<std::string> sorted = fixture.onPurpose;
      std::sort(sorted.begin(), sorted.end());
      return sorted;
    }()) << fixture.file;
  }
}

}  // namespace
}  // namespace vindra::registry
