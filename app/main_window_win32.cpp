#include "app/main_window_win32.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <exception>

#include "app/about_box_win32.h"
#include "app/language_file.h"
#include "app/win32_fonts.h"
#include "core/registry_file_converter.h"
#include "platform/environment.h"
#include "registry/key_exporter.h"
#include "registry/regexpander_exporter.h"

namespace vindra::app {

namespace {

constexpr int kWindowWidth = 624, kWindowHeight = 507;
constexpr int kPanel1Height = 28, kPanel2Width = 86;
constexpr int kMemoId = 10, kStatusBarId = 11;
constexpr char kPanelClass[] = "TPanel";

HMENU CommandId(int id) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)); }
int ActionCommand(ActionId id) { return kActionCommandBase + static_cast<int>(id); }

HWND Child(const char* cls, const char* text, DWORD style, int x, int y, int w, int h, HWND parent, int id,
           DWORD exStyle = 0) {
  return CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, CommandId(id),
                         GetModuleHandleA(nullptr), nullptr);
}

void InitControls() {
  static bool done = false;
  if (done) return;
  done = true;
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
}

}  // namespace

// RB1: the picker component behind the KeyPicker interface.
class TForm1::PickerAdapter final : public KeyPicker {
 public:
  explicit PickerAdapter(regbrowser::RegDialogFactory& dialogs) : rb1_(dialogs) {}
  RootKey Root() const override { return rb1_.Root; }
  void SetRoot(RootKey root) override { rb1_.Root = root; }
  std::string Section() const override { return rb1_.Section; }
  void SetSection(std::string_view section) override { rb1_.Section = std::string(section); }
  void SetCaption(std::string_view caption) override { rb1_.Caption = std::string(caption); }
  bool Execute(std::string_view title, std::string_view topNode, const FontDescription& windowFont,
               const FontDescription& treeFont) override {
    return rb1_.Execute(title, topNode, windowFont, treeFont);
  }

 private:
  regbrowser::TRegBrowser rb1_;
};

class TForm1::ConverterAdapter final : public Converters {
 public:
  explicit ConverterAdapter(registry::RegistrySource& source) : source_(source) {}
  void ConvertFile(OutputList& out, const std::string& fileName, const ConversionOptions& options) override {
    ConvertRegistryFile(out, fileName, options);
  }
  void ExportKey(OutputList& out, RootKey root, const std::string& path, const ConversionOptions& options) override {
    registry::RegistryKeyExporter(out, source_, root, path, options);
  }
  void ExportRegExpander(OutputList& out, RootKey root, const std::string& path,
                         const ConversionOptions& options) override {
    registry::RegExpanderExporter(out, source_, root, path, options);
  }

 private:
  registry::RegistrySource& source_;
};

class TForm1::LanguageAdapter final : public LanguageSource {
 public:
  explicit LanguageAdapter(std::string file) : file_(std::move(file)) {}
  bool Present() override { return LanguageFilePresent(file_); }
  std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultText) override {
    return ReadIniString(file_, section, key, defaultText);
  }
  FontDescription ReadFont(LanguageFont font) override { return ReadFontDescription(file_, font); }

 private:
  std::string file_;
};

TForm1::TForm1(TForm1Setup setup) : setup_(std::move(setup)) {
  picker_ = std::make_unique<PickerAdapter>(setup_.pickerDialogs);
  converters_ = std::make_unique<ConverterAdapter>(setup_.registry);
  language_ = std::make_unique<LanguageAdapter>(setup_.languageFile);
  logic_ = std::make_unique<MainWindow>(MainWindowServices{
      *this, memo_, *picker_, *language_, *converters_, &setup_.registry, setup_.messages,
      [](std::string_view text) { return platform::ExpandEnvironmentText(text); }, setup_.arguments,
      setup_.executablePath});
}

