#include "regbrowser/reg_tree.h"

#include "platform/codepage.h"

namespace vindra::regbrowser {
namespace {

// True when s[i] starts a double-byte character: a lead byte followed by a
// possible trail byte (0x40 and above; a backslash is one).
bool IsDoubleByteAt(std::string_view s, std::size_t i) {
  return i + 1 < s.size() && platform::IsAnsiLeadByte(static_cast<unsigned char>(s[i])) &&
         static_cast<unsigned char>(s[i + 1]) >= 0x40;
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Index of the first backslash that is a character of its own, or npos.
std::size_t FindBackslash(std::string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (IsDoubleByteAt(s, i)) ++i;
    else if (s[i] == '\\') return i;
  }
  return std::string_view::npos;
}

bool EndsWithBackslash(std::string_view s) {
  bool last_single = false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (IsDoubleByteAt(s, i)) {
      ++i;
      last_single = false;
    } else {
      last_single = true;
    }
  }
  return last_single && s.back() == '\\';
}

}  // namespace

RegTreeNode& RegTreeNode::AddChild(std::string child_text, bool is_placeholder) {
  auto child = std::make_unique<RegTreeNode>();
  child->text = std::move(child_text);
  child->placeholder = is_placeholder;
  child->level = level + 1;
  child->parent = this;
  children.push_back(std::move(child));
  return *children.back();
}

RootKey RootNameToHandle(std::string_view name) {
  for (const auto& root : kRootKeys)
    if (root.name == name) return root.handle;
  return registry::kHkeyCurrentUser;
}

int RootKeyIndex(RootKey root) {
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
  if (!EndsWithBackslash(s)) s += '\\';
  if (s.size() > 1 && s.front() == '\\') s.erase(0, 1);
  return s;
}

std::string_view TakePathComponent(std::string_view& rest) {
  const std::size_t slash = FindBackslash(rest);
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
    if (IsDoubleByteAt(a, i)) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (AsciiUpper(a[i]) != AsciiUpper(b[i])) {
      return false;
    }
  }
  return true;
}

}  // namespace vindra::regbrowser
