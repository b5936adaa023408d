// The key picker's Win32 dialog: a modal window with a tree view that mirrors
// a TReg_Form. Windows build only.
#pragma once

#include <windows.h>

#include <memory>

#include "regbrowser/reg_browser.h"
#include "registry/registry_access.h"

namespace vindra::regbrowser {

// Control identifiers of the dialog (OK and Cancel are IDOK and IDCANCEL).
inline constexpr int kTreeViewId = 1001;     // TV1
inline constexpr int kCaptionLabelId = 1002; // CaptionLabel

// Designed geometry in pixels (the window's outer size; control positions in
// the client area).
inline constexpr int kDialogWidth = 378;
inline constexpr int kDialogHeight = 331;

// Makes Win32 dialogs that read the given registry; `owner` (may be null) is
// disabled while a dialog runs.
class Win32RegDialogFactory : public RegDialogFactory {
 public:
  Win32RegDialogFactory(registry::RegistrySource& registry, HWND owner) : registry_(registry), owner_(owner) {}
  void SetOwner(HWND owner) { owner_ = owner; }
  std::unique_ptr<RegDialog> NewDialog() override;

 private:
  registry::RegistrySource& registry_;
  HWND owner_;
};

}  // namespace vindra::regbrowser
