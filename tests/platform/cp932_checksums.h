// Checksums of the code-page conversions in blocks, shared by the table test
// and the dump tool.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/text.h"

// FNV-1a over a sequence of bytes.
inline std::uint32_t Fnv(std::uint32_t h, unsigned char b) { return (h ^ b) * 16777619u; }

// The conversion of UTF-16 units block*256 .. block*256+255, one at a time,
// each result preceded by its length.
inline std::uint32_t EncodeBlockChecksum(unsigned block) {
  std::uint32_t h = 2166136261u;
  for (unsigned i = 0; i < 256; ++i) {
    const char16_t c = static_cast<char16_t>(block * 256 + i);
    const std::string a = vindra::platform::WideToAnsi(std::u16string_view(&c, 1));
    h = Fnv(h, static_cast<unsigned char>(a.size()));
    for (unsigned char b : a) h = Fnv(h, b);
  }
  return h;
}

// The conversion back of the byte `lead` alone, with its lead-byte flag, and,
// for a lead byte, of the pairs lead,0x00 .. lead,0xFF.
inline std::uint32_t DecodeBlockChecksum(unsigned lead) {
  std::uint32_t h = 2166136261u;
  const bool isLead = vindra::platform::IsAnsiLeadByte(static_cast<unsigned char>(lead));
  h = Fnv(h, isLead ? 1 : 0);
  auto add = [&h](const std::u16string& w) {
    h = Fnv(h, static_cast<unsigned char>(w.size()));
    for (char16_t x : w) {
      h = Fnv(h, static_cast<unsigned char>(x >> 8));
      h = Fnv(h, static_cast<unsigned char>(x & 0xFF));
    }
  };
  const char one = static_cast<char>(lead);
  add(vindra::platform::AnsiToWide(std::string_view(&one, 1)));
  if (isLead) {
    for (unsigned t = 0; t < 256; ++t) {
      const char bytes[2] = {static_cast<char>(lead), static_cast<char>(t)};
      add(vindra::platform::AnsiToWide(std::string_view(bytes, 2)));
    }
  }
  return h;
}
