// The main window's commands, independent of the windowing toolkit: the
// actions with their captions, checked states and visibility, the conversion
// options read from them, the first showing, import, dropped files, the two
// live-registry commands, the substitution mode and toggles, help and about,
// and the rules for dropped files. The Win32 window (MainWindow) forwards its
// events here and implements the small interfaces below with real controls;
// the tests implement them with fakes.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/font_description.h"
#include "app/language_file.h"
#include "app/message_table.h"
#include "core/options.h"
#include "core/output_list.h"
#include "registry/registry_access.h"
#include "registry/root_key.h"

namespace vindra::app {


// The window's actions (menu items and buttons), in menu order.
enum class ActionId {
  Convert,               // export a picked key as INF lines
  RegExpander,           // export a picked key for Registry Expander
  AddSectionHeader,      // toggle: a section header before the lines
  Close,                 // close the window
  ForceControlSet001,    // toggle: CurrentControlSet written as ControlSet001
  ReplaceWithFixedDrive, // mode: paths replaced by fixed X: paths
  ReplaceWithVariables,  // mode: paths replaced by environment variables
  ReplaceNothing,        // mode: paths kept as they are
  ReplaceSystemRoot,     // toggle: the %SystemRoot% path is replaced
  ReplaceProgramFiles,   // toggle: the %ProgramFiles% path is replaced
  ReplaceSystemDrive,    // toggle: the %SystemDrive% path is replaced
};
inline constexpr int kActionCount = 11;

struct Action {
  std::string Caption;
  bool Checked = false;
  bool Visible = true;
};

// Captions of the menu items that are not tied to an action, and the filter
// of the import dialog ("description|pattern|..." pairs).
struct MenuCaptions {
  std::string FileMenu, ImportItem, ToolsMenu, HelpMenu, HelpTopicsItem, AboutItem, ReplaceMenu;
  std::string OpenFilter;
};

// OutputArea as the commands see it.
class TextArea {
 public:
  virtual ~TextArea() = default;
  virtual OutputList& Lines() = 0;
  virtual bool HasText() = 0;
  virtual void SuspendRedraw() = 0;
  virtual void ResumeRedraw() = 0;
  virtual void Focus() = 0;
  virtual void SelectAll() = 0;
};

// The key picker: a dialog showing the registry as a tree.
class KeyPicker {
 public:
  virtual ~KeyPicker() = default;
  virtual registry::RootKey Root() const = 0;
  virtual void SetRoot(registry::RootKey root) = 0;
  virtual std::string Section() const = 0;
  virtual void SetSection(std::string_view section) = 0;
  virtual void SetCaption(std::string_view caption) = 0;
  // True when the user confirmed a key; Root() and Section() then hold it,
  // the section ending with a backslash.
  virtual bool Execute(std::string_view title, std::string_view topNode, const platform::FontDescription& windowFont,
                       const platform::FontDescription& treeFont) = 0;
};

// The optional language file beside the executable, read at each use.
class LanguageSource {
 public:
  virtual ~LanguageSource() = default;
  virtual bool Present() = 0;
  virtual std::string ReadText(MainWindowText text) = 0;  // "" when missing
  virtual platform::FontDescription ReadFont(LanguageFont font) = 0;
};

// The converters and exporters writing into the output list. Failures travel
// as exceptions (std::exception) whose what() is the text shown to the user.
class Converters {
 public:
  virtual ~Converters() = default;
  virtual void ConvertFile(OutputList& out, const std::string& fileName, const ConversionOptions& options) = 0;
  virtual void ExportKey(OutputList& out, registry::RootKey root, const std::string& path,
                         const ConversionOptions& options) = 0;
  virtual void ExportRegExpander(OutputList& out, registry::RootKey root, const std::string& path,
                                 const ConversionOptions& options) = 0;
  // The key exporter over another registry: an offline hive.
  virtual void ExportKeyFrom(OutputList& out, registry::RegistrySource& source, registry::RootKey root,
                             const std::string& path, const ConversionOptions& options) = 0;
};

// Offline hive files (SOFTWARE, SYSTEM, NTUSER.DAT, ... of a Windows
// installation) dropped on the window, named on its command line or chosen
// in the import dialog: a file is one when it starts with the signature "regf".
class HiveFiles {
 public:
  virtual ~HiveFiles() = default;
  virtual bool IsHiveFile(const std::string& fileName) = 0;
  struct Opened {
    std::unique_ptr<registry::RegistrySource> source;
    bool dirty = false;  // Windows did not close it cleanly; read as it stands
  };
  // Opens the hive as the key `mount` and reads all of it once, so that the
  // picker and the export meet no damage. Failures throw std::exception whose
  // what() is the text for the user ("FILE: damaged hive: ...").
  virtual Opened Open(const std::string& fileName, const registry::RootedKeyPath& mount) = 0;
  // A key picker of its own (place and caption) over the hive.
  virtual std::unique_ptr<KeyPicker> PickerOver(registry::RegistrySource& hive) = 0;
};

// Everything else of the window: message boxes, dialogs, fonts, status bar.
class MainWindowView {
 public:
  virtual ~MainWindowView() = default;
  virtual void ShowError(std::string_view text) = 0;        // OK, error icon (0x12010)
  virtual bool AskYesNo(std::string_view text) = 0;         // Yes/No, question icon (0x12024); true on Yes
  virtual void ShowInformation(std::string_view text) = 0;  // OK, information icon (0x12040)
  virtual void ShowWarning(std::string_view text) = 0;      // OK, warning icon (0x12030)
  // Asks which of `choices` the hive file `fileName` stands for, the first
  // one preselected, with `question` above them: the index chosen, or
  // nothing when the user cancels.
  virtual std::optional<std::size_t> ChooseHiveMount(std::string_view fileName, std::string_view question,
                                                     const std::vector<std::string>& choices) = 0;
  // The application's general error report for a failed conversion or export.
  virtual void ReportFailure(std::string_view text) = 0;
  // Runs the open-file dialog; false when the user cancels.
  virtual bool ChooseFile(std::string_view filter, std::string& fileName) = 0;
  virtual void SetStatusText(std::string_view text) = 0;
  virtual void SetWindowFont(const platform::FontDescription& font) = 0;
  virtual void SetTextAreaFont(const platform::FontDescription& font) = 0;
  // Menus and buttons show the actions' and menus' captions, checks and visibility anew.
  virtual void ActionsChanged() = 0;
  virtual void CloseWindow() = 0;
  virtual void OpenHelp(const std::string& helpFile) = 0;
  virtual void ShowAboutBox() = 0;
  virtual void BringToFront() = 0;
  virtual void SetWaitCursor(bool on) = 0;
};

// Environment-string expansion of the running process.
using ExpandFunction = std::function<std::string(std::string_view)>;

struct MainWindowServices {
  MainWindowView& view;
  TextArea& textArea;
  KeyPicker& picker;
  LanguageSource& language;
  Converters& converters;
  registry::RegistrySource* registry = nullptr;  // live registry for the status bar; null: none
  const MessageTable& messages;
  ExpandFunction expand;
  std::vector<std::string> arguments;  // command-line arguments, program name excluded
  std::string executablePath;
  HiveFiles* hives = nullptr;  // null: every file is converted as a .reg file
};

// The longest dropped file name taken, in bytes; a longer one is cut.
inline constexpr std::size_t kMaxDroppedNameLength = 514;

// Constant texts of the window.
inline constexpr std::string_view kRegExpanderComment = "; for Registry Expander";
std::string SeparatorText();  // CR LF, ";", 59 "-", CR LF

// The path without one final backslash; a 0x5C that is the second byte of a
// double-byte character is not a backslash.
std::string RemoveTrailingBackslash(std::string_view path);
// The help file: the executable's path with its extension replaced by ".hlp".
std::string HelpFilePathFor(std::string_view executablePath);
// "[Software.AddReg]", "[Default.AddReg]" or "[SetupReg.AddReg]" for an accepted key.
std::string SectionHeaderFor(registry::RootKey root, std::string_view section);
// The open-file dialog's filter ("text|pattern|...") in the form the dialog
// takes: each "|" a NUL, two NULs at the end. A "|" byte that is the second
// byte of a double-byte character (as in ポ, 83 7C) stays.
std::string DialogFilter(std::string_view filter);
// "Current: ControlSet%.3d".
std::string ControlSetStatusText(std::uint32_t current);

// The keys a hive file can stand for when its name does not say, in the
// order the question offers them; the first is the default.
const std::vector<registry::RootedKeyPath>& HiveMountChoices();
// "HKEY_LOCAL_MACHINE\SOFTWARE", "HKEY_CURRENT_USER", ...
std::string RootedKeyName(const registry::RootedKeyPath& key);
// The last component of a path (after its last "\" or "/"); a 0x5C that is
// the second byte of a double-byte character is not a separator.
std::string FileNameOf(std::string_view path);

class MainWindowLogic {
 public:
  explicit MainWindowLogic(MainWindowServices services);

