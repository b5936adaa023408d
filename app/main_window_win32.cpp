#include "app/main_window_win32.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <exception>

#include "app/about_box_win32.h"
#include "app/hive_mount_dialog_win32.h"
#include "app/language_file.h"
#include "platform/font_win32.h"
#include "core/registry_file_converter.h"
#include "platform/environment.h"
#include "regbrowser/key_picker_dialog_win32.h"
#include "registry/hive_registry.h"
#include "registry/key_exporter.h"
#include "registry/regexpander_exporter.h"

namespace vindra::app {

using registry::RootKey;

namespace {

constexpr int kWindowWidth = 624, kWindowHeight = 507;
constexpr int kButtonBarHeight = 28, kCloseAreaWidth = 86;
constexpr int kOutputAreaId = 10, kStatusBarId = 11;
constexpr char kPanelClass[] = "VindraPanel";

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

// The picker component behind the KeyPicker interface; over a hive it owns
// the factory of its dialogs.
class MainWindow::PickerAdapter final : public KeyPicker {
 public:
  explicit PickerAdapter(regbrowser::KeyPickerDialogFactory& dialogs) : browser_(dialogs) {}
  explicit PickerAdapter(std::unique_ptr<regbrowser::KeyPickerDialogFactory> dialogs)
      : ownDialogs_(std::move(dialogs)), browser_(*ownDialogs_) {}
  RootKey Root() const override { return browser_.root; }
  void SetRoot(RootKey root) override { browser_.root = root; }
  std::string Section() const override { return browser_.section; }
  void SetSection(std::string_view section) override { browser_.section = std::string(section); }
  void SetCaption(std::string_view caption) override { browser_.caption = std::string(caption); }
  bool Execute(std::string_view title, std::string_view topNode, const platform::FontDescription& windowFont,
               const platform::FontDescription& treeFont) override {
    return browser_.Run(title, topNode, windowFont, treeFont);
  }

 private:
  std::unique_ptr<regbrowser::KeyPickerDialogFactory> ownDialogs_;
  regbrowser::KeyPickerRunner browser_;
};

// Hive files: the project's reader, checked whole when opened, and the real
// key picker dialog over them.
class MainWindow::HiveAdapter final : public HiveFiles {
 public:
  explicit HiveAdapter(const HWND& owner) : owner_(owner) {}
  bool IsHiveFile(const std::string& fileName) override { return registry::HasHiveSignature(fileName); }
  Opened Open(const std::string& fileName, const registry::RootedKeyPath& mount) override {
    auto hive = std::make_unique<registry::HiveRegistrySource>(fileName, mount);
    hive->CheckTree(mount.root, mount.path);
    Opened opened;
    opened.dirty = hive->Dirty();
    opened.source = std::move(hive);
    return opened;
  }
  std::unique_ptr<KeyPicker> PickerOver(registry::RegistrySource& hive) override {
    return std::make_unique<PickerAdapter>(std::make_unique<regbrowser::Win32KeyPickerDialogFactory>(hive, owner_));
  }

 private:
  const HWND& owner_;  // the main window, once created
};

class MainWindow::ConverterAdapter final : public Converters {
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
  void ExportKeyFrom(OutputList& out, registry::RegistrySource& source, RootKey root, const std::string& path,
                     const ConversionOptions& options) override {
    registry::RegistryKeyExporter(out, source, root, path, options);
  }

 private:
  registry::RegistrySource& source_;
};

class MainWindow::LanguageAdapter final : public LanguageSource {
 public:
  explicit LanguageAdapter(std::string file) : file_(std::move(file)) {}
  bool Present() override { return LanguageFilePresent(file_); }
  std::string ReadText(MainWindowText text) override { return ReadMainWindowText(file_, text); }
  platform::FontDescription ReadFont(LanguageFont font) override { return ReadFontDescription(file_, font); }

