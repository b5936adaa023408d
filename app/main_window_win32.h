// TForm1: the Win32 main window. It holds the controls (Memo1, Panel1 with
// Button2 and Button3, Panel2 with Button1, SB1), the menu bar MainMenu1 built
// from the actions, the key picker RB1 and the open-file dialog OD1, and
// forwards every event to the portable MainWindow logic.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/memo_win32.h"
#include "regbrowser/reg_browser.h"

namespace vindra::app {

// Command identifiers of the menu items and buttons.
inline constexpr int kActionCommandBase = 100;  // + ActionId
inline constexpr int kCommandImport = 200;      // I1
inline constexpr int kCommandHelpTopics = 201;  // H3
inline constexpr int kCommandAbout = 202;       // A1

inline constexpr char kMainWindowClass[] = "TForm1";
inline constexpr char kMessageBoxCaption[] = "Vindra";
inline constexpr UINT kErrorBoxStyle = 0x12010;        // OK, error icon, task-modal, foreground
inline constexpr UINT kQuestionBoxStyle = 0x12024;     // Yes/No, question icon, task-modal, foreground
inline constexpr UINT kInformationBoxStyle = 0x12040;  // OK, information icon, task-modal, foreground

struct TForm1Setup {
  registry::RegistrySource& registry;          // the live registry
  regbrowser::RegDialogFactory& pickerDialogs;  // TReg_Form windows for RB1
  const MessageTable& messages;
  std::string languageFile;
  std::string executablePath;
  std::vector<std::string> arguments;  // program name excluded
  HICON icon = nullptr;                // the application's icon
};

class TForm1 final : public MainWindowView {
 public:
  explicit TForm1(TForm1Setup setup);
  ~TForm1() override;
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // FormCreate: creates the window and its controls, registers the drop target.
  HWND Create();
  // Shows the window; the first showing runs FormShow.
  void Show(int showCommand);
  // The message loop until the window closes; returns the exit code.
  int Run();
  // The application-wide message hook: true when the message was handled.
  bool AppMessage(const MSG& msg);

  HWND Handle() const { return hwnd_; }
  Memo1& Memo() { return memo_; }
  MainWindow& Logic() { return *logic_; }
  HWND StatusBar() const { return sb1_; }
  HMENU Menu() const { return menu_; }

  // MainWindowView
  void ShowError(std::string_view text) override;
  bool AskYesNo(std::string_view text) override;
  void ShowInformation(std::string_view text) override;
  void ReportFailure(std::string_view text) override;
  bool ChooseFile(std::string_view filter, std::string& fileName) override;
  void SetStatusText(std::string_view text) override;
  void SetWindowFont(const FontDescription& font) override;
  void SetMemoFont(const FontDescription& font) override;
  void ActionsChanged() override;
  void CloseWindow() override;
  void OpenHelp(const std::string& helpFile) override;
  void ShowAboutBox() override;
  void BringToFront() override;
  void SetWaitCursor(bool on) override;

 private:
  class PickerAdapter;
  class ConverterAdapter;
  class LanguageAdapter;

  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK PanelProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK MemoProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void OnCommand(int id);
  void OnDropFiles(HDROP drop);
  void Layout();
  void RebuildMenu();
  void ApplyFonts();
  // Runs a handler; an exception escaping it is shown by the general error report.
  template <typename F>
  void Guarded(F&& f);

  TForm1Setup setup_;
  std::unique_ptr<PickerAdapter> picker_;
  std::unique_ptr<ConverterAdapter> converters_;
  std::unique_ptr<LanguageAdapter> language_;
  std::unique_ptr<MainWindow> logic_;
  Memo1 memo_;
  HWND hwnd_ = nullptr, panel1_ = nullptr, panel2_ = nullptr, sb1_ = nullptr;
  HWND button1_ = nullptr, button2_ = nullptr, button3_ = nullptr;
  HMENU menu_ = nullptr;
  HWND lastFocus_ = nullptr;
  HFONT windowFont_ = nullptr, memoFont_ = nullptr;
  WNDPROC memoDefault_ = nullptr;
  bool waitCursor_ = false;
  int busy_ = 0;  // commands running (modal boxes and dialogs included)
  bool shownOnce_ = false;
};

}  // namespace vindra::app
