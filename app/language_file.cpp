#include "app/language_file.h"

#include <cstdio>
#include <limits>
#include <vector>

#include "platform/text.h"

#include "platform/file_system.h"

namespace vindra::app {
namespace {

// True when s[i] starts a double-byte character. Bytes below 0x40 ("/",
// ".", ":", "=", ";") are never trail bytes, so a lead byte before one of
// them stands alone; this also keeps UTF-8 file names on POSIX intact.
bool IsDoubleByteAt(std::string_view s, std::size_t i) { return platform::CharLengthAt(s, i) == 2; }

bool IsPathSeparator(char c) { return c == '\\' || c == '/' || c == ':'; }

// Trims bytes up to 0x20 from both ends. Such bytes are never the trail byte
// of a double-byte character, so no DBCS care is needed here.
std::string_view Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 0x20) --e;
  return s.substr(b, e - b);
}

// Compares two names ignoring the case of ASCII letters, but only of bytes that
// are characters of their own: a trail byte of a double-byte character that
// happens to lie in 'a'..'z' is compared as it is.
bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const char x = a[i], y = b[i];
    if (IsDoubleByteAt(a, i)) {
      if (x != y || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    if (platform::AsciiUpper(x) != platform::AsciiUpper(y)) return false;
  }
  return true;
}

// True when the last character (not merely the last byte) of `s` is `c`.
bool EndsWithChar(std::string_view s, char c) {
  bool last_is_single = false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (IsDoubleByteAt(s, i)) {
      ++i;
      last_is_single = false;
    } else {
      last_is_single = true;
    }
  }
  return last_is_single && !s.empty() && s.back() == c;
}

// Finds the first '=' that is a character of its own (0x3D is never a trail
// byte in Shift-JIS, but other double-byte code pages may differ).
std::size_t FindEquals(std::string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (IsDoubleByteAt(s, i)) {
      ++i;
    } else if (s[i] == '=') {
      return i;
    }
  }
  return std::string_view::npos;
}

bool ReadWholeFile(const std::string& path, std::string& out) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char buffer[16384];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.append(buffer, n);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

// Parses hexadecimal digits into a non-negative value; fails on an empty text,
// a non-digit or a value above `limit`.
std::optional<std::uint64_t> ParseDigits(std::string_view s, unsigned base, std::uint64_t limit) {
  if (s.empty()) return std::nullopt;
  std::uint64_t v = 0;
  for (char c : s) {
    unsigned d;
    if (c >= '0' && c <= '9') d = static_cast<unsigned>(c - '0');
    else if (base == 16 && c >= 'a' && c <= 'f') d = static_cast<unsigned>(c - 'a' + 10);
    else if (base == 16 && c >= 'A' && c <= 'F') d = static_cast<unsigned>(c - 'A' + 10);
    else return std::nullopt;
    v = v * base + d;
    if (v > limit) return std::nullopt;
  }
  return v;
}

}  // namespace

std::string ReplaceFileExtension(std::string_view path, std::string_view extension) {
  // Find the last '.' of the last component, stepping over double-byte
  // characters so that their trail bytes are never taken for separators.
  std::size_t last_dot = std::string_view::npos;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const char c = path[i];
    if (IsDoubleByteAt(path, i)) {
      ++i;
    } else if (IsPathSeparator(c)) {
      last_dot = std::string_view::npos;
    } else if (c == '.') {
      last_dot = i;
    }
  }
  std::string result(path.substr(0, last_dot == std::string_view::npos ? path.size() : last_dot));
  result += extension;
  return result;
}

std::string LanguageFilePathFor(std::string_view executable_path) {
  return ReplaceFileExtension(executable_path, ".rsl");
}

bool LanguageFilePresent(const std::string& path) { return platform::FileExists(path); }

