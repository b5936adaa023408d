// MainWindow: the Win32 main window. It holds the controls (the output area,
// the button bar with the Convert and RegExpander buttons and, at its right
// end, the Close button, the status bar), the menu bar built from the
// actions, the key picker (over the live registry, and over each hive file
// opened), the open-file dialog and the question which key a hive file
// stands for, and forwards every event to the portable MainWindowLogic.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/output_area_win32.h"
#include "regbrowser/key_picker_runner.h"

namespace vindra::app {

// Command identifiers of the menu items and buttons.
inline constexpr int kActionCommandBase = 100;  // + ActionId
inline constexpr int kCommandImport = 200;      // File > Import
inline constexpr int kCommandHelpTopics = 201;  // Help > topics
inline constexpr int kCommandAbout = 202;       // Help > about

inline constexpr char kMainWindowClass[] = "VindraMainWindow";
inline constexpr char kMessageBoxCaption[] = "Vindra";
inline constexpr UINT kErrorBoxStyle = 0x12010;        // OK, error icon, task-modal, foreground
inline constexpr UINT kQuestionBoxStyle = 0x12024;     // Yes/No, question icon, task-modal, foreground
inline constexpr UINT kInformationBoxStyle = 0x12040;  // OK, information icon, task-modal, foreground
inline constexpr UINT kWarningBoxStyle = 0x12030;      // OK, warning icon, task-modal, foreground

struct MainWindowSetup {
  registry::RegistrySource& registry;          // the live registry
  regbrowser::KeyPickerDialogFactory& pickerDialogs;  // dialogs of the key picker
  const MessageTable& messages;
  std::string languageFile;
  std::string executablePath;
  std::vector<std::string> arguments;  // program name excluded
  HICON icon = nullptr;                // the application's icon
};

class MainWindow final : public MainWindowView {
 public:
  explicit MainWindow(MainWindowSetup setup);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // FormCreate: creates the window and its controls, registers the drop target.
  HWND Create();
  // Shows the window; the first showing runs OnShown.
  void Show(int showCommand);
  // The message loop until the window closes; returns the exit code.
  int Run();
  // The application-wide message hook: true when the message was handled.
  bool AppMessage(const MSG& msg);

  HWND Handle() const { return hwnd_; }
  OutputArea& Output() { return output_; }
  MainWindowLogic& Logic() { return *logic_; }
  HWND StatusBar() const { return statusBar_; }
  HMENU Menu() const { return menu_; }

  // MainWindowView
  void ShowError(std::string_view text) override;
  bool AskYesNo(std::string_view text) override;
  void ShowInformation(std::string_view text) override;
  void ShowWarning(std::string_view text) override;
  std::optional<std::size_t> ChooseHiveMount(std::string_view fileName, std::string_view question,
                                             const std::vector<std::string>& choices) override;
  void ReportFailure(std::string_view text) override;
  bool ChooseFile(std::string_view filter, std::string& fileName) override;
  void SetStatusText(std::string_view text) override;
  void SetWindowFont(const platform::FontDescription& font) override;
  void SetTextAreaFont(const platform::FontDescription& font) override;
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
  class HiveAdapter;

  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK PanelProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK TextAreaProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void OnCommand(int id);
  void OnDropFiles(HDROP drop);
  void Layout();
  void RebuildMenu();
  void ApplyFonts();
  // Makes the described font, hands it to the controls and deletes the one it
  // replaces; false (nothing changed) when it cannot be made.
  bool ReplaceFont(HFONT& slot, const platform::FontDescription& font, LanguageFont designed);

  MainWindowSetup setup_;
  std::unique_ptr<PickerAdapter> picker_;
  std::unique_ptr<ConverterAdapter> converters_;
  std::unique_ptr<LanguageAdapter> language_;
  std::unique_ptr<HiveAdapter> hives_;
  std::unique_ptr<MainWindowLogic> logic_;
  OutputArea output_;
  HWND hwnd_ = nullptr, buttonBar_ = nullptr, closeButtonArea_ = nullptr, statusBar_ = nullptr;
  HWND closeButton_ = nullptr, convertButton_ = nullptr, regExpanderButton_ = nullptr;
  HMENU menu_ = nullptr;
  HWND lastFocus_ = nullptr;
  HFONT windowFont_ = nullptr, textFont_ = nullptr;
  WNDPROC textAreaDefault_ = nullptr;
  bool waitCursor_ = false;
  bool shownOnce_ = false;
};

}  // namespace vindra::app
