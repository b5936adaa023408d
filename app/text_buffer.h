// The text of OutputArea as a list of lines of ANSI (DBCS) text, with the editing
// operations of a multi-line text area: insert, erase, ranges, character-wise
// movement that never splits a double-byte character, and the output list's
// append rule. Appending a line costs the same however long the text is.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vindra::app {

struct TextPos {
  std::size_t line = 0;
  std::size_t col = 0;  // byte offset within the line
  bool operator==(const TextPos&) const = default;
  auto operator<=>(const TextPos&) const = default;
};

class TextBuffer {
 public:
  TextBuffer() : lines_(1) {}

  std::size_t LineCount() const { return lines_.size(); }  // at least 1
  const std::string& Line(std::size_t i) const { return lines_[i]; }
  bool Empty() const { return lines_.size() == 1 && lines_[0].empty(); }
  // Bytes of the whole text with CR LF between lines.
  std::size_t Length() const { return length_; }
  // The longest line in bytes (an upper bound after erasures).
  std::size_t MaxLineLength() const { return maxLine_; }

  // Lines end at CR LF, LF or a lone CR; in Text() every break is CR LF.
  void SetText(std::string_view text);
  std::string Text() const;
  void Clear() { SetText({}); }

  // Appends `line` by the text area's rule: after the last line break, or
  // after a new one when the text does not end with one; CR LF follows it.
  void AddLine(std::string_view line);

  // Inserts text at `at` (clamped); returns the position after it.
  TextPos Insert(TextPos at, std::string_view text);
  // Erases [from, to) (ordered and clamped first).
  void Erase(TextPos from, TextPos to);
  std::string Range(TextPos from, TextPos to) const;

  TextPos Clamp(TextPos p) const;
  TextPos End() const { return {lines_.size() - 1, lines_.back().size()}; }
  // The start of the character at or before `col` (never inside a DBCS pair).
  std::size_t CharStart(std::size_t line, std::size_t col) const;
  TextPos NextChar(TextPos p) const;  // crosses line ends
  TextPos PrevChar(TextPos p) const;

  // Character offsets with CR LF counting two (as the edit control messages use).
  std::size_t Offset(TextPos p) const;
  TextPos FromOffset(std::size_t offset) const;

 private:
  static std::size_t CharLength(const std::string& line, std::size_t col);
  void Track(const std::string& line) {
    if (line.size() > maxLine_) maxLine_ = line.size();
  }

  std::vector<std::string> lines_;
  std::size_t length_ = 0;
  std::size_t maxLine_ = 0;
};

}  // namespace vindra::app
