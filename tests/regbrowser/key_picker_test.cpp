#include "regbrowser/key_picker.h"

#include <gtest/gtest.h>

#include "fake_registry.h"
#include "fake_view.h"

namespace vindra::regbrowser {
namespace {

using registry::RootKey;
using testing::Child;
using testing::ChildTexts;
using testing::FakeRegistry;
using testing::FakeView;
using Strings = std::vector<std::string>;

std::size_t CountNodes(const RegTreeNode& node) {
  std::size_t n = 1;
  for (auto& c : node.children) n += CountNodes(*c);
  return n;
}

constexpr RootKey kHKCR = registry::kHkeyClassesRoot;
constexpr RootKey kHKCU = registry::kHkeyCurrentUser;
constexpr RootKey kHKLM = registry::kHkeyLocalMachine;

class KeyPickerTest : public ::testing::Test {
 protected:
  KeyPickerTest() {
    reg.Add(kHKCR, ".txt");
    reg.Add(kHKCU, "Software\\Microsoft\\Windows\\CurrentVersion");
    reg.Add(kHKCU, "Software\\Vindra");
    reg.Add(kHKCU, "Software\\adobe");
    reg.Add(kHKCU, "Software\\Classes");
    reg.Add(kHKCU, "Environment");
    reg.Add(kHKLM, "SOFTWARE\\Microsoft");
    reg.Add(kHKLM, "SYSTEM");
    reg.Add(registry::kHkeyUsers, "");
    reg.Add(registry::kHkeyCurrentConfig, "Software");
    view.picker = &picker;
    picker.AddRootKeys();
  }

  // Opens the dialog at root\section as KeyPickerRunner::Run does.
  void Show(RootKey root, std::string section) {
    picker.root = root;
    picker.section = std::move(section);
    picker.PrepareToShow();
  }

  RegTreeNode& RootNode(int index) { return *picker.TopNode().children[static_cast<std::size_t>(index)]; }

