// A .reg file imported into the in-memory registry, then exported by both
// exporters and shown in the key picker's tree. The exporters write only
// entries and comments, with hex lists wrapped at 25 bytes; the tree lists
// each key's sub-keys once, sorted, one level below their parent.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/output_list.h"
#include "core/registry_file_loader.h"
#include "platform/collate.h"
#include "regbrowser/key_picker.h"
#include "registry/key_exporter.h"
#include "registry/memory_registry.h"
#include "registry/reg_file_import.h"
#include "registry/regexpander_exporter.h"
#include "tests/fuzz/fuzz_support.h"

using vindra::fuzz::Check;
namespace reg = vindra::registry;
namespace rb = vindra::regbrowser;

namespace {

class QuietView final : public rb::KeyPickerView {
 public:
  rb::KeyPicker* picker = nullptr;
  void NodeAdded(rb::RegTreeNode&) override {}
  void RemovingChildren(rb::RegTreeNode&) override {}
  void NodeTextChanged(rb::RegTreeNode&) override {}
  void SelectNode(rb::RegTreeNode& node) override { picker->SelectionChanged(&node); }
  void SetOkEnabled(bool) override {}
  void SetWaitCursor(bool) override {}
  void ProcessMessages() override {}
};

void CheckExport(const vindra::LineList& output) {
  for (const std::string& item : output.lines) {
    const bool entry = item.compare(0, 2, "0x") == 0;
    Check(entry || item.compare(0, 2, "; ") == 0, "an exported item is an entry or a comment", item);
    if (entry) vindra::fuzz::CheckHexWraps(item, true);
  }
}

// Expands every node, breadth first, up to `budget` nodes, checking the order
// and levels of the children each fill produces.
void FillTree(rb::KeyPicker& picker, std::size_t budget) {
  std::vector<rb::RegTreeNode*> queue = {&picker.TopNode()};
  for (std::size_t i = 0; i < queue.size() && queue.size() < budget; ++i) {
    rb::RegTreeNode& node = *queue[i];
    if (node.Unfilled()) picker.NodeExpanding(node);
    const rb::RegTreeNode* previous = nullptr;
    for (const auto& child : node.children) {
      Check(child->parent == &node && child->level == node.level + 1, "a child is one level below its parent",
            child->text);
      if (node.level >= 1) {
        Check(!child->placeholder || node.children.size() == 1, "a placeholder is a node's only child", child->text);
        if (previous != nullptr && !child->placeholder) {
          Check(vindra::platform::CompareTextIgnoreCase(previous->text, child->text) <= 0, "sub-keys are sorted",
                previous->text + " / " + child->text);
        }
      }
      previous = child.get();
      queue.push_back(child.get());
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vindra::fuzz::SetMachinePaths();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned bits = data[0];
  std::string text = "Windows Registry Editor Version 5.00\n";
  text.append(reinterpret_cast<const char*>(data + 1), size - 1);
  reg::MemoryRegistry registry;
  reg::ImportRegLines(vindra::SplitLines(text), registry,
                      (bits & 0x80) ? vindra::RegistryFileEncoding::Ansi : vindra::RegistryFileEncoding::Utf16LE);

  vindra::ConversionOptions options;
  options.ForceControlSet001 = bits & 1;
  options.PathSubstitution = (bits >> 1) % 3 == 0   ? vindra::PathSubstitutionMode::FixedDrive
                             : (bits >> 1) % 3 == 1 ? vindra::PathSubstitutionMode::EnvironmentVariables
                                                    : vindra::PathSubstitutionMode::None;
  for (reg::RootKey root : {reg::kHkeyClassesRoot, reg::kHkeyCurrentUser, reg::kHkeyLocalMachine, reg::kHkeyUsers}) {
    for (std::string_view start : {"", "SOFTWARE", "Software\\Test"}) {
      vindra::LineList keys;
      try {
        reg::RegistryKeyExporter(keys, registry, root, start, options);
      } catch (const reg::RegistryError&) {
        // A value that cannot be read ends the export; what came before stays.
      }
      CheckExport(keys);
      vindra::LineList settings;
      reg::RegExpanderExporter(settings, registry, root, start, options);
      CheckExport(settings);
    }
  }

  QuietView view;
  rb::KeyPicker picker(registry, view);
  view.picker = &picker;
  picker.AddRootKeys();
  picker.root = reg::kHkeyCurrentUser + (bits >> 4) % 4;
  picker.section = (bits & 8) ? "Software\\Test" : "\\";
  picker.PrepareToShow();
  FillTree(picker, 2000);
  return 0;
}
