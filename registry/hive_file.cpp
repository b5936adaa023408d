#include "registry/hive_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

namespace vindra::registry {
namespace {

constexpr std::size_t kBaseBlockSize = 4096;
constexpr std::uint32_t kBinAlignment = 4096;
constexpr std::uint32_t kBinHeaderSize = 32;
constexpr std::uint16_t kKeyCompressedName = 0x0020;    // nk flag: 8-bit name
constexpr std::uint16_t kValueCompressedName = 0x0001;  // vk flag: 8-bit name
constexpr std::uint32_t kDataInline = 0x80000000u;      // vk size flag: data in the offset field

std::uint16_t Get16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

std::uint32_t Get32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::string Hex(std::uint64_t n) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(n));
  return text;
}

// A signature as readable text ("nk"), or its bytes in hexadecimal.
std::string Signature(const unsigned char* p) {
  const auto printable = [](unsigned char c) { return c >= 0x20 && c < 0x7F; };
  char text[16];
  if (printable(p[0]) && printable(p[1])) {
    std::snprintf(text, sizeof text, "'%c%c'", p[0], p[1]);
  } else {
    std::snprintf(text, sizeof text, "%02x %02x", p[0], p[1]);
  }
  return text;
}

[[noreturn]] void Damage(const std::string& what) { throw HiveFormatError(what); }

// A name of `length` bytes: 8-bit Latin-1 or UTF-16LE.
std::u16string DecodeName(const unsigned char* bytes, std::uint32_t length, bool compressed, std::string_view owner) {
  std::u16string name;
  if (compressed) {
    name.assign(length, u'\0');
    for (std::uint32_t i = 0; i < length; ++i) name[i] = bytes[i];
    return name;
  }
  if (length % 2 != 0) Damage(std::string(owner) + " has a UTF-16 name of an odd length (" + std::to_string(length) + " bytes)");
  name.assign(length / 2, u'\0');
  for (std::uint32_t i = 0; i < length / 2; ++i) name[i] = Get16(bytes + 2 * i);
  return name;
}

}  // namespace

std::uint64_t HiveFile::BytesToRead(std::string_view start, std::uint64_t fileSize) {
  if (start.size() < kBaseBlockSize) return fileSize;
  const std::uint32_t binsSize = Get32(reinterpret_cast<const unsigned char*>(start.data()) + 0x28);
  return std::min<std::uint64_t>(fileSize, kBaseBlockSize + std::uint64_t{binsSize});
}

HiveFile::HiveFile(std::string_view bytes) : bytes_(new char[bytes.size()]), size_(bytes.size()) {
  if (size_ > 0) std::memcpy(bytes_.get(), bytes.data(), size_);
  Check();
}

HiveFile::HiveFile(std::unique_ptr<char[]> bytes, std::size_t size) : bytes_(std::move(bytes)), size_(size) { Check(); }

void HiveFile::Check() {
  ReadBaseBlock();
  ReadBins();
  KeyName(root_);  // the root key must be a readable key cell
}

