// Drives the real key picker dialog against the real (Wine) registry from a
// thread timer that runs inside the dialog's modal loop.
#include "regbrowser/key_picker_dialog_win32.h"

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "registry/win32_registry.h"
#include "tests/regbrowser/shown_dialog_win32.h"

namespace vindra::regbrowser {
namespace {

using testing::FindShownDialog;
using testing::PickerTree;

constexpr char kTestKey[] = "Software\\VindraPickerTest";

// One step per timer tick; a step returns false to be run again next tick.
std::vector<std::function<bool(HWND)>> g_steps;
std::size_t g_next_step = 0;
int g_ticks = 0;
UINT_PTR g_timer = 0;

void CALLBACK RunStep(HWND, UINT, UINT_PTR, DWORD) {
  HWND dialog = FindShownDialog();
  // Give up after ~10 s so that a broken dialog cannot hang the test run.
  if (++g_ticks > 400 && dialog) {
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  if (!dialog || g_next_step >= g_steps.size()) return;
  if (g_steps[g_next_step](dialog)) ++g_next_step;
}

class PickerDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
    for (const char* sub : {"b", "A", "c\\sub", "表示\\ソフト"}) CreateKey(std::string(kTestKey) + "\\" + sub);
    g_steps.clear();
    g_next_step = 0;
    g_ticks = 0;
    g_timer = SetTimer(nullptr, 0, 25, RunStep);
  }
  void TearDown() override {
    KillTimer(nullptr, g_timer);
    RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
  }
  static void CreateKey(const std::string& path) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << path;
    RegCloseKey(key);
  }
  bool Run(const platform::FontDescription& window_font = {}, const platform::FontDescription& tree_font = {}) {
    const bool ok = runner.Run("レジストリキーを選択して下さい", "マイコンピュータ", window_font, tree_font);
    EXPECT_EQ(g_next_step, g_steps.size()) << "the dialog closed before the script ended";
    return ok;
  }

  registry::Win32RegistrySource registry;
  Win32KeyPickerDialogFactory factory{registry, nullptr};
  KeyPickerRunner runner{factory};
};

std::string ItemText(HWND tree, HTREEITEM item) {
  char buffer[512] = {};
  TVITEMA tv{};
  tv.mask = TVIF_TEXT;
  tv.hItem = item;
  tv.pszText = buffer;
  tv.cchTextMax = sizeof buffer;
  SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
  return buffer;
}

std::vector<std::string> ChildTexts(HWND tree, HTREEITEM item) {
  std::vector<std::string> texts;
  for (HTREEITEM c = TreeView_GetChild(tree, item); c; c = TreeView_GetNextSibling(tree, c))
    texts.push_back(ItemText(tree, c));
  return texts;
}

HTREEITEM ChildNamed(HWND tree, HTREEITEM item, const std::string& text) {
  for (HTREEITEM c = TreeView_GetChild(tree, item); c; c = TreeView_GetNextSibling(tree, c))
    if (ItemText(tree, c) == text) return c;
  return nullptr;
}

void Click(HWND dialog, int id) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id)); }

using Strings = std::vector<std::string>;

TEST_F(PickerDialogTest, OkAtSoftwareReturnsTheRegistrysSpelling) {
  runner.root = registry::kHkeyCurrentUser;
  runner.section = "software";
  g_steps = {[](HWND d) {
    HWND tree = PickerTree(d);
    EXPECT_EQ(ItemText(tree, TreeView_GetSelection(tree)), "Software");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, IDOK)));
    Click(d, IDOK);
    return true;
  }};
  EXPECT_TRUE(Run());
  EXPECT_EQ(runner.root, registry::kHkeyCurrentUser);
  EXPECT_EQ(runner.section, "Software\\");
}

