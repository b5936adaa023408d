// Measures the order of CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE) on
// a Japanese (code page 932) Windows system, for the name order that the
// POSIX build reproduces. Built and run by tools/collation/measure.sh.
//
// Writes to standard output, one block per measurement:
//   single                every CP932 character alone
//   after HEX             HEX followed by every CP932 character (HEX: each kana)
//   after-any HEX         HEX followed by each character of a reference set
//                         (HEX: every character that is not a kana)
//   words                 common words
// followed by the block's strings in sorted order, one a line as CP932 bytes in
// hex, each prefixed by '<' (greater than the line before) or '=' (equal).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

bool IsCp932Character(const std::string& bytes) {
  wchar_t wide[4];
  const int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), wide, 4);
  if (n != 1) return false;
  char back[8];
  BOOL usedDefault = FALSE;
  const int m = WideCharToMultiByte(932, 0, wide, 1, back, sizeof back, nullptr, &usedDefault);
  return !usedDefault && std::string(back, static_cast<std::size_t>(m)) == bytes;
}

std::vector<std::string> AllCharacters() {
  std::vector<std::string> chars;
  for (int b = 0x20; b <= 0xDF; ++b) {
    if (b == 0x7F || (b >= 0x80 && b <= 0xA0)) continue;
    const std::string s(1, static_cast<char>(b));
    if (IsCp932Character(s)) chars.push_back(s);
  }
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead >= 0xA0 && lead <= 0xDF) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      const std::string s{static_cast<char>(lead), static_cast<char>(trail)};
      if (IsCp932Character(s)) chars.push_back(s);
    }
  }
  return chars;
}

bool IsKana(const std::string& c) {
  wchar_t w[2];
  if (MultiByteToWideChar(932, 0, c.data(), static_cast<int>(c.size()), w, 2) != 1) return false;
  return (w[0] >= 0x3041 && w[0] <= 0x3096) || (w[0] >= 0x30A1 && w[0] <= 0x30FA) || (w[0] >= 0xFF66 && w[0] <= 0xFF9D);
}

int Compare(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                        static_cast<int>(b.size()));
}

void PrintSorted(const char* title, std::vector<std::string> items) {
  std::stable_sort(items.begin(), items.end(),
                   [](const std::string& a, const std::string& b) { return Compare(a, b) == CSTR_LESS_THAN; });
  std::printf("%s\n", title);
  for (std::size_t i = 0; i < items.size(); ++i) {
    const bool equal = i > 0 && Compare(items[i - 1], items[i]) == CSTR_EQUAL;
    std::putchar(equal ? '=' : '<');
    for (unsigned char c : items[i]) std::printf("%02X", c);
    std::putchar('\n');
  }
}

std::string Hex(const std::string& s) {
  std::string h;
  char buf[3];
  for (unsigned char c : s) {
    std::snprintf(buf, sizeof buf, "%02X", c);
    h += buf;
  }
  return h;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> chars = AllCharacters();
  PrintSorted("single", chars);

  // Reference second characters: ASCII, the half-width kana, every full-width
  // kana and symbol of row 1, the first kanji of each row.
  std::vector<std::string> reference;
  for (const std::string& c : chars) {
    const auto lead = static_cast<unsigned char>(c[0]);
    if (c.size() == 1 || lead == 0x81 || lead == 0x82 || lead == 0x83 || (c.size() == 2 && (c[1] == '\x40' || c[1] == '\x9F'))) {
      reference.push_back(c);
    }
  }
  const bool full = argc < 2 || std::string(argv[1]) != "--quick";
  for (const std::string& first : chars) {
    const bool kana = IsKana(first);
    if (!kana && !full) continue;
    std::vector<std::string> items;
    for (const std::string& second : kana ? chars : reference) items.push_back(first + second);
    items.push_back(first);
    PrintSorted(((kana ? "after " : "after-any ") + Hex(first)).c_str(), items);
  }

  const char* const words[] = {
      "!bang", "～", "a", "ア", "デ", "データ", "データー", "データベース", "亜", "表示", "ー", "ｰ",
      "ﾃﾞｰﾀ", "ﾃﾞｰﾀｰ", "でーた", "データア", "データエ", "コーヒー", "コオヒイ", "コーラ", "サーバー", "サーバ", "サーバア",
      "ユーザー", "ユーザ", "ユーザア", "ユーザアー", "メール", "メエル", "メイル", "ルール", "ルウル", "ー1", "ーア", "ア ー",
      "アー", "アア", "アｰ", "ｱｰ", "ｱｱ", "カー", "カア", "カァ", "ガー", "ガア", "キー", "キイ", "キィ", "クー", "クウ",
      "ケー", "ケエ", "ケイ", "コー", "コオ", "コウ", "ンー", "ンン", "ッー", "ッア", "ャー", "ャア", "ヤー", "ヤア",
      "漢字ー", "漢字ア", "漢ー", "漢ア", "漢", "字", "1ー", "1ア", "aー", "aア", "ゝ", "ヽ", "アゝ", "アヽ", "アア",
      "々", "亜々", "亜亜", "〃", "Software", "SYSTEM", "ControlSet001", "CurrentControlSet", "Microsoft", "Windows",
      "設定", "表", "表示名", "ファイル", "フォルダ", "フォルダー", "プログラム", "ヘルプ", "バージョン", "バージョン2"};
  PrintSorted("words", std::vector<std::string>(std::begin(words), std::end(words)));
  return 0;
}