  // Runs one event handler of the window. While it runs (its message boxes
  // and dialogs included) the window is busy; an exception escaping it is
  // shown by the general error report.
  void RunCommand(const std::function<void()>& command);
  bool Busy() const { return busy_ > 0; }

  // Event handlers of the window.
  void OnShown();  // acts on the first showing only
  void ImportFile();
  // Files dropped from the shell, with the first file's name (empty when it
  // could not be read). A drop while the window is busy would convert in the
  // middle of the waiting command: it is ignored. Otherwise the first file
  // (its name cut to kMaxDroppedNameLength bytes) is opened (OpenFile) and
  // the window comes to the front.
  void DropFile(std::string_view firstFileName);
  // A file named on the command line or dropped: a hive file opens the key
  // picker over it (OpenHive), any other file is converted as a .reg file,
  // replacing the text.
  void OpenFile(const std::string& fileName);
  // The key picker over a hive file, mounted where its name says (asking the
  // user when it does not); the key picked is exported as Convert exports a
  // live key.
  void OpenHive(const std::string& fileName);
  void OpenHelpTopics();
  void ShowAbout();
  // Ctrl+A (any other modifiers allowed) selects all; true when handled.
  bool TextAreaKeyDown(int virtualKey, bool ctrlHeld);
  void Execute(ActionId id);

