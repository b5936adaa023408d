// The key picker's tree, independent of any tree-view control: a top node,
// the six root keys below it and the sub-keys read so far. A node whose key
// has sub-keys that were not read yet holds one placeholder child (empty
// text), so that the view shows an expand button for it.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "registry/registry_access.h"

namespace vindra::regbrowser {

inline constexpr int kComputerImage = 0;
inline constexpr int kFolderImage = 1;

struct RegTreeNode {
  std::string text;
  int image = kFolderImage;  // used for the normal and the selected state
  bool placeholder = false;
  int level = 0;  // 0 the top node, 1 a root key, 2 and deeper sub-keys
  RegTreeNode* parent = nullptr;
  std::vector<std::unique_ptr<RegTreeNode>> children;
  void* view_item = nullptr;  // the view's handle of this node (a tree item)

  // Appends a child and returns it.
  RegTreeNode& AddChild(std::string child_text, bool is_placeholder);
  // True when the first child is a placeholder: the sub-keys were not read.
  bool Unfilled() const { return !children.empty() && children.front()->placeholder; }
};

// The six root keys in the order the tree shows them.
struct RootKeyName {
  std::string_view name;
  registry::RootKey handle;
};
inline constexpr RootKeyName kRootKeys[] = {
    {"HKEY_CLASSES_ROOT", registry::kHkeyClassesRoot},
    {"HKEY_CURRENT_USER", registry::kHkeyCurrentUser},
    {"HKEY_LOCAL_MACHINE", registry::kHkeyLocalMachine},
    {"HKEY_USERS", registry::kHkeyUsers},
    {"HKEY_CURRENT_CONFIG", registry::kHkeyCurrentConfig},
    {"HKEY_DYN_DATA", registry::kHkeyDynData},
};

// The handle of a root key name by exact, case-sensitive comparison; any
// other text gives HKEY_CURRENT_USER.
registry::RootKey RootNameToHandle(std::string_view name);

// Index (0..5) of a root key in kRootKeys, or -1 for any other handle
// (HKEY_PERFORMANCE_DATA included).
int RootKeyIndex(registry::RootKey root);

struct KeyPath {
  registry::RootKey root = registry::kHkeyCurrentUser;
  std::string path;  // "Software\Foo\" with a trailing backslash, "" for a root key
  bool operator==(const KeyPath&) const = default;
};

// Root and key path of a node: the texts from the node up to (not including)
// its root key node, each followed by a backslash.
KeyPath NodeKeyPath(const RegTreeNode& node);

// The picker's start-up form of a key path: a backslash is appended unless the
// last character already is one (a 0x5C trail byte of a double-byte character
// is not), "" becomes "\", and one leading backslash is dropped.
std::string NormalizeSection(std::string_view section);

// Splits off the first component of `rest` at its first backslash character
// (DBCS-aware). With no backslash left the whole rest is the component.
std::string_view TakePathComponent(std::string_view& rest);

// Equality with ASCII letters upper-cased on both sides; bytes of double-byte
// characters are compared as they are.
bool EqualsAsciiUpper(std::string_view a, std::string_view b);

}  // namespace vindra::regbrowser
