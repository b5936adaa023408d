// A tree view stand-in for the picker's tests: it tracks which nodes exist,
// which are expanded and selected, and behaves like a tree-view control in
// the ways the picker relies on (selecting expands the ancestors and reports
// the change; expanding reports NodeExpanding first).
#pragma once

#include <set>
#include <string>
#include <vector>

#include "regbrowser/key_picker.h"

namespace vindra::regbrowser::testing {

class FakeView : public KeyPickerView {
 public:
  KeyPicker* picker = nullptr;
  std::set<const RegTreeNode*> live;
  std::set<const RegTreeNode*> expanded;
  const RegTreeNode* selected = nullptr;
  bool ok_enabled = false;
  bool wait_cursor = false;
  int wait_cursor_sets = 0;
  int process_messages = 0;
  int update_depth = 0;
  std::vector<std::string> events;

  void NodeAdded(RegTreeNode& node) override {
    // The parent must be known to the view before its children.
    if (node.parent && !live.count(node.parent)) events.push_back("orphan:" + node.text);
    live.insert(&node);
  }
  void RemovingChildren(RegTreeNode& node) override {
    Forget(node, /*self=*/false);
    events.push_back("remove:" + node.text);
  }
  void NodeTextChanged(RegTreeNode& node) override { events.push_back("text:" + node.text); }
  void SelectNode(RegTreeNode& node) override {
    std::vector<RegTreeNode*> ancestors;
    for (RegTreeNode* p = node.parent; p; p = p->parent) ancestors.push_back(p);
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) Expand(**it);
    selected = &node;
    picker->SelectionChanged(&node);
  }
  void SetOkEnabled(bool enabled) override { ok_enabled = enabled; }
  void SetWaitCursor(bool wait) override {
    wait_cursor = wait;
    if (wait) ++wait_cursor_sets;
  }
  void ProcessMessages() override { ++process_messages; }
  void BeginUpdate() override { ++update_depth; }
  void EndUpdate() override { --update_depth; }

  // The user (or the control) expands a node: the picker hears of it first.
  void Expand(RegTreeNode& node) {
    if (expanded.count(&node)) return;
    if (node.children.empty()) return;
    picker->NodeExpanding(node);
    expanded.insert(&node);
  }
  void Collapse(RegTreeNode& node) { expanded.erase(&node); }

 private:
  void Forget(const RegTreeNode& node, bool self) {
    for (auto& c : node.children) Forget(*c, true);
    if (self) {
      live.erase(&node);
      expanded.erase(&node);
      if (selected == &node) selected = nullptr;
    }
  }
};

// Finds a child by its text ("" finds the placeholder).
inline RegTreeNode* Child(RegTreeNode& node, const std::string& text) {
  for (auto& c : node.children)
    if (c->text == text) return c.get();
  return nullptr;
}

// The texts of a node's children, placeholders shown as "<>".
inline std::vector<std::string> ChildTexts(const RegTreeNode& node) {
  std::vector<std::string> texts;
  for (auto& c : node.children) texts.push_back(c->placeholder ? "<>" : c->text);
  return texts;
}

}  // namespace vindra::regbrowser::testing
