// A registry held in memory with the results of the ANSI registry functions:
// names and text data in the ANSI code page, text data with its terminating
// zero counted in the size. Key and value names are looked up without regard
// to letter case and keep the spelling they were created with. A name whose
// ANSI form does not lead back to it (the code page lacks one of its
// characters, which became "?") is listed in that form, as the ANSI functions
// list it, but no look-up or open by an ANSI name finds it, as on Windows;
// two such names stay two entries. Used by the tests, by `vindra-cli ...
// --from FILE.reg` and by builds without a registry.
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
#include <vector>

#include "registry/registry_access.h"

namespace vindra::registry {

// The registry's case folding of an ANSI (CP932) name: ASCII letters and the
// double-byte Latin, Greek and Cyrillic letters; trail bytes stay untouched.
std::string FoldNameCase(std::string_view name);

// A key or value name as a registry file spells it: the ANSI form that the
// ANSI functions list, and, only when that form does not lead back to the
// name, the name itself in UTF-8.
struct RegistryName {
  std::string ansi;
  std::string original;  // empty when `ansi` is the name

  // The name of UTF-8 text: its ANSI form, with the original kept when the
  // conversion loses a character.
  static RegistryName FromUtf8(std::string_view utf8);
};

// Key::name and Value::name hold a name as the ANSI functions list it; for a
// name that this form does not lead back to, a zero byte and the original
// (UTF-8) follow, kept without a field of their own since such names are rare.
std::string StoredName(const RegistryName& name);
// The listed name: the stored name up to its zero byte.
std::string_view ListedName(std::string_view stored);
// The original after the zero byte; empty for a name that its ANSI form reaches.
std::string_view OriginalName(std::string_view stored);

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
    std::string name;  // see StoredName
    std::uint32_t type = 0;
    std::string data;
    bool queryFails = false;  // every query fails (as for a name lost in conversion)
    bool readFails = false;   // the size query works, reading the data fails
  };
  // Sub-keys and values are kept by their look-up key (NameKey).
  struct Key {
    std::string name;  // see StoredName
    KeyAccess access = KeyAccess::Full;
    bool deleted = false;
    std::map<std::string, std::shared_ptr<Key>> subKeys;
    std::map<std::string, Value> values;
  };
  // The key under which a name is kept: the folded ANSI name, or for a name
  // that its ANSI form does not lead back to, a key that no ANSI name folds
  // to (a zero byte, then the original with its ASCII letters folded).
  static std::string NameKey(const RegistryName& name);
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

  // The same for names spelled by a registry file: creates the key at `path`
  // (one name a level) and its missing ancestors, null for an unknown root or
  // a path deeper than kMaxKeyDepth; deletes a key with everything beneath
  // it; sets and deletes values of a key.
  std::shared_ptr<Key> CreateKeyPath(RootKey root, const std::vector<RegistryName>& path);
  bool DeleteKeyPath(RootKey root, const std::vector<RegistryName>& path);
  static void SetValue(Key& key, const RegistryName& name, std::uint32_t type, std::string_view data);
  static bool DeleteValue(Key& key, const RegistryName& name);

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
  static std::vector<RegistryName> AnsiNames(std::string_view path);

  std::map<RootKey, std::shared_ptr<Key>> roots_;
  Hook hook_;
};

}  // namespace vindra::registry
