#include "app/main_window.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>

#include "app/text_buffer.h"
#include "registry/memory_registry.h"

namespace vindra::app {
namespace {

using registry::RootKey;

using registry::kHkeyClassesRoot;
using registry::kHkeyCurrentUser;
using registry::kHkeyLocalMachine;
using registry::kHkeyUsers;

// What the fake main view was asked to show, in order.
using Events = std::vector<std::string>;

// The text area: the buffer of the real control, with redraw bookkeeping.
class FakeTextArea final : public TextArea, public OutputList {
 public:
  OutputList& Lines() override { return *this; }
  void Clear() override { text.Clear(); }
  void Add(std::string_view line) override {
    if (!suspended) ++addsWhileDrawing;
    text.AddLine(line);
  }
  bool HasText() override { return !text.Empty(); }
  void SuspendRedraw() override { suspended = true; }
  void ResumeRedraw() override {
    suspended = false;
    ++resumes;
  }
  void Focus() override { ++focused; }
  void SelectAll() override { ++selectAll; }

  TextBuffer text;
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
  void ShowWarning(std::string_view t) override { events.push_back("warning:" + std::string(t)); }
  std::optional<std::size_t> ChooseHiveMount(std::string_view fileName, std::string_view question,
                                             const std::vector<std::string>& choices) override {
    events.push_back("mount question:" + std::string(fileName) + "|" + std::string(question));
    mountChoices = choices;
    return mountAnswer;
  }
  void ReportFailure(std::string_view t) override { events.push_back("failure:" + std::string(t)); }
  bool ChooseFile(std::string_view filter, std::string& fileName) override {
    lastFilter = std::string(filter);
    if (chosenFile.empty()) return false;
    fileName = chosenFile;
    return true;
  }
  void SetStatusText(std::string_view t) override { status = std::string(t); }
  void SetWindowFont(const platform::FontDescription& f) override { windowFont = f; }
  void SetTextAreaFont(const platform::FontDescription& f) override { textAreaFont = f; }
  void ActionsChanged() override { ++actionsChanged; }
  void CloseWindow() override { closed = true; }
  void OpenHelp(const std::string& f) override { helpFile = f; }
  void ShowAboutBox() override { ++aboutBoxes; }
  void BringToFront() override { ++foreground; }
  void SetWaitCursor(bool on) override { waitCursor = on; }

  bool answerYes = true;
  std::optional<std::size_t> mountAnswer;
  std::vector<std::string> mountChoices;
  std::string chosenFile, lastFilter, status = "(none)", helpFile;
  std::vector<std::string> events;
  platform::FontDescription windowFont, textAreaFont;
  int actionsChanged = 0, aboutBoxes = 0, foreground = 0;
  bool closed = false, waitCursor = false;
};

// The key picker scripted: each Execute takes the next pick (or cancels when none is left).
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
  bool Execute(std::string_view title, std::string_view top, const platform::FontDescription& wf,
               const platform::FontDescription& tf) override {
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
  platform::FontDescription windowFont, treeFont;
};

class FakeLanguage final : public LanguageSource {
 public:
  bool Present() override { return present; }
  std::string ReadText(MainWindowText text) override {
    auto it = values.find(text);
    return it == values.end() ? std::string() : it->second;
  }
  platform::FontDescription ReadFont(LanguageFont font) override {
    return font == LanguageFont::kWindow ? platform::FontDescription{"Window Face", 11, 1}
                                         : platform::FontDescription{"Text Face", 12, 2};
  }
  bool present = false;
  std::map<MainWindowText, std::string> values;
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
  void ExportKeyFrom(OutputList& out, registry::RegistrySource& source, RootKey, const std::string& path,
                     const ConversionOptions& o) override {
    seen.push_back(o);
    exportedPaths.push_back(path);
    exportSources.push_back(&source);
    out.Add("0x0,\"" + path + "\" from the hive");
  }
  bool fail = false;
  std::vector<ConversionOptions> seen;
  std::vector<std::string> exportedPaths;
  std::vector<registry::RegistrySource*> exportSources;
};

// Hive files by name: opening one records its mount point and gives an empty
// registry; the picker over it is scripted like FakePicker, from `picks`.
class FakeHives final : public HiveFiles {
 public:
  bool IsHiveFile(const std::string& fileName) override { return hiveNames.count(fileName) != 0; }
  Opened Open(const std::string& fileName, const registry::RootedKeyPath& mount) override {
    opened.push_back(fileName + " as " + RootedKeyName(mount));
    if (!failure.empty()) throw std::runtime_error(fileName + ": " + failure);
    Opened o;
    auto source = std::make_unique<registry::MemoryRegistry>();
    lastSource = source.get();
    o.source = std::move(source);
    o.dirty = dirty;
    return o;
  }
  std::unique_ptr<KeyPicker> PickerOver(registry::RegistrySource& source) override {
    pickerSources.push_back(&source);
    auto p = std::make_unique<FakePicker>();
    p->picks = picks;
    picks.clear();
    // The test reads what the picker was asked after it is gone.
    struct Recording final : KeyPicker {
      Recording(std::unique_ptr<FakePicker> inner, FakeHives& owner) : inner_(std::move(inner)), owner_(owner) {}
      RootKey Root() const override { return inner_->Root(); }
      void SetRoot(RootKey r) override { inner_->SetRoot(r); }
      std::string Section() const override { return inner_->Section(); }
      void SetSection(std::string_view s) override { inner_->SetSection(s); }
      void SetCaption(std::string_view c) override { inner_->SetCaption(c); }
      bool Execute(std::string_view title, std::string_view top, const platform::FontDescription& wf,
                   const platform::FontDescription& tf) override {
        const bool ok = inner_->Execute(title, top, wf, tf);
        owner_.lastPicker = *inner_;
        return ok;
      }
      std::unique_ptr<FakePicker> inner_;
      FakeHives& owner_;
    };
    return std::make_unique<Recording>(std::move(p), *this);
  }

