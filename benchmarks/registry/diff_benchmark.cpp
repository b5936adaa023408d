// Prints how `vindra-cli diff` compares with `vindra-cli convert`:
//  - two UTF-16LE .reg snapshots of --size MB each (default 160; keys of all
//    five sections with every value kind, as the registry editor writes
//    them), the second with keys added and deleted and values changed; in N
//    alternating rounds (default 3) `convert BEFORE` and `diff BEFORE AFTER`,
//    each a process of its own with its output to /dev/null; the medians of
//    their times, the ratio, and diff's peak memory against the two files'
//    size together (targets: at most 2 x the time, at most the size);
//  - two SOFTWARE hives of --values values each (default 100 000), written
//    with hivex, the second changed likewise: the time and peak of `diff`.
//
//   diff_benchmark [--size MB] [--values N] [--runs N] [--keep DIR]
// With --keep the files are written into DIR once and reused.
#include <hivex.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "benchmarks/bench_timing.h"

namespace {

namespace fs = std::filesystem;
using vindra::bench::Median;
using vindra::bench::NowSeconds;

// A UTF-16LE file written in large pieces.
class Utf16File {
 public:
  explicit Utf16File(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {
    if (file_ == nullptr) {
      std::perror(path.c_str());
      std::exit(1);
    }
    Put(u"\uFEFFWindows Registry Editor Version 5.00\r\n");
  }
  ~Utf16File() {
    Flush();
    std::fclose(file_);
  }
  void Put(std::u16string_view text) {
    buffer_.append(text);
    if (buffer_.size() > (1u << 20)) Flush();
  }
  void PutAscii(std::string_view text) {
    for (char c : text) buffer_.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    if (buffer_.size() > (1u << 20)) Flush();
  }
  std::size_t Written() const { return written_ + 2 * buffer_.size(); }

 private:
  void Flush() {
    std::string bytes(2 * buffer_.size(), '\0');
    for (std::size_t i = 0; i < buffer_.size(); ++i) {
      bytes[2 * i] = static_cast<char>(buffer_[i] & 0xFF);
      bytes[2 * i + 1] = static_cast<char>(buffer_[i] >> 8);
    }
    written_ += std::fwrite(bytes.data(), 1, bytes.size(), file_);
    buffer_.clear();
  }
  std::FILE* file_;
  std::u16string buffer_;
  std::size_t written_ = 0;
};

// hex list as the editor wraps it after a name of `column` characters.
std::string HexList(const std::string& prefix, std::mt19937& random, std::size_t count) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out = prefix;
  std::size_t column = prefix.size();
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned byte = random() & 0xFF;
    out.push_back(kDigits[byte >> 4]);
    out.push_back(kDigits[byte & 15]);
    if (i + 1 == count) break;
    out.push_back(',');
    column += 3;
    if (column >= 77) {
      out += "\\\r\n  ";
      column = 2;
    }
  }
  return out;
}

// The lines of one key's values; `variant` changes one value's data.
std::string KeyValues(std::size_t key, int variant) {
  std::mt19937 random(static_cast<unsigned>(key));
  std::string text;
  text += "@=\"Vendor Component Settings\"\r\n";
  text += "\"InstallPath\"=\"C:\\\\Program Files\\\\Vendor\\\\Product" + std::to_string(key % 50) + "\\\\bin\"\r\n";
  text += "\"DriverPath\"=\"C:\\\\WINDOWS\\\\system32\\\\drivers\\\\v" + std::to_string(key) + ".sys\"\r\n";
  text += "\"Description\"=\"A \\\"quoted\\\" description, version " + std::to_string(variant) + ".2.3\"\r\n";
  char dword[32];
  std::snprintf(dword, sizeof dword, "%08x", static_cast<unsigned>(random()));
  text += std::string("\"Flags\"=dword:") + dword + "\r\n";
  text += "\"Start\"=dword:00000003\r\n";
  text += HexList("\"Binary\"=hex:", random, 20 + random() % 40) + "\r\n";
  text += HexList("\"Blob\"=hex:", random, 100 + random() % 400) + "\r\n";
  text += "\"ImagePath\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,25,00,5c,\\\r\n"
          "  00,76,00,2e,00,73,00,79,00,73,00,00,00\r\n";
  text += "\"Modules\"=hex(7):61,00,2e,00,64,00,6c,00,6c,00,00,00,62,00,2e,00,64,00,6c,00,6c,00,00,00,00,00\r\n";
  text += "\"InstallTime\"=hex(b):0b,70,b6,0c,16,d8,62,68\r\n";
  return text;
}