  FakeRegistry reg;
  FakeView view;
  KeyPicker picker{reg, view};
};

TEST_F(KeyPickerTest, CreationShowsTheSixRootKeysWithPlaceholdersWhereKeysExist) {
  EXPECT_EQ(picker.root, kHKCU);
  EXPECT_EQ(picker.section, "\\");
  RegTreeNode& top = picker.TopNode();
  EXPECT_EQ(top.image, kComputerImage);
  EXPECT_EQ(ChildTexts(top), (Strings{"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                      "HKEY_USERS", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"}));
  // HKEY_USERS has no sub-keys and HKEY_DYN_DATA cannot be opened: no button.
  const Strings expected[] = {{"<>"}, {"<>"}, {"<>"}, {}, {"<>"}, {}};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(ChildTexts(RootNode(i)), expected[i]) << RootNode(i).text;
    EXPECT_EQ(RootNode(i).image, kFolderImage);
  }
  EXPECT_EQ(view.live.size(), 1u + 6u + 4u);
  EXPECT_TRUE(view.events.empty()) << view.events.front();
}

TEST_F(KeyPickerTest, PreselectsSoftwareSpelledAsTheRegistrySpellsIt) {
  Show(kHKCU, "software");
  ASSERT_NE(picker.Selected(), nullptr);
  EXPECT_EQ(picker.Selected()->text, "Software");
  EXPECT_EQ(view.selected, picker.Selected());
  EXPECT_TRUE(picker.OkEnabled());
  EXPECT_TRUE(view.ok_enabled);
  EXPECT_EQ(picker.root, kHKCU);
  EXPECT_EQ(picker.section, "Software\\");
  EXPECT_FALSE(picker.selecting_initial_key);
  // The node reached last is not filled; its parent was.
  EXPECT_TRUE(picker.Selected()->Unfilled());
  EXPECT_EQ(ChildTexts(RootNode(1)), (Strings{"Environment", "Software"}));
}

TEST_F(KeyPickerTest, InitialSelectionTable) {
  const struct {
    RootKey root;
    const char* section;
    const char* selected;  // null: nothing selected
    const char* section_after;
    bool ok;
  } cases[] = {
      {kHKCU, "\\Software\\Microsoft", "Microsoft", "Software\\Microsoft\\", true},
      {kHKCU, "Software\\Missing\\Microsoft", "Microsoft", "Software\\Microsoft\\", true},
      {kHKCU, "SOFTWARE\\microsoft\\WINDOWS\\", "Windows", "Software\\Microsoft\\Windows\\", true},
      {kHKCU, "Software\\\\Vindra", "Vindra", "Software\\Vindra\\", true},
      {kHKCU, "Nowhere\\Else", "HKEY_CURRENT_USER", "", false},
      {kHKCU, "", "HKEY_CURRENT_USER", "", false},
      {kHKLM, "software", "SOFTWARE", "SOFTWARE\\", true},
      {kHKCR, ".TXT", ".txt", ".txt\\", true},
      {registry::kHkeyDynData, "Software", "HKEY_DYN_DATA", "", false},
      {registry::kHkeyPerformanceData, "Software", nullptr, "Software\\", false},
      {0, "software", nullptr, "software\\", false},
  };
  for (const auto& c : cases) {
    FakeRegistry r;
    r.Add(kHKCU, "Software\\Microsoft\\Windows");
    r.Add(kHKCU, "Software\\Vindra");
    r.Add(kHKLM, "SOFTWARE\\Microsoft");
    r.Add(kHKCR, ".txt");
    FakeView v;
    KeyPicker f(r, v);
    v.picker = &f;
    f.AddRootKeys();
    f.root = c.root;
    f.section = c.section;
    f.PrepareToShow();
    SCOPED_TRACE(c.section);
    if (c.selected) {
      ASSERT_NE(f.Selected(), nullptr);
      EXPECT_EQ(f.Selected()->text, c.selected);
      EXPECT_EQ(f.root, c.root);
    } else {
      EXPECT_EQ(f.Selected(), nullptr);
      EXPECT_EQ(f.root, c.root);
    }
    EXPECT_EQ(f.section, c.section_after);
    EXPECT_EQ(f.OkEnabled(), c.ok);
    EXPECT_EQ(v.ok_enabled, c.ok);
  }
}

TEST_F(KeyPickerTest, PreselectsNamesWhoseCharactersEndInByte5C) {
  // 表示 is 95 5C 8E A6 and ソフト starts with 83 5C: split byte by byte,
  // neither could ever be reached.
  reg.Add(kHKCU, "Software\\表示\\ソフト");
  Show(kHKCU, "Software\\表示\\ソフト");
  ASSERT_NE(picker.Selected(), nullptr);
  EXPECT_EQ(picker.Selected()->text, "ソフト");
  EXPECT_EQ(picker.section, "Software\\表示\\ソフト\\");
}

TEST_F(KeyPickerTest, ASectionEndingInALoneLeadByteStillEnds) {
  Show(kHKCU, std::string("Software\\\x95"));
  ASSERT_NE(picker.Selected(), nullptr);
  EXPECT_EQ(picker.Selected()->text, "Software");
  EXPECT_FALSE(picker.selecting_initial_key);
}

TEST_F(KeyPickerTest, ShowRunsOncePerDialog) {
  Show(kHKCU, "Software");
  const std::size_t opens = reg.opens.size();
  picker.section = "Environment";
  picker.PrepareToShow();
  EXPECT_EQ(reg.opens.size(), opens);
  EXPECT_EQ(picker.section, "Environment");
}

TEST_F(KeyPickerTest, FillListsSubKeysSortedWithoutRegardToCaseAndMarksTheirOwnSubKeys) {
  Show(kHKCU, "Software");
  RegTreeNode& software = *picker.Selected();
  view.Expand(software);
  // The registry lists them as Microsoft, Vindra, adobe, Classes.
  EXPECT_EQ(ChildTexts(software), (Strings{"adobe", "Classes", "Microsoft", "Vindra"}));
  EXPECT_EQ(ChildTexts(*Child(software, "Microsoft")), (Strings{"<>"}));
  EXPECT_EQ(ChildTexts(*Child(software, "Vindra")), Strings{});
  for (auto& c : software.children) {
    EXPECT_EQ(c->image, kFolderImage);
    EXPECT_EQ(c->level, 3);
  }
  EXPECT_FALSE(view.wait_cursor);
  EXPECT_EQ(view.update_depth, 0);
  // Every open went to a path the registry knows (no trailing backslash).
  for (const auto& o : reg.opens) EXPECT_NE(o.back(), '\\') << o;
}

TEST_F(KeyPickerTest, FillShowsTheWaitCursorAndHandlesMessagesOnce) {
  Show(kHKCU, "Software");
  view.wait_cursor_sets = 0;
  view.process_messages = 0;
  view.Expand(*picker.Selected());
  EXPECT_EQ(view.wait_cursor_sets, 1);
  EXPECT_EQ(view.process_messages, 1);
  EXPECT_FALSE(view.wait_cursor);
}

TEST_F(KeyPickerTest, ExpandingAFilledNodeDoesNotReadTheRegistryAgain) {
  Show(kHKCU, "Software");
  RegTreeNode& software = *picker.Selected();
  view.Expand(software);
  view.Collapse(software);
  const std::size_t opens = reg.opens.size();
  view.Expand(software);
  EXPECT_EQ(reg.opens.size(), opens);
}

TEST_F(KeyPickerTest, ShiftRefreshRereadsAndDropsWhatWasLoadedBelow) {
  Show(kHKCU, "Software");
  RegTreeNode& software = *picker.Selected();
  view.Expand(software);
  view.Expand(*Child(software, "Microsoft"));
  ASSERT_EQ(ChildTexts(*Child(software, "Microsoft")), (Strings{"Windows"}));
  view.Collapse(software);

  reg.Add(kHKCU, "Software\\Zeta\\Sub");
  reg.Add(kHKCU, "Software\\Vindra\\Later");
  picker.KeyPressed(/*shift_held=*/true);
  EXPECT_TRUE(picker.refresh_next_expansion);
  view.Expand(software);
  EXPECT_FALSE(picker.refresh_next_expansion);
  EXPECT_EQ(ChildTexts(software), (Strings{"adobe", "Classes", "Microsoft", "Vindra", "Zeta"}));
  // The loaded level below Microsoft is gone; placeholders stand for it.
  EXPECT_EQ(ChildTexts(*Child(software, "Microsoft")), (Strings{"<>"}));
  EXPECT_EQ(ChildTexts(*Child(software, "Vindra")), (Strings{"<>"}));
  EXPECT_FALSE(view.events.empty());
  EXPECT_EQ(view.events.back(), "remove:Software");
  // The view dropped every node that the picker removed.
  EXPECT_EQ(view.live.size(), CountNodes(picker.TopNode()));
}

TEST_F(KeyPickerTest, AKeyWithoutShiftClearsTheRefreshAndAnyFillClearsIt) {
  picker.KeyPressed(true);
  picker.KeyPressed(false);
  EXPECT_FALSE(picker.refresh_next_expansion);
  picker.KeyPressed(true);
  picker.FillNodeChildren(picker.TopNode(), true);  // the top node is never re-read
  EXPECT_FALSE(picker.refresh_next_expansion);
  EXPECT_EQ(picker.TopNode().children.size(), 6u);
}

TEST_F(KeyPickerTest, RootKeysAreFilledOnceAndTheTopNodeNever) {
  const std::size_t opens = reg.opens.size();
  picker.KeyPressed(true);
  view.Expand(picker.TopNode());
  EXPECT_EQ(reg.opens.size(), opens);
  view.Expand(RootNode(3));  // HKEY_USERS: no children, nothing to fill
  EXPECT_EQ(reg.opens.size(), opens);
  view.Expand(RootNode(2));
  EXPECT_EQ(ChildTexts(RootNode(2)), (Strings{"SOFTWARE", "SYSTEM"}));
}

TEST_F(KeyPickerTest, SelectionDecidesOkAndTheCurrentKey) {
  Show(kHKCU, "Software\\Microsoft");
  view.SelectNode(picker.TopNode());
  EXPECT_FALSE(view.ok_enabled);
  EXPECT_EQ(picker.root, kHKCU);
  EXPECT_EQ(picker.section, "");
  view.SelectNode(RootNode(2));
  EXPECT_FALSE(view.ok_enabled);
  EXPECT_EQ(picker.root, kHKLM);
  EXPECT_EQ(picker.section, "");
  view.Expand(RootNode(2));
  view.SelectNode(*Child(RootNode(2), "SYSTEM"));
  EXPECT_TRUE(view.ok_enabled);
  EXPECT_EQ(picker.root, kHKLM);
  EXPECT_EQ(picker.section, "SYSTEM\\");
  picker.SelectionChanged(nullptr);
  EXPECT_FALSE(view.ok_enabled);
}

TEST_F(KeyPickerTest, RefreshingAboveTheSelectionMovesItToTheRefreshedNode) {
  // The selected key is dropped with the nodes below a refreshed root key:
  // the selection, OK and the current key follow it to the root key.
  Show(kHKCU, "Software\\Microsoft");
  ASSERT_TRUE(view.ok_enabled);
  RegTreeNode& hkcu = RootNode(1);
  picker.FillNodeChildren(hkcu, /*force=*/true);
  EXPECT_EQ(picker.Selected(), &hkcu);
  EXPECT_EQ(view.selected, &hkcu);
  EXPECT_FALSE(view.ok_enabled);
  EXPECT_FALSE(picker.OkEnabled());
  EXPECT_EQ(picker.root, kHKCU);
  EXPECT_EQ(picker.section, "");
}

TEST_F(KeyPickerTest, KeysThatCannotBeReadShowNoChildrenAndStopNothing) {
  reg.Add(kHKCU, "Software\\Locked\\Inner").unreadable = false;
  reg.Lookup(kHKCU, "Software\\Locked")->unreadable = true;
  Show(kHKCU, "Software\\Locked\\Inner");
  // Locked is listed by its parent but cannot be opened: no button, no walk.
  ASSERT_NE(picker.Selected(), nullptr);
  EXPECT_EQ(picker.Selected()->text, "Locked");
  EXPECT_EQ(ChildTexts(*picker.Selected()), Strings{});
  EXPECT_FALSE(picker.selecting_initial_key);
}

TEST_F(KeyPickerTest, AKeyGoneBeforeItsFillLeavesTheNodeEmpty) {
  Show(kHKCU, "Software");
  RegTreeNode& software = *picker.Selected();
  reg.Lookup(kHKCU, "Software")->unreadable = true;
  view.Expand(software);
  EXPECT_EQ(ChildTexts(software), Strings{});
  EXPECT_TRUE(picker.Selected() == &software);
}

TEST_F(KeyPickerTest, AnErrorDuringAFillRestoresCursorAndFlags) {
  reg.Lookup(kHKCU, "Software")->throws_on_list = true;
  EXPECT_THROW(Show(kHKCU, "Software\\Microsoft"), std::runtime_error);
  EXPECT_FALSE(view.wait_cursor);
  EXPECT_FALSE(picker.selecting_initial_key);
  EXPECT_EQ(view.update_depth, 0);
  // Later expansions fill again.
  reg.Lookup(kHKCU, "Software")->throws_on_list = false;
  view.Expand(RootNode(0));
  EXPECT_EQ(ChildTexts(RootNode(0)), (Strings{".txt"}));
}

TEST_F(KeyPickerTest, ExpansionsWhileFillingFillNothing) {
  picker.selecting_initial_key = true;
  view.Expand(RootNode(1));
  EXPECT_EQ(ChildTexts(RootNode(1)), (Strings{"<>"}));
  picker.selecting_initial_key = false;
  view.Collapse(RootNode(1));
  view.Expand(RootNode(1));
  EXPECT_EQ(ChildTexts(RootNode(1)), (Strings{"Environment", "Software"}));
}

TEST_F(KeyPickerTest, RemovingTheSelectedSubtreeMovesTheSelectionUp) {
  Show(kHKCU, "Software\\Microsoft");
  RegTreeNode* software = Child(RootNode(1), "Software");
  picker.KeyPressed(true);
  picker.FillNodeChildren(*software, picker.refresh_next_expansion);
  EXPECT_EQ(picker.Selected(), software);
}

TEST_F(KeyPickerTest, TopNodeTextIsReplaceable) {
  picker.SetTopNodeText("My Computer");
  EXPECT_EQ(picker.TopNode().text, "My Computer");
  EXPECT_EQ(view.events.back(), "text:My Computer");
  EXPECT_EQ(NodeKeyPath(picker.TopNode()).root, kHKCU);
}

}  // namespace
}  // namespace vindra::regbrowser
