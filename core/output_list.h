// The output list: an ordered list of 8-bit lines (ANSI code page). The main
// window's text area, a plain vector (tests) and a stream writer (vindra-cli)
// all stand behind this interface. One item may hold CR LF sequences (a wrapped
// hex list); it stays one item.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vindra {

class OutputList {
 public:
  virtual ~OutputList() = default;
  virtual void Clear() = 0;
  virtual void Add(std::string_view line) = 0;
};

// An OutputList held in memory.
class LineList final : public OutputList {
 public:
  void Clear() override { lines.clear(); }
  void Add(std::string_view line) override { lines.emplace_back(line); }
  std::vector<std::string> lines;
};

}  // namespace vindra
