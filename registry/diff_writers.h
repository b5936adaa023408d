// The two forms of a registry difference: the registry sections of a plug-in
// INF file, and a registry file that the system's registry editor imports.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "core/options.h"
#include "core/output_list.h"
#include "core/section_buffer.h"
#include "core/skip_report.h"
#include "registry/key_exporter.h"
#include "registry/reg_file_writer.h"
#include "registry/registry_diff.h"

namespace vindra::registry {

// The INF sections of a change. New keys and new or changed values go into
// the AddReg section of their tree as the key exporter writes them (a key's
// entry before its values); deleted keys and values go into the DelReg
// section of their tree as the registry-file converter writes the lines of a
// deletion key: a deleted key as its key entry alone, a deleted value as its
// entry alone with its BEFORE data. Below HKEY_LOCAL_MACHINE\SYSTEM, which has
// no DelReg section, a deletion is a comment line in place; changes of keys
// outside the five sections' trees are left out. Both are counted as not
// expressible.
class InfDiffWriter final : public DiffSink {
 public:
  // `skipped` (may be null) is told each change that is not expressible.
  explicit InfDiffWriter(const ConversionOptions& options, SkipObserver* skipped = nullptr);

  void AddedKey(RootKey root, const std::string& path,
                const std::vector<const CompactRegistry::Value*>& values) override;
  void DeletedKey(RootKey root, const std::string& path) override;
  void ChangedValues(RootKey root, const std::string& path, const std::vector<const CompactRegistry::Value*>& setValues,
                     const std::vector<const CompactRegistry::Value*>& deletedValues) override;

  // The non-empty sections, each under its header and followed by an empty
  // line, as the converter writes them. Nothing when nothing changed.
  void Finish(OutputList& output) const;

  std::size_t NotExpressible() const { return notExpressible_; }
  // Values the exporter refuses to write (a REG_DWORD longer than four
  // bytes), as the exporter's error texts (ANSI).
  const std::vector<std::string>& Problems() const { return problems_; }

 private:
  void AddValues(InfSection section, const std::string& outputPath,
                 const std::vector<const CompactRegistry::Value*>& values);
  void AddDeletedValues(RootKey root, const std::string& path, InfSection section,
                        const std::vector<const CompactRegistry::Value*>& values);
  void NotExpressible(SkipReason reason, RootKey root, const std::string& path, std::string_view valueName = {});

  const ConversionOptions options_;
  const ExportValueWriter valueWriter_;
  std::array<SectionBuffer, kInfSectionCount> sections_;
  std::size_t notExpressible_ = 0;
  std::vector<std::string> problems_;
  SkipObserver* skipped_;
};

// The change as a registry file: [KEY] with the new and changed values, [-KEY]
// for a deleted key, "name"=- for a deleted value.
class RegDiffWriter final : public DiffSink {
 public:
  explicit RegDiffWriter(RegFileWriter& file) : file_(file) {}

  void AddedKey(RootKey root, const std::string& path,
                const std::vector<const CompactRegistry::Value*>& values) override;
  void DeletedKey(RootKey root, const std::string& path) override;
  void ChangedValues(RootKey root, const std::string& path, const std::vector<const CompactRegistry::Value*>& setValues,
                     const std::vector<const CompactRegistry::Value*>& deletedValues) override;

 private:
  RegFileWriter& file_;
};

// "HKEY_CURRENT_USER\Software\X" (the root's name alone for an empty path).
std::string FullKeyName(RootKey root, std::string_view path);

}  // namespace vindra::registry
