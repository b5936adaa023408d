#include "app/text_view_win32.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>

namespace vindra::app {

namespace {

constexpr int kMargin = 2;
constexpr int kMenuCut = 1, kMenuCopy = 2, kMenuPaste = 3, kMenuDelete = 4, kMenuSelectAll = 5, kMenuUndo = 6;

bool KeyHeld(int key) { return GetKeyState(key) < 0; }

}  // namespace

HWND TextView::Create(HWND parent, int id, DWORD style, DWORD exStyle, const MessageTable& messages) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = Proc;
    wc.cbWndExtra = sizeof(TextView*);
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_IBEAM));
    wc.lpszClassName = kTextViewClass;
    registered = RegisterClassExA(&wc) != 0;
  }
  return CreateWindowExA(exStyle, kTextViewClass, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr),
                         const_cast<MessageTable*>(&messages));
}

TextView* TextView::From(HWND hwnd) {
  char cls[32] = {};
  if (hwnd == nullptr || GetClassNameA(hwnd, cls, sizeof cls) == 0 || std::strcmp(cls, kTextViewClass) != 0) {
    return nullptr;
  }
  return reinterpret_cast<TextView*>(GetWindowLongPtrA(hwnd, 0));
}

LRESULT CALLBACK TextView::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<TextView*>(GetWindowLongPtrA(hwnd, 0));
  if (msg == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lp);
    // A window of this class made other than by Create uses the program's table.
    const auto* messages = static_cast<const MessageTable*>(create->lpCreateParams);
    self = new TextView(hwnd, messages != nullptr ? *messages : Messages());
    SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(self));
    self->measureDc_ = CreateCompatibleDC(nullptr);
    self->font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    self->UpdateMetrics();
  }
  if (self == nullptr) return DefWindowProcA(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, 0, 0);
    DeleteDC(self->measureDc_);
    delete self;
    return DefWindowProcA(hwnd, msg, wp, lp);
  }
  return self->Handle(msg, wp, lp);
}

void TextView::UpdateMetrics() {
  SelectObject(measureDc_, font_);
  TEXTMETRICA tm;
  GetTextMetricsA(measureDc_, &tm);
  lineHeight_ = std::max(1, static_cast<int>(tm.tmHeight + tm.tmExternalLeading));
  aveWidth_ = std::max(1, static_cast<int>(tm.tmAveCharWidth));
}

int TextView::TextWidth(const std::string& line, std::size_t count) const {
  if (count == 0) return 0;
  SIZE size = {};
  GetTextExtentPoint32A(measureDc_, line.data(), static_cast<int>(std::min(count, line.size())), &size);
  return size.cx;
}

int TextView::VisibleLines() const {
  RECT r;
  GetClientRect(hwnd_, &r);
  return std::max(1, static_cast<int>(r.bottom / lineHeight_));
}

std::size_t TextView::ColumnAt(std::size_t line, int x) const {
  const std::string& s = Buffer().Line(line);
  int left = 0;
  std::size_t col = 0;
  while (col < s.size()) {
    const std::size_t next = Buffer().NextChar({line, col}).col;
    if (next <= col) break;
    SIZE size = {};
    GetTextExtentPoint32A(measureDc_, s.data() + col, static_cast<int>(next - col), &size);
    if (left + size.cx / 2 >= x) break;
    left += size.cx;
    col = next;
  }
  return col;
}

TextPos TextView::PosFromPoint(int x, int y) const {
  long long line = top_ + (y < 0 ? (y - lineHeight_ + 1) / lineHeight_ : y / lineHeight_);
  line = std::clamp<long long>(line, 0, static_cast<long long>(Buffer().LineCount()) - 1);
  return {static_cast<std::size_t>(line), ColumnAt(static_cast<std::size_t>(line), x + xOffset_ - kMargin)};
}

void TextView::UpdateScrollBars() {
  RECT r;
  GetClientRect(hwnd_, &r);
  SCROLLINFO si = {};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
  si.nMin = 0;
  si.nMax = static_cast<int>(std::min<std::size_t>(Buffer().LineCount() - 1, 0x7FFFFFFF));
  si.nPage = static_cast<UINT>(VisibleLines());
  si.nPos = static_cast<int>(top_);
  SetScrollInfo(hwnd_, SB_VERT, &si, TRUE);
  // The widest line estimated from its length: exact for fixed-pitch Japanese
  // fonts (a double-byte character is two columns wide), close for others.
  const long long width = static_cast<long long>(Buffer().MaxLineLength()) * aveWidth_ + 2 * kMargin + aveWidth_;
  si.nMax = static_cast<int>(std::min<long long>(std::max<long long>(width, xOffset_ + r.right), 0x7FFFFFFF));
  si.nPage = static_cast<UINT>(std::max<LONG>(r.right, 1));
  si.nPos = xOffset_;
  SetScrollInfo(hwnd_, SB_HORZ, &si, TRUE);
}

