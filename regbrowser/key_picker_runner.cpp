#include "regbrowser/key_picker_runner.h"

namespace vindra::regbrowser {

bool KeyPickerRunner::Run(std::string_view title, std::string_view top_node_text,
                          const platform::FontDescription& window_font, const platform::FontDescription& tree_font) {
  // The dialog is destroyed when this scope ends, also when an error passes.
  std::unique_ptr<KeyPickerDialog> dialog = dialogs_.NewDialog();
  if (!window_font.name.empty()) dialog->SetWindowFont(window_font);
  if (!tree_font.name.empty()) dialog->SetTreeFont(tree_font);
  dialog->SetTitle(title);
  KeyPicker& picker = dialog->Picker();
  picker.SetTopNodeText(std::string(top_node_text));
  dialog->SetCaption(caption);
  picker.root = root;
  picker.section = section;
  if (!dialog->ShowModal()) return false;
  root = picker.root;
  section = picker.section;
  return true;
}

}  // namespace vindra::regbrowser
