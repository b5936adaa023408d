#include "app/main_window.h"

#include <cstdio>
#include <exception>
#include <utility>

#include "platform/text.h"

namespace vindra::app {

namespace {

constexpr int Index(ActionId id) { return static_cast<int>(id); }

// Designed captions, checked states at start, in the order of ActionId.
const std::array<Action, kActionCount>& DesignedActions() {
  static const std::array<Action, kActionCount> actions = {{
      {"変換(&V)", false, true},
      {"RegExpander設定(&R)", false, true},
      {"セクションヘッダを付ける(&H)", true, true},
      {"終了(&X)", false, true},
      {"ControlSet001固定(&F)", true, true},
      {"\"X:\"固定で置換(&X)", true, true},
      {"環境変数で置換(&E)", false, true},
      {"置換しない(&N)", false, true},
      {"%System&Root%", true, true},
      {"%ProgramFiles%", true, true},
      {"%System&Drive%", true, true},
  }};
  return actions;
}

MenuCaptions DesignedMenus() {
  MenuCaptions m;
  m.F1 = "ファイル(&F)";
  m.I1 = "インポート(&I)...";
  m.T1 = "ツール(&T)";
  m.H2 = "ヘルプ(&H)";
  m.H3 = "トピックの検索(&H)";
  m.A1 = "バージョン情報(&A)...";
  m.R1 = "置換(&R)";
  m.OpenFilter = "レジストリファイル(*.reg)|*.reg|すべてのファイル(*.*)|*.*";
  return m;
}

// ASCII letters upper-cased; other bytes (DBCS bytes included) unchanged.
bool StartsWithIgnoreAsciiCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != prefix[i]) return false;
  }
  return true;
}

bool IsAllowedRoot(RootKey root) {
  return root == registry::kHkeyClassesRoot || root == registry::kHkeyCurrentUser ||
         root == registry::kHkeyLocalMachine;
}

bool IsSoftwareOrSystemPath(std::string_view section) {
  return StartsWithIgnoreAsciiCase(section, "SOFTWARE\\") || StartsWithIgnoreAsciiCase(section, "SYSTEM\\");
}

struct SubstitutionToggle {
  ActionId action;
  const char* pattern;
  const char* variable;
  const char* fixed;
};

constexpr SubstitutionToggle kToggles[] = {
    {ActionId::Rep02, "&1: %s -> %s", "%SystemRoot%", "X:\\I386"},
    {ActionId::Rep04, "&2: %s -> %s", "%ProgramFiles%", "X:\\PROGRAMS"},
    {ActionId::Rep03, "&3: %s -> %s", "%SystemDrive%", "X:"},
};

std::string FormatToggleCaption(std::string_view pattern, std::string_view value, std::string_view replacement) {
  std::string out;
  bool first = true;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's') {
      out += first ? value : replacement;
      first = false;
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

}  // namespace

std::string SeparatorText() { return "\r\n;" + std::string(59, '-') + "\r\n"; }

std::string RemoveTrailingBackslash(std::string_view path) {
  // Walk the characters so that a 0x5C trail byte is seen as part of its character.
  std::size_t lastStart = std::string_view::npos;
  for (std::size_t i = 0; i < path.size();) {
    lastStart = i;
    if (platform::IsAnsiLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
      i += 2;
    } else {
      i += 1;
    }
  }
  if (lastStart != std::string_view::npos && lastStart == path.size() - 1 && path.back() == '\\') {
    return std::string(path.substr(0, path.size() - 1));
  }
  return std::string(path);
}

std::string HelpFilePathFor(std::string_view executablePath) {
  return ReplaceFileExtension(executablePath, ".hlp");
}

std::string SectionHeaderFor(RootKey root, std::string_view section) {
  if (root == registry::kHkeyCurrentUser) return "[Default.AddReg]";
  if (root == registry::kHkeyLocalMachine && StartsWithIgnoreAsciiCase(section, "SYSTEM\\")) {
    return "[SetupReg.AddReg]";
  }
  return "[Software.AddReg]";
}

