// A view that shows nothing: the picker's tree without a window, for stress
// tests and benchmarks that only drive the picker. It counts the nodes added.
#pragma once

#include <cstddef>
#include <string>
#include <utility>

#include "regbrowser/key_picker.h"

namespace vindra::regbrowser::testing {

class NullView final : public KeyPickerView {
 public:
  KeyPicker* picker = nullptr;
  std::size_t nodes = 0;
  void NodeAdded(RegTreeNode&) override { ++nodes; }
  void RemovingChildren(RegTreeNode&) override {}
  void NodeTextChanged(RegTreeNode&) override {}
  void SelectNode(RegTreeNode& node) override { picker->SelectionChanged(&node); }
  void SetOkEnabled(bool) override {}
  void SetWaitCursor(bool) override {}
  void ProcessMessages() override {}
};

// A picker over a NullView, its root keys added and `root` and `section` set,
// as a caller leaves it before showing it.
struct ViewlessPicker {
  ViewlessPicker(registry::RegistrySource& registry, registry::RootKey root, std::string section)
      : picker(registry, view) {
    view.picker = &picker;
    picker.AddRootKeys();
    picker.root = root;
    picker.section = std::move(section);
  }

  NullView view;
  KeyPicker picker;
};

}  // namespace vindra::regbrowser::testing
