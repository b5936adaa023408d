// The program's start-up sequence, independent of the windowing toolkit: the
// Win32 entry point hands in the executable's path and a shell that sets the
// application title and runs the main window.
#pragma once

#include <string>
#include <string_view>

#include "app/message_table.h"

namespace vindra::app {

inline constexpr std::string_view kApplicationTitle = "Vindra";

// What start-up needs of the windowing toolkit.
class ApplicationShell {
 public:
  virtual ~ApplicationShell() = default;
  // Initialises the application and sets its title (shown on the task bar).
  virtual void SetApplicationTitle(std::string_view title) = 0;
  // Creates the main window and runs the message loop until it closes;
  // returns the process exit code.
  virtual int RunMainWindow() = 0;
};

// The process-wide language file path, set once by StartUp.
const std::string& LanguageFile();

// Computes the language file path from `executable_path`, fills `messages`
// with the Japanese defaults and overrides them from the file's "Strings"
// section when it is present. Returns the language file path (empty, and so
// never present, when the executable's path is not known).
std::string PrepareLanguage(std::string_view executable_path, MessageTable& messages);

// The whole start-up: PrepareLanguage into the process-wide path and table,
// then the application title "Vindra", then the main window and its message
// loop. Returns the main window's exit code.
int StartUp(std::string_view executable_path, ApplicationShell& shell);

}  // namespace vindra::app
