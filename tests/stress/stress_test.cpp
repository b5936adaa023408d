// Stress tests with inputs far beyond everyday sizes. Each test checks the
// result and prints its time and peak memory (resident set) so that the run
// doubles as a measurement: ctest --preset native -R stress -V.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/language_file.h"
#include "core/charset.h"
#include "core/file_io.h"
#include "core/registry_file_converter.h"
#include "core/registry_file_loader.h"
#include "core/stream_output_list.h"
#include "regbrowser/key_picker.h"
#include "tests/regbrowser/null_view.h"
#include "registry/key_exporter.h"
#include "registry/memory_registry.h"
#include "registry/reg_file_import.h"
#include "registry/regexpander_exporter.h"

namespace vindra {
namespace {

namespace fs = std::filesystem;
namespace reg = registry;

// Seconds on the monotonic clock (<chrono> does not compile with the CP932
// execution charset).
double Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// 1 normally; larger under the sanitizers, which divide the sizes by it.
std::size_t Scale() {
  const char* s = std::getenv("VINDRA_STRESS_SCALE");
  const long v = s ? std::atol(s) : 1;
  return v > 0 ? static_cast<std::size_t>(v) : 1;
}

// Peak resident memory of the process in MiB since the last ResetPeak.
double PeakMiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  }
  return 0;
}
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// Prints the figures of one measured step when it ends.
class Measure {
 public:
  explicit Measure(std::string what) : what_(std::move(what)), start_(Now()) { ResetPeak(); }
  ~Measure() {
    const double s = Now() - start_;
    std::printf("[stress] %-58s %8.2f s  peak %7.0f MiB\n", what_.c_str(), s, PeakMiB());
    std::fflush(stdout);
  }

 private:
  std::string what_;
  double start_;
};

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "vindra_stress_XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code e;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, e);
    fs::remove_all(path_, e);
  }
  std::string File(const std::string& name) const { return (fs::path(path_) / name).string(); }

 private:
  std::string path_;
};

// Writes `count` copies of `block` (after `head`) to a file.
void WriteRepeated(const std::string& path, const std::string& head, const std::string& block, std::size_t count) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(head.data(), 1, head.size(), f);
  std::string chunk;
  for (std::size_t i = 0; i < count;) {
    chunk.clear();
    for (; i < count && chunk.size() < (8u << 20); ++i) chunk += block;
    ASSERT_EQ(std::fwrite(chunk.data(), 1, chunk.size(), f), chunk.size());
  }
  ASSERT_EQ(std::fclose(f), 0);
}

// Counts the items of a conversion and the bytes they hold, writing nothing.
class CountingList final : public OutputList {
 public:
  void Clear() override { items = bytes = 0; }
  void Add(std::string_view line) override {
    ++items;
    bytes += line.size();
    last = std::string(line.substr(0, 200));
  }
  std::size_t items = 0;
  std::size_t bytes = 0;
  std::string last;
};

class StressTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SystemRoot", "C:\\WINDOWS", 1);
    setenv("ProgramFiles", "C:\\Program Files", 1);
    setenv("SystemDrive", "C:", 1);
  }
  TempDir dir_;
  ConversionOptions options_;
};

