#include "core/registry_file_loader.h"

#include <algorithm>
#include <bit>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/charset.h"
#include "core/file_io.h"
#include "platform/text.h"

namespace vindra {
namespace {

// The detection reads the first 2048 bytes and never tests for UTF-8.
constexpr CharsetSettings kCharsetSettings{.probeLength = 2048, .utf8CheckDepth = 0};
// UTF-16 text is read and converted in pieces of this many code units, so the
// raw file is never held in memory beside its converted text.
constexpr std::size_t kUnitsPerChunk = std::size_t{1} << 20;

void CutAtNul(std::string& text) {
  if (const void* nul = std::memchr(text.data(), '\0', text.size())) {
    text.resize(static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
  }
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

// Appends UTF-16 units in the ANSI code page. Every ANSI code page maps the
// units below 0x80 to the same single bytes, and such runs are nearly all of
// a registry file, so they are narrowed here, sixteen at a time where the
// processor allows; the rest goes to the platform's conversion.
void AppendUnitsAsAnsi(const char16_t* units, std::size_t count, std::string& out) {
  char narrowed[8192];
  std::size_t n = 0;
  std::size_t i = 0;
  while (i < count) {
#if defined(__SSE2__)
    const __m128i nonAscii = _mm_set1_epi16(static_cast<short>(0xFF80));
    while (count - i >= 16 && n + 16 <= sizeof narrowed) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i + 8));
      const __m128i high = _mm_and_si128(_mm_or_si128(a, b), nonAscii);
      if (_mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) != 0xFFFF) break;
      _mm_storeu_si128(reinterpret_cast<__m128i*>(narrowed + n), _mm_packus_epi16(a, b));
      n += 16;
      i += 16;
    }
#endif
    if (n + 16 > sizeof narrowed) {
      out.append(narrowed, n);
      n = 0;
      continue;
    }
    if (i == count) break;
    if (units[i] < 0x80) {
      narrowed[n++] = static_cast<char>(units[i++]);
      continue;
    }
    out.append(narrowed, n);
    n = 0;
    std::size_t j = i;
    while (j < count && units[j] >= 0x80) ++j;
    platform::AppendWideToAnsi(units + i, j - i, out);
    i = j;
  }
  out.append(narrowed, n);
}

// The size of the file for reserving memory; 0 when it has none (a pipe).
std::uint64_t SizeHint(InputFile& file) {
  try {
    return file.Size();
  } catch (const FileOpenError&) {
    return 0;
  }
}

