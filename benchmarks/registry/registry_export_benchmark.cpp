// Prints how fast the key exporter walks a large tree and how much memory the
// process needed at its peak.
//
//   registry_export_benchmark [--values N] [--per-key M] [--out FILE]
//       an in-memory tree of N values (default 100000), M per key (default 50)
//   registry_export_benchmark --live [--values N] [--per-key M] [--out FILE]
//       Windows only: the same tree under the key VindraBenchmark of
//       HKEY_CURRENT_USER\Software, exported through the Win32 layer, then the same key
//       exported by `reg export` in the same run for comparison; the tree is
//       deleted afterwards.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/options.h"
#include "core/stream_output_list.h"
#include "registry/key_exporter.h"
#include "registry/memory_registry.h"

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>

#include "registry/win32_registry.h"
#else
#include <sys/resource.h>
#include <time.h>
#endif

namespace {

using vindra::registry::RootKey;

// <chrono> cannot be compiled with the CP932 execution character set (its
// "\u00b5s" literal), so the monotonic clock is read directly.
double Now() {
#ifdef _WIN32
  LARGE_INTEGER counter;
  LARGE_INTEGER frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
#else
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
#endif
}

double Seconds(double since) { return Now() - since; }

double PeakMemoryMiB() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS counters{};
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
#else
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
#endif
}

// One value of the synthetic tree: the kinds found in real software keys.
struct SampleValue {
  std::string name;
  std::uint32_t type;
  std::string data;  // ANSI bytes as the ANSI read returns them
};

SampleValue MakeValue(std::size_t index) {
  SampleValue v;
  v.name = "Value" + std::to_string(index);
  switch (index % 10) {
    case 0:
    case 1:
    case 2:
    case 3:
      v.type = 1;
      v.data = "C:\\WINDOWS\\system32\\component" + std::to_string(index) + ".dll";
      v.data.push_back('\0');
      break;
    case 4:
      v.type = 2;
      v.data = "%SystemRoot%\\Help\\topic" + std::to_string(index) + ".chm";
      v.data.push_back('\0');
      break;
    case 5:
    case 6:
      v.type = 4;
      v.data.assign(reinterpret_cast<const char*>(&index), 4);
      break;
    case 7:
      v.type = 7;
      v.data = std::string("first\0second string\0third\0\0", 28);
      break;
    case 8:
      v.type = 3;
      for (int b = 0; b < 60; ++b) v.data.push_back(static_cast<char>(index + b));
      break;
    default:
      v.type = 11;
      v.data.assign(8, static_cast<char>(index));
      break;
  }
  return v;
}

std::string KeyPath(const char* base, std::size_t key) {
  // Two levels, so the walk also descends.
  return std::string(base) + "\\Group" + std::to_string(key / 20) + "\\Key" + std::to_string(key);
}

struct Settings {
  std::size_t values = 100000;
  std::size_t perKey = 50;
  std::string out;
  bool live = false;
};

std::FILE* OpenOutput(const std::string& name) {
#ifdef _WIN32
  return std::fopen(name.empty() ? "NUL" : name.c_str(), "wb");
#else
  return std::fopen(name.empty() ? "/dev/null" : name.c_str(), "wb");
#endif
}

// Runs the export and prints its figures; returns the seconds taken.
double TimeExport(vindra::registry::RegistrySource& source, RootKey root, const char* path, const Settings& s,
                  const char* label) {
  std::FILE* file = OpenOutput(s.out);
  if (!file) {
    std::fprintf(stderr, "cannot open the output file\n");
    std::exit(1);
  }
  const double start = Now();
  {
    vindra::StreamOutputList output(file);
    vindra::registry::RegistryKeyExporter(output, source, root, path, vindra::ConversionOptions{});
    output.Flush();
  }
  const double seconds = Seconds(start);
  std::fclose(file);
  std::printf("%-34s %9zu values  %8.3f s  %10.0f values/s  peak memory %.1f MiB\n", label, s.values, seconds,
              static_cast<double>(s.values) / seconds, PeakMemoryMiB());
  return seconds;
}

