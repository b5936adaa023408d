// The real main window under Wine: real controls, real message boxes (answered
// by a hook), real WM_DROPFILES drops, Wine's registry and the real converter
// and exporters. Only the key picker's dialog is scripted.
#include "app/main_window_win32.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <commctrl.h>

#include <cstring>
#include <deque>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "app/about_box_win32.h"
#include "app/hive_mount_dialog_win32.h"
#include "core/output_list.h"
#include "registry/key_exporter.h"
#include "registry/memory_registry.h"
#include "registry/reg_file_import.h"
#include "registry/win32_registry.h"
#include "tests/regbrowser/shown_dialog_win32.h"

namespace vindra::app {
namespace {

using registry::RootKey;

// Message boxes: recorded and answered when they activate.
struct BoxRecord {
  std::string caption, text;
};
std::vector<BoxRecord> g_boxes;
std::deque<int> g_answers;
// The question which key a hive file holds: recorded, and answered with this
// choice (-1: Cancel).
std::vector<BoxRecord> g_mountQuestions;
int g_mountChoice = -1;

LRESULT CALLBACK AnswerBoxes(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_ACTIVATE) {
    HWND w = reinterpret_cast<HWND>(wp);
    char cls[32] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") == 0 && GetDlgItem(w, kHiveMountFirstChoiceId) != nullptr) {
      char file[512] = {}, question[1024] = {};
      GetDlgItemTextA(w, kHiveMountFileNameId, file, sizeof file);
      GetDlgItemTextA(w, kHiveMountQuestionId, question, sizeof question);
      g_mountQuestions.push_back({file, question});
      if (g_mountChoice >= 0) {
        PostMessageA(GetDlgItem(w, kHiveMountFirstChoiceId + g_mountChoice), BM_CLICK, 0, 0);
        PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(w, IDOK)));
      } else {
        PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      }
    }
    if (std::strcmp(cls, "#32770") == 0 && GetDlgItem(w, 0xFFFF) != nullptr) {
      char caption[256] = {}, text[1024] = {};
      GetWindowTextA(w, caption, sizeof caption);
      GetDlgItemTextA(w, 0xFFFF, text, sizeof text);
      g_boxes.push_back({caption, text});
      const int answer = g_answers.empty() ? IDOK : g_answers.front();
      if (!g_answers.empty()) g_answers.pop_front();
      PostMessageA(w, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(w, answer)));
    }
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

// The picker's dialog replaced by one that confirms the scripted key at once.
class NoView final : public regbrowser::KeyPickerView {
 public:
  void NodeAdded(regbrowser::RegTreeNode&) override {}
  void RemovingChildren(regbrowser::RegTreeNode&) override {}
  void NodeTextChanged(regbrowser::RegTreeNode&) override {}
  void SelectNode(regbrowser::RegTreeNode&) override {}
  void SetOkEnabled(bool) override {}
  void SetWaitCursor(bool) override {}
  void ProcessMessages() override {}
};

struct ScriptedPick {
  RootKey root;
  std::string section;
};

class ScriptedDialog final : public regbrowser::KeyPickerDialog {
 public:
  ScriptedDialog(registry::RegistrySource& r, std::deque<ScriptedPick>& picks) : picker_(r, view_), picks_(picks) {}
  regbrowser::KeyPicker& Picker() override { return picker_; }
  void SetWindowFont(const platform::FontDescription&) override {}
  void SetTreeFont(const platform::FontDescription&) override {}
  void SetTitle(std::string_view) override {}
  void SetCaption(std::string_view) override {}
  bool ShowModal() override {
    if (picks_.empty()) return false;
    picker_.root = picks_.front().root;
    picker_.section = picks_.front().section;
    picks_.pop_front();
    return true;
  }

 private:
  NoView view_;
  regbrowser::KeyPicker picker_;
  std::deque<ScriptedPick>& picks_;
};

class ScriptedFactory final : public regbrowser::KeyPickerDialogFactory {
 public:
  explicit ScriptedFactory(registry::RegistrySource& r) : registry_(r) {}
  std::unique_ptr<regbrowser::KeyPickerDialog> NewDialog() override {
    return std::make_unique<ScriptedDialog>(registry_, picks);
  }
  std::deque<ScriptedPick> picks;