TForm1::~TForm1() {
  if (hwnd_ != nullptr && IsWindow(hwnd_)) {
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
  if (windowFont_ != nullptr) DeleteObject(windowFont_);
  if (memoFont_ != nullptr) DeleteObject(memoFont_);
}

template <typename F>
void TForm1::Guarded(F&& f) {
  ++busy_;
  try {
    f();
  } catch (const std::exception& e) {
    ReportFailure(e.what());
  } catch (...) {
    ReportFailure("Unknown error");
  }
  --busy_;
}

HWND TForm1::Create() {
  InitControls();
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExA(GetModuleHandleA(nullptr), kMainWindowClass, &wc)) {
    wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kMainWindowClass;
    wc.hIcon = setup_.icon;
    wc.hIconSm = setup_.icon;
    RegisterClassExA(&wc);
    wc.lpfnWndProc = PanelProc;
    wc.lpszClassName = kPanelClass;
    wc.hIcon = wc.hIconSm = nullptr;
    RegisterClassExA(&wc);
  }

  // Centred on the screen at the designed outer size.
  const int x = (GetSystemMetrics(SM_CXSCREEN) - kWindowWidth) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - kWindowHeight) / 2;
  hwnd_ = CreateWindowExA(0, kMainWindowClass, "Vindra", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, x, y, kWindowWidth,
                          kWindowHeight, nullptr, nullptr, GetModuleHandleA(nullptr), this);
  if (hwnd_ == nullptr) return nullptr;

  windowFont_ = CreateDescribedFont({}, DesignedFont(LanguageFont::kWindow));
  FontDescription memoDesigned = DesignedFont(LanguageFont::kText);
  memoFont_ = CreateDescribedFont({}, memoDesigned);

  // Creation order gives the tab order Memo1, Button1, Button2, Button3.
  HWND edit = memo_.Create(hwnd_, kMemoId, WS_TABSTOP | WS_VSCROLL | WS_HSCROLL, WS_EX_CLIENTEDGE);
  SetWindowLongPtrA(edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  memoDefault_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MemoProc)));

  panel1_ = Child(kPanelClass, "", WS_CLIPCHILDREN, 0, 0, 10, kPanel1Height, hwnd_, 0, WS_EX_CONTROLPARENT);
  panel2_ = Child(kPanelClass, "", WS_CLIPCHILDREN, 0, 0, kPanel2Width, kPanel1Height, panel1_, 0, WS_EX_CONTROLPARENT);
  button1_ = Child("BUTTON", "", WS_TABSTOP | BS_PUSHBUTTON, 6, 4, 75, 22, panel2_, ActionCommand(ActionId::Close));
  button2_ = Child("BUTTON", "", WS_TABSTOP | BS_PUSHBUTTON, 4, 4, 75, 22, panel1_, ActionCommand(ActionId::Convert));
  button3_ = Child("BUTTON", "", WS_TABSTOP | BS_PUSHBUTTON, 88, 4, 121, 22, panel1_,
                   ActionCommand(ActionId::RegExpander));
  sb1_ = Child(STATUSCLASSNAMEA, "", SBARS_SIZEGRIP, 0, 0, 0, 0, hwnd_, kStatusBarId);

  ApplyFonts();
  RebuildMenu();
  Layout();

  // FormCreate: files dropped from the shell come to this window.
  DragAcceptFiles(hwnd_, TRUE);
  return hwnd_;
}

void TForm1::ApplyFonts() {
  for (HWND c : {button1_, button2_, button3_, sb1_}) {
    SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(windowFont_), TRUE);
  }
  SendMessageA(memo_.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(memoFont_), TRUE);
}

void TForm1::Layout() {
  if (hwnd_ == nullptr || sb1_ == nullptr) return;
  RECT client;
  GetClientRect(hwnd_, &client);
  SendMessageA(sb1_, WM_SIZE, 0, 0);  // the status bar places itself at the bottom
  RECT sb;
  GetWindowRect(sb1_, &sb);
  const int sbHeight = sb.bottom - sb.top;
  const int width = client.right, height = client.bottom;
  const int panelTop = height - sbHeight - kPanel1Height;
  MoveWindow(panel1_, 0, panelTop, width, kPanel1Height, TRUE);
  MoveWindow(panel2_, width - kPanel2Width, 0, kPanel2Width, kPanel1Height, TRUE);
  MoveWindow(memo_.Handle(), 0, 0, width, panelTop > 0 ? panelTop : 0, TRUE);
}

