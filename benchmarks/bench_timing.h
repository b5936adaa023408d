// Timing for the benchmark programs. <chrono> cannot be compiled with the CP932
// execution character set (its "\u00b5s" literal has no form in it), so the
// monotonic clock is read directly: the performance counter on Windows,
// CLOCK_MONOTONIC elsewhere.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

#include <algorithm>
#include <cstddef>
#include <vector>

namespace vindra::bench {

// Seconds of a monotonic clock; only differences mean anything.
inline double NowSeconds() {
#ifdef _WIN32
  LARGE_INTEGER counter;
  LARGE_INTEGER frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
#else
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
#endif
}

// The same clock in milliseconds.
inline double NowMs() { return NowSeconds() * 1000.0; }

// The median of the figures of several runs (at least one).
inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace vindra::bench
