// Shows the key picker with a few levels of the registry expanded and keeps
// it open for a screenshot.
//   picker_screenshot [SECONDS]        (default 4; then the dialog cancels itself)
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>

#include "regbrowser/key_picker_dialog_win32.h"
#include "registry/win32_registry.h"
#include "tests/regbrowser/shown_dialog_win32.h"

namespace {

using namespace vindra;
using regbrowser::testing::FindShownDialog;
using regbrowser::testing::PickerTree;
using regbrowser::testing::ShownDialogOnce;

int g_seconds = 4;

void CALLBACK Close(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  HWND dialog = FindShownDialog();
  if (dialog) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

void CALLBACK ExpandSelection(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = ShownDialogOnce(timer);
  if (!dialog) return;
  HWND tree = PickerTree(dialog);
  HTREEITEM item = TreeView_GetSelection(tree);
  TreeView_Expand(tree, item, TVE_EXPAND);
  // Scroll back to the top so that the computer node shows too.
  TreeView_EnsureVisible(tree, TreeView_GetRoot(tree));
  SetTimer(nullptr, 0, static_cast<UINT>(g_seconds * 1000), Close);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) g_seconds = std::atoi(argv[1]);
  registry::Win32RegistrySource source;
  regbrowser::Win32KeyPickerDialogFactory factory(source, nullptr);
  regbrowser::KeyPickerRunner runner(factory);
  runner.root = registry::kHkeyCurrentUser;
  runner.section = "Software\\Wine";
  runner.caption = "変換するレジストリエントリを選択して下さい";
  SetTimer(nullptr, 0, 50, ExpandSelection);
  runner.Run("レジストリキーを選択して下さい", "マイコンピュータ", {}, {});
  return 0;
}
