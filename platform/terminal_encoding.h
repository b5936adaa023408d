// The encoding of the user's terminal, for the messages of the command-line
// tool. Program text is ANSI (see text.h); a terminal may expect UTF-8, the
// ANSI code page, or (a Windows console) yet another code page.
#pragma once

#include <string>
#include <string_view>

#include "platform/text.h"

namespace vindra::platform {

struct TerminalEncoding {
  enum class Kind {
    Ansi,      // the ANSI code page: bytes as the program holds them
    Utf8,      // UTF-8
    CodePage,  // another Windows code page, in `codePage`
  };
  Kind kind = Kind::Ansi;
  unsigned codePage = 0;
};

// POSIX: the character set of the locale the environment selects (LC_ALL,
// LC_CTYPE, LANG), through setlocale(LC_CTYPE, "") and nl_langinfo(CODESET):
// UTF-8 for a UTF-8 locale, ANSI for any other. LC_CTYPE is set back to "C"
// afterwards, so that the rest of the program keeps treating text as bytes.
// Windows: the console's output code page when standard error is a console
// (GetConsoleOutputCP), else the ANSI code page.
TerminalEncoding DetectTerminalEncoding();

// The encoding a POSIX code-set name stands for: UTF-8 for "UTF-8" and
// "utf8" in any letter case, ANSI for any other name.
inline TerminalEncoding EncodingOfCodeset(std::string_view codeset) {
  std::string name;
  for (char c : codeset) {
    if (c != '-' && c != '_') name.push_back(AsciiLower(c));
  }
  TerminalEncoding encoding;
  if (name == "utf8") encoding.kind = TerminalEncoding::Kind::Utf8;
  return encoding;
}

// ANSI text in the terminal's encoding. Characters the terminal's code page
// lacks become its default character.
std::string AnsiToTerminal(std::string_view ansi, TerminalEncoding encoding);

// Text typed on the terminal (a command-line argument) in the ANSI code page.
// POSIX: a UTF-8 terminal's well-formed UTF-8 is converted, anything else
// stays as given. Windows: arguments already arrive in the ANSI code page.
std::string TerminalToAnsi(std::string_view text, TerminalEncoding encoding);

}  // namespace vindra::platform
