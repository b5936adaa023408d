// The main window's commands, independent of the windowing toolkit: the
// actions with their captions, checked states and visibility, the conversion
// options read from them, the first showing, import, dropped files, the two
// live-registry commands, the substitution mode and toggles, help and about.
// The Win32 window (TForm1) forwards its events here and implements the small
// interfaces below with real controls; the tests implement them with fakes.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/font_description.h"
#include "app/language_file.h"
#include "app/message_table.h"
#include "core/options.h"
#include "core/output_list.h"
#include "registry/registry_access.h"

namespace vindra::app {

using registry::RootKey;


// The actions of ActionList1, in the designed order.
enum class ActionId {
  Convert,             // AL_Convert
  RegExpander,         // AL_RegExpander
  AddSectionHeader,    // AL_AddSectionHeader
  Close,               // AL_Close
  ForceControlSet001,  // AL_ForceControlSet001
  SP2,                 // AL_SP2: fixed X: paths
  SP1,                 // AL_SP1: environment variables
  None,                // AL_NONE: no substitution
  Rep02,               // AL_REP02: %SystemRoot% toggle
  Rep04,               // AL_REP04: %ProgramFiles% toggle
  Rep03,               // AL_REP03: %SystemDrive% toggle
};
inline constexpr int kActionCount = 11;

struct Action {
  std::string Caption;
  bool Checked = false;
  bool Visible = true;
};

// Captions of the menu items that are not tied to an action, and the filter
// of the import dialog OD1 ("description|pattern|..." pairs).
struct MenuCaptions {
  std::string F1, I1, T1, H2, H3, A1, R1;
  std::string OpenFilter;
};

// Memo1 as the commands see it.
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

// The key picker component RB1.
class KeyPicker {
 public:
  virtual ~KeyPicker() = default;
  virtual RootKey Root() const = 0;
  virtual void SetRoot(RootKey root) = 0;
  virtual std::string Section() const = 0;
  virtual void SetSection(std::string_view section) = 0;
  virtual void SetCaption(std::string_view caption) = 0;
  // True when the user confirmed a key; Root() and Section() then hold it,
  // the section ending with a backslash.
  virtual bool Execute(std::string_view title, std::string_view topNode, const FontDescription& windowFont,
                       const FontDescription& treeFont) = 0;
};

// The optional language file beside the executable, read at each use.
class LanguageSource {
 public:
  virtual ~LanguageSource() = default;
  virtual bool Present() = 0;
  virtual std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultText) = 0;
  virtual FontDescription ReadFont(LanguageFont font) = 0;
};

// The converters and exporters writing into the output list. Failures travel
// as exceptions (std::exception) whose what() is the text shown to the user.
class Converters {
 public:
  virtual ~Converters() = default;
  virtual void ConvertFile(OutputList& out, const std::string& fileName, const ConversionOptions& options) = 0;
  virtual void ExportKey(OutputList& out, RootKey root, const std::string& path, const ConversionOptions& options) = 0;
  virtual void ExportRegExpander(OutputList& out, RootKey root, const std::string& path,
                                 const ConversionOptions& options) = 0;
};

// Everything else of the window: message boxes, dialogs, fonts, status bar.
class MainWindowView {
 public:
  virtual ~MainWindowView() = default;
  virtual void ShowError(std::string_view text) = 0;        // OK, error icon (0x12010)
  virtual bool AskYesNo(std::string_view text) = 0;         // Yes/No, question icon (0x12024); true on Yes
  virtual void ShowInformation(std::string_view text) = 0;  // OK, information icon (0x12040)
  // The application's general error report for a failed conversion or export.
  virtual void ReportFailure(std::string_view text) = 0;
  // Runs the open-file dialog; false when the user cancels.
  virtual bool ChooseFile(std::string_view filter, std::string& fileName) = 0;
  virtual void SetStatusText(std::string_view text) = 0;
  virtual void SetWindowFont(const FontDescription& font) = 0;
  virtual void SetMemoFont(const FontDescription& font) = 0;
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
  TextArea& memo;
  KeyPicker& picker;
  LanguageSource& language;
  Converters& converters;
  registry::RegistrySource* registry = nullptr;  // live registry for the status bar; null: none
  const MessageTable& messages;
  ExpandFunction expand;
  std::vector<std::string> arguments;  // command-line arguments, program name excluded
  std::string executablePath;
};

