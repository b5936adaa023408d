// The value reads of RegistryAccess written once over a single primitive that
// behaves like RegQueryValueExA, so that the live and the in-memory registry
// give the same results and raise the same errors.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "registry/registry_access.h"

namespace vindra::registry {

// Result codes of the registry functions that the readers tell apart.
inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorInvalidHandle = 6;
inline constexpr long kErrorMoreData = 234;
inline constexpr long kErrorKeyDeleted = 1018;

// "'%s' の取得に失敗しました" / "'%s' のデータ型が不正です" with the value name.
std::string ReadFailedMessage(std::string_view name);
std::string InvalidTypeMessage(std::string_view name);

class ValueReadingAccess : public RegistryAccess {
 public:
  ValueInfo QueryValueInfo(std::string_view name) override;
  ValueData QueryValueData(std::string_view name) override;
  std::string ReadString(std::string_view name) override;
  std::uint32_t ReadInteger(std::string_view name) override;
  std::uint32_t ReadBinaryData(std::string_view name, void* buffer, std::uint32_t capacity) override;
  std::uint32_t ReadRawData(std::string_view name, void* buffer, std::uint32_t capacity) override;

 protected:
  // One query of a value of the current key, as RegQueryValueExA does it.
  // `data` null: only type and size. `*size` is the capacity on entry and the
  // bytes written (or, with kErrorMoreData, the bytes needed) on return.
  virtual long QueryValue(const std::string& name, std::uint32_t* type, unsigned char* data,
                          std::uint32_t* size) = 0;

  // The capacity of QueryValueData's one query: a value whose data is larger
  // is not `complete`.
  static constexpr std::uint32_t kQueryBufferSize = 4096;

 private:
  // Reused between queries: most values fit, which spares the size query.
  // Made on the first query: an access object is made for every key a walk
  // reaches, and most never query by name.
  std::vector<unsigned char> dataBuffer_;

  std::string ReadStringInTwoSteps(const std::string& name);
  std::uint32_t ReadBinaryGuarded(const std::string& name, unsigned char* buffer, std::uint32_t capacity);
};

}  // namespace vindra::registry