 private:
  std::string file_;
};

MainWindow::MainWindow(MainWindowSetup setup) : setup_(std::move(setup)) {
  picker_ = std::make_unique<PickerAdapter>(setup_.pickerDialogs);
  converters_ = std::make_unique<ConverterAdapter>(setup_.registry);
  language_ = std::make_unique<LanguageAdapter>(setup_.languageFile);
  hives_ = std::make_unique<HiveAdapter>(hwnd_);
  logic_ = std::make_unique<MainWindowLogic>(MainWindowServices{
      *this, output_, *picker_, *language_, *converters_, &setup_.registry, setup_.messages,
      [](std::string_view text) { return platform::ExpandEnvironmentText(text); }, setup_.arguments,
      setup_.executablePath, hives_.get()});
}

MainWindow::~MainWindow() {
  if (hwnd_ != nullptr && IsWindow(hwnd_)) {
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
  if (windowFont_ != nullptr) DeleteObject(windowFont_);
  if (textFont_ != nullptr) DeleteObject(textFont_);
}

HWND MainWindow::Create() {
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

  windowFont_ = platform::CreateDescribedFont({}, DesignedFont(LanguageFont::kWindow));
  platform::FontDescription textDesigned = DesignedFont(LanguageFont::kText);
  textFont_ = platform::CreateDescribedFont({}, textDesigned);

  // Creation order gives the tab order output area, Close, Convert, RegExpander.
  HWND edit = output_.Create(hwnd_, kOutputAreaId, WS_TABSTOP | WS_VSCROLL | WS_HSCROLL, WS_EX_CLIENTEDGE,
                             setup_.messages);
  SetWindowLongPtrA(edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  textAreaDefault_ =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TextAreaProc)));

  buttonBar_ = Child(kPanelClass, "", WS_CLIPCHILDREN, 0, 0, 10, kButtonBarHeight, hwnd_, 0, WS_EX_CONTROLPARENT);
  closeButtonArea_ = Child(kPanelClass, "", WS_CLIPCHILDREN, 0, 0, kCloseAreaWidth, kButtonBarHeight, buttonBar_, 0,
                           WS_EX_CONTROLPARENT);
  closeButton_ = Child("BUTTON", "", WS_TABSTOP | BS_PUSHBUTTON, 6, 4, 75, 22, closeButtonArea_,
                       ActionCommand(ActionId::Close));
  convertButton_ = Child("BUTTON", "", WS_TABSTOP | BS_PUSHBUTTON, 4, 4, 75, 22, buttonBar_,
                         ActionCommand(ActionId::Convert));
  regExpanderButton_ = Child("BUTTON", "", WS_TABSTOP | BS_PUSHBUTTON, 88, 4, 121, 22, buttonBar_,
                             ActionCommand(ActionId::RegExpander));
  statusBar_ = Child(STATUSCLASSNAMEA, "", SBARS_SIZEGRIP, 0, 0, 0, 0, hwnd_, kStatusBarId);

  ApplyFonts();
  RebuildMenu();
  Layout();

  // FormCreate: files dropped from the shell come to this window.
  DragAcceptFiles(hwnd_, TRUE);
  return hwnd_;
}

void MainWindow::ApplyFonts() {
  for (HWND c : {closeButton_, convertButton_, regExpanderButton_, statusBar_}) {
    SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(windowFont_), TRUE);
  }
  SendMessageA(output_.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(textFont_), TRUE);
}

void MainWindow::Layout() {
  if (hwnd_ == nullptr || statusBar_ == nullptr) return;
  RECT client;
  GetClientRect(hwnd_, &client);
  SendMessageA(statusBar_, WM_SIZE, 0, 0);  // the status bar places itself at the bottom
  RECT sb;
  GetWindowRect(statusBar_, &sb);
  const int sbHeight = sb.bottom - sb.top;
  const int width = client.right, height = client.bottom;
  const int panelTop = height - sbHeight - kButtonBarHeight;
  MoveWindow(buttonBar_, 0, panelTop, width, kButtonBarHeight, TRUE);
  MoveWindow(closeButtonArea_, width - kCloseAreaWidth, 0, kCloseAreaWidth, kButtonBarHeight, TRUE);
  MoveWindow(output_.Handle(), 0, 0, width, panelTop > 0 ? panelTop : 0, TRUE);
}