 private:
  registry::RegistrySource& registry_;
};

std::string TempDir() {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  return dir;
}

std::string WriteFile(const std::string& name, const std::string& content) {
  const std::string path = TempDir() + name;
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

std::string RegFile(const std::string& body) { return "Windows Registry Editor Version 5.00\r\n\r\n" + body; }

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A real HDROP as the shell builds it: DROPFILES, then the double-NUL-ended list.
HGLOBAL MakeDrop(const std::vector<std::string>& files) {
  std::string list;
  for (const auto& f : files) list += f + '\0';
  list += '\0';
  HGLOBAL h = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size());
  auto* df = static_cast<DROPFILES*>(GlobalLock(h));
  df->pFiles = sizeof(DROPFILES);
  df->fWide = FALSE;
  std::memcpy(reinterpret_cast<char*>(df) + sizeof(DROPFILES), list.data(), list.size());
  GlobalUnlock(h);
  return h;
}

class MainWindowWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    g_boxes.clear();
    g_answers.clear();
    g_mountQuestions.clear();
    g_mountChoice = -1;
    hook_ = SetWindowsHookExA(WH_CBT, AnswerBoxes, nullptr, GetCurrentThreadId());
  }
  void TearDown() override {
    form_.reset();
    UnhookWindowsHookEx(hook_);
  }
  MainWindow& Open(std::vector<std::string> args = {}) {
    form_ = std::make_unique<MainWindow>(MainWindowSetup{registry_, factory_, messages_,
                                                         TempDir() + "no-such-dir\\Vindra.rsl", "C:\\Vindra\\Vindra.exe",
                                                         std::move(args), nullptr});
    EXPECT_NE(form_->Create(), nullptr);
    form_->Show(SW_SHOWNOACTIVATE);
    return *form_;
  }
  void Command(int id) { SendMessageA(form_->Handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
  void Action(ActionId id) { Command(kActionCommandBase + static_cast<int>(id)); }
  std::string StatusText() {
    char text[128] = {};
    GetWindowTextA(form_->StatusBar(), text, sizeof text);
    return text;
  }

  HHOOK hook_ = nullptr;
  registry::Win32RegistrySource registry_;
  ScriptedFactory factory_{registry_};
  MessageTable messages_;
  std::unique_ptr<MainWindow> form_;
};

TEST_F(MainWindowWin32Test, CommandLineFileConvertsAtFirstShowing) {
  const std::string file = WriteFile("vindra_cmdline.reg", RegFile("[HKEY_CURRENT_USER\\Software\\VindraCmd]\r\n"
                                                                    "\"Name\"=\"Value\"\r\n"));
  MainWindow& f = Open({file, "ignored.reg"});
  const std::string text = f.Output().Text();
  EXPECT_EQ(text.rfind("[Default.AddReg]\r\n", 0), 0u) << text;
  EXPECT_TRUE(Contains(text, "\"Software\\VindraCmd\",\"Name\",\"Value\"")) << text;
  EXPECT_EQ(StatusText(), "Current: ControlSet001");  // Wine's System\Select\Current is 1
  EXPECT_TRUE(g_boxes.empty());
  char title[64] = {};
  GetWindowTextA(f.Handle(), title, sizeof title);
  EXPECT_STREQ(title, "Vindra");
  RECT r;
  GetWindowRect(f.Handle(), &r);
  EXPECT_EQ(r.right - r.left, 624);
  EXPECT_EQ(r.bottom - r.top, 507);
}

TEST_F(MainWindowWin32Test, MissingCommandLineFileIsReportedAndStartupGoesOn) {
  MainWindow& f = Open({TempDir() + "vindra-no-such-file.reg"});
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0].caption, "Vindra");
  EXPECT_TRUE(Contains(g_boxes[0].text, "vindra-no-such-file.reg")) << g_boxes[0].text;
  EXPECT_EQ(f.Output().Text(), "");
  EXPECT_EQ(StatusText(), "Current: ControlSet001");
}

