#include "platform/text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/platform/cp932_checksums.h"
#include "tests/platform/hex_text.h"

namespace vindra::platform {
namespace {

#include "tests/platform/cp932_checksums.inc"

TEST(CodePage, IsShiftJis) { EXPECT_EQ(AnsiCodePage(), 932u); }

struct EncodeCase {
  std::u16string text;
  std::string bytes;  // hex
  const char* why;
};

TEST(CodePage, WideToAnsiGivesTheBytesOfWindows) {
  const EncodeCase cases[] = {
      {u"", "", "empty text"},
      {u"A\\b\r\n", "41 5C 62 0D 0A", "ASCII is unchanged"},
      {std::u16string(1, u'\0') + u"x", "00 78", "NUL is kept"},
      {u"表ソ能", "95 5C 83 5C 94 5C", "kanji and kana with trail byte 5C"},
      {u"ｱｲ", "B1 B2", "half-width katakana are single bytes"},
      {u"ＭＳ", "82 6C 82 72", "full-width letters"},
      {u"\u00A5", "3F", "yen sign has only a best-fit backslash"},
      {u"\u203E", "3F", "overline has only a best-fit tilde"},
      {u"\u00E9", "3F", "e acute has only a best-fit e"},
      {u"\uAC00", "3F", "Hangul is missing"},
      {u"\u301C", "3F", "wave dash is missing"},
      {u"\u2212", "3F", "minus sign is missing"},
      {u"\u2014", "3F", "em dash is missing"},
      {u"\uFF5E", "81 60", "full-width tilde"},
      {u"\uFF0D", "81 7C", "full-width hyphen-minus"},
      {u"\u2015", "81 5C", "horizontal bar"},
      {u"\u2225", "81 61", "parallel to"},
      {u"\uFFE2", "81 CA", "not sign: JIS code, not the NEC row"},
      {u"\u2252", "81 E0", "approximately equal: JIS code first"},
      {u"\u2160", "87 54", "Roman numeral one: NEC row 13"},
      {u"\u2170", "FA 40", "small Roman numeral one: IBM extension, not EE EF"},
      {u"\u7E8A", "FA 5C", "IBM extension kanji, not the NEC-selected copy ED 40"},
      {u"\uE000", "F0 40", "first user-defined character"},
      {u"\uE757", "F9 FC", "last user-defined character"},
      {u"\u0080", "80", "U+0080 is byte 80"},
      {u"\uF8F0\uF8F1\uF8F2\uF8F3", "A0 FD FE FF", "private-use characters of bytes A0, FD-FF"},
      {u"\U0001F600", "3F 3F", "each unit of a surrogate pair"},
      {u"a\xD800z", "61 3F 7A", "lone high surrogate"},
      {u"a\xDC00z", "61 3F 7A", "lone low surrogate"},
      {u"\uFFFF\uFFFE", "3F 3F", "non-characters"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Hex(WideToAnsi(c.text)), c.bytes) << c.why;
  }
}

// Every UTF-16 unit, 256 at a time, against checksums of Windows' conversion.
TEST(CodePage, EveryUnitConvertsAsOnWindows) {
  for (unsigned block = 0; block < 256; ++block) {
    EXPECT_EQ(EncodeBlockChecksum(block), kCp932EncodeChecksums[block])
        << "UTF-16 units " << std::hex << block * 256 << " to " << block * 256 + 255;
  }
}

// Every single byte and every lead/trail pair.
TEST(CodePage, EveryByteSequenceConvertsBackAsOnWindows) {
  for (unsigned lead = 0; lead < 256; ++lead) {
    EXPECT_EQ(DecodeBlockChecksum(lead), kCp932DecodeChecksums[lead]) << "bytes starting with " << std::hex << lead;
  }
}

struct DecodeCase {
  std::string bytes;
  std::string units;  // hex
  const char* why;
};

TEST(CodePage, AnsiToWideGivesTheUnitsOfWindows) {
  const DecodeCase cases[] = {
      {"", "", "empty text"},
      {"a\\", "0061 005C", "ASCII"},
      {"\x95\x5C", "8868", "kanji with trail byte 5C"},
      {"\xB1", "FF71", "half-width katakana"},
      {"\x82\xA0", "3042", "hiragana"},
      {"\x81\x60", "FF5E", "wave dash byte pair reads as full-width tilde"},
      {"\xED\x40", "7E8A", "NEC-selected IBM extension reads as its kanji"},
      {"\xEE\xEF", "2170", "NEC-selected small Roman numeral"},
      {"\x82", "30FB", "lead byte at the end"},
      {std::string("\x82\0a", 3), "30FB 0000 0061", "lead byte before NUL keeps the NUL"},
      {"\x82\x20x", "30FB 0078", "lead byte swallows an invalid trail byte"},
      {"\x81\x7F", "30FB", "invalid pair"},
      {"\xA0\xFD\xFE\xFF", "F8F0 F8F1 F8F2 F8F3", "private-use single bytes"},
      {"\x80", "0080", "byte 80"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HexUnits(AnsiToWide(c.bytes)), c.units) << c.why;
  }
}

TEST(CodePage, LeadBytesAreThoseOfShiftJis) {
  for (unsigned b = 0; b < 256; ++b) {
    const bool expected = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    EXPECT_EQ(IsAnsiLeadByte(static_cast<unsigned char>(b)), expected) << std::hex << b;
  }
}

TEST(CodePage, RoundTripOfJapaneseText) {
  const std::string text = "HKEY_LOCAL_MACHINE\\SOFTWARE\\日本語\\表示 ﾃｽﾄ ①Ⅰ㈱ 髙﨑";
  EXPECT_EQ(WideToAnsi(AnsiToWide(text)), text);
}

// Large inputs go through in pieces on Windows; a surrogate pair or a double
// byte character on a piece boundary must come out as if converted whole.
TEST(CodePage, LargeTextsConvertLikeSmallOnes) {
  for (std::size_t boundary : {std::size_t{1} << 20, (std::size_t{1} << 20) + 1}) {
    std::u16string wide(boundary - 1, u'表');
    wide += u"\U0001F600表";
    std::string expected;
    for (std::size_t i = 0; i + 1 < boundary; ++i) expected += "\x95\x5C";
    expected += "??\x95\x5C";
    std::string out = "prefix";
    AppendWideToAnsi(wide.data(), wide.size(), out);
    ASSERT_EQ(out.size(), expected.size() + 6);
    EXPECT_EQ(out.substr(0, 6), "prefix");
    EXPECT_TRUE(out.compare(6, std::string::npos, expected) == 0) << "at boundary " << boundary;

    std::string ansi = std::string(boundary - 1, 'a') + "\x95\x5C" + "b";
    const std::u16string back = AnsiToWide(ansi);
    ASSERT_EQ(back.size(), boundary + 1);
    EXPECT_EQ(back[boundary - 1], u'表');
    EXPECT_EQ(back[boundary], u'b');
  }
}

}  // namespace
}  // namespace vindra::platform
