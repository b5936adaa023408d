#include "app/text_editor.h"

#include <cstring>

#include "platform/text.h"

namespace vindra::app {

KeyBinding BindKey(int virtualKey, bool shift, bool ctrl) {
  switch (virtualKey) {
    case keys::kLeft: return {EditCommand::CharLeft, EditCommand::None, shift};
    case keys::kRight: return {EditCommand::CharRight, EditCommand::None, shift};
    case keys::kUp: return {EditCommand::LineUp, EditCommand::None, shift};
    case keys::kDown: return {EditCommand::LineDown, EditCommand::None, shift};
    case keys::kPageUp: return {EditCommand::PageUp, EditCommand::None, shift};
    case keys::kPageDown: return {EditCommand::PageDown, EditCommand::None, shift};
    case keys::kHome: return {ctrl ? EditCommand::TextStart : EditCommand::LineStart, EditCommand::None, shift};
    case keys::kEnd: return {ctrl ? EditCommand::TextEnd : EditCommand::LineEnd, EditCommand::None, shift};
    case keys::kDelete:
      // Shift+Delete cuts: a copy, then the selection (if any) goes.
      if (shift) return {EditCommand::Copy, EditCommand::DeleteSelection};
      return {EditCommand::DeleteForward};
    case keys::kInsert:
      return {ctrl ? EditCommand::Copy : EditCommand::None, shift ? EditCommand::Paste : EditCommand::None};
  }
  if (!ctrl) return {};
  switch (virtualKey) {
    case 'C': return {EditCommand::Copy};
    case 'X': return {EditCommand::Copy, EditCommand::DeleteSelection};
    case 'V': return {EditCommand::Paste};
    case 'A': return {EditCommand::SelectAll};
    case 'Z': return {EditCommand::Undo};
  }
  return {};
}

bool IsWordBreak(unsigned char c) { return c <= ' ' || std::strchr("\",;=\\[]()<>{}|'`", c) != nullptr; }

void TextEditor::MoveCaret(TextPos to, bool extend) {
  caret_ = buffer_.Clamp(to);
  if (!extend) anchor_ = caret_;
}

void TextEditor::SelectOffsets(long long start, long long end) {
  if (start < 0) {
    anchor_ = caret_;
    return;
  }
  anchor_ = buffer_.FromOffset(static_cast<std::size_t>(start));
  caret_ = end < 0 ? buffer_.End() : buffer_.FromOffset(static_cast<std::size_t>(end));
}

void TextEditor::SelectAll() {
  anchor_ = {};
  caret_ = buffer_.End();
}

void TextEditor::SelectWordAt(TextPos p) {
  const std::string& s = buffer_.Line(p.line);
  std::size_t start = buffer_.CharStart(p.line, p.col), end = start;
  while (start > 0) {
    const std::size_t prev = buffer_.PrevChar({p.line, start}).col;
    if (IsWordBreak(static_cast<unsigned char>(s[prev]))) break;
    start = prev;
  }
  while (end < s.size() && !IsWordBreak(static_cast<unsigned char>(s[end]))) end = buffer_.NextChar({p.line, end}).col;
  anchor_ = {p.line, start};
  caret_ = {p.line, end};
}

void TextEditor::ResetToStart() {
  undo_.clear();
  caret_ = anchor_ = {};
}

void TextEditor::ResetToEnd() {
  undo_.clear();
  caret_ = anchor_ = buffer_.End();
}

void TextEditor::RecordEdit(TextPos start, std::string removed, std::string_view inserted) {
  // Typing goes back in one step, not character by character.
  if (removed.empty() && !undo_.empty() && undo_.back().removed.empty() && !undo_.back().inserted.empty() &&
      undo_.back().end == start && !inserted.empty() && inserted != "\r\n") {
    undo_.back().inserted.append(inserted);
    undo_.back().end = caret_;
  } else if (!removed.empty() || !inserted.empty()) {
    undo_.push_back({start, caret_, std::move(removed), std::string(inserted)});
    if (undo_.size() > kUndoSteps) undo_.pop_front();
  }
}

void TextEditor::ReplaceSelection(std::string_view text) {
  const TextPos start = SelectionStart();
  std::string removed = buffer_.Range(start, SelectionEnd());
  buffer_.Erase(start, SelectionEnd());
  caret_ = anchor_ = buffer_.Insert(start, text);
  RecordEdit(start, std::move(removed), text);
}

void TextEditor::DeleteSelection() {
  if (HasSelection()) ReplaceSelection({});
}

bool TextEditor::Undo() {
  if (undo_.empty()) return false;
  const UndoStep step = std::move(undo_.back());
  undo_.pop_back();
  buffer_.Erase(step.at, step.end);
  anchor_ = step.at;
  caret_ = buffer_.Insert(step.at, step.removed);
  return true;
}

bool TextEditor::TypeByte(unsigned char c) {
  if (leadByte_ >= 0) {
    const char pair[2] = {static_cast<char>(leadByte_), static_cast<char>(c)};
    leadByte_ = -1;
    ReplaceSelection(std::string_view(pair, 2));
    return true;
  }
  if (c == '\b') {
    if (!HasSelection()) anchor_ = buffer_.PrevChar(caret_);
    const bool erases = HasSelection();
    DeleteSelection();
    return erases;
  }
  if (c == '\r') {
    ReplaceSelection("\r\n");
    return true;
  }
  if ((c != '\t' && c < 0x20) || c == 0x7F) return false;
  if (platform::IsAnsiLeadByte(c)) {
    leadByte_ = c;
    return false;
  }
  ReplaceSelection(std::string_view(reinterpret_cast<const char*>(&c), 1));
  return true;
}

bool TextEditor::TypeInputMethodChar(unsigned code) {
  if (code <= 0xFF) return TypeByte(static_cast<unsigned char>(code));
  const char pair[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
  ReplaceSelection(std::string_view(pair, 2));
  return true;
}

void TextEditor::Apply(EditCommand command, bool extend) {
  const TextPos c = caret_;
  switch (command) {
    case EditCommand::CharLeft:
      MoveCaret(HasSelection() && !extend ? SelectionStart() : buffer_.PrevChar(c), extend);
      break;
    case EditCommand::CharRight:
      MoveCaret(HasSelection() && !extend ? SelectionEnd() : buffer_.NextChar(c), extend);
      break;
    case EditCommand::LineStart: MoveCaret({c.line, 0}, extend); break;
    case EditCommand::LineEnd: MoveCaret({c.line, buffer_.Line(c.line).size()}, extend); break;
    case EditCommand::TextStart: MoveCaret({}, extend); break;
    case EditCommand::TextEnd: MoveCaret(buffer_.End(), extend); break;
    case EditCommand::DeleteForward:
      if (!HasSelection()) anchor_ = buffer_.NextChar(c);
      DeleteSelection();
      break;
    case EditCommand::DeleteSelection: DeleteSelection(); break;
    case EditCommand::SelectAll: SelectAll(); break;
    case EditCommand::Undo: Undo(); break;
    default: break;
  }
}

}  // namespace vindra::app
