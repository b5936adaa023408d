#include "core/stream_output_list.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/text.h"
#include "test_support.h"

namespace vindra {
namespace {

std::string WriteThrough(OutputEncoding encoding, std::size_t bufferSize,
                         const std::vector<std::string>& items) {
  test::TempDir dir;
  const std::string file = dir.PathOf("out.txt");
  std::FILE* stream = std::fopen(file.c_str(), "wb");
  {
    StreamOutputList output(stream, encoding, bufferSize);
    for (const std::string& item : items) output.Add(item);
    EXPECT_TRUE(output.Flush());
  }
  std::fclose(stream);
  return test::ReadBytes(file);
}

TEST(StreamOutputList, EveryItemFollowedByCrLf) {
  const std::string longLine(1000, 'x');
  const struct {
    std::vector<std::string> items;
    std::string bytes;
  } cases[] = {
      {{}, ""},
      {{""}, "\r\n"},
      {{"[Default.AddReg]", "0x0,\"K\"", ""}, "[Default.AddReg]\r\n0x0,\"K\"\r\n\r\n"},
      {{"a,\\\r\n  01"}, "a,\\\r\n  01\r\n"},
      {{"a", longLine, "b"}, "a\r\n" + longLine + "\r\nb\r\n"},
      {{"\x95\x5C"}, "\x95\x5C\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WriteThrough(OutputEncoding::Ansi, 64, c.items), c.bytes);
    EXPECT_EQ(WriteThrough(OutputEncoding::Ansi, 1 << 20, c.items), c.bytes);
  }
}

TEST(StreamOutputList, Utf8Encoding) {
  EXPECT_EQ(WriteThrough(OutputEncoding::Utf8, 64, {"\x95\x5C\x8E\xA6", "ab"}), "\xE8\xA1\xA8\xE7\xA4\xBA\r\nab\r\n");
  EXPECT_EQ(platform::AnsiToUtf8("X:\\\x83\x5C"), "X:\\\xE3\x82\xBD");
  EXPECT_EQ(platform::AnsiToUtf8("plain"), "plain");
}

TEST(StreamOutputList, ClearDropsWhatIsNotWritten) {
  test::TempDir dir;
  const std::string file = dir.PathOf("out.txt");
  std::FILE* stream = std::fopen(file.c_str(), "wb");
  {
    StreamOutputList output(stream, OutputEncoding::Ansi, 1024);
    output.Add("dropped");
    output.Clear();
    output.Add("kept");
  }
  std::fclose(stream);
  EXPECT_EQ(test::ReadBytes(file), "kept\r\n");
}

TEST(StreamOutputList, WriteFailureIsReported) {
  test::TempDir dir;
  const std::string file = dir.Write("ro.txt", "");
  std::FILE* stream = std::fopen(file.c_str(), "rb");  // not writable
  ASSERT_NE(stream, nullptr);
  {
    StreamOutputList output(stream, OutputEncoding::Ansi, 64);
    output.Add(std::string(200, 'x'));
    EXPECT_FALSE(output.Flush());
    EXPECT_TRUE(output.Failed());
  }
  std::fclose(stream);
}

}  // namespace
}  // namespace vindra
