// Filling a CompactRegistry: from a .reg file in one pass over its text (by
// the same rules as the .reg importer of the in-memory registry, without
// holding the file's lines), or from any registry source by reading keys
// with everything beneath them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/registry_file_loader.h"
#include "registry/compact_registry.h"
#include "registry/reg_file_import.h"
#include "registry/registry_access.h"
#include "registry/root_key.h"

namespace vindra::registry {

// Reads the .reg file (UTF-16LE with byte-order mark or 8-bit text, as the
// converter loads it) into `registry`, then finishes it. `onProgress`, when
// given, is called now and then with the bytes of text read so far;
// `expectedTextBytes` (0: from the file's size) makes room ahead. The file is
// opened once (it may be standard input). Throws the loader's FileOpenError
// when the file cannot be read.
RegImportResult ReadRegFileCompact(const std::string& fileName, CompactRegistry& registry,
                                   const std::function<void(std::uint64_t)>& onProgress = {},
                                   std::uint64_t expectedTextBytes = 0);

// The same over text already loaded (ANSI, as the loader gives it) from a
// file of `encoding`, which decides how hex(1):, hex(2): and hex(7): bytes
// are text.
RegImportResult ReadRegTextCompact(std::string_view text, CompactRegistry& registry,
                                   RegistryFileEncoding encoding);

// What could not be read from a source: a key (value name empty, `isValue`
// false) or a value of a key. Paths are below `root`, ANSI.
struct UnreadableItem {
  RootKey root = 0;
  std::string keyPath;
  bool isValue = false;
  std::string valueName;
};

// What a walk over a source meets, in the source's own order: each key that
// opens, then its values, then its sub-keys each with everything beneath it.
class KeyTreeVisitor {
 public:
  virtual ~KeyTreeVisitor() = default;
  virtual void Key(RootKey root, const std::string& path) = 0;
  // A value of the last key, its data complete.
  virtual void Value(std::string_view name, std::uint32_t type, std::string_view data) = 0;
  virtual void Unreadable(const UnreadableItem& item) = 0;
};

// Walks the key at `path` below `root` and everything beneath it. A start key
// that does not exist is left out without a report; false then.
bool ReadKeyTree(RegistrySource& source, RootKey root, std::string_view path, KeyTreeVisitor& visitor);

// Reads each key of `keys` with everything beneath it from `source` into
// `registry` (not finished: more can follow). Keys that cannot be opened and
// values that cannot be read are reported to `onUnreadable` and left out; a
// key of `keys` that does not exist is left out without a report. Sub-keys
// and values come in the source's own order.
void ReadSourceCompact(RegistrySource& source, const std::vector<RootedKeyPath>& keys, CompactRegistry& registry,
                       const std::function<void(const UnreadableItem&)>& onUnreadable);

}  // namespace vindra::registry
