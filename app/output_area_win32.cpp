#include "app/output_area_win32.h"

namespace vindra::app {

HWND OutputArea::Create(HWND parent, int id, DWORD style, DWORD exStyle, const MessageTable& messages) {
  view_ = TextView::From(TextView::Create(parent, id, style, exStyle, messages));
  return Handle();
}

void OutputArea::Clear() {
  view_->Buffer().Clear();
  if (suspended_ > 0) {
    clearedWhileSuspended_ = true;
  } else {
    view_->ShowStart();
  }
}

void OutputArea::Add(std::string_view line) {
  view_->Buffer().AddLine(line);
  if (suspended_ == 0) view_->ShowEnd();
}

bool OutputArea::HasText() { return !view_->Buffer().Empty(); }

void OutputArea::SuspendRedraw() {
  if (suspended_++ > 0) return;
  clearedWhileSuspended_ = false;
  view_->SetRedraw(false);
}

void OutputArea::ResumeRedraw() {
  if (suspended_ == 0 || --suspended_ > 0) return;
  view_->SetRedraw(true);
  if (clearedWhileSuspended_) {
    view_->ShowStart();
  } else {
    view_->ShowEnd();
  }
}

void OutputArea::Focus() { SetFocus(Handle()); }

void OutputArea::SelectAll() { view_->SelectAll(); }

std::string OutputArea::Text() const { return view_->Buffer().Text(); }

}  // namespace vindra::app
