// The name order measured from CompareStringA(LOCALE_USER_DEFAULT,
// NORM_IGNORECASE) on code page 932 (tests/platform/data/windows_order.txt,
// written by tools/collation/measure.sh), read back into sorted lists.
#pragma once

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
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

// Applies the edits of a block (see tools/collation/compact.py) to the single order.
inline MeasuredOrder ApplyEdits(const MeasuredOrder& single, bool afterKana, const std::vector<std::vector<std::string>>& edits) {
  std::set<std::string> moved;
  for (const auto& e : edits) if (e[0] == "m") moved.insert(FromHex(e[1]));
  // The base: the first character alone, then the second characters.
  MeasuredOrder base{{"", false}};
  if (afterKana) {
    base.insert(base.end(), single.begin(), single.end());
  } else {
    bool allEqualSincePrevious = false;
    bool havePrevious = false;
    for (const OrderedName& n : single) {
      allEqualSincePrevious = allEqualSincePrevious && n.equalToPrevious;
      if (!IsReferenceCharacter(n.name)) continue;
      base.push_back({n.name, havePrevious && n.equalToPrevious && allEqualSincePrevious});
      havePrevious = true;
      allEqualSincePrevious = true;
    }
  }
  std::map<std::string, std::string> basePrevious;
  for (std::size_t i = 1; i < base.size(); ++i) basePrevious[base[i].name] = base[i - 1].name;
  MeasuredOrder order;
  for (const OrderedName& n : base) if (!moved.count(n.name)) order.push_back(n);
  for (const auto& e : edits) {
    if (e[0] != "m") continue;
    const std::string item = FromHex(e[1]);
    std::size_t at = 0;
    if (e[2] != "^") {
      const std::string after = FromHex(e[2]);
      at = std::find_if(order.begin(), order.end(), [&](const OrderedName& n) { return n.name == after; }) - order.begin() + 1;
    }
    order.insert(order.begin() + static_cast<std::ptrdiff_t>(at), {item, e[3] == "="});
  }
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (moved.count(order[i].name)) continue;
    const auto prev = basePrevious.find(order[i].name);
    const bool samePrevious = i > 0 && prev != basePrevious.end() && prev->second == order[i - 1].name;
    if (!samePrevious) order[i].equalToPrevious = false;
  }
  for (const auto& e : edits) {
    if (e[0] != "r") continue;
    const std::string item = FromHex(e[1]);
    for (OrderedName& n : order) if (n.name == item) n.equalToPrevious = e[2] == "=";
  }
  return order;
}

inline WindowsOrderTable ReadWindowsOrderTable(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  WindowsOrderTable table;
  std::string line;
  MeasuredOrder* list = nullptr;
  SecondCharacterOrder* block = nullptr;
  std::vector<std::vector<std::string>> edits;
  const auto finishBlock = [&]() {
    if (block) block->suffixes = ApplyEdits(table.single, block->afterKana, edits);
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