TEST_F(PickerDialogTest, CancelLeavesRootAndSectionAfterAnotherSelection) {
  runner.root = registry::kHkeyCurrentUser;
  runner.section = "Software\\VindraPickerTest";
  g_steps = {[](HWND d) {
    HWND tree = PickerTree(d);
    HTREEITEM top = TreeView_GetRoot(tree);
    HTREEITEM hklm = ChildNamed(tree, top, "HKEY_LOCAL_MACHINE");
    TreeView_SelectItem(tree, hklm);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDOK)));
    TreeView_Expand(tree, hklm, TVE_EXPAND);
    HTREEITEM software = ChildNamed(tree, hklm, "Software");
    EXPECT_NE(software, nullptr);
    TreeView_SelectItem(tree, software);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, IDOK)));
    Click(d, IDCANCEL);
    return true;
  }};
  EXPECT_FALSE(Run());
  EXPECT_EQ(runner.root, registry::kHkeyCurrentUser);
  EXPECT_EQ(runner.section, "Software\\VindraPickerTest");
}

TEST_F(PickerDialogTest, ExpandingFillsSortedSubKeysAndOkReturnsTheChosenOne) {
  runner.root = registry::kHkeyCurrentUser;
  runner.section = "\\Software\\VindraPickerTest";
  g_steps = {[](HWND d) {
    HWND tree = PickerTree(d);
    HTREEITEM item = TreeView_GetSelection(tree);
    EXPECT_EQ(ItemText(tree, item), "VindraPickerTest");
    // Not filled yet: one placeholder.
    EXPECT_EQ(ChildTexts(tree, item), Strings{""});
    TreeView_Expand(tree, item, TVE_EXPAND);
    EXPECT_EQ(ChildTexts(tree, item), (Strings{"A", "b", "c", "表示"}));
    HTREEITEM c = ChildNamed(tree, item, "c");
    EXPECT_EQ(ChildTexts(tree, c), Strings{""});
    EXPECT_EQ(ChildTexts(tree, ChildNamed(tree, item, "b")), Strings{});
    TreeView_SelectItem(tree, c);
    Click(d, IDOK);
    return true;
  }};
  EXPECT_TRUE(Run());
  EXPECT_EQ(runner.section, "Software\\VindraPickerTest\\c\\");
}

TEST_F(PickerDialogTest, PreselectsJapaneseKeyNames) {
  runner.root = registry::kHkeyCurrentUser;
  runner.section = "SOFTWARE\\vindrapickertest\\表示\\ソフト";
  g_steps = {[](HWND d) {
    Click(d, IDOK);
    return true;
  }};
  EXPECT_TRUE(Run());
  EXPECT_EQ(runner.section, "Software\\VindraPickerTest\\表示\\ソフト\\");
}

TEST_F(PickerDialogTest, ShiftInTheTreeRefreshesAFilledNode) {
  runner.root = registry::kHkeyCurrentUser;
  runner.section = "Software\\VindraPickerTest";
  auto press = [](HWND tree, WPARAM key, bool shift) {
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(state);
    SendMessageA(tree, WM_KEYDOWN, key, 0);
    state[VK_SHIFT] = 0;
    SetKeyboardState(state);
  };
  g_steps = {[&](HWND d) {
    HWND tree = PickerTree(d);
    HTREEITEM item = TreeView_GetSelection(tree);
    TreeView_Expand(tree, item, TVE_EXPAND);
    TreeView_Expand(tree, ChildNamed(tree, item, "c"), TVE_EXPAND);
    EXPECT_EQ(ChildTexts(tree, ChildNamed(tree, item, "c")), Strings{"sub"});
    CreateKey(std::string(kTestKey) + "\\d");
    // Collapse and expand again by keyboard, without Shift: nothing is re-read.
    press(tree, VK_SUBTRACT, false);
    press(tree, VK_ADD, false);
    EXPECT_EQ(ChildTexts(tree, item), (Strings{"A", "b", "c", "表示"}));
    // With Shift held the node is read again and what was loaded below it goes.
    press(tree, VK_SUBTRACT, false);
    press(tree, VK_ADD, true);
    EXPECT_EQ(ChildTexts(tree, item), (Strings{"A", "b", "c", "d", "表示"}));
    EXPECT_EQ(ChildTexts(tree, ChildNamed(tree, item, "c")), Strings{""});
    Click(d, IDCANCEL);
    return true;
  }};
  EXPECT_FALSE(Run());
}

