// The text control behind Memo1: an editable multi-line text area over a
// TextBuffer, drawn a screen at a time. Unlike the system's edit control it
// does no work per line when text arrives (Wine's edit control analyses every
// line on insertion, about 100 us each), so an export of hundreds of
// thousands of lines shows at once. It answers the edit control's messages
// that other programs and tests use (WM_GETTEXT, WM_SETTEXT, EM_SETSEL,
// EM_REPLACESEL, EM_GETLINECOUNT, EM_LINEINDEX, EM_LINELENGTH, WM_COPY, ...).
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <string_view>

#include "app/text_buffer.h"

namespace vindra::app {

inline constexpr char kTextViewClass[] = "TVindraMemo";

class TextView {
 public:
  // Creates the control (registering its class on first use).
  static HWND Create(HWND parent, int id, DWORD style, DWORD exStyle);
  // The control object of a window made by Create (null for any other window).
  static TextView* From(HWND hwnd);

  HWND Handle() const { return hwnd_; }
  TextBuffer& Buffer() { return buffer_; }
  const TextBuffer& Buffer() const { return buffer_; }

  // After the program changed the buffer: caret and view at the start of the
  // text (a replaced text) or after its end (appended lines).
  void ShowStart();
  void ShowEnd();
  void SetRedraw(bool on);
  void SelectAll();
  void ReplaceSelection(std::string_view text);
  // Takes back the user's last edit; false when there is none.
  bool Undo();

 private:
  explicit TextView(HWND hwnd) : hwnd_(hwnd) {}
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);

  void Paint();
  void UpdateMetrics();
  void UpdateScrollBars();
  void Refresh();  // scroll bars, caret and a full repaint, unless redrawing is off
  void EnsureCaretVisible();
  void PlaceCaret();
  void MoveCaret(TextPos to, bool extend);
  int VisibleLines() const;
  int TextWidth(const std::string& line, std::size_t count) const;
  std::size_t ColumnAt(std::size_t line, int x) const;
  TextPos PosFromPoint(int x, int y) const;
  bool HasSelection() const { return anchor_ != caret_; }
  TextPos SelStart() const { return anchor_ < caret_ ? anchor_ : caret_; }
  TextPos SelEnd() const { return anchor_ < caret_ ? caret_ : anchor_; }
  void DeleteSelection();
  void Copy();
  void Paste();
  void KeyDown(WPARAM key);
  void Char(unsigned char c);
  void SelectWordAt(TextPos p);
  void ScrollTo(long long top, long long x);
  void ContextMenu(int x, int y);

  // One edit of the user: `removed` was replaced by `inserted` at `at`.
  struct UndoStep {
    TextPos at, end;  // `end`: after the inserted text
    std::string removed, inserted;
  };

  HWND hwnd_;
  TextBuffer buffer_;
  std::deque<UndoStep> undo_;  // the program's own changes clear it
  TextPos caret_, anchor_;
  long long top_ = 0;  // first visible line
  int xOffset_ = 0;    // horizontal scroll in pixels
  int goalX_ = -1;     // caret x kept over vertical moves
  HFONT font_ = nullptr;
  int lineHeight_ = 16, aveWidth_ = 8;
  bool redraw_ = true, focused_ = false, dragging_ = false;
  int leadByte_ = -1;  // first byte of a double-byte character typed in two WM_CHARs
  HDC measureDc_ = nullptr;
};

}  // namespace vindra::app
