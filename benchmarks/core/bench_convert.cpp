// bench_convert [FILE.reg] [--size MB] [--runs N] [--cli PATH]
//
// Measures the registry-file conversion against a plain UTF-16LE to CP932
// decode (iconv) of the same file, side by side in one run.
//
// The input: FILE.reg when it exists (only read, never written), else a
// realistic UTF-16LE export with a byte-order mark of --size MB (default 160)
// generated into FILE.reg, which must not exist yet (it is created, never
// overwritten), or, without FILE.reg, into a temporary folder that is removed
// afterwards. It has many keys of all five sections and every value kind
// (strings with machine paths, dword, hex lists wrapped over lines as the
// system's editor writes them, hex(2), hex(7), hex(b), comments, Japanese
// names).
//
// N alternating rounds (default 5) each time, in child processes:
//   - iconv -c -f UTF-16LE -t CP932 FILE >/dev/null     (decoding alone)
//   - vindra-cli convert FILE >/dev/null                (the whole process)
//   - the conversion in a forked child, file to output text written to
//     /dev/null                                         (in-process)
// and prints the medians of wall and CPU time, the ratios against iconv and
// the peak memory against the file size. vindra-cli is looked up beside the
// benchmark's build folder (../../cli/vindra-cli) unless --cli names it.
// Targets: the whole process at most 1.5 x iconv, peak at most 1.5 x the file.
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <time.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "benchmarks/bench_timing.h"
#include "core/options.h"
#include "core/registry_file_converter.h"
#include "core/stream_output_list.h"

namespace {

using vindra::bench::NowSeconds;
using vindra::bench::Median;

// Builds the file as UTF-16LE, written in large pieces.
class Utf16Writer {
 public:
  explicit Utf16Writer(std::FILE* file) : file_(file) { Put(u"\uFEFF"); }
  ~Utf16Writer() { Flush(); }
  void Put(std::u16string_view text) {
    buffer_.append(text);
    if (buffer_.size() > (1u << 20)) Flush();
  }
  void PutAscii(std::string_view text) {
    for (char c : text) buffer_.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    if (buffer_.size() > (1u << 20)) Flush();
  }
  void Flush() {
    std::string bytes(buffer_.size() * 2, '\0');
    for (std::size_t i = 0; i < buffer_.size(); ++i) {
      bytes[2 * i] = static_cast<char>(buffer_[i] & 0xFF);
      bytes[2 * i + 1] = static_cast<char>(buffer_[i] >> 8);
    }
    written_ += std::fwrite(bytes.data(), 1, bytes.size(), file_);
    buffer_.clear();
  }
  std::size_t Written() const { return written_ + buffer_.size() * 2; }

 private:
  std::FILE* file_;
  std::u16string buffer_;
  std::size_t written_ = 0;
};

std::string HexBytes(std::mt19937& random, std::size_t count) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned b = random() & 0xFF;
    if (i) text += ',';
    text += kDigits[b >> 4];
    text += kDigits[b & 15];
  }
  return text;
}

std::string Utf16HexOf(std::string_view ascii, int zeros) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  auto add = [&](unsigned b) {
    if (!text.empty()) text += ',';
    text += kDigits[b >> 4];
    text += kDigits[b & 15];
  };
  for (char c : ascii) {
    add(static_cast<unsigned char>(c));
    add(0);
  }
  for (int i = 0; i < zeros; ++i) add(0);
  return text;
}

// "name"=PREFIXbytes wrapped as the registry editor does: a first line up to
// about 76 columns, then lines of 25 bytes after two spaces, each but the
// last ending with a backslash.
void PutWrappedHex(Utf16Writer& out, std::string_view head, const std::string& bytes) {
  std::string line(head);
  std::size_t pos = 0;
  const std::size_t firstRoom = head.size() < 70 ? (76 - head.size()) / 3 : 1;
  std::size_t perLine = firstRoom;
  while (true) {
    const std::size_t take = std::min(bytes.size() - pos, perLine * 3);
    line.append(bytes, pos, take);
    pos += take;
    if (pos >= bytes.size()) break;
    line += "\\\r\n  ";
    perLine = 25;
  }
  line += "\r\n";
  out.PutAscii(line);
}

