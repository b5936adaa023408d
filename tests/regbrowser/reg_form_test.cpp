#include "regbrowser/reg_form.h"

#include <gtest/gtest.h>

#include "fake_registry.h"
#include "fake_view.h"

namespace vindra::regbrowser {
namespace {

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

class RegFormTest : public ::testing::Test {
 protected:
  RegFormTest() {
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
    view.form = &form;
    form.FormCreate();
  }

  // Opens the dialog at root\section as Execute does.
  void Show(RootKey root, std::string section) {
    form.Root = root;
    form.Section = std::move(section);
    form.FormShow();
  }

  RegTreeNode& RootNode(int index) { return *form.TopNode().children[static_cast<std::size_t>(index)]; }

  FakeRegistry reg;
  FakeView view;
  TReg_Form form{reg, view};
};

TEST_F(RegFormTest, CreationShowsTheSixRootKeysWithPlaceholdersWhereKeysExist) {
  EXPECT_EQ(form.Root, kHKCU);
  EXPECT_EQ(form.Section, "\\");
  RegTreeNode& top = form.TopNode();
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

TEST_F(RegFormTest, PreselectsSoftwareSpelledAsTheRegistrySpellsIt) {
  Show(kHKCU, "software");
  ASSERT_NE(form.Selected(), nullptr);
  EXPECT_EQ(form.Selected()->text, "Software");
  EXPECT_EQ(view.selected, form.Selected());
  EXPECT_TRUE(form.OkEnabled());
  EXPECT_TRUE(view.ok_enabled);
  EXPECT_EQ(form.Root, kHKCU);
  EXPECT_EQ(form.Section, "Software\\");
  EXPECT_FALSE(form.Filling);
  // The node reached last is not filled; its parent was.
  EXPECT_TRUE(form.Selected()->Unfilled());
  EXPECT_EQ(ChildTexts(RootNode(1)), (Strings{"Environment", "Software"}));
}

TEST_F(RegFormTest, InitialSelectionTable) {
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
    TReg_Form f(r, v);
    v.form = &f;
    f.FormCreate();
    f.Root = c.root;
    f.Section = c.section;
    f.FormShow();
    SCOPED_TRACE(c.section);
    if (c.selected) {
      ASSERT_NE(f.Selected(), nullptr);
      EXPECT_EQ(f.Selected()->text, c.selected);
      EXPECT_EQ(f.Root, c.root);
    } else {
      EXPECT_EQ(f.Selected(), nullptr);
      EXPECT_EQ(f.Root, c.root);
    }
    EXPECT_EQ(f.Section, c.section_after);
    EXPECT_EQ(f.OkEnabled(), c.ok);
    EXPECT_EQ(v.ok_enabled, c.ok);
  }
}

TEST_F(RegFormTest, PreselectsNamesWhoseCharactersEndInByte5C) {
  // 表示 is 95 5C 8E A6 and ソフト starts with 83 5C: split byte by byte,
  // neither could ever be reached.
  reg.Add(kHKCU, "Software\\表示\\ソフト");
  Show(kHKCU, "Software\\表示\\ソフト");
  ASSERT_NE(form.Selected(), nullptr);
  EXPECT_EQ(form.Selected()->text, "ソフト");
  EXPECT_EQ(form.Section, "Software\\表示\\ソフト\\");
}

TEST_F(RegFormTest, ASectionEndingInALoneLeadByteStillEnds) {
  Show(kHKCU, std::string("Software\\\x95"));
  ASSERT_NE(form.Selected(), nullptr);
  EXPECT_EQ(form.Selected()->text, "Software");
  EXPECT_FALSE(form.Filling);
}

TEST_F(RegFormTest, ShowRunsOncePerDialog) {
  Show(kHKCU, "Software");
  const std::size_t opens = reg.opens.size();
  form.Section = "Environment";
  form.FormShow();
  EXPECT_EQ(reg.opens.size(), opens);
  EXPECT_EQ(form.Section, "Environment");
}

TEST_F(RegFormTest, FillListsSubKeysSortedWithoutRegardToCaseAndMarksTheirOwnSubKeys) {
  Show(kHKCU, "Software");
  RegTreeNode& software = *form.Selected();
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

TEST_F(RegFormTest, FillShowsTheWaitCursorAndHandlesMessagesOnce) {
  Show(kHKCU, "Software");
  view.wait_cursor_sets = 0;
  view.process_messages = 0;
  view.Expand(*form.Selected());
  EXPECT_EQ(view.wait_cursor_sets, 1);
  EXPECT_EQ(view.process_messages, 1);
  EXPECT_FALSE(view.wait_cursor);
}

TEST_F(RegFormTest, ExpandingAFilledNodeDoesNotReadTheRegistryAgain) {
  Show(kHKCU, "Software");
  RegTreeNode& software = *form.Selected();
  view.Expand(software);
  view.Collapse(software);
  const std::size_t opens = reg.opens.size();
  view.Expand(software);
  EXPECT_EQ(reg.opens.size(), opens);
}

TEST_F(RegFormTest, ShiftRefreshRereadsAndDropsWhatWasLoadedBelow) {
  Show(kHKCU, "Software");
  RegTreeNode& software = *form.Selected();
  view.Expand(software);
  view.Expand(*Child(software, "Microsoft"));
  ASSERT_EQ(ChildTexts(*Child(software, "Microsoft")), (Strings{"Windows"}));
  view.Collapse(software);

  reg.Add(kHKCU, "Software\\Zeta\\Sub");
  reg.Add(kHKCU, "Software\\Vindra\\Later");
  form.TV1KeyDown(/*shift_held=*/true);
  EXPECT_TRUE(form.ForceRefresh);
  view.Expand(software);
  EXPECT_FALSE(form.ForceRefresh);
  EXPECT_EQ(ChildTexts(software), (Strings{"adobe", "Classes", "Microsoft", "Vindra", "Zeta"}));
  // The loaded level below Microsoft is gone; placeholders stand for it.
  EXPECT_EQ(ChildTexts(*Child(software, "Microsoft")), (Strings{"<>"}));
  EXPECT_EQ(ChildTexts(*Child(software, "Vindra")), (Strings{"<>"}));
  EXPECT_FALSE(view.events.empty());
  EXPECT_EQ(view.events.back(), "remove:Software");
  // The view dropped every node that the form removed.
  EXPECT_EQ(view.live.size(), CountNodes(form.TopNode()));
}

TEST_F(RegFormTest, AKeyWithoutShiftClearsTheRefreshAndAnyFillClearsIt) {
  form.TV1KeyDown(true);
  form.TV1KeyDown(false);
  EXPECT_FALSE(form.ForceRefresh);
  form.TV1KeyDown(true);
  form.FillNodeChildren(form.TopNode(), true);  // the top node is never re-read
  EXPECT_FALSE(form.ForceRefresh);
  EXPECT_EQ(form.TopNode().children.size(), 6u);
}

TEST_F(RegFormTest, RootKeysAreFilledOnceAndTheTopNodeNever) {
  const std::size_t opens = reg.opens.size();
  form.TV1KeyDown(true);
  view.Expand(form.TopNode());
  EXPECT_EQ(reg.opens.size(), opens);
  view.Expand(RootNode(3));  // HKEY_USERS: no children, nothing to fill
  EXPECT_EQ(reg.opens.size(), opens);
  view.Expand(RootNode(2));
  EXPECT_EQ(ChildTexts(RootNode(2)), (Strings{"SOFTWARE", "SYSTEM"}));
}

TEST_F(RegFormTest, SelectionDecidesOkAndTheCurrentKey) {
  Show(kHKCU, "Software\\Microsoft");
  view.SelectNode(form.TopNode());
  EXPECT_FALSE(view.ok_enabled);
  EXPECT_EQ(form.Root, kHKCU);
  EXPECT_EQ(form.Section, "");
  view.SelectNode(RootNode(2));
  EXPECT_FALSE(view.ok_enabled);
  EXPECT_EQ(form.Root, kHKLM);
  EXPECT_EQ(form.Section, "");
  view.Expand(RootNode(2));
  view.SelectNode(*Child(RootNode(2), "SYSTEM"));
  EXPECT_TRUE(view.ok_enabled);
  EXPECT_EQ(form.Root, kHKLM);
  EXPECT_EQ(form.Section, "SYSTEM\\");
  form.TV1Change(nullptr);
  EXPECT_FALSE(view.ok_enabled);
}

TEST_F(RegFormTest, RefreshingAboveTheSelectionMovesItToTheRefreshedNode) {
  // The selected key is dropped with the nodes below a refreshed root key:
  // the selection, OK and the current key follow it to the root key.
  Show(kHKCU, "Software\\Microsoft");
  ASSERT_TRUE(view.ok_enabled);
  RegTreeNode& hkcu = RootNode(1);
  form.FillNodeChildren(hkcu, /*force=*/true);
  EXPECT_EQ(form.Selected(), &hkcu);
  EXPECT_EQ(view.selected, &hkcu);
  EXPECT_FALSE(view.ok_enabled);
  EXPECT_FALSE(form.OkEnabled());
  EXPECT_EQ(form.Root, kHKCU);
  EXPECT_EQ(form.Section, "");
}

TEST_F(RegFormTest, KeysThatCannotBeReadShowNoChildrenAndStopNothing) {
  reg.Add(kHKCU, "Software\\Locked\\Inner").unreadable = false;
  reg.Lookup(kHKCU, "Software\\Locked")->unreadable = true;
  Show(kHKCU, "Software\\Locked\\Inner");
  // Locked is listed by its parent but cannot be opened: no button, no walk.
  ASSERT_NE(form.Selected(), nullptr);
  EXPECT_EQ(form.Selected()->text, "Locked");
  EXPECT_EQ(ChildTexts(*form.Selected()), Strings{});
  EXPECT_FALSE(form.Filling);
}

TEST_F(RegFormTest, AKeyGoneBeforeItsFillLeavesTheNodeEmpty) {
  Show(kHKCU, "Software");
  RegTreeNode& software = *form.Selected();
  reg.Lookup(kHKCU, "Software")->unreadable = true;
  view.Expand(software);
  EXPECT_EQ(ChildTexts(software), Strings{});
  EXPECT_TRUE(form.Selected() == &software);
}

TEST_F(RegFormTest, AnErrorDuringAFillRestoresCursorAndFlags) {
  reg.Lookup(kHKCU, "Software")->throws_on_list = true;
  EXPECT_THROW(Show(kHKCU, "Software\\Microsoft"), std::runtime_error);
  EXPECT_FALSE(view.wait_cursor);
  EXPECT_FALSE(form.Filling);
  EXPECT_EQ(view.update_depth, 0);
  // Later expansions fill again.
  reg.Lookup(kHKCU, "Software")->throws_on_list = false;
  view.Expand(RootNode(0));
  EXPECT_EQ(ChildTexts(RootNode(0)), (Strings{".txt"}));
}

TEST_F(RegFormTest, ExpansionsWhileFillingFillNothing) {
  form.Filling = true;
  view.Expand(RootNode(1));
  EXPECT_EQ(ChildTexts(RootNode(1)), (Strings{"<>"}));
  form.Filling = false;
  view.Collapse(RootNode(1));
  view.Expand(RootNode(1));
  EXPECT_EQ(ChildTexts(RootNode(1)), (Strings{"Environment", "Software"}));
}

TEST_F(RegFormTest, RemovingTheSelectedSubtreeMovesTheSelectionUp) {
  Show(kHKCU, "Software\\Microsoft");
  RegTreeNode* software = Child(RootNode(1), "Software");
  form.TV1KeyDown(true);
  form.FillNodeChildren(*software, form.ForceRefresh);
  EXPECT_EQ(form.Selected(), software);
}

TEST_F(RegFormTest, TopNodeTextIsReplaceable) {
  form.SetTopNodeText("My Computer");
  EXPECT_EQ(form.TopNode().text, "My Computer");
  EXPECT_EQ(view.events.back(), "text:My Computer");
  EXPECT_EQ(NodeKeyPath(form.TopNode()).root, kHKCU);
}

}  // namespace
}  // namespace vindra::regbrowser