void MainWindow::RebuildMenu() {
  const MenuCaptions& m = logic_->Menus();
  auto addAction = [&](HMENU menu, ActionId id) {
    const Action& a = logic_->GetAction(id);
    if (!a.Visible) return;
    AppendMenuA(menu, MF_STRING | (a.Checked ? MF_CHECKED : MF_UNCHECKED), ActionCommand(id), a.Caption.c_str());
  };
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  AppendMenuA(file, MF_STRING, kCommandImport, m.ImportItem.c_str());
  AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
  addAction(file, ActionId::Close);
  HMENU tools = CreatePopupMenu();
  addAction(tools, ActionId::Convert);
  addAction(tools, ActionId::RegExpander);
  AppendMenuA(tools, MF_SEPARATOR, 0, nullptr);
  addAction(tools, ActionId::AddSectionHeader);
  addAction(tools, ActionId::ForceControlSet001);
  HMENU replace = CreatePopupMenu();
  addAction(replace, ActionId::ReplaceWithFixedDrive);
  addAction(replace, ActionId::ReplaceWithVariables);
  addAction(replace, ActionId::ReplaceNothing);
  AppendMenuA(replace, MF_SEPARATOR, 0, nullptr);
  addAction(replace, ActionId::ReplaceSystemRoot);
  addAction(replace, ActionId::ReplaceProgramFiles);
  addAction(replace, ActionId::ReplaceSystemDrive);
  HMENU help = CreatePopupMenu();
  AppendMenuA(help, MF_STRING, kCommandHelpTopics, m.HelpTopicsItem.c_str());
  AppendMenuA(help, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(help, MF_STRING, kCommandAbout, m.AboutItem.c_str());
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), m.FileMenu.c_str());
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(tools), m.ToolsMenu.c_str());
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(replace), m.ReplaceMenu.c_str());
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), m.HelpMenu.c_str());

  HMENU old = menu_;
  menu_ = bar;
  SetMenu(hwnd_, menu_);
  if (old != nullptr) DestroyMenu(old);
  DrawMenuBar(hwnd_);

  SetWindowTextA(closeButton_, logic_->GetAction(ActionId::Close).Caption.c_str());
  SetWindowTextA(convertButton_, logic_->GetAction(ActionId::Convert).Caption.c_str());
  SetWindowTextA(regExpanderButton_, logic_->GetAction(ActionId::RegExpander).Caption.c_str());
}

void MainWindow::Show(int showCommand) {
  ShowWindow(hwnd_, showCommand);
  UpdateWindow(hwnd_);
  SetFocus(output_.Handle());  // the first control in the tab order
  if (!shownOnce_) {
    shownOnce_ = true;
    logic_->RunCommand([&] { logic_->OnShown(); });
  }
}

