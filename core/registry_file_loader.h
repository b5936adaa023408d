// Loading a registry export file as 8-bit lines in the ANSI code page: UTF-16LE
// files with a byte-order mark are converted, every other file is taken byte
// for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/file_io.h"

namespace vindra {

// How a registry file's text is stored, as the character-set detector decides
// from its first 2048 bytes: UTF-16LE with a byte-order mark, or 8-bit text
// (anything else, taken byte for byte). The encoding, not the header line,
// also decides how the bytes of hex(2): and hex(7): data are text: UTF-16LE
// code units in a UTF-16LE file, ANSI characters in an 8-bit file.
enum class RegistryFileEncoding { Ansi, Utf16LE };

// The form in which a UTF-16LE file's text is handed out: converted to the
// ANSI code page (a character the code page lacks becomes "?"), or in UTF-8,
// which keeps every character. An 8-bit file is taken byte for byte in both.
enum class RegistryTextForm { Ansi, Exact };

// A registry file opened and classified: the encoding is known before any of
// the text is read.
class RegistryFileReader {
 public:
  // Opens the file and reads its first 2048 bytes. Throws FileOpenError.
  explicit RegistryFileReader(const std::string& fileName);
  ~RegistryFileReader();
  RegistryFileReader(const RegistryFileReader&) = delete;
  RegistryFileReader& operator=(const RegistryFileReader&) = delete;

  RegistryFileEncoding Encoding() const { return encoding_; }
  // The file's size for reserving memory; 0 when it has none (a pipe).
  std::uint64_t SizeHint();
  // Hands out the whole text in consecutive pieces (none of them empty), as
  // LoadRegistryFileText describes it, in `form`. Call it once. Throws
  // FileOpenError, possibly after some pieces were handed out.
  void Read(RegistryTextForm form, const std::function<void(std::string_view)>& onPiece);

 private:
  InputFile file_;
  std::string head_;
  RegistryFileEncoding encoding_ = RegistryFileEncoding::Ansi;
};

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

// The text that LoadRegistryFileText gives, handed out in consecutive pieces
// (`onPiece(std::string_view)`, none of them empty) while the file is read, so
// that neither the file nor its whole text is ever held in memory. Returns the
// file's encoding. Throws FileOpenError, possibly after some pieces were
// handed out.
RegistryFileEncoding ReadRegistryFileText(const std::string& fileName,
                                          const std::function<void(std::string_view)>& onPiece);

// The first CR or LF at or after `p`, or `end`. Eight bytes at a time: lines
// are short and many, so a library call per line would cost more than the scan.
inline const char* FindLineBreak(const char* p, const char* end) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  constexpr std::uint64_t kHighs = 0x8080808080808080ull;
  while (end - p >= 8) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    const std::uint64_t lf = v ^ (kOnes * '\n');
    const std::uint64_t cr = v ^ (kOnes * '\r');
    if ((((lf - kOnes) & ~lf) | ((cr - kOnes) & ~cr)) & kHighs) break;
    p += 8;
  }
  while (p < end && *p != '\n' && *p != '\r') ++p;
  return p;
}

// The line rule: lines end at CR, LF or CR LF (LF CR is two ends); the
// terminators are not part of a line; a NUL ends the text; a terminator at the
// very end adds no empty line. Calls `onLine(std::string_view)` for each line.
template <typename OnLine>
void ForEachLine(std::string_view text, OnLine&& onLine) {
  if (text.empty()) return;
  if (const void* nul = std::memchr(text.data(), '\0', text.size())) {
    text = text.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
  }
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end) {
    const char* stop = FindLineBreak(p, end);
    onLine(std::string_view(p, static_cast<std::size_t>(stop - p)));
    if (stop == end) break;
    p = (*stop == '\r' && stop + 1 < end && stop[1] == '\n') ? stop + 2 : stop + 1;
  }
}

// The line rule over a text that arrives in pieces: Feed each piece in order,
// then Finish; `onLine(std::string_view)` sees the lines ForEachLine would see
// in the pieces joined. A piece must hold no NUL (the loaders cut there). Only
// a line that spans pieces is copied.
class LineSplitter {
 public:
  template <typename OnLine>
  void Feed(std::string_view piece, OnLine&& onLine) {
    const char* p = piece.data();
    const char* const end = p + piece.size();
    if (p == end) return;
    if (afterCr_ && *p == '\n') ++p;  // the LF of a CR LF split between pieces
    afterCr_ = false;
    if (!carry_.empty() && p < end) {
      const char* stop = FindLineBreak(p, end);
      carry_.append(p, static_cast<std::size_t>(stop - p));
      if (stop == end) return;
      onLine(std::string_view(carry_));
      carry_.clear();
      p = PastBreak(stop, end);
    }
    while (p < end) {
      const char* stop = FindLineBreak(p, end);
      if (stop == end) {
        carry_.assign(p, static_cast<std::size_t>(end - p));
        return;
      }
      onLine(std::string_view(p, static_cast<std::size_t>(stop - p)));
      p = PastBreak(stop, end);
    }
  }
  template <typename OnLine>
  void Finish(OnLine&& onLine) {
    if (!carry_.empty()) onLine(std::string_view(carry_));
    carry_.clear();
    afterCr_ = false;
  }

 private:
  // Past the terminator at `stop`; a CR at the end of the piece may still be
  // the first half of a CR LF.
  const char* PastBreak(const char* stop, const char* end) {
    if (*stop == '\r') {
      if (stop + 1 == end) {
        afterCr_ = true;
        return end;
      }
      if (stop[1] == '\n') return stop + 2;
    }
    return stop + 1;
  }

  std::string carry_;
  bool afterCr_ = false;
};

// The lines of `text` by the line rule.
std::vector<std::string> SplitLines(std::string_view text);

// Replaces `lines` with the lines of a UTF-16LE file with a byte-order mark.
// Throws FileOpenError, leaving `lines` as it was.
void LoadUtf16File(const std::string& fileName, std::vector<std::string>& lines);

// Replaces `lines` with the lines of a registry file (UTF-16LE converted to
// `form`, anything else byte for byte) and returns the file's encoding.
// Throws FileOpenError, leaving `lines` as it was.
RegistryFileEncoding LoadRegistryFileLines(const std::string& fileName, std::vector<std::string>& lines,
                                           RegistryTextForm form = RegistryTextForm::Ansi);

}  // namespace vindra
