// Character-set detection of a file's first bytes (the probe).
#pragma once

#include <string_view>

namespace vindra {

// The detector's result. The numbers are fixed.
enum class CharsetKind : int {
  Ascii = 0,          // nothing decided: plain 7-bit text
  Binary = 1,         // a byte 0x00-0x07 or 0xFF
  JisNew = 2,         // ESC $ B
  JisOld = 3,         // ESC $ @
  EucJp = 4,
  ShiftJis = 5,       // also the result for an empty probe
  EucOrShiftJis = 6,  // double-byte text that fits both
  Utf16LE = 7,        // byte-order mark FF FE
  Utf16BE = 8,        // byte-order mark FE FF
  Utf8Bom = 9,        // byte-order mark EF BB BF
  Utf8 = 10,          // more UTF-8 multi-byte sequences than Utf8CheckDepth
};

// Detection settings, process-wide. ProbeLength bounds the binary scan (the
// loader stores 2048 in it before each detection); Utf8CheckDepth 0 turns the
// UTF-8 tests off, and nothing in the program changes it.
extern int ProbeLength;
extern int Utf8CheckDepth;

// Classifies `text`. Every input, empty included, yields a kind; no byte
// outside `text` is read.
CharsetKind DetectCharset(std::string_view text);

}  // namespace vindra