void HiveFile::ReadBaseBlock() {
  const auto* base = reinterpret_cast<const unsigned char*>(bytes_.get());
  if (size_ < 4 || std::memcmp(base, "regf", 4) != 0) Damage("it does not start with \"regf\"");
  if (size_ < kBaseBlockSize) {
    Damage("the file ends inside its base block (" + std::to_string(size_) + " of 4096 bytes)");
  }
  // The checksum is the XOR of the first 127 words; Windows writes 1 for a
  // sum of 0 and 0xFFFFFFFE for 0xFFFFFFFF, other writers the plain sum.
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < 0x1FC; i += 4) sum ^= Get32(base + i);
  const std::uint32_t stored = Get32(base + 0x1FC);
  const std::uint32_t windowsSum = sum == 0 ? 1 : sum == 0xFFFFFFFFu ? 0xFFFFFFFEu : sum;
  if (stored != sum && stored != windowsSum) {
    Damage("the checksum of its base block is wrong (" + Hex(stored) + ", the block sums to " + Hex(windowsSum) + ")");
  }
  major_ = Get32(base + 0x14);
  minor_ = Get32(base + 0x18);
  if (major_ != 1) Damage("its format version is " + std::to_string(major_) + "." + std::to_string(minor_) + ", not 1.x");
  const std::uint32_t fileType = Get32(base + 0x1C);
  if (fileType == 1 || fileType == 6) {
    Damage("it is a transaction log of a hive (file type " + std::to_string(fileType) +
           "), not the hive itself: read the hive file that has the same name without .LOG");
  }
  dirty_ = Get32(base + 0x04) != Get32(base + 0x08);
  root_ = Get32(base + 0x24);
  binsSize_ = Get32(base + 0x28);
  if (binsSize_ == 0 || binsSize_ % kBinAlignment != 0) {
    Damage("its base block gives the hive bins a size of " + std::to_string(binsSize_) +
           " bytes, which is no multiple of 4096");
  }
  if (size_ - kBaseBlockSize < binsSize_) {
    Damage("the file is cut short: its base block gives " + std::to_string(binsSize_) +
           " bytes of hive bins, the file holds " + std::to_string(size_ - kBaseBlockSize));
  }
}

void HiveFile::ReadBins() {
  const auto* bins = reinterpret_cast<const unsigned char*>(bytes_.get()) + kBaseBlockSize;
  cellStarts_.assign(binsSize_ / 4 / 64 + 1, 0);
  for (std::uint32_t bin = 0; bin < binsSize_;) {
    const unsigned char* header = bins + bin;
    if (std::memcmp(header, "hbin", 4) != 0) Damage("no hive bin starts at " + Hex(bin));
    if (Get32(header + 4) != bin) {
      Damage("the hive bin at " + Hex(bin) + " gives its offset as " + Hex(Get32(header + 4)));
    }
    const std::uint32_t binSize = Get32(header + 8);
    if (binSize < kBinAlignment || binSize % kBinAlignment != 0 || binSize > binsSize_ - bin) {
      Damage("the hive bin at " + Hex(bin) + " has the size " + std::to_string(binSize));
    }
    const std::uint32_t end = bin + binSize;
    for (std::uint32_t cell = bin + kBinHeaderSize; cell < end;) {
      const auto raw = static_cast<std::int32_t>(Get32(bins + cell));
      const std::int64_t size = raw < 0 ? -static_cast<std::int64_t>(raw) : raw;
      if (size < 8 || size % 4 != 0) Damage("the cell at " + Hex(cell) + " has the size " + std::to_string(raw));
      if (size > end - cell) Damage("the cell at " + Hex(cell) + " runs past the end of its hive bin");
      if (raw < 0) cellStarts_[cell / 4 / 64] |= std::uint64_t{1} << (cell / 4 % 64);
      cell += static_cast<std::uint32_t>(size);
    }
    bin = end;
  }
}

HiveFile::Content HiveFile::CellAt(HiveCell cell, std::string_view what) const {
  const bool inUse = cell % 4 == 0 && cell < binsSize_ && (cellStarts_[cell / 4 / 64] >> (cell / 4 % 64) & 1) != 0;
  if (!inUse) Damage(std::string(what) + " (at " + Hex(cell) + ") is not a cell in use");
  const auto* start = reinterpret_cast<const unsigned char*>(bytes_.get()) + kBaseBlockSize + cell;
  const auto size = static_cast<std::uint32_t>(-static_cast<std::int64_t>(static_cast<std::int32_t>(Get32(start))));
  return {start + 4, size - 4};
}

HiveFile::Content HiveFile::KeyCell(HiveCell key) const {
  const Content c = CellAt(key, "a key");
  if (c.size < 0x4C || std::memcmp(c.bytes, "nk", 2) != 0) {
    Damage("the cell at " + Hex(key) + " should be a key (\"nk\") but is " +
           (c.size < 2 ? std::string("too small") : Signature(c.bytes)));
  }
  if (Get16(c.bytes + 0x48) > c.size - 0x4C) Damage("the key at " + Hex(key) + " has a name longer than its cell");
  return c;
}

