// Bad input of every kind must convert without a crash, a hang or a read out
// of bounds (the sanitizer build checks the latter).
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/registry_file_converter.h"
#include "test_support.h"

namespace vindra {
namespace {

// Counts items instead of keeping them.
class CountingList final : public OutputList {
 public:
  void Clear() override { items = 0, bytes = 0; }
  void Add(std::string_view line) override {
    ++items;
    bytes += line.size();
  }
  std::size_t items = 0;
  std::size_t bytes = 0;
};

std::string RandomBytes(std::mt19937& random, std::size_t size, std::string_view alphabet = {}) {
  std::string bytes(size, '\0');
  for (char& c : bytes) {
    const unsigned r = random();
    c = alphabet.empty() ? static_cast<char>(r & 0xFF) : alphabet[r % alphabet.size()];
  }
  return bytes;
}

TEST(Robustness, RandomFiles) {
  test::TempDir dir;
  std::mt19937 random(20240601);
  // Bytes that drive the converter's states: brackets, quotes, backslashes,
  // equals signs, hex words and line ends, plus lead bytes.
  const std::string_view regAlphabet =
      "[]\"\\=@-,:;() \r\n\r\nhexHEXdword0123456789abcdefABCDEF(2)(7)(b)HKEY_CURRENT_USER\\HKEY_CLASSES_ROOT\\"
      "\x81\x95\x5C\xE0\xFF";
  for (int round = 0; round < 60; ++round) {
    const std::size_t size = random() % 20000;
    std::string bytes = RandomBytes(random, size, round % 2 ? regAlphabet : std::string_view());
    if (round % 3 == 0) bytes.insert(0, "\xFF\xFE", 2);
    if (round % 5 == 0) bytes.insert(0, "Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\K]\r\n");
    std::string name = std::to_string(round);
    name += ".reg";
    const std::string file = dir.Write(name, bytes);
    CountingList output;
    EXPECT_NO_THROW(ConvertRegistryFile(output, file, {})) << "round " << round;
  }
}

TEST(Robustness, TruncatedUtf16AtEveryLength) {
  test::TempDir dir;
  const std::string whole = test::Utf16Le(
      u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\\u8868]\r\n"
      u"\"h\"=hex:01,02,\\\r\n  03\r\n\"m\"=hex(7):61,00,00,00,00,00\r\n\"e\"=hex(2):41,00,\\\r\n  00,00\r\n"
      u"\"s\"=\"\U0001F600\\\\x\"\r\n\"d\"=dword:0000ffff\r\n");
  for (std::size_t n = 0; n <= whole.size(); ++n) {
    const std::string file = dir.Write("t.reg", whole.substr(0, n));
    CountingList output;
    EXPECT_NO_THROW(ConvertRegistryFile(output, file, {})) << n;
  }
}

TEST(Robustness, LinesOfMegabytes) {
  ConversionOptions options;
  test::SetMachinePaths();
  const std::string big(3 << 20, 'a');
  const std::string bigPath = "C:\\WINDOWS\\" + std::string(1 << 20, 'p') + "%SystemRoot%";
  const std::vector<std::string> lines = {
      "[HKEY_CURRENT_USER\\" + big + "]",
      "\"" + big + "\"=\"" + big + "\"",
      "\"p\"=\"" + bigPath + "\"",
      "\"x\"=" + big,
      "\"h\"=hex:" + big + ",\\",
      big,
      "; " + big,
      "[" + big,
      big,
  };
  LineList output;
  ConvertRegistryLines(lines, output, options, RegistryFileEncoding::Utf16LE);
  ASSERT_EQ(output.lines.size(), 7u);
  EXPECT_EQ(output.lines[3].substr(output.lines[3].size() - 6), "\\I386\"");
}

TEST(Robustness, HexListOfAMillionTokens) {
  std::string hex = "\"big\"=hex:";
  for (int i = 0; i < 1000000; ++i) hex += "ab,";
  hex.pop_back();
  std::string continued = "\"c\"=hex:01,\\";
  std::string text7 = "\"m\"=hex(7):";
  for (int i = 0; i < 500000; ++i) text7 += "61,00,00,00,";
  text7 += "00,00";
  const std::vector<std::string> lines = {"[HKEY_CURRENT_USER\\K]", hex, continued, hex.substr(10), text7};
  LineList output;
  ConvertRegistryLines(lines, output, {}, RegistryFileEncoding::Utf16LE);
  ASSERT_EQ(output.lines.size(), 6u);
  EXPECT_EQ(output.lines[2].size(), std::string("0x3,\"K\",\"big\",\\\r\n  ").size() + 3000000 - 1);
  // Re-wrapped: 1,000,001 tokens over 40,001 physical lines.
  const std::string& wrapped = output.lines[3];
  std::size_t breaks = 0;
  for (std::size_t pos = wrapped.find("\r\n"); pos != std::string::npos; pos = wrapped.find("\r\n", pos + 2)) ++breaks;
  EXPECT_EQ(breaks, 1u + 40000u);
  EXPECT_EQ(output.lines[4].size(), std::string("0x7,\"K\",\"m\",").size() + 500000 * 4 - 1);
}

}  // namespace
}  // namespace vindra
