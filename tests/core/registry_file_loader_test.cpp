#include "core/registry_file_loader.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include "core/charset.h"
#include "core/file_io.h"
#include "test_support.h"

namespace vindra {
namespace {

using Lines = std::vector<std::string>;

// A file's bytes and the lines it must load as.
struct FileCase {
  const char* what;
  std::string bytes;
  Lines lines;
};

TEST(LineRule, Table) {
  const struct {
    std::string text;
    Lines lines;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb", {"a", "b"}},
      {"a\rb", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {"a\r\n", {"a"}},
      {"a\r\n\r\n", {"a", ""}},
      {"\n", {""}},
      {"\r\n\r\n", {"", ""}},
      {"a\r\r\nb", {"a", "", "b"}},
      {std::string("a\r\nb\0c\r\nd", 10), {"a", "b"}},
      {std::string("\0abc", 4), {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitLines(c.text), c.lines) << test::Visible(c.text);
}

// Every way of cutting each text of the line rule into two pieces, and into
// pieces of one byte, gives the lines of the whole text.
TEST(LineSplitter, PiecesGiveTheLinesOfTheWholeText) {
  const std::string texts[] = {"",        "a",          "a\r\nb",   "a\rb",   "a\nb",       "a\n\rb", "a\r\n",
                               "a\r\n\r\n", "\n",         "\r\n\r\n", "a\r\r\nb", "ab\r\ncd\r", "\r", "abc"};
  for (const std::string& text : texts) {
    const Lines expected = SplitLines(text);
    auto split = [&text](const std::vector<std::size_t>& cuts) {
      Lines lines;
      LineSplitter splitter;
      auto onLine = [&lines](std::string_view line) { lines.emplace_back(line); };
      std::size_t start = 0;
      for (std::size_t cut : cuts) {
        splitter.Feed(std::string_view(text).substr(start, cut - start), onLine);
        start = cut;
      }
      splitter.Feed(std::string_view(text).substr(start), onLine);
      splitter.Finish(onLine);
      return lines;
    };
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
      EXPECT_EQ(split({cut}), expected) << test::Visible(text) << " cut at " << cut;
    }
    std::vector<std::size_t> everyByte;
    for (std::size_t cut = 1; cut < text.size(); ++cut) everyByte.push_back(cut);
    EXPECT_EQ(split(everyByte), expected) << test::Visible(text) << " in single bytes";
  }
}

class LoaderTest : public ::testing::Test {
 protected:
  Lines Load(const std::string& bytes) {
    Lines lines = {"left over"};
    LoadRegistryFileLines(dir.Write("f.reg", bytes), lines);
    return lines;
  }
  test::TempDir dir;
};

TEST_F(LoaderTest, Utf16LittleEndianFiles) {
  const FileCase cases[] = {
      {"bom only", test::Utf16Le(u""), {}},
      {"two lines", test::Utf16Le(u"A\r\nB"), {"A", "B"}},
      {"final ctrl-z dropped", test::Utf16Le(u"A\r\nB\x1A"), {"A", "B"}},
      {"ctrl-z inside kept", test::Utf16Le(u"A\x1A" u"B"), {"A\x1A" "B"}},
      {"odd last byte ignored", test::Utf16Le(u"AB") + "C", {"AB"}},
      {"bom and one odd byte", std::string("\xFF\xFE\x41", 3), {}},
      // The Ctrl-Z test looks at the last two bytes of the file, odd or not.
      {"odd size, last bytes 00 1A", std::string("\xFF\xFE\x41\x00\x1A\x00\x1A", 7), {"A\x1A"}},
      {"odd size, last bytes 1A 00", std::string("\xFF\xFE\x41\x00\x42\x1A\x00", 7), {"A"}},
      {"japanese", test::Utf16Le(u"\u8868\u793A=\"\u30BD\""), {"\x95\x5C\x8E\xA6=\"\x83\x5C\""}},
      {"unmappable becomes ?", test::Utf16Le(u"a\uAC00b"), {"a?b"}},
      {"nul unit ends the text", test::Utf16Le(std::u16string(u"a\r\nb\0c", 6)), {"a", "b"}},
      {"lf cr", test::Utf16Le(u"a\n\rb"), {"a", "", "b"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Load(c.bytes), c.lines) << c.what;
}

TEST_F(LoaderTest, EightBitFilesAreTakenByteForByte) {
  const FileCase cases[] = {
      {"empty", "", {}},
      {"ascii", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\x]\r\n", {"REGEDIT4", "", "[HKEY_CURRENT_USER\\x]"}},
      {"utf-16be stops at the nul after the mark", std::string("\xFE\xFF\x00\x41", 4), {"\xFE\xFF"}},
      {"utf-8 with mark keeps the mark", "\xEF\xBB\xBF" "A\r\n", {"\xEF\xBB\xBF" "A"}},
      {"euc-jp is not converted", "\xA4\xA2\r\n", {"\xA4\xA2"}},
      {"iso-2022-jp is not converted", "\x1B$B$\"\x1B(B", {"\x1B$B$\"\x1B(B"}},
      {"utf-16le without mark stops at first nul", std::string("A\0B\0", 4), {"A"}},
      {"nul in the middle", std::string("ab\r\ncd\0ef\r\ngh", 13), {"ab", "cd"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Load(c.bytes), c.lines) << c.what;
}

TEST_F(LoaderTest, ReadFileHeadReplacesNulAndNeverThrows) {
  const std::string file = dir.Write("head.bin", std::string("A\0B\0C", 5));
  EXPECT_EQ(ReadFileHead(file, 4), "A B ");
  EXPECT_EQ(ReadFileHead(file, 100), "A B C");
  EXPECT_EQ(ReadFileHead(dir.PathOf("missing.reg"), 10), "");
  EXPECT_EQ(ReadFileHead(dir.PathOf(""), 10), "");  // a folder
}

TEST_F(LoaderTest, LargeUtf16FileAcrossReadPieces) {
  // Lines long enough to cross the loader's read pieces, with a surrogate pair
  // (which the code page lacks) and double-byte characters everywhere.
  std::u16string text;
  Lines expected;
  for (int i = 0; i < 2000; ++i) {
    std::u16string line(i % 700 + 1, u'x');
    line += u"\u8868\U0001F600";
    text += line + u"\r\n";
    expected.push_back(std::string(static_cast<std::size_t>(i % 700 + 1), 'x') + "\x95\x5C" + "??");
  }
  // Place a surrogate pair exactly on the first piece boundary (pieces of
  // 2^17 units, the byte-order mark included).
  constexpr std::size_t kPieceUnits = std::size_t{1} << 17;
  std::u16string padding(kPieceUnits - 1 - text.size() % kPieceUnits, u'y');
  if (padding.size() >= 2) {
    padding.resize(padding.size() - 2);
    text += padding + u"\r\n";
    expected.push_back(std::string(padding.size(), 'y'));
  }
  text += u"\U0001F600end";
  expected.push_back("??end");
  const Lines lines = Load(test::Utf16Le(text));
  ASSERT_EQ(lines.size(), expected.size());
  for (std::size_t i = 0; i < lines.size(); ++i) ASSERT_EQ(lines[i], expected[i]) << "line " << i;
}

// The pieces of ReadRegistryFileText join to the text of LoadRegistryFileText,
// for files of several read pieces in both character sets, cut at a NUL.
TEST_F(LoaderTest, PiecesJoinToTheWholeText) {
  std::u16string wide;
  std::string narrow;
  for (int i = 0; wide.size() < 400000; ++i) {
    wide += u"\"\u8868\u793A" + std::u16string(static_cast<std::size_t>(i % 90), u'v') + u"\"=dword:1\r\n";
    narrow += "\"\x95\x5C\x8E\xA6" + std::string(static_cast<std::size_t>(i % 90), 'v') + "\"=dword:1\r\n";
  }
  const std::string files[] = {
      test::Utf16Le(wide),
      test::Utf16Le(wide + std::u16string(1, u'\0') + u"after"),
      narrow,
      narrow + std::string(1, '\0') + "after",
  };
  for (const std::string& bytes : files) {
    const std::string file = dir.Write("big.reg", bytes);
    std::string joined;
    std::size_t pieces = 0;
    ReadRegistryFileText(file, [&](std::string_view piece) {
      EXPECT_FALSE(piece.empty());
      joined.append(piece);
      ++pieces;
    });
    EXPECT_GT(pieces, 1u);
    EXPECT_EQ(joined, narrow);
    EXPECT_EQ(LoadRegistryFileText(file), narrow);
  }
}

TEST_F(LoaderTest, MissingFileRaisesTheFileOpenErrorAndKeepsLines) {
  Lines lines = {"kept"};
  const std::string missing = dir.PathOf("no such file.reg");
  try {
    LoadRegistryFileLines(missing, lines);
    FAIL() << "no error";
  } catch (const FileOpenError& error) {
    const std::string message = error.what();
    const std::string start = "ファイル \"" + FullPathName(missing) + "\". ";
    EXPECT_EQ(message.substr(0, start.size()), start) << message;
    EXPECT_EQ(message.substr(message.size() - std::string(" は開けません").size()), " は開けません");
    EXPECT_GT(message.size(), start.size() + std::string(" は開けません").size()) << "no system text";
  }
  EXPECT_EQ(lines, Lines{"kept"});
  EXPECT_THROW(LoadRegistryFileLines(dir.PathOf(""), lines), FileOpenError);
}

// A pipe that hands `bytes` once to the first reader, then closes its end:
// a FIFO on POSIX, a named pipe on Windows (whose end of stream is a failed
// read with ERROR_BROKEN_PIPE, not a read of 0 bytes).
class OneShotPipe {
 public:
  OneShotPipe(const test::TempDir& dir, const std::string& bytes) {
    static int counter = 0;
#ifdef _WIN32
    (void)dir;  // a named pipe lives in the pipe namespace, not in a folder
    path_ = "\\\\.\\pipe\\vindra-core-test-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++counter);
    HANDLE pipe = CreateNamedPipeA(path_.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 65536,
                                   65536, 0, nullptr);
    EXPECT_NE(pipe, INVALID_HANDLE_VALUE);
    writer_ = std::thread([pipe, &bytes] {
      if (pipe == INVALID_HANDLE_VALUE) return;
      if (ConnectNamedPipe(pipe, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED) {
        DWORD written = 0;
        WriteFile(pipe, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        FlushFileBuffers(pipe);
      }
      CloseHandle(pipe);
    });
#else
    path_ = dir.PathOf("pipe" + std::to_string(++counter));
    EXPECT_EQ(mkfifo(path_.c_str(), 0600), 0);
    writer_ = std::thread([this, &bytes] {
      std::ofstream(path_, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    });
#endif
  }
  ~OneShotPipe() {
    writer_.join();
#ifndef _WIN32
    std::filesystem::remove(path_);
#endif
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::thread writer_;
};

// A pipe can be read only once: the probe must not be lost to the detection,
// and the end of the stream is no error.
TEST_F(LoaderTest, PipesAreReadOnce) {
  std::u16string wide = u"[HKEY_CURRENT_USER\\K]\r\n";
  std::string narrow = "[HKEY_CURRENT_USER\\K]";
  Lines expected = {narrow};
  for (int i = 0; i < 40000; ++i) {
    wide += u"\"v\"=\"\u8868 value with some length to fill pieces\"\r\n";
    expected.push_back("\"v\"=\"\x95\x5C value with some length to fill pieces\"");
  }
  const std::string utf16 = test::Utf16Le(wide + u"\x1A");
  std::string eightBit;
  for (const std::string& line : expected) eightBit += line + "\r\n";
  for (const std::string* bytes : std::vector<const std::string*>{&utf16, &eightBit}) {
    const OneShotPipe pipe(dir, *bytes);
    Lines lines;
    EXPECT_NO_THROW(LoadRegistryFileLines(pipe.path(), lines));
    ASSERT_EQ(lines.size(), expected.size());
    EXPECT_EQ(lines, expected);
  }
}

TEST(FullPathName, RelativeNamesBecomeAbsolute) {
  const std::string full = FullPathName("some.reg");
  EXPECT_NE(full, "some.reg");
  EXPECT_EQ(full.substr(full.size() - 8), "some.reg");
  EXPECT_TRUE(std::filesystem::path(full).is_absolute()) << full;
}

}  // namespace
}  // namespace vindra
