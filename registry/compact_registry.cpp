#include "registry/compact_registry.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"
#include "registry/memory_registry.h"

namespace vindra::registry {
namespace {

constexpr std::size_t kFirstBlockSize = std::size_t{64} << 10;
constexpr std::size_t kMaxBlockSize = std::size_t{16} << 20;

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

unsigned char UpperAscii(char c) { return static_cast<unsigned char>(platform::AsciiUpper(c)); }

// Compares the folded forms: an ASCII name is folded on the fly, any other
// points at its folded bytes already.
int CompareFoldedBytes(const char* a, std::size_t aLength, bool aAscii, const char* b, std::size_t bLength,
                       bool bAscii) {
  const std::size_t n = std::min(aLength, bLength);
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char ca = aAscii ? UpperAscii(a[i]) : static_cast<unsigned char>(a[i]);
    const unsigned char cb = bAscii ? UpperAscii(b[i]) : static_cast<unsigned char>(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return aLength == bLength ? 0 : (aLength < bLength ? -1 : 1);
}

const char* FoldedBytes(const CompactRegistry::Value& value) {
  return value.asciiName ? value.nameBytes : value.nameBytes + value.nameLength;
}

std::uint64_t HashName(std::uint32_t parent, std::string_view folded) {
  std::uint64_t h = 1469598103934665603ull ^ parent;
  for (char c : folded) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return h ^ (h >> 29);
}

}  // namespace

void AppendFoldedName(std::string_view name, std::string& out) {
  if (IsAscii(name)) {
    for (char c : name) out.push_back(platform::AsciiUpper(c));
  } else {
    out += FoldNameCase(name);
  }
}

// Open addressing over (parent, folded name) while the registry is filled.
class CompactRegistry::KeyTable {
 public:
  explicit KeyTable(const std::vector<Key>& keys) : keys_(keys), slots_(1024, kNone) {}

  Index Find(Index parent, std::string_view folded, const std::vector<bool>& deleted) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = HashName(parent, folded) & mask;; i = (i + 1) & mask) {
      const Index key = slots_[i];
      if (key == kNone) return kNone;
      const Key& k = keys_[key];
      if (k.parent == parent && !deleted[key] && k.folded == folded) return key;
    }
  }

  void Insert(Index key) {
    if (2 * (count_ + 1) > slots_.size()) Grow();
    Place(key);
    ++count_;
  }

 private:
  void Place(Index key) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = HashName(keys_[key].parent, keys_[key].folded) & mask;
    while (slots_[i] != kNone) i = (i + 1) & mask;
    slots_[i] = key;
  }
  void Grow() {
    std::vector<Index> old(slots_.size() * 2, kNone);
    old.swap(slots_);
    for (Index key : old) {
      if (key != kNone) Place(key);
    }
  }

  const std::vector<Key>& keys_;
  std::vector<Index> slots_;
  std::size_t count_ = 0;
};

CompactRegistry::CompactRegistry() : table_(std::make_unique<KeyTable>(keys_)) {
  for (RootKey root = kHkeyClassesRoot; root <= kHkeyDynData; ++root) {
    Key key;
    key.name = RootKeyName(root);
    key.folded = key.name;
    key.root = root;
    keys_.push_back(key);
    deleted_.push_back(false);
  }
}

CompactRegistry::CompactRegistry(CompactRegistry&&) noexcept = default;
CompactRegistry& CompactRegistry::operator=(CompactRegistry&&) noexcept = default;
CompactRegistry::~CompactRegistry() = default;

int CompactRegistry::CompareFolded(const Value& a, const Value& b) {
  return CompareFoldedBytes(FoldedBytes(a), a.nameLength, a.asciiName, FoldedBytes(b), b.nameLength, b.asciiName);
}

int CompactRegistry::CompareFolded(const Value& a, std::string_view folded) {
  return CompareFoldedBytes(FoldedBytes(a), a.nameLength, a.asciiName, folded.data(), folded.size(), false);
}

