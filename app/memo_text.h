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

// What has to be inserted at the end of `current` to add `line` to it.
// `current` is only looked at for emptiness and for a final CR LF.
std::string MemoAppendText(std::string_view current, std::string_view line);

// A text kept in memory with that rule: the model behind the Win32 control's
// batched updates and behind the tests' text area.
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

// Appends collected while redrawing of the control is suspended, so that the
// control receives one update when redrawing resumes. The control's own text
// is known only by its tail (empty, ends with CR LF, or ends otherwise), which
// is all the append rule needs.
class PendingMemoUpdate {
 public:
  // Starts a batch over a control whose text is empty or not, and ends with
  // CR LF or not.
  void Begin(bool controlEmpty, bool controlEndsWithLineBreak);
  void Clear();
  void Add(std::string_view line);
  // True when the control's text is to be replaced by Text(); false when
  // Text() is to be appended to it.
  bool ReplacesAll() const { return replaceAll_; }
  const std::string& Text() const { return text_; }
  bool HasText() const { return !text_.empty() || !controlEmpty_; }
  bool Changed() const { return replaceAll_ || !text_.empty(); }

 private:
  bool controlEmpty_ = true;
  bool controlEndsWithLineBreak_ = false;
  bool replaceAll_ = false;
  std::string text_;
};

}  // namespace vindra::app
