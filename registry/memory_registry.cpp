#include "registry/memory_registry.h"

#include <cstring>
#include <vector>

#include "core/ansi_text.h"
#include "core/inf_format.h"
#include "platform/text.h"
#include "registry/one_key_access.h"
#include "registry/root_key.h"

namespace vindra::registry {
namespace {

// Double-byte ranges of CP932 whose lower-case letters fold onto upper case:
// lead byte, first lower-case trail byte, last one, distance to upper case.
struct DoubleByteCaseRange {
  unsigned char lead;
  unsigned char lowFirst;
  unsigned char lowLast;
  unsigned char distance;
};
constexpr DoubleByteCaseRange kDoubleByteCases[] = {
    {0x82, 0x81, 0x9A, 0x21},  // full-width a-z -> A-Z (82 60..82 79)
    {0x83, 0xBF, 0xD6, 0x20},  // Greek alpha-omega -> 83 9F..83 B6
    {0x84, 0x70, 0x7E, 0x30},  // Cyrillic a..n -> 84 40..84 4E
    {0x84, 0x80, 0x91, 0x31},  // Cyrillic o..ya (84 7F is not a letter) -> 84 4F..84 60
};

std::size_t CountKeys(const MemoryRegistry::Key& key) {
  std::size_t n = 1;
  for (const auto& [folded, sub] : key.subKeys) n += CountKeys(*sub);
  return n;
}

std::size_t CountValues(const MemoryRegistry::Key& key) {
  std::size_t n = key.values.size();
  for (const auto& [folded, sub] : key.subKeys) n += CountValues(*sub);
  return n;
}

void MarkDeleted(MemoryRegistry::Key& key) {
  key.deleted = true;
  for (auto& [folded, sub] : key.subKeys) MarkDeleted(*sub);
}

}  // namespace

std::string FoldNameCase(std::string_view name) {
  std::string folded(name);
  for (std::size_t i = 0; i < folded.size();) {
    const std::size_t length = platform::CharLengthAt(folded, i);
    auto& lead = reinterpret_cast<unsigned char&>(folded[i]);
    if (length == 1) {
      if (lead >= 'a' && lead <= 'z') lead = static_cast<unsigned char>(lead - 32);
    } else {
      auto& trail = reinterpret_cast<unsigned char&>(folded[i + 1]);
      for (const DoubleByteCaseRange& range : kDoubleByteCases) {
        if (lead == range.lead && trail >= range.lowFirst && trail <= range.lowLast) {
          trail = static_cast<unsigned char>(trail - range.distance);
          break;
        }
      }
    }
    i += length;
  }
  return folded;
}

RegistryName RegistryName::FromUtf8(std::string_view utf8) {
  RegistryName name;
  bool ascii = true;
  for (char c : utf8) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) {
    name.ansi.assign(utf8);
    return name;
  }
  const std::u16string wide = platform::Utf8ToWide(utf8);
  name.ansi = platform::WideToAnsi(wide);
  if (platform::AnsiToWide(name.ansi) != wide) name.original.assign(utf8);
  return name;
}

std::string StoredName(const RegistryName& name) {
  if (name.original.empty()) return name.ansi;
  std::string stored = name.ansi;
  stored.push_back('\0');
  stored.append(name.original);
  return stored;
}

std::string_view ListedName(std::string_view stored) { return stored.substr(0, stored.find('\0')); }

std::string_view OriginalName(std::string_view stored) {
  const std::size_t zero = stored.find('\0');
  return zero == std::string_view::npos ? std::string_view() : stored.substr(zero + 1);
}

std::string MemoryRegistry::NameKey(const RegistryName& name) {
  if (name.original.empty()) return FoldNameCase(name.ansi);
  std::string key(1, '\0');
  for (char c : name.original) key.push_back(platform::AsciiUpper(c));
  return key;
}

// ---------------------------------------------------------------------------
// Access objects

namespace {

class MemoryRegistryAccess final : public OneKeyAccess {
 public:
  explicit MemoryRegistryAccess(MemoryRegistry& registry) : OneKeyAccess(0), registry_(registry) {}

