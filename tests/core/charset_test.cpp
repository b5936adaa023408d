#include "core/charset.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace vindra {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

struct DetectCase {
  const char* what;
  std::string probe;
  CharsetKind kind;
};

TEST(DetectCharset, EveryRow) {
  const DetectCase cases[] = {
      {"empty", "", CharsetKind::ShiftJis},
      {"ascii", "Windows Registry Editor", CharsetKind::Ascii},
      {"single byte", "A", CharsetKind::Ascii},
      {"utf-16le bom", Bytes({0xFF, 0xFE}), CharsetKind::Utf16LE},
      {"utf-16le bom and text", Bytes({0xFF, 0xFE, 0x41, 0x00}), CharsetKind::Utf16LE},
      {"utf-16be bom", Bytes({0xFE, 0xFF, 0x00, 0x41}), CharsetKind::Utf16BE},
      {"utf-8 bom is judged by the japanese rules", Bytes({0xEF, 0xBB, 0xBF, 0x41}), CharsetKind::ShiftJis},
      {"shift-jis", Bytes({0x82, 0xA0}), CharsetKind::ShiftJis},
      {"euc or sjis", Bytes({0xA4, 0xA2, 0xA4, 0xA4}), CharsetKind::EucOrShiftJis},
      {"jis new", Bytes({0x1B, 0x24, 0x42}), CharsetKind::JisNew},
      {"jis old", Bytes({0x1B, 0x24, 0x40}), CharsetKind::JisOld},
      {"escape without dollar", Bytes({0x1B, 0x28, 0x42, 0x41}), CharsetKind::Ascii},
      {"escape dollar other", Bytes({0x1B, 0x24, 0x41, 0x41}), CharsetKind::Ascii},
      {"8e then kana", Bytes({0x8E, 0xB1}), CharsetKind::EucOrShiftJis},
      {"8e then sjis trail", Bytes({0x8E, 0x40}), CharsetKind::ShiftJis},
      {"8e then e0", Bytes({0x8E, 0xE0}), CharsetKind::ShiftJis},
      {"8e then fd decides nothing", Bytes({0x8E, 0xFD, 0x41}), CharsetKind::Ascii},
      {"b1 then cr", Bytes({0xB1, 0x0D}), CharsetKind::ShiftJis},
      {"b1 then f0", Bytes({0xB1, 0xF0}), CharsetKind::EucJp},
      {"b1 then a0 decides nothing", Bytes({0xB1, 0xA0, 0x41}), CharsetKind::Ascii},
      {"f5 41", Bytes({0xF5, 0x41}), CharsetKind::EucJp},
      {"e0 then 40", Bytes({0xE0, 0x40}), CharsetKind::ShiftJis},
      {"e0 then fd", Bytes({0xE0, 0xFD}), CharsetKind::EucJp},
      {"e0 then a1", Bytes({0xE0, 0xA1}), CharsetKind::EucOrShiftJis},
      {"e0 then 3f decides nothing", Bytes({0xE0, 0x3F, 0x41}), CharsetKind::Ascii},
      {"80 and a0 pass", Bytes({0x80, 0xA0, 0x41}), CharsetKind::Ascii},
      {"binary 05", Bytes({0x41, 0x05, 0x41}), CharsetKind::Binary},
      {"binary ff", Bytes({0x41, 0xFF, 0x41}), CharsetKind::Binary},
      {"binary byte last is not looked at", Bytes({0x41, 0x42, 0x05}), CharsetKind::Ascii},
      {"lead byte last", std::string("abc") + Bytes({0x82}), CharsetKind::Ascii},
      {"euc-or-sjis then sjis", Bytes({0xA4, 0xA2, 0x82, 0xA0}), CharsetKind::ShiftJis},
      {"euc-or-sjis then euc", Bytes({0xA4, 0xA2, 0xF5, 0x41}), CharsetKind::EucJp},
      {"euc-or-sjis stands when nothing follows", Bytes({0xA4, 0xA2, 0x41, 0x42}), CharsetKind::EucOrShiftJis},
  };
  for (const DetectCase& c : cases) {
    EXPECT_EQ(DetectCharset(c.probe), c.kind) << c.what;
  }
}