TEST_F(PickerDialogTest, EnterDoesNothingWhileOkIsDisabled) {
  runner.root = registry::kHkeyPerformanceData;
  runner.section = "Software";
  g_steps = {
      [](HWND d) {
        HWND tree = PickerTree(d);
        // Nothing was preselected; a tree view given the focus without a
        // selection selects its first item, the top node, which is no key.
        HTREEITEM selected = TreeView_GetSelection(tree);
        EXPECT_TRUE(selected == nullptr || selected == TreeView_GetRoot(tree));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDOK)));
        PostMessageA(tree, WM_KEYDOWN, VK_RETURN, 0);
        PostMessageA(tree, WM_KEYUP, VK_RETURN, 0);
        return true;
      },
      [](HWND d) {
        EXPECT_TRUE(IsWindowVisible(d));
        Click(d, IDCANCEL);
        return true;
      }};
  EXPECT_FALSE(Run());
  EXPECT_EQ(runner.root, registry::kHkeyPerformanceData);
  EXPECT_EQ(runner.section, "Software");
}

TEST_F(PickerDialogTest, EscapeAndTheCloseBoxCancel) {
  runner.root = registry::kHkeyCurrentUser;
  runner.section = "Software";
  g_steps = {[](HWND d) {
    HWND tree = PickerTree(d);
    TreeView_SelectItem(tree, TreeView_GetRoot(tree));
    SetFocus(tree);
    PostMessageA(tree, WM_KEYDOWN, VK_ESCAPE, 0);
    return true;
  }};
  EXPECT_FALSE(Run());
  EXPECT_EQ(runner.section, "Software");

  g_next_step = 0;
  g_timer = SetTimer(nullptr, 0, 25, RunStep);
  g_steps = {[](HWND d) {
    PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0);
    return true;
  }};
  EXPECT_FALSE(Run());
  EXPECT_EQ(runner.root, registry::kHkeyCurrentUser);
  EXPECT_EQ(runner.section, "Software");
}

