// What the main window owns of the key picker: it keeps the chosen key and
// the caption between runs and runs the dialog, a fresh one per Run,
// destroyed at its end.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/font_description.h"
#include "regbrowser/key_picker.h"

namespace vindra::regbrowser {

// The title and font the dialog has until it is told otherwise.
inline constexpr char kDesignedTitle[] = "レジストリキーを選択して下さい";
inline const platform::FontDescription kDesignedFont{"ＭＳ Ｐゴシック", 9, platform::kShiftJisCharset};

// One dialog window around a KeyPicker, created by a KeyPickerDialogFactory
// (its AddRootKeys has run) and destroyed with the object.
class KeyPickerDialog {
 public:
  virtual ~KeyPickerDialog() = default;
  virtual KeyPicker& Picker() = 0;
  // Name, size and character set of the window font; the label, the buttons
  // and the tree follow it.
  virtual void SetWindowFont(const platform::FontDescription& font) = 0;
  virtual void SetTreeFont(const platform::FontDescription& font) = 0;
  virtual void SetTitle(std::string_view title) = 0;
  virtual void SetCaption(std::string_view caption) = 0;
  // Shows the dialog modally (PrepareToShow runs first); true when it closed with OK.
  virtual bool ShowModal() = 0;
};

class KeyPickerDialogFactory {
 public:
  virtual ~KeyPickerDialogFactory() = default;
  virtual std::unique_ptr<KeyPickerDialog> NewDialog() = 0;
};

class KeyPickerRunner {
 public:
  explicit KeyPickerRunner(KeyPickerDialogFactory& dialogs) : dialogs_(dialogs) {}

  // The key the next run preselects and the last run chose.
  registry::RootKey root = 0;
  std::string section = "software";
  // The text above the tree.
  std::string caption;

  // Runs the dialog with the given title, top-node text and fonts (an empty
  // font name keeps the designed font). On OK, root and section take the
  // chosen key ("Software\Foo\") and the result is true; otherwise both stay.
  bool Run(std::string_view title, std::string_view top_node_text, const platform::FontDescription& window_font,
           const platform::FontDescription& tree_font);

 private:
  KeyPickerDialogFactory& dialogs_;
};

}  // namespace vindra::regbrowser
