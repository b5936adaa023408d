// Vindra.exe: the Win32 entry point. Start-up (language file, message table,
// title) runs first; then the main window MainWindow runs until it is closed.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/main_window_win32.h"
#include "app/resources/resource.h"
#include "app/startup.h"
#include "platform/file_system.h"
#include "regbrowser/key_picker_dialog_win32.h"
#include "registry/win32_registry.h"

namespace {

class Win32Shell final : public vindra::app::ApplicationShell {
 public:
  explicit Win32Shell(int showCommand) : showCommand_(showCommand) {}

  // The main window carries the title on the task bar.
  void SetApplicationTitle(std::string_view title) override { title_ = std::string(title); }

  int RunMainWindow() override {
    vindra::registry::Win32RegistrySource registry;
    vindra::regbrowser::Win32KeyPickerDialogFactory pickerDialogs(registry, nullptr);
    std::vector<std::string> arguments;
    for (int i = 1; i < __argc; ++i) arguments.emplace_back(__argv[i]);
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_VINDRA));

    vindra::app::MainWindow mainWindow({registry, pickerDialogs, vindra::app::Messages(), vindra::app::LanguageFile(),
                               vindra::platform::ExecutablePath(), std::move(arguments), icon});
    HWND hwnd = mainWindow.Create();
    if (hwnd == nullptr) return 1;
    SetWindowTextA(hwnd, title_.c_str());
    pickerDialogs.SetOwner(hwnd);
    mainWindow.Show(showCommand_);
    return mainWindow.Run();
  }

 private:
  int showCommand_;
  std::string title_ = "Vindra";
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
  Win32Shell shell(showCommand);
  return vindra::app::StartUp(vindra::platform::ExecutablePath(), shell);
}
