// Prints how long `vindra-cli export --hive` takes on a large hive file and
// how much memory it needs at its peak: a SOFTWARE hive with N values
// (default 100000), M per key (default 50; strings, DWORDs and binary data),
// written with hivex from tests/registry/data/empty.hive. vindra-cli runs as
// a process of its own, its output to /dev/null; `export --from` of a .reg
// file of the same tree is measured beside it. Best of three runs each.
//
//   hive_export_benchmark [--values N] [--per-key M] [--keep DIR]
#include <hivex.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "benchmarks/bench_timing.h"

namespace {

using vindra::bench::NowSeconds;

namespace fs = std::filesystem;

std::string Utf16(const std::string& ascii) {
  std::string bytes;
  for (char c : ascii) {
    bytes.push_back(c);
    bytes.push_back('\0');
  }
  return bytes + std::string(2, '\0');
}

// Writes the hive and the .reg file of the same tree.
void WriteTree(const std::string& emptyHive, const std::string& hiveFile, const std::string& regFile, long values,
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
    std::vector<std::string> names, data;
    std::vector<hive_set_value> set;
    for (long v = 0; v < perKey && written < values; ++v, ++written) {
      const std::string name = "Value" + std::to_string(v);
      const std::string text = "C:\\Program Files\\Bench\\file" + std::to_string(written) + ".dll";
      names.push_back(name);
      switch (v % 4) {
        case 0:
        case 1: {
          data.push_back(Utf16(text));
          std::string escaped;
          for (char c : text) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
          std::fprintf(reg, "\"%s\"=\"%s\"\r\n", name.c_str(), escaped.c_str());
          break;
        }
        case 2: {
          const std::uint32_t n = static_cast<std::uint32_t>(written);
          data.push_back(std::string(reinterpret_cast<const char*>(&n), 4));
          std::fprintf(reg, "\"%s\"=dword:%08x\r\n", name.c_str(), n);
          break;
        }
        default:
          data.push_back(std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8));
          std::fprintf(reg, "\"%s\"=hex:01,02,03,04,05,06,07,08\r\n", name.c_str());
          break;
      }
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
      const hive_type type = i % 4 < 2 ? hive_t_REG_SZ : i % 4 == 2 ? hive_t_REG_DWORD : hive_t_REG_BINARY;
      set.push_back({names[i].data(), type, data[i].size(), data[i].data()});
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

struct Figures {
  double seconds = 0;
  long peakKiB = 0;
};

// Runs vindra-cli with `args`, its output to /dev/null; its time and peak
// resident memory.
Figures RunCli(const std::vector<std::string>& args) {
  const double start = NowSeconds();
  const pid_t child = fork();
  if (child == 0) {
    if (std::freopen("/dev/null", "wb", stdout) == nullptr) _exit(127);
    std::vector<char*> argv{const_cast<char*>(VINDRA_CLI)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(VINDRA_CLI, argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  Figures f;
  f.seconds = NowSeconds() - start;
  f.peakKiB = usage.ru_maxrss;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::fprintf(stderr, "vindra-cli failed\n");
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  long values = 100000, perKey = 50;
  std::string keep;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--values") == 0) values = std::atol(argv[i + 1]);
    if (std::strcmp(argv[i], "--per-key") == 0) perKey = std::atol(argv[i + 1]);
    if (std::strcmp(argv[i], "--keep") == 0) keep = argv[i + 1];
  }
  const fs::path dir = keep.empty() ? fs::temp_directory_path() / ("vindra-hive-bench-" + std::to_string(getpid())) : fs::path(keep);
  fs::create_directories(dir);
  const std::string hiveFile = (dir / "SOFTWARE").string(), regFile = (dir / "software.reg").string();
  setenv("SystemRoot", "C:\\WINDOWS", 1);
  setenv("ProgramFiles", "C:\\Program Files", 1);
  setenv("SystemDrive", "C:", 1);

  const double writeStart = NowSeconds();
  WriteTree(VINDRA_EMPTY_HIVE, hiveFile, regFile, values, perKey);
  std::printf("hive of %ld values, %ld per key: %.1f MiB written in %.2f s\n", values, perKey,
              static_cast<double>(fs::file_size(hiveFile)) / (1 << 20), NowSeconds() - writeStart);

  // The better of three runs each.
  Figures hive{1e9, 0}, fromReg{1e9, 0};
  for (int run = 0; run < 3; ++run) {
    const Figures h = RunCli({"export", "--hive", hiveFile, "HKLM\\SOFTWARE\\Bench"});
    const Figures r = RunCli({"export", "--from", regFile, "HKLM\\SOFTWARE\\Bench"});
    if (h.seconds < hive.seconds) hive = h;
    if (r.seconds < fromReg.seconds) fromReg = r;
  }
  std::printf("export --hive: %.2f s, peak memory %.1f MiB\n", hive.seconds, hive.peakKiB / 1024.0);
  std::printf("export --from (a .reg file of the same tree): %.2f s, peak memory %.1f MiB\n", fromReg.seconds,
              fromReg.peakKiB / 1024.0);
  if (keep.empty()) fs::remove_all(dir);
  return 0;
}