  void CloseKey() override {
    current_.reset();
    path_.clear();
  }

  std::vector<std::string> ValueNames() override {
    std::vector<std::string> names;
    if (!current_) return names;
    registry_.NotifyCall(RegistryCall::ListValues, root_, path_, {});
    if (current_->deleted) return names;
    names.reserve(current_->values.size());
    for (const auto& [folded, value] : current_->values) names.emplace_back(ListedName(value.name));
    return names;
  }

  std::vector<std::string> SubKeyNames() override {
    std::vector<std::string> names;
    if (!current_) return names;
    registry_.NotifyCall(RegistryCall::ListSubKeys, root_, path_, {});
    if (current_->deleted || current_->access != KeyAccess::Full) return names;
    names.reserve(current_->subKeys.size());
    for (const auto& [folded, sub] : current_->subKeys) names.emplace_back(ListedName(sub->name));
    return names;
  }

  std::uint32_t SubKeyCount() override {
    if (!current_ || current_->deleted) return 0;
    return static_cast<std::uint32_t>(current_->subKeys.size());
  }

 protected:
  bool OpenBelowRoot(std::string_view path) override {
    registry_.NotifyCall(RegistryCall::OpenKey, root_, path, {});
    std::shared_ptr<MemoryRegistry::Key> key = registry_.FindKey(root_, path);
    if (!key || key->access == KeyAccess::Denied) return false;
    current_ = std::move(key);
    path_.assign(path);
    return true;
  }

  long QueryValue(const std::string& name, std::uint32_t* type, unsigned char* data, std::uint32_t* size) override {
    if (!current_) return kErrorInvalidHandle;
    registry_.NotifyCall(RegistryCall::QueryValue, root_, path_, name);
    if (current_->deleted) return kErrorKeyDeleted;
    const auto it = current_->values.find(FoldNameCase(name));
    if (it == current_->values.end()) return kErrorFileNotFound;
    const MemoryRegistry::Value& value = it->second;
    if (value.queryFails) return kErrorFileNotFound;
    if (data && value.readFails) return kErrorAccessDenied;
    const auto needed = static_cast<std::uint32_t>(value.data.size());
    if (data) {
      if (needed > *size) {
        *size = needed;
        return kErrorMoreData;
      }
      if (needed) std::memcpy(data, value.data.data(), needed);
    }
    *type = value.type;
    *size = needed;
    return kErrorSuccess;
  }

 private:
  MemoryRegistry& registry_;
  std::shared_ptr<MemoryRegistry::Key> current_;
  std::string path_;
};

}  // namespace

// ---------------------------------------------------------------------------
// The tree

MemoryRegistry::MemoryRegistry() {
  for (RootKey root = kHkeyClassesRoot; root <= kHkeyDynData; ++root) {
    auto node = std::make_shared<Key>();
    node->name = std::string(RootKeyName(root));
    roots_[root] = std::move(node);
  }
}

std::shared_ptr<MemoryRegistry::Key> MemoryRegistry::RootNode(RootKey root) const {
  const auto it = roots_.find(root);
  return it == roots_.end() ? nullptr : it->second;
}

std::shared_ptr<MemoryRegistry::Key> MemoryRegistry::FindKey(RootKey root, std::string_view path) const {
  std::shared_ptr<Key> key = RootNode(root);
  for (std::string_view part : SplitKeyPath(path)) {
    if (!key) break;
    const auto it = key->subKeys.find(FoldNameCase(part));
    key = it == key->subKeys.end() ? nullptr : it->second;
  }
  return key;
}

const MemoryRegistry::Value* MemoryRegistry::FindValue(RootKey root, std::string_view path,
                                                       std::string_view name) const {
  const std::shared_ptr<Key> key = FindKey(root, path);
  if (!key) return nullptr;
  const auto it = key->values.find(FoldNameCase(name));
  return it == key->values.end() ? nullptr : &it->second;
}

std::vector<RegistryName> MemoryRegistry::AnsiNames(std::string_view path) {
  std::vector<RegistryName> names;
  for (std::string_view part : SplitKeyPath(path)) names.push_back({std::string(part), {}});
  return names;
}

