// The order of CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE) on a
// Japanese (code page 932) system. Names are ANSI text, so only the CP932
// characters matter: each has its weights in a table measured from the
// system's sort keys (windows_sort_weights.inc, see tools/collation/), and
// each name gets the sort key the system would give it, so that sorting many
// names builds each key once and compares bytes.
//
// The key has five parts, each ending with 0x01, compared in order:
//  1. the primary weights of the characters (letter case, width and kana kind
//     do not count here; hyphens and apostrophes have none);
//  2. the diacritic weight of each character (voiced kana), trailing 0x02s left out;
//  3. the case and width weight of each character (A before Ａ), trailing
//     0x02s left out;
//  4. for names with kana: small kana (ァ before ア), the prolonged and
//     iteration marks, katakana before hiragana, half-width before full-width;
//  5. where the hyphens and apostrophes were, so that they break ties last
//     (ab before a-b, a-b after ab-).
// The prolonged sound mark ー (ｰ, ―) and the iteration marks ゝゞヽヾ々
// take the weight of the character before them: after a kana, ー is that
// kana's vowel (データー as データア, with a mark in part 4) and an iteration
// mark is the kana again; after another character, the mark repeats it
// (亜ー as 亜亜; after a hyphen or apostrophe, a weight of that mark). Alone,
// or after a character that has no single weight, they sort after every kana
// and kanji.
#include "platform/collate.h"
#include "platform/sort_by_keys.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

#include "platform/text.h"

