// Loading a registry export file as 8-bit lines in the ANSI code page: UTF-16LE
// files with a byte-order mark are converted, every other file is taken byte
// for byte.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace vindra {

// Up to `count` bytes from the start of the file, NUL bytes replaced by
// spaces; empty when the file is empty or cannot be read. Never throws.
std::string ReadFileHead(const std::string& fileName, std::size_t count);

// The whole text of a UTF-16LE file with a byte-order mark, converted to the
// ANSI code page: the mark skipped, a final Ctrl-Z unit and an odd last byte
// dropped, and the text cut at its first NUL. Throws FileOpenError.
std::string LoadUtf16Text(const std::string& fileName);

// The whole text of a file, bytes as they stand, cut at its first NUL.
// Throws FileOpenError.
std::string Load8BitText(const std::string& fileName);

// Detects the file's character set from its first 2048 bytes and loads it
// with LoadUtf16Text or Load8BitText. Throws FileOpenError.
std::string LoadRegistryFileText(const std::string& fileName);

// The line rule: lines end at CR, LF or CR LF (LF CR is two ends); the
// terminators are not part of a line; a NUL ends the text; a terminator at the
// very end adds no empty line. Calls `onLine(std::string_view)` for each line.
template <typename OnLine>
void ForEachLine(std::string_view text, OnLine&& onLine) {
  if (const void* nul = std::memchr(text.data(), '\0', text.size())) {
    text = text.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
  }
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end) {
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    const char* stop = lf != nullptr ? lf : end;
    const char* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(stop - p)));
    if (cr != nullptr) {
      onLine(std::string_view(p, static_cast<std::size_t>(cr - p)));
      p = (cr + 1 < end && cr[1] == '\n') ? cr + 2 : cr + 1;
    } else {
      onLine(std::string_view(p, static_cast<std::size_t>(stop - p)));
      p = stop + (lf != nullptr ? 1 : 0);
    }
  }
}

// The lines of `text` by the line rule.
std::vector<std::string> SplitLines(std::string_view text);

// Replaces `lines` with the lines of a UTF-16LE file with a byte-order mark.
// Throws FileOpenError, leaving `lines` as it was.
void LoadUtf16File(const std::string& fileName, std::vector<std::string>& lines);

// Replaces `lines` with the lines of a registry file (UTF-16LE converted,
// anything else byte for byte). Throws FileOpenError, leaving `lines` as it was.
void LoadRegistryFileLines(const std::string& fileName, std::vector<std::string>& lines);

}  // namespace vindra
