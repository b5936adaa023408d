// A registry read once and held compactly, read-only, for comparing two of
// them: names and data back to back in large blocks, one flat record per key
// and per value, the sub-keys and values of each key sorted by their names
// folded as the registry folds them (FoldNameCase). Filled in one pass from a
// .reg file (compact_registry_reader.h) or from any RegistrySource; what it
// holds is what the ANSI registry functions return for the same registry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "registry/registry_access.h"
#include "registry/root_key.h"

namespace vindra::registry {

class CompactRegistry {
 public:
  using Index = std::uint32_t;
  static constexpr Index kNone = 0xFFFFFFFFu;

  // A value: 40 bytes, its name and data in the blocks.
  struct Value {
    const char* nameBytes = nullptr;
    const char* dataBytes = nullptr;
    std::uint32_t nameLength = 0;
    std::uint32_t dataLength = 0;
    std::uint32_t type = 0;
    Index key = kNone;
    std::uint32_t order = 0;  // while filling: the order of setting
    // The name is ASCII and folds by ASCII upper case; otherwise its folded
    // form follows its bytes.
    bool asciiName = true;
    bool deletion = false;  // while filling: a value deletion

    std::string_view name() const { return {nameBytes, nameLength}; }
    std::string_view data() const { return {dataBytes, dataLength}; }
  };
  struct Key {
    std::string_view name;
    std::string_view folded;
    Index parent = kNone;  // kNone for a root key
    RootKey root = 0;
    // The key was named itself (a key line of a file, a key read from a
    // source), not only made as the ancestor of one.
    bool named = false;
    std::uint32_t namedOrder = 0;
    Index firstChild = 0;  // into the child list, after Finish
    Index childCount = 0;
    Index firstValue = 0;  // into the values, after Finish
    Index valueCount = 0;
  };

  // Orders two values (or a value and a folded name) by folded name.
  static int CompareFolded(const Value& a, const Value& b);
  static int CompareFolded(const Value& a, std::string_view folded);

  CompactRegistry();
  CompactRegistry(CompactRegistry&&) noexcept;
  CompactRegistry& operator=(CompactRegistry&&) noexcept;
  ~CompactRegistry();

  // --- Filling -------------------------------------------------------------
  // The key `name` below `parent`, made when it is missing (then `named` as
  // given; an existing key becomes named when `named` is set).
  Index AddChild(Index parent, std::string_view name, bool named);
  // The key at `path` below `root`, with its missing ancestors; kNone when the
  // path is deeper than kMaxKeyDepth.
  Index AddKey(RootKey root, std::string_view path, bool named);
  // Deletes the key with everything beneath it (a later AddKey makes it anew).
  void DeleteKey(RootKey root, std::string_view path);
  // Sets or replaces a value; a value set again keeps its first spelling.
  void SetValue(Index key, std::string_view name, std::uint32_t type, std::string_view data);
  void DeleteValue(Index key, std::string_view name);
  // Makes room for the records of a file with this much text.
  void ReserveForText(std::uint64_t textBytes);
  // Sorts and settles what was filled; nothing can be added afterwards.
  void Finish();

  // --- Reading (after Finish) ----------------------------------------------
  Index RootIndex(RootKey root) const;
  const Key& KeyAt(Index key) const { return keys_[key]; }
  std::span<const Index> Children(Index key) const;
  std::span<const Value> Values(Index key) const;
  Index FindChild(Index key, std::string_view name) const;
  // The key at `path` below `root`, or kNone.
  Index FindKey(RootKey root, std::string_view path) const;
  const Value* FindValue(Index key, std::string_view name) const;
  // The path of the key below its root, as spelled.
  std::string PathOf(Index key) const;
  // The named keys whose parent is not named: the keys a file or a read
  // stands for, by root and then in the order they were first named.
  std::vector<RootedKeyPath> Tops() const;

  std::size_t KeyCount() const;    // keys below the roots
  // Every key index is below this (deleted keys keep their records).
  std::size_t KeyRecordCount() const { return keys_.size(); }
  std::size_t ValueCount() const;
  // Bytes held (blocks and records), for the benchmarks.
  std::size_t MemoryUsed() const;

 private:
  class KeyTable;

  const char* Store(std::string_view bytes);
  Index FindLiveChild(Index parent, std::string_view folded) const;
  void AddValueRecord(Index key, std::string_view name, std::uint32_t type, std::string_view data, bool deletion);

  // Names and data, in blocks that never move.
  std::deque<std::unique_ptr<char[]>> blocks_;
  std::size_t blockUsed_ = 0;
  std::size_t blockSize_ = 0;
  std::size_t bytesStored_ = 0;

  std::vector<Key> keys_;
  std::vector<bool> deleted_;
  std::uint32_t namedCount_ = 0;
  std::vector<Index> children_;
  std::vector<Value> values_;  // while filling: every setting and deletion in order
  std::unique_ptr<KeyTable> table_;
  std::string scratch_;
  // The last path added, for the next key line, which usually shares most of it.
  RootKey lastRoot_ = 0;
  std::string lastPath_;
  std::vector<std::pair<std::size_t, Index>> lastComponents_;  // end offset, key
  bool finished_ = false;
};

// The registry's case folding of a name, with a fast path for ASCII names.
void AppendFoldedName(std::string_view name, std::string& out);

}  // namespace vindra::registry
