// The name order measured from CompareStringA(LOCALE_USER_DEFAULT,
// NORM_IGNORECASE) on code page 932 (tests/platform/data/windows_order.txt,
// written by tools/collation/measure.sh), read back into sorted lists.
#pragma once

#include <algorithm>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace vindra::platform::testing {

// One measured order: names in ascending order, each equal to the one before
// it (`equalToPrevious`) or greater.
struct OrderedName {
  std::string name;
  bool equalToPrevious = false;
};
using MeasuredOrder = std::vector<OrderedName>;

// The orders of names made of one first character and each second character:
// the first characters that share the order, and the order of the suffixes
// ("" is the first character alone).
struct SecondCharacterOrder {
  bool afterKana = false;
  std::vector<std::string> firsts;
  MeasuredOrder suffixes;
};

struct WindowsOrderTable {
  MeasuredOrder single;
  std::vector<SecondCharacterOrder> pairs;
  MeasuredOrder words;
};

inline std::string FromHex(const std::string& hex) {
  if (hex == "-") return "";
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

// The second characters measured after characters that are not kana: ASCII,
// half-width kana, the rows 0x81-0x83 and the first character of each half row.
inline bool IsReferenceCharacter(const std::string& c) {
  const auto lead = static_cast<unsigned char>(c[0]);
  return c.size() == 1 || lead == 0x81 || lead == 0x82 || lead == 0x83 ||
         (c.size() == 2 && (c[1] == '\x40' || c[1] == '\x9F'));
}

// The base of a block: the first character alone, then the second characters
// in the single order (all of them after a kana, else the reference set).
inline MeasuredOrder BlockBase(const MeasuredOrder& single, bool afterKana) {
  MeasuredOrder base{{"", false}};
  if (afterKana) {
    base.insert(base.end(), single.begin(), single.end());
    return base;
  }
  bool allEqualSincePrevious = false;
  bool havePrevious = false;
  for (const OrderedName& n : single) {
    allEqualSincePrevious = allEqualSincePrevious && n.equalToPrevious;
    if (!IsReferenceCharacter(n.name)) continue;
    base.push_back({n.name, havePrevious && n.equalToPrevious && allEqualSincePrevious});
    havePrevious = true;
    allEqualSincePrevious = true;
  }
  return base;
}

// Applies the edits of a block (see tools/collation/compact.py) to its base.
inline MeasuredOrder ApplyEdits(const MeasuredOrder& base, const std::map<std::string, int>& indexOf,
                                const std::vector<std::vector<std::string>>& edits) {
  struct Item {
    int baseIndex;
    bool equalToPrevious;
  };
  std::vector<int> moved;
  for (const auto& e : edits) if (e[0] == "m") moved.push_back(indexOf.at(FromHex(e[1])));
  const auto isMoved = [&](int i) { return std::find(moved.begin(), moved.end(), i) != moved.end(); };
  std::vector<Item> order;
  order.reserve(base.size());
  for (int i = 0; i < static_cast<int>(base.size()); ++i) {
    if (!isMoved(i)) order.push_back({i, base[static_cast<std::size_t>(i)].equalToPrevious});
  }
  for (const auto& e : edits) {
    if (e[0] != "m") continue;
    std::size_t at = 0;
    if (e[2] != "^") {
      const int after = indexOf.at(FromHex(e[2]));
      at = static_cast<std::size_t>(std::find_if(order.begin(), order.end(), [&](const Item& n) { return n.baseIndex == after; }) -
                                    order.begin()) + 1;
    }
    order.insert(order.begin() + static_cast<std::ptrdiff_t>(at), {indexOf.at(FromHex(e[1])), e[3] == "="});
  }
  // A kept name keeps its relation only after the name it followed in the base.
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (isMoved(order[i].baseIndex)) continue;
    if (i == 0 || order[i - 1].baseIndex != order[i].baseIndex - 1) order[i].equalToPrevious = false;
  }
  for (const auto& e : edits) {
    if (e[0] != "r") continue;
    const int item = indexOf.at(FromHex(e[1]));
    for (Item& n : order) if (n.baseIndex == item) n.equalToPrevious = e[2] == "=";
  }
  MeasuredOrder result;
  result.reserve(order.size());
  for (const Item& n : order) result.push_back({base[static_cast<std::size_t>(n.baseIndex)].name, n.equalToPrevious});
  return result;
}

inline WindowsOrderTable ReadWindowsOrderTable(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  WindowsOrderTable table;
  std::string line;
  MeasuredOrder* list = nullptr;
  SecondCharacterOrder* block = nullptr;
  std::vector<std::vector<std::string>> edits;
  MeasuredOrder bases[2];  // after other characters, after kana
  std::map<std::string, int> indexes[2];
  const auto finishBlock = [&]() {
    if (block) {
      const int kind = block->afterKana ? 1 : 0;
      if (bases[kind].empty()) {
        bases[kind] = BlockBase(table.single, block->afterKana);
        for (std::size_t i = 0; i < bases[kind].size(); ++i) indexes[kind][bases[kind][i].name] = static_cast<int>(i);
      }
      block->suffixes = ApplyEdits(bases[kind], indexes[kind], edits);
    }
    block = nullptr;
    edits.clear();
  };
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '<' || line[0] == '=') {
      if (list) list->push_back({FromHex(line.substr(1)), line[0] == '='});
      continue;
    }
    std::vector<std::string> words;
    std::string word;
    for (char c : line + " ") {
      if (c == ' ') { if (!word.empty()) words.push_back(word); word.clear(); } else { word += c; }
    }
    if (words[0] == "m" || words[0] == "r") {
      edits.push_back(words);
      continue;
    }
    finishBlock();
    list = nullptr;
    if (words[0] == "single") {
      list = &table.single;
    } else if (words[0] == "words") {
      list = &table.words;
    } else {
      table.pairs.push_back({words[0] == "after", {}, {}});
      block = &table.pairs.back();
      for (std::size_t i = 1; i < words.size(); ++i) block->firsts.push_back(FromHex(words[i]));
    }
  }
  finishBlock();
  return table;
}

}  // namespace vindra::platform::testing
