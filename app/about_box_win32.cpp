#include "app/about_box_win32.h"

#include <shellapi.h>

#include <vector>

#include "app/about_box.h"
#include "app/language_file.h"
#include "app/win32_fonts.h"

namespace vindra::app {

void (*TAboutBox::onPrepared)(HWND box) = nullptr;

namespace {

// Panel1 and the controls inside it, positions relative to the panel.
constexpr RECT kPanel = {4, 4, 4 + 248, 4 + 112};

HWND Label(HWND parent, const char* text, int x, int y, int w, int h, DWORD align, int id = -1) {
  return CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE | align | SS_NOPREFIX, kPanel.left + x,
                         kPanel.top + y, w, h, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleA(nullptr), nullptr);
}

class AboutView final : public AboutBoxView {
 public:
  AboutView(HWND box, HWND version, HWND url, HFONT& boxFont) : box_(box), version_(version), url_(url), boxFont_(boxFont) {}
  void SetBoxFont(const FontDescription& font) override {
    HFONT created = CreateDescribedFont(font, DesignedFont(LanguageFont::kWindow));
    if (created == nullptr) return;
    // The box's font reaches every control but the three with fonts of their own.
    for (HWND child = GetWindow(box_, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
      const int id = GetDlgCtrlID(child);
      if (id != kAboutVersionId && id != kAboutUrlId && id != kAboutProductId) {
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(created), TRUE);
      }
    }
    if (boxFont_ != nullptr) DeleteObject(boxFont_);
    boxFont_ = created;
  }
  void SetTitle(std::string_view title) override { SetWindowTextA(box_, std::string(title).c_str()); }
  void SetClientSize(int width, int height) override {
    RECT r = {0, 0, width, height};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrA(box_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(box_, GWL_EXSTYLE)));
    SetWindowPos(box_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  void SetVersionText(std::string_view text) override { SetWindowTextA(version_, std::string(text).c_str()); }
  void SetUrlText(std::string_view text) override { SetWindowTextA(url_, std::string(text).c_str()); }
  std::string DecimalSeparator() override {
    char buffer[8] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, sizeof buffer) <= 0) return ".";
    return buffer;
  }

 private:
  HWND box_, version_, url_;
  HFONT& boxFont_;
};

// An empty dialog template; the controls are created when it initialises.
std::vector<WORD> EmptyTemplate() {
  std::vector<WORD> t(sizeof(DLGTEMPLATE) / sizeof(WORD) + 3, 0);
  auto* d = reinterpret_cast<DLGTEMPLATE*>(t.data());
  d->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  d->cdit = 0;
  d->cx = 200;
  d->cy = 100;
  return t;  // no menu, default class, empty title
}

}  // namespace

TAboutBox::TAboutBox(HWND owner, HICON icon, std::string languageFile)
    : owner_(owner), icon_(icon), languageFile_(std::move(languageFile)) {}

INT_PTR TAboutBox::ShowModal() {
  std::vector<WORD> t = EmptyTemplate();
  const INT_PTR result = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(t.data()),
                                                 owner_, DialogProc, reinterpret_cast<LPARAM>(this));
  for (HFONT* f : {&boxFont_, &productFont_, &versionFont_, &urlFont_}) {
    if (*f != nullptr) DeleteObject(*f);
    *f = nullptr;
  }
  return result;
}

INT_PTR CALLBACK TAboutBox::DialogProc(HWND box, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) SetWindowLongPtrA(box, DWLP_USER, lp);
  auto* self = reinterpret_cast<TAboutBox*>(GetWindowLongPtrA(box, DWLP_USER));
  return self != nullptr ? self->Handle(box, msg, wp, lp) : FALSE;
}

