// Code-page conversion by the system: WideCharToMultiByte and
// MultiByteToWideChar with the ANSI code page.
#include "platform/text.h"

#include <windows.h>

#include <algorithm>

namespace vindra::platform {

namespace {

// Units per system call: large enough to amortise the call, small enough for
// the int sizes of the API.
constexpr std::size_t kChunkUnits = 1 << 20;

DWORD NoBestFitFlags() {
  // UTF-8 and UTF-7 reject every flag; all other code pages take this one so
  // that a character the code page lacks becomes its default character
  // instead of a look-alike (a best-fit yen sign would become a backslash).
  const UINT cp = GetACP();
  return (cp == CP_UTF8 || cp == CP_UTF7) ? 0 : WC_NO_BEST_FIT_CHARS;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

}  // namespace

void AppendWideToAnsi(const char16_t* units, std::size_t count, std::string& out) {
  static const DWORD flags = NoBestFitFlags();
  while (count > 0) {
    std::size_t n = std::min(count, kChunkUnits);
    // Never split a surrogate pair between two calls.
    if (n < count && IsHighSurrogate(units[n - 1])) --n;
    const auto* w = reinterpret_cast<const wchar_t*>(units);
    const int needed = WideCharToMultiByte(CP_ACP, flags, w, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
    const std::size_t start = out.size();
    int written = 0;
    if (needed > 0) {
      out.resize(start + static_cast<std::size_t>(needed));
      written = WideCharToMultiByte(CP_ACP, flags, w, static_cast<int>(n), out.data() + start, needed, nullptr,
                                    nullptr);
    }
    // The system refused the piece: keep its length rather than lose it.
    if (written <= 0) out.resize(start + n, '?'); else out.resize(start + static_cast<std::size_t>(written));
    units += n;
    count -= n;
  }
}

std::u16string AnsiToWide(std::string_view text) {
  std::u16string out;
  const char* p = text.data();
  std::size_t count = text.size();
  while (count > 0) {
    std::size_t n = std::min(count, kChunkUnits);
    if (n < count) {
      // End the chunk on a character boundary: walk the characters.
      std::size_t i = 0, last = 0;
      while (i < n) {
        last = i;
        i += IsDBCSLeadByte(static_cast<BYTE>(p[i])) ? 2 : 1;
      }
      n = i > n ? last : i;
      if (n == 0) n = std::min(count, kChunkUnits);
    }
    const int needed = MultiByteToWideChar(CP_ACP, 0, p, static_cast<int>(n), nullptr, 0);
    const std::size_t start = out.size();
    int written = 0;
    if (needed > 0) {
      out.resize(start + static_cast<std::size_t>(needed));
      written = MultiByteToWideChar(CP_ACP, 0, p, static_cast<int>(n), reinterpret_cast<wchar_t*>(out.data() + start),
                                    needed);
    }
    if (written <= 0) out.resize(start + n, u'\x30FB'); else out.resize(start + static_cast<std::size_t>(written));
    p += n;
    count -= n;
  }
  return out;
}

bool IsAnsiLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

unsigned AnsiCodePage() { return GetACP(); }

}  // namespace vindra::platform