std::string KeyName(std::size_t key) {
  static const char* const kRoots[] = {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor", "HKEY_CLASSES_ROOT\\CLSID",
                                       "HKEY_CURRENT_USER\\Software\\Vendor",
                                       "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services"};
  return std::string(kRoots[key % 4]) + "\\Product" + std::to_string(key / 40) + "\\Component" +
         std::to_string(key % 40) + "\\Settings";
}

// BEFORE and AFTER: every 997th key has a value changed in AFTER, every
// 1999th is gone from it, and every 1499th has a new sub-key there.
void WriteRegFiles(const std::string& before, const std::string& after, std::size_t megabytes) {
  Utf16File b(before);
  Utf16File a(after);
  for (std::size_t key = 0; b.Written() < megabytes << 20; ++key) {
    const std::string line = "\r\n[" + KeyName(key) + "]\r\n";
    const std::string values = KeyValues(key, 1);
    b.PutAscii(line);
    b.PutAscii(values);
    if (key % 1999 == 7) continue;
    a.PutAscii(line);
    a.PutAscii(key % 997 == 3 ? KeyValues(key, 2) : values);
    if (key % 1499 == 5) a.PutAscii("\r\n[" + KeyName(key) + "\\Added]\r\n\"New\"=\"value\"\r\n");
  }
  b.PutAscii("\r\n");
  a.PutAscii("\r\n");
}

std::string Utf16Data(const std::string& ascii) {
  std::string bytes;
  for (char c : ascii) {
    bytes.push_back(c);
    bytes.push_back('\0');
  }
  return bytes + std::string(2, '\0');
}

// A SOFTWARE hive of `values` values, 50 a key; `changed` varies it as above.
void WriteHive(const std::string& emptyHive, const std::string& file, long values, bool changed) {
  fs::copy_file(emptyHive, file, fs::copy_options::overwrite_existing);
  fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
  hive_h* h = hivex_open(file.c_str(), HIVEX_OPEN_WRITE);
  if (h == nullptr) {
    std::perror(file.c_str());
    std::exit(1);
  }
  const hive_node_h top = hivex_node_add_child(h, hivex_root(h), "Bench");
  constexpr long kPerKey = 50;
  for (long k = 0; k * kPerKey < values; ++k) {
    if (changed && k % 199 == 7) continue;
    const hive_node_h node = hivex_node_add_child(h, top, ("Key" + std::to_string(k)).c_str());
    std::vector<std::string> names, data;
    for (long v = 0; v < kPerKey; ++v) {
      names.push_back("Value" + std::to_string(v));
      const long n = k * kPerKey + v + (changed && k % 97 == 3 && v == 0 ? 1 : 0);
      data.push_back(Utf16Data("C:\\Program Files\\Bench\\file" + std::to_string(n) + ".dll"));
    }
    std::vector<hive_set_value> set;
    for (std::size_t i = 0; i < names.size(); ++i) set.push_back({names[i].data(), hive_t_REG_SZ, data[i].size(), data[i].data()});
    hivex_node_set_values(h, node, set.size(), set.data(), 0);
    if (changed && k % 149 == 5) hivex_node_add_child(h, node, "Added");
  }
  if (hivex_commit(h, nullptr, 0) != 0) {
    std::perror("hivex_commit");
    std::exit(1);
  }
  hivex_close(h);
}

struct Figures {
  double seconds = 0;
  double cpu = 0;
  long peakKiB = 0;
};

Figures RunCli(const std::vector<std::string>& args) {
  std::fflush(stdout);  // or the child would print what is buffered once more
  const double start = NowSeconds();
  const pid_t child = fork();
  if (child == 0) {
    if (std::freopen("/dev/null", "wb", stdout) == nullptr || std::freopen("/dev/null", "wb", stderr) == nullptr) {
      _exit(127);
    }
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
  f.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
          static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  f.peakKiB = usage.ru_maxrss;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::fprintf(stderr, "vindra-cli %s failed\n", args[0].c_str());
  return f;
}

double MiB(double bytes) { return bytes / (1 << 20); }

}  // namespace

