// The key picker's Win32 dialog: a modal window with a tree view that mirrors
// a KeyPicker. Windows build only.
#pragma once

#include <windows.h>

#include <memory>

#include "regbrowser/key_picker_layout.h"
#include "regbrowser/key_picker_runner.h"
#include "registry/registry_access.h"

namespace vindra::regbrowser {

// Control identifiers of the dialog (OK and Cancel are IDOK and IDCANCEL).
inline constexpr int kTreeViewId = 1001;
inline constexpr int kCaptionLabelId = 1002;

// Makes Win32 dialogs that read the given registry; `owner` (may be null) is
// disabled while a dialog runs.
class Win32KeyPickerDialogFactory : public KeyPickerDialogFactory {
 public:
  Win32KeyPickerDialogFactory(registry::RegistrySource& registry, HWND owner) : registry_(registry), owner_(owner) {}
  void SetOwner(HWND owner) { owner_ = owner; }
  std::unique_ptr<KeyPickerDialog> NewDialog() override;

 private:
  registry::RegistrySource& registry_;
  HWND owner_;
};

}  // namespace vindra::regbrowser
