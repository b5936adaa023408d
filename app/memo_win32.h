// Memo1: the main window's multi-line edit control as the output list of the
// converters and exporters. While redrawing is suspended the added lines are
// collected and given to the control in one update when redrawing resumes, so
// that an export of many thousands of lines costs one insertion, not one each.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "app/main_window.h"
#include "app/memo_text.h"

namespace vindra::app {

class Memo1 final : public TextArea, public OutputList {
 public:
  // Takes over an existing EDIT control and lifts its text limit.
  void Attach(HWND edit);
  HWND Handle() const { return edit_; }

  OutputList& Lines() override { return *this; }
  void Clear() override;
  void Add(std::string_view line) override;
  bool HasText() override;
  // Nestable; the update happens when the outermost suspension ends.
  void SuspendRedraw() override;
  void ResumeRedraw() override;
  void Focus() override;
  void SelectAll() override;

  // The control's whole text (ANSI); mainly for tests and tools.
  std::string Text() const;

 private:
  bool ControlEmpty() const;
  bool ControlEndsWithLineBreak() const;
  void AppendToControl(const std::string& text);

  HWND edit_ = nullptr;
  int suspended_ = 0;
  PendingMemoUpdate pending_;
};

}  // namespace vindra::app
