// Prints LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE)
// of each name given on standard input (one a line, CP932 bytes in hex), as
// "NAMEHEX KEYHEX". Built and run by tools/collation/measure.sh.
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>

int main() {
  std::string line;
  while (std::getline(std::cin, line)) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    std::string name;
    for (std::size_t i = 0; i + 1 < line.size(); i += 2) name.push_back(static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16)));
    unsigned char key[1024];
    const int n = LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, name.data(),
                               static_cast<int>(name.size()), reinterpret_cast<char*>(key), sizeof key);
    std::printf("%s ", line.empty() ? "-" : line.c_str());
    for (int i = 0; i < n; ++i) std::printf("%02X", key[i]);
    std::printf("\n");
  }
  return 0;
}
