#include "app/text_buffer.h"

#include <gtest/gtest.h>


namespace vindra::app {
namespace {

TEST(TextBuffer, SetTextSplitsAtEveryLineBreakAndJoinsWithCrLf) {
  struct Case {
    std::string in, out;
    std::size_t lines;
  };
  const Case cases[] = {
      {"", "", 1},
      {"a", "a", 1},
      {"a\r\nb", "a\r\nb", 2},
      {"a\r\n", "a\r\n", 2},
      {"a\nb\rc", "a\r\nb\r\nc", 3},
      {"a\n\rb", "a\r\n\r\nb", 3},
  };
  for (const Case& c : cases) {
    TextBuffer b;
    b.SetText(c.in);
    EXPECT_EQ(b.Text(), c.out) << c.in;
    EXPECT_EQ(b.LineCount(), c.lines) << c.in;
    EXPECT_EQ(b.Length(), c.out.size()) << c.in;
  }
}

TEST(TextBuffer, AppendRuleFollowsTheTextsTail) {
  struct Case {
    std::string before, line, after;
  };
  const Case cases[] = {
      {"", "a", "a\r\n"},
      {"a\r\n", "b", "a\r\nb\r\n"},
      {"typed", "b", "typed\r\nb"},  // user text without a final line break
      {"a\r\n", "", "a\r\n\r\n"},
      {"a\r\n", "\r\n;--\r\n", "a\r\n\r\n;--\r\n\r\n"},
      {"", "x\r\n  y", "x\r\n  y\r\n"},
  };
  for (const Case& c : cases) {
    TextBuffer b;
    b.SetText(c.before);
    b.AddLine(c.line);
    EXPECT_EQ(b.Text(), c.after) << c.before << "+" << c.line;
  }
  TextBuffer typed;
  typed.SetText("typed");
  typed.AddLine("a");
  typed.AddLine("b");
  // The text keeps lacking its final line break, as in the real control.
  EXPECT_EQ(typed.Text(), "typed\r\na\r\nb");
}

// The rule written out on a plain string: a line goes after the last line
// break, or after a new one when the text does not end with one.
void AppendByRule(std::string& text, std::string_view line) {
  const bool empty = text.empty();
  const bool breakAtEnd = text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0;
  if (!empty && !breakAtEnd) text += "\r\n";
  text += line;
  if (empty || breakAtEnd) text += "\r\n";
}

// Many lines in a row keep the rule and the length.
TEST(TextBuffer, AddLineFollowsTheTextAreaRule) {
  const std::string starts[] = {"", "x\r\n", "typed", "a\r\nb"};
  const std::vector<std::vector<std::string>> batches = {
      {"a"}, {"a", "b", ""}, {"", ""}, {"\r\n;--\r\n", "[H]", "0x3,\"k\",\"v\",\\\r\n  00,01"}};
  for (const auto& start : starts) {
    for (const auto& batch : batches) {
      std::string expected = start;
      TextBuffer b;
      b.SetText(start);
      for (const auto& l : batch) {
        AppendByRule(expected, l);
        b.AddLine(l);
      }
      EXPECT_EQ(b.Text(), expected) << start;
      EXPECT_EQ(b.Length(), expected.size()) << start;
    }
  }
}

TEST(TextBuffer, InsertEraseAndRangeKeepLengthAndText) {
  TextBuffer b;
  b.SetText("hello\r\nworld");
  TextPos end = b.Insert({0, 5}, ",\r\nnew\r\nline");
  EXPECT_EQ(b.Text(), "hello,\r\nnew\r\nline\r\nworld");
  EXPECT_EQ(end, (TextPos{2, 4}));
  EXPECT_EQ(b.Length(), b.Text().size());
  EXPECT_EQ(b.Range({0, 3}, {2, 2}), "lo,\r\nnew\r\nli");
  EXPECT_EQ(b.Range({2, 2}, {0, 3}), "lo,\r\nnew\r\nli");  // either order
  b.Erase({2, 2}, {0, 3});
  EXPECT_EQ(b.Text(), "helne\r\nworld");
  EXPECT_EQ(b.Length(), b.Text().size());
  b.Erase({0, 5}, {1, 0});  // joins two lines
  EXPECT_EQ(b.Text(), "helneworld");
  b.Insert({9, 99}, "!");  // clamped to the end
  EXPECT_EQ(b.Text(), "helneworld!");
  EXPECT_EQ(b.Length(), 11u);
}

TEST(TextBuffer, MovementNeverSplitsDoubleByteCharacters) {
  TextBuffer b;
  b.SetText("a表b\r\nソ");  // 表 = 95 5C, ソ = 83 5C
  EXPECT_EQ(b.NextChar({0, 1}), (TextPos{0, 3}));
  EXPECT_EQ(b.PrevChar({0, 3}), (TextPos{0, 1}));
  EXPECT_EQ(b.Clamp({0, 2}), (TextPos{0, 1}));  // inside 表
  EXPECT_EQ(b.NextChar({0, 4}), (TextPos{1, 0}));
  EXPECT_EQ(b.PrevChar({1, 0}), (TextPos{0, 4}));
  EXPECT_EQ(b.NextChar({1, 0}), (TextPos{1, 2}));
  EXPECT_EQ(b.NextChar({1, 2}), (TextPos{1, 2}));  // end of text
  EXPECT_EQ(b.PrevChar({0, 0}), (TextPos{0, 0}));
  b.Erase({0, 2}, {0, 3});  // from inside 表: starts at its first byte
  EXPECT_EQ(b.Text(), "ab\r\nソ");
}

TEST(TextBuffer, OffsetsCountCrLfAsTwo) {
  TextBuffer b;
  b.SetText("ab\r\ncd\r\n");
  struct Case {
    std::size_t offset;
    TextPos pos;
  };
  const Case cases[] = {{0, {0, 0}}, {2, {0, 2}}, {3, {0, 2}}, {4, {1, 0}}, {6, {1, 2}}, {8, {2, 0}}, {99, {2, 0}}};
  for (const Case& c : cases) {
    EXPECT_EQ(b.FromOffset(c.offset), c.pos) << c.offset;
  }
  EXPECT_EQ(b.Offset({1, 1}), 5u);
  EXPECT_EQ(b.Offset({2, 0}), 8u);
}

TEST(TextBuffer, ManyAppendsStayLinear) {
  TextBuffer b;
  for (int i = 0; i < 200000; ++i) b.AddLine("0x1,\"Software\\Key\",\"Value\",\"data\"");
  EXPECT_EQ(b.LineCount(), 200001u);
  EXPECT_EQ(b.Length(), 200000u * 35u);
  EXPECT_EQ(b.MaxLineLength(), 33u);
}

}  // namespace
}  // namespace vindra::app
