// Speed of the platform layer on the sizes the converters meet: a 150 MB
// UTF-16 registry file, 100 000 sibling names, a million string values.
// Usage: platform_bench [megabytes of UTF-16 text, default 150]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifndef _WIN32
#include <iconv.h>
#endif

#include "platform/collate.h"
#include "platform/text.h"
#include "platform/environment.h"

using namespace vindra::platform;
using Clock = std::chrono::steady_clock;

static double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// Registry-file-like text: ASCII key and value lines with some Japanese.
static std::u16string SampleText(std::size_t units) {
  const std::u16string line =
      u"\"DisplayName\"=\"設定ファイル C:\\\\Program Files\\\\表示\\\\app.exe\"\r\n"
      u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\アプリ\\Settings]\r\n";
  std::u16string text;
  text.reserve(units + line.size());
  while (text.size() < units) text += line;
  text.resize(units);
  return text;
}

// Converts `text` with the platform layer and, on POSIX, with glibc iconv.
static std::string MeasureConversion(const char* what, const std::u16string& text) {
  const double mb = static_cast<double>(text.size()) * 2 / (1024 * 1024);
  auto t = Clock::now();
  std::string ansi;
  AppendWideToAnsi(text.data(), text.size(), ansi);
  const double convert = Seconds(t);
  std::printf("AppendWideToAnsi, %s: %.0f MB UTF-16 in %.3f s (%.0f MB/s), %zu bytes out\n", what, mb, convert,
              mb / convert, ansi.size());
#ifndef _WIN32
  iconv_t cd = iconv_open("CP932", "UTF-16LE");
  if (cd != reinterpret_cast<iconv_t>(-1)) {
    std::string out(text.size() * 2, '\0');
    char* in = const_cast<char*>(reinterpret_cast<const char*>(text.data()));
    std::size_t inLeft = text.size() * 2, outLeft = out.size();
    char* o = out.data();
    t = Clock::now();
    const std::size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
    const double viaIconv = Seconds(t);
    if (r == static_cast<std::size_t>(-1) || inLeft != 0) std::printf("iconv stopped with %zu bytes left\n", inLeft);
    std::printf("  glibc iconv, same text: %.3f s (%.0f MB/s); the table is %.1fx as fast\n", viaIconv,
                mb / viaIconv, viaIconv / convert);
    iconv_close(cd);
  }
#endif
  return ansi;
}

int main(int argc, char** argv) {
  const double megabytes = argc > 1 ? std::atof(argv[1]) : 150.0;
  const std::size_t units = static_cast<std::size_t>(megabytes * 1024 * 1024 / 2);
  auto start = Clock::now();
  WideToAnsi(u"x");  // builds the conversion tables
  std::printf("first conversion (builds the tables): %.3f s\n", Seconds(start));
  const std::string ansi = MeasureConversion("registry text", SampleText(units));
  {
    // Every kanji with lead bytes 89-97, over and over.
    std::string kanji;
    for (unsigned lead = 0x89; lead <= 0x97; ++lead) {
      for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
        if (trail == 0x7F) continue;
        kanji += static_cast<char>(lead);
        kanji += static_cast<char>(trail);
      }
    }
    const std::u16string block = AnsiToWide(kanji);
    std::u16string japanese;
    japanese.reserve(units + block.size());
    while (japanese.size() < units) japanese += block;
    MeasureConversion("kanji only", japanese);
  }

  auto t = Clock::now();
  const std::u16string back = AnsiToWide(ansi);
  const double decode = Seconds(t);
  std::printf("AnsiToWide: %.0f MB in %.3f s (%.0f MB/s)\n", static_cast<double>(ansi.size()) / (1024 * 1024),
              decode, static_cast<double>(ansi.size()) / (1024 * 1024) / decode);

  // UTF-8 for a terminal (vindra-cli --encoding utf-8) and back.
  t = Clock::now();
  const std::string utf8 = AnsiToUtf8(ansi);
  const double toUtf8 = Seconds(t);
  t = Clock::now();
  const std::string again = Utf8ToAnsi(utf8);
  const double fromUtf8 = Seconds(t);
  std::printf("AnsiToUtf8: %.0f MB in %.3f s (%.0f MB/s); Utf8ToAnsi back in %.3f s (%.0f MB/s)%s\n",
              static_cast<double>(ansi.size()) / (1024 * 1024), toUtf8,
              static_cast<double>(ansi.size()) / (1024 * 1024) / toUtf8, fromUtf8,
              static_cast<double>(utf8.size()) / (1024 * 1024) / fromUtf8, again == ansi ? "" : " (MISMATCH)");

  std::vector<std::string> names;
  names.reserve(100000);
  unsigned seed = 12345;
  for (int i = 0; i < 100000; ++i) {
    seed = seed * 1103515245u + 12345u;
    std::string n = (seed >> 16) % 3 == 0 ? "Key" : (seed >> 16) % 3 == 1 ? "key-" : "\x83\x4C\x81\x5B" /* キー */;
    n += std::to_string(seed % 100000);
    names.push_back(n);
  }
  t = Clock::now();
  SortNamesIgnoreCase(names);
  std::printf("SortNamesIgnoreCase: 100000 names in %.3f s\n", Seconds(t));

  const int calls = 1000000;
  std::size_t total = 0;
  t = Clock::now();
  for (int i = 0; i < calls; ++i) total += ExpandEnvironmentText(i % 4 == 0 ? "%SystemRoot%\\x" : "C:\\x\\y").size();
  std::printf("ExpandEnvironmentText: %d calls (a quarter with a reference) in %.3f s (%zu)\n", calls, Seconds(t),
              total);
  return 0;
}
