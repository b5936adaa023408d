#include <windows.h>

#include <string>

#include "platform/terminal_encoding.h"
#include "platform/text.h"

namespace vindra::platform {

TerminalEncoding DetectTerminalEncoding() {
  TerminalEncoding encoding;
  DWORD mode = 0;
  if (!GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode)) return encoding;  // a file or a pipe
  const UINT codePage = GetConsoleOutputCP();
  if (codePage == CP_UTF8) {
    encoding.kind = TerminalEncoding::Kind::Utf8;
  } else if (codePage != 0 && codePage != GetACP()) {
    encoding.kind = TerminalEncoding::Kind::CodePage;
    encoding.codePage = codePage;
  }
  return encoding;
}

std::string AnsiToTerminal(std::string_view ansi, TerminalEncoding encoding) {
  switch (encoding.kind) {
    case TerminalEncoding::Kind::Ansi:
      break;
    case TerminalEncoding::Kind::Utf8:
      return AnsiToUtf8(ansi);
    case TerminalEncoding::Kind::CodePage: {
      const std::u16string wide = AnsiToWide(ansi);
      if (wide.empty()) return {};
      const auto* units = reinterpret_cast<const wchar_t*>(wide.data());
      const int unitCount = static_cast<int>(wide.size());
      const int size = WideCharToMultiByte(encoding.codePage, 0, units, unitCount, nullptr, 0, nullptr, nullptr);
      if (size <= 0) break;
      std::string out(static_cast<std::size_t>(size), '\0');
      WideCharToMultiByte(encoding.codePage, 0, units, unitCount, out.data(), size, nullptr, nullptr);
      return out;
    }
  }
  return std::string(ansi);
}

std::string TerminalToAnsi(std::string_view text, TerminalEncoding) { return std::string(text); }

}  // namespace vindra::platform
