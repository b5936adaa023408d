#include "regbrowser/reg_tree.h"

#include "core/ansi_text.h"
#include "registry/root_key.h"

namespace vindra::regbrowser {

RegTreeNode& RegTreeNode::AddChild(std::string child_text, bool is_placeholder) {
  auto child = std::make_unique<RegTreeNode>();
  child->text = std::move(child_text);
  child->placeholder = is_placeholder;
  child->level = level + 1;
  child->parent = this;
  children.push_back(std::move(child));
  return *children.back();
}

registry::RootKey RootNameToHandle(std::string_view name) {
  for (const auto& root : kRootKeys)
    if (root.name == name) return root.handle;
  return registry::kHkeyCurrentUser;
}

int RootKeyIndex(registry::RootKey root) {
  for (int i = 0; i < static_cast<int>(std::size(kRootKeys)); ++i)
    if (kRootKeys[i].handle == root) return i;
  return -1;
}

KeyPath NodeKeyPath(const RegTreeNode& node) {
  // Collect the names bottom-up, then join them top-down.
  std::vector<const std::string*> names;
  const RegTreeNode* n = &node;
  while (n->level > 1 && n->parent) {
    names.push_back(&n->text);
    n = n->parent;
  }
  KeyPath result;
  result.root = RootNameToHandle(n->text);
  for (auto it = names.rbegin(); it != names.rend(); ++it) {
    result.path += **it;
    result.path += '\\';
  }
  return result;
}

std::string NormalizeSection(std::string_view section) {
  std::string s(section);
  // A trail byte 0x5C of a double-byte character is not a backslash.
  if (s.empty() || registry::StripTrailingBackslash(s).size() == s.size()) s += '\\';
  if (s.size() > 1 && s.front() == '\\') s.erase(0, 1);
  return s;
}

std::string_view TakePathComponent(std::string_view& rest) {
  const std::size_t slash = FindIgnoreCase(rest, "\\");  // on character boundaries only
  std::string_view component;
  if (slash == std::string_view::npos) {
    component = rest;
    rest = {};
  } else {
    component = rest.substr(0, slash);
    rest.remove_prefix(slash + 1);
  }
  return component;
}

bool EqualsAsciiUpper(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (platform::CharLengthAt(a, i) == 2) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (platform::AsciiUpper(a[i]) != platform::AsciiUpper(b[i])) {
      return false;
    }
  }
  return true;
}

}  // namespace vindra::regbrowser