// Constant texts of the window.
inline constexpr std::string_view kRegExpanderComment = "; for Registry Expander";
std::string SeparatorText();  // CR LF, ";", 59 "-", CR LF

// The path without one final backslash; a 0x5C that is the second byte of a
// double-byte character is not a backslash.
std::string RemoveTrailingBackslash(std::string_view path);
// The help file: the executable's path with its extension replaced by ".hlp".
std::string HelpFilePathFor(std::string_view executablePath);
// "[Software.AddReg]", "[Default.AddReg]" or "[SetupReg.AddReg]" for an accepted key.
std::string SectionHeaderFor(RootKey root, std::string_view section);
// The open-file dialog's filter ("text|pattern|...") in the form the dialog
// takes: each "|" a NUL, two NULs at the end. A "|" byte that is the second
// byte of a double-byte character (as in ポ, 83 7C) stays.
std::string DialogFilter(std::string_view filter);
// "Current: ControlSet%.3d".
std::string ControlSetStatusText(std::uint32_t current);

class MainWindow {
 public:
  explicit MainWindow(MainWindowServices services);

  // Event handlers of the window.
  void FormShow();  // acts on the first showing only
  void I1Click();
  void DropFile(const std::string& firstFileName);  // WM_DROPFILES with the first file's name
  void H3Click();
  void A1Click();
  // Ctrl+A (any other modifiers allowed) selects all; true when handled.
  bool Memo1KeyDown(int virtualKey, bool ctrlHeld);
  void Execute(ActionId id);

  void AL_ConvertExecute();
  void AL_RegExpanderExecute();
  void AL_AddSectionHeaderExecute() { Toggle(ActionId::AddSectionHeader); }
  void AL_CloseExecute();
  void AL_ForceControlSet001Execute() { Toggle(ActionId::ForceControlSet001); }
  void AL_SP2Execute();
  void AL_SP1Execute();
  void AL_NONEExecute();

  // The options as the actions hold them now.
  ConversionOptions Options() const;

  const Action& GetAction(ActionId id) const { return actions_[static_cast<int>(id)]; }
  const MenuCaptions& Menus() const { return menus_; }
  RootKey LastRoot() const { return lastRoot_; }
  const std::string& LastSection() const { return lastSection_; }

  void UpdateSubstitutionCaptions(PathSubstitutionMode mode);
  void SetSubstitutionTogglesVisible(bool visible);

 private:
  Action& At(ActionId id) { return actions_[static_cast<int>(id)]; }
  void Toggle(ActionId id);
  void SelectMode(ActionId checked);
  void ApplyLanguageFile();
  void ShowCurrentControlSet();
  // Runs RB1 with the fonts of the language file, the given caption and the
  // picker's title and top-node texts; true when the user confirmed a key.
  bool PickKey(MessageId caption);
  // Converter or exporter call with redrawing suspended and the wait cursor
  // shown; a failure is reported. False when it failed.
  bool RunConverter(const std::function<void(OutputList&)>& work);
  // A live-registry export through RunConverter; when it succeeds, the
  // completion box and the keyboard focus back in Memo1.
  void ExportAndReport(const std::function<void(OutputList&)>& work);

  MainWindowServices s_;
  std::array<Action, kActionCount> actions_;
  MenuCaptions menus_;
  bool shown_ = false;
  RootKey lastRoot_ = 0;
  std::string lastSection_;
};

}  // namespace vindra::app
