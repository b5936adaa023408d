// CP932 as Windows defines it, from tables built once from ICU's Windows-31J
// converter. Three rules make them give the bytes of Windows' own functions
// (WideCharToMultiByte with WC_NO_BEST_FIT_CHARS, MultiByteToWideChar), as a
// comparison over all 65536 UTF-16 units and all byte pairs showed:
//  - a character with two codes is written with the IBM extension code
//    (lead bytes FA-FC), never with the NEC-selected copy (ED, EE);
//  - a lead byte followed by a NUL byte gives U+30FB and leaves the NUL;
//  - the single bytes 80, A0, FD, FE, FF, which ICU leaves unmapped, stand
//    for U+0080 and the private-use characters U+F8F0 to U+F8F3.
#include "platform/text.h"

#include <unicode/ucnv.h>

#include <array>
#include <cstdint>
#include <memory>

namespace vindra::platform {

namespace {

constexpr char16_t kDefaultUnicodeChar = 0x30FB;  // what undecodable bytes become

bool IsLead(unsigned b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

struct Cp932Tables {
  // UTF-16 unit to bytes: a value below 0x100 is one byte, else lead << 8 | trail.
  std::array<std::uint16_t, 0x10000> encode{};
  // One byte (that is not a lead byte) to UTF-16.
  std::array<char16_t, 0x100> single{};
  // (lead << 8 | trail) to UTF-16 for the lead bytes.
  std::unique_ptr<char16_t[]> pair{new char16_t[0x10000]};
};

// Decodes `len` bytes with ICU without fallbacks; 0 when unmapped.
char16_t IcuDecode(UConverter* cnv, const char* bytes, int len) {
  UErrorCode status = U_ZERO_ERROR;
  UChar out[4];
  ucnv_reset(cnv);
  const int n = ucnv_toUChars(cnv, out, 4, bytes, len, &status);
  if (U_FAILURE(status) || n != 1) return 0;
  return out[0];
}

void BuildTables(Cp932Tables& t) {
  UErrorCode status = U_ZERO_ERROR;
  UConverter* cnv = ucnv_open("ibm-943_P15A-2003", &status);
  if (U_SUCCESS(status)) {
    ucnv_setFallback(cnv, false);
    ucnv_setFromUCallBack(cnv, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    ucnv_setToUCallBack(cnv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  }
  const bool icu = U_SUCCESS(status);

  // Decoding: every single byte and every lead/trail pair.
  for (unsigned b = 0; b < 0x100; ++b) {
    const char c = static_cast<char>(b);
    char16_t u = b < 0x80 ? static_cast<char16_t>(b) : 0;
    if (u == 0 && b != 0 && icu) u = IcuDecode(cnv, &c, 1);
    t.single[b] = (u == 0 && b != 0) ? kDefaultUnicodeChar : u;
  }
  t.single[0x80] = 0x0080;
  t.single[0xA0] = 0xF8F0;
  t.single[0xFD] = 0xF8F1;
  t.single[0xFE] = 0xF8F2;
  t.single[0xFF] = 0xF8F3;
  for (unsigned lead = 0; lead < 0x100; ++lead) {
    for (unsigned trail = 0; trail < 0x100; ++trail) {
      char16_t u = 0;
      if (IsLead(lead) && icu) {
        const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        u = IcuDecode(cnv, bytes, 2);
      }
      t.pair[lead << 8 | trail] = u == 0 ? kDefaultUnicodeChar : u;
    }
  }

  // Encoding: a unit maps to the bytes that decode back to it; units that
  // only have a look-alike (best fit) become the default character '?'.
  t.encode.fill('?');
  for (unsigned b = 0; b < 0x100; ++b) {
    if (!IsLead(b) && (t.single[b] != kDefaultUnicodeChar || b == 0)) {
      if (t.encode[t.single[b]] == '?') t.encode[t.single[b]] = static_cast<std::uint16_t>(b);
    }
  }
  // Where several byte pairs decode to one unit, the first in code order wins,
  // the NEC-selected IBM extensions (lead bytes ED, EE) coming last.
  for (const bool necSelected : {false, true}) {
    for (unsigned code = 0x8100; code < 0x10000; ++code) {
      const unsigned lead = code >> 8;
      if (!IsLead(lead) || (code & 0xFF) < 0x40 || (lead == 0xED || lead == 0xEE) != necSelected) continue;
      const char16_t u = t.pair[code];
      if (u == kDefaultUnicodeChar && code != 0x8145) continue;
      if (t.encode[u] == '?') t.encode[u] = static_cast<std::uint16_t>(code);
    }
  }
  t.encode['?'] = '?';
  if (icu) ucnv_close(cnv);
}

const Cp932Tables& Tables() {
  static const std::unique_ptr<Cp932Tables> tables = [] {
    auto t = std::make_unique<Cp932Tables>();
    BuildTables(*t);
    return t;
  }();
  return *tables;
}

}  // namespace

void AppendWideToAnsi(const char16_t* units, std::size_t count, std::string& out) {
  const auto& encode = Tables().encode;
  // Convert through a small buffer: sizing the output for the worst case (two
  // bytes a unit) would touch twice the memory a mostly ASCII text needs.
  constexpr std::size_t kChunk = 16384;
  char buffer[2 * kChunk];
  out.reserve(out.size() + count);
  while (count > 0) {
    const std::size_t n = count < kChunk ? count : kChunk;
    char* p = buffer;
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint16_t v = encode[units[i]];
      if (v >= 0x100) *p++ = static_cast<char>(v >> 8);
      *p++ = static_cast<char>(v & 0xFF);
    }
    out.append(buffer, static_cast<std::size_t>(p - buffer));
    units += n;
    count -= n;
  }
}

std::u16string AnsiToWide(std::string_view text) {
  const Cp932Tables& t = Tables();
  std::u16string out(text.size(), u'\0');
  char16_t* p = out.data();
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned b = s[i];
    if (IsLead(b)) {
      if (i + 1 < n && s[i + 1] != 0) {
        *p++ = t.pair[b << 8 | s[i + 1]];
        ++i;
      } else {
        *p++ = kDefaultUnicodeChar;  // a lead byte at the very end or before a NUL
      }
    } else {
      *p++ = t.single[b];
    }
  }
  out.resize(static_cast<std::size_t>(p - out.data()));
  return out;
}

bool IsAnsiLeadByte(unsigned char byte) { return IsLead(byte); }

unsigned AnsiCodePage() { return 932; }

}  // namespace vindra::platform