std::string DialogFilter(std::string_view filter) {
  std::string out;
  out.reserve(filter.size() + 2);
  for (std::size_t i = 0; i < filter.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(filter[i]);
    if (platform::IsAnsiLeadByte(c) && i + 1 < filter.size()) {
      out += filter[i];
      out += filter[++i];
    } else {
      out += c == '|' ? '\0' : filter[i];
    }
  }
  out += '\0';
  out += '\0';
  return out;
}

std::string ControlSetStatusText(std::uint32_t current) {
  // The value is formatted as the signed 32-bit number it is read as.
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "Current: ControlSet%.3d", static_cast<int>(static_cast<std::int32_t>(current)));
  return buffer;
}

MainWindow::MainWindow(MainWindowServices services)
    : s_(std::move(services)), actions_(DesignedActions()), menus_(DesignedMenus()) {}

ConversionOptions MainWindow::Options() const {
  ConversionOptions o;
  o.AddSectionHeader = GetAction(ActionId::AddSectionHeader).Checked;
  o.ForceControlSet001 = GetAction(ActionId::ForceControlSet001).Checked;
  if (GetAction(ActionId::SP1).Checked) {
    o.PathSubstitution = PathSubstitutionMode::EnvironmentVariables;
  } else if (GetAction(ActionId::None).Checked) {
    o.PathSubstitution = PathSubstitutionMode::None;
  } else {
    o.PathSubstitution = PathSubstitutionMode::FixedDrive;
  }
  o.ReplaceSystemRoot = GetAction(ActionId::Rep02).Checked;
  o.ReplaceProgramFiles = GetAction(ActionId::Rep04).Checked;
  o.ReplaceSystemDrive = GetAction(ActionId::Rep03).Checked;
  return o;
}

void MainWindow::FormShow() {
  if (shown_) return;
  shown_ = true;

  ApplyLanguageFile();

  s_.picker.SetRoot(registry::kHkeyCurrentUser);
  lastRoot_ = s_.picker.Root();
  lastSection_ = "Software";

  if (!s_.arguments.empty()) {
    const std::string fileName = s_.arguments.front();
    // A file that cannot be read is reported; the window still gets its
    // status bar and toggle captions.
    RunConverter([&](OutputList& out) { s_.converters.ConvertFile(out, fileName, Options()); });
  }

  ShowCurrentControlSet();
  UpdateSubstitutionCaptions(PathSubstitutionMode::FixedDrive);
}

void MainWindow::ApplyLanguageFile() {
  if (!s_.language.Present()) return;
  s_.view.SetWindowFont(s_.language.ReadFont(LanguageFont::kWindow));
  s_.view.SetMemoFont(s_.language.ReadFont(LanguageFont::kText));

  auto read = [&](int number) { return s_.language.ReadString("Form01", NumberedKey(number), ""); };
  menus_.F1 = read(1);
  menus_.I1 = read(2);
  menus_.T1 = read(3);
  menus_.H2 = read(4);
  menus_.H3 = read(5);
  menus_.A1 = read(6);
  menus_.OpenFilter = read(7);
  At(ActionId::Convert).Caption = read(8);
  At(ActionId::RegExpander).Caption = read(9);
  At(ActionId::AddSectionHeader).Caption = read(10);
  At(ActionId::Close).Caption = read(11);
  At(ActionId::ForceControlSet001).Caption = read(12);
  menus_.R1 = read(13);
  At(ActionId::None).Caption = read(14);
  At(ActionId::SP2).Caption = read(15);
  At(ActionId::SP1).Caption = read(16);
  s_.view.ActionsChanged();
}

