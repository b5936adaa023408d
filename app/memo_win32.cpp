#include "app/memo_win32.h"

namespace vindra::app {

void Memo1::Attach(HWND edit) {
  edit_ = edit;
  // No limit on the text's length (0 lifts it to the control's maximum).
  SendMessageA(edit_, EM_SETLIMITTEXT, 0, 0);
}

bool Memo1::ControlEmpty() const { return GetWindowTextLengthA(edit_) == 0; }

bool Memo1::ControlEndsWithLineBreak() const {
  // The last line of the control is empty exactly when the text ends with a
  // line break; this avoids reading the whole text.
  const LRESULT lines = SendMessageA(edit_, EM_GETLINECOUNT, 0, 0);
  const LRESULT lastStart = SendMessageA(edit_, EM_LINEINDEX, lines > 0 ? lines - 1 : 0, 0);
  if (lastStart < 0) return false;
  return SendMessageA(edit_, EM_LINELENGTH, lastStart, 0) == 0 && !ControlEmpty();
}

void Memo1::AppendToControl(const std::string& text) {
  if (text.empty()) return;
  const int length = GetWindowTextLengthA(edit_);
  SendMessageA(edit_, EM_SETSEL, length, length);
  SendMessageA(edit_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

void Memo1::Clear() {
  if (suspended_ > 0) {
    pending_.Clear();
    return;
  }
  SetWindowTextA(edit_, "");
}

void Memo1::Add(std::string_view line) {
  if (suspended_ > 0) {
    pending_.Add(line);
    return;
  }
  const bool empty = ControlEmpty();
  std::string text;
  if (empty) {
    text = MemoAppendText("", line);
  } else {
    text = MemoAppendText(ControlEndsWithLineBreak() ? "\r\n" : "x", line);
  }
  AppendToControl(text);
}

bool Memo1::HasText() { return suspended_ > 0 ? pending_.HasText() : !ControlEmpty(); }

void Memo1::SuspendRedraw() {
  if (suspended_++ > 0) return;
  pending_.Begin(ControlEmpty(), ControlEndsWithLineBreak());
  SendMessageA(edit_, WM_SETREDRAW, FALSE, 0);
}

void Memo1::ResumeRedraw() {
  if (suspended_ == 0 || --suspended_ > 0) return;
  if (pending_.ReplacesAll()) {
    SetWindowTextA(edit_, pending_.Text().c_str());
  } else {
    AppendToControl(pending_.Text());
  }
  pending_ = PendingMemoUpdate();
  SendMessageA(edit_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(edit_, nullptr, TRUE);
}

void Memo1::Focus() { SetFocus(edit_); }

void Memo1::SelectAll() { SendMessageA(edit_, EM_SETSEL, 0, -1); }

std::string Memo1::Text() const {
  const int length = GetWindowTextLengthA(edit_);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(edit_, text.data(), length + 1);
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return text;
}

}  // namespace vindra::app