int RunInMemory(const Settings& s) {
  vindra::registry::MemoryRegistry registry;
  const double start = Now();
  for (std::size_t i = 0; i < s.values; ++i) {
    const SampleValue v = MakeValue(i);
    registry.SetValue(vindra::registry::kHkeyLocalMachine, KeyPath("SOFTWARE\\Bench", i / s.perKey), v.name, v.type,
                      v.data);
  }
  std::printf("in-memory tree: %zu keys, %zu values, built in %.3f s\n", registry.KeyCount(), registry.ValueCount(),
              Seconds(start));
  TimeExport(registry, vindra::registry::kHkeyLocalMachine, "SOFTWARE\\Bench", s, "export (in-memory registry)");
  return 0;
}

#ifdef _WIN32
const wchar_t kLiveKey[] = L"Software\\VindraBenchmark";

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

double RunProcess(std::wstring commandLine) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  const double start = Now();
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::fprintf(stderr, "cannot start: %ls\n", commandLine.c_str());
    return -1;
  }
  WaitForSingleObject(pi.hProcess, INFINITE);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return Seconds(start);
}

int RunLive(const Settings& s) {
  RegDeleteTreeW(HKEY_CURRENT_USER, kLiveKey);
  double start = Now();
  HKEY key = nullptr;
  std::size_t currentKey = static_cast<std::size_t>(-1);
  for (std::size_t i = 0; i < s.values; ++i) {
    if (i / s.perKey != currentKey) {
      if (key) RegCloseKey(key);
      currentKey = i / s.perKey;
      const std::wstring path = Widen(KeyPath("Software\\VindraBenchmark", currentKey));
      RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    }
    const SampleValue v = MakeValue(i);
    // Text types are written in UTF-16 like any program would.
    if (v.type == 1 || v.type == 2 || v.type == 7) {
      std::wstring wide = Widen(v.data);
      RegSetValueExW(key, Widen(v.name).c_str(), 0, v.type, reinterpret_cast<const BYTE*>(wide.data()),
                     static_cast<DWORD>(wide.size() * sizeof(wchar_t)));
    } else {
      RegSetValueExW(key, Widen(v.name).c_str(), 0, v.type, reinterpret_cast<const BYTE*>(v.data.data()),
                     static_cast<DWORD>(v.data.size()));
    }
  }
  if (key) RegCloseKey(key);
  std::printf("live tree HKEY_CURRENT_USER\\Software\\VindraBenchmark: %zu values, written in %.3f s\n", s.values,
              Seconds(start));

  vindra::registry::Win32RegistrySource live;
  const double ours = TimeExport(live, vindra::registry::kHkeyCurrentUser, "Software\\VindraBenchmark", s,
                                 "export (Win32 registry layer)");

  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring regFile = std::wstring(temp) + L"vindra_benchmark.reg";
  const double startup = RunProcess(L"reg.exe /?");
  const double theirs =
      RunProcess(L"reg.exe export HKEY_CURRENT_USER\\Software\\VindraBenchmark \"" + regFile + L"\" /y");
  DeleteFileW(regFile.c_str());
  std::printf("%-34s %9zu values  %8.3f s  %10.0f values/s  (process start alone: %.3f s)\n", "reg export (same key)",
              s.values, theirs, static_cast<double>(s.values) / theirs, startup);
  std::printf("export / reg export time ratio: %.2f\n", ours / theirs);
  RegDeleteTreeW(HKEY_CURRENT_USER, kLiveKey);
  return 0;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  Settings s;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--values" && i + 1 < argc) {
      s.values = std::strtoull(argv[++i], nullptr, 10);
    } else if (arg == "--per-key" && i + 1 < argc) {
      s.perKey = std::strtoull(argv[++i], nullptr, 10);
    } else if (arg == "--out" && i + 1 < argc) {
      s.out = argv[++i];
    } else if (arg == "--live") {
      s.live = true;
    } else {
      std::fprintf(stderr, "usage: registry_export_benchmark [--live] [--values N] [--per-key M] [--out FILE]\n");
      return 64;
    }
  }
  if (s.values == 0 || s.perKey == 0) return 64;
#ifdef _WIN32
  if (s.live) return RunLive(s);
#else
  if (s.live) {
    std::fprintf(stderr, "--live needs the Windows build\n");
    return 64;
  }
#endif
  return RunInMemory(s);
}
