// Writes registry hive files ("regf") for the tests, the fuzz seeds and the
// benchmarks, in the shapes Windows writes and hivex cannot: format 1.3 (XP,
// Server 2003) and 1.5 (Vista to 11), sub-key lists as "li", "lf" or "lh"
// leaves and "ri" lists of them, data longer than 16344 bytes in "db"
// big-data segments, names in 8 bits or in UTF-16, and a hive left dirty.
// Portable and deterministic (no clock): the same tree and options give the
// same bytes in every build.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/text.h"
#include "registry/memory_registry.h"
#include "registry/registry_access.h"

namespace vindra::registry::testing {

struct HiveValue {
  std::u16string name;  // empty: the default value
  std::uint32_t type = 0;
  std::string data;  // as stored: text types in UTF-16LE
};

struct HiveKey {
  HiveKey() = default;
  explicit HiveKey(std::u16string keyName) : name(std::move(keyName)) {}
  std::u16string name;
  std::vector<HiveValue> values;
  std::vector<HiveKey> subKeys;  // in the order of the key's list
};

enum class HiveLeaf { Li, Lf, Lh };

struct HiveShape {
  std::uint32_t minorVersion = 5;  // 3: Windows XP and Server 2003; 5: Vista and later
  HiveLeaf leaf = HiveLeaf::Lh;
  // Lists of more sub-keys than this are split into leaves under an "ri" list
  // (Windows does so beyond about a thousand); 0: never.
  std::size_t leafCapacity = 0;
  bool utf16Names = false;  // UTF-16 names even where 8 bits would do
  bool dirty = false;       // the two sequence numbers differ
};

inline std::string Utf16Bytes(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

inline bool IsTextType(std::uint32_t type) { return type == 1 || type == 2 || type == 7; }

// A key of a registry source with everything beneath it, names and text
// data as a hive stores them. Sub-keys named in `skipTop` (any letter case)
// are left out at the top level only.
inline HiveKey HiveKeyFrom(RegistrySource& source, RootKey root, const std::string& path, std::u16string name,
                           const std::vector<std::string>& skipTop = {}) {
  HiveKey key(std::move(name));
  auto access = source.CreateAccess();
  access->SetRoot(root);
  if (!access->OpenKeyReadOnly(path)) throw std::runtime_error("no key " + path + " to write into a hive");
  for (const std::string& valueName : access->ValueNames()) {
    const ValueInfo info = access->QueryValueInfo(valueName);
    std::string data(info.size, '\0');
    data.resize(access->ReadRawData(valueName, data.data(), info.size));
    if (IsTextType(info.type)) data = Utf16Bytes(platform::AnsiToWide(data));
    key.values.push_back({platform::AnsiToWide(valueName), info.type, std::move(data)});
  }
  std::vector<std::string> subKeys = access->SubKeyNames();
  for (const std::string& sub : subKeys) {
    const bool skipped = std::any_of(skipTop.begin(), skipTop.end(),
                                     [&](const std::string& s) { return FoldNameCase(s) == FoldNameCase(sub); });
    if (skipped) continue;
    key.subKeys.push_back(HiveKeyFrom(source, root, path.empty() ? sub : path + "\\" + sub, platform::AnsiToWide(sub)));
  }
  return key;
}

class HiveWriter {
 public:
  static std::string Write(const HiveKey& root, const HiveShape& shape) {
    HiveWriter w(shape);
    return w.WriteHive(root);
  }

 private:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  static constexpr std::uint32_t kBin = 4096;

  explicit HiveWriter(const HiveShape& shape) : shape_(shape) {}

  static void Put16(std::string& s, std::size_t at, std::uint32_t v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>(v >> 8 & 0xFF);
  }
  static void Put32(std::string& s, std::size_t at, std::uint32_t v) {
    for (int b = 0; b < 4; ++b) s[at + b] = static_cast<char>(v >> (8 * b) & 0xFF);
  }

  // A name as stored, and whether it is the 8-bit form.
  std::pair<std::string, bool> StoredName(std::u16string_view name) const {
    const bool narrow = std::all_of(name.begin(), name.end(), [](char16_t c) { return c < 0x100; });
    if (narrow && !shape_.utf16Names) return {std::string(name.begin(), name.end()), true};
    return {Utf16Bytes(name), false};
  }

  // Places a cell with `content` and returns its offset; bins grow as needed.
  std::uint32_t Allocate(const std::string& content) {
    const std::uint32_t size = static_cast<std::uint32_t>((content.size() + 4 + 7) / 8 * 8);
    if (binEnd_ - used_ < size) {
      CloseBin();
      const std::uint32_t binSize = std::max(kBin, (size + 32 + kBin - 1) / kBin * kBin);
      bins_.resize(binEnd_ + binSize, '\0');
      bins_.replace(binEnd_, 4, "hbin");
      Put32(bins_, binEnd_ + 4, binEnd_);
      Put32(bins_, binEnd_ + 8, binSize);
      used_ = binEnd_ + 32;
      binEnd_ += binSize;
    }
    const std::uint32_t cell = used_;
    Put32(bins_, cell, static_cast<std::uint32_t>(-static_cast<std::int32_t>(size)));
    bins_.replace(cell + 4, content.size(), content);
    used_ += size;
    return cell;
  }

  // The rest of the current bin becomes one free cell.
  void CloseBin() {
    if (binEnd_ > used_) Put32(bins_, used_, binEnd_ - used_);
    used_ = binEnd_;
  }

  static std::uint32_t NameHash(std::u16string_view name) {
    std::uint32_t hash = 0;
    for (char16_t c : name) hash = hash * 37 + (c >= u'a' && c <= u'z' ? c - 32 : c);
    return hash;
  }

  std::uint32_t Leaf(const std::vector<std::pair<std::uint32_t, const HiveKey*>>& keys, std::size_t from,
                     std::size_t count) {
    const char* sig = shape_.leaf == HiveLeaf::Li ? "li" : shape_.leaf == HiveLeaf::Lf ? "lf" : "lh";
    const std::size_t step = shape_.leaf == HiveLeaf::Li ? 4 : 8;
    std::string list(4 + count * step, '\0');
    list.replace(0, 2, sig);
    Put16(list, 2, static_cast<std::uint32_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
      const auto& [cell, key] = keys[from + i];
      Put32(list, 4 + i * step, cell);
      if (shape_.leaf == HiveLeaf::Lf) {
        std::string hint = StoredName(key->name).first.substr(0, 4);
        list.replace(4 + i * step + 4, hint.size(), hint);
      } else if (shape_.leaf == HiveLeaf::Lh) {
        Put32(list, 4 + i * step + 4, NameHash(key->name));
      }
    }
    return Allocate(list);
  }

  std::uint32_t SubKeyList(const std::vector<std::pair<std::uint32_t, const HiveKey*>>& keys) {
    const std::size_t capacity = shape_.leafCapacity;
    if (capacity == 0 || keys.size() <= capacity) return Leaf(keys, 0, keys.size());
    std::vector<std::uint32_t> leaves;
    for (std::size_t from = 0; from < keys.size(); from += capacity) {
      leaves.push_back(Leaf(keys, from, std::min(capacity, keys.size() - from)));
    }
    std::string ri(4 + leaves.size() * 4, '\0');
    ri.replace(0, 2, "ri");
    Put16(ri, 2, static_cast<std::uint32_t>(leaves.size()));
    for (std::size_t i = 0; i < leaves.size(); ++i) Put32(ri, 4 + i * 4, leaves[i]);
    return Allocate(ri);
  }

  // The data field and size of a value: up to 4 bytes inline, longer data in
  // a cell or, from format 1.4 on and beyond 16344 bytes, in big-data segments.
  std::pair<std::uint32_t, std::uint32_t> Data(const std::string& data) {
    const auto size = static_cast<std::uint32_t>(data.size());
    if (size <= 4) {
      std::uint32_t inlineData = 0;
      for (std::uint32_t i = 0; i < size; ++i) inlineData |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
      return {size | 0x80000000u, inlineData};
    }
    if (shape_.minorVersion < 4 || size <= 16344) return {size, Allocate(data)};
    std::vector<std::uint32_t> segments;
    for (std::uint32_t at = 0; at < size; at += 16344) segments.push_back(Allocate(data.substr(at, 16344)));
    std::string list(segments.size() * 4, '\0');
    for (std::size_t i = 0; i < segments.size(); ++i) Put32(list, i * 4, segments[i]);
    std::string db(12, '\0');
    db.replace(0, 2, "db");
    Put16(db, 2, static_cast<std::uint32_t>(segments.size()));
    Put32(db, 4, Allocate(list));
    return {size, Allocate(db)};
  }

  std::uint32_t Value(const HiveValue& value) {
    const auto [name, narrow] = StoredName(value.name);
    const auto [size, field] = Data(value.data);
    std::string vk(0x14 + name.size(), '\0');
    vk.replace(0, 2, "vk");
    Put16(vk, 2, static_cast<std::uint32_t>(name.size()));
    Put32(vk, 4, size);
    Put32(vk, 8, field);
    Put32(vk, 0x0C, value.type);
    Put16(vk, 0x10, narrow ? 1 : 0);
    vk.replace(0x14, name.size(), name);
    return Allocate(vk);
  }

  // Writes the key's cell, then everything beneath it, then its lists, whose
  // offsets go into the key's cell last.
  std::uint32_t Key(const HiveKey& key, std::uint32_t parent, bool isRoot) {
    const auto [name, narrow] = StoredName(key.name);
    std::string nk(0x4C + name.size(), '\0');
    nk.replace(0, 2, "nk");
    Put16(nk, 2, (narrow ? 0x20 : 0) | (isRoot ? 0x0C : 0));
    Put32(nk, 0x10, parent);
    Put32(nk, 0x1C, kNone);
    Put32(nk, 0x20, kNone);
    Put32(nk, 0x28, kNone);
    Put32(nk, 0x2C, security_);
    Put32(nk, 0x30, kNone);
    Put16(nk, 0x48, static_cast<std::uint32_t>(name.size()));
    nk.replace(0x4C, name.size(), name);
    const std::uint32_t cell = Allocate(nk);
    ++keys_;

    std::vector<std::pair<std::uint32_t, const HiveKey*>> children;
    for (const HiveKey& sub : key.subKeys) children.emplace_back(Key(sub, cell, false), &sub);
    std::vector<std::uint32_t> values;
    for (const HiveValue& v : key.values) values.push_back(Value(v));

    std::uint32_t maxSubName = 0, maxValueName = 0, maxData = 0;
    for (const HiveKey& sub : key.subKeys) maxSubName = std::max<std::uint32_t>(maxSubName, static_cast<std::uint32_t>(sub.name.size() * 2));
    for (const HiveValue& v : key.values) {
      maxValueName = std::max<std::uint32_t>(maxValueName, static_cast<std::uint32_t>(v.name.size() * 2));
      maxData = std::max<std::uint32_t>(maxData, static_cast<std::uint32_t>(v.data.size()));
    }
    const std::size_t at = cell + 4;
    if (!children.empty()) {
      Put32(bins_, at + 0x14, static_cast<std::uint32_t>(children.size()));
      Put32(bins_, at + 0x1C, SubKeyList(children));
    }
    if (!values.empty()) {
      std::string list(values.size() * 4, '\0');
      for (std::size_t i = 0; i < values.size(); ++i) Put32(list, i * 4, values[i]);
      Put32(bins_, at + 0x24, static_cast<std::uint32_t>(values.size()));
      Put32(bins_, at + 0x28, Allocate(list));
    }
    Put32(bins_, at + 0x34, maxSubName);
    Put32(bins_, at + 0x3C, maxValueName);
    Put32(bins_, at + 0x40, maxData);
    return cell;
  }

  // One security cell that every key shares: a self-relative descriptor
  // without owner, group or access list (the reader does not look at it).
  std::uint32_t Security() {
    std::string sk(0x14 + 20, '\0');
    sk.replace(0, 2, "sk");
    Put32(sk, 0x10, 20);
    sk[0x14] = 1;                   // revision
    Put16(sk, 0x16, 0x8000);        // self-relative
    const std::uint32_t cell = Allocate(sk);
    Put32(bins_, cell + 4 + 0x04, cell);  // the list of security cells: only this one
    Put32(bins_, cell + 4 + 0x08, cell);
    return cell;
  }

  std::string WriteHive(const HiveKey& root) {
    security_ = Security();
    const std::uint32_t rootCell = Key(root, kNone, true);
    Put32(bins_, security_ + 4 + 0x0C, keys_);  // reference count
    CloseBin();
    std::string base(4096, '\0');
    base.replace(0, 4, "regf");
    Put32(base, 0x04, shape_.dirty ? 8 : 7);  // sequence numbers
    Put32(base, 0x08, 7);
    Put32(base, 0x0C, 0x01D00000);            // a fixed time stamp
    Put32(base, 0x10, 0x01D00000);
    Put32(base, 0x14, 1);
    Put32(base, 0x18, shape_.minorVersion);
    Put32(base, 0x20, 1);
    Put32(base, 0x24, rootCell);
    Put32(base, 0x28, static_cast<std::uint32_t>(bins_.size()));
    Put32(base, 0x2C, 1);
    const std::string fileName = Utf16Bytes(u"vindra-test.hive");
    base.replace(0x30, fileName.size(), fileName);
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < 0x1FC; i += 4) {
      std::uint32_t word = 0;
      for (int b = 3; b >= 0; --b) word = word << 8 | static_cast<unsigned char>(base[i + b]);
      sum ^= word;
    }
    Put32(base, 0x1FC, sum == 0 ? 1 : sum == 0xFFFFFFFFu ? 0xFFFFFFFEu : sum);
    return base + bins_;
  }

  HiveShape shape_;
  std::string bins_;
  std::uint32_t used_ = 0, binEnd_ = 0;
  std::uint32_t security_ = 0;
  std::uint32_t keys_ = 0;
};

}  // namespace vindra::registry::testing
