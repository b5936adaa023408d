// `TRegBrowser`: the key picker component. It keeps the chosen key between
// runs and runs the dialog: a fresh dialog per Execute, destroyed at its end.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "app/font_description.h"
#include "regbrowser/reg_form.h"

namespace vindra::regbrowser {

using app::FontDescription;

// One dialog window around a TReg_Form, created by a RegDialogFactory (its
// FormCreate has run) and destroyed with the object.
class RegDialog {
 public:
  virtual ~RegDialog() = default;
  virtual TReg_Form& Form() = 0;
  // Name, size and character set of the window font; the label, the buttons
  // and the tree follow it.
  virtual void SetWindowFont(const FontDescription& font) = 0;
  virtual void SetTreeFont(const FontDescription& font) = 0;
  virtual void SetTitle(std::string_view title) = 0;
  virtual void SetCaption(std::string_view caption) = 0;
  // Shows the dialog modally (FormShow runs first); true when it closed with OK.
  virtual bool ShowModal() = 0;
};

class RegDialogFactory {
 public:
  virtual ~RegDialogFactory() = default;
  virtual std::unique_ptr<RegDialog> NewDialog() = 0;
};

class TRegBrowser {
 public:
  explicit TRegBrowser(RegDialogFactory& dialogs) : dialogs_(dialogs) {}

  RootKey Root = 0;
  std::string Section = "software";
  std::string Caption;

  // Runs the dialog with the given title, top-node text and fonts (an empty
  // font name keeps the designed font). On OK, Root and Section take the
  // chosen key ("Software\Foo\") and the result is true; otherwise both stay.
  bool Execute(std::string_view title, std::string_view top_node_text, const FontDescription& window_font,
               const FontDescription& tree_font);

 private:
  RegDialogFactory& dialogs_;
};

}  // namespace vindra::regbrowser
