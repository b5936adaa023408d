// Character-set detection of a file's first bytes (the probe).
#pragma once

#include <cstddef>
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
  Utf8 = 10,          // more UTF-8 multi-byte sequences than utf8CheckDepth
};

struct CharsetSettings {
  // How many leading bytes the scan for binary bytes covers; also how many
  // bytes the loader reads for the probe.
  std::size_t probeLength = 2048;
  // 0 turns the UTF-8 tests off (the program never turns them on); n > 0
  // calls text UTF-8 once it holds more than n multi-byte sequences.
  int utf8CheckDepth = 0;
};

// Classifies `text`. Every input, empty included, yields a kind; no byte
// outside `text` is read.
CharsetKind DetectCharset(std::string_view text, const CharsetSettings& settings = {});

}  // namespace vindra
