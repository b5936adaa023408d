#include "app/main_window.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>
#include <stdexcept>

#include "app/memo_text.h"

namespace vindra::app {
namespace {

using registry::kHkeyClassesRoot;
using registry::kHkeyCurrentUser;
using registry::kHkeyLocalMachine;
using registry::kHkeyUsers;

// Memo1: the text model of the real control, with redraw bookkeeping.
class FakeMemo final : public TextArea, public OutputList {
 public:
  OutputList& Lines() override { return *this; }
  void Clear() override { text.Clear(); }
  void Add(std::string_view line) override {
    if (!suspended) ++addsWhileDrawing;
    text.Add(line);
  }
  bool HasText() override { return !text.Empty(); }
  void SuspendRedraw() override { suspended = true; }
  void ResumeRedraw() override {
    suspended = false;
    ++resumes;
  }
  void Focus() override { ++focused; }
  void SelectAll() override { ++selectAll; }

  MemoText text;
  bool suspended = false;
  int resumes = 0, focused = 0, selectAll = 0, addsWhileDrawing = 0;
};

class FakeView final : public MainWindowView {
 public:
  void ShowError(std::string_view t) override { events.push_back("error:" + std::string(t)); }
  bool AskYesNo(std::string_view t) override {
    events.push_back("question:" + std::string(t));
    return answerYes;
  }
  void ShowInformation(std::string_view t) override { events.push_back("info:" + std::string(t)); }
  void ReportFailure(std::string_view t) override { events.push_back("failure:" + std::string(t)); }
  bool ChooseFile(std::string_view filter, std::string& fileName) override {
    lastFilter = std::string(filter);
    if (chosenFile.empty()) return false;
    fileName = chosenFile;
    return true;
  }
  void SetStatusText(std::string_view t) override { status = std::string(t); }
  void SetWindowFont(const FontDescription& f) override { windowFont = f; }
  void SetMemoFont(const FontDescription& f) override { memoFont = f; }
  void ActionsChanged() override { ++actionsChanged; }
  void CloseWindow() override { closed = true; }
  void OpenHelp(const std::string& f) override { helpFile = f; }
  void ShowAboutBox() override { ++aboutBoxes; }
  void BringToFront() override { ++foreground; }
  void SetWaitCursor(bool on) override { waitCursor = on; }

  bool answerYes = true;
  std::string chosenFile, lastFilter, status = "(none)", helpFile;
  std::vector<std::string> events;
  FontDescription windowFont, memoFont;
  int actionsChanged = 0, aboutBoxes = 0, foreground = 0;
  bool closed = false, waitCursor = false;
};

// RB1 scripted: each Execute takes the next pick (or cancels when none is left).
class FakePicker final : public KeyPicker {
 public:
  struct Pick {
    RootKey root;
    std::string section;
  };
  RootKey Root() const override { return root; }
  void SetRoot(RootKey r) override { root = r; }
  std::string Section() const override { return section; }
  void SetSection(std::string_view s) override { section = std::string(s); }
  void SetCaption(std::string_view c) override { caption = std::string(c); }
  bool Execute(std::string_view title, std::string_view top, const FontDescription& wf,
               const FontDescription& tf) override {
    openedAt.push_back({root, section});
    lastTitle = std::string(title);
    lastTop = std::string(top);
    windowFont = wf;
    treeFont = tf;
    if (picks.empty()) return false;
    root = picks.front().root;
    section = picks.front().section;
    picks.pop_front();
    return true;
  }

