// Bytes and UTF-16 units as hexadecimal ("95 5C", "8868 0041"), for tables of
// expected conversions that a reader can check against a code chart.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace vindra::platform {

inline std::string Hex(std::string_view bytes) {
  std::string out;
  char buf[4];
  for (unsigned char b : bytes) {
    std::snprintf(buf, sizeof buf, "%s%02X", out.empty() ? "" : " ", b);
    out += buf;
  }
  return out;
}

inline std::string HexUnits(std::u16string_view units) {
  std::string out;
  char buf[6];
  for (char16_t u : units) {
    std::snprintf(buf, sizeof buf, "%s%04X", out.empty() ? "" : " ", static_cast<unsigned>(u));
    out += buf;
  }
  return out;
}

}  // namespace vindra::platform
