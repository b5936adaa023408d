// Conversion between UTF-16 and the ANSI code page. The ANSI code page is the
// system's on Windows and CP932 (Windows Shift-JIS) elsewhere. This is the one
// place that converts between code pages.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vindra::platform {

// UTF-16LE code units to ANSI text. A character the code page lacks becomes the
// code page's default character ("?"); no best-fit look-alikes.
std::string WideToAnsi(std::u16string_view text);

// Appends the conversion of `count` code units to `out` (for large texts).
void AppendWideToAnsi(const char16_t* units, std::size_t count, std::string& out);

// ANSI text to UTF-16.
std::u16string AnsiToWide(std::string_view text);

// True when the byte starts a double-byte character of the ANSI code page.
bool IsAnsiLeadByte(unsigned char byte);

// The ANSI code page number (932 on POSIX).
unsigned AnsiCodePage();

}  // namespace vindra::platform
