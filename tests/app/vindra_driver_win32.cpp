// Drives a running Vindra.exe from a second process, for the tests and the
// screenshot script. Usage: vindra_driver COMMAND [ARGS]
//   wait            wait (up to 30 s) until the main window has been shown
//   text            print the output area's text    status   print the status bar's text
//   command ID      post WM_COMMAND ID          quit     post WM_CLOSE
//   drop FILE...    drop files on the window (a real HDROP in its memory)
//   wait-box        wait until a window owned by the main window is shown
//   close-box       press OK in the window owned by the main window
//   press-yes       press Yes in the message box owned by the main window
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kOutputAreaId = 10;

// The main window of a running Vindra.exe; windows of the same class made by
// test programs running at the same time are passed over.
HWND MainWindowLogic() {
  for (HWND w = FindWindowExA(nullptr, nullptr, "VindraMainWindow", nullptr); w != nullptr;
       w = FindWindowExA(nullptr, w, "VindraMainWindow", nullptr)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == nullptr) continue;
    char image[MAX_PATH] = {};
    DWORD size = sizeof image;
    const bool ok = QueryFullProcessImageNameA(process, 0, image, &size) != 0;
    CloseHandle(process);
    const std::string name = ok ? std::string(image, size) : std::string();
    if (name.size() >= 10 && lstrcmpiA(name.c_str() + name.size() - 10, "Vindra.exe") == 0) return w;
  }
  return nullptr;
}

std::string Text(HWND w) {
  const LRESULT n = SendMessageA(w, WM_GETTEXTLENGTH, 0, 0);
  std::string s(static_cast<std::size_t>(n) + 1, '\0');
  const LRESULT got = SendMessageA(w, WM_GETTEXT, s.size(), reinterpret_cast<LPARAM>(s.data()));
  s.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return s;
}

HWND StatusBar(HWND main) { return FindWindowExA(main, nullptr, "msctls_statusbar32", nullptr); }

int Drop(HWND main, int count, char** files) {
  std::string list;
  for (int i = 0; i < count; ++i) list += std::string(files[i]) + '\0';
  list += '\0';
  std::string bytes(sizeof(DROPFILES), '\0');
  DROPFILES df = {};
  df.pFiles = sizeof(DROPFILES);
  std::memcpy(bytes.data(), &df, sizeof df);
  bytes += list;
  DWORD pid = 0;
  GetWindowThreadProcessId(main, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
  if (process == nullptr) return 3;
  // A handle made here would mean nothing in the other process: the drop's
  // memory has to live there.
  void* remote = VirtualAllocEx(process, nullptr, bytes.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (remote == nullptr || !WriteProcessMemory(process, remote, bytes.data(), bytes.size(), nullptr)) return 3;
  CloseHandle(process);
  PostMessageA(main, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0);
  return 0;
}

struct OwnedSearch {
  HWND owner;
  HWND found;
};

BOOL CALLBACK FindOwned(HWND w, LPARAM lp) {
  auto* s = reinterpret_cast<OwnedSearch*>(lp);
  if (IsWindowVisible(w) && GetWindow(w, GW_OWNER) == s->owner) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 64;
  _setmode(_fileno(stdout), _O_BINARY);  // the text exactly as the window holds it
  const std::string command = argv[1];
  HWND main = nullptr;
  for (int i = 0; i < 300 && main == nullptr; ++i) {
    main = MainWindowLogic();
    if (main == nullptr) Sleep(100);
  }
  if (main == nullptr) {
    std::fprintf(stderr, "no main window\n");
    return 2;
  }
  if (command == "wait") {
    // The status bar is filled at the end of the first showing.
    for (int i = 0; i < 300; ++i) {
      if (!Text(StatusBar(main)).empty()) return 0;
      Sleep(100);
    }
    return 2;
  }
  if (command == "wait-box") {
    for (int i = 0; i < 300; ++i) {
      OwnedSearch s = {main, nullptr};
      EnumWindows(FindOwned, reinterpret_cast<LPARAM>(&s));
      if (s.found != nullptr) {
        std::printf("%s\n", Text(s.found).c_str());
        return 0;
      }
      Sleep(100);
    }
    return 2;
  }
  if (command == "close-box" || command == "press-yes") {
    OwnedSearch s = {main, nullptr};
    EnumWindows(FindOwned, reinterpret_cast<LPARAM>(&s));
    if (s.found == nullptr) return 2;
    const int button = command == "press-yes" ? IDYES : IDOK;
    PostMessageA(s.found, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    // Wait until that window has gone, so that the next wait-box finds the next one.
    for (int i = 0; i < 100 && IsWindow(s.found) && IsWindowVisible(s.found); ++i) Sleep(50);
    return 0;
  }
  if (command == "text") {
    const std::string text = Text(GetDlgItem(main, kOutputAreaId));
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
  }
  if (command == "status") {
    std::printf("%s\n", Text(StatusBar(main)).c_str());
    return 0;
  }
  if (command == "command" && argc > 2) {
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(std::atoi(argv[2]), 0), 0);
    return 0;
  }
  if (command == "quit") {
    PostMessageA(main, WM_CLOSE, 0, 0);
    return 0;
  }
  if (command == "drop" && argc > 2) return Drop(main, argc - 2, argv + 2);
  return 64;
}