  std::set<std::string> hiveNames;
  std::string failure;  // non-empty: Open throws
  bool dirty = false;
  std::deque<FakePicker::Pick> picks;
  std::vector<std::string> opened;
  std::vector<registry::RegistrySource*> pickerSources;
  registry::RegistrySource* lastSource = nullptr;
  FakePicker lastPicker;
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
  std::unique_ptr<MainWindowLogic> Make(std::vector<std::string> args = {}) {
    MainWindowServices s{view, textArea, picker, language, converters, &registry, messages, FakeExpand,
                         std::move(args), "D:\\Tools\\Vindra.exe", &hives};
    auto w = std::make_unique<MainWindowLogic>(std::move(s));
    return w;
  }
  std::unique_ptr<MainWindowLogic> Shown(std::vector<std::string> args = {}) {
    auto w = Make(std::move(args));
    w->OnShown();
    return w;
  }
  std::string Text() { return textArea.text.Text(); }
  std::string Msg(MessageId id) { return messages.Get(id); }

  FakeView view;
  FakeTextArea textArea;
  FakePicker picker;
  FakeLanguage language;
  FakeConverters converters;
  FakeSelectRegistry registry;
  FakeHives hives;
  MessageTable messages;
};

const std::string kSep = "\r\n;-----------------------------------------------------------\r\n";

TEST_F(MainWindowTest, ConvertIntoEmptyTextAreaAsksNothingAndWritesHeader) {
  auto w = Shown();
  picker.picks.push_back({kHkeyCurrentUser, "Software\\Foo\\"});
  w->ConvertKey();
  EXPECT_EQ(Text(), "[Default.AddReg]\r\n0x0,\"Software\\Foo\"\r\n");
  EXPECT_EQ(view.events, Events{"info:" + Msg(MessageId::ExportFinished)});
  EXPECT_EQ(textArea.focused, 1);
  EXPECT_EQ(picker.caption, Msg(MessageId::ConvertPickerCaption));
  EXPECT_EQ(picker.lastTitle, Msg(MessageId::PickerTitle));
  EXPECT_EQ(picker.lastTop, Msg(MessageId::PickerTopNode));
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
    textArea.text.Clear();
    view.events.clear();
    view.answerYes = c.yes;
    auto w = Shown();
    if (!c.header) w->Execute(ActionId::AddSectionHeader);
    picker.picks.push_back({kHkeyCurrentUser, "Software\\A\\"});
    picker.picks.push_back({kHkeyLocalMachine, "SOFTWARE\\B\\"});
    w->ConvertKey();
    w->ConvertKey();
    EXPECT_EQ(Text(), c.expected);
    ASSERT_EQ(view.events.size(), 3u);
    EXPECT_EQ(view.events[1], "question:" + Msg(MessageId::OutputKept) + "\r\n" + Msg(MessageId::AppendQuestion));
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
    textArea.text.Clear();
    auto w = Shown();
    picker.picks.push_back({c.root, c.section});
    w->ConvertKey();
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
      {kHkeyUsers, ".DEFAULT\\Software\\", MessageId::RootNotAllowed},
      {registry::kHkeyCurrentConfig, "Software\\", MessageId::RootNotAllowed},
      {registry::kHkeyPerformanceData, "x\\", MessageId::RootNotAllowed},
      {kHkeyLocalMachine, "HARDWARE\\DESCRIPTION\\", MessageId::OutsideSoftwareOrSystem},
      {kHkeyLocalMachine, "SOFTWAREX\\", MessageId::OutsideSoftwareOrSystem},
      {kHkeyLocalMachine, "SAM\\", MessageId::OutsideSoftwareOrSystem},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.section);
    textArea.text.SetText("kept\r\n");
    view.events.clear();
    converters.exportedPaths.clear();
    auto w = Shown();
    picker.picks.push_back({c.root, c.section});
    w->ConvertKey();
    EXPECT_EQ(Text(), "kept\r\n");
    EXPECT_EQ(view.events, Events{"error:" + Msg(c.message)});
    EXPECT_TRUE(converters.exportedPaths.empty());
    // The rejected key is where the next Convert opens.
    w->ConvertKey();
    ASSERT_FALSE(picker.openedAt.empty());
    EXPECT_EQ(picker.openedAt.back().root, c.root);
    EXPECT_EQ(picker.openedAt.back().section, c.section);
  }
}