void TForm1::RebuildMenu() {
  const MenuCaptions& m = logic_->Menus();
  auto addAction = [&](HMENU menu, ActionId id) {
    const Action& a = logic_->GetAction(id);
    if (!a.Visible) return;
    AppendMenuA(menu, MF_STRING | (a.Checked ? MF_CHECKED : MF_UNCHECKED), ActionCommand(id), a.Caption.c_str());
  };
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  AppendMenuA(file, MF_STRING, kCommandImport, m.I1.c_str());
  AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
  addAction(file, ActionId::Close);
  HMENU tools = CreatePopupMenu();
  addAction(tools, ActionId::Convert);
  addAction(tools, ActionId::RegExpander);
  AppendMenuA(tools, MF_SEPARATOR, 0, nullptr);
  addAction(tools, ActionId::AddSectionHeader);
  addAction(tools, ActionId::ForceControlSet001);
  HMENU replace = CreatePopupMenu();
  addAction(replace, ActionId::SP2);
  addAction(replace, ActionId::SP1);
  addAction(replace, ActionId::None);
  AppendMenuA(replace, MF_SEPARATOR, 0, nullptr);
  addAction(replace, ActionId::Rep02);
  addAction(replace, ActionId::Rep04);
  addAction(replace, ActionId::Rep03);
  HMENU help = CreatePopupMenu();
  AppendMenuA(help, MF_STRING, kCommandHelpTopics, m.H3.c_str());
  AppendMenuA(help, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(help, MF_STRING, kCommandAbout, m.A1.c_str());
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), m.F1.c_str());
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(tools), m.T1.c_str());
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(replace), m.R1.c_str());
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), m.H2.c_str());

  HMENU old = menu_;
  menu_ = bar;
  SetMenu(hwnd_, menu_);
  if (old != nullptr) DestroyMenu(old);
  DrawMenuBar(hwnd_);

  SetWindowTextA(button1_, logic_->GetAction(ActionId::Close).Caption.c_str());
  SetWindowTextA(button2_, logic_->GetAction(ActionId::Convert).Caption.c_str());
  SetWindowTextA(button3_, logic_->GetAction(ActionId::RegExpander).Caption.c_str());
}

void TForm1::Show(int showCommand) {
  ShowWindow(hwnd_, showCommand);
  UpdateWindow(hwnd_);
  SetFocus(memo_.Handle());  // the first control in the tab order
  if (!shownOnce_) {
    shownOnce_ = true;
    Guarded([&] { logic_->FormShow(); });
  }
}

int TForm1::Run() {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (AppMessage(msg)) continue;
    if (hwnd_ != nullptr && IsDialogMessageA(hwnd_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}

bool TForm1::AppMessage(const MSG& msg) {
  if (msg.message != WM_DROPFILES) return false;
  OnDropFiles(reinterpret_cast<HDROP>(msg.wParam));
  return true;
}

void TForm1::OnDropFiles(HDROP drop) {
  // A drop while a command waits in a message box or dialog would convert in
  // the middle of that command; it is released unused.
  if (busy_ > 0) {
    DragFinish(drop);
    return;
  }
  char name[515] = {};  // at most 514 characters
  const UINT n = DragQueryFileA(drop, 0, name, sizeof name);
  if (n == 0) name[0] = '\0';
  Guarded([&] { logic_->DropFile(name); });
  DragFinish(drop);
}

void TForm1::OnCommand(int id) {
  Guarded([&] {
    if (id >= kActionCommandBase && id < kActionCommandBase + kActionCount) {
      logic_->Execute(static_cast<ActionId>(id - kActionCommandBase));
    } else if (id == kCommandImport) {
      logic_->I1Click();
    } else if (id == kCommandHelpTopics) {
      logic_->H3Click();
    } else if (id == kCommandAbout) {
      logic_->A1Click();
    }
  });
}

LRESULT CALLBACK TForm1::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    reinterpret_cast<TForm1*>(cs->lpCreateParams)->hwnd_ = hwnd;
  }
  auto* self = reinterpret_cast<TForm1*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcA(hwnd, msg, wp, lp);
  return self->Handle(msg, wp, lp);
}

