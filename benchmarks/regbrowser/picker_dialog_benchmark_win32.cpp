// Opens the real key picker at HKCU\Software\VindraPickerBench, a key with N
// sub-keys (default 10 000; created on first use, every second one with a
// sub-key of its own), expands it and prints how long the fill took.
//   picker_dialog_benchmark [N] [--keep]      (under Wine: tools/wine-run ...)
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "benchmarks/bench_timing.h"
#include "regbrowser/key_picker_dialog_win32.h"
#include "registry/win32_registry.h"
#include "tests/regbrowser/shown_dialog_win32.h"

namespace {

using namespace vindra;
using bench::NowMs;
using regbrowser::testing::PickerTree;
using regbrowser::testing::ShownDialogOnce;

constexpr char kBenchKey[] = "Software\\VindraPickerBench";
double g_fill_ms = -1;

int g_children = 0;

DWORD SubKeyCount(const char* path) {
  HKEY key;
  DWORD count = 0;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   nullptr);
  RegCloseKey(key);
  return count;
}

void CreateBenchKeys(int count) {
  if (SubKeyCount(kBenchKey) == static_cast<DWORD>(count)) return;
  RegDeleteTreeA(HKEY_CURRENT_USER, kBenchKey);
  const double start = NowMs();
  for (int i = 0; i < count; ++i) {
    std::string path = std::string(kBenchKey) + "\\Key" + std::to_string((i * 7919) % count);
    if (i % 2) path += "\\Sub";
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS)
      RegCloseKey(key);
  }
  std::printf("created %d keys in %.0f ms\n", count,
              NowMs() - start);
}

void CALLBACK ExpandAndMeasure(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = ShownDialogOnce(timer);
  if (!dialog) return;
  HWND tree = PickerTree(dialog);
  HTREEITEM item = TreeView_GetSelection(tree);
  const double start = NowMs();
  TreeView_Expand(tree, item, TVE_EXPAND);
  UpdateWindow(tree);
  g_fill_ms = NowMs() - start;
  for (HTREEITEM c = TreeView_GetChild(tree, item); c; c = TreeView_GetNextSibling(tree, c)) ++g_children;
  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace

int main(int argc, char** argv) {
  int count = 10000;
  bool keep = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--keep") == 0) keep = true;
    else count = std::atoi(argv[i]);
  }
  CreateBenchKeys(count);

  registry::Win32RegistrySource source;
  regbrowser::Win32KeyPickerDialogFactory factory(source, nullptr);
  regbrowser::KeyPickerRunner runner(factory);
  runner.root = registry::kHkeyCurrentUser;
  runner.section = kBenchKey;
  SetTimer(nullptr, 0, 50, ExpandAndMeasure);
  const double start = NowMs();
  runner.Run("benchmark", "PC", {}, {});
  const double total = NowMs() - start;

  std::printf("sub-keys: %d, children shown: %d\n", count, g_children);
  std::printf("expanding the node (fill + tree items + paint): %.1f ms\n", g_fill_ms);
  std::printf("whole dialog (create, preselect, expand, close): %.1f ms\n", total);
  if (!keep) RegDeleteTreeA(HKEY_CURRENT_USER, kBenchKey);
  return g_children == count ? 0 : 1;
}
