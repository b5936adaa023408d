// Name ordering by the system: CompareStringA with NORM_IGNORECASE in the
// user's default locale.
#include "platform/collate.h"
#include "platform/sort_by_keys.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <numeric>

namespace vindra::platform {

namespace {

int Length(std::string_view s) { return static_cast<int>(std::min<std::size_t>(s.size(), INT_MAX)); }

// An empty view may carry a null pointer, which the system rejects.
const char* Data(std::string_view s) { return s.empty() ? "" : s.data(); }

// The system's sort key, which orders as CompareStringA with the same flags
// does; false when the system cannot make one.
bool SortKey(std::string_view name, std::string& key) {
  const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
  const int n = LCMapStringA(LOCALE_USER_DEFAULT, flags, Data(name), Length(name), nullptr, 0);
  if (n <= 0) return false;
  key.assign(static_cast<std::size_t>(n), '\0');
  if (LCMapStringA(LOCALE_USER_DEFAULT, flags, Data(name), Length(name), key.data(), n) != n) return false;
  if (!key.empty() && key.back() == '\0') key.pop_back();
  return true;
}

}  // namespace

int CompareTextIgnoreCase(std::string_view a, std::string_view b) {
  const int r = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, Data(a), Length(a), Data(b), Length(b));
  if (r == 0) {  // the call failed: fall back to byte order
    const int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  return r - CSTR_EQUAL;
}

void SortNamesIgnoreCase(std::vector<std::string>& names) {
  if (names.size() < 2) return;
  // Many names: compute each name's sort key once instead of converting and
  // weighing both names in every comparison.
  std::vector<std::string> keys(names.size());
  bool haveKeys = true;
  for (std::size_t i = 0; i < names.size() && haveKeys; ++i) haveKeys = SortKey(names[i], keys[i]);
  if (!haveKeys) {
    std::stable_sort(names.begin(), names.end(), [](const std::string& x, const std::string& y) {
      return CompareTextIgnoreCase(x, y) < 0;
    });
    return;
  }
  SortByKeys(names, keys);
}

}  // namespace vindra::platform
