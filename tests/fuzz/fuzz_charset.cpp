// Character-set detection on arbitrary probes: the result is one of the
// eleven kinds, the byte-order marks decide first, and the same probe always
// gives the same kind.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/charset.h"
#include "tests/fuzz/fuzz_support.h"

using vindra::CharsetKind;
using vindra::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view probe(reinterpret_cast<const char*>(data), size);
  const CharsetKind kind = vindra::DetectCharset(probe);
  const int code = static_cast<int>(kind);
  Check(code >= 0 && code <= 10, "the kind is one of the eleven codes", probe);
  Check(vindra::DetectCharset(probe) == kind, "detection is deterministic", probe);
  if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) Check(kind == CharsetKind::Utf16LE, "FF FE gives Utf16LE", probe);
  if (size >= 2 && data[0] == 0xFE && data[1] == 0xFF) Check(kind == CharsetKind::Utf16BE, "FE FF gives Utf16BE", probe);
  if (size == 0) Check(kind == CharsetKind::ShiftJis, "an empty probe gives ShiftJis");

  // The settings the program never changes, but which the detector takes:
  // the UTF-8 tests switched on, and a shorter binary scan.
  if (size >= 1) {
    const std::size_t shorter = data[0] % 16;
    const vindra::CharsetSettings settings{.probeLength = size > shorter ? size - shorter : 0,
                                           .utf8CheckDepth = data[0] % 8};
    const int other = static_cast<int>(vindra::DetectCharset(probe.substr(1), settings));
    Check(other >= 0 && other <= 10, "the kind is one of the eleven codes (other settings)", probe);
  }
  return 0;
}
