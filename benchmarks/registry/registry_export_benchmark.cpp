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
//   registry_export_benchmark --against-reg [--key ROOT\PATH] [--runs N] [--cli PATH]
//       Windows only: an existing key (default HKEY_LOCAL_MACHINE\Software),
//       N alternating rounds (default 5) of `vindra-cli.exe export KEY`
//       (the whole process), `reg export KEY` and the export in this process,
//       each writing a file of its own in a temporary folder; prints the
//       medians and their ratios (target: the whole process at most 0.8 x
//       `reg export`). vindra-cli.exe is looked up in the build tree
//       (..\..\cli\vindra-cli.exe from this program) unless --cli names it.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "benchmarks/bench_timing.h"
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

using vindra::bench::NowSeconds;
using vindra::bench::Median;

using vindra::registry::RootKey;

double Seconds(double since) { return NowSeconds() - since; }

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
  bool againstReg = false;
  std::string key = "HKEY_LOCAL_MACHINE\\Software";
  int runs = 5;
  std::string cli;
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
  const double start = NowSeconds();
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
  const double start = NowSeconds();
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
  const double start = NowSeconds();
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
  double start = NowSeconds();
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

// Wall time only: Wine's process times and peak memory of a finished child
// are not its own.
struct ProcessFigures {
  double seconds = -1;
  DWORD exitCode = 1;
};

