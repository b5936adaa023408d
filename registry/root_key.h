// Names of the predefined root keys and parsing of "ROOT\path" key names as a
// user types them on a command line or a .reg file spells them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registry/registry_access.h"

namespace vindra::registry {

// "HKEY_CURRENT_USER" for 0x80000001 and so on; empty for any other value.
std::string_view RootKeyName(RootKey root);

// Root key of a full name ("HKEY_LOCAL_MACHINE") or of its short form ("HKLM",
// "HKCU", "HKCR", "HKU", "HKCC"), letter case ignored.
std::optional<RootKey> ParseRootKeyName(std::string_view name);

struct RootedKeyPath {
  RootKey root = 0;
  std::string path;  // below the root; no leading or trailing backslash
};

// Splits "HKLM\SOFTWARE\Foo\" into the root and "SOFTWARE\Foo". One trailing
// backslash is removed (not the second byte of a double-byte character), and
// leading backslashes of the path are dropped. Nothing when the root is unknown.
std::optional<RootedKeyPath> ParseRootedKeyPath(std::string_view text);

// Removes one final backslash unless that byte is the trail byte of a
// double-byte character of the ANSI code page.
std::string_view StripTrailingBackslash(std::string_view path);

// Splits a key path at its backslashes (DBCS-aware); empty components dropped.
std::vector<std::string_view> SplitKeyPath(std::string_view path);

}  // namespace vindra::registry
