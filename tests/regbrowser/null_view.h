// A view that shows nothing: the picker's tree without a window, for stress
// tests and benchmarks that only drive the form. It counts the nodes added.
#pragma once

#include <cstddef>

#include "regbrowser/reg_form.h"

namespace vindra::regbrowser::testing {

class NullView final : public RegFormView {
 public:
  TReg_Form* form = nullptr;
  std::size_t nodes = 0;
  void NodeAdded(RegTreeNode&) override { ++nodes; }
  void RemovingChildren(RegTreeNode&) override {}
  void NodeTextChanged(RegTreeNode&) override {}
  void SelectNode(RegTreeNode& node) override { form->TV1Change(&node); }
  void SetOkEnabled(bool) override {}
  void SetWaitCursor(bool) override {}
  void ProcessMessages() override {}
};

}  // namespace vindra::regbrowser::testing
