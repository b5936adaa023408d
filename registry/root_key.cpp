#include "registry/root_key.h"

#include <array>

#include "core/ansi_text.h"

namespace vindra::registry {
namespace {

struct RootName {
  RootKey root;
  std::string_view full;
  std::string_view shortName;
};

constexpr std::array<RootName, 7> kRootNames{{
    {kHkeyClassesRoot, "HKEY_CLASSES_ROOT", "HKCR"},
    {kHkeyCurrentUser, "HKEY_CURRENT_USER", "HKCU"},
    {kHkeyLocalMachine, "HKEY_LOCAL_MACHINE", "HKLM"},
    {kHkeyUsers, "HKEY_USERS", "HKU"},
    {kHkeyPerformanceData, "HKEY_PERFORMANCE_DATA", ""},
    {kHkeyCurrentConfig, "HKEY_CURRENT_CONFIG", "HKCC"},
    {kHkeyDynData, "HKEY_DYN_DATA", ""},
}};

bool EqualsAsciiIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && StartsWithIgnoreCase(a, b);
}

}  // namespace

std::string_view RootKeyName(RootKey root) {
  for (const RootName& r : kRootNames) {
    if (r.root == root) return r.full;
  }
  return {};
}

std::optional<RootKey> ParseRootKeyName(std::string_view name) {
  if (name.empty()) return std::nullopt;
  for (const RootName& r : kRootNames) {
    if (EqualsAsciiIgnoreCase(name, r.full) || (!r.shortName.empty() && EqualsAsciiIgnoreCase(name, r.shortName))) {
      return r.root;
    }
  }
  return std::nullopt;
}

std::string_view StripTrailingBackslash(std::string_view path) {
  // Walk character by character so that a trail byte 0x5C is not taken for a backslash.
  std::size_t last = std::string_view::npos;
  for (std::size_t i = 0; i < path.size(); i += platform::CharLengthAt(path, i)) last = i;
  if (last != std::string_view::npos && last == path.size() - 1 && path[last] == '\\') {
    return path.substr(0, last);
  }
  return path;
}

std::vector<std::string_view> SplitKeyPath(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < path.size()) {
    if (path[i] == '\\') {
      if (i > start) parts.push_back(path.substr(start, i - start));
      start = ++i;
    } else {
      i += platform::CharLengthAt(path, i);
    }
  }
  if (path.size() > start) parts.push_back(path.substr(start));
  return parts;
}

std::optional<RootedKeyPath> ParseRootedKeyPath(std::string_view text) {
  // Root names are ASCII, so the first backslash ends the root name.
  const std::size_t slash = text.find('\\');
  const std::string_view rootName = text.substr(0, slash);
  const std::optional<RootKey> root = ParseRootKeyName(rootName);
  if (!root) return std::nullopt;
  std::string_view rest = slash == std::string_view::npos ? std::string_view{} : text.substr(slash + 1);
  while (!rest.empty() && rest.front() == '\\') rest.remove_prefix(1);
  rest = StripTrailingBackslash(rest);
  return RootedKeyPath{*root, std::string(rest)};
}

}  // namespace vindra::registry
