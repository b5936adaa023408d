// Damaged hives, one kind of damage each, made by changing a few bytes of a
// small intact hive. The reader must refuse each with a message naming what
// is wrong (hive_registry_test.cpp); the native tests also ask hivex about
// each (hive_hivex_test.cpp).
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "hive_builder.h"

namespace vindra::registry::testing {

inline std::uint32_t Get32At(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (int b = 3; b >= 0; --b) v = v << 8 | static_cast<unsigned char>(bytes.at(at + b));
  return v;
}

inline void Put32At(std::string& bytes, std::size_t at, std::uint32_t v) {
  for (int b = 0; b < 4; ++b) bytes.at(at + b) = static_cast<char>(v >> (8 * b) & 0xFF);
}

inline void Put16At(std::string& bytes, std::size_t at, std::uint32_t v) {
  bytes.at(at) = static_cast<char>(v & 0xFF);
  bytes.at(at + 1) = static_cast<char>(v >> 8 & 0xFF);
}

// The base block's checksum made right again after a change to the block.
inline void FixChecksum(std::string& bytes) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < 0x1FC; i += 4) sum ^= Get32At(bytes, i);
  Put32At(bytes, 0x1FC, sum);
}

// File offset of the content (the "nk" signature) of the key cell with the
// 8-bit name `name`.
inline std::size_t FindKeyCell(const std::string& hive, const std::string& name) {
  for (std::size_t i = 4096; i + 0x4C + name.size() <= hive.size(); i += 4) {
    if (hive.compare(i, 2, "nk") == 0 && static_cast<unsigned char>(hive[i + 0x48]) == name.size() &&
        hive.compare(i + 0x4C, name.size(), name) == 0) {
      return i;
    }
  }
  throw std::runtime_error("no key cell " + name);
}

// File offset of the content of the cell at hive offset `cell`.
inline std::size_t CellContent(std::uint32_t cell) { return 4096 + std::size_t{cell} + 4; }

// File offset of the content of the value cell named `name` of the key `key`.
inline std::size_t FindValueCell(const std::string& hive, const std::string& key, const std::string& name) {
  const std::size_t nk = FindKeyCell(hive, key);
  const std::uint32_t count = Get32At(hive, nk + 0x24);
  const std::size_t list = CellContent(Get32At(hive, nk + 0x28));
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t vk = CellContent(Get32At(hive, list + 4 * i));
    if (static_cast<unsigned char>(hive[vk + 2]) == name.size() && hive.compare(vk + 0x14, name.size(), name) == 0) {
      return vk;
    }
  }
  throw std::runtime_error("no value " + name);
}

// ROOT with Alpha (values Text, Dword, Long of 20000 bytes in big-data
// segments; sub-keys One, Two, Three in two "lh" leaves under an "ri" list)
// and Beta (sub-key Gamma): format 1.5.
inline std::string SmallIntactHive() {
  HiveKey alpha{u"Alpha"};
  alpha.values.push_back({u"Text", 1, Utf16Bytes(u"hello") + std::string(2, '\0')});
  alpha.values.push_back({u"Dword", 4, std::string("\x2A\0\0\0", 4)});
  alpha.values.push_back({u"Long", 3, std::string(20000, '\x11')});
  alpha.subKeys = {HiveKey{u"One"}, HiveKey{u"Two"}, HiveKey{u"Three"}};
  HiveKey beta{u"Beta"};
  beta.subKeys = {HiveKey{u"Gamma"}};
  HiveKey root{u"ROOT"};
  root.subKeys = {alpha, beta};
  HiveShape shape;
  shape.leafCapacity = 2;
  return HiveWriter::Write(root, shape);
}

// A chain of `levels` keys below the root: L1\L2\...
inline std::string DeepHive(int levels) {
  HiveKey root{u"ROOT"};
  HiveKey* at = &root;
  for (int i = 1; i <= levels; ++i) {
    std::string name(1, 'L');
    name += std::to_string(i);
    at->subKeys.push_back(HiveKey(platform::AnsiToWide(name)));
    at = &at->subKeys.back();
  }
  return HiveWriter::Write(root, {});
}

struct HiveDamage {
  const char* name;
  std::function<std::string()> make;  // the damaged file's bytes
  const char* message;                // part of the reader's message
};

