#include "core/ansi_text.h"

#include <cstring>

namespace vindra {
namespace {

// True when `pattern` matches `text` at `pos`, character by character.
bool MatchesAt(std::string_view text, std::size_t pos, std::string_view pattern) {
  std::size_t j = 0;
  while (j < pattern.size()) {
    const std::size_t k = pos + j;
    if (k >= text.size()) return false;
    if (platform::CharLengthAt(text, k) == 2) {
      if (j + 1 >= pattern.size()) return false;  // the pattern would end inside a character
      if (pattern[j] != text[k] || pattern[j + 1] != text[k + 1]) return false;
      j += 2;
    } else {
      if (platform::AsciiLower(pattern[j]) != platform::AsciiLower(text[k])) return false;
      ++j;
    }
  }
  return true;
}

// Copies `text` to `out` character by character; at each backslash,
// `onBackslash(i)` appends what the backslash becomes and returns how many
// bytes it consumed. Double-byte characters are copied whole, so a trail
// byte 0x5C never reaches `onBackslash`.
template <typename OnBackslash>
void AppendRewritingBackslashes(std::string_view text, std::string& out, OnBackslash&& onBackslash) {
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\\') {
      i += onBackslash(i);
    } else if (c >= 0x80) {
      const std::size_t n = platform::CharLengthAt(text, i);
      out.append(text.data() + i, n);
      i += n;
    } else {
      out.push_back(static_cast<char>(c));
      ++i;
    }
  }
}

}  // namespace

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (platform::AsciiUpper(text[i]) != platform::AsciiUpper(prefix[i])) return false;
  }
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 0x20) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 0x20) --end;
  return text.substr(begin, end - begin);
}

std::size_t FindIgnoreCase(std::string_view text, std::string_view pattern, std::size_t from) {
  if (pattern.empty()) return std::string_view::npos;
  const char first = platform::AsciiLower(pattern[0]);
  std::size_t i = from;
  while (i < text.size() && text.size() - i >= pattern.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      if (platform::AsciiLower(static_cast<char>(c)) == first && MatchesAt(text, i, pattern)) return i;
      ++i;
    } else {
      if (static_cast<char>(c) == pattern[0] && MatchesAt(text, i, pattern)) return i;
      i += platform::CharLengthAt(text, i);
    }
  }
  return std::string_view::npos;
}

bool ContainsIgnoreCase(std::string_view text, std::string_view pattern) {
  if (pattern.empty() || pattern.size() > text.size()) return false;
  for (char c : pattern) {
    if (static_cast<unsigned char>(c) < 0x80 && platform::AsciiLower(c) == platform::AsciiUpper(c)) {
      if (std::memchr(text.data(), c, text.size()) == nullptr) return false;
      break;
    }
  }
  return FindIgnoreCase(text, pattern) != std::string_view::npos;
}

bool ReplaceFirstIgnoreCase(std::string& text, std::string_view pattern, std::string_view replacement) {
  const std::size_t pos = FindIgnoreCase(text, pattern);
  if (pos == std::string_view::npos) return false;
  text.replace(pos, pattern.size(), replacement);
  return true;
}

namespace {

// Replaces, left to right, every occurrence of `pattern` (FindIgnoreCase)
// for which `accept(position)` holds; inserted text is never rescanned.
template <typename Accept>
std::size_t ReplaceMatchesIgnoreCase(std::string& text, std::string_view pattern, std::string_view replacement,
                                     Accept&& accept) {
  std::size_t pos = FindIgnoreCase(text, pattern);
  std::string result;
  std::size_t done = 0;
  std::size_t count = 0;
  while (pos != std::string_view::npos) {
    if (accept(pos)) {
      if (count == 0) result.reserve(text.size());
      result.append(text, done, pos - done);
      result.append(replacement);
      done = pos + pattern.size();
      ++count;
      pos = FindIgnoreCase(text, pattern, done);
    } else {
      pos = FindIgnoreCase(text, pattern, pos + platform::CharLengthAt(text, pos));
    }
  }
  if (count == 0) return 0;
  result.append(text, done, std::string::npos);
  text.swap(result);
  return count;
}

// True when the last character of `text` is a single-byte `\` or `/` (not
// the trail byte of a double-byte character).
bool EndsWithSeparator(std::string_view text) {
  std::size_t i = 0;
  std::size_t last = std::string_view::npos;
  while (i < text.size()) {
    last = i;
    i += platform::CharLengthAt(text, i);
  }
  return last != std::string_view::npos && last + 1 == text.size() && (text[last] == '\\' || text[last] == '/');
}

}  // namespace

std::size_t ReplaceAllIgnoreCase(std::string& text, std::string_view pattern, std::string_view replacement) {
  return ReplaceMatchesIgnoreCase(text, pattern, replacement, [](std::size_t) { return true; });
}

bool IsFolderEnd(std::string_view text, std::size_t end) {
  if (end >= text.size()) return true;
  switch (text[end]) {
    case '\\':
    case '/':
    case '"':
    case ';':
    case ',':
      return true;
    default:
      return false;
  }
}

std::size_t ReplaceAllFoldersIgnoreCase(std::string& text, std::string_view folder, std::string_view replacement) {
  const bool endsWithSeparator = EndsWithSeparator(folder);
  const std::string_view scanned = text;
  return ReplaceMatchesIgnoreCase(text, folder, replacement, [&](std::size_t pos) {
    return endsWithSeparator || IsFolderEnd(scanned, pos + folder.size());
  });
}

void AppendCollapsingBackslashPairs(std::string_view text, std::string& out) {
  AppendRewritingBackslashes(text, out, [&](std::size_t i) -> std::size_t {
    out.push_back('\\');
    return (i + 1 < text.size() && text[i + 1] == '\\') ? 2 : 1;
  });
}

void AppendUnescapingQuotes(std::string_view text, std::string& out) {
  AppendRewritingBackslashes(text, out, [&](std::size_t i) -> std::size_t {
    // Before a quote the backslash goes; the quote is copied on the next round.
    if (!(i + 1 < text.size() && text[i + 1] == '"')) out.push_back('\\');
    return 1;
  });
}

void AppendDoublingQuotes(std::string_view text, std::string& out) {
  // A double quote is never a trail byte, so a plain byte scan is safe here.
  std::size_t done = 0;
  while (true) {
    const void* hit = done < text.size() ? std::memchr(text.data() + done, '"', text.size() - done) : nullptr;
    if (hit == nullptr) break;
    const std::size_t pos = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
    out.append(text.data() + done, pos + 1 - done);
    out.push_back('"');
    done = pos + 1;
  }
  out.append(text.data() + done, text.size() - done);
}

}  // namespace vindra
