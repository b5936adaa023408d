// A small registry of key names for the picker's tests: keys listed in the
// order they were added (not sorted), names matched without regard to ASCII
// case, keys that refuse to open, and a log of every open.
#pragma once

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "registry/registry_access.h"

namespace vindra::regbrowser::testing {

class FakeRegistry : public registry::RegistrySource {
 public:
  struct Key {
    std::string name;
    std::vector<std::unique_ptr<Key>> subkeys;
    bool unreadable = false;     // opening it fails
    bool throws_on_list = false; // listing its sub-keys throws
  };

  // Adds root\a\b\c (each component created when missing).
  Key& Add(registry::RootKey root, std::string_view path) {
    Key* key = &roots_[root];
    while (!path.empty()) {
      const std::size_t slash = FindSeparator(path);
      const std::string_view name = path.substr(0, slash);
      path = slash == std::string_view::npos ? std::string_view{} : path.substr(slash + 1);
      Key* next = Find(*key, name);
      if (!next) {
        key->subkeys.push_back(std::make_unique<Key>());
        next = key->subkeys.back().get();
        next->name = std::string(name);
      }
      key = next;
    }
    return *key;
  }

  void RemoveRoot(registry::RootKey root) { roots_.erase(root); }

  std::unique_ptr<registry::RegistryAccess> CreateAccess() override;

  // "root:path" of every successful or failed open, in order.
  std::vector<std::string> opens;

  // The key at root\path, or null. Empty components are not names: a path
  // with a doubled or trailing backslash is not found.
  Key* Lookup(registry::RootKey root, std::string_view path) {
    auto it = roots_.find(root);
    if (it == roots_.end()) return nullptr;
    Key* key = &it->second;
    if (!path.empty() && path.front() == '\\') path.remove_prefix(1);
    if (path.empty()) return key;
    for (;;) {
      const std::size_t slash = FindSeparator(path);
      const std::string_view name = path.substr(0, slash);
      if (name.empty()) return nullptr;
      key = Find(*key, name);
      if (!key) return nullptr;
      if (slash == std::string_view::npos) return key;
      path.remove_prefix(slash + 1);
    }
  }

 private:
  // Key names are split at backslash characters; in Shift-JIS a double-byte
  // character may end in byte 5C, which is part of the name.
  static std::size_t FindSeparator(std::string_view path) {
    for (std::size_t i = 0; i < path.size(); ++i) {
      const auto b = static_cast<unsigned char>(path[i]);
      if (((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) && i + 1 < path.size()) ++i;
      else if (b == '\\') return i;
    }
    return std::string_view::npos;
  }
  static bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      auto up = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
      if (up(a[i]) != up(b[i])) return false;
    }
    return true;
  }
  static Key* Find(Key& key, std::string_view name) {
    for (auto& k : key.subkeys)
      if (SameName(k->name, name)) return k.get();
    return nullptr;
  }

  std::map<registry::RootKey, Key> roots_;
};

class FakeAccess : public registry::RegistryAccess {
 public:
  explicit FakeAccess(FakeRegistry& registry) : registry_(registry) {}
  void SetRoot(registry::RootKey root) override {
    root_ = root;
    current_ = nullptr;
  }
  bool OpenKeyReadOnly(std::string_view path) override {
    registry_.opens.push_back(std::to_string(root_ - 0x80000000u) + ":" + std::string(path));
    FakeRegistry::Key* key = registry_.Lookup(root_, path);
    current_ = key && !key->unreadable ? key : nullptr;
    return current_ != nullptr;
  }
  void CloseKey() override { current_ = nullptr; }
  std::vector<std::string> ValueNames() override { return {}; }
  std::vector<std::string> SubKeyNames() override {
    std::vector<std::string> names;
    if (!current_) return names;
    if (current_->throws_on_list) throw std::runtime_error("listing failed");
    for (auto& k : current_->subkeys) names.push_back(k->name);
    return names;
  }
  std::uint32_t SubKeyCount() override {
    return current_ ? static_cast<std::uint32_t>(current_->subkeys.size()) : 0;
  }
  registry::ValueInfo QueryValueInfo(std::string_view) override { return {}; }
  std::string ReadString(std::string_view) override { throw registry::RegistryError("no values"); }
  std::uint32_t ReadInteger(std::string_view) override { throw registry::RegistryError("no values"); }
  std::uint32_t ReadBinaryData(std::string_view, void*, std::uint32_t) override {
    throw registry::RegistryError("no values");
  }
  std::uint32_t ReadRawData(std::string_view, void*, std::uint32_t) override { return 0; }

 private:
  FakeRegistry& registry_;
  registry::RootKey root_ = 0;
  FakeRegistry::Key* current_ = nullptr;
};

inline std::unique_ptr<registry::RegistryAccess> FakeRegistry::CreateAccess() {
  return std::make_unique<FakeAccess>(*this);
}

}  // namespace vindra::regbrowser::testing
