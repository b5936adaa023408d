// The key picker's logic, independent of any window: the lazily filled key
// tree, the initial selection and the enabling of OK. A view (the Win32
// dialog, or a fake in tests) mirrors the tree and reports the user's actions
// back through NodeExpanding, SelectionChanged and KeyPressed.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "regbrowser/reg_tree.h"
#include "registry/registry_access.h"

namespace vindra::regbrowser {

// What the picker needs of its tree view and window.
class KeyPickerView {
 public:
  virtual ~KeyPickerView() = default;
  // `node` was appended as the last child of node.parent (or is the top node).
  virtual void NodeAdded(RegTreeNode& node) = 0;
  // All children of `node` (and everything below them) are about to go.
  virtual void RemovingChildren(RegTreeNode& node) = 0;
  virtual void NodeTextChanged(RegTreeNode& node) = 0;
  // Selects the node and makes it visible (expanding its ancestors). The view
  // reports the new selection through KeyPicker::SelectionChanged.
  virtual void SelectNode(RegTreeNode& node) = 0;
  virtual void SetOkEnabled(bool enabled) = 0;
  virtual void SetWaitCursor(bool wait) = 0;
  // Handles pending window messages once, so that the wait cursor shows.
  virtual void ProcessMessages() = 0;
  // Brackets a batch of node changes so the view can hold its redrawing.
  virtual void BeginUpdate() {}
  virtual void EndUpdate() {}
};

class KeyPicker {
 public:
  KeyPicker(registry::RegistrySource& registry, KeyPickerView& view);
  KeyPicker(const KeyPicker&) = delete;
  KeyPicker& operator=(const KeyPicker&) = delete;

  // The key of the current selection ("Software\Foo\" form).
  registry::RootKey root = registry::kHkeyCurrentUser;
  std::string section = "\\";
  // True while SelectInitialKey runs: expansions fill nothing then.
  bool selecting_initial_key = false;
  // Whether the last key pressed in the tree was pressed with Shift held.
  bool refresh_next_expansion = false;

  // Adds the top node, the six root keys and their placeholders to the view.
  void AddRootKeys();
  // Before the dialog shows (once per dialog): normalises `section`, then
  // SelectInitialKey.
  void PrepareToShow();

  // What the view reports: a node is about to expand, the selection changed
  // (null: nothing selected), a key was pressed in the tree.
  void NodeExpanding(RegTreeNode& node);
  void SelectionChanged(RegTreeNode* selected);
  void KeyPressed(bool shift_held);

  void FillNodeChildren(RegTreeNode& node, bool force);
  void SelectInitialKey();

  void SetTopNodeText(std::string text);
  RegTreeNode& TopNode() { return *top_; }
  RegTreeNode* Selected() const { return selected_; }
  // OK is enabled while a key below a root key is selected; Enter confirms
  // only then.
  bool OkEnabled() const { return ok_enabled_; }

 private:
  // True when the key root\path has at least one sub-key (false when it
  // cannot be opened).
  bool HasSubKeys(registry::RegistryAccess& access, std::string_view path);
  void RemoveChildren(RegTreeNode& node);

  registry::RegistrySource& registry_;
  KeyPickerView& view_;
  std::unique_ptr<RegTreeNode> top_;
  RegTreeNode* selected_ = nullptr;
  bool ok_enabled_ = false;
  bool shown_ = false;
  bool in_fill_ = false;
};

}  // namespace vindra::regbrowser
