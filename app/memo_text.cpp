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

void MemoText::Add(std::string_view line) {
  AppendLine(text_.empty(), EndsWithLineBreak(text_), line, text_);
}

}  // namespace vindra::app