// A gigabyte of keys and values: one key with 16 typical values per block.
TEST_F(StressTest, GigabyteRegistryFileConvertsInBoundedMemory) {
  const std::string block =
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\App\\Key]\r\n"
      "\"Path\"=\"C:\\\\Program Files\\\\App\\\\bin\\\\app.exe\"\r\n"
      "\"Name\"=\"表示テスト ﾃｽﾄ\"\r\n\"Count\"=dword:0000ffff\r\n"
      "\"Data\"=hex:01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18,19,1a,\\\r\n"
      "  1b,1c,1d,1e\r\n\"Exp\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,25,00,00,00\r\n"
      "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
      "\"Sys\"=\"C:\\\\WINDOWS\\\\system32\\\\drivers\"\r\n\"Q\"=hex(b):01,00,00,00,00,00,00,00\r\n\r\n";
  const std::size_t target = (std::size_t{1} << 30) / Scale();
  const std::size_t blocks = target / block.size();
  const std::string path = dir_.File("big.reg");
  {
    Measure m("write " + std::to_string(target >> 20) + " MiB .reg file (8-bit)");
    WriteRepeated(path, "Windows Registry Editor Version 5.00\r\n\r\n", block, blocks);
  }
  const double fileMiB = static_cast<double>(fs::file_size(path)) / (1 << 20);
  CountingList out;
  double peak;
  {
    Measure m("convert " + std::to_string(static_cast<int>(fileMiB)) + " MiB .reg file");
    ConvertRegistryFile(out, path, options_);
    peak = PeakMiB();
  }
  // One section: its header, the key entry once (the key path repeats), per
  // block 8 entries and the comment of the replaced REG_QWORD, then "".
  EXPECT_EQ(out.items, 1 + 1 + blocks * 9 + 1);
  EXPECT_EQ(out.last, "");
  // The text is held once and the converted sections once: about twice the
  // file plus the growth of the entries over the lines they come from.
#ifndef VINDRA_STRESS_SANITIZED
  EXPECT_LT(peak, 3.0 * fileMiB + 64) << "peak " << peak << " MiB for " << fileMiB << " MiB";
  std::printf("[stress] %zu output items; bound: peak %.0f MiB <= 3 x file (%.0f MiB) + 64 MiB\n", out.items, peak,
              fileMiB);
#endif
}

// The UTF-16 path over a quarter of that.
TEST_F(StressTest, LargeUtf16FileConverts) {
  std::u16string unit = u"[HKEY_CURRENT_USER\\Software\\表示]\r\n\"値\"=\"C:\\\\WINDOWS\\\\x ¥ \U0001F600\"\r\n";
  std::string bytes;
  for (char16_t c : unit) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  const std::size_t count = (std::size_t{256} << 20) / Scale() / bytes.size();
  const std::string path = dir_.File("big16.reg");
  WriteRepeated(path, std::string("\xFF\xFE", 2), bytes, count);
  CountingList out;
  {
    Measure m("convert " + std::to_string(fs::file_size(path) >> 20) + " MiB UTF-16 .reg file");
    ConvertRegistryFile(out, path, options_);
  }
  EXPECT_EQ(out.items, 1 + 1 + count + 1);
}

// One line of 100 MB: a string value, a line without "=", a comment.
TEST_F(StressTest, HundredMegabyteLine) {
  const std::size_t size = (std::size_t{100} << 20) / Scale();
  const std::string big(size, 'x');
  const std::string path = dir_.File("line.reg");
  {
    std::ofstream f(path, std::ios::binary);
    f << "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"v\"=\"" << big << "\"\r\n" << big << "\r\n;" << big << "\r\n";
  }
  CountingList out;
  {
    Measure m("convert a file with three lines of 100 MB");
    ConvertRegistryFile(out, path, options_);
  }
  // Header, key entry, the value, the comment, "".
  EXPECT_EQ(out.items, 5u);
  EXPECT_GT(out.bytes, 2 * size);

  reg::MemoryRegistry registry;
  {
    Measure m("import the 100 MB line into the in-memory registry");
    std::vector<std::string> lines;
    const RegistryFileEncoding encoding = LoadRegistryFileLines(path, lines, RegistryTextForm::Exact);
    reg::ImportRegLines(lines, registry, encoding);
  }
  const auto* value = registry.FindValue(reg::kHkeyCurrentUser, "K", "v");
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->data.size(), size + 1);  // the text and its zero
}

