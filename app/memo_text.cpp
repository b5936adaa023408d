#include "app/memo_text.h"

namespace vindra::app {

namespace {

bool EndsWithLineBreak(std::string_view text) {
  return text.size() >= 2 && text[text.size() - 2] == '\r' && text.back() == '\n';
}

// The text inserted at the end of a text with the given tail.
void AppendLine(bool empty, bool endsWithLineBreak, std::string_view line, std::string& out) {
  if (!empty && !endsWithLineBreak) out += "\r\n";
  out += line;
  if (empty || endsWithLineBreak) out += "\r\n";
}

}  // namespace

std::string MemoAppendText(std::string_view current, std::string_view line) {
  std::string out;
  AppendLine(current.empty(), EndsWithLineBreak(current), line, out);
  return out;
}

void MemoText::Add(std::string_view line) {
  AppendLine(text_.empty(), EndsWithLineBreak(text_), line, text_);
}

void PendingMemoUpdate::Begin(bool controlEmpty, bool controlEndsWithLineBreak) {
  controlEmpty_ = controlEmpty;
  controlEndsWithLineBreak_ = controlEndsWithLineBreak;
  replaceAll_ = false;
  text_.clear();
}

void PendingMemoUpdate::Clear() {
  replaceAll_ = true;
  controlEmpty_ = true;
  controlEndsWithLineBreak_ = false;
  text_.clear();
}

void PendingMemoUpdate::Add(std::string_view line) {
  if (text_.empty()) {
    AppendLine(controlEmpty_, controlEndsWithLineBreak_, line, text_);
  } else {
    AppendLine(false, EndsWithLineBreak(text_), line, text_);
  }
}

}  // namespace vindra::app
