#include "regbrowser/reg_browser.h"

#include <functional>

#include <gtest/gtest.h>

#include "fake_registry.h"
#include "fake_view.h"

namespace vindra::regbrowser {
namespace {

using testing::Child;
using testing::FakeRegistry;
using testing::FakeView;

// A scripted dialog: on ShowModal it runs FormShow, lets the script act as
// the user and closes with the script's result.
struct Script {
  std::function<bool(TReg_Form&, FakeView&)> user;
  int created = 0;
  int destroyed = 0;
  std::vector<std::string> calls;
  std::string root_seen_at_show;
  std::string section_seen_at_show;
};

class ScriptedDialog : public RegDialog {
 public:
  ScriptedDialog(FakeRegistry& reg, Script& script) : form_(reg, view_), script_(script) {
    view_.form = &form_;
    form_.FormCreate();
    ++script_.created;
  }
  ~ScriptedDialog() override { ++script_.destroyed; }
  TReg_Form& Form() override { return form_; }
  void SetWindowFont(const FontDescription& f) override {
    script_.calls.push_back("window:" + f.name + "/" + std::to_string(f.size) + "/" + std::to_string(f.charset));
  }
  void SetTreeFont(const FontDescription& f) override {
    script_.calls.push_back("tree:" + f.name + "/" + std::to_string(f.size) + "/" + std::to_string(f.charset));
  }
  void SetTitle(std::string_view t) override { script_.calls.push_back("title:" + std::string(t)); }
  void SetCaption(std::string_view c) override { script_.calls.push_back("caption:" + std::string(c)); }
  bool ShowModal() override {
    script_.calls.push_back("top:" + form_.TopNode().text);
    script_.section_seen_at_show = form_.Section;
    form_.FormShow();
    return script_.user(form_, view_);
  }

 private:
  FakeView view_;
  TReg_Form form_;
  Script& script_;
};

class ScriptedFactory : public RegDialogFactory {
 public:
  ScriptedFactory(FakeRegistry& reg, Script& script) : reg_(reg), script_(script) {}
  std::unique_ptr<RegDialog> NewDialog() override { return std::make_unique<ScriptedDialog>(reg_, script_); }

 private:
  FakeRegistry& reg_;
  Script& script_;
};

class RegBrowserTest : public ::testing::Test {
 protected:
  RegBrowserTest() {
    reg.Add(registry::kHkeyCurrentUser, "Software\\Microsoft\\Windows");
    reg.Add(registry::kHkeyCurrentUser, "Environment");
    reg.Add(registry::kHkeyLocalMachine, "SYSTEM\\CurrentControlSet");
  }
  bool Run() { return browser.Execute("title", "top", {}, {}); }

  FakeRegistry reg;
  Script script;
  ScriptedFactory factory{reg, script};
  TRegBrowser browser{factory};
};

TEST_F(RegBrowserTest, StartsWithTheDesignValues) {
  EXPECT_EQ(browser.Root, 0u);
  EXPECT_EQ(browser.Section, "software");
  EXPECT_EQ(browser.Caption, "");
}

TEST_F(RegBrowserTest, OkReturnsThePreselectedKeyAsTheRegistrySpellsIt) {
  browser.Root = registry::kHkeyCurrentUser;
  script.user = [](TReg_Form& f, FakeView&) { return f.OkEnabled(); };
  EXPECT_TRUE(Run());
  EXPECT_EQ(browser.Root, registry::kHkeyCurrentUser);
  EXPECT_EQ(browser.Section, "Software\\");
  EXPECT_EQ(script.section_seen_at_show, "software");
}

TEST_F(RegBrowserTest, OkReturnsTheKeyTheUserSelected) {
  browser.Root = registry::kHkeyCurrentUser;
  script.user = [](TReg_Form& f, FakeView& v) {
    RegTreeNode& hklm = *f.TopNode().children[2];
    v.Expand(hklm);
    RegTreeNode& system = *Child(hklm, "SYSTEM");
    v.Expand(system);
    v.SelectNode(*Child(system, "CurrentControlSet"));
    return true;
  };
  EXPECT_TRUE(Run());
  EXPECT_EQ(browser.Root, registry::kHkeyLocalMachine);
  EXPECT_EQ(browser.Section, "SYSTEM\\CurrentControlSet\\");
}

TEST_F(RegBrowserTest, CancelLeavesRootAndSectionEvenAfterAnotherSelection) {
  browser.Root = registry::kHkeyCurrentUser;
  browser.Section = "\\Software\\Microsoft";
  script.user = [](TReg_Form& f, FakeView& v) {
    v.SelectNode(*f.TopNode().children[1]->children[0]);  // Environment
    EXPECT_EQ(f.Section, "Environment\\");
    return false;
  };
  EXPECT_FALSE(Run());
  EXPECT_EQ(browser.Root, registry::kHkeyCurrentUser);
  EXPECT_EQ(browser.Section, "\\Software\\Microsoft");
}

TEST_F(RegBrowserTest, EveryExecuteUsesAFreshDialogAndDestroysIt) {
  script.user = [](TReg_Form&, FakeView&) { return false; };
  Run();
  Run();
  EXPECT_EQ(script.created, 2);
  EXPECT_EQ(script.destroyed, 2);
  script.user = [](TReg_Form&, FakeView&) -> bool { throw std::runtime_error("boom"); };
  EXPECT_THROW(Run(), std::runtime_error);
  EXPECT_EQ(script.destroyed, 3);
}

TEST_F(RegBrowserTest, AppliesOnlyNamedFontsThenTitleTopTextAndCaption) {
  browser.Caption = "caption";
  script.user = [](TReg_Form&, FakeView&) { return false; };
  app::FontDescription window{"Arial", 11, 0};
  browser.Execute("T", "PC", window, {});
  EXPECT_EQ(script.calls,
            (std::vector<std::string>{"window:Arial/11/0", "title:T", "caption:caption", "top:PC"}));
  script.calls.clear();
  app::FontDescription tree{"Courier", 10, 128};
  browser.Execute("T", "PC", {}, tree);
  EXPECT_EQ(script.calls, (std::vector<std::string>{"tree:Courier/10/128", "title:T", "caption:caption", "top:PC"}));
}

TEST_F(RegBrowserTest, PerformanceDataRootPreselectsNothingAndCannotBeConfirmed) {
  browser.Root = registry::kHkeyPerformanceData;
  script.user = [](TReg_Form& f, FakeView& v) {
    EXPECT_EQ(v.selected, nullptr);
    return f.OkEnabled();  // Enter does nothing while OK is disabled
  };
  EXPECT_FALSE(Run());
  EXPECT_EQ(browser.Root, registry::kHkeyPerformanceData);
  EXPECT_EQ(browser.Section, "software");
}

}  // namespace
}  // namespace vindra::regbrowser
