#include "app/memo_win32.h"

namespace vindra::app {

HWND Memo1::Create(HWND parent, int id, DWORD style, DWORD exStyle) {
  view_ = TextView::From(TextView::Create(parent, id, style, exStyle));
  return Handle();
}

void Memo1::Clear() {
  view_->Buffer().Clear();
  if (suspended_ > 0) {
    clearedWhileSuspended_ = true;
  } else {
    view_->ShowStart();
  }
}

void Memo1::Add(std::string_view line) {
  view_->Buffer().AddLine(line);
  if (suspended_ == 0) view_->ShowEnd();
}

bool Memo1::HasText() { return !view_->Buffer().Empty(); }

void Memo1::SuspendRedraw() {
  if (suspended_++ > 0) return;
  clearedWhileSuspended_ = false;
  view_->SetRedraw(false);
}

void Memo1::ResumeRedraw() {
  if (suspended_ == 0 || --suspended_ > 0) return;
  view_->SetRedraw(true);
  if (clearedWhileSuspended_) {
    view_->ShowStart();
  } else {
    view_->ShowEnd();
  }
}

void Memo1::Focus() { SetFocus(Handle()); }

void Memo1::SelectAll() { view_->SelectAll(); }

std::string Memo1::Text() const { return view_->Buffer().Text(); }

}  // namespace vindra::app
