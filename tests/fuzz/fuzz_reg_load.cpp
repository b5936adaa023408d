// Loading a registry file, both ways, on arbitrary file contents: the text of
// each loading path is recomputed from the bytes and compared, and the lines
// hold no line break or NUL byte.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/charset.h"
#include "core/registry_file_loader.h"
#include "platform/text.h"
#include "tests/fuzz/fuzz_support.h"

using vindra::fuzz::Check;

namespace {

std::string FilePath() {
  const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  return std::string(dir) + "/vindra_fuzz_reg_load_" + std::to_string(getpid()) + ".reg";
}

std::string CutAtNul(std::string text) {
  if (const auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
  return text;
}

// The UTF-16 path by its definition: the units after the byte-order mark, a
// final Ctrl-Z unit (the file's last two bytes) dropped, converted, cut at NUL.
std::string ExpectedUtf16Text(std::string_view bytes) {
  if (bytes.size() <= 2) return std::string();
  std::size_t units = (bytes.size() - 2) / 2;
  if (bytes[bytes.size() - 2] == 0x1A && bytes[bytes.size() - 1] == 0 && units > 0) --units;
  std::u16string wide(units, u'\0');
  for (std::size_t i = 0; i < units; ++i) {
    wide[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                    static_cast<unsigned char>(bytes[3 + 2 * i]) << 8);
  }
  return CutAtNul(vindra::platform::WideToAnsi(wide));
}

const std::string& ScratchFile() {
  static const std::string path = FilePath();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = ScratchFile();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return 0;
  const bool written = std::fwrite(data, 1, size, f) == size;
  if (std::fclose(f) != 0 || !written) return 0;

  std::string head = std::string(bytes.substr(0, 2048));
  for (char& c : head) if (c == '\0') c = ' ';
  Check(vindra::ReadFileHead(path, 2048) == head, "the probe is the first 2048 bytes, NUL as space", bytes);

  const std::string eightBit = vindra::Load8BitText(path);
  Check(eightBit == CutAtNul(std::string(bytes)), "the 8-bit text is the bytes up to the first NUL", bytes);
  const std::string utf16 = vindra::LoadUtf16Text(path);
  Check(utf16 == ExpectedUtf16Text(bytes), "the UTF-16 text is the converted units", bytes);

  const bool isUtf16 = vindra::DetectCharset(head) == vindra::CharsetKind::Utf16LE;
  std::vector<std::string> lines = {"left over"};
  vindra::LoadRegistryFileLines(path, lines);
  Check(lines == vindra::SplitLines(isUtf16 ? utf16 : eightBit), "the lines are those of the detected path", bytes);
  std::size_t total = 0;
  for (const std::string& line : lines) {
    Check(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos, "no CR, LF or NUL in a line",
          line);
    total += line.size();
  }
  Check(total <= (isUtf16 ? utf16 : eightBit).size(), "the lines hold no more than the text");
  std::remove(path.c_str());  // libFuzzer ends without running exit handlers
  return 0;
}