TEST_F(MainWindowWin32Test, DropOfThreeFilesConvertsOnlyTheFirstAndReplacesText) {
  const std::string a = WriteFile("vindra_drop_a.reg", RegFile("[HKEY_CURRENT_USER\\Software\\DropA]\r\n\"x\"=\"1\"\r\n"));
  const std::string b = WriteFile("vindra_drop_b.reg", RegFile("[HKEY_CURRENT_USER\\Software\\DropB]\r\n\"x\"=\"2\"\r\n"));
  const std::string c = WriteFile("vindra_drop_c.reg", RegFile("[HKEY_CURRENT_USER\\Software\\DropC]\r\n\"x\"=\"3\"\r\n"));
  MainWindow& f = Open();
  SetWindowTextA(f.Output().Handle(), "earlier output\r\n");
  SendMessageA(f.Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({a, b, c})), 0);
  const std::string text = f.Output().Text();
  EXPECT_TRUE(Contains(text, "DropA")) << text;
  EXPECT_FALSE(Contains(text, "DropB"));
  EXPECT_FALSE(Contains(text, "DropC"));
  EXPECT_FALSE(Contains(text, "earlier output"));
  EXPECT_TRUE(g_boxes.empty());
}

class HkcuTestKey {
 public:
  explicit HkcuTestKey(const std::wstring& name) : path_(L"Software\\" + name) {
    SHDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
    HKEY key;
    RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    const wchar_t text[] = L"C:\\windows\\system32\\a.dll";
    RegSetValueExW(key, L"Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
    DWORD n = 255;
    RegSetValueExW(key, L"Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n), sizeof n);
    HKEY sub;
    RegCreateKeyExW(key, L"Sub", 0, nullptr, 0, KEY_WRITE, nullptr, &sub, nullptr);
    RegSetValueExW(sub, L"", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"d"), 4);
    RegCloseKey(sub);
    RegCloseKey(key);
  }
  ~HkcuTestKey() { SHDeleteKeyW(HKEY_CURRENT_USER, path_.c_str()); }

 private:
  std::wstring path_;
};

TEST_F(MainWindowWin32Test, ConvertOfTestKeyAnsweredThroughRealMessageBoxes) {
  HkcuTestKey key(L"VindraWineConvert");
  MainWindow& f = Open();
  const std::string exported =
      "[Default.AddReg]\r\n"
      "0x0,\"Software\\VindraWineConvert\"\r\n"
      "0x4,\"Software\\VindraWineConvert\",\"Count\",0xFF\r\n"
      "0x1,\"Software\\VindraWineConvert\",\"Path\",\"X:\\I386\\system32\\a.dll\"\r\n"
      "0x0,\"Software\\VindraWineConvert\\Sub\"\r\n"
      "0x1,\"Software\\VindraWineConvert\\Sub\",,\"d\"\r\n";

  // Empty text area: no question, only the completion box.
  factory_.picks.push_back({registry::kHkeyCurrentUser, "Software\\VindraWineConvert\\"});
  Action(ActionId::Convert);
  EXPECT_EQ(f.Output().Text(), exported);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0].caption, "Vindra");
  EXPECT_EQ(g_boxes[0].text, messages_.Get(MessageId::ExportFinished));
  EXPECT_EQ(GetFocus(), f.Output().Handle());

  // Yes appends after the separator.
  g_boxes.clear();
  g_answers = {IDYES, IDOK};
  factory_.picks.push_back({registry::kHkeyCurrentUser, "Software\\VindraWineConvert\\"});
  Action(ActionId::Convert);
  ASSERT_EQ(g_boxes.size(), 2u);
  EXPECT_EQ(g_boxes[0].text, messages_.Get(MessageId::OutputKept) + "\r\n" + messages_.Get(MessageId::AppendQuestion));
  const std::string separator = "\r\n;" + std::string(59, '-') + "\r\n";
  EXPECT_EQ(f.Output().Text(), exported + separator + "\r\n" + exported);

  // No replaces.
  g_answers = {IDNO, IDOK};
  factory_.picks.push_back({registry::kHkeyCurrentUser, "Software\\VindraWineConvert\\"});
  Action(ActionId::Convert);
  EXPECT_EQ(f.Output().Text(), exported);
}

