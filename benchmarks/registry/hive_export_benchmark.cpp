// Prints how long `vindra-cli export --hive` takes on a large hive file and
// how much memory it needs at its peak. vindra-cli runs as a process of its
// own, its output to /dev/null; the better of three runs counts.
//
//   hive_export_benchmark [--values N] [--per-key M] [--keep DIR] [--other-cli PATH]
//     A SOFTWARE hive with N values (default 100000), M per key (default 50;
//     strings, DWORDs and binary data), written with hivex from
//     tests/registry/data/empty.hive, and a .reg file of the same tree:
//     export --hive beside export --from, and beside `PATH export --hive`
//     (another build of vindra-cli, such as one of an earlier version).
//   hive_export_benchmark --size-mb S [--keep DIR]
//     A hive of about S MiB as Windows 10 writes one (format 1.5, "lh" lists,
//     written by the tests' HiveWriter): export --hive of all of it, its time
//     and its peak memory beside the file's size.
#include <hivex.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "benchmarks/bench_timing.h"
#include "tests/registry/hive_builder.h"

namespace {

using vindra::bench::NowSeconds;
namespace fs = std::filesystem;
namespace t = vindra::registry::testing;

std::string Utf16(const std::string& ascii) {
  std::string bytes;
  for (char c : ascii) {
    bytes.push_back(c);
    bytes.push_back('\0');
  }
  return bytes + std::string(2, '\0');
}

// The value `index` of a key, as the benchmark trees hold it: name, type,
// data as stored, and its line in a .reg file.
struct BenchValue {
  std::string name;
  std::uint32_t type;
  std::string data;
  std::string regLine;
};

BenchValue MakeValue(long inKey, long index) {
  BenchValue v;
  v.name = "Value" + std::to_string(inKey);
  const std::string text = "C:\\Program Files\\Bench\\file" + std::to_string(index) + ".dll";
  switch (inKey % 4) {
    case 0:
    case 1: {
      v.type = 1;
      v.data = Utf16(text);
      std::string escaped;
      for (char c : text) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
      v.regLine = "\"" + v.name + "\"=\"" + escaped + "\"\r\n";
      break;
    }
    case 2: {
      v.type = 4;
      const auto n = static_cast<std::uint32_t>(index);
      v.data.assign(reinterpret_cast<const char*>(&n), 4);
      char line[64];
      std::snprintf(line, sizeof line, "\"%s\"=dword:%08x\r\n", v.name.c_str(), n);
      v.regLine = line;
      break;
    }
    default:
      v.type = 3;
      v.data.assign("\x01\x02\x03\x04\x05\x06\x07\x08", 8);
      v.regLine = "\"" + v.name + "\"=hex:01,02,03,04,05,06,07,08\r\n";
      break;
  }
  return v;
}

// Writes the hive (with hivex) and the .reg file of the same tree.
void WriteHivexTree(const std::string& emptyHive, const std::string& hiveFile, const std::string& regFile, long values,
                    long perKey) {
  fs::copy_file(emptyHive, hiveFile, fs::copy_options::overwrite_existing);
  fs::permissions(hiveFile, fs::perms::owner_write, fs::perm_options::add);
  hive_h* h = hivex_open(hiveFile.c_str(), HIVEX_OPEN_WRITE);
  if (h == nullptr) {
    std::perror(hiveFile.c_str());
    std::exit(1);
  }
  std::FILE* reg = std::fopen(regFile.c_str(), "wb");
  std::fputs("REGEDIT4\r\n", reg);
  const hive_node_h top = hivex_node_add_child(h, hivex_root(h), "Bench");
  const long keys = (values + perKey - 1) / perKey;
  long written = 0;
  for (long k = 0; k < keys; ++k) {
    const std::string keyName = "Key" + std::to_string(k);
    const hive_node_h node = hivex_node_add_child(h, top, keyName.c_str());
    std::fprintf(reg, "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bench\\%s]\r\n", keyName.c_str());
    std::vector<BenchValue> key;
    for (long v = 0; v < perKey && written < values; ++v, ++written) {
      key.push_back(MakeValue(v, written));
      std::fputs(key.back().regLine.c_str(), reg);
    }
    std::vector<hive_set_value> set;
    for (BenchValue& v : key) {
      hive_set_value s{v.name.data(), {}, v.data.size(), v.data.data()};
      std::memcpy(&s.t, &v.type, sizeof v.type);
      set.push_back(s);
    }
    hivex_node_set_values(h, node, set.size(), set.data(), 0);
  }
  if (hivex_commit(h, nullptr, 0) != 0) {
    std::perror("hivex_commit");
    std::exit(1);
  }
  hivex_close(h);
  std::fclose(reg);
}

// A hive of about `megabytes` MiB: SOFTWARE\Bench with keys of 50 values.
void WriteLargeHive(const std::string& hiveFile, long megabytes) {
  t::HiveKey root(u"ROOT");
  t::HiveKey bench(u"Bench");
  // About 88 bytes of cells per value (value cell, data cell, list entry), a key every 50.
  const long values = megabytes * 1024 * 1024 / 88;
  for (long k = 0, written = 0; written < values; ++k) {
    t::HiveKey key(vindra::platform::AnsiToWide("Key" + std::to_string(k)));
    for (long v = 0; v < 50 && written < values; ++v, ++written) {
      BenchValue b = MakeValue(v, written);
      key.values.push_back({vindra::platform::AnsiToWide(b.name), b.type, std::move(b.data)});
    }
    bench.subKeys.push_back(std::move(key));
  }
  root.subKeys.push_back(std::move(bench));
  const std::string bytes = t::HiveWriter::Write(root, {});
  std::FILE* f = std::fopen(hiveFile.c_str(), "wb");
  if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) {
    std::perror(hiveFile.c_str());
    std::exit(1);
  }
  std::printf("hive of %ld values in %ld keys (format 1.5): %.1f MiB\n", values, (values + 49) / 50,
              static_cast<double>(bytes.size()) / (1 << 20));
}

