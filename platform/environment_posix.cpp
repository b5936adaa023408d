// Environment expansion over the process environment (`environ`). Entries
// written in UTF-8 (the usual POSIX locale encoding) are converted to the ANSI
// code page, so that their values fit the text they are put into.
#include "platform/environment.h"

#include <string>

#include "platform/codepage.h"
#include "platform/env_expand.h"

extern char** environ;

namespace vindra::platform {

namespace {

// True when `s` holds a byte above 0x7F and is well-formed UTF-8 throughout.
bool IsNonAsciiUtf8(std::string_view s) {
  bool high = false;
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    high = true;
    std::size_t len;
    char32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + len > s.size()) return false;
    for (std::size_t k = 1; k < len; ++k) {
      const auto cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = cp << 6 | (cc & 0x3F);
    }
    if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
        (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
      return false;
    i += len;
  }
  return high;
}

std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    char32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
    for (std::size_t k = 1; k < len; ++k) cp = cp << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += len;
  }
  return out;
}

// An environment entry's text in the ANSI code page.
std::string ToAnsi(std::string_view s) {
  if (!IsNonAsciiUtf8(s)) return std::string(s);
  return WideToAnsi(Utf8ToUtf16(s));
}

class ProcessEnvironment final : public VariableSource {
 public:
  bool Find(std::string_view name, std::string& value) const override {
    if (environ == nullptr) return false;
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string_view entry(*e);
      // A leading '=' belongs to the name (Windows' hidden "=C:" entries).
      const std::size_t eq = entry.find('=', 1);
      if (eq == std::string_view::npos) continue;
      std::string_view entryName = entry.substr(0, eq);
      std::string converted;
      if (IsNonAsciiUtf8(entryName)) {
        converted = ToAnsi(entryName);
        entryName = converted;
      }
      if (!VariableNamesEqual(entryName, name)) continue;
      value = ToAnsi(entry.substr(eq + 1));
      return true;
    }
    return false;
  }
};

}  // namespace

std::string ExpandEnvironmentText(std::string_view text) {
  return ExpandReferences(text, ProcessEnvironment());
}

}  // namespace vindra::platform