const char* CompactRegistry::Store(std::string_view bytes) {
  if (bytes.empty()) return "";
  bytesStored_ += bytes.size();
  if (blocks_.empty() || blockSize_ - blockUsed_ < bytes.size()) {
    std::size_t size = blocks_.empty() ? kFirstBlockSize : std::min(blockSize_ * 2, kMaxBlockSize);
    if (size < bytes.size()) {
      // An item larger than a block gets a block of its own; the current
      // block stays the one to fill.
      std::unique_ptr<char[]> own(new char[bytes.size()]);
      std::memcpy(own.get(), bytes.data(), bytes.size());
      const char* stored = own.get();
      blocks_.push_front(std::move(own));
      return stored;
    }
    blocks_.push_back(std::unique_ptr<char[]>(new char[size]));  // not zeroed: every byte is written before use
    blockSize_ = size;
    blockUsed_ = 0;
  }
  char* at = blocks_.back().get() + blockUsed_;
  std::memcpy(at, bytes.data(), bytes.size());
  blockUsed_ += bytes.size();
  return at;
}

CompactRegistry::Index CompactRegistry::FindLiveChild(Index parent, std::string_view folded) const {
  return table_->Find(parent, folded, deleted_);
}

CompactRegistry::Index CompactRegistry::AddChild(Index parent, std::string_view name, bool named) {
  scratch_.clear();
  AppendFoldedName(name, scratch_);
  Index key = FindLiveChild(parent, scratch_);
  if (key == kNone) {
    Key record;
    const char* stored = Store(name);
    record.name = std::string_view(stored, name.size());
    record.folded = scratch_ == name ? record.name : std::string_view(Store(scratch_), scratch_.size());
    record.parent = parent;
    record.root = keys_[parent].root;
    key = static_cast<Index>(keys_.size());
    keys_.push_back(record);
    deleted_.push_back(false);
    table_->Insert(key);
  }
  if (named && !keys_[key].named) {
    keys_[key].named = true;
    keys_[key].namedOrder = namedCount_++;
  }
  return key;
}

CompactRegistry::Index CompactRegistry::AddKey(RootKey root, std::string_view path, bool named) {
  const Index rootIndex = RootIndex(root);
  if (rootIndex == kNone) return kNone;
  // Components shared with the last path are taken from it: a file lists a
  // key's sub-keys right after it.
  std::size_t reused = 0;
  std::size_t pos = 0;
  if (root == lastRoot_) {
    const std::size_t limit = std::min(path.size(), lastPath_.size());
    std::size_t same = 0;
    while (same < limit && path[same] == lastPath_[same]) ++same;
    while (reused < lastComponents_.size()) {
      const std::size_t end = lastComponents_[reused].first;
      if (end > same || (end < path.size() && path[end] != '\\')) break;
      ++reused;
    }
    if (reused > 0) pos = lastComponents_[reused - 1].first;
  }
  lastComponents_.resize(reused);
  Index key = reused > 0 ? lastComponents_.back().second : rootIndex;
  while (pos < path.size()) {
    if (path[pos] == '\\') {
      ++pos;
      continue;
    }
    std::size_t end = pos;
    while (end < path.size() && path[end] != '\\') {
      end += static_cast<unsigned char>(path[end]) < 0x80 ? 1 : platform::CharLengthAt(path, end);
    }
    if (lastComponents_.size() >= kMaxKeyDepth) {
      lastComponents_.clear();
      lastPath_.clear();
      return kNone;
    }
    key = AddChild(key, path.substr(pos, end - pos), false);
    lastComponents_.emplace_back(end, key);
    pos = end;
  }
  lastRoot_ = root;
  lastPath_.assign(path);
  if (named && !keys_[key].named) {
    keys_[key].named = true;
    keys_[key].namedOrder = namedCount_++;
  }
  return key;
}

void CompactRegistry::DeleteKey(RootKey root, std::string_view path) {
  Index key = RootIndex(root);
  const std::vector<std::string_view> parts = SplitKeyPath(path);
  if (key == kNone || parts.empty()) return;
  for (std::string_view part : parts) {
    scratch_.clear();
    AppendFoldedName(part, scratch_);
    key = FindLiveChild(key, scratch_);
    if (key == kNone) return;
  }
  deleted_[key] = true;
  lastComponents_.clear();
  lastPath_.clear();
  lastRoot_ = 0;
}

