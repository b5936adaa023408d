#include "platform/collate.h"

#include <gtest/gtest.h>

#include "platform/text.h"
#include "windows_order_table.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace vindra::platform {
namespace {

std::string Join(const std::vector<std::string>& v) {
  std::string out;
  for (const auto& s : v) out += (out.empty() ? "[" : " [") + s + "]";
  return out;
}

// The order of CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE) on a
// Japanese system; names in one inner list compare equal.
const std::vector<std::vector<std::string>> kWindowsOrder = {
    {""},     {"_x"},  {"~z"},  {"1"},      {"10"}, {"9"},  {"a", "A"}, {"Ａ", "ａ"}, {"a b"}, {"a.b"},
    {"a_b"},  {"a1"},  {"A-1"}, {"a10"},    {"a2"}, {"ab", "aB"},       {"a-b"},      {"b", "B"},
    {"x"},    {"-x"},  {"Zeta", "zeta"},    {"ｱ"},  {"ア"}, {"あ"}, {"ソ"}, {"亜"},  {"日本"}, {"表"},
};

TEST(Collate, AdjacentNamesCompareAsOnWindows) {
  for (std::size_t i = 0; i < kWindowsOrder.size(); ++i) {
    const auto& group = kWindowsOrder[i];
    for (const auto& a : group) {
      for (const auto& b : group) EXPECT_EQ(CompareTextIgnoreCase(a, b), 0) << "[" << a << "] [" << b << "]";
    }
    if (i + 1 < kWindowsOrder.size()) {
      const auto& next = kWindowsOrder[i + 1];
      EXPECT_LT(CompareTextIgnoreCase(group.front(), next.front()), 0) << "[" << group.front() << "] [" << next.front() << "]";
      EXPECT_GT(CompareTextIgnoreCase(next.back(), group.back()), 0) << "[" << next.back() << "] [" << group.back() << "]";
    }
  }
}

TEST(Collate, SortIsStableAndGivesTheWindowsOrder) {
  std::vector<std::string> expected;
  for (const auto& g : kWindowsOrder) expected.insert(expected.end(), g.begin(), g.end());
  std::vector<std::string> names = expected;
  std::mt19937 random(7);
  for (int round = 0; round < 5; ++round) {
    std::shuffle(names.begin(), names.end(), random);
    const std::vector<std::string> input = names;
    SortNamesIgnoreCase(names);
    // Equal names keep their input order: build the expected list from it.
    std::vector<std::string> want;
    for (const auto& g : kWindowsOrder) {
      for (const auto& s : input) {
        if (std::find(g.begin(), g.end(), s) != g.end()) want.push_back(s);
      }
    }
    EXPECT_EQ(Join(names), Join(want));
  }
}

struct PairCase {
  std::string a, b;
  int sign;
};

TEST(Collate, PairsCompareAsOnWindows) {
  const PairCase cases[] = {
      {"", "", 0},         {"", "a", -1},         {"", "-", -1},        {"ab", "AB", 0},
      {"ab", "a-b", -1},   {"a-b", "ab-", 1},     {"-ab", "a-b", 1},    {"a'b", "a-b", -1},
      {"a--b", "a-b", 1},  {"a b", "a_b", -1},    {"a.b", "a_b", -1},   {"a~", "a\\", -1},
      {"a\\", "a+", -1},   {"a>", "a0", -1},      {"a9", "aa", -1},     {"ａ", "Ａ", 0},
      {"A", "Ａ", -1},     {"ｱ", "ア", -1},       {"ア", "あ", -1},     {"カ", "ガ", -1},
      {"か", "ガ", -1},    {"は", "ば", -1},      {"ば", "ぱ", -1},     {"亜", "表", -1},
      {"ぁ", "あ", -1},    {"｡", "。", -1},       {"Ω", "表", -1},      {"б", "ア", -1},
      {"Software", "SYSTEM", -1}, {"CurrentControlSet", "ControlSet001", 1}, {"Ab", "ab", 0},
  };
  for (const auto& c : cases) {
    const int r = CompareTextIgnoreCase(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << "[" << c.a << "] [" << c.b << "]";
    const int back = CompareTextIgnoreCase(c.b, c.a);
    EXPECT_EQ((back > 0) - (back < 0), -c.sign) << "[" << c.b << "] [" << c.a << "]";
  }
}

// Windows sorts the space and the ASCII symbols in this order, before digits
// and letters.
TEST(Collate, SymbolsSortAsOnWindows) {
  const std::string order = " !\"#$%&()*,./:;?@[]^_`{|}~\\+<=>0a";
  for (std::size_t i = 0; i + 1 < order.size(); ++i) {
    const std::string a = std::string("x") + order[i] + "y";
    const std::string b = std::string("x") + order[i + 1] + "y";
    EXPECT_LT(CompareTextIgnoreCase(a, b), 0) << "[" << a << "] [" << b << "]";
  }
}

TEST(Collate, SortsRegistryNames) {
  std::vector<std::string> names = {"Zone", "", "policies", "Classes", "アプリ", "Microsoft", "clients", "1st", "Policies"};
  SortNamesIgnoreCase(names);
  EXPECT_EQ(Join(names), Join({"", "1st", "Classes", "clients", "Microsoft", "policies", "Policies", "Zone", "アプリ"}));
}

// Sorting many names computes keys once; the order must still be the one of
// the pairwise comparison.
TEST(Collate, SortAgreesWithTheComparison) {
  const std::vector<std::string> atoms = {"",  "a",  "A",  "Ａ", "-",  "'",  " ",  ".",  "_",  "\\", "1",  "10",
                                          "ｱ", "ア", "あ", "亜", "表", "\x01", "ー", "ﾊﾞ", "バ", "Z",  "\x82", "\xFF"};
  std::mt19937 random(11);
  std::vector<std::string> names;
  for (int i = 0; i < 400; ++i) {
    std::string s;
    for (unsigned n = random() % 4; n > 0; --n) s += atoms[random() % atoms.size()];
    names.push_back(s);
  }
  SortNamesIgnoreCase(names);
  for (std::size_t i = 0; i + 1 < names.size(); ++i) {
    EXPECT_LE(CompareTextIgnoreCase(names[i], names[i + 1]), 0) << "[" << names[i] << "] [" << names[i + 1] << "]";
  }
}

TEST(Collate, OddBytesDoNotBreakTheOrder) {
  // Invalid Shift-JIS, lone lead bytes, control characters and NUL bytes.
  std::vector<std::string> names = {"\x82", "a\x81", std::string("a\0b", 3), "\x7F", "\xFF\xFE", "\x81\x20", "a"};
  SortNamesIgnoreCase(names);
  for (std::size_t i = 0; i + 1 < names.size(); ++i) {
    EXPECT_LE(CompareTextIgnoreCase(names[i], names[i + 1]), 0) << i;
  }
}

// --- The measured Windows order ---------------------------------------------
// tests/platform/data/windows_order.txt holds the order of CompareStringA on
// code page 932 as measured under Wine by tools/collation/measure.sh: every
// character alone, each character after every kana, the reference characters
// after every other character, and common words.

const testing::WindowsOrderTable& MeasuredTable() {
  static const testing::WindowsOrderTable table = testing::ReadWindowsOrderTable(VINDRA_PLATFORM_TEST_DATA "/windows_order.txt");
  return table;
}

std::string Shown(const std::string& ansi) { return "[" + AnsiToUtf8(ansi) + "]"; }

// Checks each name against the one before it; returns the number of
// disagreements and reports the first few.
std::size_t CountDisagreements(const std::string& first, const testing::MeasuredOrder& order, const char* what,
                               std::size_t& reported) {
  std::size_t wrong = 0;
  for (std::size_t i = 1; i < order.size(); ++i) {
    const std::string a = first + order[i - 1].name;
    const std::string b = first + order[i].name;
    const int r = CompareTextIgnoreCase(a, b);
    const bool ok = order[i].equalToPrevious ? r == 0 : r < 0;
    if (ok) continue;
    ++wrong;
    // VINDRA_COLLATE_REPORT_ALL=1 lists every disagreement (for work on the collation).
    static const std::size_t limit = std::getenv("VINDRA_COLLATE_REPORT_ALL") ? SIZE_MAX : 20;
    if (reported++ < limit) {
      ADD_FAILURE() << what << ": Windows has " << Shown(a) << (order[i].equalToPrevious ? " = " : " < ") << Shown(b)
                    << ", here " << r;
    }
  }
  return wrong;
}

TEST(CollateMeasured, EveryCharacterAloneSortsAsOnWindows) {
  std::size_t reported = 0;
  ASSERT_GT(MeasuredTable().single.size(), 9000u);
  EXPECT_EQ(CountDisagreements("", MeasuredTable().single, "alone", reported), 0u);
}

TEST(CollateMeasured, EveryCharacterAfterEachKanaSortsAsOnWindows) {
  std::size_t reported = 0, wrong = 0, blocks = 0;
  for (const auto& block : MeasuredTable().pairs) {
    if (!block.afterKana) continue;
    for (const std::string& first : block.firsts) wrong += CountDisagreements(first, block.suffixes, "after kana", reported);
    ++blocks;
  }
  EXPECT_GT(blocks, 40u);
  EXPECT_EQ(wrong, 0u);
}

// The first characters that share an order are checked in a sample (the first,
// the last and every eighth), which keeps the test short; every order is checked.
TEST(CollateMeasured, ReferenceCharactersAfterEveryOtherCharacterSortAsOnWindows) {
  std::size_t reported = 0, wrong = 0, firsts = 0, blocks = 0;
  for (const auto& block : MeasuredTable().pairs) {
    if (block.afterKana) continue;
    ++blocks;
    for (std::size_t i = 0; i < block.firsts.size(); ++i) {
      if (i % 8 != 0 && i + 1 != block.firsts.size()) continue;
      wrong += CountDisagreements(block.firsts[i], block.suffixes, "after a character", reported);
      ++firsts;
    }
  }
  EXPECT_GT(blocks, 300u);
  EXPECT_GT(firsts, 1000u);
  EXPECT_EQ(wrong, 0u);
}

TEST(CollateMeasured, WordsSortAsOnWindows) {
  std::size_t reported = 0;
  EXPECT_EQ(CountDisagreements("", MeasuredTable().words, "words", reported), 0u);
}

// Measured on a Japanese Windows itself: the prolonged sound mark alone sorts
// after every kana and kanji.
TEST(CollateMeasured, ProlongedSoundMarkAloneSortsLast) {
  const std::vector<std::string> order = {"!bang", "～", "a", "ア", "デ", "データ", "データー", "データベース", "亜", "表示", "ー", "ｰ"};
  for (std::size_t i = 0; i + 1 < order.size(); ++i) {
    EXPECT_LE(CompareTextIgnoreCase(order[i], order[i + 1]), 0) << Shown(order[i]) << " " << Shown(order[i + 1]);
  }
}

}  // namespace
}  // namespace vindra::platform