// The text of a UTF-16LE stream: `head` (bytes already read) followed by the
// rest of `file`. The first two bytes (the byte-order mark) are skipped
// unseen; when the last two bytes of the stream are 1A 00 (Ctrl-Z), the last
// unit is dropped; an odd last byte is ignored; a zero unit ends the text.
// Pieces are converted as they are read, holding back the last four bytes
// (the end of the stream decides about them) and a high surrogate whose
// partner has not been read yet.
std::string ReadUtf16Text(InputFile& file, std::string_view head) {
  std::string text;
  const std::uint64_t size = std::max<std::uint64_t>(SizeHint(file), head.size());
  if (size > 2) text.reserve(static_cast<std::size_t>((size - 2) / 2 + (size - 2) / 32));

  // Pieces of 1 Mi units; a small file gets a buffer of its own size (at
  // least 4 KiB, which holds the probe and always leaves units to convert).
  std::size_t pieceBytes = 2 * kUnitsPerChunk;
  if (size > 0 && size < pieceBytes) pieceBytes = std::max<std::size_t>(4096, (static_cast<std::size_t>(size) + 9) & ~std::size_t{1});
  const std::size_t kPieceBytes = pieceBytes;
  std::unique_ptr<char16_t[]> storage(new char16_t[kPieceBytes / 2 + 4]);
  auto* const bytes = reinterpret_cast<unsigned char*>(storage.get());
  if (!head.empty()) std::memcpy(bytes, head.data(), head.size());  // an empty view may hold no pointer
  std::size_t length = head.size();
  std::size_t skip = 2;  // the byte-order mark, still to be passed over
  bool atEnd = false;
  while (true) {
    if (!atEnd) {
      const std::size_t want = kPieceBytes - length;
      const std::size_t got = file.Read(bytes + length, want);
      length += got;
      atEnd = got < want;
    }
    const std::size_t begin = std::min(skip, length);
    skip -= begin;
    const std::size_t available = length - begin;
    std::size_t units;
    if (atEnd) {
      units = available / 2;
      const bool ctrlZ = length >= 2 && bytes[length - 2] == 0x1A && bytes[length - 1] == 0x00;
      if (ctrlZ && units > 0) --units;
    } else {
      units = available >= 4 ? (available - 4) / 2 : 0;
    }
    char16_t* const first = storage.get() + begin / 2;
    if constexpr (std::endian::native != std::endian::little) {
      for (std::size_t i = 0; i < units; ++i) {
        const unsigned char low = bytes[begin + 2 * i];
        const unsigned char high = bytes[begin + 2 * i + 1];
        first[i] = static_cast<char16_t>(low | (high << 8));
      }
    }
    if (!atEnd && units > 0 && IsHighSurrogate(first[units - 1])) --units;

    const std::size_t before = text.size();
    AppendUnitsAsAnsi(first, units, text);
    // A NUL ends the text: only a zero unit converts to a zero byte.
    if (const void* nul = std::memchr(text.data() + before, '\0', text.size() - before)) {
      text.resize(static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
      return text;
    }
    if (atEnd) return text;
    const std::size_t consumed = begin + 2 * units;
    std::memmove(bytes, bytes + consumed, length - consumed);
    length -= consumed;
  }
}

// The bytes of `head` followed by the rest of `file`, cut at the first NUL.
std::string Read8BitText(InputFile& file, std::string_view head) {
  std::string text;
  text.reserve(static_cast<std::size_t>(std::max<std::uint64_t>(SizeHint(file), head.size())));
  text.assign(head);
  bool nul = std::memchr(text.data(), '\0', text.size()) != nullptr;
  while (!nul) {
    const std::size_t room = text.capacity() - text.size();
    if (room == 0) {
      // The reserved size is read: a small read tells the end from a file
      // that grew (or a pipe), which then grows the text as it must.
      char more[65536];
      const std::size_t got = file.Read(more, sizeof more);
      text.append(more, got);
      nul = std::memchr(more, '\0', got) != nullptr;
      if (got < sizeof more) break;
      continue;
    }
    const std::size_t before = text.size();
    text.resize(before + room);
    const std::size_t got = file.Read(text.data() + before, room);
    text.resize(before + got);
    nul = std::memchr(text.data() + before, '\0', got) != nullptr;
    if (got < room) break;
  }
  CutAtNul(text);
  return text;
}

}  // namespace

std::string ReadFileHead(const std::string& fileName, std::size_t count) {
  std::string head;
  try {
    InputFile file;
    if (!file.Open(fileName)) return head;
    head.resize(count);
    head.resize(file.Read(head.data(), count));
  } catch (const FileOpenError&) {
    head.clear();
  }
  std::replace(head.begin(), head.end(), '\0', ' ');
  return head;
}

std::string LoadUtf16Text(const std::string& fileName) {
  InputFile file;
  file.OpenOrThrow(fileName);
  return ReadUtf16Text(file, {});
}

std::string Load8BitText(const std::string& fileName) {
  InputFile file;
  file.OpenOrThrow(fileName);
  return Read8BitText(file, {});
}

std::string LoadRegistryFileText(const std::string& fileName) {
  // The probe is read through the same handle as the rest, so that a pipe or
  // a device loses nothing to the detection.
  InputFile file;
  file.OpenOrThrow(fileName);
  std::string head(kCharsetSettings.probeLength, '\0');
  head.resize(file.Read(head.data(), head.size()));
  std::string probe = head;
  std::replace(probe.begin(), probe.end(), '\0', ' ');
  if (DetectCharset(probe, kCharsetSettings) == CharsetKind::Utf16LE) return ReadUtf16Text(file, head);
  return Read8BitText(file, head);
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  ForEachLine(text, [&lines](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

void LoadUtf16File(const std::string& fileName, std::vector<std::string>& lines) {
  lines = SplitLines(LoadUtf16Text(fileName));
}

void LoadRegistryFileLines(const std::string& fileName, std::vector<std::string>& lines) {
  lines = SplitLines(LoadRegistryFileText(fileName));
}

}  // namespace vindra