void CompactRegistry::AddValueRecord(Index key, std::string_view name, std::uint32_t type, std::string_view data,
                                     bool deletion) {
  Value value;
  value.asciiName = IsAscii(name);
  if (value.asciiName) {
    value.nameBytes = Store(name);
  } else {
    scratch_.assign(name);
    scratch_ += FoldNameCase(name);
    value.nameBytes = Store(scratch_);
  }
  value.nameLength = static_cast<std::uint32_t>(name.size());
  value.dataBytes = Store(data);
  value.dataLength = static_cast<std::uint32_t>(data.size());
  value.type = type;
  value.key = key;
  value.order = static_cast<std::uint32_t>(values_.size());
  value.deletion = deletion;
  values_.push_back(value);
}

void CompactRegistry::SetValue(Index key, std::string_view name, std::uint32_t type, std::string_view data) {
  AddValueRecord(key, name, type, data, false);
}

void CompactRegistry::ReserveForText(std::uint64_t textBytes) {
  // About one value a line of 60 characters; the pages of what is reserved
  // and not used are never touched.
  values_.reserve(static_cast<std::size_t>(textBytes / 60));
  keys_.reserve(static_cast<std::size_t>(textBytes / 600));
  deleted_.reserve(static_cast<std::size_t>(textBytes / 600));
}

void CompactRegistry::DeleteValue(Index key, std::string_view name) { AddValueRecord(key, name, 0, {}, true); }

void CompactRegistry::Finish() {
  if (finished_) return;
  finished_ = true;
  table_.reset();
  lastComponents_ = {};
  lastPath_ = {};
  // A key lives when it and all its ancestors do; parents come before children.
  std::vector<bool> live(keys_.size());
  for (Index k = 0; k < keys_.size(); ++k) {
    live[k] = !deleted_[k] && (keys_[k].parent == kNone || live[keys_[k].parent]);
  }
  deleted_ = {};

  // Values: by key, folded name and order; of each name the last setting
  // counts (unless it is a deletion) under the spelling that name had when it
  // was set first after its last deletion.
  const auto byNameThenOrder = [](const Value& a, const Value& b) {
    const int byName = CompareFolded(a, b);
    return byName != 0 ? byName < 0 : a.order < b.order;
  };
  // A file lists each key's values together, keys rarely twice: then the
  // values of each key are sorted on their own.
  const bool grouped = std::is_sorted(values_.begin(), values_.end(),
                                      [](const Value& a, const Value& b) { return a.key < b.key; });
  if (grouped) {
    for (std::size_t i = 0; i < values_.size();) {
      std::size_t end = i + 1;
      while (end < values_.size() && values_[end].key == values_[i].key) ++end;
      std::sort(values_.begin() + static_cast<std::ptrdiff_t>(i), values_.begin() + static_cast<std::ptrdiff_t>(end),
                byNameThenOrder);
      i = end;
    }
  } else {
    std::sort(values_.begin(), values_.end(), [&byNameThenOrder](const Value& a, const Value& b) {
      return a.key != b.key ? a.key < b.key : byNameThenOrder(a, b);
    });
  }
  std::size_t kept = 0;
  for (std::size_t i = 0; i < values_.size();) {
    std::size_t end = i + 1;
    while (end < values_.size() && values_[end].key == values_[i].key && CompareFolded(values_[end], values_[i]) == 0) {
      ++end;
    }
    const Value& last = values_[end - 1];
    if (live[last.key] && !last.deletion) {
      std::size_t first = end - 1;
      while (first > i && !values_[first - 1].deletion) --first;
      Value result = last;
      result.nameBytes = values_[first].nameBytes;
      result.nameLength = values_[first].nameLength;
      result.asciiName = values_[first].asciiName;
      values_[kept++] = result;
    }
    i = end;
  }
  values_.resize(kept);
  values_.shrink_to_fit();
  for (std::size_t i = 0; i < values_.size();) {
    Key& key = keys_[values_[i].key];
    key.firstValue = static_cast<Index>(i);
    std::size_t end = i;
    while (end < values_.size() && values_[end].key == values_[i].key) ++end;
    key.valueCount = static_cast<Index>(end - i);
    i = end;
  }

  // Children: the live keys below a root, by parent and folded name.
  for (Index k = 0; k < keys_.size(); ++k) {
    if (keys_[k].parent != kNone && live[k]) children_.push_back(k);
  }
  std::sort(children_.begin(), children_.end(), [this](Index a, Index b) {
    if (keys_[a].parent != keys_[b].parent) return keys_[a].parent < keys_[b].parent;
    return keys_[a].folded < keys_[b].folded;
  });
  for (std::size_t i = 0; i < children_.size();) {
    Key& parent = keys_[keys_[children_[i]].parent];
    parent.firstChild = static_cast<Index>(i);
    std::size_t end = i;
    while (end < children_.size() && keys_[children_[end]].parent == keys_[children_[i]].parent) ++end;
    parent.childCount = static_cast<Index>(end - i);
    i = end;
  }
  // Deleted keys stay in keys_ but are no one's children: unreachable.
  for (Index k = 0; k < keys_.size(); ++k) {
    if (!live[k]) {
      keys_[k].named = false;
      keys_[k].childCount = 0;
      keys_[k].valueCount = 0;
    }
  }
}

