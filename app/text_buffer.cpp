#include "app/text_buffer.h"

#include <algorithm>

#include "platform/text.h"

namespace vindra::app {

namespace {

// Lines of `text` split at CR LF, LF or a lone CR; always at least one part.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      parts.push_back(text.substr(start, i - start));
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  parts.push_back(text.substr(start));
  return parts;
}

}  // namespace

std::size_t TextBuffer::CharLength(const std::string& line, std::size_t col) {
  return platform::CharLengthAt(line, col);
}

void TextBuffer::SetText(std::string_view text) {
  lines_.clear();
  maxLine_ = 0;
  const auto parts = SplitLines(text);
  lines_.reserve(parts.size());
  length_ = 0;
  for (std::string_view p : parts) {
    lines_.emplace_back(p);
    length_ += p.size();
    Track(lines_.back());
  }
  length_ += 2 * (lines_.size() - 1);
}

std::string TextBuffer::Text() const {
  std::string out;
  out.reserve(length_);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (i > 0) out += "\r\n";
    out += lines_[i];
  }
  return out;
}

void TextBuffer::AddLine(std::string_view line) {
  std::string text;
  if (lines_.back().empty()) {
    text.reserve(line.size() + 2);
    text.append(line).append("\r\n");
  } else {
    text.reserve(line.size() + 2);
    text.append("\r\n").append(line);
  }
  Insert(End(), text);
}

TextPos TextBuffer::Clamp(TextPos p) const {
  if (p.line >= lines_.size()) return End();
  p.col = CharStart(p.line, std::min(p.col, lines_[p.line].size()));
  return p;
}

std::size_t TextBuffer::CharStart(std::size_t line, std::size_t col) const {
  const std::string& s = lines_[line];
  if (col >= s.size()) return s.size();
  std::size_t i = 0;
  while (i < col) {
    const std::size_t next = i + CharLength(s, i);
    if (next > col) break;
    i = next;
  }
  return i;
}

TextPos TextBuffer::Insert(TextPos at, std::string_view text) {
  at = Clamp(at);
  const auto parts = SplitLines(text);
  std::string& first = lines_[at.line];
  if (parts.size() == 1) {
    first.insert(at.col, parts[0]);
    length_ += parts[0].size();
    Track(first);
    return {at.line, at.col + parts[0].size()};
  }
  std::string tail = first.substr(at.col);
  first.erase(at.col);
  first.append(parts[0]);
  Track(first);
  std::vector<std::string> added;
  added.reserve(parts.size() - 1);
  for (std::size_t i = 1; i < parts.size(); ++i) added.emplace_back(parts[i]);
  const std::size_t lastCol = added.back().size();
  added.back().append(tail);
  for (const auto& l : added) Track(l);
  for (std::string_view p : parts) length_ += p.size();
  length_ += 2 * (parts.size() - 1);
  if (at.line + 1 == lines_.size()) {
    for (auto& l : added) lines_.push_back(std::move(l));
  } else {
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at.line + 1), std::make_move_iterator(added.begin()),
                  std::make_move_iterator(added.end()));
  }
  return {at.line + parts.size() - 1, lastCol};
}

void TextBuffer::Erase(TextPos from, TextPos to) {
  from = Clamp(from);
  to = Clamp(to);
  if (to < from) std::swap(from, to);
  if (from == to) return;
  if (from.line == to.line) {
    lines_[from.line].erase(from.col, to.col - from.col);
    length_ -= to.col - from.col;
    return;
  }
  std::size_t removed = lines_[from.line].size() - from.col + 2 + to.col;
  for (std::size_t l = from.line + 1; l < to.line; ++l) removed += lines_[l].size() + 2;
  lines_[from.line].erase(from.col);
  lines_[from.line].append(lines_[to.line], to.col);
  Track(lines_[from.line]);
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(from.line + 1),
               lines_.begin() + static_cast<std::ptrdiff_t>(to.line + 1));
  length_ -= removed;
}

std::string TextBuffer::Range(TextPos from, TextPos to) const {
  from = Clamp(from);
  to = Clamp(to);
  if (to < from) std::swap(from, to);
  if (from.line == to.line) return lines_[from.line].substr(from.col, to.col - from.col);
  std::string out = lines_[from.line].substr(from.col);
  for (std::size_t l = from.line + 1; l < to.line; ++l) out.append("\r\n").append(lines_[l]);
  out.append("\r\n").append(lines_[to.line], 0, to.col);
  return out;
}

TextPos TextBuffer::NextChar(TextPos p) const {
  p = Clamp(p);
  if (p.col < lines_[p.line].size()) return {p.line, p.col + CharLength(lines_[p.line], p.col)};
  if (p.line + 1 < lines_.size()) return {p.line + 1, 0};
  return p;
}

TextPos TextBuffer::PrevChar(TextPos p) const {
  p = Clamp(p);
  if (p.col > 0) return {p.line, CharStart(p.line, p.col - 1)};
  if (p.line > 0) return {p.line - 1, lines_[p.line - 1].size()};
  return p;
}

std::size_t TextBuffer::Offset(TextPos p) const {
  p = Clamp(p);
  std::size_t offset = 0;
  for (std::size_t l = 0; l < p.line; ++l) offset += lines_[l].size() + 2;
  return offset + p.col;
}

TextPos TextBuffer::FromOffset(std::size_t offset) const {
  for (std::size_t l = 0; l < lines_.size(); ++l) {
    if (offset <= lines_[l].size()) return Clamp({l, offset});
    if (offset < lines_[l].size() + 2) return {l, lines_[l].size()};  // inside the CR LF
    offset -= lines_[l].size() + 2;
  }
  return End();
}

}  // namespace vindra::app
