#include "app/text_view_win32.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>

namespace vindra::app {

namespace {

constexpr int kMargin = 2;
constexpr int kMenuCut = 1, kMenuCopy = 2, kMenuPaste = 3, kMenuDelete = 4, kMenuSelectAll = 5, kMenuUndo = 6;
constexpr std::size_t kUndoSteps = 1000;

bool KeyHeld(int key) { return GetKeyState(key) < 0; }

// Characters that end a word for double-click selection.
bool IsWordBreak(unsigned char c) { return c <= ' ' || std::strchr("\",;=\\[]()<>{}|'`", c) != nullptr; }

}  // namespace

HWND TextView::Create(HWND parent, int id, DWORD style, DWORD exStyle) {
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
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
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
    self = new TextView(hwnd);
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
  const std::string& s = buffer_.Line(line);
  int left = 0;
  std::size_t col = 0;
  while (col < s.size()) {
    const std::size_t next = buffer_.NextChar({line, col}).col;
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
  line = std::clamp<long long>(line, 0, static_cast<long long>(buffer_.LineCount()) - 1);
  return {static_cast<std::size_t>(line), ColumnAt(static_cast<std::size_t>(line), x + xOffset_ - kMargin)};
}

void TextView::UpdateScrollBars() {
  RECT r;
  GetClientRect(hwnd_, &r);
  SCROLLINFO si = {};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
  si.nMin = 0;
  si.nMax = static_cast<int>(std::min<std::size_t>(buffer_.LineCount() - 1, 0x7FFFFFFF));
  si.nPage = static_cast<UINT>(VisibleLines());
  si.nPos = static_cast<int>(top_);
  SetScrollInfo(hwnd_, SB_VERT, &si, TRUE);
  // The widest line estimated from its length: exact for fixed-pitch Japanese
  // fonts (a double-byte character is two columns wide), close for others.
  const long long width = static_cast<long long>(buffer_.MaxLineLength()) * aveWidth_ + 2 * kMargin + aveWidth_;
  si.nMax = static_cast<int>(std::min<long long>(std::max<long long>(width, xOffset_ + r.right), 0x7FFFFFFF));
  si.nPage = static_cast<UINT>(std::max<LONG>(r.right, 1));
  si.nPos = xOffset_;
  SetScrollInfo(hwnd_, SB_HORZ, &si, TRUE);
}

void TextView::PlaceCaret() {
  if (!focused_) return;
  const long long row = static_cast<long long>(caret_.line) - top_;
  const int x = kMargin - xOffset_ + TextWidth(buffer_.Line(caret_.line), caret_.col);
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
  if (static_cast<long long>(caret_.line) < top) top = static_cast<long long>(caret_.line);
  if (static_cast<long long>(caret_.line) >= top + visible) top = static_cast<long long>(caret_.line) - visible + 1;
  const int width = static_cast<int>(r.right);
  const int x = kMargin + TextWidth(buffer_.Line(caret_.line), caret_.col);
  int xOffset = xOffset_;
  if (x - xOffset < kMargin) xOffset = std::max(0, x - width / 3);
  if (x - xOffset > width - kMargin - 1) xOffset = x - width + width / 3;
  top_ = std::max<long long>(0, top);
  xOffset_ = std::max(0, xOffset);
}

void TextView::ScrollTo(long long top, long long x) {
  const long long maxTop = std::max<long long>(0, static_cast<long long>(buffer_.LineCount()) - VisibleLines());
  top_ = std::clamp<long long>(top, 0, maxTop);
  xOffset_ = static_cast<int>(std::clamp<long long>(x, 0, 0x7FFFFFF));
  Refresh();
}

void TextView::MoveCaret(TextPos to, bool extend) {
  caret_ = buffer_.Clamp(to);
  if (!extend) anchor_ = caret_;
  EnsureCaretVisible();
  Refresh();
}

void TextView::ShowStart() {
  undo_.clear();
  caret_ = anchor_ = {};
  top_ = 0;
  xOffset_ = 0;
  goalX_ = -1;
  Refresh();
}

void TextView::ShowEnd() {
  undo_.clear();
  caret_ = anchor_ = buffer_.End();
  goalX_ = -1;
  EnsureCaretVisible();
  Refresh();
}

void TextView::SetRedraw(bool on) {
  redraw_ = on;
  Refresh();
}

void TextView::SelectAll() {
  anchor_ = {};
  caret_ = buffer_.End();
  Refresh();
}

void TextView::ReplaceSelection(std::string_view text) {
  const TextPos start = SelStart();
  std::string removed = buffer_.Range(start, SelEnd());
  buffer_.Erase(start, SelEnd());
  caret_ = anchor_ = buffer_.Insert(start, text);
  // Typing goes back in one step, not character by character.
  if (removed.empty() && !undo_.empty() && undo_.back().removed.empty() && !undo_.back().inserted.empty() &&
      undo_.back().end == start && !text.empty() && text != "\r\n") {
    undo_.back().inserted.append(text);
    undo_.back().end = caret_;
  } else if (!removed.empty() || !text.empty()) {
    undo_.push_back({start, caret_, std::move(removed), std::string(text)});
    if (undo_.size() > kUndoSteps) undo_.pop_front();
  }
  goalX_ = -1;
  EnsureCaretVisible();
  Refresh();
}

bool TextView::Undo() {
  if (undo_.empty()) return false;
  const UndoStep step = std::move(undo_.back());
  undo_.pop_back();
  buffer_.Erase(step.at, step.end);
  anchor_ = step.at;
  caret_ = buffer_.Insert(step.at, step.removed);
  goalX_ = -1;
  EnsureCaretVisible();
  Refresh();
  return true;
}

void TextView::DeleteSelection() {
  if (HasSelection()) ReplaceSelection({});
}

void TextView::Copy() {
  if (!HasSelection()) return;
  const std::string text = buffer_.Range(SelStart(), SelEnd());
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

void TextView::SelectWordAt(TextPos p) {
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
  Refresh();
}

void TextView::KeyDown(WPARAM key) {
  const bool shift = KeyHeld(VK_SHIFT), ctrl = KeyHeld(VK_CONTROL);
  const TextPos c = caret_;
  const std::size_t lineLength = buffer_.Line(c.line).size();
  auto vertical = [&](long long lines) {
    if (goalX_ < 0) goalX_ = TextWidth(buffer_.Line(c.line), c.col);
    const long long target =
        std::clamp<long long>(static_cast<long long>(c.line) + lines, 0, static_cast<long long>(buffer_.LineCount()) - 1);
    const int keep = goalX_;
    MoveCaret({static_cast<std::size_t>(target), ColumnAt(static_cast<std::size_t>(target), keep)}, shift);
    goalX_ = keep;
  };
  switch (key) {
    case VK_LEFT:
      goalX_ = -1;
      MoveCaret(HasSelection() && !shift ? SelStart() : buffer_.PrevChar(c), shift);
      break;
    case VK_RIGHT:
      goalX_ = -1;
      MoveCaret(HasSelection() && !shift ? SelEnd() : buffer_.NextChar(c), shift);
      break;
    case VK_UP: vertical(-1); break;
    case VK_DOWN: vertical(1); break;
    case VK_PRIOR: vertical(-VisibleLines()); break;
    case VK_NEXT: vertical(VisibleLines()); break;
    case VK_HOME:
      goalX_ = -1;
      MoveCaret(ctrl ? TextPos{} : TextPos{c.line, 0}, shift);
      break;
    case VK_END:
      goalX_ = -1;
      MoveCaret(ctrl ? buffer_.End() : TextPos{c.line, lineLength}, shift);
      break;
    case VK_DELETE:
      if (shift) {
        Copy();
        DeleteSelection();
      } else if (HasSelection()) {
        DeleteSelection();
      } else {
        anchor_ = buffer_.NextChar(c);
        DeleteSelection();
      }
      break;
    case VK_INSERT:
      if (ctrl) Copy();
      if (shift) Paste();
      break;
    default:
      if (ctrl && key == 'C') Copy();
      if (ctrl && key == 'X') {
        Copy();
        DeleteSelection();
      }
      if (ctrl && key == 'V') Paste();
      if (ctrl && key == 'A') SelectAll();
      if (ctrl && key == 'Z') Undo();
      break;
  }
}

void TextView::Char(unsigned char c) {
  if (leadByte_ >= 0) {
    const char pair[2] = {static_cast<char>(leadByte_), static_cast<char>(c)};
    leadByte_ = -1;
    ReplaceSelection(std::string_view(pair, 2));
    return;
  }
  if (c == '\b') {
    if (!HasSelection()) anchor_ = buffer_.PrevChar(caret_);
    DeleteSelection();
  } else if (c == '\r') {
    ReplaceSelection("\r\n");
  } else if (c == '\t' || c >= 0x20) {
    if (c != 0x7F && IsDBCSLeadByte(c)) {
      leadByte_ = c;
      return;
    }
    if (c != 0x7F) ReplaceSelection(std::string_view(reinterpret_cast<const char*>(&c), 1));
  }
}

void TextView::ContextMenu(int x, int y) {
  HMENU menu = CreatePopupMenu();
  const UINT sel = HasSelection() ? MF_ENABLED : MF_GRAYED;
  AppendMenuA(menu, MF_STRING | (undo_.empty() ? MF_GRAYED : MF_ENABLED), kMenuUndo, "元に戻す(&U)");
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING | sel, kMenuCut, "切り取り(&T)");
  AppendMenuA(menu, MF_STRING | sel, kMenuCopy, "コピー(&C)");
  AppendMenuA(menu, MF_STRING | (IsClipboardFormatAvailable(CF_TEXT) ? MF_ENABLED : MF_GRAYED), kMenuPaste,
              "貼り付け(&P)");
  AppendMenuA(menu, MF_STRING | sel, kMenuDelete, "削除(&D)");
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, kMenuSelectAll, "すべて選択(&A)");
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
    case kMenuCut: Copy(); DeleteSelection(); break;
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
  const TextPos s = SelStart(), e = SelEnd();
  const bool selection = HasSelection();
  const long long first = top_ + ps.rcPaint.top / lineHeight_;
  const long long last = std::min<long long>(top_ + ps.rcPaint.bottom / lineHeight_ + 1,
                                             static_cast<long long>(buffer_.LineCount()) - 1);
  for (long long l = first; l <= last; ++l) {
    const std::string& line = buffer_.Line(static_cast<std::size_t>(l));
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
  switch (msg) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SIZE:
      if (redraw_) UpdateScrollBars();
      return 0;
    case WM_SETFONT:
      font_ = wp != 0 ? reinterpret_cast<HFONT>(wp) : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
      UpdateMetrics();
      if (focused_) {
        CreateCaret(hwnd_, nullptr, 1, lineHeight_);
        ShowCaret(hwnd_);
      }
      if (lp != 0) Refresh();
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
    case WM_SETFOCUS:
      focused_ = true;
      CreateCaret(hwnd_, nullptr, 1, lineHeight_);
      PlaceCaret();
      ShowCaret(hwnd_);
      return 0;
    case WM_KILLFOCUS:
      focused_ = false;
      DestroyCaret();
      return 0;
    case WM_GETDLGCODE: {
      LRESULT code = DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL;
      const MSG* m = reinterpret_cast<const MSG*>(lp);
      if (m == nullptr || m->wParam != VK_TAB) code |= DLGC_WANTALLKEYS;
      return code;
    }
    case WM_KEYDOWN:
      KeyDown(wp);
      return 0;
    case WM_CHAR:
      Char(static_cast<unsigned char>(wp));
      return 0;
    case WM_IME_CHAR: {
      const unsigned w = static_cast<unsigned>(wp);
      if (w > 0xFF) {
        const char pair[2] = {static_cast<char>(w >> 8), static_cast<char>(w & 0xFF)};
        ReplaceSelection(std::string_view(pair, 2));
      } else {
        Char(static_cast<unsigned char>(w));
      }
      return 0;
    }
    case WM_LBUTTONDOWN: {
      SetFocus(hwnd_);
      goalX_ = -1;
      MoveCaret(PosFromPoint(GET_X_LPARAM(lp), GET_Y_LPARAM(lp)), (wp & MK_SHIFT) != 0);
      SetCapture(hwnd_);
      dragging_ = true;
      return 0;
    }
    case WM_MOUSEMOVE:
      if (dragging_) MoveCaret(PosFromPoint(GET_X_LPARAM(lp), GET_Y_LPARAM(lp)), true);
      return 0;
    case WM_LBUTTONUP:
      if (dragging_) {
        dragging_ = false;
        ReleaseCapture();
      }
      return 0;
    case WM_LBUTTONDBLCLK:
      SelectWordAt(PosFromPoint(GET_X_LPARAM(lp), GET_Y_LPARAM(lp)));
      return 0;
    case WM_CAPTURECHANGED:
      dragging_ = false;
      return 0;
    case WM_MOUSEWHEEL:
      ScrollTo(top_ - 3LL * GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA, xOffset_);
      return 0;
    case WM_VSCROLL:
    case WM_HSCROLL: {
      const bool vertical = msg == WM_VSCROLL;
      SCROLLINFO si = {};
      si.cbSize = sizeof si;
      si.fMask = SIF_ALL;
      GetScrollInfo(hwnd_, vertical ? SB_VERT : SB_HORZ, &si);
      const long long page = vertical ? VisibleLines() : static_cast<long long>(si.nPage);
      const long long step = vertical ? 1 : aveWidth_ * 4;
      long long pos = vertical ? top_ : xOffset_;
      switch (LOWORD(wp)) {
        case SB_LINEUP: pos -= step; break;
        case SB_LINEDOWN: pos += step; break;
        case SB_PAGEUP: pos -= page; break;
        case SB_PAGEDOWN: pos += page; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: pos = si.nTrackPos; break;
        case SB_TOP: pos = 0; break;
        case SB_BOTTOM: pos = si.nMax; break;
        default: return 0;
      }
      if (vertical) {
        ScrollTo(pos, xOffset_);
      } else {
        ScrollTo(top_, std::min<long long>(pos, std::max<long long>(0, si.nMax - static_cast<long long>(si.nPage) + 1)));
      }
      return 0;
    }
    case WM_CONTEXTMENU:
      ContextMenu(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      return 0;
    case WM_SETREDRAW:
      SetRedraw(wp != 0);
      return 0;
    case WM_SETTEXT:
      buffer_.SetText(lp != 0 ? reinterpret_cast<const char*>(lp) : "");
      ShowStart();
      return TRUE;
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(buffer_.Length());
    case WM_GETTEXT: {
      if (wp == 0 || lp == 0) return 0;
      const std::string text = buffer_.Text();
      const std::size_t n = std::min<std::size_t>(text.size(), wp - 1);
      std::memcpy(reinterpret_cast<char*>(lp), text.data(), n);
      reinterpret_cast<char*>(lp)[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case EM_GETLINECOUNT:
      return static_cast<LRESULT>(buffer_.LineCount());
    case EM_LINEINDEX: {
      const std::size_t line = static_cast<INT_PTR>(wp) < 0 ? caret_.line : static_cast<std::size_t>(wp);
      if (line >= buffer_.LineCount()) return -1;
      return static_cast<LRESULT>(buffer_.Offset({line, 0}));
    }
    case EM_LINELENGTH: {
      const std::size_t line =
          static_cast<INT_PTR>(wp) < 0 ? caret_.line : buffer_.FromOffset(static_cast<std::size_t>(wp)).line;
      return static_cast<LRESULT>(buffer_.Line(line).size());
    }
    case EM_LINEFROMCHAR:
      return static_cast<LRESULT>(
          static_cast<INT_PTR>(wp) < 0 ? caret_.line : buffer_.FromOffset(static_cast<std::size_t>(wp)).line);
    case EM_GETFIRSTVISIBLELINE:
      return static_cast<LRESULT>(top_);
    case EM_GETSEL: {
      const DWORD start = static_cast<DWORD>(buffer_.Offset(SelStart()));
      const DWORD end = static_cast<DWORD>(buffer_.Offset(SelEnd()));
      if (wp != 0) *reinterpret_cast<DWORD*>(wp) = start;
      if (lp != 0) *reinterpret_cast<DWORD*>(lp) = end;
      return MAKELRESULT(std::min<DWORD>(start, 0xFFFF), std::min<DWORD>(end, 0xFFFF));
    }
    case EM_SETSEL: {
      const INT_PTR start = static_cast<INT_PTR>(static_cast<int>(wp));
      const INT_PTR end = static_cast<INT_PTR>(static_cast<int>(lp));
      if (start < 0) {
        anchor_ = caret_;
      } else {
        anchor_ = buffer_.FromOffset(static_cast<std::size_t>(start));
        caret_ = end < 0 ? buffer_.End() : buffer_.FromOffset(static_cast<std::size_t>(end));
      }
      Refresh();
      return 0;
    }
    case EM_SCROLLCARET:
      EnsureCaretVisible();
      Refresh();
      return 0;
    case EM_REPLACESEL:
      ReplaceSelection(lp != 0 ? reinterpret_cast<const char*>(lp) : "");
      return 0;
    case EM_SETLIMITTEXT:
      return 0;
    case EM_CANUNDO:
      return undo_.empty() ? FALSE : TRUE;
    case EM_UNDO:
    case WM_UNDO:
      return Undo() ? TRUE : FALSE;
    case WM_COPY:
      Copy();
      return 0;
    case WM_CUT:
      Copy();
      DeleteSelection();
      return 0;
    case WM_PASTE:
      Paste();
      return 0;
    case WM_CLEAR:
      DeleteSelection();
      return 0;
  }
  return DefWindowProcA(hwnd_, msg, wp, lp);
}

}  // namespace vindra::app
