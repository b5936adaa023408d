// The picker logic over the in-memory registry and the platform's collation,
// as vindra-cli and the tests of other parts see them.
#include <gtest/gtest.h>

#include "fake_view.h"
#include "regbrowser/key_picker.h"
#include "registry/memory_registry.h"

namespace vindra::regbrowser {
namespace {

using registry::KeyAccess;
using registry::RootKey;
using registry::MemoryRegistry;
using testing::Child;
using testing::ChildTexts;
using testing::FakeView;
using Strings = std::vector<std::string>;

constexpr RootKey kHKCU = registry::kHkeyCurrentUser;

class MemoryRegistryPickerTest : public ::testing::Test {
 protected:
  MemoryRegistryPickerTest() {
    for (const char* path : {"Software\\zeta", "Software\\Alpha\\One", "Software\\beta", "Software\\表示\\ソフト",
                              "Software\\Locked\\Inner", "Software\\QueryOnly\\Inner", "Software\\Gone\\Inner"})
      reg.CreateKey(kHKCU, path);
    reg.SetKeyAccess(kHKCU, "Software\\Locked", KeyAccess::Denied);
    reg.SetKeyAccess(kHKCU, "Software\\QueryOnly", KeyAccess::QueryOnly);
    view.picker = &picker;
    picker.AddRootKeys();
    picker.root = kHKCU;
  }
  // Prepares the picker to show with `section` below HKEY_CURRENT_USER.
  void ShowAt(const char* section) {
    picker.section = section;
    picker.PrepareToShow();
  }

  MemoryRegistry reg;
  FakeView view;
  KeyPicker picker{reg, view};
};

TEST_F(MemoryRegistryPickerTest, FillsInCollationOrderAndMarksKeysWithSubKeys) {
  ShowAt("software");
  ASSERT_NE(picker.Selected(), nullptr);
  EXPECT_EQ(picker.section, "Software\\");
  RegTreeNode& software = *picker.Selected();
  view.Expand(software);
  EXPECT_EQ(ChildTexts(software), (Strings{"Alpha", "beta", "Gone", "Locked", "QueryOnly", "zeta", "表示"}));
  EXPECT_EQ(ChildTexts(*Child(software, "Alpha")), Strings{"<>"});
  EXPECT_EQ(ChildTexts(*Child(software, "beta")), Strings{});
  // A key that cannot be opened shows no button; one whose sub-keys cannot be
  // listed shows one and expands to nothing, without a message.
  EXPECT_EQ(ChildTexts(*Child(software, "Locked")), Strings{});
  EXPECT_EQ(ChildTexts(*Child(software, "QueryOnly")), Strings{"<>"});
  view.Expand(*Child(software, "QueryOnly"));
  EXPECT_EQ(ChildTexts(*Child(software, "QueryOnly")), Strings{});
}

TEST_F(MemoryRegistryPickerTest, AKeyDeletedDuringTheFillIsListedWithoutButton) {
  ShowAt("Software");
  // Gone is deleted after Software was listed, while its sub-keys are probed.
  reg.SetHook([this](registry::RegistryCall call, RootKey, std::string_view path, std::string_view) {
    if (call == registry::RegistryCall::OpenKey && path == "Software\\Alpha") reg.DeleteKey(kHKCU, "Software\\Gone");
  });
  view.Expand(*picker.Selected());
  reg.SetHook(nullptr);
  RegTreeNode* gone = Child(*picker.Selected(), "Gone");
  ASSERT_NE(gone, nullptr);
  EXPECT_EQ(ChildTexts(*gone), Strings{});
}

TEST_F(MemoryRegistryPickerTest, PreselectsThroughJapaneseNamesInAnyAsciiCase) {
  ShowAt("\\SOFTWARE\\表示\\ソフト");
  ASSERT_NE(picker.Selected(), nullptr);
  EXPECT_EQ(picker.section, "Software\\表示\\ソフト\\");
  EXPECT_TRUE(picker.OkEnabled());
}

}  // namespace
}  // namespace vindra::regbrowser
