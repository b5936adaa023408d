#include "app/about_box_win32.h"

#include <shellapi.h>

#include <vector>

#include "app/about_box.h"
#include "app/language_file.h"
#include "platform/font_win32.h"

namespace vindra::app {

namespace {

const AboutLayout kLayout;

// A label inside the panel.
HWND Label(HWND parent, const char* text, const LayoutRect& r, DWORD align, int id = -1) {
  return CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE | align | SS_NOPREFIX, kLayout.panel.left + r.left,
                         kLayout.panel.top + r.top, r.width, r.height, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
}

class AboutView final : public AboutBoxView {
 public:
  AboutView(HWND box, HWND version, HWND url, HFONT& boxFont)
      : box_(box), version_(version), url_(url), boxFont_(boxFont) {}
  void SetBoxFont(const platform::FontDescription& font) override {
    HFONT created = platform::CreateDescribedFont(font, DesignedFont(LanguageFont::kWindow));
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

AboutBox::AboutBox(HWND owner, HICON icon, std::string languageFile)
    : owner_(owner), icon_(icon), languageFile_(std::move(languageFile)) {}

INT_PTR AboutBox::ShowModal() {
  std::vector<WORD> t = EmptyTemplate();
  const INT_PTR result = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(t.data()),
                                                 owner_, DialogProc, reinterpret_cast<LPARAM>(this));
  for (HFONT* f : {&boxFont_, &productFont_, &versionFont_, &urlFont_}) {
    if (*f != nullptr) DeleteObject(*f);
    *f = nullptr;
  }
  return result;
}

INT_PTR CALLBACK AboutBox::DialogProc(HWND box, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) SetWindowLongPtrA(box, DWLP_USER, lp);
  auto* self = reinterpret_cast<AboutBox*>(GetWindowLongPtrA(box, DWLP_USER));
  return self != nullptr ? self->Handle(box, msg, wp, lp) : FALSE;
}

void AboutBox::Prepare(HWND box) {
  box_ = box;
  SetWindowTextA(box, std::string(kDesignedAboutTitle).c_str());
  // The designed client size, shrunk by OnShown.
  RECT r = {0, 0, kLayout.clientWidth, kLayout.clientHeight};
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrA(box, GWL_STYLE)), FALSE, 0);
  SetWindowPos(box, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);

  boxFont_ = platform::CreateDescribedFont(DesignedFont(LanguageFont::kWindow), DesignedFont(LanguageFont::kWindow));
  productFont_ = CreateFontA(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, 0, 0, 0, 0,
                             "ＭＳ Ｐゴシック");
  versionFont_ = CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, 0, 0, 0, 0,
                             "ＭＳ Ｐゴシック");
  urlFont_ = CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, TRUE, FALSE, SHIFTJIS_CHARSET, 0, 0, 0, 0,
                         "ＭＳ Ｐゴシック");

  HWND product = Label(box, "Vindra.EXE", kLayout.product, SS_LEFT, kAboutProductId);
  HWND forLabel = Label(box, "for", kLayout.forLabel, SS_CENTER);
  HWND target = Label(box, "[PE Builder v3]", kLayout.target, SS_RIGHT);
  version_ = Label(box, "", kLayout.version, SS_RIGHT, kAboutVersionId);
  HWND notice = Label(box, std::string(kLegalNotice).c_str(), kLayout.notice, SS_CENTER);
  url_ = Label(box, "", kLayout.url, SS_CENTER | SS_NOTIFY, kAboutUrlId);
  const LayoutRect& o = kLayout.ok;
  HWND ok = CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, o.left, o.top,
                            o.width, o.height, box, reinterpret_cast<HMENU>(IDOK), GetModuleHandleA(nullptr), nullptr);
  for (HWND c : {forLabel, target, notice, ok}) SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(boxFont_), FALSE);
  SendMessageA(product, WM_SETFONT, reinterpret_cast<WPARAM>(productFont_), FALSE);
  SendMessageA(version_, WM_SETFONT, reinterpret_cast<WPARAM>(versionFont_), FALSE);
  SendMessageA(url_, WM_SETFONT, reinterpret_cast<WPARAM>(urlFont_), FALSE);

  AboutView view(box, version_, url_, boxFont_);
  AboutBoxLogic logic(view, languageFile_);
  logic.OnShown();

  // Centred over the main window.
  RECT owner, self;
  if (owner_ != nullptr && GetWindowRect(owner_, &owner) && GetWindowRect(box, &self)) {
    const int w = self.right - self.left, h = self.bottom - self.top;
    SetWindowPos(box, nullptr, owner.left + ((owner.right - owner.left) - w) / 2,
                 owner.top + ((owner.bottom - owner.top) - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  }
  SetFocus(ok);
}

INT_PTR AboutBox::Handle(HWND box, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG:
      Prepare(box);
      return FALSE;  // focus set by Prepare
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(box, &ps);
      const LayoutRect& p = kLayout.panel;
      RECT panel = {p.left, p.top, p.left + p.width, p.top + p.height};
      DrawEdge(dc, &panel, BDR_SUNKENOUTER | BDR_RAISEDINNER, BF_RECT);
      if (icon_ != nullptr) {
        DrawIconEx(dc, p.left + kLayout.icon.left, p.top + kLayout.icon.top, icon_, kLayout.icon.width,
                   kLayout.icon.height, 0, nullptr, DI_NORMAL);
      }
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
