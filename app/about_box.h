// The about box's logic, independent of the windowing toolkit: the texts, the
// version line in the user's number format, the layout of its controls and the
// size it shrinks to, and what it takes from the language file when shown.
#pragma once

#include <string>
#include <string_view>

#include "platform/font_description.h"

namespace vindra::app {

// The program's version, shown as "version 2.94".
inline constexpr int kVersionHundredths = 294;
inline constexpr std::string_view kProgramUrl = "https://vindra.example.org/";
inline constexpr std::string_view kLegalNotice = "Copyright (C) 2026 The Vindra developers";
inline constexpr std::string_view kDesignedAboutTitle = "バージョン情報";

// "version " and the version with the pattern "#.00": integer digits as
// needed, the given decimal separator, exactly two decimals.
std::string VersionLine(std::string_view decimalSeparator, int hundredths = kVersionHundredths);

struct LayoutRect {
  int left, top, width, height;
};

// Designed layout of the box in pixels (at 96 dpi, as the fonts). The panel
// and the OK button are placed in the box; the icon and the labels inside the
// panel, relative to its top left corner.
struct AboutLayout {
  LayoutRect panel{4, 4, 248, 112};
  LayoutRect icon{8, 8, 32, 32};
  LayoutRect product{52, 8, 150, 13};  // "Vindra.EXE"
  LayoutRect forLabel{48, 22, 150, 13};
  LayoutRect target{48, 34, 150, 13};   // "[PE Builder v3]"
  LayoutRect version{28, 52, 203, 13};
  LayoutRect notice{2, 76, 243, 12};    // the legal notice
  LayoutRect url{4, 92, 238, 12};
  LayoutRect ok{175, 124, 75, 22};
  int clientWidth = 314, clientHeight = 166;  // before the box shrinks
};

// The client size the box shrinks to: 256 x 150 with the designed layout.
int ShrunkClientWidth(const AboutLayout& layout);
int ShrunkClientHeight(const AboutLayout& layout);

// What the box's window does when it is prepared.
class AboutBoxView {
 public:
  virtual ~AboutBoxView() = default;
  virtual void SetBoxFont(const platform::FontDescription& font) = 0;
  virtual void SetTitle(std::string_view title) = 0;
  virtual void SetClientSize(int width, int height) = 0;
  virtual void SetVersionText(std::string_view text) = 0;
  virtual void SetUrlText(std::string_view text) = 0;
  // The user's decimal separator ("." or "," ...).
  virtual std::string DecimalSeparator() = 0;
};

// Prepares the box when it is first shown; later calls do nothing.
class AboutBoxLogic {
 public:
  AboutBoxLogic(AboutBoxView& view, std::string languageFile) : view_(view), languageFile_(std::move(languageFile)) {}
  void OnShown();

 private:
  AboutBoxView& view_;
  std::string languageFile_;
  AboutLayout layout_;
  bool prepared_ = false;
};

}  // namespace vindra::app