TEST_F(MainWindowWin32Test, RefusedKeysShowTheErrorBox) {
  MainWindow& f = Open();
  factory_.picks.push_back({registry::kHkeyLocalMachine, "HARDWARE\\DESCRIPTION\\"});
  factory_.picks.push_back({registry::kHkeyUsers, ".DEFAULT\\"});
  Action(ActionId::Convert);
  Action(ActionId::Convert);
  ASSERT_EQ(g_boxes.size(), 2u);
  EXPECT_EQ(g_boxes[0].text, messages_.Get(MessageId::OutsideSoftwareOrSystem));
  EXPECT_EQ(g_boxes[1].text, messages_.Get(MessageId::RootNotAllowed));
  EXPECT_EQ(g_boxes[1].caption, "Vindra");
  EXPECT_EQ(f.Output().Text(), "");
  EXPECT_EQ(f.Logic().LastRoot(), registry::kHkeyUsers);
}

TEST_F(MainWindowWin32Test, RegExpanderAppendsAfterTheText) {
  HkcuTestKey key(L"VindraWineRegExpander");
  MainWindow& f = Open();
  SetWindowTextA(f.Output().Handle(), "kept\r\n");
  factory_.picks.push_back({registry::kHkeyCurrentUser, "Software\\VindraWineRegExpander\\"});
  Action(ActionId::RegExpander);
  ASSERT_EQ(g_boxes.size(), 1u);  // the completion box only
  EXPECT_EQ(f.Output().Text(),
            "kept\r\n; for Registry Expander\r\n"
            "0x7,\"Quenvel\\RegExpander\\HKCU\",\"Software\\VindraWineRegExpander\",\"Path\"\r\n"
            "0x7,\"Quenvel\\RegExpander\\HKCU\",\"Software\\VindraWineRegExpander\\Sub\",\"(Default)\"\r\n");
}

UINT MenuState(HMENU bar, int popup, int id) { return GetMenuState(GetSubMenu(bar, popup), id, MF_BYCOMMAND); }

TEST_F(MainWindowWin32Test, MenuTogglesChangeTheNextConversion) {
  const std::string file =
      WriteFile("vindra_toggles.reg", RegFile("[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\VindraSvc]\r\n"
                                              "\"ImagePath\"=\"C:\\\\windows\\\\system32\\\\svc.exe\"\r\n"));
  MainWindow& f = Open();
  auto drop = [&] { SendMessageA(f.Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({file})), 0); };
  drop();
  std::string text = f.Output().Text();
  EXPECT_TRUE(Contains(text, "\"ControlSet001\\Services\\VindraSvc\"")) << text;
  EXPECT_TRUE(Contains(text, "\"X:\\I386\\system32\\svc.exe\"")) << text;

  const int tools = 1, replace = 2;
  const int force = kActionCommandBase + static_cast<int>(ActionId::ForceControlSet001);
  EXPECT_TRUE(MenuState(f.Menu(), tools, force) & MF_CHECKED);
  Action(ActionId::ForceControlSet001);
  EXPECT_FALSE(MenuState(f.Menu(), tools, force) & MF_CHECKED);
  EXPECT_EQ(GetMenuItemCount(GetSubMenu(f.Menu(), replace)), 7);
  Action(ActionId::ReplaceNothing);
  EXPECT_EQ(GetMenuItemCount(GetSubMenu(f.Menu(), replace)), 4);  // toggles hidden, separator stays
  drop();
  text = f.Output().Text();
  EXPECT_TRUE(Contains(text, "\"CurrentControlSet\\Services\\VindraSvc\"")) << text;
  EXPECT_TRUE(Contains(text, "\"C:\\windows\\system32\\svc.exe\"")) << text;

  Action(ActionId::ReplaceWithVariables);
  EXPECT_EQ(GetMenuItemCount(GetSubMenu(f.Menu(), replace)), 7);
  char caption[128] = {};
  GetMenuStringA(f.Menu(), kActionCommandBase + static_cast<int>(ActionId::ReplaceSystemRoot), caption, sizeof caption,
                 MF_BYCOMMAND);
  EXPECT_STREQ(caption, "&1: C:\\windows -> %SystemRoot%");
  drop();
  EXPECT_TRUE(Contains(f.Output().Text(), "\"%SystemRoot%\\system32\\svc.exe\"")) << f.Output().Text();
}

// The about box once it has initialised: its version text and client size
// recorded, then it is closed with OK.
std::string g_aboutVersion;
RECT g_aboutClient;

