// The text of a multi-line edit control seen as a list of lines, with the
// append rule of the main window's text area: a line goes after the last line
// break, or after a new one when the text does not end with one. Every line
// added is followed by CR LF; an item that holds CR LF itself shows as several
// lines.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vindra::app {

// A text kept in memory with that rule: the reference for the text area's
// buffer and the tests' stand-in for the text area.
class MemoText {
 public:
  void Clear() { text_.clear(); }
  void Add(std::string_view line);
  const std::string& Text() const { return text_; }
  void SetText(std::string_view text) { text_.assign(text); }
  bool Empty() const { return text_.empty(); }

 private:
  std::string text_;
};

}  // namespace vindra::app
