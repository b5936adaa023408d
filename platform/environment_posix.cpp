// Environment expansion over the process environment (`environ`). Entries
// written in UTF-8 (the usual POSIX locale encoding) are converted to the ANSI
// code page, so that their values fit the text they are put into.
#include "platform/environment.h"

#include <string>

#include "platform/env_expand.h"
#include "platform/text.h"

extern char** environ;

namespace vindra::platform {

namespace {

bool IsAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

class ProcessEnvironment final : public VariableSource {
 public:
  bool Find(std::string_view name, std::string& value) const override {
    if (environ == nullptr) return false;
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string_view entry(*e);
      // A leading '=' belongs to the name (Windows' hidden "=C:" entries).
      const std::size_t eq = entry.find('=', 1);
      if (eq == std::string_view::npos) continue;
      const std::string_view entryName = entry.substr(0, eq);
      // Names are nearly always ASCII, the same in UTF-8 and ANSI: compared
      // as they stand, without a conversion per entry and lookup.
      if (IsAscii(entryName) ? !VariableNamesEqual(entryName, name)
                             : !VariableNamesEqual(Utf8ToAnsi(entryName), name)) {
        continue;
      }
      value = Utf8ToAnsi(entry.substr(eq + 1));
      return true;
    }
    return false;
  }
};

}  // namespace

std::string ExpandEnvironmentText(std::string_view text) {
  return ExpandReferences(text, ProcessEnvironment());
}

}  // namespace vindra::platform
