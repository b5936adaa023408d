// The about box's logic, independent of the windowing toolkit: the texts, the
// version line in the user's number format, the layout it shrinks to, and what
// it takes from the language file when shown.
#pragma once

#include <string>
#include <string_view>

#include "app/font_description.h"

namespace vindra::app {

// The program's version, shown as "version 2.94".
inline constexpr int kVersionHundredths = 294;
inline constexpr std::string_view kProgramUrl = "https://vindra.example.org/";
inline constexpr std::string_view kLegalNotice = "Copyright (C) 2026 The Vindra developers";
inline constexpr std::string_view kDesignedAboutTitle = "バージョン情報";

// "version " and the version with the pattern "#.00": integer digits as
// needed, the given decimal separator, exactly two decimals.
std::string VersionLine(std::string_view decimalSeparator, int hundredths = kVersionHundredths);

// Designed layout (pixels at 96 dpi) of the controls that decide the size.
struct AboutLayout {
  int panelLeft = 4, panelTop = 4, panelWidth = 248, panelHeight = 112;
  int okLeft = 175, okTop = 124, okWidth = 75, okHeight = 22;
  int clientWidth = 314, clientHeight = 166;
};

// The client size the box shrinks to: 256 x 150 with the designed layout.
int ShrunkClientWidth(const AboutLayout& layout);
int ShrunkClientHeight(const AboutLayout& layout);

// What the box's window does when it is prepared.
class AboutBoxView {
 public:
  virtual ~AboutBoxView() = default;
  virtual void SetBoxFont(const FontDescription& font) = 0;
  virtual void SetTitle(std::string_view title) = 0;
  virtual void SetClientSize(int width, int height) = 0;
  virtual void SetVersionText(std::string_view text) = 0;
  virtual void SetUrlText(std::string_view text) = 0;
  // The user's decimal separator ("." or "," ...).
  virtual std::string DecimalSeparator() = 0;
};

// Prepares the box when it is first shown; later calls do nothing.
class AboutBox {
 public:
  AboutBox(AboutBoxView& view, std::string languageFile) : view_(view), languageFile_(std::move(languageFile)) {}
  void FormShow();

 private:
  AboutBoxView& view_;
  std::string languageFile_;
  AboutLayout layout_;
  bool prepared_ = false;
};

}  // namespace vindra::app
