#include "core/registry_file_loader.h"

#include <algorithm>
#include <bit>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/charset.h"
#include "core/file_io.h"
#include "platform/codepage.h"

namespace vindra {
namespace {

constexpr int kProbeLength = 2048;
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
  const std::uint64_t size = file.Size();
  std::string text;
  if (size <= 2) return text;

  std::uint64_t units = (size - 2) / 2;
  unsigned char tail[2] = {0, 0};
  file.Seek(size - 2);
  if (file.Read(tail, 2) == 2 && tail[0] == 0x1A && tail[1] == 0x00 && units > 0) --units;
  file.Seek(2);

  // Mostly single-byte text: one byte per unit; double-byte characters grow it.
  text.reserve(static_cast<std::size_t>(units) + static_cast<std::size_t>(units / 16));
  std::unique_ptr<char16_t[]> buffer(new char16_t[kUnitsPerChunk + 1]);
  std::size_t carried = 0;  // a high surrogate held back from the previous piece
  std::uint64_t left = units;
  while (left > 0) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, kUnitsPerChunk));
    char16_t* const units16 = buffer.get() + carried;
    const std::size_t got = file.Read(units16, want * 2) / 2;
    left = got < want ? 0 : left - want;
    if constexpr (std::endian::native != std::endian::little) {
      const auto* bytes = reinterpret_cast<const unsigned char*>(units16);
      for (std::size_t i = 0; i < got; ++i) {
        const unsigned char low = bytes[2 * i];
        const unsigned char high = bytes[2 * i + 1];
        units16[i] = static_cast<char16_t>(low | (high << 8));
      }
    }
    std::size_t count = carried + got;
    carried = 0;
    if (left > 0 && count > 0 && IsHighSurrogate(buffer[count - 1])) {
      carried = 1;
      --count;
    }
    const std::size_t before = text.size();
    AppendUnitsAsAnsi(buffer.get(), count, text);
    // A NUL ends the text: only a zero unit converts to a zero byte.
    if (const void* nul = std::memchr(text.data() + before, '\0', text.size() - before)) {
      text.resize(static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
      return text;
    }
    if (carried) buffer[0] = buffer[count];
  }
  return text;
}

std::string Load8BitText(const std::string& fileName) {
  InputFile file;
  file.OpenOrThrow(fileName);
  std::string text;
  const std::uint64_t size = file.Size();
  text.resize(static_cast<std::size_t>(size));
  text.resize(file.Read(text.data(), text.size()));
  // A file that grew since its size was taken is read to its new end.
  char more[65536];
  while (const std::size_t n = file.Read(more, sizeof more)) text.append(more, n);
  CutAtNul(text);
  return text;
}

std::string LoadRegistryFileText(const std::string& fileName) {
  ProbeLength = kProbeLength;
  const std::string probe = ReadFileHead(fileName, static_cast<std::size_t>(ProbeLength));
  if (DetectCharset(probe) == CharsetKind::Utf16LE) return LoadUtf16Text(fileName);
  return Load8BitText(fileName);
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
