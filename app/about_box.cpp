#include "app/about_box.h"

#include "app/language_file.h"

namespace vindra::app {

std::string VersionLine(std::string_view decimalSeparator, int hundredths) {
  std::string out = "version ";
  if (hundredths < 0) {
    out += '-';
    hundredths = -hundredths;
  }
  out += std::to_string(hundredths / 100);
  out += decimalSeparator;
  const int fraction = hundredths % 100;
  out += static_cast<char>('0' + fraction / 10);
  out += static_cast<char>('0' + fraction % 10);
  return out;
}

int ShrunkClientWidth(const AboutLayout& layout) { return layout.panel.left + layout.panel.width + 4; }
int ShrunkClientHeight(const AboutLayout& layout) { return layout.ok.top + layout.ok.height + 4; }

void AboutBoxLogic::OnShown() {
  if (prepared_) return;
  prepared_ = true;
  if (LanguageFilePresent(languageFile_)) {
    view_.SetBoxFont(ReadFontDescription(languageFile_, LanguageFont::kWindow));
    view_.SetTitle(ReadAboutBoxTitle(languageFile_));
  }
  view_.SetClientSize(ShrunkClientWidth(layout_), ShrunkClientHeight(layout_));
  view_.SetVersionText(VersionLine(view_.DecimalSeparator()));
  view_.SetUrlText(kProgramUrl);
}

}  // namespace vindra::app