int MainWindow::Run() {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (AppMessage(msg)) continue;
    if (hwnd_ != nullptr && IsDialogMessageA(hwnd_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}

bool MainWindow::AppMessage(const MSG& msg) {
  if (msg.message != WM_DROPFILES) return false;
  OnDropFiles(reinterpret_cast<HDROP>(msg.wParam));
  return true;
}

void MainWindow::OnDropFiles(HDROP drop) {
  std::string name;
  if (!logic_->Busy()) {
    name.resize(DragQueryFileA(drop, 0, nullptr, 0) + 1);
    name.resize(DragQueryFileA(drop, 0, name.data(), static_cast<UINT>(name.size())));
  }
  logic_->DropFile(name);
  DragFinish(drop);
}

void MainWindow::OnCommand(int id) {
  logic_->RunCommand([&] {
    if (id >= kActionCommandBase && id < kActionCommandBase + kActionCount) {
      logic_->Execute(static_cast<ActionId>(id - kActionCommandBase));
    } else if (id == kCommandImport) {
      logic_->ImportFile();
    } else if (id == kCommandHelpTopics) {
      logic_->OpenHelpTopics();
    } else if (id == kCommandAbout) {
      logic_->ShowAbout();
    }
  });
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    reinterpret_cast<MainWindow*>(cs->lpCreateParams)->hwnd_ = hwnd;
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcA(hwnd, msg, wp, lp);
  return self->Handle(msg, wp, lp);
}

LRESULT CALLBACK MainWindow::PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  // The panels only hold buttons: their commands go to the main window.
  if (msg == WM_COMMAND || msg == WM_NOTIFY) return SendMessageA(GetParent(hwnd), msg, wp, lp);
  return DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT CALLBACK MainWindow::TextAreaProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (msg == WM_KEYDOWN && self->logic_->TextAreaKeyDown(static_cast<int>(wp), GetKeyState(VK_CONTROL) < 0)) {
    return 0;
  }
  return CallWindowProcA(self->textAreaDefault_, hwnd, msg, wp, lp);
}

LRESULT MainWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
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
        SetFocus(lastFocus_ != nullptr && IsWindow(lastFocus_) ? lastFocus_ : output_.Handle());
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

void MainWindow::ShowError(std::string_view text) {
  MessageBoxA(hwnd_, std::string(text).c_str(), kMessageBoxCaption, kErrorBoxStyle);
}

bool MainWindow::AskYesNo(std::string_view text) {
  return MessageBoxA(hwnd_, std::string(text).c_str(), kMessageBoxCaption, kQuestionBoxStyle) == IDYES;
}

void MainWindow::ShowInformation(std::string_view text) {
  MessageBoxA(hwnd_, std::string(text).c_str(), kMessageBoxCaption, kInformationBoxStyle);
}

void MainWindow::ShowWarning(std::string_view text) {
  MessageBoxA(hwnd_, std::string(text).c_str(), kMessageBoxCaption, kWarningBoxStyle);
}

std::optional<std::size_t> MainWindow::ChooseHiveMount(std::string_view fileName, std::string_view question,
                                                       const std::vector<std::string>& choices) {
  HiveMountDialog dialog(hwnd_, windowFont_);
  return dialog.Ask(fileName, question, choices);
}

void MainWindow::ReportFailure(std::string_view text) {
  MessageBoxA(hwnd_, std::string(text).c_str(), kMessageBoxCaption, MB_OK | MB_ICONERROR);
}

bool MainWindow::ChooseFile(std::string_view filter, std::string& fileName) {
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

void MainWindow::SetStatusText(std::string_view text) { SetWindowTextA(statusBar_, std::string(text).c_str()); }

bool MainWindow::ReplaceFont(HFONT& slot, const platform::FontDescription& font, LanguageFont designed) {
  HFONT f = platform::CreateDescribedFont(font, DesignedFont(designed));
  if (f == nullptr) return false;
  // The old font goes only after no control uses it any more.
  HFONT old = slot;
  slot = f;
  ApplyFonts();
  if (old != nullptr) DeleteObject(old);
  return true;
}

void MainWindow::SetWindowFont(const platform::FontDescription& font) {
  if (ReplaceFont(windowFont_, font, LanguageFont::kWindow)) Layout();
}

void MainWindow::SetTextAreaFont(const platform::FontDescription& font) {
  ReplaceFont(textFont_, font, LanguageFont::kText);
}

void MainWindow::ActionsChanged() {
  if (hwnd_ != nullptr) RebuildMenu();
}

void MainWindow::CloseWindow() { PostMessageA(hwnd_, WM_CLOSE, 0, 0); }

void MainWindow::OpenHelp(const std::string& helpFile) {
  constexpr UINT kHelpTopics = 11;  // HELP_FINDER
  WinHelpA(hwnd_, helpFile.c_str(), kHelpTopics, 0);
}

void MainWindow::ShowAboutBox() {
  AboutBox box(hwnd_, setup_.icon, setup_.languageFile);
  box.ShowModal();
}

void MainWindow::BringToFront() { SetForegroundWindow(hwnd_); }

void MainWindow::SetWaitCursor(bool on) {
  waitCursor_ = on;
  SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(on ? IDC_WAIT : IDC_ARROW)));
}

}  // namespace vindra::app