// Ten million hex tokens: continued over 400 000 lines, and on one line.
TEST_F(StressTest, TenMillionHexTokens) {
  const std::size_t tokens = 10'000'000 / Scale();
  std::string lines = "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"h\"=hex:";
  lines.reserve(tokens * 3 + tokens / 25 * 6 + 100);
  for (std::size_t i = 0; i < tokens; ++i) {
    lines += "ab";
    if (i + 1 < tokens) lines += (i % 25 == 24) ? ",\\\r\n  " : ",";
  }
  lines += "\r\n\"one\"=hex:";
  for (std::size_t i = 0; i < tokens; ++i) lines += i + 1 < tokens ? "cd," : "cd";
  lines += "\r\n";
  const std::string path = dir_.File("hex.reg");
  std::ofstream(path, std::ios::binary) << lines;

  CountingList out;
  {
    Measure m("convert two hex lists of 10 million tokens each");
    ConvertRegistryFile(out, path, options_);
  }
  EXPECT_EQ(out.items, 5u);  // header, key, two values, ""

  reg::MemoryRegistry registry;
  std::vector<std::string> split = SplitLines(lines);
  reg::ImportRegLines(split, registry, RegistryFileEncoding::Ansi);
  const auto* value = registry.FindValue(reg::kHkeyCurrentUser, "K", "h");
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->data.size(), tokens);
  LineList exported;
  {
    Measure m("export the two 10 MB binary values");
    reg::RegistryKeyExporter(exported, registry, reg::kHkeyCurrentUser, "K", options_);
  }
  ASSERT_EQ(exported.lines.size(), 3u);
  // 25 bytes a physical line: the item holds one line break per 25 bytes.
  const std::string& item = exported.lines[1];
  std::size_t breaks = 0;
  for (std::size_t p = item.find("\r\n"); p != std::string::npos; p = item.find("\r\n", p + 2)) ++breaks;
  EXPECT_EQ(breaks, (tokens + 24) / 25 - 1);
}

using regbrowser::testing::ViewlessPicker;

TEST_F(StressTest, KeyTree512LevelsDeep) {
  reg::MemoryRegistry registry;
  std::string path;
  for (std::size_t level = 1; level <= reg::kMaxKeyDepth; ++level) {
    if (!path.empty()) path += '\\';
    path += "L" + std::to_string(level);
  }
  ASSERT_TRUE(registry.CreateKey(reg::kHkeyCurrentUser, path));
  ASSERT_TRUE(registry.SetValue(reg::kHkeyCurrentUser, path, "deepest", 1, std::string("here\0", 5)));
  EXPECT_FALSE(registry.CreateKey(reg::kHkeyCurrentUser, path + "\\L513"));

  LineList keys, settings;
  {
    Measure m("export a key tree 512 levels deep (both exporters)");
    reg::RegistryKeyExporter(keys, registry, reg::kHkeyCurrentUser, "L1", options_);
    reg::RegExpanderExporter(settings, registry, reg::kHkeyCurrentUser, "L1", options_);
  }
  EXPECT_EQ(keys.lines.size(), reg::kMaxKeyDepth + 1);
  EXPECT_EQ(settings.lines.size(), 1u);

  ViewlessPicker viewless(registry, reg::kHkeyCurrentUser, path);
  regbrowser::KeyPicker& picker = viewless.picker;
  {
    Measure m("picker: preselect the key 512 levels down");
    picker.PrepareToShow();
  }
  ASSERT_NE(picker.Selected(), nullptr);
  EXPECT_EQ(picker.Selected()->text, "L512");
  EXPECT_EQ(picker.section, path + "\\");
}

TEST_F(StressTest, HundredThousandSubKeys) {
  const std::size_t count = 100'000 / Scale();
  reg::MemoryRegistry registry;
  {
    Measure m("create 100 000 sub-keys under one key");
    for (std::size_t i = 0; i < count; ++i) {
      const std::string name = (i % 2 ? "Key" : "キー") + std::to_string((i * 7919) % count);
      registry.SetValue(reg::kHkeyCurrentUser, "Many\\" + name, "v", 1, std::string("x\0", 2));
    }
  }
  LineList keys, settings;
  {
    Measure m("export 100 000 sibling keys (both exporters)");
    reg::RegistryKeyExporter(keys, registry, reg::kHkeyCurrentUser, "Many", options_);
    reg::RegExpanderExporter(settings, registry, reg::kHkeyCurrentUser, "Many", options_);
  }
  EXPECT_EQ(keys.lines.size(), 1 + 2 * count);
  EXPECT_EQ(settings.lines.size(), count);

  ViewlessPicker viewless(registry, reg::kHkeyCurrentUser, "Many");
  regbrowser::KeyPicker& picker = viewless.picker;
  picker.PrepareToShow();
  ASSERT_NE(picker.Selected(), nullptr);
  {
    Measure m("picker: fill a node with 100 000 sub-keys");
    picker.FillNodeChildren(*picker.Selected(), true);
  }
  EXPECT_EQ(picker.Selected()->children.size(), count);
}

