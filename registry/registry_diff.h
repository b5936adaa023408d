// The difference of two registries (BEFORE and AFTER, each a CompactRegistry)
// below a list of keys: the keys and values AFTER adds, the values whose type
// or data it changes, the keys and values it deletes. Names compare as the
// registry compares them (FoldNameCase), so a name that changed only in letter
// case is no change. The changes are reported to a sink in the order of the
// key exporter: depth first, each key before its sub-keys, sub-keys and
// values sorted as the exporter sorts them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "registry/compact_registry.h"
#include "registry/root_key.h"

namespace vindra::registry {

// Key patterns: ROOT\PATH whose components may hold "*" (any run of
// characters within one component), matching the key and everything beneath
// it, letter case ignored. A pattern for HKEY_CURRENT_USER also matches the
// same keys of every user below HKEY_USERS.
class KeyPatternList {
 public:
  // False when the pattern does not start with a root key.
  bool Add(std::string_view pattern);
  bool Add(RootKey root, std::string_view path);
  // A key by its path, "*" in it standing for itself.
  void AddExact(RootKey root, std::string_view path);
  // True when the key with these path components (below `root`, folded with
  // FoldNameCase) matches a pattern itself: not a key beneath one.
  bool MatchesExactly(RootKey root, const std::vector<std::string_view>& foldedComponents) const;
  bool empty() const { return patterns_.empty(); }

 private:
  struct Pattern {
    RootKey root = 0;
    std::vector<std::string> components;  // folded
    bool exact = false;                   // no wildcards
  };
  bool MatchesIn(RootKey root, const std::vector<std::string_view>& components, std::size_t first) const;
  std::vector<Pattern> patterns_;
};

// The built-in list of keys whose values change on every start or log-on
// without any installer: random seeds, most-recently-used lists, Explorer's
// UserAssist, BagMRU and window positions, the prefetcher, time-zone data, ...
const std::vector<std::string_view>& BuiltInNoiseKeys();

struct DiffCounts {
  std::size_t keysAdded = 0;  // the keys of an added tree, each counted
  std::size_t keysDeleted = 0;
  std::size_t valuesAdded = 0;  // the values of added keys included
  std::size_t valuesChanged = 0;
  std::size_t valuesDeleted = 0;  // the values of deleted keys included
  std::size_t noise = 0;          // keys and values changed inside noise keys
};

// Receives the changes, in the exporter's order.
class DiffSink {
 public:
  virtual ~DiffSink() = default;
  // A key that is new in AFTER, with all its values sorted; its new sub-keys
  // follow as keys of their own.
  virtual void AddedKey(RootKey root, const std::string& path,
                        const std::vector<const CompactRegistry::Value*>& values) = 0;
  // A key of BEFORE that is gone in AFTER, with everything beneath it.
  virtual void DeletedKey(RootKey root, const std::string& path) = 0;
  // A key in both: its values that are new or changed (AFTER's), and those
  // that are gone (BEFORE's), each list sorted. `path` is AFTER's spelling.
  virtual void ChangedValues(RootKey root, const std::string& path,
                             const std::vector<const CompactRegistry::Value*>& setValues,
                             const std::vector<const CompactRegistry::Value*>& deletedValues) = 0;
};

struct DiffRequest {
  std::vector<RootedKeyPath> keys;       // the keys compared, each with everything beneath it
  const KeyPatternList* noise = nullptr;  // left out and counted; null: nothing is noise
  const KeyPatternList* excluded = nullptr;  // left out, not counted
};

// Compares `before` and `after` (both finished) below the keys of the
// request and reports every change to `sink`.
DiffCounts CompareRegistries(const CompactRegistry& before, const CompactRegistry& after, const DiffRequest& request,
                             DiffSink& sink);

// Same type and the same bytes.
bool SameValue(const CompactRegistry::Value& a, const CompactRegistry::Value& b);

}  // namespace vindra::registry