TEST_F(MainWindowTest, CancelledPickerChangesNothing) {
  auto w = Shown();
  textArea.text.SetText("x\r\n");
  w->ConvertKey();
  w->ExportForRegExpander();
  EXPECT_EQ(Text(), "x\r\n");
  EXPECT_TRUE(view.events.empty());
  EXPECT_EQ(w->LastRoot(), kHkeyCurrentUser);
  EXPECT_EQ(w->LastSection(), "Software");
}

TEST_F(MainWindowTest, FirstConvertOpensAtCurrentUserSoftware) {
  auto w = Shown();
  w->ConvertKey();
  ASSERT_EQ(picker.openedAt.size(), 1u);
  EXPECT_EQ(picker.openedAt[0].root, kHkeyCurrentUser);
  EXPECT_EQ(picker.openedAt[0].section, "Software");
}

TEST_F(MainWindowTest, RegExpanderAppendsWithoutQuestionAndKeepsLastConvertKey) {
  auto w = Shown();
  textArea.text.SetText("previous\r\n");
  // Before any pick the RegExpander picker opens at the picker's own place.
  picker.picks.push_back({kHkeyCurrentUser, "Software\\Foo\\"});
  w->ConvertKey();  // answered Yes
  picker.picks.push_back({kHkeyLocalMachine, "HARDWARE\\X\\"});  // no HKLM path check here
  view.events.clear();
  w->ExportForRegExpander();
  EXPECT_EQ(picker.openedAt.back().section, "Software\\Foo\\");
  EXPECT_EQ(picker.caption, Msg(MessageId::RegExpanderPickerCaption));
  EXPECT_EQ(view.events, Events{"info:" + Msg(MessageId::ExportFinished)});
  const std::string tail = "; for Registry Expander\r\n0x7,\"Quenvel\\RegExpander\\HKCU\",\"HARDWARE\\X\",\"a\"\r\n";
  ASSERT_GE(Text().size(), tail.size());
  EXPECT_EQ(Text().substr(Text().size() - tail.size()), tail);
  EXPECT_EQ(Text().rfind("previous\r\n", 0), 0u);
  // Convert opens at its own last key, not at the RegExpander pick.
  w->ConvertKey();
  EXPECT_EQ(picker.openedAt.back().section, "Software\\Foo\\");
  EXPECT_EQ(w->LastSection(), "Software\\Foo\\");
}

TEST_F(MainWindowTest, RegExpanderOpensAtLastConfirmedKeyOfEitherCommand) {
  auto w = Shown();
  picker.picks.push_back({kHkeyCurrentUser, "Software\\R\\"});
  w->ExportForRegExpander();
  w->ExportForRegExpander();  // cancelled
  EXPECT_EQ(picker.openedAt.back().root, kHkeyCurrentUser);
  EXPECT_EQ(picker.openedAt.back().section, "Software\\R\\");
}

TEST_F(MainWindowTest, RegExpanderRefusesOtherRoots) {
  auto w = Shown();
  picker.picks.push_back({kHkeyUsers, "S-1-5-18\\"});
  w->ExportForRegExpander();
  EXPECT_EQ(Text(), "");
  EXPECT_EQ(view.events, Events{"error:" + Msg(MessageId::RootNotAllowed)});
}

TEST_F(MainWindowTest, ExporterFailureResumesRedrawAndReportsWithoutCompletionBox) {
  auto w = Shown();
  converters.fail = true;
  picker.picks.push_back({kHkeyCurrentUser, "Software\\Foo\\"});
  w->ConvertKey();
  EXPECT_FALSE(textArea.suspended);
  EXPECT_FALSE(view.waitCursor);
  EXPECT_EQ(view.events, Events{"failure:read failed"});
  EXPECT_EQ(textArea.focused, 0);
}

TEST_F(MainWindowTest, ConvertersWriteWhileRedrawIsSuspended) {
  auto w = Shown();
  picker.picks.push_back({kHkeyCurrentUser, "Software\\Foo\\"});
  w->ConvertKey();
  // Only the header line is added with redrawing on.
  EXPECT_EQ(textArea.addsWhileDrawing, 1);
  EXPECT_FALSE(textArea.suspended);
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
  w->ConvertKey();
  ASSERT_EQ(converters.exportedPaths.size(), 1u);
  EXPECT_EQ(converters.exportedPaths[0], "Software\\ソ");
}

