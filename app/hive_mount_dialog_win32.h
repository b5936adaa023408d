// HiveMountDialog: the question which key a hive file stands for when its
// name does not say (a copy named software.hiv, a file from a backup). A
// small modal dialog over the main window: the file's name, the question,
// one radio button per key (the first one chosen), OK and Cancel. Windows
// build only.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vindra::app {

// Control identifiers: the radio button of choice i is kHiveMountFirstChoiceId + i.
inline constexpr int kHiveMountFileNameId = 1090;
inline constexpr int kHiveMountQuestionId = 1091;
inline constexpr int kHiveMountFirstChoiceId = 1100;

class HiveMountDialog {
 public:
  // `font` (may be null: the system's) is the one of the main window's controls.
  HiveMountDialog(HWND owner, HFONT font) : owner_(owner), font_(font) {}

  // The index of the choice confirmed with OK, or nothing (Cancel, Esc, the close box).
  std::optional<std::size_t> Ask(std::string_view fileName, std::string_view question,
                                 const std::vector<std::string>& choices);

 private:
  static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);
  INT_PTR Handle(HWND dialog, UINT message, WPARAM wparam);
  void CreateControls(HWND dialog);

  HWND owner_;
  HFONT font_;
  std::string fileName_, question_;
  std::vector<std::string> choices_;
  std::size_t chosen_ = 0;
};

}  // namespace vindra::app
