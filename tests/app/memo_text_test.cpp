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

}  // namespace
}  // namespace vindra::app