LRESULT CALLBACK RecordAndCloseAboutBox(int code, WPARAM wp, LPARAM lp) {
  const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lp);
  if (code == HC_ACTION && call->message == WM_INITDIALOG) {
    HWND box = call->hwnd;
    if (GetDlgItem(box, kAboutVersionId) != nullptr) {
      char text[64] = {};
      GetDlgItemTextA(box, kAboutVersionId, text, sizeof text);
      g_aboutVersion = text;
      GetClientRect(box, &g_aboutClient);
      PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

TEST_F(MainWindowWin32Test, AboutBoxShowsVersionAndShrinks) {
  Open();
  g_aboutVersion.clear();
  HHOOK recorder = SetWindowsHookExA(WH_CALLWNDPROCRET, RecordAndCloseAboutBox, nullptr, GetCurrentThreadId());
  Command(kCommandAbout);
  UnhookWindowsHookEx(recorder);
  const RECT client = g_aboutClient;
  EXPECT_EQ(g_aboutVersion, "version 2.94");
  EXPECT_EQ(client.right, 256);
  EXPECT_EQ(client.bottom, 150);
}

TEST_F(MainWindowWin32Test, LargeExportShowsOnceRedrawingResumes) {
  MainWindow& f = Open();
  OutputArea& memo = f.Output();
  memo.SuspendRedraw();
  for (int i = 0; i < 20000; ++i) memo.Add("0x1,\"Software\\Key\",\"Value" + std::to_string(i) + "\",\"data\"");
  EXPECT_TRUE(memo.HasText());
  memo.ResumeRedraw();
  EXPECT_EQ(SendMessageA(memo.Handle(), EM_GETLINECOUNT, 0, 0), 20001);
  EXPECT_TRUE(Contains(memo.Text(), "\"Value19999\",\"data\"\r\n"));
}

HWND g_dropTarget = nullptr;
std::string g_dropFile;

// Drops a file on the main window while the question box of a Convert is open.
LRESULT CALLBACK DropDuringQuestion(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_ACTIVATE) {
    HWND w = reinterpret_cast<HWND>(wp);
    if (GetDlgItem(w, IDYES) != nullptr) {
      SendMessageA(g_dropTarget, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({g_dropFile})), 0);
    }
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

TEST_F(MainWindowWin32Test, DropWhileACommandWaitsIsIgnored) {
  HkcuTestKey key(L"VindraWineBusyDrop");
  g_dropFile = WriteFile("vindra_busy.reg", RegFile("[HKEY_CURRENT_USER\\Software\\BusyDrop]\r\n\"x\"=\"1\"\r\n"));
  MainWindow& f = Open();
  g_dropTarget = f.Handle();
  SetWindowTextA(f.Output().Handle(), "kept\r\n");
  HHOOK dropper = SetWindowsHookExA(WH_CBT, DropDuringQuestion, nullptr, GetCurrentThreadId());
  g_answers = {IDYES, IDOK};
  factory_.picks.push_back({registry::kHkeyCurrentUser, "Software\\VindraWineBusyDrop\\"});
  Action(ActionId::Convert);
  UnhookWindowsHookEx(dropper);
  const std::string text = f.Output().Text();
  EXPECT_EQ(text.rfind("kept\r\n\r\n;", 0), 0u) << text;
  EXPECT_FALSE(Contains(text, "\"Software\\BusyDrop\"")) << text;
  EXPECT_TRUE(Contains(text, "VindraWineBusyDrop")) << text;
}

TEST_F(MainWindowWin32Test, CtrlAInTheOutputAreaSelectsEverything) {
  MainWindow& f = Open();
  SetWindowTextA(f.Output().Handle(), "one\r\ntwo\r\n");
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  for (int shift : {0, 1}) {  // Ctrl+A and Ctrl+Shift+A
    keys[VK_CONTROL] = 0x80;
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    SendMessageA(f.Output().Handle(), EM_SETSEL, 2, 2);
    SendMessageA(f.Output().Handle(), WM_KEYDOWN, 'A', 0);
    DWORD start = 1, end = 0;
    SendMessageA(f.Output().Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u) << shift;
    EXPECT_EQ(end, 10u) << shift;
  }
  keys[VK_CONTROL] = keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
  SendMessageA(f.Output().Handle(), EM_SETSEL, 2, 2);
  SendMessageA(f.Output().Handle(), WM_KEYDOWN, 'A', 0);  // a plain A selects nothing
  DWORD start = 0, end = 0;
  SendMessageA(f.Output().Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 2u);
  EXPECT_EQ(end, 2u);
}

// --- Hive files dropped on the window: the real key picker over the hive ------

const std::string kHives = VINDRA_HIVE_TEST_DATA;

// One step of a script run inside the picker's modal loop by a thread timer;
// a step returns false to be run again at the next tick.
std::vector<std::function<bool(HWND)>> g_pickerSteps;
std::size_t g_nextPickerStep = 0;
int g_pickerTicks = 0;

void CALLBACK RunPickerStep(HWND, UINT, UINT_PTR, DWORD) {
  HWND dialog = regbrowser::testing::FindShownDialog();
  if (dialog == nullptr || GetDlgItem(dialog, regbrowser::kTreeViewId) == nullptr) return;
  if (++g_pickerTicks > 400) {  // about 10 s: a broken script must not hang the run
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  if (g_nextPickerStep < g_pickerSteps.size() && g_pickerSteps[g_nextPickerStep](dialog)) ++g_nextPickerStep;
}

std::string TreeText(HWND tree, HTREEITEM item) {
  char buffer[512] = {};
  TVITEMA tv{};
  tv.mask = TVIF_TEXT;
  tv.hItem = item;
  tv.pszText = buffer;
  tv.cchTextMax = sizeof buffer;
  SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
  return buffer;
}

// Expands `item` and returns its child named `name` (null when there is none).
HTREEITEM ExpandTo(HWND tree, HTREEITEM item, const std::string& name) {
  TreeView_Expand(tree, item, TVE_EXPAND);
  for (HTREEITEM c = TreeView_GetChild(tree, item); c != nullptr; c = TreeView_GetNextSibling(tree, c)) {
    if (TreeText(tree, c) == name) return c;
  }
  return nullptr;
}

// What the picker showed when it opened: the top node, the selected key and its parent.
struct PickerStart {
  std::string top, selected, parent, title;
};

// A script that records where the picker opened, walks from the selected
// node down `path` and confirms the key reached with OK.
std::function<bool(HWND)> PickBelowSelection(PickerStart& start, std::vector<std::string> path) {
  return [&start, path](HWND dialog) {
    HWND tree = GetDlgItem(dialog, regbrowser::kTreeViewId);
    HTREEITEM item = TreeView_GetSelection(tree);
    char title[256] = {};
    GetWindowTextA(dialog, title, sizeof title);
    start = {TreeText(tree, TreeView_GetRoot(tree)), TreeText(tree, item),
             TreeText(tree, TreeView_GetParent(tree, item)), title};
    for (const std::string& name : path) {
      item = ExpandTo(tree, item, name);
      if (item == nullptr) {
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        return true;
      }
    }
    TreeView_SelectItem(tree, item);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    return true;
  };
}

// The export of the key as the .reg file of the test hives gives it, under
// the section header, with the window's default options.
std::string ExpectedExport(const std::string& header, RootKey root, const std::string& path) {
  registry::MemoryRegistry tree;
  EXPECT_TRUE(registry::ImportRegFile(kHives + "/../hive_tree.reg", tree).recognised);
  LineList lines;
  registry::RegistryKeyExporter(lines, tree, root, path, ConversionOptions{});
  std::string text = header + "\r\n";
  for (const std::string& line : lines.lines) text += line + "\r\n";
  return text;
}

class DroppedHiveTest : public MainWindowWin32Test {
 protected:
  void SetUp() override {
    MainWindowWin32Test::SetUp();
    g_pickerSteps.clear();
    g_nextPickerStep = 0;
    g_pickerTicks = 0;
    timer_ = SetTimer(nullptr, 0, 25, RunPickerStep);
  }
  void TearDown() override {
    KillTimer(nullptr, timer_);
    MainWindowWin32Test::TearDown();
  }
  void Drop(const std::string& file) {
    SendMessageA(form_->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({file})), 0);
  }
  UINT_PTR timer_ = 0;
};

TEST_F(DroppedHiveTest, PickerOpensOverTheHiveAndThePickedKeyIsExported) {
  MainWindow& f = Open();
  PickerStart start;
  g_pickerSteps = {PickBelowSelection(start, {"Vindra", "Order"})};
  Drop(kHives + "/win10/SOFTWARE");
  EXPECT_EQ(g_nextPickerStep, 1u);
  EXPECT_EQ(start.top, "SOFTWARE");  // the file's name
  EXPECT_EQ(start.selected, "SOFTWARE");
  EXPECT_EQ(start.parent, "HKEY_LOCAL_MACHINE");
  EXPECT_EQ(start.title, messages_.Get(MessageId::PickerTitle));
  EXPECT_EQ(f.Output().Text(),
            ExpectedExport("[Software.AddReg]", registry::kHkeyLocalMachine, "SOFTWARE\\Vindra\\Order"));
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0].text, messages_.Get(MessageId::ExportFinished));
  EXPECT_TRUE(g_mountQuestions.empty());
  // The live registry's Convert still opens where it did.
  EXPECT_EQ(f.Logic().LastSection(), "Software");
}

