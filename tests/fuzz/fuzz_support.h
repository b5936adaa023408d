// Shared by the fuzz targets: invariant checks that stop the run with a
// message (the fuzzer then saves the input), and the line split of the loader.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace vindra::fuzz {

// The machine paths that the substitution looks for, as on a Windows machine.
inline void SetMachinePaths() {
  setenv("SystemRoot", "C:\\WINDOWS", 1);
  setenv("ProgramFiles", "C:\\Program Files", 1);
  setenv("SystemDrive", "C:", 1);
}

[[noreturn]] inline void Fail(const char* what, std::string_view detail = {}) {
  std::fprintf(stderr, "invariant broken: %s", what);
  if (!detail.empty()) {
    std::fprintf(stderr, " [");
    for (std::size_t i = 0; i < detail.size() && i < 200; ++i) {
      const auto c = static_cast<unsigned char>(detail[i]);
      if (c >= 0x20 && c < 0x7F) std::fputc(c, stderr); else std::fprintf(stderr, "\\x%02X", c);
    }
    std::fprintf(stderr, "%s]", detail.size() > 200 ? "..." : "");
  }
  std::fprintf(stderr, "\n");
  std::abort();
}

inline void Check(bool ok, const char* what, std::string_view detail = {}) {
  if (!ok) Fail(what, detail);
}

// The physical lines after each wrap of a hex byte list ("\" CR LF) start
// with two spaces; with `bytesFormatted` (the exporters write the bytes
// themselves) they hold at most 25 bytes: "  " + 25 × "xx," + "\" = 78.
inline void CheckHexWraps(std::string_view item, bool bytesFormatted) {
  std::size_t pos = 0;
  while ((pos = item.find("\\\r\n", pos)) != std::string_view::npos) {
    const std::size_t start = pos + 3;
    std::size_t end = item.find("\r\n", start);
    if (end == std::string_view::npos) end = item.size();
    const std::string_view line = item.substr(start, end - start);
    Check(line.substr(0, 2) == "  ", "a wrapped hex list line starts with two spaces", item);
    if (bytesFormatted) Check(line.size() <= 78, "a wrapped hex list line holds at most 78 characters", item);
    pos = start;
  }
}

}  // namespace vindra::fuzz
