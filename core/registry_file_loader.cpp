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
constexpr std::size_t kUnitsPerChunk = std::size_t{1} << 17;
// 8-bit text is read in pieces of this many bytes.
constexpr std::size_t kBytesPerPiece = std::size_t{1} << 18;

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

// Writes UTF-16 units to `out` in the ANSI code page, or with `utf8` in
// UTF-8; `out` has room for three bytes a unit. Returns the end of what was
// written. Units below 0x80 are the same single bytes in both forms, and such
// runs are nearly all of a registry file, so they are narrowed here, sixteen at
// a time where the processor allows; the rest goes to the platform's conversion.
char* NarrowUnits(const char16_t* units, std::size_t count, bool utf8, char* out, std::string& scratch) {
  std::size_t i = 0;
  while (i < count) {
#if defined(__SSE2__)
    const __m128i nonAscii = _mm_set1_epi16(static_cast<short>(0xFF80));
    while (count - i >= 16) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i + 8));
      const __m128i high = _mm_and_si128(_mm_or_si128(a, b), nonAscii);
      if (_mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) != 0xFFFF) break;
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(a, b));
      out += 16;
      i += 16;
    }
#endif
    if (i == count) break;
    if (units[i] < 0x80) {
      *out++ = static_cast<char>(units[i++]);
      continue;
    }
    std::size_t j = i;
    while (j < count && units[j] >= 0x80) ++j;
    if (utf8) {
      scratch = platform::WideToUtf8(std::u16string_view(units + i, j - i));
    } else {
      scratch.clear();
      platform::AppendWideToAnsi(units + i, j - i, scratch);
    }
    std::memcpy(out, scratch.data(), scratch.size());
    out += scratch.size();
    i = j;
  }
  return out;
}

// The size of the file for reserving memory; 0 when it has none (a pipe).
std::uint64_t FileSizeHint(InputFile& file) {
  try {
    return file.Size();
  } catch (const FileOpenError&) {
    return 0;
  }
}

using PieceSink = std::function<void(std::string_view)>;

// The text of a UTF-16LE stream: `head` (bytes already read) followed by the
// rest of `file`, handed to `onPiece` as it is converted. The first two bytes
// (the byte-order mark) are skipped unseen; when the last two bytes of the
// stream are 1A 00 (Ctrl-Z), the last unit is dropped; an odd last byte is
// ignored; a zero unit ends the text. Each piece read is converted whole but
// for the last four bytes (the end of the stream decides about them) and a
// high surrogate whose partner has not been read yet.
void ReadUtf16Text(InputFile& file, std::string_view head, RegistryTextForm form, const PieceSink& onPiece) {
  // A small file gets a buffer of its own size (at least 4 KiB, which holds
  // the probe and always leaves units to convert).
  const std::uint64_t size = std::max<std::uint64_t>(FileSizeHint(file), head.size());
  std::size_t pieceBytes = 2 * kUnitsPerChunk;
  if (size > 0 && size < pieceBytes) {
    pieceBytes = std::max<std::size_t>(4096, (static_cast<std::size_t>(size) + 9) & ~std::size_t{1});
  }
  std::unique_ptr<char16_t[]> storage(new char16_t[pieceBytes / 2 + 4]);
  // Three bytes a unit at most (UTF-8; the ANSI code page takes two).
  std::unique_ptr<char[]> text(new char[pieceBytes / 2 * 3 + 64]);
  const bool utf8 = form == RegistryTextForm::Exact;
  std::string scratch;
  auto* const bytes = reinterpret_cast<unsigned char*>(storage.get());
  if (!head.empty()) std::memcpy(bytes, head.data(), head.size());  // an empty view may hold no pointer
  std::size_t length = head.size();
  std::size_t skip = 2;  // the byte-order mark, still to be passed over
  bool atEnd = false;
  while (true) {
    if (!atEnd) {
      const std::size_t want = pieceBytes - length;
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

    const char* const end = NarrowUnits(first, units, utf8, text.get(), scratch);
    std::size_t converted = static_cast<std::size_t>(end - text.get());
    // A NUL ends the text: only a zero unit converts to a zero byte.
    const void* nul = std::memchr(text.get(), '\0', converted);
    if (nul != nullptr) converted = static_cast<std::size_t>(static_cast<const char*>(nul) - text.get());
    if (converted > 0) onPiece(std::string_view(text.get(), converted));
    if (nul != nullptr || atEnd) return;
    const std::size_t consumed = begin + 2 * units;
    std::memmove(bytes, bytes + consumed, length - consumed);
    length -= consumed;
  }
}

// The bytes of `head` followed by the rest of `file`, up to the first NUL,
// handed to `onPiece` as they are read.
void Read8BitText(InputFile& file, std::string_view head, const PieceSink& onPiece) {
  // Stops at a NUL in `piece`, after handing out what precedes it.
  auto hand = [&onPiece](std::string_view piece) {
    const void* nul = piece.empty() ? nullptr : std::memchr(piece.data(), '\0', piece.size());
    if (nul != nullptr) piece = piece.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - piece.data()));
    if (!piece.empty()) onPiece(piece);
    return nul == nullptr;
  };
  if (!hand(head)) return;
  const std::uint64_t size = FileSizeHint(file);
  const std::size_t pieceBytes = size > 0 && size < kBytesPerPiece ? std::max<std::size_t>(4096, static_cast<std::size_t>(size) + 1) : kBytesPerPiece;
  std::unique_ptr<char[]> buffer(new char[pieceBytes]);
  while (true) {
    const std::size_t got = file.Read(buffer.get(), pieceBytes);
    if (!hand(std::string_view(buffer.get(), got)) || got < pieceBytes) return;
  }
}

