// Environment expansion by the system: ExpandEnvironmentStringsA.
#include "platform/environment.h"

#include <windows.h>

#include <string>
#include <vector>

#include "platform/env_expand.h"
#include "platform/text.h"

namespace vindra::platform {

namespace {

// The system function works on counted UTF-16 strings of at most 32767
// characters and returns garbage or nothing beyond that; longer texts are
// expanded by the same rule here, looking each variable up in the system.
constexpr std::size_t kSystemLimit = 16000;

// Reads variables through the UTF-16 function: Wine's GetEnvironmentVariableA
// cuts a value with double-byte characters short.
class SystemEnvironment final : public VariableSource {
 public:
  bool Find(std::string_view name, std::string& value) const override {
    const std::u16string n = AnsiToWide(name);
    const auto* wideName = reinterpret_cast<const wchar_t*>(n.c_str());
    DWORD size = GetEnvironmentVariableW(wideName, nullptr, 0);
    if (size == 0) return false;
    std::u16string buffer;
    do {
      buffer.assign(static_cast<std::size_t>(size) + 1, u'\0');
      size = GetEnvironmentVariableW(wideName, reinterpret_cast<wchar_t*>(buffer.data()),
                                     static_cast<DWORD>(buffer.size()));
    } while (size >= buffer.size());
    buffer.resize(size);
    value = WideToAnsi(buffer);
    return true;
  }
};

}  // namespace

std::string ExpandEnvironmentText(std::string_view text) {
  const std::string source(text.substr(0, text.find('\0')));
  // Without a percent sign nothing can change; this saves two system calls
  // for each of the many string values of a large file.
  if (source.find('%') == std::string::npos) return source;
  if (source.size() >= kSystemLimit) return ExpandReferences(source, SystemEnvironment());
  // Ask for the size, then expand into twice that much: the size reported for
  // ANSI text may count characters rather than bytes.
  const DWORD needed = ExpandEnvironmentStringsA(source.c_str(), nullptr, 0);
  if (needed >= kSystemLimit) return ExpandReferences(source, SystemEnvironment());
  if (needed == 0) return std::string();
  std::vector<char> buffer(2 * static_cast<std::size_t>(needed) + 1, '\0');
  const DWORD size = static_cast<DWORD>(buffer.size() - 1);
  if (ExpandEnvironmentStringsA(source.c_str(), buffer.data(), size) == 0) return std::string();
  return std::string(buffer.data());
}

}  // namespace vindra::platform