void TextView::PlaceCaret() {
  if (!focused_) return;
  const long long row = static_cast<long long>(editor_.Caret().line) - top_;
  const int x = kMargin - xOffset_ + TextWidth(Buffer().Line(editor_.Caret().line), editor_.Caret().col);
  SetCaretPos(x, static_cast<int>(std::clamp<long long>(row, -2, 100000) * lineHeight_));
}

void TextView::Refresh() {
  if (!redraw_) return;
  UpdateScrollBars();
  PlaceCaret();
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void TextView::EnsureCaretVisible() {
  RECT r;
  GetClientRect(hwnd_, &r);
  const long long visible = VisibleLines();
  long long top = top_;
  const long long caretLine = static_cast<long long>(editor_.Caret().line);
  if (caretLine < top) top = caretLine;
  if (caretLine >= top + visible) top = caretLine - visible + 1;
  const int width = static_cast<int>(r.right);
  const int x = kMargin + TextWidth(Buffer().Line(editor_.Caret().line), editor_.Caret().col);
  int xOffset = xOffset_;
  if (x - xOffset < kMargin) xOffset = std::max(0, x - width / 3);
  if (x - xOffset > width - kMargin - 1) xOffset = x - width + width / 3;
  top_ = std::max<long long>(0, top);
  xOffset_ = std::max(0, xOffset);
}

void TextView::ScrollTo(long long top, long long x) {
  const long long maxTop = std::max<long long>(0, static_cast<long long>(Buffer().LineCount()) - VisibleLines());
  top_ = std::clamp<long long>(top, 0, maxTop);
  xOffset_ = static_cast<int>(std::clamp<long long>(x, 0, 0x7FFFFFF));
  Refresh();
}

void TextView::MoveCaret(TextPos to, bool extend) {
  editor_.MoveCaret(to, extend);
  EnsureCaretVisible();
  Refresh();
}

void TextView::MoveVertically(long long lines, bool extend) {
  const TextPos c = editor_.Caret();
  if (goalX_ < 0) goalX_ = TextWidth(Buffer().Line(c.line), c.col);
  const long long lastLine = static_cast<long long>(Buffer().LineCount()) - 1;
  const long long target = std::clamp<long long>(static_cast<long long>(c.line) + lines, 0, lastLine);
  const int keep = goalX_;
  MoveCaret({static_cast<std::size_t>(target), ColumnAt(static_cast<std::size_t>(target), keep)}, extend);
  goalX_ = keep;
}

void TextView::AfterEdit() {
  goalX_ = -1;
  EnsureCaretVisible();
  Refresh();
}

void TextView::ShowStart() {
  editor_.ResetToStart();
  top_ = 0;
  xOffset_ = 0;
  goalX_ = -1;
  Refresh();
}

void TextView::ShowEnd() {
  editor_.ResetToEnd();
  goalX_ = -1;
  EnsureCaretVisible();
  Refresh();
}

void TextView::SetRedraw(bool on) {
  redraw_ = on;
  Refresh();
}

void TextView::SelectAll() {
  editor_.SelectAll();
  Refresh();
}

void TextView::ReplaceSelection(std::string_view text) {
  editor_.ReplaceSelection(text);
  AfterEdit();
}

bool TextView::Undo() {
  if (!editor_.Undo()) return false;
  AfterEdit();
  return true;
}

void TextView::DeleteSelection() {
  if (editor_.HasSelection()) ReplaceSelection({});
}

void TextView::Copy() {
  if (!editor_.HasSelection()) return;
  const std::string text = editor_.SelectedText();
  if (!OpenClipboard(hwnd_)) return;
  EmptyClipboard();
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  if (h != nullptr) {
    std::memcpy(GlobalLock(h), text.c_str(), text.size() + 1);
    GlobalUnlock(h);
    if (SetClipboardData(CF_TEXT, h) == nullptr) GlobalFree(h);
  }
  CloseClipboard();
}

void TextView::Paste() {
  if (!OpenClipboard(hwnd_)) return;
  std::string text;
  if (HANDLE h = GetClipboardData(CF_TEXT)) {
    if (const char* p = static_cast<const char*>(GlobalLock(h))) {
      text.assign(p, strnlen(p, GlobalSize(h)));
      GlobalUnlock(h);
    }
  }
  CloseClipboard();
  if (!text.empty()) ReplaceSelection(text);
}

void TextView::Cut() {
  Copy();
  DeleteSelection();
}

void TextView::KeyDown(WPARAM key) {
  const KeyBinding binding = BindKey(static_cast<int>(key), KeyHeld(VK_SHIFT), KeyHeld(VK_CONTROL));
  RunCommand(binding.first, binding.extend);
  RunCommand(binding.second, binding.extend);
}

void TextView::RunCommand(EditCommand command, bool extend) {
  switch (command) {
    case EditCommand::None: return;
    case EditCommand::LineUp: MoveVertically(-1, extend); return;
    case EditCommand::LineDown: MoveVertically(1, extend); return;
    case EditCommand::PageUp: MoveVertically(-VisibleLines(), extend); return;
    case EditCommand::PageDown: MoveVertically(VisibleLines(), extend); return;
    case EditCommand::Copy: Copy(); return;
    case EditCommand::Paste: Paste(); return;
    case EditCommand::SelectAll: SelectAll(); return;
    case EditCommand::Undo: Undo(); return;
    case EditCommand::DeleteSelection: DeleteSelection(); return;
    default:
      editor_.Apply(command, extend);
      AfterEdit();
      return;
  }
}

void TextView::ContextMenu(int x, int y) {
  HMENU menu = CreatePopupMenu();
  const UINT sel = editor_.HasSelection() ? MF_ENABLED : MF_GRAYED;
  auto caption = [&](MessageId id) { return messages_.Get(id).c_str(); };
  AppendMenuA(menu, MF_STRING | (editor_.CanUndo() ? MF_ENABLED : MF_GRAYED), kMenuUndo, caption(MessageId::MenuUndo));
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING | sel, kMenuCut, caption(MessageId::MenuCut));
  AppendMenuA(menu, MF_STRING | sel, kMenuCopy, caption(MessageId::MenuCopy));
  AppendMenuA(menu, MF_STRING | (IsClipboardFormatAvailable(CF_TEXT) ? MF_ENABLED : MF_GRAYED), kMenuPaste,
              caption(MessageId::MenuPaste));
  AppendMenuA(menu, MF_STRING | sel, kMenuDelete, caption(MessageId::MenuDelete));
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, kMenuSelectAll, caption(MessageId::MenuSelectAll));
  if (x == -1 && y == -1) {
    POINT p;
    GetCaretPos(&p);
    ClientToScreen(hwnd_, &p);
    x = p.x;
    y = p.y;
  }
  const int choice = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0, hwnd_, nullptr);
  DestroyMenu(menu);
  switch (choice) {
    case kMenuUndo: Undo(); break;
    case kMenuCut: Cut(); break;
    case kMenuCopy: Copy(); break;
    case kMenuPaste: Paste(); break;
    case kMenuDelete: DeleteSelection(); break;
    case kMenuSelectAll: SelectAll(); break;
  }
}

