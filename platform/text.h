// Text in this program and every conversion between its three forms:
//  - ANSI: bytes in the ANSI code page, the form of all registry and INF text.
//    The code page is the system's on Windows and CP932 (Windows Shift-JIS)
//    elsewhere; a character may take one byte or two (lead and trail byte).
//  - UTF-16 ("wide"): what the Win32 calls take and give.
//  - UTF-8: terminals, file names and the environment on POSIX.
// Nothing outside this module converts between them.
//
// Validity rules, the same for every conversion:
//  - UTF-8 is well-formed as Unicode defines it: no overlong forms, no encoded
//    surrogates (ED A0..ED BF), nothing above U+10FFFF, no truncated sequence.
//  - Decoding UTF-8 turns each ill-formed piece (the longest start of a valid
//    sequence, or else one byte) into one U+FFFD.
//  - A UTF-16 surrogate that is not part of a pair becomes U+FFFD in UTF-8.
//  - A character the ANSI code page lacks becomes its default character ("?");
//    no best-fit look-alikes (a yen sign never becomes a backslash).
//  - Utf8ToAnsi takes text that is not well-formed UTF-8 to be ANSI already
//    and keeps it as it is, since such text (a command-line argument, an
//    environment entry) can come in either form.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vindra::platform {

// --- ANSI and UTF-16 -------------------------------------------------------

// UTF-16 code units to ANSI text.
std::string WideToAnsi(std::u16string_view text);

// Appends the conversion of `count` code units to `out` (for large texts).
void AppendWideToAnsi(const char16_t* units, std::size_t count, std::string& out);

// ANSI text to UTF-16.
std::u16string AnsiToWide(std::string_view text);

// True when the byte starts a double-byte character of the ANSI code page.
bool IsAnsiLeadByte(unsigned char byte);

// The ANSI code page number (932 on POSIX).
unsigned AnsiCodePage();

// Length in bytes of the ANSI character that starts at `pos` (< text.size()):
// 2 for a lead byte followed by a byte that can be a trail byte (0x40 or
// above), else 1. A byte below 0x40 ("\0", "/", ".", ":", "=") is never a
// trail byte, so a lead byte before one stands alone.
std::size_t CharLengthAt(std::string_view text, std::size_t pos);

// --- UTF-8 -----------------------------------------------------------------

// True when `text` is well-formed UTF-8 (ASCII included).
bool IsValidUtf8(std::string_view text);

// UTF-8 to UTF-16; ill-formed pieces become U+FFFD.
std::u16string Utf8ToWide(std::string_view text);

// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string WideToUtf8(std::u16string_view text);

// ANSI text to UTF-8.
std::string AnsiToUtf8(std::string_view text);

// Well-formed UTF-8 to ANSI; any other text is returned unchanged.
std::string Utf8ToAnsi(std::string_view text);

// --- ASCII letter case -----------------------------------------------------
// Only A-Z and a-z change; every other byte, a trail byte included, stays.

constexpr char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }
constexpr char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c; }

}  // namespace vindra::platform
