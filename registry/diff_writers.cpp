#include "registry/diff_writers.h"

#include <optional>

#include "core/ansi_text.h"
#include "core/registry_file_converter.h"
#include "core/registry_file_loader.h"
#include "registry/root_key.h"

namespace vindra::registry {
namespace {

// An output list that adds to a section's buffer.
class SectionOutput final : public OutputList {
 public:
  explicit SectionOutput(SectionBuffer& buffer) : buffer_(buffer) {}
  void Clear() override {}
  void Add(std::string_view line) override { buffer_.Add(line); }

 private:
  SectionBuffer& buffer_;
};

// True when `path`, with a backslash after it, starts with `prefix` (the keys
// SOFTWARE and SYSTEM themselves included, as the export command takes them).
bool PathStartsWith(std::string_view path, std::string_view prefix) {
  std::string test(path);
  test.push_back('\\');
  return StartsWithIgnoreCase(test, prefix);
}

// The AddReg section of a key's tree; nothing for keys outside the five
// sections' trees.
std::optional<InfSection> AddSectionOf(RootKey root, std::string_view path) {
  switch (root) {
    case kHkeyClassesRoot:
      return InfSection::SoftwareAddReg;
    case kHkeyCurrentUser:
      return InfSection::DefaultAddReg;
    case kHkeyLocalMachine:
      if (PathStartsWith(path, "SOFTWARE\\")) return InfSection::SoftwareAddReg;
      if (PathStartsWith(path, "SYSTEM\\")) return InfSection::SetupRegAddReg;
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

// The DelReg section that goes with an AddReg section; SetupReg has none.
std::optional<InfSection> DelSectionOf(InfSection addSection) {
  switch (addSection) {
    case InfSection::SoftwareAddReg:
      return InfSection::SoftwareDelReg;
    case InfSection::DefaultAddReg:
      return InfSection::DefaultDelReg;
    default:
      return std::nullopt;
  }
}

constexpr std::string_view kNoSetupRegDelReg = "; Not expressible (no [SetupReg.DelReg]): ";

ValueData DataOf(const CompactRegistry::Value& value) {
  ValueData data;
  data.info = ValueInfo{true, value.type, value.dataLength};
  data.complete = true;
  data.bytes.assign(value.data());
  return data;
}

}  // namespace

std::string FullKeyName(RootKey root, std::string_view path) {
  std::string name(RootKeyName(root));
  if (!path.empty()) name.append("\\").append(path);
  return name;
}

InfDiffWriter::InfDiffWriter(const ConversionOptions& options, SkipObserver* skipped)
    : options_(options), valueWriter_(options_), skipped_(skipped) {}

void InfDiffWriter::NotExpressible(SkipReason reason, RootKey root, const std::string& path,
                                   std::string_view valueName) {
  ++notExpressible_;
  if (skipped_) skipped_->Skipped(reason, 0, FullKeyName(root, path), valueName);
}

void InfDiffWriter::AddValues(InfSection section, const std::string& outputPath,
                              const std::vector<const CompactRegistry::Value*>& values) {
  SectionOutput output(sections_[static_cast<int>(section)]);
  for (const CompactRegistry::Value* value : values) {
    try {
      valueWriter_.Write(output, outputPath, std::string(value->name()), DataOf(*value), nullptr);
    } catch (const RegistryError& error) {
      problems_.push_back(outputPath + ": " + error.what());
    }
  }
}

void InfDiffWriter::AddedKey(RootKey root, const std::string& path,
                             const std::vector<const CompactRegistry::Value*>& values) {
  const std::optional<InfSection> section = AddSectionOf(root, path);
  if (!section) {
    NotExpressible(SkipReason::ChangeOutsideSections, root, path);
    for (const CompactRegistry::Value* value : values) {
      NotExpressible(SkipReason::ChangeOutsideSections, root, path, value->name());
    }
    return;
  }
  const std::string outputPath = ExportOutputPath(root, path, options_.ForceControlSet001);
  sections_[static_cast<int>(*section)].Add(FormatKeyEntry(outputPath));
  AddValues(*section, outputPath, values);
}

void InfDiffWriter::DeletedKey(RootKey root, const std::string& path) {
  const std::optional<InfSection> section = AddSectionOf(root, path);
  if (!section) {
    NotExpressible(SkipReason::ChangeOutsideSections, root, path);
    return;
  }
  const std::string outputPath = ExportOutputPath(root, path, options_.ForceControlSet001);
  if (const std::optional<InfSection> delSection = DelSectionOf(*section)) {
    sections_[static_cast<int>(*delSection)].Add(FormatKeyEntry(outputPath));
    return;
  }
  NotExpressible(SkipReason::DeletionWithoutDelReg, root, path);
  sections_[static_cast<int>(*section)].Add(std::string(kNoSetupRegDelReg) + "key \"" + outputPath + "\" deleted");
}

void InfDiffWriter::AddDeletedValues(RootKey root, const std::string& path, InfSection section,
                                     const std::vector<const CompactRegistry::Value*>& values) {
  const std::optional<InfSection> delSection = DelSectionOf(section);
  if (!delSection) {
    const std::string outputPath = ExportOutputPath(root, path, options_.ForceControlSet001);
    for (const CompactRegistry::Value* value : values) {
      NotExpressible(SkipReason::DeletionWithoutDelReg, root, path, value->name());
      const std::string what = value->nameLength == 0 ? std::string("the default value")
                                                       : "value \"" + std::string(value->name()) + "\"";
      sections_[static_cast<int>(section)].Add(std::string(kNoSetupRegDelReg) + what + " of \"" + outputPath +
                                               "\" deleted");
    }
    return;
  }
  // The lines the converter writes for these values under a deletion key,
  // without the key entry: in a DelReg section that entry deletes the key.
  // The lines are those of a UTF-16LE file (hex(2): and hex(7): bytes UTF-16).
  RegistryFileConverter converter(options_, RegistryFileEncoding::Utf16LE);
  converter.ConvertLine("[-" + FullKeyName(root, path) + "]");
  for (const CompactRegistry::Value* value : values) {
    ForEachLine(RegValueLineAnsi(value->name(), value->type, value->data()),
                [&converter](std::string_view line) { converter.ConvertLine(line); });
  }
  LineList lines;
  converter.Finish(lines);
  std::size_t written = 0;
  for (const std::string& line : lines.lines) {
    if (line.empty() || line.front() == '[' || line.rfind("0x0,\"", 0) == 0) continue;
    sections_[static_cast<int>(*delSection)].Add(line);
    ++written;
  }
  if (written == 0) {
    for (const CompactRegistry::Value* value : values) {
      NotExpressible(SkipReason::ChangeOutsideSections, root, path, value->name());
    }
  }
}

void InfDiffWriter::ChangedValues(RootKey root, const std::string& path,
                                  const std::vector<const CompactRegistry::Value*>& setValues,
                                  const std::vector<const CompactRegistry::Value*>& deletedValues) {
  const std::optional<InfSection> section = AddSectionOf(root, path);
  if (!section) {
    for (const auto* list : {&setValues, &deletedValues}) {
      for (const CompactRegistry::Value* value : *list) {
        NotExpressible(SkipReason::ChangeOutsideSections, root, path, value->name());
      }
    }
    return;
  }
  if (!setValues.empty()) {
    const std::string outputPath = ExportOutputPath(root, path, options_.ForceControlSet001);
    sections_[static_cast<int>(*section)].Add(FormatKeyEntry(outputPath));
    AddValues(*section, outputPath, setValues);
  }
  if (!deletedValues.empty()) AddDeletedValues(root, path, *section, deletedValues);
}

void InfDiffWriter::Finish(OutputList& output) const {
  for (int s = 0; s < kInfSectionCount; ++s) {
    if (sections_[s].empty()) continue;
    output.Add(InfSectionHeader(static_cast<InfSection>(s)));
    sections_[s].ForEach([&output](std::string_view line) { output.Add(line); });
    output.Add("");
  }
}

void RegDiffWriter::AddedKey(RootKey root, const std::string& path,
                             const std::vector<const CompactRegistry::Value*>& values) {
  file_.Key(FullKeyName(root, path));
  for (const CompactRegistry::Value* value : values) file_.Value(value->name(), value->type, value->data());
}

void RegDiffWriter::DeletedKey(RootKey root, const std::string& path) { file_.Key(FullKeyName(root, path), true); }

void RegDiffWriter::ChangedValues(RootKey root, const std::string& path,
                                  const std::vector<const CompactRegistry::Value*>& setValues,
                                  const std::vector<const CompactRegistry::Value*>& deletedValues) {
  file_.Key(FullKeyName(root, path));
  for (const CompactRegistry::Value* value : setValues) file_.Value(value->name(), value->type, value->data());
  for (const CompactRegistry::Value* value : deletedValues) file_.DeletedValue(value->name());
}

}  // namespace vindra::registry
