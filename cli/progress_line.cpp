#include "cli/progress_line.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <time.h>
#include <unistd.h>
#endif

namespace vindra::cli {
namespace {

// Seconds on the monotonic clock (<chrono> does not compile with the CP932
// execution character set).
double Now() {
#ifdef _WIN32
  return GetTickCount() / 1000.0;
#else
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
#endif
}

}  // namespace

ProgressLine::ProgressLine(std::FILE* stream)
    : stream_(stream), start_(Now()), last_(start_) {
#ifdef _WIN32
  terminal_ = _isatty(_fileno(stream)) != 0;
#else
  terminal_ = isatty(fileno(stream)) != 0;
#endif
}

void ProgressLine::Show(const std::string& text) {
  if (!terminal_) return;
  const double now = Now();
  if (now - start_ < 1.0 || now - last_ < 0.1) return;
  last_ = now;
  std::string line = "\r" + text;
  if (text.size() < shownLength_) line.append(shownLength_ - text.size(), ' ');
  shownLength_ = text.size();
  std::fputs(line.c_str(), stream_);
  std::fflush(stream_);
}

void ProgressLine::Clear() {
  if (shownLength_ == 0) return;
  std::fprintf(stream_, "\r%*s\r", static_cast<int>(shownLength_), "");
  std::fflush(stream_);
  shownLength_ = 0;
}

}  // namespace vindra::cli