HiveFile::Content HiveFile::ValueCell(HiveCell value) const {
  const Content c = CellAt(value, "a value");
  if (c.size < 0x14 || std::memcmp(c.bytes, "vk", 2) != 0) {
    Damage("the cell at " + Hex(value) + " should be a value (\"vk\") but is " +
           (c.size < 2 ? std::string("too small") : Signature(c.bytes)));
  }
  if (Get16(c.bytes + 0x02) > c.size - 0x14) Damage("the value at " + Hex(value) + " has a name longer than its cell");
  return c;
}

std::u16string HiveFile::KeyName(HiveCell key) const {
  const Content c = KeyCell(key);
  return DecodeName(c.bytes + 0x4C, Get16(c.bytes + 0x48), (Get16(c.bytes + 0x02) & kKeyCompressedName) != 0,
                    "the key at " + Hex(key));
}

void HiveFile::AppendLeaf(HiveCell list, std::vector<HiveCell>& out, std::uint32_t limit) const {
  const Content c = CellAt(list, "a sub-key list");
  if (c.size < 4) Damage("the sub-key list at " + Hex(list) + " is too small");
  std::uint32_t step = 0;
  if (std::memcmp(c.bytes, "li", 2) == 0) {
    step = 4;  // offsets only
  } else if (std::memcmp(c.bytes, "lf", 2) == 0 || std::memcmp(c.bytes, "lh", 2) == 0) {
    step = 8;  // offsets with a name hint or hash, which are not needed here
  } else if (std::memcmp(c.bytes, "ri", 2) == 0) {
    Damage("the list of sub-key lists at " + Hex(list) + " holds another such list");
  } else {
    Damage("the cell at " + Hex(list) + " should be a sub-key list but is " + Signature(c.bytes));
  }
  const std::uint32_t count = Get16(c.bytes + 2);
  if (4 + std::uint64_t{count} * step > c.size) {
    Damage("the sub-key list at " + Hex(list) + " counts " + std::to_string(count) + " keys, more than its cell holds");
  }
  if (count > limit - out.size()) Damage("its sub-key lists hold more keys than its sub-key count, " + std::to_string(limit));
  for (std::uint32_t i = 0; i < count; ++i) out.push_back(Get32(c.bytes + 4 + i * step));
}

std::vector<HiveCell> HiveFile::SubKeys(HiveCell key) const {
  const Content k = KeyCell(key);
  const std::uint32_t count = Get32(k.bytes + 0x14);
  std::vector<HiveCell> keys;
  if (count == 0) return keys;  // the list offset means nothing then
  if (count > binsSize_ / kMinKeyCell) {
    Damage("its sub-key count, " + std::to_string(count) + ", is more than the hive can hold");
  }
  keys.reserve(count);
  const HiveCell list = Get32(k.bytes + 0x1C);
  const Content c = CellAt(list, "its sub-key list");
  if (c.size >= 2 && std::memcmp(c.bytes, "ri", 2) == 0) {
    if (c.size < 4) Damage("the list of sub-key lists at " + Hex(list) + " is too small");
    const std::uint32_t lists = Get16(c.bytes + 2);
    if (4 + std::uint64_t{lists} * 4 > c.size) {
      Damage("the list of sub-key lists at " + Hex(list) + " counts " + std::to_string(lists) +
             " lists, more than its cell holds");
    }
    for (std::uint32_t i = 0; i < lists; ++i) AppendLeaf(Get32(c.bytes + 4 + i * 4), keys, count);
  } else {
    AppendLeaf(list, keys, count);
  }
  if (keys.size() != count) {
    Damage("its sub-key count is " + std::to_string(count) + " but its lists hold " + std::to_string(keys.size()));
  }
  return keys;
}

std::vector<HiveCell> HiveFile::Values(HiveCell key) const {
  const Content k = KeyCell(key);
  const std::uint32_t count = Get32(k.bytes + 0x24);
  std::vector<HiveCell> values;
  if (count == 0) return values;
  const Content c = CellAt(Get32(k.bytes + 0x28), "its value list");
  if (std::uint64_t{count} * 4 > c.size) {
    Damage("its value count, " + std::to_string(count) + ", is more than its value list holds");
  }
  values.resize(count);
  for (std::uint32_t i = 0; i < count; ++i) values[i] = Get32(c.bytes + i * 4);
  return values;
}