CompactRegistry::Index CompactRegistry::RootIndex(RootKey root) const {
  if (root < kHkeyClassesRoot || root > kHkeyDynData) return kNone;
  return static_cast<Index>(root - kHkeyClassesRoot);
}

std::span<const CompactRegistry::Index> CompactRegistry::Children(Index key) const {
  const Key& k = keys_[key];
  return std::span<const Index>(children_.data() + k.firstChild, k.childCount);
}

std::span<const CompactRegistry::Value> CompactRegistry::Values(Index key) const {
  const Key& k = keys_[key];
  return std::span<const Value>(values_.data() + k.firstValue, k.valueCount);
}

CompactRegistry::Index CompactRegistry::FindChild(Index key, std::string_view name) const {
  std::string folded;
  AppendFoldedName(name, folded);
  const std::span<const Index> children = Children(key);
  const auto it = std::lower_bound(children.begin(), children.end(), folded,
                                   [this](Index child, const std::string& f) { return keys_[child].folded < f; });
  return it != children.end() && keys_[*it].folded == folded ? *it : kNone;
}

CompactRegistry::Index CompactRegistry::FindKey(RootKey root, std::string_view path) const {
  Index key = RootIndex(root);
  for (std::string_view part : SplitKeyPath(path)) {
    if (key == kNone) break;
    key = FindChild(key, part);
  }
  return key;
}

const CompactRegistry::Value* CompactRegistry::FindValue(Index key, std::string_view name) const {
  std::string folded;
  AppendFoldedName(name, folded);
  const std::span<const Value> values = Values(key);
  const auto it = std::lower_bound(values.begin(), values.end(), folded,
                                   [](const Value& v, const std::string& f) { return CompareFolded(v, f) < 0; });
  return it != values.end() && CompareFolded(*it, folded) == 0 ? &*it : nullptr;
}

std::string CompactRegistry::PathOf(Index key) const {
  std::vector<std::string_view> parts;
  for (Index k = key; k != kNone && keys_[k].parent != kNone; k = keys_[k].parent) parts.push_back(keys_[k].name);
  std::string path;
  for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
    if (!path.empty()) path.push_back('\\');
    path.append(*it);
  }
  return path;
}

std::vector<RootedKeyPath> CompactRegistry::Tops() const {
  std::vector<Index> tops;
  for (Index k = 0; k < keys_.size(); ++k) {
    const Key& key = keys_[k];
    if (key.named && (key.parent == kNone || !keys_[key.parent].named)) tops.push_back(k);
  }
  std::sort(tops.begin(), tops.end(), [this](Index a, Index b) {
    if (keys_[a].root != keys_[b].root) return keys_[a].root < keys_[b].root;
    return keys_[a].namedOrder < keys_[b].namedOrder;
  });
  std::vector<RootedKeyPath> result;
  for (Index k : tops) result.push_back(RootedKeyPath{keys_[k].root, PathOf(k)});
  return result;
}

std::size_t CompactRegistry::KeyCount() const { return children_.size(); }

std::size_t CompactRegistry::ValueCount() const { return values_.size(); }

std::size_t CompactRegistry::MemoryUsed() const {
  return bytesStored_ + keys_.capacity() * sizeof(Key) + children_.capacity() * sizeof(Index) +
         values_.capacity() * sizeof(Value);
}

}  // namespace vindra::registry
