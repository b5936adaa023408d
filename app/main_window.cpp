#include "app/main_window.h"

#include <cstdio>
#include <exception>
#include <utility>

#include "platform/text.h"
#include "registry/hive_registry.h"

namespace vindra::app {

using registry::RootKey;

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
  m.FileMenu = "ファイル(&F)";
  m.ImportItem = "インポート(&I)...";
  m.ToolsMenu = "ツール(&T)";
  m.HelpMenu = "ヘルプ(&H)";
  m.HelpTopicsItem = "トピックの検索(&H)";
  m.AboutItem = "バージョン情報(&A)...";
  m.ReplaceMenu = "置換(&R)";
  m.OpenFilter = "レジストリファイル(*.reg)|*.reg|すべてのファイル(*.*)|*.*";
  return m;
}

// `prefix` is upper-case ASCII; the text's ASCII letters match either case.
bool StartsWithIgnoreAsciiCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (platform::AsciiUpper(text[i]) != prefix[i]) return false;
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
    {ActionId::ReplaceSystemRoot, "&1: %s -> %s", "%SystemRoot%", "X:\\I386"},
    {ActionId::ReplaceProgramFiles, "&2: %s -> %s", "%ProgramFiles%", "X:\\PROGRAMS"},
    {ActionId::ReplaceSystemDrive, "&3: %s -> %s", "%SystemDrive%", "X:"},
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
  for (std::size_t i = 0; i < path.size(); i += platform::CharLengthAt(path, i)) lastStart = i;
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
  for (std::size_t i = 0; i < filter.size();) {
    const std::size_t length = platform::CharLengthAt(filter, i);
    if (length == 1 && filter[i] == '|') {
      out += '\0';
    } else {
      out.append(filter, i, length);
    }
    i += length;
  }
  out += '\0';
  out += '\0';
  return out;
}

const std::vector<registry::RootedKeyPath>& HiveMountChoices() {
  static const std::vector<registry::RootedKeyPath> choices = {
      {registry::kHkeyLocalMachine, "SOFTWARE"},
      {registry::kHkeyLocalMachine, "SYSTEM"},
      {registry::kHkeyCurrentUser, ""},
      {registry::kHkeyClassesRoot, ""},
  };
  return choices;
}

std::string RootedKeyName(const registry::RootedKeyPath& key) {
  std::string name(registry::RootKeyName(key.root));
  if (!key.path.empty()) name += "\\" + key.path;
  return name;
}

std::string FileNameOf(std::string_view path) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < path.size();) {
    const std::size_t length = platform::CharLengthAt(path, i);
    if (length == 1 && (path[i] == '\\' || path[i] == '/')) start = i + 1;
    i += length;
  }
  return std::string(path.substr(start));
}

std::string ControlSetStatusText(std::uint32_t current) {
  // The value is formatted as the signed 32-bit number it is read as.
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "Current: ControlSet%.3d", static_cast<int>(static_cast<std::int32_t>(current)));
  return buffer;
}

MainWindowLogic::MainWindowLogic(MainWindowServices services)
    : s_(std::move(services)), actions_(DesignedActions()), menus_(DesignedMenus()) {}

ConversionOptions MainWindowLogic::Options() const {
  ConversionOptions o;
  o.AddSectionHeader = GetAction(ActionId::AddSectionHeader).Checked;
  o.ForceControlSet001 = GetAction(ActionId::ForceControlSet001).Checked;
  if (GetAction(ActionId::ReplaceWithVariables).Checked) {
    o.PathSubstitution = PathSubstitutionMode::EnvironmentVariables;
  } else if (GetAction(ActionId::ReplaceNothing).Checked) {
    o.PathSubstitution = PathSubstitutionMode::None;
  } else {
    o.PathSubstitution = PathSubstitutionMode::FixedDrive;
  }
  o.ReplaceSystemRoot = GetAction(ActionId::ReplaceSystemRoot).Checked;
  o.ReplaceProgramFiles = GetAction(ActionId::ReplaceProgramFiles).Checked;
  o.ReplaceSystemDrive = GetAction(ActionId::ReplaceSystemDrive).Checked;
  return o;
}

void MainWindowLogic::OnShown() {
  if (shown_) return;
  shown_ = true;

  ApplyLanguageFile();

  s_.picker.SetRoot(registry::kHkeyCurrentUser);
  lastRoot_ = s_.picker.Root();
  lastSection_ = "Software";

  if (!s_.arguments.empty()) {
    // A file that cannot be read is reported; the window still gets its
    // status bar and toggle captions.
    OpenFile(s_.arguments.front());
  }

  ShowCurrentControlSet();
  UpdateSubstitutionCaptions(PathSubstitutionMode::FixedDrive);
}