TEST_F(StressTest, TenMegabyteLanguageFile) {
  const std::string path = dir_.File("Vindra.rsl");
  {
    std::ofstream f(path, std::ios::binary);
    f << "[Strings]\r\n";
    const std::size_t lines = (std::size_t{10} << 20) / Scale() / 40;
    for (std::size_t i = 0; i < lines; ++i) f << "Filler" << i << "=表示テスト の 文字列 です\r\n";
    f << "[Font01]\r\nName=ＭＳ ゴシック\r\nSize=12\r\n[Strings]\r\nRS_006=完了\r\n";
  }
  std::string value;
  platform::FontDescription font;
  {
    Measure m("language file of 10 MB: 10 lookups");
    for (int i = 0; i < 9; ++i) value = app::ReadIniString(path, "Strings", "RS_006", "default");
    font = app::ReadFontDescription(path, app::LanguageFont::kWindow);
  }
  EXPECT_EQ(value, "完了");
  EXPECT_EQ(font.size, 12);
}

// The probe reads a file that is gone, or no longer a file, when the full
// read comes: the read reports the file by name; nothing is converted.
TEST_F(StressTest, FilesThatChangeBetweenProbeAndRead) {
  const std::string content = "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"a\"=\"1\"\r\n";
  const std::string utf16("\xFF\xFE[\0K\0]\0", 8);
  struct Case {
    const char* what;
    std::string bytes;
    void (*change)(const std::string& path);
  } const cases[] = {
      {"deleted", content, [](const std::string& p) { fs::remove(p); }},
      {"replaced by a folder", content, [](const std::string& p) { fs::remove(p); fs::create_directory(p); }},
      {"replaced by a dangling link", utf16,
       [](const std::string& p) { fs::remove(p); fs::create_symlink(p + ".missing", p); }},
      {"UTF-16 file deleted", utf16, [](const std::string& p) { fs::remove(p); }},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string path = dir_.File("changing" + std::to_string(n++) + ".reg");
    std::ofstream(path, std::ios::binary) << c.bytes;
    const std::string probe = ReadFileHead(path, 2048);
    EXPECT_FALSE(probe.empty()) << c.what;
    c.change(path);
    try {
      (void)(probe[0] == '\xFF' ? LoadUtf16Text(path) : Load8BitText(path));
      ADD_FAILURE() << c.what << ": no error";
    } catch (const FileOpenError& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << c.what << ": " << e.what();
    }
    LineList output;
    output.lines = {"kept"};
    EXPECT_THROW(ConvertRegistryFile(output, path, options_), FileOpenError) << c.what;
    EXPECT_EQ(output.lines, std::vector<std::string>{"kept"}) << c.what;
  }

  // A file that shrinks to less than its byte-order mark after the probe
  // gives no lines; one that loses its permissions (for a user other than
  // root) cannot be opened.
  const std::string path = dir_.File("shrinking.reg");
  std::ofstream(path, std::ios::binary) << utf16;
  ASSERT_EQ(DetectCharset(ReadFileHead(path, 2048)), CharsetKind::Utf16LE);
  fs::resize_file(path, 1);
  EXPECT_EQ(LoadUtf16Text(path), "");
  if (geteuid() != 0) {
    std::ofstream(path, std::ios::binary) << content;
    chmod(path.c_str(), 0);
    EXPECT_THROW(Load8BitText(path), FileOpenError);
  }
}

}  // namespace
}  // namespace vindra