std::shared_ptr<MemoryRegistry::Key> MemoryRegistry::CreateKeyPath(RootKey root,
                                                                   const std::vector<RegistryName>& path) {
  std::shared_ptr<Key> key = RootNode(root);
  if (!key || path.size() > kMaxKeyDepth) return nullptr;
  for (const RegistryName& part : path) {
    std::shared_ptr<Key>& slot = key->subKeys[NameKey(part)];
    if (!slot) {
      slot = std::make_shared<Key>();
      slot->name = StoredName(part);
    }
    key = slot;
  }
  return key;
}

bool MemoryRegistry::CreateKey(RootKey root, std::string_view path) {
  return CreateKeyPath(root, AnsiNames(path)) != nullptr;
}

bool MemoryRegistry::DeleteKeyPath(RootKey root, const std::vector<RegistryName>& path) {
  if (path.empty()) return false;  // a root key cannot be deleted
  std::shared_ptr<Key> parent = RootNode(root);
  for (std::size_t i = 0; parent && i + 1 < path.size(); ++i) {
    const auto it = parent->subKeys.find(NameKey(path[i]));
    parent = it == parent->subKeys.end() ? nullptr : it->second;
  }
  if (!parent) return false;
  const auto it = parent->subKeys.find(NameKey(path.back()));
  if (it == parent->subKeys.end()) return false;
  // Open access objects keep their node; it answers as a deleted key does.
  MarkDeleted(*it->second);
  parent->subKeys.erase(it);
  return true;
}

bool MemoryRegistry::DeleteKey(RootKey root, std::string_view path) { return DeleteKeyPath(root, AnsiNames(path)); }

void MemoryRegistry::SetValue(Key& key, const RegistryName& name, std::uint32_t type, std::string_view data) {
  Value& value = key.values[NameKey(name)];
  if (value.name.empty()) value.name = StoredName(name);
  value.type = type;
  value.data.assign(data);
}

bool MemoryRegistry::DeleteValue(Key& key, const RegistryName& name) { return key.values.erase(NameKey(name)) > 0; }

bool MemoryRegistry::SetValue(RootKey root, std::string_view path, std::string_view name, std::uint32_t type,
                              std::string_view data) {
  const std::shared_ptr<Key> key = CreateKeyPath(root, AnsiNames(path));
  if (!key) return false;
  SetValue(*key, RegistryName{std::string(name), {}}, type, data);
  return true;
}

bool MemoryRegistry::DeleteValue(RootKey root, std::string_view path, std::string_view name) {
  const std::shared_ptr<Key> key = FindKey(root, path);
  return key && DeleteValue(*key, RegistryName{std::string(name), {}});
}

bool MemoryRegistry::SetKeyAccess(RootKey root, std::string_view path, KeyAccess access) {
  const std::shared_ptr<Key> key = FindKey(root, path);
  if (!key) return false;
  key->access = access;
  return true;
}

bool MemoryRegistry::SetValueFaults(RootKey root, std::string_view path, std::string_view name, bool queryFails,
                                    bool readFails) {
  const std::shared_ptr<Key> key = FindKey(root, path);
  if (!key) return false;
  const auto it = key->values.find(FoldNameCase(name));
  if (it == key->values.end()) return false;
  it->second.queryFails = queryFails;
  it->second.readFails = readFails;
  return true;
}

std::size_t MemoryRegistry::KeyCount() const {
  std::size_t n = 0;
  for (const auto& [root, node] : roots_) n += CountKeys(*node) - 1;
  return n;
}

std::size_t MemoryRegistry::ValueCount() const {
  std::size_t n = 0;
  for (const auto& [root, node] : roots_) n += CountValues(*node);
  return n;
}

std::unique_ptr<RegistryAccess> MemoryRegistry::CreateAccess() { return std::make_unique<MemoryRegistryAccess>(*this); }

void MemoryRegistry::NotifyCall(RegistryCall call, RootKey root, std::string_view path, std::string_view name) const {
  if (hook_) hook_(call, root, path, name);
}

}  // namespace vindra::registry
