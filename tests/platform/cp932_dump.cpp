// Prints the platform layer's code-page conversions in full, one line each:
//   E uuuu bytes    every UTF-16 unit converted to ANSI
//   D bytes uuuu..  every single byte and every lead/trail pair converted back
//   L bb flag       the lead-byte test for every byte
//   C ...           the block checksums that cp932_table_test.cpp pins
// Run natively and under Wine and diff the two outputs to compare the POSIX
// tables with the system's conversion.
#include <cstdio>
#include <string>

#include "platform/text.h"
#include "tests/platform/cp932_checksums.h"

using namespace vindra::platform;

int main() {
  for (unsigned u = 0; u < 0x10000; ++u) {
    const char16_t c = static_cast<char16_t>(u);
    const std::string a = WideToAnsi(std::u16string_view(&c, 1));
    std::printf("E %04X", u);
    for (unsigned char b : a) std::printf(" %02X", b);
    std::printf("\n");
  }
  for (unsigned lead = 0; lead < 0x100; ++lead) {
    const bool isLead = IsAnsiLeadByte(static_cast<unsigned char>(lead));
    std::printf("L %02X %d\n", lead, isLead ? 1 : 0);
    const unsigned trails = isLead ? 0x100 : 1;
    for (unsigned t = 0; t < trails; ++t) {
      const char bytes[2] = {static_cast<char>(lead), static_cast<char>(t)};
      const std::u16string w = AnsiToWide(std::string_view(bytes, isLead ? 2 : 1));
      if (isLead) std::printf("D %02X%02X", lead, t); else std::printf("D %02X", lead);
      for (char16_t x : w) std::printf(" %04X", static_cast<unsigned>(x));
      std::printf("\n");
    }
    if (isLead) {
      const char one = static_cast<char>(lead);
      const std::u16string w = AnsiToWide(std::string_view(&one, 1));
      std::printf("D %02X-end", lead);
      for (char16_t x : w) std::printf(" %04X", static_cast<unsigned>(x));
      std::printf("\n");
    }
  }
  std::printf("C encode");
  for (unsigned block = 0; block < 256; ++block) std::printf(" %08X", EncodeBlockChecksum(block));
  std::printf("\nC decode");
  for (unsigned lead = 0; lead < 256; ++lead) std::printf(" %08X", DecodeBlockChecksum(lead));
  std::printf("\n");
  return 0;
}
