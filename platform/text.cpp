// The parts of the text module that are the same on every platform: UTF-8,
// character lengths and the wrappers over the code-page conversion.
#include "platform/text.h"

namespace vindra::platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kIllFormed = 0x110000;  // beyond every code point

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Decodes the UTF-8 sequence at text[pos]. Returns its length in bytes and
// sets `c`; for an ill-formed piece, returns the length of the piece (at least
// 1) and sets `c` to kIllFormed.
std::size_t DecodeUtf8At(std::string_view text, std::size_t pos, char32_t& c) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  if (lead < 0x80) {
    c = lead;
    return 1;
  }
  std::size_t length;
  unsigned char low = 0x80;  // allowed range of the second byte
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // shorter forms are overlong
    if (lead == 0xED) high = 0x9F;  // ED A0.. would encode surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
  } else {
    c = kIllFormed;  // a trail byte, C0, C1 or F5..FF
    return 1;
  }
  char32_t value = lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    const std::size_t i = pos + k;
    const bool fits = i < text.size() && (k == 1 ? (byte(i) >= low && byte(i) <= high) : (byte(i) & 0xC0) == 0x80);
    if (!fits) {
      c = kIllFormed;
      return k;
    }
    value = value << 6 | (byte(i) & 0x3F);
  }
  c = value;
  return length;
}

// Writes `c` as one or two UTF-16 units at `out`; returns the end.
char16_t* PutUtf16(char32_t c, char16_t* out) {
  if (c >= 0x10000) {
    c -= 0x10000;
    *out++ = static_cast<char16_t>(0xD800 + (c >> 10));
    *out++ = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  } else {
    *out++ = static_cast<char16_t>(c);
  }
  return out;
}

// Writes `c` as one to four UTF-8 bytes at `out`; returns the end.
char* PutUtf8(char32_t c, char* out) {
  if (c < 0x80) {
    *out++ = static_cast<char>(c);
  } else if (c < 0x800) {
    *out++ = static_cast<char>(0xC0 | (c >> 6));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (c >> 12));
    *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (c >> 18));
    *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

std::string WideToAnsi(std::u16string_view text) {
  std::string out;
  AppendWideToAnsi(text.data(), text.size(), out);
  return out;
}

std::size_t CharLengthAt(std::string_view text, std::size_t pos) {
  const auto c = static_cast<unsigned char>(text[pos]);
  return (c >= 0x80 && IsAnsiLeadByte(c) && pos + 1 < text.size() && static_cast<unsigned char>(text[pos + 1]) >= 0x40)
             ? 2
             : 1;
}

bool IsValidUtf8(std::string_view text) {
  char32_t c;
  for (std::size_t i = 0; i < text.size();) {
    i += DecodeUtf8At(text, i, c);
    if (c == kIllFormed) return false;
  }
  return true;
}

std::u16string Utf8ToWide(std::string_view text) {
  // Never more units than bytes: a four-byte sequence gives two units.
  std::u16string out(text.size(), u'\0');
  char16_t* end = out.data();
  char32_t c;
  for (std::size_t i = 0; i < text.size();) {
    i += DecodeUtf8At(text, i, c);
    end = PutUtf16(c == kIllFormed ? kReplacement : c, end);
  }
  out.resize(static_cast<std::size_t>(end - out.data()));
  return out;
}

std::string WideToUtf8(std::u16string_view text) {
  // At most three bytes a unit: a pair of units gives four.
  std::string out(text.size() * 3, '\0');
  char* end = out.data();
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      c = kReplacement;
    }
    end = PutUtf8(c, end);
  }
  out.resize(static_cast<std::size_t>(end - out.data()));
  return out;
}

std::string AnsiToUtf8(std::string_view text) {
  if (IsAscii(text)) return std::string(text);
  return WideToUtf8(AnsiToWide(text));
}

std::string Utf8ToAnsi(std::string_view text) {
  if (IsAscii(text) || !IsValidUtf8(text)) return std::string(text);
  return WideToAnsi(Utf8ToWide(text));
}

}  // namespace vindra::platform