// Runs a command line with its standard output sent to `outputFile` (when
// given) and waits for it.
ProcessFigures RunTimed(std::wstring commandLine, const std::wstring& outputFile) {
  ProcessFigures figures;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE out = INVALID_HANDLE_VALUE;
  if (!outputFile.empty()) {
    out = CreateFileW(outputFile.c_str(), GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return figures;
  }
  STARTUPINFOW si{};
  si.cb = sizeof si;
  if (out != INVALID_HANDLE_VALUE) {
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = out;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  }
  PROCESS_INFORMATION pi{};
  const double start = NowSeconds();
  const BOOL started =
      CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
  if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
  if (!started) {
    std::fprintf(stderr, "cannot start: %ls\n", commandLine.c_str());
    return figures;
  }
  WaitForSingleObject(pi.hProcess, INFINITE);
  figures.seconds = Seconds(start);
  GetExitCodeProcess(pi.hProcess, &figures.exitCode);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return figures;
}

// vindra-cli.exe of the same build tree: ..\..\cli\vindra-cli.exe from this program.
std::wstring DefaultCliPath() {
  wchar_t self[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self, n);
  for (int up = 0; up < 3; ++up) path = path.substr(0, path.find_last_of(L"\\/"));
  return path + L"\\cli\\vindra-cli.exe";
}

// The whole vindra-cli.exe process and the export in this process against
// `reg export` of the same existing key, round after round.
int RunAgainstReg(const Settings& s) {
  const std::size_t slash = s.key.find('\\');
  const std::string rootName = s.key.substr(0, slash);
  const std::string path = slash == std::string::npos ? std::string() : s.key.substr(slash + 1);
  RootKey root = 0;
  if (rootName == "HKEY_LOCAL_MACHINE" || rootName == "HKLM") root = vindra::registry::kHkeyLocalMachine;
  if (rootName == "HKEY_CURRENT_USER" || rootName == "HKCU") root = vindra::registry::kHkeyCurrentUser;
  if (rootName == "HKEY_CLASSES_ROOT" || rootName == "HKCR") root = vindra::registry::kHkeyClassesRoot;
  if (root == 0) {
    std::fprintf(stderr, "unknown root key: %s\n", rootName.c_str());
    return 64;
  }
  const std::wstring cli = s.cli.empty() ? DefaultCliPath() : Widen(s.cli);
  if (GetFileAttributesW(cli.c_str()) == INVALID_FILE_ATTRIBUTES) {
    std::fprintf(stderr, "vindra-cli.exe not found: %ls (--cli PATH)\n", cli.c_str());
    return 1;
  }
  // Every output goes to a fresh folder of our own, removed at the end.
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring folder;
  for (unsigned n = GetTickCount(); folder.empty(); ++n) {
    const std::wstring candidate = std::wstring(temp) + L"vindra-export-bench-" + std::to_wstring(n);
    if (CreateDirectoryW(candidate.c_str(), nullptr)) folder = candidate;
  }
  const std::wstring ourFile = folder + L"\\vindra.txt";
  const std::wstring inProcessFile = folder + L"\\in-process.txt";
  const std::wstring regFile = folder + L"\\reg.reg";
  const std::wstring key = Widen(s.key);

  std::vector<double> ours, reg, inProcess, oursStart, regStart;
  vindra::registry::Win32RegistrySource live;
  for (int run = 0; run < s.runs; ++run) {
    const ProcessFigures o = RunTimed(L"\"" + cli + L"\" export \"" + key + L"\"", ourFile);
    const ProcessFigures r = RunTimed(L"reg.exe export \"" + key + L"\" \"" + regFile + L"\" /y", L"NUL");
    std::FILE* file = _wfopen(inProcessFile.c_str(), L"wb");
    double seconds = -1;
    if (file) {
      const double start = NowSeconds();
      {
        vindra::StreamOutputList output(file);
        vindra::registry::RegistryKeyExporter(output, live, root, path, vindra::ConversionOptions{});
        output.Flush();
      }
      seconds = Seconds(start);
      std::fclose(file);
    }
    if (o.exitCode != 0 || r.exitCode != 0 || seconds < 0) {
      std::fprintf(stderr, "round %d failed: vindra-cli exit %lu, reg exit %lu\n", run + 1, o.exitCode, r.exitCode);
      return 1;
    }
    ours.push_back(o.seconds);
    reg.push_back(r.seconds);
    inProcess.push_back(seconds);
    oursStart.push_back(RunTimed(L"\"" + cli + L"\" --version", L"NUL").seconds);
    regStart.push_back(RunTimed(L"reg.exe /?", L"NUL").seconds);
  }
  WIN32_FILE_ATTRIBUTE_DATA ourData{}, regData{};
  GetFileAttributesExW(ourFile.c_str(), GetFileExInfoStandard, &ourData);
  GetFileAttributesExW(regFile.c_str(), GetFileExInfoStandard, &regData);
  DeleteFileW(ourFile.c_str());
  DeleteFileW(inProcessFile.c_str());
  DeleteFileW(regFile.c_str());
  RemoveDirectoryW(folder.c_str());

  std::printf("key                       %s, medians of %d alternating rounds\n", s.key.c_str(), s.runs);
  std::printf("vindra-cli.exe export     %.3f s, output %lu bytes\n", Median(ours), ourData.nFileSizeLow);
  std::printf("reg export                %.3f s, output %lu bytes\n", Median(reg), regData.nFileSizeLow);
  std::printf("export in this process    %.3f s\n", Median(inProcess));
  std::printf("process start alone       vindra-cli.exe --version %.3f s, reg.exe /? %.3f s\n", Median(oursStart),
              Median(regStart));
  std::printf("whole process / reg export  %.2f x (target <= 0.8)\n", Median(ours) / Median(reg));
  std::printf("in-process / reg export     %.2f x\n", Median(inProcess) / Median(reg));
  std::printf("reproduce: tools/wine-run %ls export \"%s\" >out.txt\n"
              "           tools/wine-run reg export \"%s\" out.reg\n",
              cli.c_str(), s.key.c_str(), s.key.c_str());
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
    } else if (arg == "--against-reg") {
      s.againstReg = true;
    } else if (arg == "--key" && i + 1 < argc) {
      s.key = argv[++i];
    } else if (arg == "--runs" && i + 1 < argc) {
      s.runs = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--cli" && i + 1 < argc) {
      s.cli = argv[++i];
    } else {
      std::fprintf(stderr,
                   "usage: registry_export_benchmark [--live] [--values N] [--per-key M] [--out FILE]\n"
                   "       registry_export_benchmark --against-reg [--key ROOT\\PATH] [--runs N] [--cli PATH]\n");
      return 64;
    }
  }
  if (s.values == 0 || s.perKey == 0) return 64;
#ifdef _WIN32
  if (s.againstReg) return RunAgainstReg(s);
  if (s.live) return RunLive(s);
#else
  if (s.live || s.againstReg) {
    std::fprintf(stderr, "--live and --against-reg need the Windows build\n");
    return 64;
  }
#endif
  return RunInMemory(s);
}
