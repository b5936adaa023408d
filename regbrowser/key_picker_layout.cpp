#include "regbrowser/key_picker_layout.h"

#include <algorithm>

namespace vindra::regbrowser {
namespace {

PixelRect Moved(const PixelRect& r, int dx, int dy) { return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

}  // namespace

KeyPickerPlacement KeyPickerLayout::At(PixelSize client) const {
  const int dx = client.width - created_.width;
  const int dy = client.height - created_.height;
  KeyPickerPlacement p;
  p.tree = kDesignedTree;
  p.tree.right = p.tree.left + std::max(0, kDesignedTree.Width() + dx);
  p.tree.bottom = p.tree.top + std::max(0, kDesignedTree.Height() + dy);
  p.ok = Moved(kDesignedOk, dx, dy);
  p.cancel = Moved(kDesignedCancel, dx, dy);
  return p;
}

}  // namespace vindra::regbrowser
