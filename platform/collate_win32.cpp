// Name ordering by the system: CompareStringA with NORM_IGNORECASE in the
// user's default locale.
#include "platform/collate.h"

#include <windows.h>

#include <algorithm>
#include <climits>

namespace vindra::platform {

int CompareTextIgnoreCase(std::string_view a, std::string_view b) {
  const int la = static_cast<int>(std::min<std::size_t>(a.size(), INT_MAX));
  const int lb = static_cast<int>(std::min<std::size_t>(b.size(), INT_MAX));
  // An empty view may carry a null pointer, which the system rejects.
  const char* pa = a.empty() ? "" : a.data();
  const char* pb = b.empty() ? "" : b.data();
  const int r = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, pa, la, pb, lb);
  if (r == 0) return a.compare(b) < 0 ? -1 : a.compare(b) > 0 ? 1 : 0;  // the call failed
  return r - CSTR_EQUAL;
}

void SortNamesIgnoreCase(std::vector<std::string>& names) {
  std::stable_sort(names.begin(), names.end(), [](const std::string& x, const std::string& y) {
    return CompareTextIgnoreCase(x, y) < 0;
  });
}

}  // namespace vindra::platform
