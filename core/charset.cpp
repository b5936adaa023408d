#include "core/charset.h"

#include <algorithm>
#include <cstddef>
#include <optional>

namespace vindra {

namespace {

// The detector numbers bytes from 1 to n; a byte looked at past n reads as 0.
class Probe {
 public:
  explicit Probe(std::string_view text) : text_(text) {}
  std::size_t size() const { return text_.size(); }
  unsigned At(std::size_t position) const {
    return (position >= 1 && position <= text_.size()) ? static_cast<unsigned char>(text_[position - 1]) : 0u;
  }

 private:
  std::string_view text_;
};

bool InRange(unsigned b, unsigned low, unsigned high) { return b >= low && b <= high; }

std::optional<CharsetKind> Utf8Test(const Probe& p, int checkDepth) {
  if (p.At(1) == 0xEF && p.At(2) == 0xBB && p.At(3) == 0xBF) return CharsetKind::Utf8Bom;
  // The count is one byte wide and starts again at 0 after 255, so a depth of
  // 255 or more never gives Utf8.
  unsigned char sequences = 0;
  std::size_t i = 1;
  while (p.size() > 0 && i <= p.size() - 1) {
    const unsigned b = p.At(i);
    if (b <= 0x7F) {
      ++i;
      continue;
    }
    if (b <= 0xBF) return std::nullopt;
    if ((p.At(i + 1) & 0x80) == 0) return std::nullopt;
    ++sequences;
    if (static_cast<int>(sequences) > checkDepth) return CharsetKind::Utf8;
    std::size_t skipped = 0;
    if (b >= 0xE0) skipped = 1;
    if (b >= 0xF0) skipped = 2;
    if (b >= 0xF8) skipped = 3;
    if (b >= 0xFC) skipped = 4;
    i += 2 + skipped;
  }
  return std::nullopt;
}

bool BinaryByte(unsigned b) { return b <= 0x07 || b == 0xFF; }

// The rows of the main scan below. Each looks at the byte at `i` (and those
// after it), may change `result`, the standing result (Ascii or
// EucOrShiftJis), and moves `i` to where the scan goes on.

// ESC: ESC $ B and ESC $ @ are the two JIS escapes.
void ScanEscape(const Probe& p, std::size_t& i, CharsetKind& result) {
  if (p.At(i + 1) == 0x24) {
    const unsigned b3 = p.At(i + 2);
    if (b3 == 0x42) result = CharsetKind::JisNew;
    if (b3 == 0x40) result = CharsetKind::JisOld;
    i += 3;
  } else {
    i += 2;
  }
}

// 0x8E: the EUC-JP prefix of a half-width kana, or a Shift-JIS lead byte.
void Scan8E(const Probe& p, std::size_t& i, CharsetKind& result) {
  const unsigned b2 = p.At(i + 1);
  if (InRange(b2, 0x40, 0x7E) || InRange(b2, 0x80, 0xA0) || InRange(b2, 0xE0, 0xFC)) {
    result = CharsetKind::ShiftJis;
  } else if (InRange(b2, 0xA1, 0xDF)) {
    result = CharsetKind::EucOrShiftJis;
  }
  i += 2;
}

// The run scan after a byte A1-DF followed by E0-EF: the bytes from i + 2 on
// while they are 0x40 or above. Returns false when it runs past the end.
bool ScanRunAfterKana(const Probe& p, std::size_t& i, CharsetKind& result) {
  result = CharsetKind::EucOrShiftJis;
  std::size_t j = i + 2;
  while (true) {
    if (j > p.size()) return false;
    const unsigned c = p.At(j);
    if (c < 0x40) break;
    if (InRange(c, 0x81, 0x8D) || InRange(c, 0x8F, 0x9C)) {
      result = CharsetKind::ShiftJis;
    } else if (c == 0xFD || c == 0xFE) {
      result = CharsetKind::EucJp;
    }
    if (result != CharsetKind::EucOrShiftJis) break;
    ++j;
  }
  i = j + 1;
  return true;
}

// A1-DF: a Shift-JIS half-width kana or an EUC-JP lead byte. Returns false
// when the run scan ran past the end.
bool ScanA1ToDf(const Probe& p, std::size_t& i, CharsetKind& result) {
  const unsigned b2 = p.At(i + 1);
  if (InRange(b2, 0xF0, 0xFE)) {
    result = CharsetKind::EucJp;
  } else if (InRange(b2, 0xA1, 0xDF)) {
    result = CharsetKind::EucOrShiftJis;
  } else if (InRange(b2, 0xE0, 0xEF)) {
    return ScanRunAfterKana(p, i, result);
  } else if (b2 <= 0x9F) {
    result = CharsetKind::ShiftJis;
  }
  i += 2;
  return true;
}

// E0-EF: a lead byte of both encodings.
void ScanE0ToEf(const Probe& p, std::size_t& i, CharsetKind& result) {
  const unsigned b2 = p.At(i + 1);
  if (InRange(b2, 0x40, 0x7E) || InRange(b2, 0x80, 0xA0)) {
    result = CharsetKind::ShiftJis;
  } else if (b2 == 0xFD || b2 == 0xFE) {
    result = CharsetKind::EucJp;
  } else if (InRange(b2, 0xA1, 0xFC)) {
    result = CharsetKind::EucOrShiftJis;
  }
  i += 2;
}

// One row of the main scan, chosen by the byte at `i`. Returns false when the
// scan must end (the run scan ran past the end).
bool ScanRow(const Probe& p, std::size_t& i, CharsetKind& result) {
  const unsigned b = p.At(i);
  if (b == 0x1B) {
    ScanEscape(p, i, result);
  } else if (BinaryByte(b)) {
    result = CharsetKind::Binary;
  } else if (b <= 0x7F || b == 0x80 || b == 0xA0) {
    ++i;
  } else if (InRange(b, 0x81, 0x8D) || InRange(b, 0x8F, 0x9F)) {
    result = CharsetKind::ShiftJis;
  } else if (b == 0x8E) {
    Scan8E(p, i, result);
  } else if (InRange(b, 0xA1, 0xDF)) {
    return ScanA1ToDf(p, i, result);
  } else if (InRange(b, 0xE0, 0xEF)) {
    ScanE0ToEf(p, i, result);
  } else {
    result = CharsetKind::EucJp;  // F0-FE
  }
  return true;
}

CharsetKind MainScan(const Probe& p) {
  CharsetKind result = CharsetKind::Ascii;
  std::size_t i = 1;
  while ((result == CharsetKind::Ascii || result == CharsetKind::EucOrShiftJis) && i < p.size()) {
    if (!ScanRow(p, i, result)) break;
  }
  return result;
}

}  // namespace

CharsetKind DetectCharset(std::string_view text, const CharsetSettings& settings) {
  const Probe p(text);
  if (p.size() == 0) return CharsetKind::ShiftJis;
  if (p.At(1) == 0xFF && p.At(2) == 0xFE) return CharsetKind::Utf16LE;
  if (p.At(1) == 0xFE && p.At(2) == 0xFF) return CharsetKind::Utf16BE;
  if (settings.utf8CheckDepth > 0) {
    if (const auto kind = Utf8Test(p, settings.utf8CheckDepth)) return *kind;
  }
  const std::size_t binaryEnd = std::min(settings.probeLength, p.size() - 1);
  for (std::size_t i = 1; i <= binaryEnd; ++i) {
    if (BinaryByte(p.At(i))) return CharsetKind::Binary;
  }
  return MainScan(p);
}

}  // namespace vindra
