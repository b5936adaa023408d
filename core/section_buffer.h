// The lines of one INF section while a conversion runs: items stored back to
// back in a few large blocks, each behind its length. No allocation per line,
// and no block is ever copied whole when the section grows past a block.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace vindra {

class SectionBuffer {
 public:
  // Starts an item and returns the block to append its bytes to; close the
  // item with EndItem() before starting the next.
  std::string& BeginItem() {
    if (blocks_.empty()) blocks_.emplace_back();
    std::string& block = blocks_.back();
    itemStart_ = block.size();
    block.append(sizeof(std::size_t), '\0');
    return block;
  }
  void EndItem() {
    std::string& block = blocks_.back();
    const std::size_t length = block.size() - itemStart_ - sizeof(std::size_t);
    std::memcpy(block.data() + itemStart_, &length, sizeof length);
    ++count_;
    if (block.size() >= (blocks_.size() == 1 ? kFirstBlockSize : kBlockSize)) {
      blocks_.emplace_back();
      blocks_.back().reserve(kBlockSize + kBlockSize / 8);
    }
  }
  void Add(std::string_view line) {
    BeginItem().append(line);
    EndItem();
  }
  std::size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }

  // Calls `onItem(std::string_view)` for every item in order.
  template <typename OnItem>
  void ForEach(OnItem&& onItem) const {
    for (const std::string& block : blocks_) {
      std::size_t pos = 0;
      while (pos < block.size()) {
        std::size_t length = 0;
        std::memcpy(&length, block.data() + pos, sizeof length);
        pos += sizeof length;
        onItem(std::string_view(block.data() + pos, length));
        pos += length;
      }
    }
  }

 private:
  // The first block grows as a small section needs; the blocks after it are
  // reserved whole.
  static constexpr std::size_t kFirstBlockSize = std::size_t{256} << 10;
  static constexpr std::size_t kBlockSize = std::size_t{32} << 20;

  std::vector<std::string> blocks_;
  std::size_t itemStart_ = 0;
  std::size_t count_ = 0;
};

}  // namespace vindra