void MainWindow::ShowCurrentControlSet() {
  // A missing key, a missing value or one that is not a 32-bit number all
  // show the first control set, which is what such a system boots from.
  std::uint32_t current = 1;
  if (s_.registry != nullptr) {
    try {
      auto key = s_.registry->CreateAccess();
      key->SetRoot(registry::kHkeyLocalMachine);
      if (key->OpenKeyReadOnly("System\\Select")) {
        const registry::ValueInfo info = key->QueryValueInfo("Current");
        if (info.ok && info.type == 4 && info.size >= 1 && info.size <= 4) current = key->ReadInteger("Current");
        key->CloseKey();
      }
    } catch (const std::exception&) {
      current = 1;
    }
  }
  s_.view.SetStatusText(ControlSetStatusText(current));
}

void MainWindow::UpdateSubstitutionCaptions(PathSubstitutionMode mode) {
  if (mode == PathSubstitutionMode::None) return;
  for (const SubstitutionToggle& t : kToggles) {
    const std::string value = s_.expand(t.variable);
    const std::string_view replacement = mode == PathSubstitutionMode::FixedDrive ? t.fixed : t.variable;
    At(t.action).Caption = FormatToggleCaption(t.pattern, value, replacement);
  }
  s_.view.ActionsChanged();
}

void MainWindow::SetSubstitutionTogglesVisible(bool visible) {
  At(ActionId::Rep02).Visible = visible;
  At(ActionId::Rep04).Visible = visible;
  At(ActionId::Rep03).Visible = visible;
  s_.view.ActionsChanged();
}

void MainWindow::SelectMode(ActionId checked) {
  At(ActionId::SP2).Checked = checked == ActionId::SP2;
  At(ActionId::SP1).Checked = checked == ActionId::SP1;
  At(ActionId::None).Checked = checked == ActionId::None;
  s_.view.ActionsChanged();
}

void MainWindow::AL_SP2Execute() {
  SelectMode(ActionId::SP2);
  SetSubstitutionTogglesVisible(true);
  UpdateSubstitutionCaptions(PathSubstitutionMode::FixedDrive);
}

void MainWindow::AL_SP1Execute() {
  SelectMode(ActionId::SP1);
  SetSubstitutionTogglesVisible(true);
  UpdateSubstitutionCaptions(PathSubstitutionMode::EnvironmentVariables);
}

void MainWindow::AL_NONEExecute() {
  SelectMode(ActionId::None);
  SetSubstitutionTogglesVisible(false);
}

void MainWindow::Toggle(ActionId id) {
  At(id).Checked = !At(id).Checked;
  s_.view.ActionsChanged();
}

void MainWindow::AL_CloseExecute() { s_.view.CloseWindow(); }

void MainWindow::Execute(ActionId id) {
  switch (id) {
    case ActionId::Convert: AL_ConvertExecute(); break;
    case ActionId::RegExpander: AL_RegExpanderExecute(); break;
    case ActionId::AddSectionHeader: AL_AddSectionHeaderExecute(); break;
    case ActionId::Close: AL_CloseExecute(); break;
    case ActionId::ForceControlSet001: AL_ForceControlSet001Execute(); break;
    case ActionId::SP2: AL_SP2Execute(); break;
    case ActionId::SP1: AL_SP1Execute(); break;
    case ActionId::None: AL_NONEExecute(); break;
    case ActionId::Rep02:
    case ActionId::Rep04:
    case ActionId::Rep03: Toggle(id); break;
  }
}

bool MainWindow::RunConverter(const std::function<void(OutputList&)>& work) {
  s_.memo.SuspendRedraw();
  s_.view.SetWaitCursor(true);
  std::string failure;
  bool ok = true;
  try {
    work(s_.memo.Lines());
  } catch (const std::exception& e) {
    ok = false;
    failure = e.what();
  } catch (...) {
    ok = false;
    failure = "Unknown error";
  }
  s_.view.SetWaitCursor(false);
  s_.memo.ResumeRedraw();
  if (!ok) s_.view.ReportFailure(failure);
  return ok;
}