void TextView::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  RECT client;
  GetClientRect(hwnd_, &client);
  FillRect(dc, &ps.rcPaint, GetSysColorBrush(IsWindowEnabled(hwnd_) ? COLOR_WINDOW : COLOR_BTNFACE));
  HGDIOBJ oldFont = SelectObject(dc, font_);
  SetBkMode(dc, TRANSPARENT);
  const TextPos s = editor_.SelectionStart(), e = editor_.SelectionEnd();
  const bool selection = editor_.HasSelection();
  const long long first = top_ + ps.rcPaint.top / lineHeight_;
  const long long last = std::min<long long>(top_ + ps.rcPaint.bottom / lineHeight_ + 1,
                                             static_cast<long long>(Buffer().LineCount()) - 1);
  for (long long l = first; l <= last; ++l) {
    const std::string& line = Buffer().Line(static_cast<std::size_t>(l));
    const int y = static_cast<int>((l - top_) * lineHeight_);
    const int x0 = kMargin - xOffset_;
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    ExtTextOutA(dc, x0, y, 0, nullptr, line.data(), static_cast<UINT>(line.size()), nullptr);
    const std::size_t ul = static_cast<std::size_t>(l);
    if (selection && ul >= s.line && ul <= e.line) {
      const std::size_t from = ul == s.line ? s.col : 0;
      const std::size_t to = ul == e.line ? e.col : line.size();
      RECT band = {x0 + TextWidth(line, from), y, x0 + TextWidth(line, to), y + lineHeight_};
      if (ul != e.line) band.right += aveWidth_;  // the line break is selected too
      FillRect(dc, &band, GetSysColorBrush(COLOR_HIGHLIGHT));
      SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
      ExtTextOutA(dc, x0, y, ETO_CLIPPED, &band, line.data(), static_cast<UINT>(line.size()), nullptr);
    }
  }
  SelectObject(dc, oldFont);
  EndPaint(hwnd_, &ps);
}

