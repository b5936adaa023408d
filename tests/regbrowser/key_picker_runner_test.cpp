#include "regbrowser/key_picker_runner.h"

#include <functional>

#include <gtest/gtest.h>

#include "fake_registry.h"
#include "fake_view.h"

namespace vindra::regbrowser {
namespace {

using testing::Child;
using testing::FakeRegistry;
using testing::FakeView;

// A scripted dialog: on ShowModal it runs PrepareToShow, lets the script act as
// the user and closes with the script's result.
struct Script {
  std::function<bool(KeyPicker&, FakeView&)> user;
  int created = 0;
  int destroyed = 0;
  std::vector<std::string> calls;
  std::string root_seen_at_show;
  std::string section_seen_at_show;
};

class ScriptedDialog : public KeyPickerDialog {
 public:
  ScriptedDialog(FakeRegistry& reg, Script& script) : picker_(reg, view_), script_(script) {
    view_.picker = &picker_;
    picker_.AddRootKeys();
    ++script_.created;
  }
  ~ScriptedDialog() override { ++script_.destroyed; }
  KeyPicker& Picker() override { return picker_; }
  void SetWindowFont(const platform::FontDescription& f) override {
    script_.calls.push_back("window:" + f.name + "/" + std::to_string(f.size) + "/" + std::to_string(f.charset));
  }
  void SetTreeFont(const platform::FontDescription& f) override {
    script_.calls.push_back("tree:" + f.name + "/" + std::to_string(f.size) + "/" + std::to_string(f.charset));
  }
  void SetTitle(std::string_view t) override { script_.calls.push_back("title:" + std::string(t)); }
  void SetCaption(std::string_view c) override { script_.calls.push_back("caption:" + std::string(c)); }
  bool ShowModal() override {
    script_.calls.push_back("top:" + picker_.TopNode().text);
    script_.section_seen_at_show = picker_.section;
    picker_.PrepareToShow();
    return script_.user(picker_, view_);
  }

 private:
  FakeView view_;
  KeyPicker picker_;
  Script& script_;
};

class ScriptedFactory : public KeyPickerDialogFactory {
 public:
  ScriptedFactory(FakeRegistry& reg, Script& script) : reg_(reg), script_(script) {}
  std::unique_ptr<KeyPickerDialog> NewDialog() override { return std::make_unique<ScriptedDialog>(reg_, script_); }

 private:
  FakeRegistry& reg_;
  Script& script_;
};

class KeyPickerRunnerTest : public ::testing::Test {
 protected:
  KeyPickerRunnerTest() {
    reg.Add(registry::kHkeyCurrentUser, "Software\\Microsoft\\Windows");
    reg.Add(registry::kHkeyCurrentUser, "Environment");
    reg.Add(registry::kHkeyLocalMachine, "SYSTEM\\CurrentControlSet");
  }
  bool Run() { return runner.Run("title", "top", {}, {}); }

  FakeRegistry reg;
  Script script;
  ScriptedFactory factory{reg, script};
  KeyPickerRunner runner{factory};
};

TEST_F(KeyPickerRunnerTest, StartsWithTheDesignValues) {
  EXPECT_EQ(runner.root, 0u);
  EXPECT_EQ(runner.section, "software");
  EXPECT_EQ(runner.caption, "");
}

TEST_F(KeyPickerRunnerTest, OkReturnsThePreselectedKeyAsTheRegistrySpellsIt) {
  runner.root = registry::kHkeyCurrentUser;
  script.user = [](KeyPicker& f, FakeView&) { return f.OkEnabled(); };
  EXPECT_TRUE(Run());
  EXPECT_EQ(runner.root, registry::kHkeyCurrentUser);
  EXPECT_EQ(runner.section, "Software\\");
  EXPECT_EQ(script.section_seen_at_show, "software");
}

TEST_F(KeyPickerRunnerTest, OkReturnsTheKeyTheUserSelected) {
  runner.root = registry::kHkeyCurrentUser;
  script.user = [](KeyPicker& f, FakeView& v) {
    RegTreeNode& hklm = *f.TopNode().children[2];
    v.Expand(hklm);
    RegTreeNode& system = *Child(hklm, "SYSTEM");
    v.Expand(system);
    v.SelectNode(*Child(system, "CurrentControlSet"));
    return true;
  };
  EXPECT_TRUE(Run());
  EXPECT_EQ(runner.root, registry::kHkeyLocalMachine);
  EXPECT_EQ(runner.section, "SYSTEM\\CurrentControlSet\\");
}

TEST_F(KeyPickerRunnerTest, CancelLeavesRootAndSectionEvenAfterAnotherSelection) {
  runner.root = registry::kHkeyCurrentUser;
  runner.section = "\\Software\\Microsoft";
  script.user = [](KeyPicker& f, FakeView& v) {
    v.SelectNode(*f.TopNode().children[1]->children[0]);  // Environment
    EXPECT_EQ(f.section, "Environment\\");
    return false;
  };
  EXPECT_FALSE(Run());
  EXPECT_EQ(runner.root, registry::kHkeyCurrentUser);
  EXPECT_EQ(runner.section, "\\Software\\Microsoft");
}

TEST_F(KeyPickerRunnerTest, EveryRunUsesAFreshDialogAndDestroysIt) {
  script.user = [](KeyPicker&, FakeView&) { return false; };
  Run();
  Run();
  EXPECT_EQ(script.created, 2);
  EXPECT_EQ(script.destroyed, 2);
  script.user = [](KeyPicker&, FakeView&) -> bool { throw std::runtime_error("boom"); };
  EXPECT_THROW(Run(), std::runtime_error);
  EXPECT_EQ(script.destroyed, 3);
}

TEST_F(KeyPickerRunnerTest, AppliesOnlyNamedFontsThenTitleTopTextAndCaption) {
  runner.caption = "caption";
  script.user = [](KeyPicker&, FakeView&) { return false; };
  platform::FontDescription window{"Arial", 11, 0};
  runner.Run("T", "PC", window, {});
  EXPECT_EQ(script.calls,
            (std::vector<std::string>{"window:Arial/11/0", "title:T", "caption:caption", "top:PC"}));
  script.calls.clear();
  platform::FontDescription tree{"Courier", 10, 128};
  runner.Run("T", "PC", {}, tree);
  EXPECT_EQ(script.calls, (std::vector<std::string>{"tree:Courier/10/128", "title:T", "caption:caption", "top:PC"}));
}

TEST_F(KeyPickerRunnerTest, PerformanceDataRootPreselectsNothingAndCannotBeConfirmed) {
  runner.root = registry::kHkeyPerformanceData;
  script.user = [](KeyPicker& f, FakeView& v) {
    EXPECT_EQ(v.selected, nullptr);
    return f.OkEnabled();  // Enter does nothing while OK is disabled
  };
  EXPECT_FALSE(Run());
  EXPECT_EQ(runner.root, registry::kHkeyPerformanceData);
  EXPECT_EQ(runner.section, "software");
}

}  // namespace
}  // namespace vindra::regbrowser