void MainWindowLogic::ApplyLanguageFile() {
  if (!s_.language.Present()) return;
  s_.view.SetWindowFont(s_.language.ReadFont(LanguageFont::kWindow));
  s_.view.SetTextAreaFont(s_.language.ReadFont(LanguageFont::kText));

  auto read = [&](MainWindowText text) { return s_.language.ReadText(text); };
  menus_.FileMenu = read(MainWindowText::FileMenu);
  menus_.ImportItem = read(MainWindowText::ImportItem);
  menus_.ToolsMenu = read(MainWindowText::ToolsMenu);
  menus_.HelpMenu = read(MainWindowText::HelpMenu);
  menus_.HelpTopicsItem = read(MainWindowText::HelpTopicsItem);
  menus_.AboutItem = read(MainWindowText::AboutItem);
  menus_.OpenFilter = read(MainWindowText::OpenFilter);
  At(ActionId::Convert).Caption = read(MainWindowText::ConvertAction);
  At(ActionId::RegExpander).Caption = read(MainWindowText::RegExpanderAction);
  At(ActionId::AddSectionHeader).Caption = read(MainWindowText::AddSectionHeaderAction);
  At(ActionId::Close).Caption = read(MainWindowText::CloseAction);
  At(ActionId::ForceControlSet001).Caption = read(MainWindowText::ForceControlSet001Action);
  menus_.ReplaceMenu = read(MainWindowText::ReplaceMenu);
  At(ActionId::ReplaceNothing).Caption = read(MainWindowText::ReplaceNothingAction);
  At(ActionId::ReplaceWithFixedDrive).Caption = read(MainWindowText::ReplaceWithFixedDriveAction);
  At(ActionId::ReplaceWithVariables).Caption = read(MainWindowText::ReplaceWithVariablesAction);
  s_.view.ActionsChanged();
}

