#include <langinfo.h>

#include <clocale>
#include <string>

#include "platform/terminal_encoding.h"
#include "platform/text.h"

namespace vindra::platform {

TerminalEncoding DetectTerminalEncoding() {
  // Only the code-set name is wanted: with a locale of its own in LC_CTYPE
  // the character classes of the C library would judge ANSI bytes by that
  // locale's rules.
  TerminalEncoding encoding;
  if (std::setlocale(LC_CTYPE, "") != nullptr) {
    const char* codeset = nl_langinfo(CODESET);
    if (codeset != nullptr) encoding = EncodingOfCodeset(codeset);
  }
  std::setlocale(LC_CTYPE, "C");
  return encoding;
}

std::string AnsiToTerminal(std::string_view ansi, TerminalEncoding encoding) {
  if (encoding.kind == TerminalEncoding::Kind::Utf8) return AnsiToUtf8(ansi);
  return std::string(ansi);
}

std::string TerminalToAnsi(std::string_view text, TerminalEncoding encoding) {
  if (encoding.kind == TerminalEncoding::Kind::Utf8) return Utf8ToAnsi(text);
  return std::string(text);
}

}  // namespace vindra::platform