std::u16string HiveFile::ValueName(HiveCell value) const {
  const Content c = ValueCell(value);
  return DecodeName(c.bytes + 0x14, Get16(c.bytes + 0x02), (Get16(c.bytes + 0x10) & kValueCompressedName) != 0,
                    "the value at " + Hex(value));
}

std::uint32_t HiveFile::ValueType(HiveCell value) const { return Get32(ValueCell(value).bytes + 0x0C); }

std::uint32_t HiveFile::ValueSize(HiveCell value) const {
  const std::uint32_t raw = Get32(ValueCell(value).bytes + 0x04);
  return raw & kDataInline ? raw & ~kDataInline : raw;
}

std::vector<HiveFile::DataPiece> HiveFile::DataPieces(HiveCell value) const {
  const Content v = ValueCell(value);
  const std::uint32_t raw = Get32(v.bytes + 0x04);
  std::vector<DataPiece> pieces;
  if (raw & kDataInline) {
    // Up to four bytes kept in the offset field itself.
    const std::uint32_t size = raw & ~kDataInline;
    if (size > 4) {
      Damage("the value at " + Hex(value) + " keeps its data in the value cell but gives it " + std::to_string(size) +
             " bytes (at most 4 fit)");
    }
    if (size > 0) pieces.push_back({v.bytes + 0x08, size});
    return pieces;
  }
  if (raw == 0) return pieces;
  if (raw > binsSize_) {
    Damage("the value at " + Hex(value) + " gives its data " + std::to_string(raw) + " bytes, more than the hive holds");
  }
  const HiveCell dataCell = Get32(v.bytes + 0x08);
  const Content d = CellAt(dataCell, "the data of a value");
  if (raw <= d.size) {
    pieces.push_back({d.bytes, raw});
    return pieces;
  }
  // Longer than its cell: a big-data cell whose segments carry the data.
  if (d.size < 8 || std::memcmp(d.bytes, "db", 2) != 0) {
    Damage("the value at " + Hex(value) + " gives its data " + std::to_string(raw) + " bytes, but its data cell holds " +
           std::to_string(d.size) + " and is no big-data cell");
  }
  const std::uint32_t segments = Get16(d.bytes + 2);
  const std::uint32_t needed = (raw + kHiveBigDataSegment - 1) / kHiveBigDataSegment;
  if (segments < needed) {
    Damage("the big-data cell of the value at " + Hex(value) + " has " + std::to_string(segments) + " segments for " +
           std::to_string(raw) + " bytes, which need " + std::to_string(needed));
  }
  const Content list = CellAt(Get32(d.bytes + 4), "the segment list of a big-data cell");
  if (std::uint64_t{segments} * 4 > list.size) {
    Damage("the segment list of the value at " + Hex(value) + " is shorter than its " + std::to_string(segments) +
           " segments");
  }
  pieces.reserve(needed);
  std::uint32_t left = raw;
  for (std::uint32_t i = 0; i < needed; ++i) {
    const Content segment = CellAt(Get32(list.bytes + i * 4), "a big-data segment");
    const std::uint32_t take = std::min(left, kHiveBigDataSegment);
    if (segment.size < take) {
      Damage("segment " + std::to_string(i + 1) + " of the value at " + Hex(value) + " holds " +
             std::to_string(segment.size) + " bytes, not " + std::to_string(take));
    }
    pieces.push_back({segment.bytes, take});
    left -= take;
  }
  return pieces;
}

std::string HiveFile::ValueData(HiveCell value) const {
  const std::vector<DataPiece> pieces = DataPieces(value);
  std::string data;
  data.reserve(ValueSize(value));
  for (const DataPiece& p : pieces) data.append(reinterpret_cast<const char*>(p.bytes), p.size);
  return data;
}

void HiveFile::CheckValueData(HiveCell value) const { DataPieces(value); }

}  // namespace vindra::registry
