#include "app/startup.h"

#include "app/language_file.h"

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

}  // namespace vindra::app
