#include "regbrowser/key_picker.h"

#include <vector>

#include "platform/collate.h"

namespace vindra::regbrowser {
namespace {

// Resets a flag when the scope ends, also when an error passes through.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = false; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
};

// Opens keys without their trailing backslash ("Software\Foo\" is stored
// that way for the caller, but is not a name the registry must accept).
std::string_view WithoutTrailingBackslash(std::string_view path) {
  if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  return path;
}

}  // namespace

KeyPicker::KeyPicker(registry::RegistrySource& registry, KeyPickerView& view)
    : registry_(registry), view_(view), top_(std::make_unique<RegTreeNode>()) {
  top_->text = "マイコンピュータ";
  top_->image = kComputerImage;
}

bool KeyPicker::HasSubKeys(registry::RegistryAccess& access, std::string_view path) {
  const bool opened = access.OpenKeyReadOnly(path);
  const bool has = opened && access.SubKeyCount() > 0;
  access.CloseKey();
  return has;
}

void KeyPicker::AddRootKeys() {
  root = registry::kHkeyCurrentUser;
  section.assign(1, '\\');  // one backslash (the literal form trips a false -Wrestrict in GCC 12)
  view_.NodeAdded(*top_);
  auto access = registry_.CreateAccess();
  for (const auto& root : kRootKeys) {
    RegTreeNode& node = top_->AddChild(std::string(root.name), false);
    view_.NodeAdded(node);
    // A root key that cannot be opened gets no placeholder: it cannot expand.
    access->SetRoot(root.handle);
    if (HasSubKeys(*access, "")) view_.NodeAdded(node.AddChild("", true));
  }
}

void KeyPicker::SetTopNodeText(std::string text) {
  top_->text = std::move(text);
  view_.NodeTextChanged(*top_);
}

void KeyPicker::PrepareToShow() {
  if (shown_) return;
  shown_ = true;
  section = NormalizeSection(section);
  SelectInitialKey();
}

void KeyPicker::NodeExpanding(RegTreeNode& node) {
  // A fill handles window messages once; an expansion reported meanwhile must
  // not start a second fill over the same nodes.
  if (selecting_initial_key || in_fill_) return;
  FillNodeChildren(node, refresh_next_expansion);
}

void KeyPicker::SelectionChanged(RegTreeNode* selected) {
  selected_ = selected;
  ok_enabled_ = selected && selected->level >= 2;
  view_.SetOkEnabled(ok_enabled_);
  if (selected) {
    KeyPath key = NodeKeyPath(*selected);
    root = key.root;
    section = std::move(key.path);
  }
}

void KeyPicker::KeyPressed(bool shift_held) { refresh_next_expansion = shift_held; }

void KeyPicker::RemoveChildren(RegTreeNode& node) {
  if (node.children.empty()) return;
  view_.RemovingChildren(node);
  // A view whose control moves the selection off the removed nodes has
  // reported that already; otherwise the selection moves to the node itself
  // here, so that OK, root and section never describe a removed key.
  bool selection_below = false;
  for (const RegTreeNode* s = selected_; s && !selection_below; s = s->parent) selection_below = s->parent == &node;
  if (selection_below) selected_ = nullptr;
  node.children.clear();
  if (selection_below) view_.SelectNode(node);
}

void KeyPicker::FillNodeChildren(RegTreeNode& node, bool force) {
  refresh_next_expansion = false;
  if (&node == top_.get()) return;  // the root keys are never re-read
  if (node.children.empty()) return;
  if (!node.Unfilled() && !force) return;

  FlagScope fill(in_fill_);
  struct CursorScope {
    KeyPickerView& view;
    ~CursorScope() { view.SetWaitCursor(false); }
  } cursor{view_};
  view_.SetWaitCursor(true);
  view_.ProcessMessages();

  view_.BeginUpdate();
  struct UpdateScope {
    KeyPickerView& view;
    ~UpdateScope() { view.EndUpdate(); }
  } update{view_};

  RemoveChildren(node);

  const KeyPath key = NodeKeyPath(node);
  auto access = registry_.CreateAccess();
  access->SetRoot(key.root);
  std::vector<std::string> names;
  if (access->OpenKeyReadOnly(WithoutTrailingBackslash(key.path))) names = access->SubKeyNames();
  access->CloseKey();
  platform::SortNamesIgnoreCase(names);

  std::string child_path = key.path;
  const std::size_t base = child_path.size();
  for (std::string& name : names) {
    child_path.resize(base);
    child_path += name;
    RegTreeNode& child = node.AddChild(std::move(name), false);
    view_.NodeAdded(child);
    if (HasSubKeys(*access, child_path)) view_.NodeAdded(child.AddChild("", true));
  }
}

void KeyPicker::SelectInitialKey() {
  FlagScope filling(selecting_initial_key);
  const int index = RootKeyIndex(root);
  if (index < 0) return;  // no key preselected; OK stays disabled

  // Selecting reports the change, which rewrites `section`: walk a copy.
  const std::string initial_section = section;
  RegTreeNode* current = top_->children[static_cast<std::size_t>(index)].get();
  view_.SelectNode(*current);
  std::string_view rest = initial_section;
  while (!rest.empty()) {
    FillNodeChildren(*current, false);
    const std::string_view component = TakePathComponent(rest);
    if (component.empty()) continue;
    for (auto& child : current->children) {
      if (!child->placeholder && EqualsAsciiUpper(child->text, component)) {
        current = child.get();
        view_.SelectNode(*current);
        break;
      }
    }
  }
}

}  // namespace vindra::regbrowser
