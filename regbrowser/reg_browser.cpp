#include "regbrowser/reg_browser.h"

namespace vindra::regbrowser {

bool TRegBrowser::Execute(std::string_view title, std::string_view top_node_text,
                          const FontDescription& window_font, const FontDescription& tree_font) {
  // The dialog is destroyed when this scope ends, also when an error passes.
  std::unique_ptr<RegDialog> dialog = dialogs_.NewDialog();
  if (!window_font.name.empty()) dialog->SetWindowFont(window_font);
  if (!tree_font.name.empty()) dialog->SetTreeFont(tree_font);
  dialog->SetTitle(title);
  TReg_Form& form = dialog->Form();
  form.SetTopNodeText(std::string(top_node_text));
  dialog->SetCaption(Caption);
  form.Root = Root;
  form.Section = Section;
  if (!dialog->ShowModal()) return false;
  Root = form.Root;
  Section = form.Section;
  return true;
}

}  // namespace vindra::regbrowser