int main(int argc, char** argv) {
  std::size_t size = 160;
  long values = 100000;
  int runs = 3;
  std::string keep;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--size") == 0) size = static_cast<std::size_t>(std::atol(argv[i + 1]));
    if (std::strcmp(argv[i], "--values") == 0) values = std::atol(argv[i + 1]);
    if (std::strcmp(argv[i], "--runs") == 0) runs = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--keep") == 0) keep = argv[i + 1];
  }
  const fs::path dir =
      keep.empty() ? fs::temp_directory_path() / ("vindra-diff-bench-" + std::to_string(getpid())) : fs::path(keep);
  fs::create_directories(dir);
  setenv("SystemRoot", "C:\\WINDOWS", 1);
  setenv("ProgramFiles", "C:\\Program Files", 1);
  setenv("SystemDrive", "C:", 1);

  const std::string before = (dir / "before.reg").string(), after = (dir / "after.reg").string();
  if (!fs::exists(before) || !fs::exists(after)) {
    const double start = NowSeconds();
    WriteRegFiles(before, after, size);
    std::printf("two .reg snapshots written in %.1f s\n", NowSeconds() - start);
  }
  const double files = static_cast<double>(fs::file_size(before) + fs::file_size(after));
  std::printf("BEFORE %.1f MiB, AFTER %.1f MiB (UTF-16LE)\n", MiB(static_cast<double>(fs::file_size(before))),
              MiB(static_cast<double>(fs::file_size(after))));

  std::vector<double> convertTimes, diffTimes, convertCpu, diffCpu;
  long convertPeak = 0, diffPeak = 0;
  for (int round = 0; round < runs; ++round) {
    const Figures c = RunCli({"convert", before});
    const Figures d = RunCli({"diff", before, after});
    convertTimes.push_back(c.seconds);
    diffTimes.push_back(d.seconds);
    convertCpu.push_back(c.cpu);
    diffCpu.push_back(d.cpu);
    convertPeak = std::max(convertPeak, c.peakKiB);
    diffPeak = std::max(diffPeak, d.peakKiB);
  }
  const double ct = Median(convertTimes), dt = Median(diffTimes);
  std::printf("vindra-cli convert BEFORE   %.3f s (cpu %.3f s), peak %.1f MiB\n", ct, Median(convertCpu),
              convertPeak / 1024.0);
  std::printf("vindra-cli diff BEFORE AFTER %.3f s (cpu %.3f s), peak %.1f MiB\n", dt, Median(diffCpu),
              diffPeak / 1024.0);
  std::printf("diff / convert              %.2f x time, %.2f x cpu (target <= 2)\n", dt / ct,
              Median(diffCpu) / Median(convertCpu));
  std::printf("diff peak / both files      %.2f (target <= 1)\n", diffPeak * 1024.0 / files);

  const std::string hiveBefore = (dir / "before" / "SOFTWARE").string(), hiveAfter = (dir / "after" / "SOFTWARE").string();
  fs::create_directories(dir / "before");
  fs::create_directories(dir / "after");
  if (!fs::exists(hiveBefore) || !fs::exists(hiveAfter)) {
    WriteHive(VINDRA_EMPTY_HIVE, hiveBefore, values, false);
    WriteHive(VINDRA_EMPTY_HIVE, hiveAfter, values, true);
  }
  std::vector<double> hiveTimes;
  long hivePeak = 0;
  for (int round = 0; round < runs; ++round) {
    const Figures h = RunCli({"diff", hiveBefore, hiveAfter});
    hiveTimes.push_back(h.seconds);
    hivePeak = std::max(hivePeak, h.peakKiB);
  }
  std::printf("diff of two SOFTWARE hives of %ld values (%.1f MiB each): %.3f s, peak %.1f MiB\n", values,
              MiB(static_cast<double>(fs::file_size(hiveBefore))), Median(hiveTimes), hivePeak / 1024.0);
  if (keep.empty()) fs::remove_all(dir);
  return 0;
}
