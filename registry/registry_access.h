// Read-only access to a registry: the live Windows registry (ANSI functions) or
// a registry held in memory. One access object has a root and at most one key
// open at a time, like the walkers expect.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vindra::registry {

// Predefined root keys, carried as their 32-bit handle values.
using RootKey = std::uint32_t;
inline constexpr RootKey kHkeyClassesRoot = 0x80000000u;
inline constexpr RootKey kHkeyCurrentUser = 0x80000001u;
inline constexpr RootKey kHkeyLocalMachine = 0x80000002u;
inline constexpr RootKey kHkeyUsers = 0x80000003u;
inline constexpr RootKey kHkeyPerformanceData = 0x80000004u;
inline constexpr RootKey kHkeyCurrentConfig = 0x80000005u;
inline constexpr RootKey kHkeyDynData = 0x80000006u;

// Type and data size of a value, queried without reading the data. Both numbers
// are zero when the query fails.
struct ValueInfo {
  bool ok = false;
  std::uint32_t type = 0;
  std::uint32_t size = 0;
};

// Type, size and, when they fit the reader's buffer, the bytes of a value,
// from a single query.
struct ValueData {
  ValueInfo info;
  bool complete = false;  // `bytes` holds all info.size bytes of the value
  std::string bytes;
};

// A read that failed after the value's type was known. The message is ANSI text:
// "'%s' の取得に失敗しました" or "'%s' のデータ型が不正です" with the value name.
class RegistryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class RegistryAccess {
 public:
  virtual ~RegistryAccess() = default;

  // Later opens are relative to this root. Closes the current key.
  virtual void SetRoot(RootKey root) = 0;
  // Opens `path` below the root for reading (a leading backslash is dropped),
  // trying KEY_READ, then READ_CONTROL|KEY_QUERY_VALUE|KEY_ENUMERATE_SUB_KEYS,
  // then KEY_QUERY_VALUE. The opened key becomes the current key.
  virtual bool OpenKeyReadOnly(std::string_view path) = 0;
  virtual void CloseKey() = 0;

  // Names of the current key's values by index; the default value is "".
  // Empty when the key information cannot be read.
  virtual std::vector<std::string> ValueNames() = 0;
  // Names of the current key's sub-keys by index; empty when unreadable.
  virtual std::vector<std::string> SubKeyNames() = 0;
  // Number of sub-keys of the current key; 0 when unreadable.
  virtual std::uint32_t SubKeyCount() = 0;

  // One size-and-type query of a value of the current key.
  virtual ValueInfo QueryValueInfo(std::string_view name) = 0;
  // One query for type, size and data. When `complete` is false (the data did
  // not fit, or could not be read) only `info` holds: the value is then read
  // with the readers below, which raise the errors. The default makes only
  // the type-and-size query.
  virtual ValueData QueryValueData(std::string_view name) {
    ValueData data;
    data.info = QueryValueInfo(name);
    return data;
  }
  // REG_SZ / REG_EXPAND_SZ data cut at its first zero byte; throws RegistryError.
  virtual std::string ReadString(std::string_view name) = 0;
  // REG_DWORD data; throws RegistryError. Fewer than 4 bytes are zero-filled.
  virtual std::uint32_t ReadInteger(std::string_view name) = 0;
  // Guarded raw read: fails (throws) when the size exceeds `capacity` or the type
  // is REG_SZ, REG_EXPAND_SZ or REG_DWORD. Returns the number of bytes written.
  virtual std::uint32_t ReadBinaryData(std::string_view name, void* buffer, std::uint32_t capacity) = 0;
  // Direct raw read: never throws; returns the number of bytes written (0 on failure).
  virtual std::uint32_t ReadRawData(std::string_view name, void* buffer, std::uint32_t capacity) = 0;
};

// Makes fresh access objects over one registry (the walkers take a new one per key).
class RegistrySource {
 public:
  virtual ~RegistrySource() = default;
  virtual std::unique_ptr<RegistryAccess> CreateAccess() = 0;
};

// Convenience wrappers over QueryValueInfo: 0 when the query fails.
inline std::uint32_t GetValueType(RegistryAccess& key, std::string_view name) {
  const ValueInfo info = key.QueryValueInfo(name);
  return info.ok ? info.type : 0;
}
inline std::uint32_t GetValueDataSize(RegistryAccess& key, std::string_view name) {
  const ValueInfo info = key.QueryValueInfo(name);
  return info.ok ? info.size : 0;
}

}  // namespace vindra::registry
