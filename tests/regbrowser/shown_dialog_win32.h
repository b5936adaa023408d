// Finds the key picker that this thread shows, for programs that drive the
// dialog from a thread timer inside its modal loop (tests, benchmarks).
#pragma once

#include <windows.h>

#include <cstring>

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

}  // namespace vindra::regbrowser::testing
