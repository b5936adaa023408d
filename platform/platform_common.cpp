// The parts of the platform layer that are the same on every platform.
#include <algorithm>
#include <numeric>

#include "platform/sort_by_keys.h"

namespace vindra::platform {

void SortByKeys(std::vector<std::string>& names, const std::vector<std::string>& keys) {
  std::vector<std::size_t> order(names.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) { return keys[x] < keys[y]; });
  std::vector<std::string> sorted;
  sorted.reserve(names.size());
  for (std::size_t i : order) sorted.push_back(std::move(names[i]));
  names = std::move(sorted);
}

}  // namespace vindra::platform