namespace vindra::platform {

namespace {

struct CharacterWeights {
  char16_t code;
  std::uint8_t units;      // primary weights: 0 (ignored, or a mark that combines), 1 or 2
  std::uint8_t unitBytes;  // bytes per primary weight: 2, or 3 for private-use characters
  std::uint8_t primary[6];
  std::uint8_t diacritic[2];
  std::uint8_t caseWeight[2];
  std::uint8_t kana;        // kKana | kSmall | kKatakana | kHalfWidth
  std::uint8_t special[2];  // hyphens and apostrophes: their weight in part 5
};

constexpr std::uint8_t kKana = 1, kSmall = 2, kKatakana = 4, kHalfWidth = 8;

#include "platform/windows_sort_weights.inc"

constexpr std::uint8_t kDefaultWeight = 0x02;  // diacritic and case
constexpr std::uint8_t kSeparator = 0x01;
constexpr std::uint8_t kSectionEnd = 0xFF;
// Part 4 bytes.
constexpr std::uint8_t kSmallKana = 0xC4, kNormalKana = 0xC6;
constexpr std::uint8_t kPlainKana = 0x03, kIterationMark = 0x04, kProlongedMark = 0x05;
constexpr std::uint8_t kKatakanaKind = 0xC4, kHiraganaKind = 0xE4;
constexpr std::uint8_t kHalfWidthKana = 0xC4, kFullWidthKana = 0xC5;
constexpr std::uint8_t kKanaScript = 0x22;
constexpr std::uint8_t kRepeatedPunctuationScript = 0x06;

// The table's entry of each UTF-16 unit (index + 1; 0 for none), made once.
const CharacterWeights* FindWeights(char16_t c) {
  static const std::vector<std::uint16_t> index = [] {
    std::vector<std::uint16_t> byCode(0x10000, 0);
    for (std::size_t i = 0; i < std::size(kCharacterWeights); ++i) {
      byCode[kCharacterWeights[i].code] = static_cast<std::uint16_t>(i + 1);
    }
    return byCode;
  }();
  const std::uint16_t i = index[c];
  return i != 0 ? &kCharacterWeights[i - 1] : nullptr;
}

// The marks that take their weight from the character before them, and
// their own diacritic weight after a kana (ゞ is ゝ voiced).
bool IsProlongedMark(char16_t c) { return c == 0x30FC || c == 0xFF70 || c == 0x2015; }
int IterationDiacritic(char16_t c) {
  switch (c) {
    case 0x309D: case 0x30FD: return 0x02;  // ゝ ヽ
    case 0x309E: case 0x30FE: return 0x03;  // ゞ ヾ
    case 0x3005: return 0x05;               // 々
    default: return 0;
  }
}

// One sorting element: a character, or a mark resolved against the one before.
struct Element {
  std::uint8_t units = 0;
  std::uint8_t unitBytes = 2;
  std::uint8_t primary[6] = {};
  std::uint8_t diacritic[2] = {kDefaultWeight, kDefaultWeight};
  std::uint8_t caseWeight[2] = {kDefaultWeight, kDefaultWeight};
  bool kana = false;
  std::uint8_t small = kNormalKana, mark = kPlainKana, kind = kHiraganaKind, width = kFullWidthKana;
};

Element FromWeights(const CharacterWeights& w) {
  Element e;
  e.units = w.units;
  e.unitBytes = w.unitBytes;
  std::copy(std::begin(w.primary), std::end(w.primary), e.primary);
  std::copy(std::begin(w.diacritic), std::end(w.diacritic), e.diacritic);
  std::copy(std::begin(w.caseWeight), std::end(w.caseWeight), e.caseWeight);
  if (w.kana & kKana) {
    e.kana = true;
    e.small = (w.kana & kSmall) ? kSmallKana : kNormalKana;
    e.kind = (w.kana & kKatakana) ? kKatakanaKind : kHiraganaKind;
    e.width = (w.kana & kHalfWidth) ? kHalfWidthKana : kFullWidthKana;
  }
  return e;
}

// A character outside the table (not CP932, which names cannot hold): two
// weights from its code, after everything else, so that the order stays total.
Element Unknown(char16_t c) {
  Element e;
  e.units = 2;
  e.primary[0] = 0xF0;
  e.primary[1] = static_cast<std::uint8_t>(0x10 + (c >> 12));
  e.primary[2] = static_cast<std::uint8_t>(0x10 + ((c >> 6) & 0x3F));
  e.primary[3] = static_cast<std::uint8_t>(0x10 + (c & 0x3F));
  return e;
}

Element ResolveMark(char16_t c, const Element* previous, const CharacterWeights& own) {
  Element e;
  if (previous != nullptr && previous->kana && previous->units == 1) {
    e = *previous;
    e.diacritic[0] = kDefaultWeight;
    e.caseWeight[0] = kDefaultWeight;
    if (IsProlongedMark(c)) {
      const std::uint8_t vowel = kProlongedVowel[previous->primary[1]];
      if (previous->primary[0] == kKanaScript && vowel != 0) e.primary[1] = vowel;
      e.mark = kProlongedMark;
    } else {
      e.diacritic[0] = static_cast<std::uint8_t>(IterationDiacritic(c));
      e.mark = kIterationMark;
    }
    e.width = (own.kana & kHalfWidth) || c == 0xFF70 ? kHalfWidthKana : kFullWidthKana;
    return e;
  }
  if (previous != nullptr && previous->units == 1) {
    // The character again, with its diacritic but a case weight of its own.
    e.units = 1;
    e.unitBytes = previous->unitBytes;
    std::copy(std::begin(previous->primary), std::end(previous->primary), e.primary);
    e.diacritic[0] = previous->diacritic[0];
    return e;
  }
  return FromWeights(own);  // alone: its own weight, after every kana and kanji
}

// Removes the trailing default weights of the part that starts at `start`.
void TrimPart(std::string& key, std::size_t start, std::uint8_t trailingDefault) {
  std::size_t n = key.size();
  while (n > start && static_cast<std::uint8_t>(key[n - 1]) == trailingDefault) --n;
  key.resize(n);
}

std::string CollationKey(std::string_view name) {
  const std::u16string wide = AnsiToWide(name);
  thread_local std::vector<Element> elements;  // reused: sorting makes one key per name
  elements.clear();
  std::string punctuation;
  std::size_t unitsSoFar = 0;
  const CharacterWeights* punctuationBefore = nullptr;  // the character just before, when a hyphen or apostrophe
  for (const char16_t c : wide) {
    const CharacterWeights* const afterPunctuation = punctuationBefore;
    punctuationBefore = nullptr;
    const CharacterWeights* w = FindWeights(c);
    if (w == nullptr) {
      if (c < 0x20 || c == 0x7F) continue;  // control characters weigh nothing
      elements.push_back(Unknown(c));
      unitsSoFar += 2;
      continue;
    }
    if (w->special[0] != 0 || w->special[1] != 0) {
      const std::size_t position = 0xFFFF - std::min<std::size_t>(unitsSoFar, 0xFFFF);
      punctuation += static_cast<char>(position >> 8);
      punctuation += static_cast<char>(position & 0xFF);
      punctuation += static_cast<char>(w->special[0]);
      punctuation += static_cast<char>(w->special[1]);
      punctuationBefore = w;
      continue;
    }
    if (w->units == 0) {  // a voiced or semi-voiced sound mark: adds to the character before it
      if (!elements.empty()) {
        Element& previous = elements.back();
        const int last = previous.units > 1 ? 1 : 0;
        previous.diacritic[last] = static_cast<std::uint8_t>(previous.diacritic[last] + w->diacritic[0]);
      } else {
        elements.push_back(FromWeights(*w));
      }
      continue;
    }
    if ((IsProlongedMark(c) || IterationDiacritic(c) != 0) && afterPunctuation != nullptr) {
      // After a hyphen or apostrophe the mark repeats it with a weight of its own.
      Element e;
      e.units = 1;
      e.primary[0] = kRepeatedPunctuationScript;
      e.primary[1] = afterPunctuation->special[0];
      elements.push_back(e);
    } else if (IsProlongedMark(c) || IterationDiacritic(c) != 0) {
      elements.push_back(ResolveMark(c, elements.empty() ? nullptr : &elements.back(), *w));
    } else {
      elements.push_back(FromWeights(*w));
    }
    unitsSoFar += elements.back().units;
  }

  std::string key;
  key.reserve(elements.size() * 6 + punctuation.size() + 8);
  bool anyKana = false;
  for (const Element& e : elements) {
    key.append(reinterpret_cast<const char*>(e.primary), static_cast<std::size_t>(e.units) * e.unitBytes);
    anyKana = anyKana || e.kana;
  }
  key += static_cast<char>(kSeparator);
  std::size_t start = key.size();
  for (const Element& e : elements) {
    for (int u = 0; u < std::max<int>(e.units, 1) && u < 2; ++u) key += static_cast<char>(e.diacritic[u]);
  }
  TrimPart(key, start, kDefaultWeight);
  key += static_cast<char>(kSeparator);
  start = key.size();
  for (const Element& e : elements) {
    for (int u = 0; u < std::max<int>(e.units, 1) && u < 2; ++u) key += static_cast<char>(e.caseWeight[u]);
  }
  TrimPart(key, start, kDefaultWeight);
  key += static_cast<char>(kSeparator);
  if (anyKana) {
    const auto kanaPart = [&](std::uint8_t Element::*field, std::uint8_t trailingDefault) {
      const std::size_t partStart = key.size();
      for (const Element& e : elements) if (e.kana) key += static_cast<char>(e.*field);
      TrimPart(key, partStart, trailingDefault);
    };
    kanaPart(&Element::small, kNormalKana);
    key += static_cast<char>(kSectionEnd);
    kanaPart(&Element::mark, kPlainKana);
    key += static_cast<char>(kDefaultWeight);
    kanaPart(&Element::kind, kHiraganaKind);
    key += static_cast<char>(kSectionEnd);
    kanaPart(&Element::width, kFullWidthKana);
    key += static_cast<char>(kSectionEnd);
  }
  key += static_cast<char>(kSeparator);
  key += punctuation;
  return key;
}

}  // namespace

int CompareTextIgnoreCase(std::string_view a, std::string_view b) {
  const int r = CollationKey(a).compare(CollationKey(b));
  return r < 0 ? -1 : r > 0 ? 1 : 0;
}

void SortNamesIgnoreCase(std::vector<std::string>& names) {
  if (names.size() < 2) return;
  std::vector<std::string> keys;
  keys.reserve(names.size());
  for (const auto& n : names) keys.push_back(CollationKey(n));
  SortByKeys(names, keys);
}

}  // namespace vindra::platform