LRESULT TextView::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result = 0;
  if (HandleDrawingAndFocus(msg, wp, lp, result) || HandleKeyboardAndMouse(msg, wp, lp, result) ||
      HandleScrolling(msg, wp, lp, result) || HandleTextMessages(msg, wp, lp, result) ||
      HandleEditMessages(msg, wp, lp, result)) {
    return result;
  }
  return DefWindowProcA(hwnd_, msg, wp, lp);
}

bool TextView::HandleDrawingAndFocus(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_PAINT:
      Paint();
      return true;
    case WM_ERASEBKGND:
      result = 1;
      return true;
    case WM_SIZE:
      if (redraw_) UpdateScrollBars();
      return true;
    case WM_SETFONT:
      font_ = wp != 0 ? reinterpret_cast<HFONT>(wp) : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
      UpdateMetrics();
      if (focused_) {
        CreateCaret(hwnd_, nullptr, 1, lineHeight_);
        ShowCaret(hwnd_);
      }
      if (lp != 0) Refresh();
      return true;
    case WM_GETFONT:
      result = reinterpret_cast<LRESULT>(font_);
      return true;
    case WM_SETFOCUS:
      focused_ = true;
      CreateCaret(hwnd_, nullptr, 1, lineHeight_);
      PlaceCaret();
      ShowCaret(hwnd_);
      return true;
    case WM_KILLFOCUS:
      focused_ = false;
      DestroyCaret();
      return true;
    case WM_SETREDRAW:
      SetRedraw(wp != 0);
      return true;
  }
  return false;
}

bool TextView::HandleKeyboardAndMouse(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_GETDLGCODE: {
      result = DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL;
      const MSG* m = reinterpret_cast<const MSG*>(lp);
      if (m == nullptr || m->wParam != VK_TAB) result |= DLGC_WANTALLKEYS;
      return true;
    }
    case WM_KEYDOWN:
      KeyDown(wp);
      return true;
    case WM_CHAR:
      if (editor_.TypeByte(static_cast<unsigned char>(wp))) AfterEdit();
      return true;
    case WM_IME_CHAR:
      if (editor_.TypeInputMethodChar(static_cast<unsigned>(wp))) AfterEdit();
      return true;
    case WM_LBUTTONDOWN:
      SetFocus(hwnd_);
      goalX_ = -1;
      MoveCaret(PosFromPoint(GET_X_LPARAM(lp), GET_Y_LPARAM(lp)), (wp & MK_SHIFT) != 0);
      SetCapture(hwnd_);
      dragging_ = true;
      return true;
    case WM_MOUSEMOVE:
      if (dragging_) MoveCaret(PosFromPoint(GET_X_LPARAM(lp), GET_Y_LPARAM(lp)), true);
      return true;
    case WM_LBUTTONUP:
      if (dragging_) {
        dragging_ = false;
        ReleaseCapture();
      }
      return true;
    case WM_LBUTTONDBLCLK:
      editor_.SelectWordAt(PosFromPoint(GET_X_LPARAM(lp), GET_Y_LPARAM(lp)));
      Refresh();
      return true;
    case WM_CAPTURECHANGED:
      dragging_ = false;
      return true;
    case WM_CONTEXTMENU:
      ContextMenu(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      return true;
  }
  return false;
}

void TextView::Scroll(bool vertical, WPARAM request) {
  SCROLLINFO si = {};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  GetScrollInfo(hwnd_, vertical ? SB_VERT : SB_HORZ, &si);
  const long long page = vertical ? VisibleLines() : static_cast<long long>(si.nPage);
  const long long step = vertical ? 1 : aveWidth_ * 4;
  long long pos = vertical ? top_ : xOffset_;
  switch (LOWORD(request)) {
    case SB_LINEUP: pos -= step; break;
    case SB_LINEDOWN: pos += step; break;
    case SB_PAGEUP: pos -= page; break;
    case SB_PAGEDOWN: pos += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: pos = si.nTrackPos; break;
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = si.nMax; break;
    default: return;
  }
  if (vertical) {
    ScrollTo(pos, xOffset_);
  } else {
    ScrollTo(top_, std::min<long long>(pos, std::max<long long>(0, si.nMax - static_cast<long long>(si.nPage) + 1)));
  }
}

