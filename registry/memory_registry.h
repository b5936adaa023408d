// A registry held in memory with the results of the ANSI registry functions:
// names and text data in the ANSI code page, text data with its terminating
// zero counted in the size. Key and value names are looked up without regard
// to letter case and keep the spelling they were created with. Used by the
// tests, by `vindra-cli ... --from FILE.reg` and by builds without a registry.
//
// Faults for tests: keys that cannot be opened or only for querying values,
// values whose query or read fails, and a hook that runs before every
// registry call and may change the registry in the middle of a walk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "registry/registry_access.h"

namespace vindra::registry {

// The registry's case folding of an ANSI (CP932) name: ASCII letters and the
// double-byte Latin, Greek and Cyrillic letters; trail bytes stay untouched.
std::string FoldNameCase(std::string_view name);

// The registry's limit of key levels below a root key.
inline constexpr std::size_t kMaxKeyDepth = 512;

enum class KeyAccess {
  Full,       // every right is granted
  QueryOnly,  // only KEY_QUERY_VALUE: values can be read, sub-keys not listed
  Denied,     // no right: the key cannot be opened
};

// The registry calls a walk makes, reported to the hook before each one.
enum class RegistryCall { OpenKey, ListValues, ListSubKeys, QueryValue };

class MemoryRegistry final : public RegistrySource {
 public:
  struct Value {
    std::string name;
    std::uint32_t type = 0;
    std::string data;
    bool queryFails = false;  // every query fails (as for a name lost in conversion)
    bool readFails = false;   // the size query works, reading the data fails
  };
  struct Key {
    std::string name;
    KeyAccess access = KeyAccess::Full;
    bool deleted = false;
    std::map<std::string, std::shared_ptr<Key>> subKeys;  // by folded name
    std::map<std::string, Value> values;                  // by folded name
  };
  // Called with the call, the key path below the root and (for value calls)
  // the value name. It may change the registry.
  using Hook = std::function<void(RegistryCall, RootKey, std::string_view path, std::string_view name)>;

  MemoryRegistry();

  // Creates the key and its missing ancestors; false for an unknown root or a
  // path deeper than kMaxKeyDepth.
  bool CreateKey(RootKey root, std::string_view path);
  // Deletes the key with everything beneath it; false when it does not exist.
  bool DeleteKey(RootKey root, std::string_view path);
  // Creates or replaces a value (the key is created as needed).
  bool SetValue(RootKey root, std::string_view path, std::string_view name, std::uint32_t type,
                std::string_view data);
  bool DeleteValue(RootKey root, std::string_view path, std::string_view name);
  bool SetKeyAccess(RootKey root, std::string_view path, KeyAccess access);
  bool SetValueFaults(RootKey root, std::string_view path, std::string_view name, bool queryFails,
                      bool readFails);
  void SetHook(Hook hook) { hook_ = std::move(hook); }

  // The key at `path`, or null.
  std::shared_ptr<Key> FindKey(RootKey root, std::string_view path) const;
  const Value* FindValue(RootKey root, std::string_view path, std::string_view name) const;

  std::size_t KeyCount() const;
  std::size_t ValueCount() const;

  std::unique_ptr<RegistryAccess> CreateAccess() override;

  // Reports a call to the hook (used by the access objects).
  void NotifyCall(RegistryCall call, RootKey root, std::string_view path, std::string_view name) const;

 private:
  std::shared_ptr<Key> RootNode(RootKey root) const;
  std::shared_ptr<Key> CreatePath(RootKey root, std::string_view path);

  std::map<RootKey, std::shared_ptr<Key>> roots_;
  Hook hook_;
};

}  // namespace vindra::registry
