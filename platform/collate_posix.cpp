// The order of CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE) on a
// Japanese system, approximated with ICU's Japanese collation. Each name gets
// one byte-string key so that sorting many names collates each name once.
//
// The key has three parts, compared in order:
//  1. the name at secondary strength (letter case, width and kana kind
//     ignored) without the characters Windows skips in its first comparison
//     (hyphens, apostrophes, control characters);
//  2. the width of each character and the kind of each kana, which Windows
//     does not ignore: A before Ａ, ｱ before ア before あ;
//  3. where the skipped characters were, so that they break ties last: ab
//     before a-b, and a-b after ab- (an earlier hyphen weighs more).
#include "platform/collate.h"
#include "platform/sort_by_keys.h"

#include <unicode/coll.h>
#include <unicode/uscript.h>

#include <algorithm>
#include <array>
#include <memory>
#include <numeric>

#include "platform/text.h"

namespace vindra::platform {

namespace {

bool IsWordSortIgnored(char16_t c) {
  return c == u'-' || c == u'\'' || c == 0xFF0D || c == 0xFF07 || c == 0x2010 || (c >= 0x01 && c <= 0x08) ||
         (c >= 0x0E && c <= 0x1F) || c == 0x7F;
}

// The ASCII space and symbols in the order Windows sorts them, all before the
// digits (the hyphen and apostrophe are skipped, see above).
constexpr char kWindowsSymbolOrder[] = " !\"#$%&()*,./:;?@[]^_`{|}~\\+<=>";

bool IsSmallKana(char16_t c) {
  switch (c) {
    case 0x3041: case 0x3043: case 0x3045: case 0x3047: case 0x3049: case 0x3063: case 0x3083:
    case 0x3085: case 0x3087: case 0x308E: case 0x3095: case 0x3096: case 0x30A1: case 0x30A3:
    case 0x30A5: case 0x30A7: case 0x30A9: case 0x30C3: case 0x30E3: case 0x30E5: case 0x30E7:
    case 0x30EE: case 0x30F5: case 0x30F6:
      return true;
    default:
      return c >= 0xFF67 && c <= 0xFF6F;  // half-width small katakana
  }
}

bool IsHalfWidthKana(char16_t c) { return c >= 0xFF66 && c <= 0xFF9F; }
bool IsHiragana(char16_t c) { return c >= 0x3041 && c <= 0x309F; }
bool IsKana(char16_t c) { return IsHalfWidthKana(c) || IsHiragana(c) || (c >= 0x30A1 && c <= 0x30FF); }
bool IsFullWidthSymbol(char16_t c) { return (c >= 0xFF01 && c <= 0xFF5E) || (c >= 0x3000 && c <= 0x303F); }

// The differences Windows still sees in names that are otherwise equal, one
// level after the other over the whole name: the width of letters, digits and
// symbols (A before Ａ); then, for kana, katakana before hiragana, half-width
// before full-width, small before normal (ｱ before ア before あ, ぁ before あ).
void AppendVariantLevels(const std::u16string& text, std::string& key) {
  for (char16_t c : text) key += IsFullWidthSymbol(c) ? '\2' : '\1';
  key += '\0';
  for (char16_t c : text) if (IsKana(c)) key += IsHiragana(c) ? '\2' : '\1';
  key += '\0';
  for (char16_t c : text) if (IsKana(c)) key += IsHalfWidthKana(c) ? '\1' : '\2';
  key += '\0';
  for (char16_t c : text) if (IsKana(c)) key += IsSmallKana(c) ? '\1' : '\2';
}

struct Collation {
  std::unique_ptr<icu::Collator> collator;
  // Each ASCII symbol replaced by the symbol of the same rank in ICU's own
  // order, so that ICU orders them as Windows does.
  std::array<char16_t, 128> symbolMap{};
};

Collation MakeCollation() {
  Collation c;
  UErrorCode status = U_ZERO_ERROR;
  c.collator.reset(icu::Collator::createInstance(icu::Locale("ja"), status));
  if (U_FAILURE(status) || !c.collator) {
    status = U_ZERO_ERROR;
    c.collator.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
  }
  if (U_FAILURE(status)) c.collator.reset();
  for (char16_t i = 0; i < 128; ++i) c.symbolMap[i] = i;
  if (!c.collator) return c;
  c.collator->setStrength(icu::Collator::SECONDARY);
  // Windows sorts Greek and Cyrillic between the Latin and the Japanese
  // scripts; ICU's Japanese order puts them last.
  const int32_t scripts[] = {USCRIPT_LATIN, USCRIPT_GREEK, USCRIPT_CYRILLIC, USCRIPT_KATAKANA_OR_HIRAGANA,
                             USCRIPT_HAN};
  c.collator->setReorderCodes(scripts, 5, status);
  status = U_ZERO_ERROR;
  std::u16string icuOrder(std::begin(kWindowsSymbolOrder), std::end(kWindowsSymbolOrder) - 1);
  std::stable_sort(icuOrder.begin(), icuOrder.end(), [&c](char16_t a, char16_t b) {
    UErrorCode e = U_ZERO_ERROR;
    return c.collator->compare(icu::UnicodeString(a), icu::UnicodeString(b), e) == UCOL_LESS;
  });
  for (std::size_t i = 0; i < icuOrder.size(); ++i) {
    c.symbolMap[static_cast<unsigned char>(kWindowsSymbolOrder[i])] = icuOrder[i];
  }
  return c;
}

const Collation& GetCollation() {
  static const Collation collation = MakeCollation();
  return collation;
}

void AppendIcuKey(const icu::Collator* collator, const std::u16string& text, std::string& key) {
  if (collator == nullptr) {  // no collation data: order by code
    for (char16_t c : text) {
      key += static_cast<char>((c >> 8) + 1);
      key += static_cast<char>(c & 0xFF);
    }
    return;
  }
  const icu::UnicodeString s(false, text.data(), static_cast<int32_t>(text.size()));
  uint8_t stackBuffer[256];
  int32_t n = collator->getSortKey(s, stackBuffer, sizeof stackBuffer);
  if (n <= static_cast<int32_t>(sizeof stackBuffer)) {
    key.append(reinterpret_cast<const char*>(stackBuffer), static_cast<std::size_t>(n > 0 ? n - 1 : 0));
    return;
  }
  std::string big(static_cast<std::size_t>(n), '\0');
  n = collator->getSortKey(s, reinterpret_cast<uint8_t*>(big.data()), n);
  key.append(big.data(), static_cast<std::size_t>(n > 0 ? n - 1 : 0));
}

// ICU sort keys hold no zero byte, so a zero separates the parts and a key
// that is a prefix of another sorts first.
std::string CollationKey(std::string_view name) {
  const Collation& c = GetCollation();
  const std::u16string wide = AnsiToWide(name);
  std::u16string kept;
  std::string positions;
  kept.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const char16_t ch = wide[i];
    if (IsWordSortIgnored(ch)) {
      const std::size_t weight = 0xFFFFFF - std::min<std::size_t>(i, 0xFFFFFF);
      positions += static_cast<char>((weight >> 16) & 0xFF);
      positions += static_cast<char>((weight >> 8) & 0xFF);
      positions += static_cast<char>(weight & 0xFF);
      positions += static_cast<char>((ch >> 8) & 0xFF);
      positions += static_cast<char>(ch & 0xFF);
    } else {
      kept += ch < 128 ? c.symbolMap[ch] : ch;
    }
  }
  std::string key;
  key.reserve(7 * kept.size() + positions.size() + 8);
  AppendIcuKey(c.collator.get(), kept, key);
  key += '\0';
  AppendVariantLevels(kept, key);
  key += '\0';
  key += positions;
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