LRESULT CALLBACK TForm1::PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  // The panels only hold buttons: their commands go to the main window.
  if (msg == WM_COMMAND || msg == WM_NOTIFY) return SendMessageA(GetParent(hwnd), msg, wp, lp);
  return DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT CALLBACK TForm1::MemoProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<TForm1*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (msg == WM_KEYDOWN && self->logic_->Memo1KeyDown(static_cast<int>(wp), GetKeyState(VK_CONTROL) < 0)) {
    return 0;
  }
  return CallWindowProcA(self->memoDefault_, hwnd, msg, wp, lp);
}

LRESULT TForm1::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SIZE:
      Layout();
      return 0;
    case WM_COMMAND:
      if (lp == 0 || HIWORD(wp) == BN_CLICKED) {
        if (LOWORD(wp) != IDOK && LOWORD(wp) != IDCANCEL) OnCommand(LOWORD(wp));
      }
      return 0;
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wp));
      return 0;
    case WM_ACTIVATE:
      // Keyboard focus goes back where it was when the window is activated again.
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(hwnd_, focus)) lastFocus_ = focus;
      } else if (!HIWORD(wp)) {
        SetFocus(lastFocus_ != nullptr && IsWindow(lastFocus_) ? lastFocus_ : memo_.Handle());
      }
      return 0;
    case WM_SETCURSOR:
      if (waitCursor_) {
        SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
        return TRUE;
      }
      break;
    case WM_CLOSE:
      DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY:
      DragAcceptFiles(hwnd_, FALSE);
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hwnd_, msg, wp, lp);
}

void TForm1::ShowError(std::string_view text) {
  MessageBoxA(hwnd_, std::string(text).c_str(), kMessageBoxCaption, kErrorBoxStyle);
}

bool TForm1::AskYesNo(std::string_view text) {
  return MessageBoxA(hwnd_, std::string(text).c_str(), kMessageBoxCaption, kQuestionBoxStyle) == IDYES;
}

void TForm1::ShowInformation(std::string_view text) {
  MessageBoxA(hwnd_, std::string(text).c_str(), kMessageBoxCaption, kInformationBoxStyle);
}

void TForm1::ReportFailure(std::string_view text) {
  MessageBoxA(hwnd_, std::string(text).c_str(), kMessageBoxCaption, MB_OK | MB_ICONERROR);
}

bool TForm1::ChooseFile(std::string_view filter, std::string& fileName) {
  const std::string dialogFilter = DialogFilter(filter);
  std::string buffer(32768, '\0');
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = hwnd_;
  ofn.lpstrFilter = dialogFilter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.lpstrDefExt = "reg";
  ofn.Flags = OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER;
  if (!GetOpenFileNameA(&ofn)) return false;
  fileName.assign(buffer.c_str());
  return true;
}

void TForm1::SetStatusText(std::string_view text) { SetWindowTextA(sb1_, std::string(text).c_str()); }

void TForm1::SetWindowFont(const FontDescription& font) {
  HFONT f = CreateDescribedFont(font, DesignedFont(LanguageFont::kWindow));
  if (f == nullptr) return;
  // The old font goes only after no control uses it any more.
  HFONT old = windowFont_;
  windowFont_ = f;
  ApplyFonts();
  Layout();
  if (old != nullptr) DeleteObject(old);
}

void TForm1::SetMemoFont(const FontDescription& font) {
  HFONT f = CreateDescribedFont(font, DesignedFont(LanguageFont::kText));
  if (f == nullptr) return;
  HFONT old = memoFont_;
  memoFont_ = f;
  ApplyFonts();
  if (old != nullptr) DeleteObject(old);
}

void TForm1::ActionsChanged() {
  if (hwnd_ != nullptr) RebuildMenu();
}

void TForm1::CloseWindow() { PostMessageA(hwnd_, WM_CLOSE, 0, 0); }

void TForm1::OpenHelp(const std::string& helpFile) {
  constexpr UINT kHelpTopics = 11;  // HELP_FINDER
  WinHelpA(hwnd_, helpFile.c_str(), kHelpTopics, 0);
}

void TForm1::ShowAboutBox() {
  TAboutBox box(hwnd_, setup_.icon, setup_.languageFile);
  box.ShowModal();
}

void TForm1::BringToFront() { SetForegroundWindow(hwnd_); }

void TForm1::SetWaitCursor(bool on) {
  waitCursor_ = on;
  SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(on ? IDC_WAIT : IDC_ARROW)));
}

}  // namespace vindra::app