void MainWindow::I1Click() {
  std::string fileName;
  if (!s_.view.ChooseFile(menus_.OpenFilter, fileName)) return;
  s_.memo.Lines().Clear();
  RunConverter([&](OutputList& out) { s_.converters.ConvertFile(out, fileName, Options()); });
}

void MainWindow::DropFile(const std::string& firstFileName) {
  if (!firstFileName.empty()) {
    RunConverter([&](OutputList& out) { s_.converters.ConvertFile(out, firstFileName, Options()); });
  }
  s_.view.BringToFront();
}

bool MainWindow::PickKey(MessageId caption) {
  // The picker's fonts come from the language file at every command; without
  // it both descriptions are all zero and the picker keeps its designed fonts.
  FontDescription windowFont, treeFont;
  if (s_.language.Present()) {
    windowFont = s_.language.ReadFont(LanguageFont::kWindow);
    treeFont = s_.language.ReadFont(LanguageFont::kText);
  }
  s_.picker.SetCaption(s_.messages.Get(caption));
  return s_.picker.Execute(s_.messages.Get(MessageId::RS_008), s_.messages.Get(MessageId::RS_009), windowFont,
                           treeFont);
}

void MainWindow::ExportAndReport(const std::function<void(OutputList&)>& work) {
  if (!RunConverter(work)) return;
  s_.view.ShowInformation(s_.messages.Get(MessageId::RS_006));
  s_.memo.Focus();
}

void MainWindow::AL_ConvertExecute() {
  s_.picker.SetRoot(lastRoot_);
  s_.picker.SetSection(lastSection_);
  if (!PickKey(MessageId::RS_001)) return;
  const RootKey root = s_.picker.Root();
  const std::string section = s_.picker.Section();
  lastRoot_ = root;
  lastSection_ = section;

  if (!IsAllowedRoot(root)) {
    s_.view.ShowError(s_.messages.Get(MessageId::RS_002));
    return;
  }
  if (root == registry::kHkeyLocalMachine && !IsSoftwareOrSystemPath(section)) {
    s_.view.ShowError(s_.messages.Get(MessageId::RS_003));
    return;
  }

  if (s_.memo.HasText() && s_.view.AskYesNo(s_.messages.Get(MessageId::RS_004) + "\r\n" +
                                           s_.messages.Get(MessageId::RS_005))) {
    s_.memo.Lines().Add(SeparatorText());
  } else {
    s_.memo.Lines().Clear();
  }

  if (GetAction(ActionId::AddSectionHeader).Checked) s_.memo.Lines().Add(SectionHeaderFor(root, section));

  const std::string path = RemoveTrailingBackslash(section);
  ExportAndReport([&](OutputList& out) { s_.converters.ExportKey(out, root, path, Options()); });
}

void MainWindow::AL_RegExpanderExecute() {
  // RB1 opens where the last confirmed pick of either command left it.
  if (!PickKey(MessageId::RS_007)) return;
  const RootKey root = s_.picker.Root();
  if (!IsAllowedRoot(root)) {
    s_.view.ShowError(s_.messages.Get(MessageId::RS_002));
    return;
  }

  s_.memo.Lines().Add(kRegExpanderComment);
  const std::string path = RemoveTrailingBackslash(s_.picker.Section());
  ExportAndReport([&](OutputList& out) { s_.converters.ExportRegExpander(out, root, path, Options()); });
}

bool MainWindow::Memo1KeyDown(int virtualKey, bool ctrlHeld) {
  if (virtualKey == 'A' && ctrlHeld) {
    s_.memo.SelectAll();
    return true;
  }
  return false;
}

void MainWindow::H3Click() { s_.view.OpenHelp(HelpFilePathFor(s_.executablePath)); }

void MainWindow::A1Click() { s_.view.ShowAboutBox(); }

}  // namespace vindra::app
