// The UTF-8 rules of the text module, character lengths and ASCII case. The
// code-page tables themselves are checked in codepage_test.cpp.
#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/platform/hex_text.h"

namespace vindra::platform {
namespace {

struct Utf8Case {
  std::string bytes;
  bool valid;
  const char* units;  // what Utf8ToWide gives, hex
  const char* why;
};

// String literals here are stored in CP932, so UTF-8 is written byte by byte.
const Utf8Case kUtf8Cases[] = {
    {"", true, "", "empty text"},
    {"Az\\", true, "0041 007A 005C", "ASCII"},
    {std::string("a\0b", 3), true, "0061 0000 0062", "NUL is a character"},
    {"\xC2\x80", true, "0080", "smallest two-byte form"},
    {"\xDF\xBF", true, "07FF", "largest two-byte form"},
    {"\xE0\xA0\x80", true, "0800", "smallest three-byte form"},
    {"\xE8\xA1\xA8", true, "8868", "kanji"},
    {"\xEF\xBF\xBD", true, "FFFD", "U+FFFD itself is valid"},
    {"\xED\x9F\xBF", true, "D7FF", "last code point before the surrogates"},
    {"\xEE\x80\x80", true, "E000", "first code point after the surrogates"},
    {"\xF0\x90\x80\x80", true, "D800 DC00", "smallest four-byte form: a surrogate pair"},
    {"\xF4\x8F\xBF\xBF", true, "DBFF DFFF", "U+10FFFF"},
    {"\xC0\x80", false, "FFFD FFFD", "overlong NUL: C0 is never valid"},
    {"\xC1\xBF", false, "FFFD FFFD", "overlong two-byte form"},
    {"\xE0\x9F\xBF", false, "FFFD FFFD FFFD", "overlong three-byte form"},
    {"\xF0\x8F\xBF\xBF", false, "FFFD FFFD FFFD FFFD", "overlong four-byte form"},
    {"\xED\xA0\x80", false, "FFFD FFFD FFFD", "encoded high surrogate"},
    {"\xED\xBF\xBF", false, "FFFD FFFD FFFD", "encoded low surrogate"},
    {"\xF4\x90\x80\x80", false, "FFFD FFFD FFFD FFFD", "above U+10FFFF"},
    {"\xF5\x80\x80\x80", false, "FFFD FFFD FFFD FFFD", "F5 is never valid"},
    {"\xFF", false, "FFFD", "FF is never valid"},
    {"\x80", false, "FFFD", "lone continuation byte"},
    {"\xE8\xA1", false, "FFFD", "truncated at the end: one U+FFFD for the piece"},
    {"\xE8\xA1x", false, "FFFD 0078", "truncated before ASCII keeps the ASCII"},
    {"\xF0\x9F\x98", false, "FFFD", "truncated four-byte form"},
    {"\xC3" "\xE8\xA1\xA8", false, "FFFD 8868", "a new lead byte ends the piece"},
    {"\x95\x5C", false, "FFFD 005C", "CP932 text is not UTF-8"},
    {"\x83\x5C\x82\xA0", false, "FFFD 005C FFFD FFFD", "CP932 kana"},
};

TEST(Utf8, ValidityAndDecoding) {
  for (const auto& c : kUtf8Cases) {
    EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.why;
    EXPECT_EQ(HexUnits(Utf8ToWide(c.bytes)), c.units) << c.why;
  }
}

TEST(Utf8, ValidTextRoundTrips) {
  for (const auto& c : kUtf8Cases) {
    if (c.valid) {
      EXPECT_EQ(WideToUtf8(Utf8ToWide(c.bytes)), c.bytes) << c.why;
    }
  }
}

TEST(Utf8, EncodingFromUtf16) {
  struct Case {
    std::u16string units;
    std::string bytes;
    const char* why;
  };
  const Case cases[] = {
      {u"", "", "empty text"},
      {u"a\\", "a\\", "ASCII"},
      {u"\u00E9", "\xC3\xA9", "two bytes"},
      {u"\u8868", "\xE8\xA1\xA8", "three bytes"},
      {u"\xD83D\xDE00", "\xF0\x9F\x98\x80", "a surrogate pair is one character"},
      {u"\xD83Dx", "\xEF\xBF\xBDx", "unpaired high surrogate"},
      {u"\xDE00\xD83D", "\xEF\xBF\xBD\xEF\xBF\xBD", "low before high: two unpaired surrogates"},
      {u"a\xD83D", "a\xEF\xBF\xBD", "high surrogate at the end"},
  };
  for (const auto& c : cases) EXPECT_EQ(WideToUtf8(c.units), c.bytes) << c.why;
}

TEST(Utf8, AnsiConversions) {
  struct Case {
    std::string ansi;
    std::string utf8;
    const char* why;
  };
  const Case cases[] = {
      {"plain", "plain", "ASCII is unchanged"},
      {"X:\\\x83\x5C", "X:\\\xE3\x82\xBD", "trail byte 5C is not a backslash"},
      {"\x95\x5C\x8E\xA6", "\xE8\xA1\xA8\xE7\xA4\xBA", "kanji"},
      {"\xB1", "\xEF\xBD\xB1", "half-width katakana"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AnsiToUtf8(c.ansi), c.utf8) << c.why;
    EXPECT_EQ(Utf8ToAnsi(c.utf8), c.ansi) << c.why;
  }
  // Characters CP932 lacks become its default character.
  EXPECT_EQ(Utf8ToAnsi("\xC3\xA9|\xEA\xB0\x80"), "?|?");
  // Text that is not UTF-8 is taken to be ANSI already.
  for (const char* ansi : {"\x95\x5C", "\x83\x5C\x82\xA0", "\xED\xA0\x80", "a\xE8\xA1"}) {
    EXPECT_EQ(Utf8ToAnsi(ansi), ansi);
  }
}

TEST(AnsiText, CharLengthAt) {
  struct Case {
    std::string text;
    std::size_t pos;
    std::size_t length;
    const char* why;
  };
  const Case cases[] = {
      {"ab", 0, 1, "ASCII"},
      {"\x95\x5C", 0, 2, "lead byte and trail byte 5C"},
      {"\x95\x5C", 1, 1, "a trail byte on its own counts one"},
      {"\x82\xA0", 0, 2, "lead byte and trail byte A0"},
      {"\x82", 0, 1, "lead byte at the end"},
      {"\x82/", 0, 1, "lead byte before a byte below 40 stands alone"},
      {std::string("\x82\0", 2), 0, 1, "lead byte before NUL"},
      {"\x82@", 0, 2, "40 is the smallest trail byte"},
      {"\xB1\xB2", 0, 1, "half-width katakana are single bytes"},
      {"\x80\x40", 0, 1, "80 is not a lead byte"},
      {"\xFC\xFC", 0, 2, "FC is the last lead byte"},
      {"\xFD\x40", 0, 1, "FD is not a lead byte"},
  };
  for (const auto& c : cases) EXPECT_EQ(CharLengthAt(c.text, c.pos), c.length) << c.why;
}

TEST(AnsiText, AsciiCaseChangesOnlyLetters) {
  for (int i = 0; i < 256; ++i) {
    const char c = static_cast<char>(i);
    const bool upper = i >= 'A' && i <= 'Z';
    const bool lower = i >= 'a' && i <= 'z';
    EXPECT_EQ(AsciiLower(c), upper ? static_cast<char>(i + 32) : c) << i;
    EXPECT_EQ(AsciiUpper(c), lower ? static_cast<char>(i - 32) : c) << i;
  }
}

}  // namespace
}  // namespace vindra::platform