void TAboutBox::Prepare(HWND box) {
  box_ = box;
  SetWindowTextA(box, std::string(kDesignedAboutTitle).c_str());
  // Designed client size 314 x 166, shrunk by FormShow.
  RECT r = {0, 0, 314, 166};
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrA(box, GWL_STYLE)), FALSE, 0);
  SetWindowPos(box, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);

  boxFont_ = CreateDescribedFont(DesignedFont(LanguageFont::kWindow), DesignedFont(LanguageFont::kWindow));
  productFont_ = CreateFontA(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, 0, 0, 0, 0,
                             "ＭＳ Ｐゴシック");
  versionFont_ = CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, 0, 0, 0, 0,
                             "ＭＳ Ｐゴシック");
  urlFont_ = CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, TRUE, FALSE, SHIFTJIS_CHARSET, 0, 0, 0, 0,
                         "ＭＳ Ｐゴシック");

  HWND product = Label(box, "Vindra.EXE", 52, 8, 150, 13, SS_LEFT, kAboutProductId);
  HWND forLabel = Label(box, "for", 48, 22, 150, 13, SS_CENTER);
  HWND target = Label(box, "[PE Builder v3]", 48, 34, 150, 13, SS_RIGHT);
  version_ = Label(box, "", 28, 52, 203, 13, SS_RIGHT, kAboutVersionId);
  HWND notice = Label(box, std::string(kLegalNotice).c_str(), 2, 76, 243, 12, SS_CENTER);
  url_ = Label(box, "", 4, 92, 238, 12, SS_CENTER | SS_NOTIFY, kAboutUrlId);
  HWND ok = CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 175, 124, 75,
                            22, box, reinterpret_cast<HMENU>(IDOK), GetModuleHandleA(nullptr), nullptr);
  for (HWND c : {forLabel, target, notice, ok}) SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(boxFont_), FALSE);
  SendMessageA(product, WM_SETFONT, reinterpret_cast<WPARAM>(productFont_), FALSE);
  SendMessageA(version_, WM_SETFONT, reinterpret_cast<WPARAM>(versionFont_), FALSE);
  SendMessageA(url_, WM_SETFONT, reinterpret_cast<WPARAM>(urlFont_), FALSE);

  AboutView view(box, version_, url_, boxFont_);
  AboutBox logic(view, languageFile_);
  logic.FormShow();

  // Centred over the main window.
  RECT owner, self;
  if (owner_ != nullptr && GetWindowRect(owner_, &owner) && GetWindowRect(box, &self)) {
    const int w = self.right - self.left, h = self.bottom - self.top;
    SetWindowPos(box, nullptr, owner.left + ((owner.right - owner.left) - w) / 2,
                 owner.top + ((owner.bottom - owner.top) - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  }
  SetFocus(ok);
}

INT_PTR TAboutBox::Handle(HWND box, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG:
      Prepare(box);
      if (onPrepared != nullptr) onPrepared(box);
      return FALSE;  // focus set by Prepare
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(box, &ps);
      RECT panel = kPanel;
      DrawEdge(dc, &panel, BDR_SUNKENOUTER | BDR_RAISEDINNER, BF_RECT);
      if (icon_ != nullptr) DrawIconEx(dc, kPanel.left + 8, kPanel.top + 8, icon_, 32, 32, 0, nullptr, DI_NORMAL);
      EndPaint(box, &ps);
      return TRUE;
    }
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wp);
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lp));
      if (id == kAboutVersionId) SetTextColor(dc, RGB(0, 128, 0));
      if (id == kAboutUrlId) SetTextColor(dc, RGB(0, 0, 255));
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wp) == url_) {
        SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
        SetWindowLongPtrA(box, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      return FALSE;
    case WM_COMMAND:
      if (LOWORD(wp) == kAboutUrlId && HIWORD(wp) == STN_CLICKED) {
        char address[512];
        GetWindowTextA(url_, address, sizeof address);
        ShellExecuteA(box, "open", address, nullptr, nullptr, SW_SHOW);  // the result is not needed
        return TRUE;
      }
      if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
        EndDialog(box, LOWORD(wp));
        return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

}  // namespace vindra::app