TEST(DetectCharset, RunScanAfterKanaAndE0ToEf) {
  const DetectCase cases[] = {
      {"run finds sjis", Bytes({0xB1, 0xE0, 0x41, 0x85, 0x41}), CharsetKind::ShiftJis},
      {"run finds euc", Bytes({0xB1, 0xE0, 0x41, 0xFD, 0x41}), CharsetKind::EucJp},
      {"run 9d decides nothing", Bytes({0xB1, 0xE0, 0x9D, 0x41}), CharsetKind::EucOrShiftJis},
      // The byte below 0x40 that stops the run is never taken as b: 0x20
      // stops it, and the 0x82 after it is the next b.
      {"run stops, scan goes on", Bytes({0xB1, 0xE0, 0x41, 0x20, 0x82, 0xA0}), CharsetKind::ShiftJis},
      // Stopping at 0x1B skips it, so its escape sequence is not seen.
      {"stopping byte skipped", Bytes({0xB1, 0xE0, 0x1B, 0x24, 0x42, 0x41}), CharsetKind::EucOrShiftJis},
      {"run past the end", Bytes({0xB1, 0xE0, 0x41, 0x41}), CharsetKind::EucOrShiftJis},
  };
  for (const DetectCase& c : cases) {
    EXPECT_EQ(DetectCharset(c.probe), c.kind) << c.what;
  }
}

TEST(DetectCharset, ProbeLengthBoundsTheBinaryScan) {
  // The binary scan runs before the main scan, but only up to probeLength:
  // beyond it, the main scan decides first.
  const std::string text = Bytes({0x82, 0xA0, 0x41, 0x05, 0x41});
  EXPECT_EQ(DetectCharset(text, {.probeLength = 2}), CharsetKind::ShiftJis);
  EXPECT_EQ(DetectCharset(text, {.probeLength = 2048}), CharsetKind::Binary);
  EXPECT_EQ(DetectCharset(text), CharsetKind::Binary) << "the default probe is 2048 bytes";
}

TEST(DetectCharset, LookAheadNeverPassesTheEnd) {
  // Every prefix of bytes that make the scan look ahead: each must be
  // classified from its own bytes alone (ASan checks the reads).
  const std::string tricky = Bytes({0x41, 0xB1, 0xE0, 0x41, 0x1B, 0x24, 0x8E, 0xE0, 0xA1});
  for (std::size_t n = 0; n <= tricky.size(); ++n) {
    // A heap block of exactly n bytes, so that a read past it is caught.
    const std::vector<char> copy(tricky.begin(), tricky.begin() + static_cast<std::ptrdiff_t>(n));
    const int kind = static_cast<int>(DetectCharset(std::string_view(copy.data(), copy.size())));
    EXPECT_GE(kind, 0);
    EXPECT_LE(kind, 10);
  }
  EXPECT_EQ(DetectCharset(Bytes({0x1B, 0x24})), CharsetKind::Ascii);
  EXPECT_EQ(DetectCharset(Bytes({0xB1, 0xE0})), CharsetKind::EucOrShiftJis);
}

TEST(DetectCharset, Utf8TestsWhenTurnedOn) {
  const CharsetSettings depth1{.utf8CheckDepth = 1};
  EXPECT_EQ(DetectCharset(Bytes({0xEF, 0xBB, 0xBF, 0x41}), depth1), CharsetKind::Utf8Bom);
  // Two sequences are more than a depth of 1.
  EXPECT_EQ(DetectCharset(Bytes({0xE3, 0x81, 0x82, 0xE3, 0x81, 0x84, 0x41}), depth1), CharsetKind::Utf8);
  // One sequence is not enough; the Japanese rules then take C3 A9 as kana.
  EXPECT_EQ(DetectCharset(Bytes({0xC3, 0xA9, 0x41}), depth1), CharsetKind::EucOrShiftJis);
  EXPECT_EQ(DetectCharset(Bytes({0xE3, 0x81, 0x82, 0xE3, 0x81, 0x84, 0x41})), CharsetKind::ShiftJis)
      << "off by default";
}

TEST(DetectCharset, Utf8SequenceCountIsOneByteWide) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += Bytes({0xC3, 0xA9});
  text += "A";
  EXPECT_EQ(DetectCharset(text, {.utf8CheckDepth = 254}), CharsetKind::Utf8);
  // The count never exceeds 255, so a depth of 255 never gives Utf8.
  EXPECT_EQ(DetectCharset(text, {.utf8CheckDepth = 255}), CharsetKind::EucOrShiftJis);
}

TEST(CharsetKind, FixedNumbers) {
  EXPECT_EQ(static_cast<int>(CharsetKind::Ascii), 0);
  EXPECT_EQ(static_cast<int>(CharsetKind::ShiftJis), 5);
  EXPECT_EQ(static_cast<int>(CharsetKind::Utf16LE), 7);
  EXPECT_EQ(static_cast<int>(CharsetKind::Utf8), 10);
}

}  // namespace
}  // namespace vindra