std::optional<std::string> FindIniValue(std::string_view content, std::string_view section,
                                        std::string_view key) {
  const std::size_t nul = content.find('\0');
  if (nul != std::string_view::npos) content = content.substr(0, nul);

  std::optional<std::string> found;
  bool in_section = false;
  std::size_t pos = 0;
  while (pos < content.size()) {
    std::size_t end = content.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = content.size();
    const std::string_view line = Trim(content.substr(pos, end - pos));
    pos = end;
    if (pos < content.size()) {
      if (content[pos] == '\r' && pos + 1 < content.size() && content[pos + 1] == '\n') ++pos;
      ++pos;
    }

    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[' && EndsWithChar(line, ']')) {
      const std::string_view name = Trim(line.substr(1, line.size() - 2));
      in_section = EqualsIgnoreCase(name, section);
      // A later section of the same name replaces the earlier one entirely.
      if (in_section) found.reset();
      continue;
    }
    if (!in_section) continue;
    const std::size_t eq = FindEquals(line);
    if (eq == std::string_view::npos) continue;
    if (EqualsIgnoreCase(Trim(line.substr(0, eq)), key)) found = std::string(Trim(line.substr(eq + 1)));
  }
  return found;
}

std::optional<std::int32_t> ParseIniInteger(std::string_view text) {
  constexpr std::uint64_t kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    const auto v = ParseDigits(text.substr(2), 16, kMax);
    if (!v) return std::nullopt;
    return static_cast<std::int32_t>(*v);
  }
  if (!text.empty() && text[0] == '$') {
    const auto v = ParseDigits(text.substr(1), 16, kMax);
    if (!v) return std::nullopt;
    return static_cast<std::int32_t>(*v);
  }
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  const auto v = ParseDigits(text, 10, negative ? kMax + 1 : kMax);
  if (!v) return std::nullopt;
  return negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(*v)) : static_cast<std::int32_t>(*v);
}

std::string ReadIniString(const std::string& file, std::string_view section, std::string_view key,
                          std::string_view default_text) {
  std::string content;
  if (!LanguageFilePresent(file) || !ReadWholeFile(file, content)) return std::string(default_text);
  auto value = FindIniValue(content, section, key);
  return value ? std::move(*value) : std::string(default_text);
}

std::int32_t ReadIniInteger(const std::string& file, std::string_view section, std::string_view key,
                            std::int32_t default_number) {
  const auto number = ParseIniInteger(ReadIniString(file, section, key, ""));
  return number ? *number : default_number;
}

std::string NumberedKey(int number) {
  char key[16];
  std::snprintf(key, sizeof key, "RS_%03d", number);
  return key;
}

std::string ReadMainWindowText(const std::string& file, MainWindowText text) {
  return ReadIniString(file, "Form01", NumberedKey(static_cast<int>(text) + 1), "");
}

std::string ReadAboutBoxTitle(const std::string& file) { return ReadIniString(file, "Form02", "RS_001", ""); }

std::string_view FontSectionName(LanguageFont font) {
  return font == LanguageFont::kWindow ? "Font01" : "Font02";
}

platform::FontDescription DesignedFont(LanguageFont font) {
  platform::FontDescription d;
  d.charset = platform::kShiftJisCharset;
  if (font == LanguageFont::kWindow) {
    d.name = "ＭＳ Ｐゴシック";
    d.size = 9;
  } else {
    d.name = "ＭＳ ゴシック";
    d.size = 10;
  }
  return d;
}

platform::FontDescription ReadFontDescription(const std::string& file, LanguageFont font) {
  const std::string_view section = FontSectionName(font);
  const platform::FontDescription designed = DesignedFont(font);
  platform::FontDescription d;
  // The character set has a key of its own: taking it from `Size` would turn
  // a 9 pt font into character set 9.
  d.charset = static_cast<std::uint8_t>(ReadIniInteger(file, section, "Charset", designed.charset) & 0xFF);
  d.name = ReadIniString(file, section, "Name", designed.name);
  d.size = ReadIniInteger(file, section, "Size", designed.size);
  return d;
}

platform::FontDescription LanguageFileFont(const std::string& file, LanguageFont font) {
  if (!LanguageFilePresent(file)) return platform::FontDescription{};
  return ReadFontDescription(file, font);
}

}  // namespace vindra::app