struct Figures {
  double seconds = 1e9;
  double cpuSeconds = 0;  // user and system time: less subject to the machine's load
  long peakKiB = 0;
};

// Runs `cli` with `args`, its output to /dev/null; its time and peak resident memory.
Figures RunCli(const std::string& cli, const std::vector<std::string>& args) {
  std::fflush(stdout);  // else the child writes what this process has buffered
  const double start = NowSeconds();
  const pid_t child = fork();
  if (child == 0) {
    if (std::freopen("/dev/null", "wb", stdout) == nullptr) _exit(127);
    std::vector<char*> argv{const_cast<char*>(cli.c_str())};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(cli.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  Figures f;
  f.seconds = NowSeconds() - start;
  f.peakKiB = usage.ru_maxrss;
  f.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::fprintf(stderr, "%s failed\n", cli.c_str());
  return f;
}

// The better of three runs.
Figures Best(const std::string& cli, const std::vector<std::string>& args) {
  Figures best;
  for (int run = 0; run < 3; ++run) {
    const Figures f = RunCli(cli, args);
    if (f.seconds < best.seconds) best = f;
  }
  return best;
}

void Print(const char* what, const Figures& f, double fileMiB) {
  std::printf("%s: %.2f s (CPU %.2f s), peak memory %.1f MiB", what, f.seconds, f.cpuSeconds, f.peakKiB / 1024.0);
  if (fileMiB > 0) std::printf(" (%.2f x the hive file)", f.peakKiB / 1024.0 / fileMiB);
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  long values = 100000, perKey = 50, sizeMb = 0;
  std::string keep, otherCli;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--values") == 0) values = std::atol(argv[i + 1]);
    if (std::strcmp(argv[i], "--per-key") == 0) perKey = std::atol(argv[i + 1]);
    if (std::strcmp(argv[i], "--keep") == 0) keep = argv[i + 1];
    if (std::strcmp(argv[i], "--other-cli") == 0) otherCli = argv[i + 1];
    if (std::strcmp(argv[i], "--size-mb") == 0) sizeMb = std::atol(argv[i + 1]);
  }
  const fs::path dir =
      keep.empty() ? fs::temp_directory_path() / ("vindra-hive-bench-" + std::to_string(getpid())) : fs::path(keep);
  fs::create_directories(dir);
  const std::string hiveFile = (dir / "SOFTWARE").string(), regFile = (dir / "software.reg").string();
  setenv("SystemRoot", "C:\\WINDOWS", 1);
  setenv("ProgramFiles", "C:\\Program Files", 1);
  setenv("SystemDrive", "C:", 1);

  // The files are written by a child process: the peak memory of a process
  // counts what it had before it started vindra-cli, so this one stays small.
  const double writeStart = NowSeconds();
  std::fflush(stdout);
  const pid_t writer = fork();
  if (writer == 0) {
    if (sizeMb > 0) {
      WriteLargeHive(hiveFile, sizeMb);
    } else {
      WriteHivexTree(VINDRA_EMPTY_HIVE, hiveFile, regFile, values, perKey);
      std::printf("hive of %ld values, %ld per key (written by hivex): %.1f MiB\n", values, perKey,
                  static_cast<double>(fs::file_size(hiveFile)) / (1 << 20));
    }
    std::fflush(stdout);
    _exit(0);
  }
  int writerStatus = 0;
  waitpid(writer, &writerStatus, 0);
  if (!WIFEXITED(writerStatus) || WEXITSTATUS(writerStatus) != 0) return 1;
  std::printf("written in %.2f s\n", NowSeconds() - writeStart);
  const double fileMiB = static_cast<double>(fs::file_size(hiveFile)) / (1 << 20);

  const std::vector<std::string> hiveArgs{"export", "--hive", hiveFile, "HKLM\\SOFTWARE\\Bench"};
  Print("export --hive", Best(VINDRA_CLI, hiveArgs), fileMiB);
  if (!otherCli.empty()) Print(("export --hive with " + otherCli).c_str(), Best(otherCli, hiveArgs), fileMiB);
  if (sizeMb == 0) {
    Print("export --from (a .reg file of the same tree)",
          Best(VINDRA_CLI, {"export", "--from", regFile, "HKLM\\SOFTWARE\\Bench"}), 0);
  }
  if (keep.empty()) fs::remove_all(dir);
  return 0;
}
