// The part of every registry access object that is the same whatever it
// reads: one root chosen at a time and at most one key open below it.
#pragma once

#include <string_view>

#include "registry/value_reading_access.h"

namespace vindra::registry {

class OneKeyAccess : public ValueReadingAccess {
 public:
  explicit OneKeyAccess(RootKey root) : root_(root) {}

  // Closes the open key, if any, and reads below `root` from now on.
  void SetRoot(RootKey root) final {
    CloseKey();
    root_ = root;
  }

  // Closes the open key, if any, and opens `path` below the root; a leading
  // backslash is the root itself and is skipped.
  bool OpenKeyReadOnly(std::string_view path) final {
    CloseKey();
    if (!path.empty() && path.front() == '\\') path.remove_prefix(1);
    return OpenBelowRoot(path);
  }

 protected:
  // Opens `path` (no leading backslash; "" is the root) below root_ and makes
  // it the current key; false, with no key open, when that is not possible.
  virtual bool OpenBelowRoot(std::string_view path) = 0;

  RootKey root_;
};

}  // namespace vindra::registry