TEST_F(PickerDialogTest, ShowsTheDesignedWindowAndTheGivenTexts) {
  runner.root = registry::kHkeyCurrentUser;
  runner.section = "Software";
  runner.caption = "変換するレジストリエントリを選択して下さい";
  g_steps = {[](HWND d) {
    RECT r;
    GetWindowRect(d, &r);
    EXPECT_EQ(r.right - r.left, kDialogWidth);
    EXPECT_EQ(r.bottom - r.top, kDialogHeight);
    char text[256] = {};
    GetWindowTextA(d, text, sizeof text);
    EXPECT_STREQ(text, "レジストリキーを選択して下さい");
    GetWindowTextA(GetDlgItem(d, kCaptionLabelId), text, sizeof text);
    EXPECT_STREQ(text, "変換するレジストリエントリを選択して下さい");
    GetWindowTextA(GetDlgItem(d, IDCANCEL), text, sizeof text);
    EXPECT_STREQ(text, "Cancel");
    EXPECT_EQ(GetWindowLongA(d, GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    EXPECT_NE(GetWindowLongA(d, GWL_STYLE) & WS_THICKFRAME, 0);

    HWND tree = PickerTree(d);
    HTREEITEM top = TreeView_GetRoot(tree);
    EXPECT_EQ(ItemText(tree, top), "マイコンピュータ");
    EXPECT_EQ(ChildTexts(tree, top), (Strings{"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                              "HKEY_USERS", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"}));
    // A root key shows an expand button exactly when it opens and has sub-keys.
    const HKEY roots[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE,
                          HKEY_USERS,        HKEY_CURRENT_CONFIG, HKEY_DYN_DATA};
    HTREEITEM root_item = TreeView_GetChild(tree, top);
    for (HKEY root : roots) {
      HKEY key;
      DWORD sub_keys = 0;
      if (RegOpenKeyExA(root, "", 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &sub_keys, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr);
        RegCloseKey(key);
      }
      EXPECT_EQ(TreeView_GetChild(tree, root_item) != nullptr, sub_keys > 0) << ItemText(tree, root_item);
      root_item = TreeView_GetNextSibling(tree, root_item);
    }
    EXPECT_EQ(TreeView_GetIndent(tree), 19u);
    EXPECT_EQ(ImageList_GetImageCount(TreeView_GetImageList(tree, TVSIL_NORMAL)), 2);
    EXPECT_NE(GetWindowLongA(tree, GWL_STYLE) & TVS_TRACKSELECT, 0);
    EXPECT_EQ(GetWindowLongA(tree, GWL_STYLE) & TVS_EDITLABELS, 0);
    TVITEMA item{};
    item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    item.hItem = top;
    TreeView_GetItem(tree, &item);
    EXPECT_EQ(item.iImage, 0);
    item.hItem = TreeView_GetSelection(tree);
    TreeView_GetItem(tree, &item);
    EXPECT_EQ(item.iImage, 1);
    EXPECT_EQ(item.iSelectedImage, 1);

    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(GetDlgItem(d, IDOK), WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, "ＭＳ Ｐゴシック");
    EXPECT_EQ(font.lfHeight, -12);
    EXPECT_EQ(font.lfCharSet, SHIFTJIS_CHARSET);

    // Anchors: the tree grows with the window, the buttons keep to the corner.
    RECT tree_before, ok_before, tree_after, ok_after;
    GetWindowRect(tree, &tree_before);
    GetWindowRect(GetDlgItem(d, IDOK), &ok_before);
    SetWindowPos(d, nullptr, 0, 0, kDialogWidth + 100, kDialogHeight + 60, SWP_NOMOVE | SWP_NOZORDER);
    GetWindowRect(tree, &tree_after);
    GetWindowRect(GetDlgItem(d, IDOK), &ok_after);
    EXPECT_EQ(tree_after.right - tree_after.left, tree_before.right - tree_before.left + 100);
    EXPECT_EQ(tree_after.bottom - tree_after.top, tree_before.bottom - tree_before.top + 60);
    EXPECT_EQ(ok_after.left - r.left, ok_before.left - r.left + 100);
    EXPECT_EQ(ok_after.top - r.top, ok_before.top - r.top + 60);
    Click(d, IDCANCEL);
    return true;
  }};
  EXPECT_FALSE(Run());
}

TEST_F(PickerDialogTest, FontsFromTheLanguageFileReachTheControls) {
  runner.root = registry::kHkeyCurrentUser;
  g_steps = {[](HWND d) {
    auto face = [](HWND w) {
      LOGFONTA font{};
      GetObjectA(reinterpret_cast<HFONT>(SendMessageA(w, WM_GETFONT, 0, 0)), sizeof font, &font);
      return std::string(font.lfFaceName) + "/" + std::to_string(font.lfHeight) + "/" +
             std::to_string(font.lfCharSet);
    };
    EXPECT_EQ(face(GetDlgItem(d, IDOK)), "Tahoma/-15/0");
    EXPECT_EQ(face(GetDlgItem(d, kCaptionLabelId)), "Tahoma/-15/0");
    EXPECT_EQ(face(PickerTree(d)), "ＭＳ ゴシック/-13/128");
    Click(d, IDCANCEL);
    return true;
  }};
  EXPECT_FALSE(Run({"Tahoma", 11, 0}, {"ＭＳ ゴシック", 10, 128}));
}

}  // namespace
}  // namespace vindra::regbrowser
