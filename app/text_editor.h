// The editing model of the main window's text area, independent of the
// windowing toolkit: a TextBuffer with a caret and a selection, the user's
// edits with their undo history (typing merges into one step), word
// selection, the key bindings, and the pairing of double-byte characters that
// arrive as two typed bytes. The Win32 text control draws it, measures text,
// moves the caret by lines and talks to the clipboard; everything else it
// forwards here.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

#include "app/text_buffer.h"

namespace vindra::app {

// Virtual-key codes of the keys the text area binds (the Win32 values).
namespace keys {
inline constexpr int kPageUp = 0x21, kPageDown = 0x22, kEnd = 0x23, kHome = 0x24;
inline constexpr int kLeft = 0x25, kUp = 0x26, kRight = 0x27, kDown = 0x28;
inline constexpr int kInsert = 0x2D, kDelete = 0x2E;
}  // namespace keys

enum class EditCommand {
  None,
  CharLeft,    // with a selection and not extending: to the selection's start
  CharRight,   // with a selection and not extending: to the selection's end
  LineUp,      // vertical moves keep the caret's x: the text control does them
  LineDown,
  PageUp,
  PageDown,
  LineStart,
  LineEnd,
  TextStart,
  TextEnd,
  DeleteForward,      // the selection, or else the character after the caret
  DeleteSelection,    // the selection only
  Copy,               // clipboard commands: the text control does them
  Paste,
  SelectAll,
  Undo,
};

// What a key press does: up to two commands in turn (Ctrl+Shift+Insert
// copies, then pastes); `extend` moves the caret keeping the anchor.
struct KeyBinding {
  EditCommand first = EditCommand::None;
  EditCommand second = EditCommand::None;
  bool extend = false;
};
KeyBinding BindKey(int virtualKey, bool shift, bool ctrl);

// Characters that end a word for double-click selection.
bool IsWordBreak(unsigned char c);

// The most steps the undo history keeps.
inline constexpr std::size_t kUndoSteps = 1000;

class TextEditor {
 public:
  TextBuffer& Buffer() { return buffer_; }
  const TextBuffer& Buffer() const { return buffer_; }

  TextPos Caret() const { return caret_; }
  TextPos Anchor() const { return anchor_; }
  bool HasSelection() const { return anchor_ != caret_; }
  TextPos SelectionStart() const { return anchor_ < caret_ ? anchor_ : caret_; }
  TextPos SelectionEnd() const { return anchor_ < caret_ ? caret_ : anchor_; }
  std::string SelectedText() const { return buffer_.Range(SelectionStart(), SelectionEnd()); }

  // The caret to `to` (clamped to a character start); the anchor follows
  // unless `extend`.
  void MoveCaret(TextPos to, bool extend);
  // Selection by character offsets as the edit control's EM_SETSEL takes
  // them: a negative start only drops the selection, a negative end means the
  // end of the text.
  void SelectOffsets(long long start, long long end);
  void SelectAll();
  // The word around `p` (up to the word breaks on either side).
  void SelectWordAt(TextPos p);

  // After the program replaced or appended text: caret at the start or after
  // the end, and the undo history gone (the program's text is not undone).
  void ResetToStart();
  void ResetToEnd();

  // The user's edit: the selection replaced by `text`, caret after it.
  // Typing right after typed text extends that step, so it goes back at once;
  // a line break starts a new step.
  void ReplaceSelection(std::string_view text);
  void DeleteSelection();
  bool CanUndo() const { return !undo_.empty(); }
  // Takes back the last edit, selecting what it had removed; false when there is none.
  bool Undo();

  // One typed byte (WM_CHAR): backspace, Enter (a CR LF), tab and printable
  // bytes; other control bytes and DEL are ignored. A lead byte waits for its
  // trail byte, and the two go in as one character. True when the text changed.
  bool TypeByte(unsigned char c);
  // A character from an input method: a double-byte character as one code
  // (lead byte in the high byte), or a single byte. True when the text changed.
  bool TypeInputMethodChar(unsigned code);

  // The commands of BindKey that need neither measuring nor the clipboard
  // (CharLeft, CharRight, LineStart, LineEnd, TextStart, TextEnd,
  // DeleteForward, DeleteSelection, SelectAll, Undo); others do nothing.
  void Apply(EditCommand command, bool extend);

 private:
  struct UndoStep {
    TextPos at, end;  // `end`: after the inserted text
    std::string removed, inserted;
  };
  void RecordEdit(TextPos start, std::string removed, std::string_view inserted);

  TextBuffer buffer_;
  std::deque<UndoStep> undo_;
  TextPos caret_, anchor_;
  int leadByte_ = -1;  // first byte of a double-byte character typed in two parts
};

}  // namespace vindra::app