  RootKey root = 0;
  std::string section = "software", caption, lastTitle, lastTop;
  std::deque<Pick> picks;
  std::vector<Pick> openedAt;
  FontDescription windowFont, treeFont;
};

class FakeLanguage final : public LanguageSource {
 public:
  bool Present() override { return present; }
  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) override {
    auto it = values.find(std::string(section) + "/" + std::string(key));
    return it == values.end() ? std::string(def) : it->second;
  }
  FontDescription ReadFont(LanguageFont font) override {
    return font == LanguageFont::kWindow ? FontDescription{"Window Face", 11, 1}
                                         : FontDescription{"Text Face", 12, 2};
  }
  bool present = false;
  std::map<std::string, std::string> values;
};

// Converters that write recognisable lines and record the options they saw.
class FakeConverters final : public Converters {
 public:
  void ConvertFile(OutputList& out, const std::string& fileName, const ConversionOptions& o) override {
    seen.push_back(o);
    if (fail) throw std::runtime_error("cannot open " + fileName);
    out.Clear();
    out.Add("[Software.AddReg]");
    out.Add("file " + fileName);
    out.Add("");
  }
  void ExportKey(OutputList& out, RootKey, const std::string& path, const ConversionOptions& o) override {
    seen.push_back(o);
    exportedPaths.push_back(path);
    out.Add("0x0,\"" + path + "\"");
    if (fail) throw std::runtime_error("read failed");
  }
  void ExportRegExpander(OutputList& out, RootKey, const std::string& path, const ConversionOptions& o) override {
    seen.push_back(o);
    exportedPaths.push_back(path);
    out.Add("0x7,\"Quenvel\\RegExpander\\HKCU\",\"" + path + "\",\"a\"");
  }
  bool fail = false;
  std::vector<ConversionOptions> seen;
  std::vector<std::string> exportedPaths;
};

// HKLM\System\Select with an optional "Current" value.
class FakeSelectRegistry final : public registry::RegistrySource {
 public:
  class Access final : public registry::RegistryAccess {
   public:
    explicit Access(const FakeSelectRegistry& r) : r_(r) {}
    void SetRoot(RootKey root) override { root_ = root; }
    bool OpenKeyReadOnly(std::string_view path) override {
      open_ = r_.keyExists && root_ == kHkeyLocalMachine && path == "System\\Select";
      return open_;
    }
    void CloseKey() override { open_ = false; }
    std::vector<std::string> ValueNames() override { return {}; }
    std::vector<std::string> SubKeyNames() override { return {}; }
    std::uint32_t SubKeyCount() override { return 0; }
    registry::ValueInfo QueryValueInfo(std::string_view name) override {
      if (!open_ || name != "Current" || !r_.valueType) return {};
      return {true, r_.valueType, r_.valueType == 4 ? 4u : 2u};
    }
    std::string ReadString(std::string_view) override { throw registry::RegistryError("no"); }
    std::uint32_t ReadInteger(std::string_view name) override {
      if (QueryValueInfo(name).type != 4) throw registry::RegistryError("'Current' のデータ型が不正です");
      return r_.current;
    }
    std::uint32_t ReadBinaryData(std::string_view, void*, std::uint32_t) override { return 0; }
    std::uint32_t ReadRawData(std::string_view, void*, std::uint32_t) override { return 0; }

   private:
    const FakeSelectRegistry& r_;
    RootKey root_ = 0;
    bool open_ = false;
  };
  std::unique_ptr<registry::RegistryAccess> CreateAccess() override { return std::make_unique<Access>(*this); }
  bool keyExists = true;
  std::uint32_t valueType = 4;
  std::uint32_t current = 1;
};

std::string FakeExpand(std::string_view text) {
  std::string s(text);
  if (s == "%SystemRoot%") return "C:\\WINDOWS";
  if (s == "%ProgramFiles%") return "C:\\Program Files";
  if (s == "%SystemDrive%") return "C:";
  return s;  // undefined variables stay as their reference
}

class MainWindowTest : public ::testing::Test {
 protected:
  std::unique_ptr<MainWindow> Make(std::vector<std::string> args = {}) {
    MainWindowServices s{view, memo, picker, language, converters, &registry, messages, FakeExpand,
                         std::move(args), "D:\\Tools\\Vindra.exe"};
    auto w = std::make_unique<MainWindow>(std::move(s));
    return w;
  }
  std::unique_ptr<MainWindow> Shown(std::vector<std::string> args = {}) {
    auto w = Make(std::move(args));
    w->FormShow();
    return w;
  }
  const std::string& Text() { return memo.text.Text(); }
  std::string Msg(MessageId id) { return messages.Get(id); }