void Generate(const std::string& path, std::size_t targetBytes) {
  // "x": created here, or not at all when something exists under the name.
  std::FILE* file = std::fopen(path.c_str(), "wbx");
  if (file == nullptr) {
    std::perror(path.c_str());
    std::exit(1);
  }
  std::mt19937 random(42);
  Utf16Writer out(file);
  out.PutAscii("Windows Registry Editor Version 5.00\r\n\r\n");
  const char* roots[] = {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor", "HKEY_CLASSES_ROOT\\CLSID",
                         "HKEY_CURRENT_USER\\Software\\Vendor", "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services",
                         "HKEY_USERS\\S-1-5-18\\Software"};
  const std::string expandBytes = Utf16HexOf("%SystemRoot%\\system32\\drivers\\vbench.sys", 1);
  const std::string multiBytes = Utf16HexOf(std::string("first.dll") + '\0' + "second.dll" + '\0' +
                                                "C:\\WINDOWS\\system32\\third.dll",
                                            2);
  for (std::size_t key = 0; out.Written() < targetBytes; ++key) {
    const char* root = roots[key % 5];
    char header[200];
    std::snprintf(header, sizeof header, "[%s\\Product%zu\\Component%zu\\Settings]\r\n", root, key / 50, key % 50);
    out.PutAscii(header);
    if (key % 7 == 0) out.Put(u"; \u8A2D\u5B9A\u306E\u8AAC\u660E\r\n");  // a Japanese comment
    out.PutAscii("@=\"Vendor Component Settings\"\r\n");
    out.PutAscii("\"InstallPath\"=\"C:\\\\Program Files\\\\Vendor\\\\Product\\\\bin\"\r\n");
    out.PutAscii("\"DriverPath\"=\"C:\\\\WINDOWS\\\\system32\\\\drivers\\\\vbench.sys\"\r\n");
    out.PutAscii("\"Description\"=\"A \\\"quoted\\\" description of the component, version 1.2.3\"\r\n");
    out.Put(u"\"\u8868\u793A\u540D\"=\"\u30D9\u30F3\u30C1\u30DE\u30FC\u30AF \u30B3\u30F3\u30DD\u30FC\u30CD\u30F3\u30C8\"\r\n");
    char dword[80];
    std::snprintf(dword, sizeof dword, "\"Flags\"=dword:%08x\r\n\"Start\"=dword:00000003\r\n",
                  static_cast<unsigned>(random()));
    out.PutAscii(dword);
    PutWrappedHex(out, "\"Binary\"=hex:", HexBytes(random, 16 + random() % 48));
    if (key % 3 == 0) PutWrappedHex(out, "\"Blob\"=hex:", HexBytes(random, 400 + random() % 600));
    PutWrappedHex(out, "\"ImagePath\"=hex(2):", expandBytes);
    PutWrappedHex(out, "\"Modules\"=hex(7):", multiBytes);
    PutWrappedHex(out, "\"InstallTime\"=hex(b):", HexBytes(random, 8));
    out.PutAscii("\r\n");
  }
  out.Flush();
  std::fclose(file);
}

struct ChildFigures {
  double seconds = 0;     // wall time
  double cpuSeconds = 0;  // user + system time: steadier on a busy machine
  long peakKiB = 0;
  bool ok = false;
};

// Runs `work` in a child process; its wall time, CPU time and peak resident memory.
template <typename Work>
ChildFigures InChild(Work&& work) {
  ChildFigures figures;
  std::fflush(stdout);  // nothing buffered may be written twice
  const double start = NowSeconds();
  const pid_t pid = fork();
  if (pid == 0) _exit(work());
  int status = 0;
  rusage usage{};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return figures;
  figures.seconds = NowSeconds() - start;
  figures.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
  figures.peakKiB = usage.ru_maxrss;
  figures.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return figures;
}

// A program run with its standard output sent to /dev/null.
ChildFigures RunProgram(const std::vector<std::string>& argv) {
  return InChild([&] {
    if (!std::freopen("/dev/null", "w", stdout)) return 126;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    return 127;
  });
}

struct Series {
  std::vector<double> wall, cpu, peakMiB;
  bool ok = true;
  void Add(const ChildFigures& f) {
    ok = ok && f.ok;
    wall.push_back(f.seconds);
    cpu.push_back(f.cpuSeconds);
    peakMiB.push_back(static_cast<double>(f.peakKiB) / 1024);
  }
};

// vindra-cli of the same build tree: ../../cli/vindra-cli from this program.
std::string DefaultCliPath() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return "vindra-cli";
  return (self.parent_path().parent_path().parent_path() / "cli" / "vindra-cli").string();
}

}  // namespace

