// AboutBox: the modal about box over the portable AboutBoxLogic.
#pragma once

#include <windows.h>

#include <string>

namespace vindra::app {

class AboutBox {
 public:
  // `languageFile` is read when the box is shown; `icon` becomes ProgramIcon.
  AboutBox(HWND owner, HICON icon, std::string languageFile);
  // Shows the box modally; returns when it closes (IDOK or IDCANCEL).
  INT_PTR ShowModal();

 private:
  static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);
  INT_PTR Handle(HWND, UINT, WPARAM, LPARAM);
  void Prepare(HWND box);

  HWND owner_;
  HICON icon_;
  std::string languageFile_;
  HWND box_ = nullptr;
  HWND version_ = nullptr, url_ = nullptr;
  HFONT boxFont_ = nullptr, productFont_ = nullptr, versionFont_ = nullptr, urlFont_ = nullptr;
};

// Control identifiers of the box, for tests.
inline constexpr int kAboutVersionId = 1001;
inline constexpr int kAboutUrlId = 1002;
inline constexpr int kAboutProductId = 1003;

}  // namespace vindra::app