void MainWindowLogic::ShowCurrentControlSet() {
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

void MainWindowLogic::UpdateSubstitutionCaptions(PathSubstitutionMode mode) {
  if (mode == PathSubstitutionMode::None) return;
  for (const SubstitutionToggle& t : kToggles) {
    const std::string value = s_.expand(t.variable);
    const std::string_view replacement = mode == PathSubstitutionMode::FixedDrive ? t.fixed : t.variable;
    At(t.action).Caption = FormatToggleCaption(t.pattern, value, replacement);
  }
  s_.view.ActionsChanged();
}

void MainWindowLogic::SetSubstitutionTogglesVisible(bool visible) {
  At(ActionId::ReplaceSystemRoot).Visible = visible;
  At(ActionId::ReplaceProgramFiles).Visible = visible;
  At(ActionId::ReplaceSystemDrive).Visible = visible;
  s_.view.ActionsChanged();
}

void MainWindowLogic::SelectMode(ActionId checked) {
  At(ActionId::ReplaceWithFixedDrive).Checked = checked == ActionId::ReplaceWithFixedDrive;
  At(ActionId::ReplaceWithVariables).Checked = checked == ActionId::ReplaceWithVariables;
  At(ActionId::ReplaceNothing).Checked = checked == ActionId::ReplaceNothing;
  s_.view.ActionsChanged();
}

void MainWindowLogic::ReplaceWithFixedDrive() {
  SelectMode(ActionId::ReplaceWithFixedDrive);
  SetSubstitutionTogglesVisible(true);
  UpdateSubstitutionCaptions(PathSubstitutionMode::FixedDrive);
}

void MainWindowLogic::ReplaceWithVariables() {
  SelectMode(ActionId::ReplaceWithVariables);
  SetSubstitutionTogglesVisible(true);
  UpdateSubstitutionCaptions(PathSubstitutionMode::EnvironmentVariables);
}

void MainWindowLogic::ReplaceNothing() {
  SelectMode(ActionId::ReplaceNothing);
  SetSubstitutionTogglesVisible(false);
}

void MainWindowLogic::Toggle(ActionId id) {
  At(id).Checked = !At(id).Checked;
  s_.view.ActionsChanged();
}

void MainWindowLogic::Close() { s_.view.CloseWindow(); }

void MainWindowLogic::Execute(ActionId id) {
  switch (id) {
    case ActionId::Convert: ConvertKey(); break;
    case ActionId::RegExpander: ExportForRegExpander(); break;
    case ActionId::AddSectionHeader: ToggleSectionHeader(); break;
    case ActionId::Close: Close(); break;
    case ActionId::ForceControlSet001: ToggleForceControlSet001(); break;
    case ActionId::ReplaceWithFixedDrive: ReplaceWithFixedDrive(); break;
    case ActionId::ReplaceWithVariables: ReplaceWithVariables(); break;
    case ActionId::ReplaceNothing: ReplaceNothing(); break;
    case ActionId::ReplaceSystemRoot:
    case ActionId::ReplaceProgramFiles:
    case ActionId::ReplaceSystemDrive: Toggle(id); break;
  }
}

bool MainWindowLogic::RunConverter(const std::function<void(OutputList&)>& work) {
  s_.textArea.SuspendRedraw();
  s_.view.SetWaitCursor(true);
  std::string failure;
  bool ok = true;
  try {
    work(s_.textArea.Lines());
  } catch (const std::exception& e) {
    ok = false;
    failure = e.what();
  } catch (...) {
    ok = false;
    failure = "Unknown error";
  }
  s_.view.SetWaitCursor(false);
  s_.textArea.ResumeRedraw();
  if (!ok) s_.view.ReportFailure(failure);
  return ok;
}

void MainWindowLogic::ImportFile() {
  std::string fileName;
  if (!s_.view.ChooseFile(menus_.OpenFilter, fileName)) return;
  if (s_.hives != nullptr && s_.hives->IsHiveFile(fileName)) {
    OpenHive(fileName);
    return;
  }
  s_.textArea.Lines().Clear();
  RunConverter([&](OutputList& out) { s_.converters.ConvertFile(out, fileName, Options()); });
}

void MainWindowLogic::OpenFile(const std::string& fileName) {
  if (s_.hives != nullptr && s_.hives->IsHiveFile(fileName)) {
    OpenHive(fileName);
  } else {
    RunConverter([&](OutputList& out) { s_.converters.ConvertFile(out, fileName, Options()); });
  }
}

void MainWindowLogic::OpenHive(const std::string& fileName) {
  if (s_.hives == nullptr) return;
  registry::RootedKeyPath mount;
  if (const auto byName = registry::DefaultHiveMount(fileName)) {
    mount = *byName;
  } else {
    std::vector<std::string> choices;
    for (const registry::RootedKeyPath& key : HiveMountChoices()) choices.push_back(RootedKeyName(key));
    const auto chosen = s_.view.ChooseHiveMount(fileName, s_.messages.Get(MessageId::HiveMountQuestion), choices);
    if (!chosen || *chosen >= choices.size()) return;
    mount = HiveMountChoices()[*chosen];
  }

  // The whole hive is read here, so damage shows before the picker opens.
  HiveFiles::Opened hive;
  s_.view.SetWaitCursor(true);
  try {
    hive = s_.hives->Open(fileName, mount);
  } catch (const std::exception& e) {
    s_.view.SetWaitCursor(false);
    s_.view.ReportFailure(e.what());
    return;
  }
  s_.view.SetWaitCursor(false);
  if (hive.dirty) s_.view.ShowWarning(fileName + "\r\n\r\n" + s_.messages.Get(MessageId::HiveNotClosed));

  // The picker opens where the last hive of the same mount point was left,
  // else at the mount point (below HKEY_CURRENT_USER at Software, as Convert).
  std::unique_ptr<KeyPicker> picker = s_.hives->PickerOver(*hive.source);
  const bool sameMount = lastHiveMount_ && lastHiveMount_->root == mount.root && lastHiveMount_->path == mount.path;
  picker->SetRoot(mount.root);
  if (sameMount) {
    picker->SetSection(lastHiveSection_);
  } else {
    picker->SetSection(mount.root == registry::kHkeyCurrentUser && mount.path.empty() ? "Software" : mount.path);
  }
  if (!PickKey(*picker, MessageId::HivePickerCaption, FileNameOf(fileName))) return;
  const RootKey root = picker->Root();
  const std::string section = picker->Section();
  lastHiveMount_ = mount;
  lastHiveSection_ = section;
  ExportPickedKey(root, section, [&](OutputList& out, RootKey exportRoot, const std::string& path) {
    s_.converters.ExportKeyFrom(out, *hive.source, exportRoot, path, Options());
  });
}

void MainWindowLogic::RunCommand(const std::function<void()>& command) {
  ++busy_;
  try {
    command();
  } catch (const std::exception& e) {
    s_.view.ReportFailure(e.what());
  } catch (...) {
    s_.view.ReportFailure("Unknown error");
  }
  --busy_;
}

void MainWindowLogic::DropFile(std::string_view firstFileName) {
  if (Busy()) return;
  const std::string fileName(firstFileName.substr(0, kMaxDroppedNameLength));
  RunCommand([&] {
    if (!fileName.empty()) OpenFile(fileName);
    s_.view.BringToFront();
  });
}

bool MainWindowLogic::PickKey(KeyPicker& picker, MessageId caption, std::string_view topNode) {
  // The picker's fonts come from the language file at every command; without
  // it both descriptions are all zero and the picker keeps its designed fonts.
  platform::FontDescription windowFont, treeFont;
  if (s_.language.Present()) {
    windowFont = s_.language.ReadFont(LanguageFont::kWindow);
    treeFont = s_.language.ReadFont(LanguageFont::kText);
  }
  picker.SetCaption(s_.messages.Get(caption));
  return picker.Execute(s_.messages.Get(MessageId::PickerTitle), topNode, windowFont, treeFont);
}

void MainWindowLogic::ExportAndReport(const std::function<void(OutputList&)>& work) {
  if (!RunConverter(work)) return;
  s_.view.ShowInformation(s_.messages.Get(MessageId::ExportFinished));
  s_.textArea.Focus();
}

void MainWindowLogic::ConvertKey() {
  s_.picker.SetRoot(lastRoot_);
  s_.picker.SetSection(lastSection_);
  if (!PickKey(s_.picker, MessageId::ConvertPickerCaption, s_.messages.Get(MessageId::PickerTopNode))) return;
  const RootKey root = s_.picker.Root();
  const std::string section = s_.picker.Section();
  lastRoot_ = root;
  lastSection_ = section;
  ExportPickedKey(root, section, [&](OutputList& out, RootKey exportRoot, const std::string& path) {
    s_.converters.ExportKey(out, exportRoot, path, Options());
  });
}

void MainWindowLogic::ExportPickedKey(
    RootKey root, const std::string& section,
    const std::function<void(OutputList&, RootKey, const std::string&)>& exportKey) {
  if (!IsAllowedRoot(root)) {
    s_.view.ShowError(s_.messages.Get(MessageId::RootNotAllowed));
    return;
  }
  if (root == registry::kHkeyLocalMachine && !IsSoftwareOrSystemPath(section)) {
    s_.view.ShowError(s_.messages.Get(MessageId::OutsideSoftwareOrSystem));
    return;
  }

  if (s_.textArea.HasText() && s_.view.AskYesNo(s_.messages.Get(MessageId::OutputKept) + "\r\n" +
                                           s_.messages.Get(MessageId::AppendQuestion))) {
    s_.textArea.Lines().Add(SeparatorText());
  } else {
    s_.textArea.Lines().Clear();
  }

  if (GetAction(ActionId::AddSectionHeader).Checked) s_.textArea.Lines().Add(SectionHeaderFor(root, section));

  const std::string path = RemoveTrailingBackslash(section);
  ExportAndReport([&](OutputList& out) { exportKey(out, root, path); });
}

void MainWindowLogic::ExportForRegExpander() {
  // The picker opens where the last confirmed pick of either command left it.
  if (!PickKey(s_.picker, MessageId::RegExpanderPickerCaption, s_.messages.Get(MessageId::PickerTopNode))) return;
  const RootKey root = s_.picker.Root();
  if (!IsAllowedRoot(root)) {
    s_.view.ShowError(s_.messages.Get(MessageId::RootNotAllowed));
    return;
  }

  s_.textArea.Lines().Add(kRegExpanderComment);
  const std::string path = RemoveTrailingBackslash(s_.picker.Section());
  ExportAndReport([&](OutputList& out) { s_.converters.ExportRegExpander(out, root, path, Options()); });
}

bool MainWindowLogic::TextAreaKeyDown(int virtualKey, bool ctrlHeld) {
  if (virtualKey == 'A' && ctrlHeld) {
    s_.textArea.SelectAll();
    return true;
  }
  return false;
}

void MainWindowLogic::OpenHelpTopics() { s_.view.OpenHelp(HelpFilePathFor(s_.executablePath)); }

void MainWindowLogic::ShowAbout() { s_.view.ShowAboutBox(); }

}  // namespace vindra::app
