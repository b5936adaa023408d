#include "app/memo_text.h"

#include <gtest/gtest.h>

namespace vindra::app {
namespace {

TEST(MemoText, AppendRuleFollowsTheTextsTail) {
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
    MemoText m;
    m.SetText(c.before);
    m.Add(c.line);
    EXPECT_EQ(m.Text(), c.after) << c.before << "+" << c.line;
    EXPECT_EQ(c.before + MemoAppendText(c.before, c.line), c.after);
  }
}

TEST(MemoText, TypedTextThenTwoLines) {
  MemoText m;
  m.SetText("typed");
  m.Add("a");
  m.Add("b");
  // The text keeps lacking its final line break, as in the real control.
  EXPECT_EQ(m.Text(), "typed\r\na\r\nb");
}

// A batch applied to a control must give the same text as adding line by line.
TEST(PendingMemoUpdate, BatchEqualsLineByLine) {
  const std::string starts[] = {"", "x\r\n", "typed"};
  const std::vector<std::vector<std::string>> batches = {
      {"a"}, {"a", "b", ""}, {"", ""}, {"\r\n;--\r\n", "[H]", "0x0,\"k\""}};
  for (const std::string& start : starts) {
    for (const auto& batch : batches) {
      for (bool clearFirst : {false, true}) {
        MemoText expected;
        expected.SetText(start);
        if (clearFirst) expected.Clear();
        for (const auto& l : batch) expected.Add(l);

        PendingMemoUpdate p;
        p.Begin(start.empty(), start.size() >= 2 && start.substr(start.size() - 2) == "\r\n");
        if (clearFirst) p.Clear();
        for (const auto& l : batch) p.Add(l);
        const std::string result = p.ReplacesAll() ? p.Text() : start + p.Text();
        EXPECT_EQ(result, expected.Text()) << "start=" << start << " clear=" << clearFirst;
        EXPECT_EQ(p.HasText(), !expected.Empty());
      }
    }
  }
}

TEST(PendingMemoUpdate, ClearWithoutAddsEmptiesTheControl) {
  PendingMemoUpdate p;
  p.Begin(false, true);
  EXPECT_FALSE(p.Changed());
  EXPECT_TRUE(p.HasText());
  p.Clear();
  EXPECT_TRUE(p.Changed());
  EXPECT_TRUE(p.ReplacesAll());
  EXPECT_FALSE(p.HasText());
}

}  // namespace
}  // namespace vindra::app
