#include "platform/env_expand.h"

#include <cstring>

#include "platform/text.h"

namespace vindra::platform {

bool VariableNamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size();) {
    const std::size_t length = CharLengthAt(a, i);
    if (length == 2) {
      // A double-byte character matches only itself, trail byte included.
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
    } else if (AsciiUpper(a[i]) != AsciiUpper(b[i])) {
      return false;
    }
    i += length;
  }
  return true;
}

std::string ExpandReferences(std::string_view text, const VariableSource& variables) {
  // The system function sees a zero-terminated string.
  if (const auto nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
  std::string out;
  out.reserve(text.size());
  std::string value;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t open = text.find('%', pos);
    if (open == std::string_view::npos) {
      out.append(text, pos);
      break;
    }
    out.append(text, pos, open - pos);
    const std::size_t close = text.find('%', open + 1);
    if (close == std::string_view::npos) {
      out.append(text, open);  // unfinished reference: kept as written
      break;
    }
    const std::string_view name = text.substr(open + 1, close - open - 1);
    if (!name.empty() && variables.Find(name, value)) {
      out += value;
    } else {
      out.append(text, open, close - open + 1);
    }
    pos = close + 1;
  }
  return out;
}

}  // namespace vindra::platform