TEST_F(DroppedHiveTest, AnotherFileNameAsksWhichKeyTheHiveHolds) {
  const std::string copy = TempDir() + "vindra_user.hiv";
  ASSERT_TRUE(CopyFileA((kHives + "/xp/SOFTWARE").c_str(), copy.c_str(), FALSE));
  MainWindow& f = Open();
  SetWindowTextA(f.Output().Handle(), "kept\r\n");
  Drop(copy);  // the question cancelled: nothing happens
  ASSERT_EQ(g_mountQuestions.size(), 1u);
  EXPECT_EQ(g_mountQuestions[0].text, messages_.Get(MessageId::HiveMountQuestion));
  EXPECT_TRUE(Contains(g_mountQuestions[0].caption, "vindra_user.hiv")) << g_mountQuestions[0].caption;
  EXPECT_EQ(g_nextPickerStep, 0u);
  EXPECT_EQ(f.Output().Text(), "kept\r\n");

  g_mountChoice = 0;  // HKEY_LOCAL_MACHINE\SOFTWARE
  g_answers = {IDNO, IDOK};  // replace the text; the completion box
  PickerStart start;
  g_pickerSteps = {PickBelowSelection(start, {"Vindra", "表示"})};
  Drop(copy);
  EXPECT_EQ(start.top, "vindra_user.hiv");
  EXPECT_EQ(start.selected, "SOFTWARE");
  EXPECT_EQ(f.Output().Text(),
            ExpectedExport("[Software.AddReg]", registry::kHkeyLocalMachine, "SOFTWARE\\Vindra\\表示"));
  DeleteFileA(copy.c_str());
}

