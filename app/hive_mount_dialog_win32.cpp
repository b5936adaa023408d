#include "app/hive_mount_dialog_win32.h"

#include <algorithm>

namespace vindra::app {
namespace {

constexpr int kMargin = 12;
constexpr int kClientWidth = 400;
constexpr int kChoiceIndent = 24;
constexpr int kOkWidth = 81, kCancelWidth = 83, kButtonHeight = 22, kButtonGap = 8;

// An empty in-memory dialog template; the controls are made in WM_INITDIALOG.
struct alignas(4) EmptyDialogTemplate {
  DLGTEMPLATE header;
  WORD menu = 0;
  WORD windowClass = 0;
  WORD title = 0;
};

HWND Control(HWND dialog, const char* cls, const std::string& text, DWORD style, int id, RECT r, HFONT font) {
  HWND c = CreateWindowExA(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleA(nullptr), nullptr);
  if (font != nullptr) SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return c;
}

}  // namespace

std::optional<std::size_t> HiveMountDialog::Ask(std::string_view fileName, std::string_view question,
                                                const std::vector<std::string>& choices) {
  fileName_.assign(fileName);
  question_.assign(question);
  choices_ = choices;
  chosen_ = 0;
  if (choices_.empty()) return std::nullopt;
  EmptyDialogTemplate t{};
  t.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  t.header.cx = 200;
  t.header.cy = 100;
  const INT_PTR result = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), &t.header, owner_, DialogProc,
                                                 reinterpret_cast<LPARAM>(this));
  if (result != IDOK) return std::nullopt;
  return chosen_;
}

INT_PTR CALLBACK HiveMountDialog::DialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) SetWindowLongPtrA(dialog, DWLP_USER, lparam);
  auto* self = reinterpret_cast<HiveMountDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
  return self != nullptr ? self->Handle(dialog, message, wparam) : FALSE;
}

void HiveMountDialog::CreateControls(HWND dialog) {
  SetWindowTextA(dialog, "Vindra");
  // Line height and the question's wrapped height in the controls' font.
  HDC dc = GetDC(dialog);
  HGDIOBJ old = font_ != nullptr ? SelectObject(dc, font_) : nullptr;
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  const int line = std::max<int>(metrics.tmHeight, 12) + 4;
  RECT text = {0, 0, kClientWidth - 2 * kMargin, 0};
  DrawTextA(dc, question_.c_str(), static_cast<int>(question_.size()), &text, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  if (old != nullptr) SelectObject(dc, old);
  ReleaseDC(dialog, dc);

  int y = kMargin;
  Control(dialog, "STATIC", fileName_, SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, kHiveMountFileNameId,
          {kMargin, y, kClientWidth - kMargin, y + line}, font_);
  y += line + 6;
  const int questionHeight = std::max<int>(text.bottom, line);
  Control(dialog, "STATIC", question_, SS_LEFT | SS_NOPREFIX, kHiveMountQuestionId,
          {kMargin, y, kClientWidth - kMargin, y + questionHeight}, font_);
  y += questionHeight + 8;
  HWND firstChoice = nullptr;
  for (std::size_t i = 0; i < choices_.size(); ++i) {
    // One group: the arrow keys move between the choices, Tab leaves them.
    const DWORD style = BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0);
    HWND radio = Control(dialog, "BUTTON", choices_[i], style, kHiveMountFirstChoiceId + static_cast<int>(i),
                         {kChoiceIndent, y, kClientWidth - kMargin, y + line + 2}, font_);
    if (i == 0) {
      SendMessageA(radio, BM_SETCHECK, BST_CHECKED, 0);
      firstChoice = radio;
    }
    y += line + 4;
  }
  y += 8;
  const int cancelLeft = kClientWidth - kMargin - kCancelWidth;
  const int okLeft = cancelLeft - kButtonGap - kOkWidth;
  Control(dialog, "BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, IDOK,
                    {okLeft, y, okLeft + kOkWidth, y + kButtonHeight}, font_);
  Control(dialog, "BUTTON", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL,
          {cancelLeft, y, cancelLeft + kCancelWidth, y + kButtonHeight}, font_);
  const int clientHeight = y + kButtonHeight + kMargin;

  // The designed client size, centred over the main window.
  RECT outer = {0, 0, kClientWidth, clientHeight};
  AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_EXSTYLE)));
  const int width = outer.right - outer.left, height = outer.bottom - outer.top;
  RECT owner = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (owner_ != nullptr) GetWindowRect(owner_, &owner);
  SetWindowPos(dialog, nullptr, owner.left + (owner.right - owner.left - width) / 2,
               owner.top + (owner.bottom - owner.top - height) / 2, width, height, SWP_NOZORDER);
  SendMessageA(dialog, DM_SETDEFID, IDOK, 0);
  SetFocus(firstChoice);
}

INT_PTR HiveMountDialog::Handle(HWND dialog, UINT message, WPARAM wparam) {
  switch (message) {
    case WM_INITDIALOG:
      CreateControls(dialog);
      return FALSE;  // the focus is set
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) {
        for (std::size_t i = 0; i < choices_.size(); ++i) {
          if (IsDlgButtonChecked(dialog, kHiveMountFirstChoiceId + static_cast<int>(i)) == BST_CHECKED) chosen_ = i;
        }
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

}  // namespace vindra::app
