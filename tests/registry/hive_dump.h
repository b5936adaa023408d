// A hive's whole content as text, through two readers: the project's own
// (HiveFile) and, in native builds, hivex, the independent reference. Both
// dumps walk the same way and give the same text for the same content, so a
// comparison of the two strings compares names (in UTF-8, before any
// conversion to the ANSI code page), value types, data bytes and the order
// of sub-keys and values. A reader that meets damage gives "refused: ...".
#pragma once

#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#ifndef _WIN32
#include <hivex.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#endif

#include "platform/text.h"
#include "registry/hive_file.h"

namespace vindra::registry::testing {

// The reading steps a dump needs; each throws std::runtime_error on damage.
struct HiveReadSteps {
  std::function<std::uint64_t()> root;
  std::function<std::string(std::uint64_t)> keyName;  // UTF-8
  std::function<std::vector<std::uint64_t>(std::uint64_t)> subKeys;
  std::function<std::vector<std::uint64_t>(std::uint64_t)> values;
  std::function<std::string(std::uint64_t)> valueName;  // UTF-8
  std::function<std::uint32_t(std::uint64_t)> valueType;
  std::function<std::string(std::uint64_t)> valueData;
};

// Walks every key from the root, depth first in list order. A key reached
// twice or nested deeper than 512 levels ends the dump: neither reader
// refuses those itself (the registry source does), and without this a loop
// would never end.
inline std::string DumpHive(const HiveReadSteps& read) {
  std::string out;
  try {
    struct Pending {
      std::uint64_t key;
      std::string path;
      std::size_t depth;
    };
    std::vector<Pending> stack{{read.root(), "", 0}};
    std::set<std::uint64_t> seen{stack.back().key};
    while (!stack.empty()) {
      Pending p = stack.back();
      stack.pop_back();
      const std::string name = read.keyName(p.key);
      const std::string path = p.path.empty() ? name : p.path + "\\" + name;
      out += "key " + path + "\n";
      for (const std::uint64_t v : read.values(p.key)) {
        char type[16];
        std::snprintf(type, sizeof type, "%08x", read.valueType(v));
        out += "  value '" + read.valueName(v) + "' type " + type + " data ";
        static const char kDigits[] = "0123456789abcdef";
        for (const unsigned char c : read.valueData(v)) {
          out += kDigits[c >> 4];
          out += kDigits[c & 15];
        }
        out += "\n";
      }
      const std::vector<std::uint64_t> subKeys = read.subKeys(p.key);
      if (!subKeys.empty() && p.depth >= 512) return "refused: deeper than 512 levels";
      for (auto it = subKeys.rbegin(); it != subKeys.rend(); ++it) {
        if (!seen.insert(*it).second) return "refused: a key reached twice";
        stack.push_back({*it, path, p.depth + 1});
      }
    }
  } catch (const std::exception& e) {
    return std::string("refused: ") + e.what();
  }
  return out;
}

inline std::string DumpWithReader(const std::string& bytes) {
  try {
    auto file = std::make_shared<HiveFile>(bytes);
    // Names up to their first NUL, as hivex's C strings end there.
    auto utf8 = [](const std::u16string& s) { return platform::WideToUtf8(std::u16string_view(s).substr(0, s.find(u'\0'))); };
    HiveReadSteps steps;
    steps.root = [file] { return file->RootKey(); };
    steps.keyName = [file, utf8](std::uint64_t k) { return utf8(file->KeyName(static_cast<HiveCell>(k))); };
    steps.subKeys = [file](std::uint64_t k) {
      const auto cells = file->SubKeys(static_cast<HiveCell>(k));
      return std::vector<std::uint64_t>(cells.begin(), cells.end());
    };
    steps.values = [file](std::uint64_t k) {
      const auto cells = file->Values(static_cast<HiveCell>(k));
      return std::vector<std::uint64_t>(cells.begin(), cells.end());
    };
    steps.valueName = [file, utf8](std::uint64_t v) { return utf8(file->ValueName(static_cast<HiveCell>(v))); };
    steps.valueType = [file](std::uint64_t v) { return file->ValueType(static_cast<HiveCell>(v)); };
    steps.valueData = [file](std::uint64_t v) { return file->ValueData(static_cast<HiveCell>(v)); };
    return DumpHive(steps);
  } catch (const HiveFormatError& e) {
    return std::string("refused: ") + e.what();
  }
}

// The first line where two dumps differ, each cut to `width` characters, for
// a failure message that stays readable.
inline std::string FirstDifference(const std::string& a, const std::string& b, std::size_t width = 160) {
  std::size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
  if (at == a.size() && at == b.size()) return "(the same)";
  const auto line = [&](const std::string& s) {
    const std::size_t start = s.rfind('\n', at == 0 ? 0 : at - 1) == std::string::npos ? 0 : s.rfind('\n', at - 1) + 1;
    return s.substr(start, std::min(width, s.find('\n', start) - start));
  };
  return "line " + std::to_string(std::count(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(at), '\n') + 1) +
         ":\n  " + line(a) + "\n  " + line(b);
}

#ifndef _WIN32
// hivex on the file `path`. Its errors carry only errno: the text says which call failed.
inline std::string DumpWithHivex(const std::string& path) {
  errno = 0;
  hive_h* opened = hivex_open(path.c_str(), 0);
  if (opened == nullptr) return std::string("refused: hivex_open: ") + std::strerror(errno);
  std::shared_ptr<hive_h> h(opened, hivex_close);
  auto fail = [](const char* call) -> std::runtime_error {
    return std::runtime_error(std::string(call) + ": " + std::strerror(errno));
  };
  auto take = [](char* s) {
    std::string text(s);
    std::free(s);
    return text;
  };
  auto list = [](std::size_t* handles) {
    std::vector<std::uint64_t> out;
    for (std::size_t* p = handles; *p != 0; ++p) out.push_back(*p);
    std::free(handles);
    return out;
  };
  HiveReadSteps steps;
  steps.root = [h, fail]() -> std::uint64_t {
    const hive_node_h root = hivex_root(h.get());
    if (root == 0) throw fail("hivex_root");
    return root;
  };
  steps.keyName = [h, fail, take](std::uint64_t k) {
    errno = 0;
    char* name = hivex_node_name(h.get(), k);
    if (name == nullptr) throw fail("hivex_node_name");
    return take(name);
  };
  steps.subKeys = [h, fail, list](std::uint64_t k) {
    errno = 0;
    std::size_t* handles = hivex_node_children(h.get(), k);
    if (handles == nullptr) throw fail("hivex_node_children");
    return list(handles);
  };
  steps.values = [h, fail, list](std::uint64_t k) {
    errno = 0;
    std::size_t* handles = hivex_node_values(h.get(), k);
    if (handles == nullptr) throw fail("hivex_node_values");
    return list(handles);
  };
  steps.valueName = [h, fail, take](std::uint64_t v) {
    errno = 0;
    char* name = hivex_value_key(h.get(), v);
    if (name == nullptr) throw fail("hivex_value_key");
    return take(name);
  };
  steps.valueType = [h, fail](std::uint64_t v) {
    hive_type type{};
    std::size_t length = 0;
    errno = 0;
    if (hivex_value_type(h.get(), v, &type, &length) != 0) throw fail("hivex_value_type");
    std::uint32_t number = 0;
    std::memcpy(&number, &type, sizeof number);  // any 32-bit type, not only the enum's
    return number;
  };
  steps.valueData = [h, fail](std::uint64_t v) {
    hive_type type{};
    std::size_t length = 0;
    errno = 0;
    char* data = hivex_value_value(h.get(), v, &type, &length);
    if (data == nullptr) throw fail("hivex_value_value");
    std::string bytes(data, length);
    std::free(data);
    return bytes;
  };
  return DumpHive(steps);
}
#endif

}  // namespace vindra::registry::testing