// The whole text in one string, reserved once for `expected` bytes.
std::string Collect(std::uint64_t expected, const std::function<void(const PieceSink&)>& read) {
  std::string text;
  text.reserve(static_cast<std::size_t>(expected));
  read([&text](std::string_view piece) { text.append(piece); });
  return text;
}

// UTF-16 text: half the bytes, and a little more for double-byte characters.
std::uint64_t Utf16TextSize(std::uint64_t fileSize) { return fileSize > 2 ? (fileSize - 2) / 2 + (fileSize - 2) / 32 : 0; }

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
  return Collect(Utf16TextSize(FileSizeHint(file)),
                 [&file](const PieceSink& sink) { ReadUtf16Text(file, {}, RegistryTextForm::Ansi, sink); });
}

std::string Load8BitText(const std::string& fileName) {
  InputFile file;
  file.OpenOrThrow(fileName);
  return Collect(FileSizeHint(file), [&file](const PieceSink& sink) { Read8BitText(file, {}, sink); });
}

RegistryFileReader::RegistryFileReader(const std::string& fileName) {
  file_.OpenOrThrow(fileName);
  // The probe is read through the same handle as the rest, so that a pipe or
  // a device loses nothing to the detection.
  head_.resize(kCharsetSettings.probeLength);
  head_.resize(file_.Read(head_.data(), head_.size()));
  std::string probe = head_;
  std::replace(probe.begin(), probe.end(), '\0', ' ');
  encoding_ = DetectCharset(probe, kCharsetSettings) == CharsetKind::Utf16LE ? RegistryFileEncoding::Utf16LE
                                                                             : RegistryFileEncoding::Ansi;
}

RegistryFileReader::~RegistryFileReader() = default;

std::uint64_t RegistryFileReader::SizeHint() { return FileSizeHint(file_); }

void RegistryFileReader::Read(RegistryTextForm form, const std::function<void(std::string_view)>& onPiece) {
  const std::string head = std::move(head_);
  head_.clear();
  if (encoding_ == RegistryFileEncoding::Utf16LE) {
    ReadUtf16Text(file_, head, form, onPiece);
  } else {
    Read8BitText(file_, head, onPiece);
  }
}

std::string LoadRegistryFileText(const std::string& fileName) {
  RegistryFileReader reader(fileName);
  // Reserved for the larger of the two readings: the 8-bit one.
  return Collect(reader.SizeHint(),
                 [&reader](const PieceSink& sink) { reader.Read(RegistryTextForm::Ansi, sink); });
}

RegistryFileEncoding ReadRegistryFileText(const std::string& fileName,
                                          const std::function<void(std::string_view)>& onPiece) {
  RegistryFileReader reader(fileName);
  reader.Read(RegistryTextForm::Ansi, onPiece);
  return reader.Encoding();
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  ForEachLine(text, [&lines](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

void LoadUtf16File(const std::string& fileName, std::vector<std::string>& lines) {
  lines = SplitLines(LoadUtf16Text(fileName));
}

RegistryFileEncoding LoadRegistryFileLines(const std::string& fileName, std::vector<std::string>& lines,
                                           RegistryTextForm form) {
  RegistryFileReader reader(fileName);
  std::vector<std::string> loaded;
  LineSplitter splitter;
  const auto addLine = [&loaded](std::string_view line) { loaded.emplace_back(line); };
  reader.Read(form, [&](std::string_view piece) { splitter.Feed(piece, addLine); });
  splitter.Finish(addLine);
  lines.swap(loaded);
  return reader.Encoding();
}

}  // namespace vindra
