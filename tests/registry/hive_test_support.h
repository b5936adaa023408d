// Test hives written by hivex, the independent writer: a HiveKey tree or a key
// of the in-memory registry (names outside the ANSI code page in their
// original UTF-16) written into a copy of the empty hive
// (tests/registry/data/empty.hive, format 1.3) with hivex_node_add_child,
// hivex_node_set_values and hivex_commit. Native builds only; shared by the
// hive tests and the program that writes the committed fixtures.
#pragma once

#include <hivex.h>

#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "hive_builder.h"
#include "platform/text.h"
#include "registry/memory_registry.h"

namespace vindra::registry::testing {

inline const std::string kEmptyHive = std::string(VINDRA_REGISTRY_TEST_DATA) + "/empty.hive";

// Writes the values and sub-keys of `key` below `node`; names go to hivex in UTF-8.
inline void WriteHivexKey(hive_h* h, hive_node_h node, const HiveKey& key) {
  std::vector<std::string> names;
  for (const HiveValue& v : key.values) names.push_back(platform::WideToUtf8(v.name));
  std::vector<hive_set_value> values;
  for (std::size_t i = 0; i < key.values.size(); ++i) {
    const HiveValue& v = key.values[i];
    hive_set_value set{names[i].data(), {}, v.data.size(), const_cast<char*>(v.data.data())};
    std::memcpy(&set.t, &v.type, sizeof v.type);  // any 32-bit type, not only the enum's
    values.push_back(set);
  }
  if (!values.empty() && hivex_node_set_values(h, node, values.size(), values.data(), 0) != 0) {
    throw std::runtime_error("hivex_node_set_values failed");
  }
  for (const HiveKey& sub : key.subKeys) {
    const hive_node_h child = hivex_node_add_child(h, node, platform::WideToUtf8(sub.name).c_str());
    if (child == 0) throw std::runtime_error("hivex_node_add_child failed");
    WriteHivexKey(h, child, sub);
  }
}

// Writes `root`'s values and everything below it into `hiveFile`, a copy of
// the empty hive, whose root key keeps its own name.
inline void WriteHivexHive(const HiveKey& root, const std::string& hiveFile) {
  std::filesystem::copy_file(kEmptyHive, hiveFile, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::permissions(hiveFile, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  hive_h* h = hivex_open(hiveFile.c_str(), HIVEX_OPEN_WRITE);
  if (h == nullptr) throw std::runtime_error("hivex_open failed for " + hiveFile);
  try {
    WriteHivexKey(h, hivex_root(h), root);
  } catch (...) {
    hivex_close(h);
    throw;
  }
  const int committed = hivex_commit(h, nullptr, 0);
  hivex_close(h);
  if (committed != 0) throw std::runtime_error("hivex_commit failed");
}

// The bytes a value has in a hive: text data in UTF-16LE, the rest as it is.
inline std::string HiveData(std::uint32_t type, const std::string& ansiData) {
  if (!IsTextType(type)) return ansiData;
  const std::u16string wide = platform::AnsiToWide(ansiData);
  std::string bytes;
  for (char16_t c : wide) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

// A name as the hive holds it (UTF-8 for hivex): the original of a name that
// the ANSI code page cannot hold, else the ANSI name converted.
inline std::string HiveName(const std::string& stored) {
  const std::string_view original = OriginalName(stored);
  return original.empty() ? platform::AnsiToUtf8(ListedName(stored)) : std::string(original);
}

// Writes one key's values and sub-keys below `node`. Sub-keys named in `skip`
// (folded names, top level only) are left out.
inline void WriteHiveKey(hive_h* h, hive_node_h node, const MemoryRegistry::Key& key,
                         const std::vector<std::string>& skip = {}) {
  std::vector<std::string> names, data;
  std::vector<hive_set_value> values;
  for (const auto& [folded, value] : key.values) {
    names.push_back(HiveName(value.name));
    data.push_back(HiveData(value.type, value.data));
  }
  std::size_t i = 0;
  for (const auto& [folded, value] : key.values) {
    hive_set_value set{names[i].data(), {}, data[i].size(), data[i].data()};
    std::memcpy(&set.t, &value.type, sizeof value.type);  // any 32-bit type, not only the enum's
    values.push_back(set);
    ++i;
  }
  if (!values.empty() && hivex_node_set_values(h, node, values.size(), values.data(), 0) != 0) {
    throw std::runtime_error("hivex_node_set_values failed");
  }
  for (const auto& [folded, sub] : key.subKeys) {
    bool skipped = false;
    for (const auto& s : skip) skipped = skipped || s == folded;
    if (skipped) continue;
    const hive_node_h child = hivex_node_add_child(h, node, HiveName(sub->name).c_str());
    if (child == 0) throw std::runtime_error("hivex_node_add_child failed");
    WriteHiveKey(h, child, *sub);
  }
}

// Writes the key `path` below `root` of `registry` (what the hive stands for)
// into `hiveFile`, a copy of `emptyHive`.
inline void WriteHive(const MemoryRegistry& registry, RootKey root, std::string_view path,
                      const std::string& emptyHive, const std::string& hiveFile,
                      const std::vector<std::string>& skipTopKeys = {}) {
  std::filesystem::copy_file(emptyHive, hiveFile, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::permissions(hiveFile, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  const auto key = registry.FindKey(root, path);
  if (!key) throw std::runtime_error("no such key to write");
  hive_h* h = hivex_open(hiveFile.c_str(), HIVEX_OPEN_WRITE);
  if (h == nullptr) throw std::runtime_error("hivex_open failed for " + hiveFile);
  try {
    WriteHiveKey(h, hivex_root(h), *key, skipTopKeys);
  } catch (...) {
    hivex_close(h);
    throw;
  }
  const int committed = hivex_commit(h, nullptr, 0);
  hivex_close(h);
  if (committed != 0) throw std::runtime_error("hivex_commit failed");
}

}  // namespace vindra::registry::testing
