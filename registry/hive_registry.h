// A registry source over an offline hive file (SOFTWARE, SYSTEM, NTUSER.DAT,
// UsrClass.dat of a Windows installation), read with the project's own reader
// of the file format (hive_file.h). Read-only, and the same in every build:
// the file's bytes are read, never the system's registry.
//
// The hive stands for one key of the registry, its mount point (for example
// HKEY_LOCAL_MACHINE\SOFTWARE). Names and data come out as Windows' ANSI
// registry functions give them for the same hive once it is loaded: key and
// value names in the ANSI code page, REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ
// data converted from UTF-16 with the size of the converted text, every other
// type as it is stored. The keys above the mount point exist, each with the
// next key of the mount path as its only sub-key, so that a key path can be
// spelled from the root. In a hive without a CurrentControlSet key of its own,
// that name below the hive's top resolves to the control set that
// Select\Current names, as when Windows loads a SYSTEM hive at start-up.
#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "registry/registry_access.h"
#include "registry/root_key.h"

namespace vindra::registry {

// True when the file starts with the hive signature "regf" (false when it
// cannot be read).
bool HasHiveSignature(const std::string& fileName);

// The key a hive file stands for by its file name (any folder, letter case
// ignored): SOFTWARE and SYSTEM (HKEY_LOCAL_MACHINE\SOFTWARE, ...\SYSTEM),
// NTUSER.DAT (HKEY_CURRENT_USER), UsrClass.dat (HKEY_CLASSES_ROOT). Nothing
// for any other name.
std::optional<RootedKeyPath> DefaultHiveMount(std::string_view fileName);

// A hive that cannot be opened or is damaged. `what()` is "FILE: detail";
// the detail may quote key paths, which are ANSI text.
class HiveError : public std::runtime_error {
 public:
  HiveError(const std::string& fileName, const std::string& detail)
      : std::runtime_error(fileName + ": " + detail), fileName_(fileName), detail_(detail) {}
  const std::string& FileName() const { return fileName_; }
  const std::string& Detail() const { return detail_; }

 private:
  std::string fileName_;
  std::string detail_;
};

class HiveRegistrySource final : public RegistrySource {
 public:
  // Reads the file whole and checks its base block and hive bins; throws
  // HiveError when the file cannot be read or is no intact hive.
  // `mount.path` is ANSI text.
  HiveRegistrySource(const std::string& fileName, const RootedKeyPath& mount);
  ~HiveRegistrySource() override;
  HiveRegistrySource(const HiveRegistrySource&) = delete;
  HiveRegistrySource& operator=(const HiveRegistrySource&) = delete;

  // Reads the key at `path` below `root` and everything beneath it once, each
  // name and each value's data, and throws HiveError when any of it is
  // damaged: cells outside the file, a key that is its own ancestor or is
  // reached twice, keys nested deeper than the registry allows. A key that
  // does not exist passes. An export checked first never meets damage midway.
  void CheckTree(RootKey root, std::string_view path);

  // The name of the control set (ControlSet001...) that Select\Current names,
  // or empty when the hive has none.
  std::string CurrentControlSetName();

  // Windows did not finish writing the hive (the two sequence numbers of its
  // base block differ): changes may wait in its log files, which are not
  // applied. The hive is read as it stands.
  bool Dirty() const;

  std::unique_ptr<RegistryAccess> CreateAccess() override;

  class Hive;

 private:
  std::shared_ptr<Hive> hive_;
};

}  // namespace vindra::registry