inline std::vector<HiveDamage> HiveDamages() {
  using Bytes = std::string;
  const auto intact = [] { return SmallIntactHive(); };
  const auto changed = [intact](std::function<void(Bytes&)> change) {
    return [intact, change] {
      Bytes b = intact();
      change(b);
      return b;
    };
  };
  const auto alpha = [](const Bytes& b) { return FindKeyCell(b, "Alpha"); };
  return {
      {"checksum", changed([](Bytes& b) { b[0x30] ^= 1; }), "checksum of its base block is wrong"},
      {"format 2.0", changed([](Bytes& b) { Put32At(b, 0x14, 2); FixChecksum(b); }), "format version is 2.5"},
      {"transaction log", changed([](Bytes& b) { Put32At(b, 0x1C, 6); FixChecksum(b); }), "transaction log"},
      {"bins size no multiple of 4096", changed([](Bytes& b) { Put32At(b, 0x28, Get32At(b, 0x28) - 8); FixChecksum(b); }),
       "no multiple of 4096"},
      {"cut on a bin boundary", changed([](Bytes& b) { b.resize(b.size() - 4096); }), "cut short"},
      {"no hbin", changed([](Bytes& b) { b[4096] = 'X'; }), "no hive bin starts at 0x0"},
      {"bin offset", changed([](Bytes& b) { Put32At(b, 4096 + 4, 0x1000); }), "gives its offset as 0x1000"},
      {"cell size 0", changed([](Bytes& b) { Put32At(b, 4096 + 32, 0); }), "the cell at 0x20 has the size 0"},
      {"cell past its bin", changed([](Bytes& b) { Put32At(b, 4096 + 32, 0xFFFF0000u); }), "runs past the end of its hive bin"},
      {"root inside a cell", changed([](Bytes& b) { Put32At(b, 0x24, Get32At(b, 0x24) + 8); FixChecksum(b); }),
       "is not a cell in use"},
      {"root is no key", changed([](Bytes& b) { Put32At(b, 0x24, 0x20); FixChecksum(b); }), "should be a key"},
      {"unknown list", changed([alpha](Bytes& b) { b[CellContent(Get32At(b, alpha(b) + 0x1C))] = 'x'; }),
       "should be a sub-key list"},
      {"ri in ri", changed([alpha](Bytes& b) {
         const std::size_t ri = CellContent(Get32At(b, alpha(b) + 0x1C));
         b[CellContent(Get32At(b, ri + 4)) + 1] = 'i';
         b[CellContent(Get32At(b, ri + 4))] = 'r';
       }),
       "holds another such list"},
      {"sub-key count too large", changed([alpha](Bytes& b) { Put32At(b, alpha(b) + 0x14, 4); }),
       "sub-key count is 4 but its lists hold 3"},
      {"sub-key count too small", changed([alpha](Bytes& b) { Put32At(b, alpha(b) + 0x14, 2); }),
       "hold more keys than its sub-key count"},
      {"leaf larger than its cell", changed([alpha](Bytes& b) {
         const std::size_t ri = CellContent(Get32At(b, alpha(b) + 0x1C));
         Put16At(b, CellContent(Get32At(b, ri + 4)) + 2, 300);
         Put32At(b, alpha(b) + 0x14, 301);
       }),
       "more than its cell holds"},
      {"value count too large", changed([alpha](Bytes& b) { Put32At(b, alpha(b) + 0x24, 500); }),
       "more than its value list holds"},
      {"value is no vk", changed([](Bytes& b) { b[FindValueCell(b, "Alpha", "Text")] = 'x'; }), "should be a value"},
      {"inline data of 5 bytes", changed([](Bytes& b) { Put32At(b, FindValueCell(b, "Alpha", "Dword") + 4, 0x80000005u); }),
       "at most 4 fit"},
      {"data larger than the hive", changed([](Bytes& b) { Put32At(b, FindValueCell(b, "Alpha", "Text") + 4, 0x7FFFFFF0u); }),
       "more than the hive holds"},
      {"data longer than its cell", changed([](Bytes& b) { Put32At(b, FindValueCell(b, "Alpha", "Text") + 4, 5000); }),
       "is no big-data cell"},
      {"big data with too few segments", changed([](Bytes& b) {
         Put16At(b, CellContent(Get32At(b, FindValueCell(b, "Alpha", "Long") + 8)) + 2, 1);
       }),
       "which need 2"},
      {"big-data segment too small", changed([](Bytes& b) { Put32At(b, FindValueCell(b, "Alpha", "Long") + 4, 20010); }),
       "segment 2 of the value"},
      {"key name longer than its cell", changed([alpha](Bytes& b) { Put16At(b, alpha(b) + 0x48, 200); }),
       "name longer than its cell"},
      {"odd UTF-16 name", changed([alpha](Bytes& b) { b[alpha(b) + 2] &= ~0x20; }), "odd length"},
      {"sub-key list looping to its own key", changed([](Bytes& b) {
         const std::size_t beta = FindKeyCell(b, "Beta"), gamma = FindKeyCell(b, "Gamma");
         Put32At(b, gamma + 0x14, 1);
         Put32At(b, gamma + 0x1C, Get32At(b, beta + 0x1C));
       }),
       "also reached elsewhere (a loop)"},
      {"key reached twice", changed([](Bytes& b) {
         const std::size_t beta = FindKeyCell(b, "Beta");
         const std::size_t one = FindKeyCell(b, "One");
         Put32At(b, one + 0x14, 1);
         Put32At(b, one + 0x1C, Get32At(b, beta + 0x1C));
       }),
       "also reached elsewhere"},
      {"deeper than 512 levels", [] { return DeepHive(513); }, "nested deeper than 512 levels"},
  };
}

}  // namespace vindra::registry::testing