bool TextView::HandleScrolling(UINT msg, WPARAM wp, LPARAM, LRESULT&) {
  switch (msg) {
    case WM_MOUSEWHEEL:
      ScrollTo(top_ - 3LL * GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA, xOffset_);
      return true;
    case WM_VSCROLL:
    case WM_HSCROLL:
      Scroll(msg == WM_VSCROLL, wp);
      return true;
    case EM_SCROLLCARET:
      EnsureCaretVisible();
      Refresh();
      return true;
  }
  return false;
}

// The whole text and its lines, as the edit control gives them.
bool TextView::HandleTextMessages(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  const std::size_t caretLine = editor_.Caret().line;
  switch (msg) {
    case WM_SETTEXT:
      Buffer().SetText(lp != 0 ? reinterpret_cast<const char*>(lp) : "");
      ShowStart();
      result = TRUE;
      return true;
    case WM_GETTEXTLENGTH:
      result = static_cast<LRESULT>(Buffer().Length());
      return true;
    case WM_GETTEXT: {
      if (wp == 0 || lp == 0) return true;
      const std::string text = Buffer().Text();
      const std::size_t n = std::min<std::size_t>(text.size(), wp - 1);
      std::memcpy(reinterpret_cast<char*>(lp), text.data(), n);
      reinterpret_cast<char*>(lp)[n] = '\0';
      result = static_cast<LRESULT>(n);
      return true;
    }
    case EM_GETLINECOUNT:
      result = static_cast<LRESULT>(Buffer().LineCount());
      return true;
    case EM_LINEINDEX: {
      const std::size_t line = static_cast<INT_PTR>(wp) < 0 ? caretLine : static_cast<std::size_t>(wp);
      result = line >= Buffer().LineCount() ? -1 : static_cast<LRESULT>(Buffer().Offset({line, 0}));
      return true;
    }
    case EM_LINELENGTH: {
      const std::size_t line =
          static_cast<INT_PTR>(wp) < 0 ? caretLine : Buffer().FromOffset(static_cast<std::size_t>(wp)).line;
      result = static_cast<LRESULT>(Buffer().Line(line).size());
      return true;
    }
    case EM_LINEFROMCHAR:
      result = static_cast<LRESULT>(
          static_cast<INT_PTR>(wp) < 0 ? caretLine : Buffer().FromOffset(static_cast<std::size_t>(wp)).line);
      return true;
    case EM_GETFIRSTVISIBLELINE:
      result = static_cast<LRESULT>(top_);
      return true;
  }
  return false;
}

// Selection, replacement, undo and the clipboard, as the edit control takes them.
bool TextView::HandleEditMessages(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case EM_GETSEL: {
      const DWORD start = static_cast<DWORD>(Buffer().Offset(editor_.SelectionStart()));
      const DWORD end = static_cast<DWORD>(Buffer().Offset(editor_.SelectionEnd()));
      if (wp != 0) *reinterpret_cast<DWORD*>(wp) = start;
      if (lp != 0) *reinterpret_cast<DWORD*>(lp) = end;
      result = MAKELRESULT(std::min<DWORD>(start, 0xFFFF), std::min<DWORD>(end, 0xFFFF));
      return true;
    }
    case EM_SETSEL:
      editor_.SelectOffsets(static_cast<int>(wp), static_cast<int>(lp));
      Refresh();
      return true;
    case EM_REPLACESEL:
      ReplaceSelection(lp != 0 ? reinterpret_cast<const char*>(lp) : "");
      return true;
    case EM_SETLIMITTEXT:
      return true;
    case EM_CANUNDO:
      result = editor_.CanUndo() ? TRUE : FALSE;
      return true;
    case EM_UNDO:
    case WM_UNDO:
      result = Undo() ? TRUE : FALSE;
      return true;
    case WM_COPY:
      Copy();
      return true;
    case WM_CUT:
      Cut();
      return true;
    case WM_PASTE:
      Paste();
      return true;
    case WM_CLEAR:
      DeleteSelection();
      return true;
  }
  return false;
}

}  // namespace vindra::app
