// Finds the key picker that this thread shows, for programs that drive the
// dialog from a thread timer inside its modal loop (tests, benchmarks).
#pragma once

#include <windows.h>

#include <cstring>

#include "regbrowser/key_picker_dialog_win32.h"

namespace vindra::regbrowser::testing {

// EnumThreadWindows callback: stores the first visible dialog in *out. A named
// CALLBACK function, since a lambda has the wrong calling convention on x86.
inline BOOL CALLBACK StoreShownDialog(HWND hwnd, LPARAM out) {
  char cls[32] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  if (std::strcmp(cls, "#32770") != 0 || !IsWindowVisible(hwnd)) return TRUE;
  *reinterpret_cast<HWND*>(out) = hwnd;
  return FALSE;
}

// The visible dialog window of the calling thread, or null.
inline HWND FindShownDialog() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), StoreShownDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

// For a timer callback that acts once the dialog shows: the shown dialog, its
// timer `timer` killed; null, the timer left running, while none is shown yet.
inline HWND ShownDialogOnce(UINT_PTR timer) {
  HWND dialog = FindShownDialog();
  if (dialog) KillTimer(nullptr, timer);
  return dialog;
}

// The tree view of a shown key picker.
inline HWND PickerTree(HWND dialog) { return GetDlgItem(dialog, kTreeViewId); }

}  // namespace vindra::regbrowser::testing
