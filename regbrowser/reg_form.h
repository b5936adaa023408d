// The key picker dialog's logic (`TReg_Form`): the lazily filled tree, the
// initial selection and the enabling of OK. A view (the Win32 dialog, or a
// fake in tests) mirrors the tree and reports the user's actions back through
// the handlers TV1Expanding, TV1Change and TV1KeyDown.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "regbrowser/reg_tree.h"
#include "registry/registry_access.h"

namespace vindra::regbrowser {

// What the form needs of its tree view and window.
class RegFormView {
 public:
  virtual ~RegFormView() = default;
  // `node` was appended as the last child of node.parent (or is the top node).
  virtual void NodeAdded(RegTreeNode& node) = 0;
  // All children of `node` (and everything below them) are about to go.
  virtual void RemovingChildren(RegTreeNode& node) = 0;
  virtual void NodeTextChanged(RegTreeNode& node) = 0;
  // Selects the node and makes it visible (expanding its ancestors). The view
  // reports the new selection through TReg_Form::TV1Change.
  virtual void SelectNode(RegTreeNode& node) = 0;
  virtual void SetOkEnabled(bool enabled) = 0;
  virtual void SetWaitCursor(bool wait) = 0;
  // Handles pending window messages once, so that the wait cursor shows.
  virtual void ProcessMessages() = 0;
  // Brackets a batch of node changes so the view can hold its redrawing.
  virtual void BeginUpdate() {}
  virtual void EndUpdate() {}
};

class TReg_Form {
 public:
  TReg_Form(registry::RegistrySource& registry, RegFormView& view);
  TReg_Form(const TReg_Form&) = delete;
  TReg_Form& operator=(const TReg_Form&) = delete;

  // The key of the current selection ("Software\Foo\" form).
  RootKey Root = registry::kHkeyCurrentUser;
  std::string Section = "\\";
  // True while SelectInitialKey runs: expansions fill nothing then.
  bool Filling = false;
  // Whether the last key pressed in the tree was pressed with Shift held.
  bool ForceRefresh = false;

  // Event handlers.
  void FormCreate();  // the top node, the six root keys and their placeholders
  void FormShow();    // normalises Section, then SelectInitialKey; once per dialog
  void TV1Expanding(RegTreeNode& node);
  void TV1Change(RegTreeNode* selected);
  void TV1KeyDown(bool shift_held);

  void FillNodeChildren(RegTreeNode& node, bool force);
  void SelectInitialKey();

  void SetTopNodeText(std::string text);
  RegTreeNode& TopNode() { return *top_; }
  RegTreeNode* Selected() const { return selected_; }
  bool OkEnabled() const { return ok_enabled_; }

 private:
  // True when the key root\path has at least one sub-key (false when it
  // cannot be opened).
  bool HasSubKeys(registry::RegistryAccess& access, std::string_view path);
  void RemoveChildren(RegTreeNode& node);

  registry::RegistrySource& registry_;
  RegFormView& view_;
  std::unique_ptr<RegTreeNode> top_;
  RegTreeNode* selected_ = nullptr;
  bool ok_enabled_ = false;
  bool shown_ = false;
  bool in_fill_ = false;
};

}  // namespace vindra::regbrowser
