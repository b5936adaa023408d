// The main window's text area as a Win32 control: an editable multi-line
// text over the TextEditor model, drawn a screen at a time. Unlike the
// system's edit control it does no work per line when text arrives (Wine's
// edit control analyses every line on insertion, about 100 us each), so an
// export of hundreds of thousands of lines shows at once. It answers the edit
// control's messages that other programs and tests use (WM_GETTEXT,
// WM_SETTEXT, EM_SETSEL, EM_REPLACESEL, EM_GETLINECOUNT, EM_LINEINDEX,
// EM_LINELENGTH, WM_COPY, ...). Editing rules live in the model; this control
// draws, measures, scrolls, moves the caret by lines and uses the clipboard.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "app/message_table.h"
#include "app/text_editor.h"

namespace vindra::app {

inline constexpr char kTextViewClass[] = "VindraTextView";

class TextView {
 public:
  // Creates the control (registering its class on first use); the context
  // menu takes its captions from `messages`.
  static HWND Create(HWND parent, int id, DWORD style, DWORD exStyle, const MessageTable& messages);
  // The control object of a window made by Create (null for any other window).
  static TextView* From(HWND hwnd);

  HWND Handle() const { return hwnd_; }
  TextBuffer& Buffer() { return editor_.Buffer(); }
  const TextBuffer& Buffer() const { return editor_.Buffer(); }

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
  TextView(HWND hwnd, const MessageTable& messages) : hwnd_(hwnd), messages_(messages) {}
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  // The message groups of Handle; each returns true when it took the message.
  bool HandleDrawingAndFocus(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  bool HandleKeyboardAndMouse(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  bool HandleScrolling(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  bool HandleTextMessages(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  bool HandleEditMessages(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

  void Paint();
  void UpdateMetrics();
  void UpdateScrollBars();
  void Refresh();  // scroll bars, caret and a full repaint, unless redrawing is off
  void EnsureCaretVisible();
  void PlaceCaret();
  void MoveCaret(TextPos to, bool extend);
  void MoveVertically(long long lines, bool extend);
  void AfterEdit();  // caret shown, display refreshed
  int VisibleLines() const;
  int TextWidth(const std::string& line, std::size_t count) const;
  std::size_t ColumnAt(std::size_t line, int x) const;
  TextPos PosFromPoint(int x, int y) const;
  void Copy();
  void Paste();
  void Cut();
  void DeleteSelection();
  void KeyDown(WPARAM key);
  void RunCommand(EditCommand command, bool extend);
  void Scroll(bool vertical, WPARAM request);
  void ScrollTo(long long top, long long x);
  void ContextMenu(int x, int y);

  HWND hwnd_;
  const MessageTable& messages_;
  TextEditor editor_;
  long long top_ = 0;  // first visible line
  int xOffset_ = 0;    // horizontal scroll in pixels
  int goalX_ = -1;     // caret x kept over vertical moves
  HFONT font_ = nullptr;
  int lineHeight_ = 16, aveWidth_ = 8;
  bool redraw_ = true, focused_ = false, dragging_ = false;
  HDC measureDc_ = nullptr;
};

}  // namespace vindra::app