  FakeView view;
  FakeMemo memo;
  FakePicker picker;
  FakeLanguage language;
  FakeConverters converters;
  FakeSelectRegistry registry;
  MessageTable messages;
};

const std::string kSep = "\r\n;-----------------------------------------------------------\r\n";

TEST_F(MainWindowTest, ConvertIntoEmptyTextAreaAsksNothingAndWritesHeader) {
  auto w = Shown();
  picker.picks.push_back({kHkeyCurrentUser, "Software\\Foo\\"});
  w->AL_ConvertExecute();
  EXPECT_EQ(Text(), "[Default.AddReg]\r\n0x0,\"Software\\Foo\"\r\n");
  ASSERT_EQ(view.events.size(), 1u);
  EXPECT_EQ(view.events[0], "info:" + Msg(MessageId::RS_006));
  EXPECT_EQ(memo.focused, 1);
  EXPECT_EQ(picker.caption, Msg(MessageId::RS_001));
  EXPECT_EQ(picker.lastTitle, Msg(MessageId::RS_008));
  EXPECT_EQ(picker.lastTop, Msg(MessageId::RS_009));
}

TEST_F(MainWindowTest, SecondConvertAppendsOnYesAndReplacesOnNo) {
  struct Case {
    bool yes;
    bool header;
    std::string expected;
  };
  const std::string first = "[Default.AddReg]\r\n0x0,\"Software\\A\"\r\n";
  const Case cases[] = {
      {true, true, first + kSep + "\r\n[Software.AddReg]\r\n0x0,\"SOFTWARE\\B\"\r\n"},
      {false, true, "[Software.AddReg]\r\n0x0,\"SOFTWARE\\B\"\r\n"},
      {true, false, "0x0,\"Software\\A\"\r\n" + kSep + "\r\n0x0,\"SOFTWARE\\B\"\r\n"},
      {false, false, "0x0,\"SOFTWARE\\B\"\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.yes ? "yes" : "no") + (c.header ? " header" : " no header"));
    memo.text.Clear();
    view.events.clear();
    view.answerYes = c.yes;
    auto w = Shown();
    if (!c.header) w->Execute(ActionId::AddSectionHeader);
    picker.picks.push_back({kHkeyCurrentUser, "Software\\A\\"});
    picker.picks.push_back({kHkeyLocalMachine, "SOFTWARE\\B\\"});
    w->AL_ConvertExecute();
    w->AL_ConvertExecute();
    EXPECT_EQ(Text(), c.expected);
    ASSERT_EQ(view.events.size(), 3u);
    EXPECT_EQ(view.events[1], "question:" + Msg(MessageId::RS_004) + "\r\n" + Msg(MessageId::RS_005));
  }
}

TEST_F(MainWindowTest, HeaderLineFollowsRootAndSubtree) {
  struct Case {
    RootKey root;
    std::string section, header;
  };
  const Case cases[] = {
      {kHkeyClassesRoot, "txtfile\\", "[Software.AddReg]"},
      {kHkeyCurrentUser, "Software\\X\\", "[Default.AddReg]"},
      {kHkeyLocalMachine, "software\\X\\", "[Software.AddReg]"},
      {kHkeyLocalMachine, "System\\CurrentControlSet\\", "[SetupReg.AddReg]"},
      {kHkeyLocalMachine, "SYSTEM\\", "[SetupReg.AddReg]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.section);
    memo.text.Clear();
    auto w = Shown();
    picker.picks.push_back({c.root, c.section});
    w->AL_ConvertExecute();
    EXPECT_EQ(Text().substr(0, Text().find('\r')), c.header);
  }
}

TEST_F(MainWindowTest, RefusedRootsShowTheirErrorAndLeaveTextUntouched) {
  struct Case {
    RootKey root;
    std::string section;
    MessageId message;
  };
  const Case cases[] = {
      {kHkeyUsers, ".DEFAULT\\Software\\", MessageId::RS_002},
      {registry::kHkeyCurrentConfig, "Software\\", MessageId::RS_002},
      {registry::kHkeyPerformanceData, "x\\", MessageId::RS_002},
      {kHkeyLocalMachine, "HARDWARE\\DESCRIPTION\\", MessageId::RS_003},
      {kHkeyLocalMachine, "SOFTWAREX\\", MessageId::RS_003},
      {kHkeyLocalMachine, "SAM\\", MessageId::RS_003},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.section);
    memo.text.SetText("kept\r\n");
    view.events.clear();
    converters.exportedPaths.clear();
    auto w = Shown();
    picker.picks.push_back({c.root, c.section});
    w->AL_ConvertExecute();
    EXPECT_EQ(Text(), "kept\r\n");
    ASSERT_EQ(view.events.size(), 1u);
    EXPECT_EQ(view.events[0], "error:" + Msg(c.message));
    EXPECT_TRUE(converters.exportedPaths.empty());
    // The rejected key is where the next Convert opens.
    w->AL_ConvertExecute();
    ASSERT_FALSE(picker.openedAt.empty());
    EXPECT_EQ(picker.openedAt.back().root, c.root);
    EXPECT_EQ(picker.openedAt.back().section, c.section);
  }
}

TEST_F(MainWindowTest, CancelledPickerChangesNothing) {
  auto w = Shown();
  memo.text.SetText("x\r\n");
  w->AL_ConvertExecute();
  w->AL_RegExpanderExecute();
  EXPECT_EQ(Text(), "x\r\n");
  EXPECT_TRUE(view.events.empty());
  EXPECT_EQ(w->LastRoot(), kHkeyCurrentUser);
  EXPECT_EQ(w->LastSection(), "Software");
}

TEST_F(MainWindowTest, FirstConvertOpensAtCurrentUserSoftware) {
  auto w = Shown();
  w->AL_ConvertExecute();
  ASSERT_EQ(picker.openedAt.size(), 1u);
  EXPECT_EQ(picker.openedAt[0].root, kHkeyCurrentUser);
  EXPECT_EQ(picker.openedAt[0].section, "Software");
}

TEST_F(MainWindowTest, RegExpanderAppendsWithoutQuestionAndKeepsLastConvertKey) {
  auto w = Shown();
  memo.text.SetText("previous\r\n");
  // Before any pick the RegExpander picker opens at RB1's own place.
  picker.picks.push_back({kHkeyCurrentUser, "Software\\Foo\\"});
  w->AL_ConvertExecute();  // answered Yes
  picker.picks.push_back({kHkeyLocalMachine, "HARDWARE\\X\\"});  // no HKLM path check here
  view.events.clear();
  w->AL_RegExpanderExecute();
  EXPECT_EQ(picker.openedAt.back().section, "Software\\Foo\\");
  EXPECT_EQ(picker.caption, Msg(MessageId::RS_007));
  ASSERT_EQ(view.events.size(), 1u);
  EXPECT_EQ(view.events[0], "info:" + Msg(MessageId::RS_006));
  const std::string tail = "; for Registry Expander\r\n0x7,\"Quenvel\\RegExpander\\HKCU\",\"HARDWARE\\X\",\"a\"\r\n";
  ASSERT_GE(Text().size(), tail.size());
  EXPECT_EQ(Text().substr(Text().size() - tail.size()), tail);
  EXPECT_EQ(Text().rfind("previous\r\n", 0), 0u);
  // Convert opens at its own last key, not at the RegExpander pick.
  w->AL_ConvertExecute();
  EXPECT_EQ(picker.openedAt.back().section, "Software\\Foo\\");
  EXPECT_EQ(w->LastSection(), "Software\\Foo\\");
}

TEST_F(MainWindowTest, RegExpanderOpensAtLastConfirmedKeyOfEitherCommand) {
  auto w = Shown();
  picker.picks.push_back({kHkeyCurrentUser, "Software\\R\\"});
  w->AL_RegExpanderExecute();
  w->AL_RegExpanderExecute();  // cancelled
  EXPECT_EQ(picker.openedAt.back().root, kHkeyCurrentUser);
  EXPECT_EQ(picker.openedAt.back().section, "Software\\R\\");
}

TEST_F(MainWindowTest, RegExpanderRefusesOtherRoots) {
  auto w = Shown();
  picker.picks.push_back({kHkeyUsers, "S-1-5-18\\"});
  w->AL_RegExpanderExecute();
  EXPECT_EQ(Text(), "");
  ASSERT_EQ(view.events.size(), 1u);
  EXPECT_EQ(view.events[0], "error:" + Msg(MessageId::RS_002));
}

TEST_F(MainWindowTest, ExporterFailureResumesRedrawAndReportsWithoutCompletionBox) {
  auto w = Shown();
  converters.fail = true;
  picker.picks.push_back({kHkeyCurrentUser, "Software\\Foo\\"});
  w->AL_ConvertExecute();
  EXPECT_FALSE(memo.suspended);
  EXPECT_FALSE(view.waitCursor);
  ASSERT_EQ(view.events.size(), 1u);
  EXPECT_EQ(view.events[0], "failure:read failed");
  EXPECT_EQ(memo.focused, 0);
}

TEST_F(MainWindowTest, ConvertersWriteWhileRedrawIsSuspended) {
  auto w = Shown();
  picker.picks.push_back({kHkeyCurrentUser, "Software\\Foo\\"});
  w->AL_ConvertExecute();
  // Only the header line is added with redrawing on.
  EXPECT_EQ(memo.addsWhileDrawing, 1);
  EXPECT_FALSE(memo.suspended);
}

TEST_F(MainWindowTest, TrailingBackslashRemovedOnceAndNotFromDoubleByteCharacter) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"SOFTWARE\\Foo\\", "SOFTWARE\\Foo"},
      {"SOFTWARE\\Foo\\\\", "SOFTWARE\\Foo\\"},
      {"SOFTWARE\\Foo", "SOFTWARE\\Foo"},
      {"Software\\表", "Software\\表"},           // 表 is 95 5C
      {"Software\\表\\", "Software\\表"},
      {"\\", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(RemoveTrailingBackslash(c.in), c.out) << c.in;
}

TEST_F(MainWindowTest, ExporterGetsPathWithoutTrailingBackslash) {
  auto w = Shown();
  picker.picks.push_back({kHkeyCurrentUser, "Software\\ソ\\"});  // ソ is 83 5C
  w->AL_ConvertExecute();
  ASSERT_EQ(converters.exportedPaths.size(), 1u);
  EXPECT_EQ(converters.exportedPaths[0], "Software\\ソ");
}

TEST_F(MainWindowTest, DesignedStateAtFirstShowingWithoutLanguageFile) {
  auto w = Shown();
  EXPECT_EQ(w->GetAction(ActionId::Convert).Caption, "変換(&V)");
  EXPECT_EQ(w->GetAction(ActionId::SP2).Caption, "\"X:\"固定で置換(&X)");
  EXPECT_EQ(w->Menus().F1, "ファイル(&F)");
  EXPECT_EQ(w->Menus().OpenFilter, "レジストリファイル(*.reg)|*.reg|すべてのファイル(*.*)|*.*");
  EXPECT_TRUE(w->GetAction(ActionId::SP2).Checked);
  EXPECT_FALSE(w->GetAction(ActionId::SP1).Checked);
  EXPECT_FALSE(w->GetAction(ActionId::None).Checked);
  EXPECT_EQ(w->GetAction(ActionId::Rep02).Caption, "&1: C:\\WINDOWS -> X:\\I386");
  EXPECT_EQ(w->GetAction(ActionId::Rep04).Caption, "&2: C:\\Program Files -> X:\\PROGRAMS");
  EXPECT_EQ(w->GetAction(ActionId::Rep03).Caption, "&3: C: -> X:");
  for (ActionId id : {ActionId::Rep02, ActionId::Rep04, ActionId::Rep03}) {
    EXPECT_TRUE(w->GetAction(id).Checked);
    EXPECT_TRUE(w->GetAction(id).Visible);
  }
  EXPECT_EQ(view.windowFont.name, "");  // fonts stay as designed
  const ConversionOptions o = w->Options();
  EXPECT_TRUE(o.AddSectionHeader && o.ForceControlSet001 && o.ReplaceSystemRoot && o.ReplaceProgramFiles &&
              o.ReplaceSystemDrive);
  EXPECT_EQ(o.PathSubstitution, PathSubstitutionMode::FixedDrive);
  EXPECT_EQ(picker.root, kHkeyCurrentUser);
  EXPECT_EQ(picker.section, "software");
}

TEST_F(MainWindowTest, LanguageFileCaptionsAndFontsAndMissingForm01Keys) {
  language.present = true;
  language.values["Form01/RS_001"] = "&File";
  language.values["Form01/RS_008"] = "Con&vert";
  language.values["Form01/RS_015"] = "\"X:\" paths";
  auto w = Shown();
  EXPECT_EQ(w->Menus().F1, "&File");
  EXPECT_EQ(w->GetAction(ActionId::Convert).Caption, "Con&vert");
  EXPECT_EQ(w->GetAction(ActionId::SP2).Caption, "\"X:\" paths");
  // Missing keys give empty captions...
  EXPECT_EQ(w->Menus().I1, "");
  EXPECT_EQ(w->Menus().OpenFilter, "");
  EXPECT_EQ(w->Menus().R1, "");
  EXPECT_EQ(w->GetAction(ActionId::SP1).Caption, "");
  EXPECT_EQ(w->GetAction(ActionId::Close).Caption, "");
  // ...while the toggle captions are still computed.
  EXPECT_EQ(w->GetAction(ActionId::Rep02).Caption, "&1: C:\\WINDOWS -> X:\\I386");
  EXPECT_EQ(view.windowFont.name, "Window Face");
  EXPECT_EQ(view.memoFont.name, "Text Face");
  // The picker gets both fonts from the language file.
  w->AL_ConvertExecute();
  EXPECT_EQ(picker.windowFont.name, "Window Face");
  EXPECT_EQ(picker.treeFont.name, "Text Face");
}

TEST_F(MainWindowTest, PickerFontsAreEmptyWithoutLanguageFile) {
  auto w = Shown();
  w->AL_RegExpanderExecute();
  EXPECT_EQ(picker.windowFont.name, "");
  EXPECT_EQ(picker.windowFont.size, 0);
  EXPECT_EQ(picker.treeFont.charset, 0);
}

TEST_F(MainWindowTest, FirstShowingActsOnce) {
  auto w = Make({"a.reg"});
  w->FormShow();
  picker.picks.push_back({kHkeyLocalMachine, "SOFTWARE\\Z\\"});
  view.answerYes = false;
  w->AL_ConvertExecute();
  view.status = "changed";
  w->FormShow();
  EXPECT_EQ(view.status, "changed");
  EXPECT_EQ(w->LastSection(), "SOFTWARE\\Z\\");
  EXPECT_EQ(converters.seen.size(), 2u);  // one command-line conversion only
}

TEST_F(MainWindowTest, StatusBarShowsCurrentControlSet) {
  struct Case {
    bool keyExists;
    std::uint32_t type, current;
    std::string expected;
  };
  const Case cases[] = {
      {true, 4, 1, "Current: ControlSet001"},
      {true, 4, 2, "Current: ControlSet002"},
      {true, 4, 12, "Current: ControlSet012"},
      {true, 4, 1234, "Current: ControlSet1234"},
      {false, 4, 2, "Current: ControlSet001"},
      {true, 0, 2, "Current: ControlSet001"},  // value missing
      {true, 1, 2, "Current: ControlSet001"},  // not a 32-bit number
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    registry.keyExists = c.keyExists;
    registry.valueType = c.type;
    registry.current = c.current;
    view.events.clear();
    auto w = Shown();
    EXPECT_EQ(view.status, c.expected);
    EXPECT_TRUE(view.events.empty());
    EXPECT_EQ(w->GetAction(ActionId::Rep03).Caption, "&3: C: -> X:");
  }
}

TEST_F(MainWindowTest, CommandLineFileConvertsBeforeStatusBarAndIgnoresFurtherArguments) {
  auto w = Make({"first.reg", "second.reg"});
  w->FormShow();
  EXPECT_EQ(Text(), "[Software.AddReg]\r\nfile first.reg\r\n\r\n");
  EXPECT_EQ(converters.seen.size(), 1u);
  EXPECT_FALSE(memo.suspended);
  EXPECT_EQ(memo.resumes, 1);
}

TEST_F(MainWindowTest, CommandLineFileThatFailsIsReportedAndStartupGoesOn) {
  converters.fail = true;
  auto w = Make({"missing.reg"});
  w->FormShow();
  ASSERT_EQ(view.events.size(), 1u);
  EXPECT_EQ(view.events[0], "failure:cannot open missing.reg");
  EXPECT_EQ(view.status, "Current: ControlSet001");
  EXPECT_EQ(w->GetAction(ActionId::Rep02).Caption, "&1: C:\\WINDOWS -> X:\\I386");
}

TEST_F(MainWindowTest, ImportClearsAndConvertsAndCancelKeepsText) {
  auto w = Shown();
  memo.text.SetText("old\r\n");
  w->I1Click();  // cancelled
  EXPECT_EQ(Text(), "old\r\n");
  EXPECT_EQ(view.lastFilter, "レジストリファイル(*.reg)|*.reg|すべてのファイル(*.*)|*.*");
  view.chosenFile = "C:\\x.reg";
  w->I1Click();
  EXPECT_EQ(Text(), "[Software.AddReg]\r\nfile C:\\x.reg\r\n\r\n");
  EXPECT_TRUE(view.events.empty());
}

TEST_F(MainWindowTest, ImportFailureClearsNothingMoreAndReports) {
  auto w = Shown();
  memo.text.SetText("old\r\n");
  view.chosenFile = "C:\\gone.reg";
  converters.fail = true;
  w->I1Click();
  ASSERT_EQ(view.events.size(), 1u);
  EXPECT_EQ(view.events[0], "failure:cannot open C:\\gone.reg");
  EXPECT_FALSE(memo.suspended);
}

TEST_F(MainWindowTest, DroppedFileReplacesOutputAndComesToFront) {
  auto w = Shown();
  memo.text.SetText("earlier output\r\n");
  w->DropFile("C:\\drop.reg");
  EXPECT_EQ(Text(), "[Software.AddReg]\r\nfile C:\\drop.reg\r\n\r\n");
  EXPECT_EQ(view.foreground, 1);
  w->DropFile("");
  EXPECT_EQ(converters.seen.size(), 1u);
  EXPECT_EQ(view.foreground, 2);
}

TEST_F(MainWindowTest, ModeCommandsCaptionsAndVisibility) {
  auto w = Shown();
  w->AL_SP1Execute();
  EXPECT_TRUE(w->GetAction(ActionId::SP1).Checked);
  EXPECT_FALSE(w->GetAction(ActionId::SP2).Checked);
  EXPECT_EQ(w->GetAction(ActionId::Rep02).Caption, "&1: C:\\WINDOWS -> %SystemRoot%");
  EXPECT_EQ(w->GetAction(ActionId::Rep04).Caption, "&2: C:\\Program Files -> %ProgramFiles%");
  EXPECT_EQ(w->GetAction(ActionId::Rep03).Caption, "&3: C: -> %SystemDrive%");
  EXPECT_EQ(w->Options().PathSubstitution, PathSubstitutionMode::EnvironmentVariables);

  w->AL_NONEExecute();
  EXPECT_TRUE(w->GetAction(ActionId::None).Checked);
  EXPECT_FALSE(w->GetAction(ActionId::SP1).Checked);
  EXPECT_FALSE(w->GetAction(ActionId::Rep02).Visible);
  EXPECT_FALSE(w->GetAction(ActionId::Rep03).Visible);
  EXPECT_EQ(w->GetAction(ActionId::Rep02).Caption, "&1: C:\\WINDOWS -> %SystemRoot%");  // kept
  EXPECT_EQ(w->Options().PathSubstitution, PathSubstitutionMode::None);

  w->AL_SP2Execute();
  EXPECT_TRUE(w->GetAction(ActionId::Rep04).Visible);
  EXPECT_EQ(w->GetAction(ActionId::Rep02).Caption, "&1: C:\\WINDOWS -> X:\\I386");
  w->AL_SP2Execute();  // the mode already checked: nothing changes
  EXPECT_TRUE(w->GetAction(ActionId::SP2).Checked);
  EXPECT_FALSE(w->GetAction(ActionId::None).Checked);
}

TEST_F(MainWindowTest, TogglesSurviveModeChangesAndReachTheNextConversion) {
  auto w = Shown();
  w->Execute(ActionId::Rep04);
  w->Execute(ActionId::ForceControlSet001);
  w->AL_NONEExecute();
  w->AL_SP2Execute();
  w->AL_SP1Execute();
  EXPECT_FALSE(w->GetAction(ActionId::Rep04).Checked);
  EXPECT_TRUE(w->GetAction(ActionId::Rep02).Checked);
  view.chosenFile = "a.reg";
  w->I1Click();
  ASSERT_EQ(converters.seen.size(), 1u);
  const ConversionOptions& o = converters.seen[0];
  EXPECT_FALSE(o.ReplaceProgramFiles);
  EXPECT_TRUE(o.ReplaceSystemRoot);
  EXPECT_TRUE(o.ReplaceSystemDrive);
  EXPECT_FALSE(o.ForceControlSet001);
  EXPECT_EQ(o.PathSubstitution, PathSubstitutionMode::EnvironmentVariables);
  w->Execute(ActionId::Rep04);
  EXPECT_TRUE(w->Options().ReplaceProgramFiles);
}

TEST_F(MainWindowTest, UndefinedVariableShowsItsReferenceOnBothSides) {
  MainWindowServices s{view, memo, picker, language, converters, &registry, messages,
                       [](std::string_view t) { return std::string(t); }, {}, "Vindra.exe"};
  MainWindow w(std::move(s));
  w.FormShow();
  w.AL_SP1Execute();
  EXPECT_EQ(w.GetAction(ActionId::Rep04).Caption, "&2: %ProgramFiles% -> %ProgramFiles%");
}

TEST_F(MainWindowTest, CtrlASelectsAllOtherKeysPassOn) {
  auto w = Shown();
  EXPECT_TRUE(w->Memo1KeyDown('A', true));
  EXPECT_FALSE(w->Memo1KeyDown('A', false));
  EXPECT_FALSE(w->Memo1KeyDown('B', true));
  EXPECT_EQ(memo.selectAll, 1);
}

TEST_F(MainWindowTest, HelpAboutAndClose) {
  auto w = Shown();
  w->H3Click();
  EXPECT_EQ(view.helpFile, "D:\\Tools\\Vindra.hlp");
  w->A1Click();
  w->A1Click();
  EXPECT_EQ(view.aboutBoxes, 2);
  w->Execute(ActionId::Close);
  EXPECT_TRUE(view.closed);
}

TEST(MainWindowTexts, SeparatorAndStatusFormats) {
  EXPECT_EQ(SeparatorText(), kSep);
  EXPECT_EQ(SeparatorText().size(), 64u);
  EXPECT_EQ(ControlSetStatusText(0), "Current: ControlSet000");
  // The value is a signed 32-bit number to the format.
  EXPECT_EQ(ControlSetStatusText(0xFFFFFFFFu), "Current: ControlSet-001");
  EXPECT_EQ(ControlSetStatusText(0x80000000u), "Current: ControlSet-2147483648");
  EXPECT_EQ(HelpFilePathFor("D:\\Tools\\a.b.exe"), "D:\\Tools\\a.b.hlp");
  EXPECT_EQ(HelpFilePathFor("conv"), "conv.hlp");
}

}  // namespace
}  // namespace vindra::app

namespace vindra::app {
namespace {

TEST(DialogFilter, BarsBecomeNulsExceptInsideDoubleByteCharacters) {
  using namespace std::string_literals;
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"Reg(*.reg)|*.reg", "Reg(*.reg)\0*.reg\0\0"s},
      {"", "\0\0"s},
      {"レポート|*.txt", "レポート\0*.txt\0\0"s},  // ポ is 83 7C
      {"a||b", "a\0\0b\0\0"s},
  };
  for (const Case& c : cases) EXPECT_EQ(DialogFilter(c.in), c.out);
}

}  // namespace
}  // namespace vindra::app
