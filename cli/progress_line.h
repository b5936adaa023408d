// A progress line on standard error for runs that take longer than a second,
// shown only when standard error is a terminal: one line rewritten in place
// and wiped at the end.
#pragma once

#include <cstdio>
#include <string>

namespace vindra::cli {

class ProgressLine {
 public:
  explicit ProgressLine(std::FILE* stream);
  ~ProgressLine() { Clear(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // Shows `text` (in the terminal's encoding) once a second has passed since
  // the start, at most ten times a second.
  void Show(const std::string& text);
  // Wipes the line, if one is shown.
  void Clear();

 private:
  std::FILE* stream_;
  bool terminal_ = false;
  std::size_t shownLength_ = 0;
  double start_ = 0;  // seconds on the monotonic clock
  double last_ = 0;
};

}  // namespace vindra::cli