int main(int argc, char** argv) {
  std::string path;
  std::string cli = DefaultCliPath();
  std::size_t sizeMB = 160;
  int runs = 5;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--size" && i + 1 < argc) {
      sizeMB = std::strtoul(argv[++i], nullptr, 10);
    } else if (arg == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--cli" && i + 1 < argc) {
      cli = argv[++i];
    } else if (!arg.empty() && arg[0] != '-' && path.empty()) {
      path = arg;
    } else {
      std::fprintf(stderr, "usage: bench_convert [FILE.reg] [--size MB] [--runs N] [--cli PATH]\n");
      return 64;
    }
  }
  // The machine paths of a Windows machine, unless the environment has its
  // own, so that the string values are substituted as they would be there
  // (the children inherit them).
  setenv("SystemRoot", "C:\\WINDOWS", 0);
  setenv("ProgramFiles", "C:\\Program Files", 0);
  setenv("SystemDrive", "C:", 0);

  // The input: an existing file is only read; a new one is created, never
  // overwritten; without a name, in a temporary folder of its own.
  std::string tempFolder;
  std::error_code error;
  if (path.empty()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "vindra-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("mkdtemp");
      return 1;
    }
    tempFolder = pattern;
    path = tempFolder + "/bench.reg";
  }
  if (std::filesystem::exists(path, error)) {
    std::printf("reading %s (existing file, not written)\n", path.c_str());
  } else {
    std::printf("generating %s (%zu MB)...\n", path.c_str(), sizeMB);
    std::fflush(stdout);
    Generate(path, sizeMB << 20);
  }
  const double fileMB = static_cast<double>(std::filesystem::file_size(path)) / (1 << 20);

  Series iconv, whole, inProcess, observed;
  for (int run = 0; run < runs; ++run) {
    iconv.Add(RunProgram({"iconv", "-c", "-f", "UTF-16LE", "-t", "CP932", path}));
    whole.Add(RunProgram({cli, "convert", path}));
    inProcess.Add(InChild([&] {
      std::FILE* sink = std::fopen("/dev/null", "wb");
      vindra::StreamOutputList output(sink);
      vindra::ConvertRegistryFile(output, path, vindra::ConversionOptions{});
      return output.Flush() ? 0 : 1;
    }));
    // As vindra-cli converts: every skipped item kept for the summary.
    observed.Add(InChild([&] {
      std::FILE* sink = std::fopen("/dev/null", "wb");
      vindra::StreamOutputList output(sink);
      vindra::SkipList skipped;
      vindra::ConvertRegistryFile(output, path, vindra::ConversionOptions{}, &skipped);
      return output.Flush() ? 0 : 1;
    }));
  }
  if (!whole.ok || !inProcess.ok) {
    std::fprintf(stderr, "the conversion failed (vindra-cli: %s)\n", cli.c_str());
    return 1;
  }

  // Output size, once, in this process.
  class Counter final : public vindra::OutputList {
   public:
    void Clear() override { bytes = 0; }
    void Add(std::string_view line) override { bytes += line.size() + 2; }
    std::size_t bytes = 0;
  } counter;
  vindra::ConvertRegistryFile(counter, path, vindra::ConversionOptions{});

  std::printf("file                  %s\n", path.c_str());
  std::printf("file size             %.1f MB (UTF-16LE), output %.1f MB; medians of %d alternating rounds\n", fileMB,
              static_cast<double>(counter.bytes) / (1 << 20), runs);
  auto row = [&](const char* label, const Series& s) {
    std::printf("%-21s %.3f s (%.0f MB/s), cpu %.3f s, peak %.1f MB = %.2f x file size\n", label, Median(s.wall),
                fileMB / Median(s.wall), Median(s.cpu), Median(s.peakMiB), Median(s.peakMiB) / fileMB);
  };
  if (iconv.ok) {
    row("iconv decode only", iconv);
  } else {
    std::printf("iconv decode only     not run (iconv missing?)\n");
  }
  row("vindra-cli convert", whole);
  row("conversion in-process", inProcess);
  row("with skip observer", observed);
  if (iconv.ok) {
    std::printf("whole process / iconv %.2f x time, %.2f x cpu (target <= 1.5)\n", Median(whole.wall) / Median(iconv.wall),
                Median(whole.cpu) / Median(iconv.cpu));
    std::printf("in-process / iconv    %.2f x time, %.2f x cpu\n", Median(inProcess.wall) / Median(iconv.wall),
                Median(inProcess.cpu) / Median(iconv.cpu));
    std::printf("observer / iconv      %.2f x time, %.2f x cpu\n", Median(observed.wall) / Median(iconv.wall),
                Median(observed.cpu) / Median(iconv.cpu));
  }
  std::printf("peak memory           %.2f x file size, whole process (target <= 1.5)\n",
              Median(whole.peakMiB) / fileMB);
  std::printf("reproduce             /usr/bin/time -f '%%e s %%M KB' %s convert %s >/dev/null\n", cli.c_str(),
              path.c_str());
  std::printf("                      /usr/bin/time -f '%%e s %%M KB' iconv -c -f UTF-16LE -t CP932 %s >/dev/null\n",
              path.c_str());
  if (!tempFolder.empty()) {
    std::printf("                      (name a FILE.reg that does not exist yet to keep the generated file)\n");
    std::filesystem::remove_all(tempFolder, error);
  }
  return 0;
}