TEST_F(DroppedHiveTest, DamagedHiveShowsTheErrorAndNoPicker) {
  const std::string damaged = TempDir() + "SYSTEM";
  std::ifstream in(kHives + "/win10/SOFTWARE", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::ofstream(damaged, std::ios::binary) << bytes.substr(0, 6000);
  MainWindow& f = Open();
  Drop(damaged);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_TRUE(Contains(g_boxes[0].text, "damaged hive: the file is cut short")) << g_boxes[0].text;
  EXPECT_EQ(g_nextPickerStep, 0u);
  EXPECT_EQ(f.Output().Text(), "");
  DeleteFileA(damaged.c_str());
}

TEST_F(DroppedHiveTest, DirtyHiveWarnsThenOpensAsItStands) {
  MainWindow& f = Open();
  PickerStart start;
  g_pickerSteps = {PickBelowSelection(start, {"ControlSet002", "Services"})};
  Drop(kHives + "/win10/SYSTEM");
  ASSERT_EQ(g_boxes.size(), 2u);
  EXPECT_TRUE(Contains(g_boxes[0].text, messages_.Get(MessageId::HiveNotClosed))) << g_boxes[0].text;
  EXPECT_EQ(start.selected, "SYSTEM");
  EXPECT_EQ(f.Output().Text(), ExpectedExport("[SetupReg.AddReg]", registry::kHkeyLocalMachine,
                                               "SYSTEM\\ControlSet002\\Services"));
}

}  // namespace
}  // namespace vindra::app