TEST_F(MainWindowTest, DesignedStateAtFirstShowingWithoutLanguageFile) {
  auto w = Shown();
  EXPECT_EQ(w->GetAction(ActionId::Convert).Caption, "変換(&V)");
  EXPECT_EQ(w->GetAction(ActionId::ReplaceWithFixedDrive).Caption, "\"X:\"固定で置換(&X)");
  EXPECT_EQ(w->Menus().FileMenu, "ファイル(&F)");
  EXPECT_EQ(w->Menus().OpenFilter, "レジストリファイル(*.reg)|*.reg|すべてのファイル(*.*)|*.*");
  EXPECT_TRUE(w->GetAction(ActionId::ReplaceWithFixedDrive).Checked);
  EXPECT_FALSE(w->GetAction(ActionId::ReplaceWithVariables).Checked);
  EXPECT_FALSE(w->GetAction(ActionId::ReplaceNothing).Checked);
  EXPECT_EQ(w->GetAction(ActionId::ReplaceSystemRoot).Caption, "&1: C:\\WINDOWS -> X:\\I386");
  EXPECT_EQ(w->GetAction(ActionId::ReplaceProgramFiles).Caption, "&2: C:\\Program Files -> X:\\PROGRAMS");
  EXPECT_EQ(w->GetAction(ActionId::ReplaceSystemDrive).Caption, "&3: C: -> X:");
  for (ActionId id : {ActionId::ReplaceSystemRoot, ActionId::ReplaceProgramFiles, ActionId::ReplaceSystemDrive}) {
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

TEST_F(MainWindowTest, LanguageFileCaptionsAndFontsAndMissingKeys) {
  language.present = true;
  language.values[MainWindowText::FileMenu] = "&File";
  language.values[MainWindowText::ConvertAction] = "Con&vert";
  language.values[MainWindowText::ReplaceWithFixedDriveAction] = "\"X:\" paths";
  auto w = Shown();
  EXPECT_EQ(w->Menus().FileMenu, "&File");
  EXPECT_EQ(w->GetAction(ActionId::Convert).Caption, "Con&vert");
  EXPECT_EQ(w->GetAction(ActionId::ReplaceWithFixedDrive).Caption, "\"X:\" paths");
  // Missing keys give empty captions...
  EXPECT_EQ(w->Menus().ImportItem, "");
  EXPECT_EQ(w->Menus().OpenFilter, "");
  EXPECT_EQ(w->Menus().ReplaceMenu, "");
  EXPECT_EQ(w->GetAction(ActionId::ReplaceWithVariables).Caption, "");
  EXPECT_EQ(w->GetAction(ActionId::Close).Caption, "");
  // ...while the toggle captions are still computed.
  EXPECT_EQ(w->GetAction(ActionId::ReplaceSystemRoot).Caption, "&1: C:\\WINDOWS -> X:\\I386");
  EXPECT_EQ(view.windowFont.name, "Window Face");
  EXPECT_EQ(view.textAreaFont.name, "Text Face");
  // The picker gets both fonts from the language file.
  w->ConvertKey();
  EXPECT_EQ(picker.windowFont.name, "Window Face");
  EXPECT_EQ(picker.treeFont.name, "Text Face");
}

TEST_F(MainWindowTest, PickerFontsAreEmptyWithoutLanguageFile) {
  auto w = Shown();
  w->ExportForRegExpander();
  EXPECT_EQ(picker.windowFont.name, "");
  EXPECT_EQ(picker.windowFont.size, 0);
  EXPECT_EQ(picker.treeFont.charset, 0);
}

TEST_F(MainWindowTest, FirstShowingActsOnce) {
  auto w = Make({"a.reg"});
  w->OnShown();
  picker.picks.push_back({kHkeyLocalMachine, "SOFTWARE\\Z\\"});
  view.answerYes = false;
  w->ConvertKey();
  view.status = "changed";
  w->OnShown();
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
    EXPECT_EQ(w->GetAction(ActionId::ReplaceSystemDrive).Caption, "&3: C: -> X:");
  }
}

TEST_F(MainWindowTest, CommandLineFileConvertsBeforeStatusBarAndIgnoresFurtherArguments) {
  auto w = Make({"first.reg", "second.reg"});
  w->OnShown();
  EXPECT_EQ(Text(), "[Software.AddReg]\r\nfile first.reg\r\n\r\n");
  EXPECT_EQ(converters.seen.size(), 1u);
  EXPECT_FALSE(textArea.suspended);
  EXPECT_EQ(textArea.resumes, 1);
}

TEST_F(MainWindowTest, CommandLineFileThatFailsIsReportedAndStartupGoesOn) {
  converters.fail = true;
  auto w = Make({"missing.reg"});
  w->OnShown();
  EXPECT_EQ(view.events, Events{"failure:cannot open missing.reg"});
  EXPECT_EQ(view.status, "Current: ControlSet001");
  EXPECT_EQ(w->GetAction(ActionId::ReplaceSystemRoot).Caption, "&1: C:\\WINDOWS -> X:\\I386");
}

TEST_F(MainWindowTest, ImportClearsAndConvertsAndCancelKeepsText) {
  auto w = Shown();
  textArea.text.SetText("old\r\n");
  w->ImportFile();  // cancelled
  EXPECT_EQ(Text(), "old\r\n");
  EXPECT_EQ(view.lastFilter, "レジストリファイル(*.reg)|*.reg|すべてのファイル(*.*)|*.*");
  view.chosenFile = "C:\\x.reg";
  w->ImportFile();
  EXPECT_EQ(Text(), "[Software.AddReg]\r\nfile C:\\x.reg\r\n\r\n");
  EXPECT_TRUE(view.events.empty());
}

TEST_F(MainWindowTest, ImportFailureClearsNothingMoreAndReports) {
  auto w = Shown();
  textArea.text.SetText("old\r\n");
  view.chosenFile = "C:\\gone.reg";
  converters.fail = true;
  w->ImportFile();
  EXPECT_EQ(view.events, Events{"failure:cannot open C:\\gone.reg"});
  EXPECT_FALSE(textArea.suspended);
}

TEST_F(MainWindowTest, DroppedFileReplacesOutputAndComesToFront) {
  auto w = Shown();
  textArea.text.SetText("earlier output\r\n");
  w->DropFile("C:\\drop.reg");
  EXPECT_EQ(Text(), "[Software.AddReg]\r\nfile C:\\drop.reg\r\n\r\n");
  EXPECT_EQ(view.foreground, 1);
  w->DropFile("");
  EXPECT_EQ(converters.seen.size(), 1u);
  EXPECT_EQ(view.foreground, 2);
}

TEST_F(MainWindowTest, DropWhileACommandRunsIsIgnored) {
  auto w = Shown();
  textArea.text.SetText("kept\r\n");
  w->RunCommand([&] {
    EXPECT_TRUE(w->Busy());
    w->DropFile("C:\\drop.reg");  // as if dropped while a message box waits
  });
  EXPECT_FALSE(w->Busy());
  EXPECT_EQ(Text(), "kept\r\n");
  EXPECT_EQ(view.foreground, 0);
  EXPECT_TRUE(converters.seen.empty());
}

TEST_F(MainWindowTest, DroppedNameIsCutToItsLongestLength) {
  auto w = Shown();
  const std::string name = "C:\\" + std::string(600, 'n') + ".reg";
  w->DropFile(name);
  EXPECT_EQ(Text(), "[Software.AddReg]\r\nfile " + name.substr(0, kMaxDroppedNameLength) + "\r\n\r\n");
  textArea.text.Clear();
  w->DropFile(name.substr(0, kMaxDroppedNameLength));  // exactly the limit: whole
  EXPECT_EQ(Text(), "[Software.AddReg]\r\nfile " + name.substr(0, kMaxDroppedNameLength) + "\r\n\r\n");
}

TEST_F(MainWindowTest, ExceptionEscapingACommandIsReported) {
  auto w = Shown();
  w->RunCommand([] { throw std::runtime_error("broken"); });
  w->RunCommand([] { throw 42; });
  ASSERT_EQ(view.events.size(), 2u);
  EXPECT_EQ(view.events[0], "failure:broken");
  EXPECT_EQ(view.events[1], "failure:Unknown error");
  EXPECT_FALSE(w->Busy());
}

TEST_F(MainWindowTest, ModeCommandsCaptionsAndVisibility) {
  auto w = Shown();
  w->ReplaceWithVariables();
  EXPECT_TRUE(w->GetAction(ActionId::ReplaceWithVariables).Checked);
  EXPECT_FALSE(w->GetAction(ActionId::ReplaceWithFixedDrive).Checked);
  EXPECT_EQ(w->GetAction(ActionId::ReplaceSystemRoot).Caption, "&1: C:\\WINDOWS -> %SystemRoot%");
  EXPECT_EQ(w->GetAction(ActionId::ReplaceProgramFiles).Caption, "&2: C:\\Program Files -> %ProgramFiles%");
  EXPECT_EQ(w->GetAction(ActionId::ReplaceSystemDrive).Caption, "&3: C: -> %SystemDrive%");
  EXPECT_EQ(w->Options().PathSubstitution, PathSubstitutionMode::EnvironmentVariables);

  w->ReplaceNothing();
  EXPECT_TRUE(w->GetAction(ActionId::ReplaceNothing).Checked);
  EXPECT_FALSE(w->GetAction(ActionId::ReplaceWithVariables).Checked);
  EXPECT_FALSE(w->GetAction(ActionId::ReplaceSystemRoot).Visible);
  EXPECT_FALSE(w->GetAction(ActionId::ReplaceSystemDrive).Visible);
  EXPECT_EQ(w->GetAction(ActionId::ReplaceSystemRoot).Caption, "&1: C:\\WINDOWS -> %SystemRoot%");  // kept
  EXPECT_EQ(w->Options().PathSubstitution, PathSubstitutionMode::None);

  w->ReplaceWithFixedDrive();
  EXPECT_TRUE(w->GetAction(ActionId::ReplaceProgramFiles).Visible);
  EXPECT_EQ(w->GetAction(ActionId::ReplaceSystemRoot).Caption, "&1: C:\\WINDOWS -> X:\\I386");
  w->ReplaceWithFixedDrive();  // the mode already checked: nothing changes
  EXPECT_TRUE(w->GetAction(ActionId::ReplaceWithFixedDrive).Checked);
  EXPECT_FALSE(w->GetAction(ActionId::ReplaceNothing).Checked);
}

TEST_F(MainWindowTest, TogglesSurviveModeChangesAndReachTheNextConversion) {
  auto w = Shown();
  w->Execute(ActionId::ReplaceProgramFiles);
  w->Execute(ActionId::ForceControlSet001);
  w->ReplaceNothing();
  w->ReplaceWithFixedDrive();
  w->ReplaceWithVariables();
  EXPECT_FALSE(w->GetAction(ActionId::ReplaceProgramFiles).Checked);
  EXPECT_TRUE(w->GetAction(ActionId::ReplaceSystemRoot).Checked);
  view.chosenFile = "a.reg";
  w->ImportFile();
  ASSERT_EQ(converters.seen.size(), 1u);
  const ConversionOptions& o = converters.seen[0];
  EXPECT_FALSE(o.ReplaceProgramFiles);
  EXPECT_TRUE(o.ReplaceSystemRoot);
  EXPECT_TRUE(o.ReplaceSystemDrive);
  EXPECT_FALSE(o.ForceControlSet001);
  EXPECT_EQ(o.PathSubstitution, PathSubstitutionMode::EnvironmentVariables);
  w->Execute(ActionId::ReplaceProgramFiles);
  EXPECT_TRUE(w->Options().ReplaceProgramFiles);
}

TEST_F(MainWindowTest, UndefinedVariableShowsItsReferenceOnBothSides) {
  MainWindowServices s{view, textArea, picker, language, converters, &registry, messages,
                       [](std::string_view t) { return std::string(t); }, {}, "Vindra.exe", nullptr};
  MainWindowLogic w(std::move(s));
  w.OnShown();
  w.ReplaceWithVariables();
  EXPECT_EQ(w.GetAction(ActionId::ReplaceProgramFiles).Caption, "&2: %ProgramFiles% -> %ProgramFiles%");
}

TEST_F(MainWindowTest, CtrlASelectsAllOtherKeysPassOn) {
  auto w = Shown();
  EXPECT_TRUE(w->TextAreaKeyDown('A', true));
  EXPECT_FALSE(w->TextAreaKeyDown('A', false));
  EXPECT_FALSE(w->TextAreaKeyDown('B', true));
  EXPECT_EQ(textArea.selectAll, 1);
}

TEST_F(MainWindowTest, HelpAboutAndClose) {
  auto w = Shown();
  w->OpenHelpTopics();
  EXPECT_EQ(view.helpFile, "D:\\Tools\\Vindra.hlp");
  w->ShowAbout();
  w->ShowAbout();
  EXPECT_EQ(view.aboutBoxes, 2);
  w->Execute(ActionId::Close);
  EXPECT_TRUE(view.closed);
}

// --- Hive files -------------------------------------------------------------

TEST_F(MainWindowTest, DroppedHiveOpensThePickerOverItAndExportsThePick) {
  const std::string file = "D:\\disk\\Windows\\System32\\config\\SOFTWARE";
  hives.hiveNames.insert(file);
  auto w = Shown();
  hives.picks.push_back({kHkeyLocalMachine, "SOFTWARE\\Vindra\\"});
  w->DropFile(file);
  EXPECT_EQ(hives.opened, std::vector<std::string>{file + " as HKEY_LOCAL_MACHINE\\SOFTWARE"});
  ASSERT_EQ(hives.pickerSources.size(), 1u);
  EXPECT_EQ(hives.pickerSources[0], hives.lastSource);
  ASSERT_EQ(hives.lastPicker.openedAt.size(), 1u);
  EXPECT_EQ(hives.lastPicker.openedAt[0].root, kHkeyLocalMachine);
  EXPECT_EQ(hives.lastPicker.openedAt[0].section, "SOFTWARE");
  EXPECT_EQ(hives.lastPicker.caption, Msg(MessageId::HivePickerCaption));
  EXPECT_EQ(hives.lastPicker.lastTitle, Msg(MessageId::PickerTitle));
  EXPECT_EQ(hives.lastPicker.lastTop, "SOFTWARE");  // the file's name, not "My Computer"
  // Exported from the hive as Convert exports a live key.
  EXPECT_EQ(Text(), "[Software.AddReg]\r\n0x0,\"SOFTWARE\\Vindra\" from the hive\r\n");
  ASSERT_EQ(converters.exportSources.size(), 1u);
  EXPECT_EQ(converters.exportSources[0], hives.lastSource);
  EXPECT_EQ(view.events, Events{"info:" + Msg(MessageId::ExportFinished)});
  EXPECT_EQ(textArea.focused, 1);
  EXPECT_EQ(view.foreground, 1);
  EXPECT_FALSE(textArea.suspended);
  // The live registry's picker and its places are untouched.
  EXPECT_TRUE(picker.openedAt.empty());
  EXPECT_EQ(w->LastRoot(), kHkeyCurrentUser);
  EXPECT_EQ(w->LastSection(), "Software");
}

TEST_F(MainWindowTest, HiveFileNamesGiveTheMountPointAndWhereThePickerOpens) {
  struct Case {
    std::string file, mount;
    RootKey root;
    std::string section, header;
  };
  const Case cases[] = {
      {"E:\\config\\software", "HKEY_LOCAL_MACHINE\\SOFTWARE", kHkeyLocalMachine, "SOFTWARE", "[Software.AddReg]"},
      {"E:\\config\\SYSTEM", "HKEY_LOCAL_MACHINE\\SYSTEM", kHkeyLocalMachine, "SYSTEM", "[SetupReg.AddReg]"},
      {"E:\\Users\\a\\NTUSER.DAT", "HKEY_CURRENT_USER", kHkeyCurrentUser, "Software", "[Default.AddReg]"},
      {"E:\\Users\\a\\UsrClass.dat", "HKEY_CLASSES_ROOT", kHkeyClassesRoot, "", "[Software.AddReg]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    hives.hiveNames = {c.file};
    hives.opened.clear();
    textArea.text.Clear();
    auto w = Shown();
    hives.picks.push_back({c.root, c.section.empty() ? "Key\\" : c.section + "\\Key\\"});
    w->DropFile(c.file);
    EXPECT_EQ(hives.opened, std::vector<std::string>{c.file + " as " + c.mount});
    ASSERT_EQ(hives.lastPicker.openedAt.size(), 1u);
    EXPECT_EQ(hives.lastPicker.openedAt[0].root, c.root);
    EXPECT_EQ(hives.lastPicker.openedAt[0].section, c.section);
    EXPECT_EQ(Text().substr(0, Text().find('\r')), c.header);
  }
}

TEST_F(MainWindowTest, OtherHiveNamesAskWhichKeyTheFileHolds) {
  const std::string file = "E:\\backup\\software.hiv";
  hives.hiveNames.insert(file);
  auto w = Shown();
  w->DropFile(file);  // the question cancelled
  EXPECT_EQ(view.events, Events{"mount question:" + file + "|" + Msg(MessageId::HiveMountQuestion)});
  EXPECT_EQ(view.mountChoices, (std::vector<std::string>{"HKEY_LOCAL_MACHINE\\SOFTWARE", "HKEY_LOCAL_MACHINE\\SYSTEM",
                                                         "HKEY_CURRENT_USER", "HKEY_CLASSES_ROOT"}));
  EXPECT_TRUE(hives.opened.empty());
  EXPECT_TRUE(hives.pickerSources.empty());
  EXPECT_EQ(Text(), "");

  view.mountAnswer = 0;  // the first choice, as the question preselects it
  w->DropFile(file);
  view.mountAnswer = 2;
  w->DropFile(file);
  EXPECT_EQ(hives.opened, (std::vector<std::string>{file + " as HKEY_LOCAL_MACHINE\\SOFTWARE",
                                                     file + " as HKEY_CURRENT_USER"}));
  EXPECT_EQ(hives.lastPicker.openedAt.at(0).root, kHkeyCurrentUser);
  EXPECT_EQ(hives.lastPicker.lastTop, "software.hiv");
}

TEST_F(MainWindowTest, DamagedOrDirtyHives) {
  const std::string file = "C:\\x\\SYSTEM";
  hives.hiveNames.insert(file);
  textArea.text.SetText("kept\r\n");
  auto w = Shown();
  hives.failure = "damaged hive: the file is cut short";
  w->DropFile(file);
  EXPECT_EQ(view.events, Events{"failure:" + file + ": damaged hive: the file is cut short"});
  EXPECT_TRUE(hives.pickerSources.empty());
  EXPECT_EQ(Text(), "kept\r\n");
  EXPECT_FALSE(view.waitCursor);

  // Windows did not close it: read as it stands after a warning.
  view.events.clear();
  hives.failure.clear();
  hives.dirty = true;
  view.answerYes = false;
  hives.picks.push_back({kHkeyLocalMachine, "SYSTEM\\ControlSet001\\"});
  w->DropFile(file);
  ASSERT_EQ(view.events.size(), 3u);
  EXPECT_EQ(view.events[0], "warning:" + file + "\r\n\r\n" + Msg(MessageId::HiveNotClosed));
  EXPECT_EQ(view.events[1], "question:" + Msg(MessageId::OutputKept) + "\r\n" + Msg(MessageId::AppendQuestion));
  EXPECT_EQ(Text(), "[SetupReg.AddReg]\r\n0x0,\"SYSTEM\\ControlSet001\" from the hive\r\n");  // No: replaced
}

TEST_F(MainWindowTest, HiveExportAppendsOnYesAndRefusesRootsAsConvert) {
  const std::string file = "C:\\x\\NTUSER.DAT";
  hives.hiveNames.insert(file);
  textArea.text.SetText("earlier\r\n");
  auto w = Shown();
  hives.picks.push_back({kHkeyCurrentUser, "Software\\A\\"});
  w->DropFile(file);
  EXPECT_EQ(Text(), "earlier\r\n" + kSep + "\r\n[Default.AddReg]\r\n0x0,\"Software\\A\" from the hive\r\n");
  view.events.clear();
  hives.picks.push_back({kHkeyUsers, "S-1-5-18\\"});
  w->DropFile(file);
  EXPECT_EQ(view.events, Events{"error:" + Msg(MessageId::RootNotAllowed)});
  w->DropFile(file);  // the picker cancelled: nothing
  EXPECT_EQ(converters.exportedPaths, std::vector<std::string>{"Software\\A"});
}

TEST_F(MainWindowTest, NextHiveOfTheSameMountPointOpensWhereTheLastWasLeft) {
  hives.hiveNames = {"C:\\a\\SOFTWARE", "C:\\b\\SOFTWARE", "C:\\c\\SYSTEM"};
  auto w = Shown();
  hives.picks.push_back({kHkeyLocalMachine, "SOFTWARE\\Vindra\\Sub\\"});
  w->DropFile("C:\\a\\SOFTWARE");
  w->DropFile("C:\\b\\SOFTWARE");
  EXPECT_EQ(hives.lastPicker.openedAt.at(0).section, "SOFTWARE\\Vindra\\Sub\\");
  w->DropFile("C:\\c\\SYSTEM");
  EXPECT_EQ(hives.lastPicker.openedAt.at(0).section, "SYSTEM");
}

TEST_F(MainWindowTest, HiveOnTheCommandLineOrFromImportOpensThePicker) {
  hives.hiveNames = {"C:\\x\\SOFTWARE"};
  hives.picks.push_back({kHkeyLocalMachine, "SOFTWARE\\"});
  auto w = Make({"C:\\x\\SOFTWARE", "ignored"});
  w->OnShown();
  EXPECT_EQ(Text(), "[Software.AddReg]\r\n0x0,\"SOFTWARE\" from the hive\r\n");
  EXPECT_EQ(view.status, "Current: ControlSet001");  // filled after the picker
  EXPECT_TRUE(converters.exportedPaths.size() == 1);

  // Import does not clear the text before a hive: the export asks.
  view.chosenFile = "C:\\x\\SOFTWARE";
  view.events.clear();
  hives.picks.push_back({kHkeyLocalMachine, "SOFTWARE\\"});
  w->ImportFile();
  EXPECT_EQ(view.events.at(0), "question:" + Msg(MessageId::OutputKept) + "\r\n" + Msg(MessageId::AppendQuestion));
  EXPECT_EQ(hives.opened.size(), 2u);
}

TEST(MainWindowTexts, FileNamesAndKeyNames) {
  EXPECT_EQ(FileNameOf("C:\\Windows\\System32\\config\\SOFTWARE"), "SOFTWARE");
  EXPECT_EQ(FileNameOf("/mnt/c/Users/a/NTUSER.DAT"), "NTUSER.DAT");
  EXPECT_EQ(FileNameOf("D:\\データ\\ソ"), "ソ");  // ソ is 83 5C
  EXPECT_EQ(FileNameOf("name"), "name");
  EXPECT_EQ(FileNameOf("C:\\dir\\"), "");
  EXPECT_EQ(RootedKeyName({kHkeyLocalMachine, "SOFTWARE"}), "HKEY_LOCAL_MACHINE\\SOFTWARE");
  EXPECT_EQ(RootedKeyName({kHkeyClassesRoot, ""}), "HKEY_CLASSES_ROOT");
  EXPECT_EQ(HiveMountChoices().front().path, "SOFTWARE");  // the default
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
