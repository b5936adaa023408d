#include "app/startup.h"

#include "app/language_file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace vindra::app {
namespace {

std::string& LanguageFileStorage() {
  static std::string path;
  return path;
}

}  // namespace

const std::string& LanguageFile() { return LanguageFileStorage(); }

std::string PrepareLanguage(std::string_view executable_path, MessageTable& messages) {
  // Without the executable's path there is no language file: ".rsl" alone
  // would name a file in whatever the current folder is.
  std::string path = executable_path.empty() ? std::string() : LanguageFilePathFor(executable_path);
  messages.SetDefaults();
  messages.OverrideFromLanguageFile(path);
  return path;
}

int StartUp(std::string_view executable_path, ApplicationShell& shell) {
  LanguageFileStorage() = PrepareLanguage(executable_path, Messages());
  shell.SetApplicationTitle(kApplicationTitle);
  return shell.RunMainWindow();
}

std::string ExecutablePath() {
#ifdef _WIN32
  // Long paths: grow the buffer until the name fits.
  std::string buffer(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
#else
  std::string buffer(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) return {};
  buffer.resize(static_cast<std::size_t>(n));
  return buffer;
#endif
}

}  // namespace vindra::app
