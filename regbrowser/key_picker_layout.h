// Where the key picker's controls are: the designed positions in pixels and
// how the controls follow when the dialog is resized. Portable, so that the
// rule is tested without a window.
#pragma once

namespace vindra::regbrowser {

struct PixelRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  constexpr int Width() const { return right - left; }
  constexpr int Height() const { return bottom - top; }
  bool operator==(const PixelRect&) const = default;
};

struct PixelSize {
  int width = 0, height = 0;
  bool operator==(const PixelSize&) const = default;
};

// The dialog's designed outer size; it is never rescaled for the screen's
// density.
inline constexpr int kDialogWidth = 378;
inline constexpr int kDialogHeight = 331;

// Designed positions in the client area. The caption label is sized to its
// text, so only its top-left corner and its least height are designed.
inline constexpr PixelRect kDesignedLabel = {12, 8, 12, 8 + 12};
inline constexpr PixelRect kDesignedTree = {12, 28, 12 + 345, 28 + 231};
inline constexpr PixelRect kDesignedOk = {184, 267, 184 + 81, 267 + 22};
inline constexpr PixelRect kDesignedCancel = {276, 267, 276 + 83, 267 + 22};
inline constexpr int kTreeIndent = 19;

struct KeyPickerPlacement {
  PixelRect tree, ok, cancel;
  bool operator==(const KeyPickerPlacement&) const = default;
};

// The controls keep the distances to the client area's edges that they had
// when the dialog was created at its designed size: the tree to all four
// edges (its size never below 0), the buttons to the bottom and right edges.
class KeyPickerLayout {
 public:
  // `created_client`: the client area's size when the controls were placed at
  // their designed positions (it depends on the window frame's metrics).
  explicit KeyPickerLayout(PixelSize created_client) : created_(created_client) {}

  KeyPickerPlacement At(PixelSize client) const;

 private:
  PixelSize created_;
};

}  // namespace vindra::regbrowser