  void ConvertKey();
  void ExportForRegExpander();
  void ToggleSectionHeader() { Toggle(ActionId::AddSectionHeader); }
  void Close();
  void ToggleForceControlSet001() { Toggle(ActionId::ForceControlSet001); }
  void ReplaceWithFixedDrive();
  void ReplaceWithVariables();
  void ReplaceNothing();

  // The options as the actions hold them now.
  ConversionOptions Options() const;

  const Action& GetAction(ActionId id) const { return actions_[static_cast<int>(id)]; }
  const MenuCaptions& Menus() const { return menus_; }
  registry::RootKey LastRoot() const { return lastRoot_; }
  const std::string& LastSection() const { return lastSection_; }

  void UpdateSubstitutionCaptions(PathSubstitutionMode mode);
  void SetSubstitutionTogglesVisible(bool visible);

 private:
  Action& At(ActionId id) { return actions_[static_cast<int>(id)]; }
  void Toggle(ActionId id);
  void SelectMode(ActionId checked);
  void ApplyLanguageFile();
  void ShowCurrentControlSet();
  // Runs `picker` with the fonts of the language file, the given caption, the
  // picker's title and the top node's text; true when the user confirmed a key.
  bool PickKey(KeyPicker& picker, MessageId caption, std::string_view topNode);
  // Convert's steps after the pick: the root checks, the append-or-replace
  // question, the section header, `exportKey` and the completion box.
  void ExportPickedKey(registry::RootKey root, const std::string& section,
                       const std::function<void(OutputList&, registry::RootKey, const std::string&)>& exportKey);
  // Converter or exporter call with redrawing suspended and the wait cursor
  // shown; a failure is reported. False when it failed.
  bool RunConverter(const std::function<void(OutputList&)>& work);
  // A live-registry export through RunConverter; when it succeeds, the
  // completion box and the keyboard focus back in the text area.
  void ExportAndReport(const std::function<void(OutputList&)>& work);

  MainWindowServices s_;
  std::array<Action, kActionCount> actions_;
  MenuCaptions menus_;
  bool shown_ = false;
  int busy_ = 0;  // commands running
  registry::RootKey lastRoot_ = 0;
  std::string lastSection_;
  // Where the hive picker opened last, for the next hive of the same mount point.
  std::optional<registry::RootedKeyPath> lastHiveMount_;
  std::string lastHiveSection_;
};

}  // namespace vindra::app
