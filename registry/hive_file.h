// A read-only reader of registry hive files (the "regf" format that Windows
// NT to 11 keep their registry in: SOFTWARE, SYSTEM, NTUSER.DAT, ...), over
// the file's bytes held in memory. Portable: no Windows call, no library.
//
// A hive file is a 4096-byte base block followed by hive bins ("hbin", each a
// multiple of 4096 bytes) that are cut into cells: a signed 32-bit size
// (negative while the cell is in use), then the content. Cells refer to each
// other by their offset from the first hive bin. The cells read here:
//  - "nk": a key (name, sub-key count and list, value count and list);
//  - "li", "lf", "lh": lists of sub-keys, and "ri": a list of such lists;
//  - "vk": a value (name, type, data size and the data's cell);
//  - "db": data longer than 16344 bytes, in segments (format 1.4 and later);
//  - a plain list of value cells.
// Security ("sk") and class-name cells are not read.
//
// Nothing is trusted: the constructor checks the base block and walks every
// hive bin and cell, keeping which offsets start a cell in use; every later
// reference must be one of them, carry the right signature and fit its cell.
// Counts are checked against the sizes that hold them, so no loop runs longer
// than the file allows and nothing grows beyond a small multiple of its size.
// What is wrong throws HiveFormatError.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vindra::registry {

// Damage in a hive file. what() is English ASCII text naming what is wrong.
class HiveFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A cell's offset from the start of the first hive bin.
using HiveCell = std::uint32_t;

// The largest data a "db" segment carries; longer data of format 1.4 and
// later is kept in such segments.
inline constexpr std::uint32_t kHiveBigDataSegment = 16344;

class HiveFile {
 public:
  // How many bytes of a file of `fileSize` bytes, whose first bytes are
  // `start`, hold the base block and the hive bins: the rest is not read.
  static std::uint64_t BytesToRead(std::string_view start, std::uint64_t fileSize);

  // Checks the base block, the hive bins and their cells; throws
  // HiveFormatError when they do not hold together. The bytes are the whole
  // file (or at least its base block and hive bins).
  HiveFile(std::unique_ptr<char[]> bytes, std::size_t size);
  explicit HiveFile(std::string_view bytes);

  std::uint32_t MajorVersion() const { return major_; }
  std::uint32_t MinorVersion() const { return minor_; }
  // The two sequence numbers of the base block differ: Windows did not
  // finish writing the hive, and changes may wait in its log files.
  bool Dirty() const { return dirty_; }
  HiveCell RootKey() const { return root_; }
  // Bytes of the hive bins: no key, list or value can be larger.
  std::uint32_t BinsSize() const { return binsSize_; }

  // A key's name as UTF-16 code units: an 8-bit ("compressed") name is
  // Latin-1, one unit per byte. Throws when `key` is not a key cell.
  std::u16string KeyName(HiveCell key) const;
  // The key's sub-keys in the order of its lists.
  std::vector<HiveCell> SubKeys(HiveCell key) const;
  // Its values in the order of its value list.
  std::vector<HiveCell> Values(HiveCell key) const;

  // A value's name (empty for the default value), type, data size and data.
  std::u16string ValueName(HiveCell value) const;
  std::uint32_t ValueType(HiveCell value) const;
  std::uint32_t ValueSize(HiveCell value) const;
  // The data's bytes as stored; a big-data value is put together from its segments.
  std::string ValueData(HiveCell value) const;
  // Checks that the data can be read, without copying it.
  void CheckValueData(HiveCell value) const;

  // The size of the smallest key cell, which bounds how many keys the hive
  // bins can hold.
  static constexpr std::uint32_t kMinKeyCell = 4 + 0x4C;

 private:
  // The content of a cell in use: its bytes after the size field.
  struct Content {
    const unsigned char* bytes;
    std::uint32_t size;
  };
  // A piece of a value's data inside the file.
  struct DataPiece {
    const unsigned char* bytes;
    std::uint32_t size;
  };

  void Check();
  void ReadBaseBlock();
  void ReadBins();
  Content CellAt(HiveCell cell, std::string_view what) const;
  Content KeyCell(HiveCell key) const;
  Content ValueCell(HiveCell value) const;
  // Appends the entries of one sub-key list (li, lf or lh) to `out`, at most
  // `limit` of them in all.
  void AppendLeaf(HiveCell list, std::vector<HiveCell>& out, std::uint32_t limit) const;
  std::vector<DataPiece> DataPieces(HiveCell value) const;

  std::unique_ptr<char[]> bytes_;  // not filled with zeros first: a hive can be hundreds of megabytes
  std::size_t size_ = 0;
  std::uint32_t major_ = 0;
  std::uint32_t minor_ = 0;
  bool dirty_ = false;
  HiveCell root_ = 0;
  std::uint32_t binsSize_ = 0;
  // One bit per 4-byte step of the hive bins: a cell in use starts there.
  std::vector<std::uint64_t> cellStarts_;
};

}  // namespace vindra::registry
