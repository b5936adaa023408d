// OutputArea: the main window's text area (a TextView control) as the output
// list of the converters and exporters. Lines go straight into the control's
// buffer; while redrawing is suspended nothing is drawn, and the control shows
// the result once when redrawing resumes.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "app/main_window.h"
#include "app/text_view_win32.h"

namespace vindra::app {

class OutputArea final : public TextArea, public OutputList {
 public:
  // Creates the control as a child of `parent`; its context menu takes its
  // captions from `messages`.
  HWND Create(HWND parent, int id, DWORD style, DWORD exStyle, const MessageTable& messages);
  HWND Handle() const { return view_ != nullptr ? view_->Handle() : nullptr; }

  OutputList& Lines() override { return *this; }
  void Clear() override;
  void Add(std::string_view line) override;
  bool HasText() override;
  // Nestable; the control shows the text when the outermost suspension ends:
  // from its start when it was replaced, else at its end.
  void SuspendRedraw() override;
  void ResumeRedraw() override;
  void Focus() override;
  void SelectAll() override;

  std::string Text() const;

 private:
  TextView* view_ = nullptr;
  int suspended_ = 0;
  bool clearedWhileSuspended_ = false;
};

}  // namespace vindra::app
