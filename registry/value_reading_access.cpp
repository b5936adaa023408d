#include "registry/value_reading_access.h"

#include <cstring>
#include <vector>

#include "core/inf_format.h"

namespace vindra::registry {
namespace {

bool IsTextType(std::uint32_t type) { return type == kRegSz || type == kRegExpandSz; }

std::string CutAtZero(const unsigned char* data, std::size_t size) {
  const void* zero = std::memchr(data, 0, size);
  const std::size_t length = zero ? static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - data) : size;
  return std::string(reinterpret_cast<const char*>(data), length);
}

// Most strings fit here, which saves the separate size query of the two-step read.
constexpr std::uint32_t kSmallStringCapacity = 512;

}  // namespace

namespace {

// Appends rather than chaining operator+, which trips a false -Wrestrict in GCC 12.
std::string QuotedNameMessage(std::string_view name, std::string_view text) {
  std::string message;
  message.reserve(name.size() + text.size() + 2);
  message.push_back('\'');
  message.append(name);
  message.push_back('\'');
  message.append(text);
  return message;
}

}  // namespace

std::string ReadFailedMessage(std::string_view name) { return QuotedNameMessage(name, " の取得に失敗しました"); }

std::string InvalidTypeMessage(std::string_view name) { return QuotedNameMessage(name, " のデータ型が不正です"); }

ValueInfo ValueReadingAccess::QueryValueInfo(std::string_view name) {
  ValueInfo info;
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  if (QueryValue(std::string(name), &type, nullptr, &size) == kErrorSuccess) {
    info.ok = true;
    info.type = type;
    info.size = size;
  }
  return info;
}

ValueData ValueReadingAccess::QueryValueData(std::string_view nameView) {
  const std::string name(nameView);
  ValueData data;
  std::uint32_t type = 0;
  if (dataBuffer_.empty()) dataBuffer_.resize(kQueryBufferSize);
  std::uint32_t size = static_cast<std::uint32_t>(dataBuffer_.size());
  if (QueryValue(name, &type, dataBuffer_.data(), &size) == kErrorSuccess) {
    data.info = ValueInfo{true, type, size};
    data.complete = true;
    data.bytes.assign(reinterpret_cast<const char*>(dataBuffer_.data()), size);
    return data;
  }
  data.info = QueryValueInfo(name);
  return data;
}

// Size query, then the data: empty text when the size query fails or reports
// zero; an error when the read fails or the type is not a text type.
std::string ValueReadingAccess::ReadStringInTwoSteps(const std::string& name) {
  const ValueInfo info = QueryValueInfo(name);
  if (!info.ok || info.size == 0) return {};
  std::vector<unsigned char> buffer(info.size);
  std::uint32_t type = 0;
  std::uint32_t size = info.size;
  if (QueryValue(name, &type, buffer.data(), &size) != kErrorSuccess) throw RegistryError(ReadFailedMessage(name));
  if (!IsTextType(type)) throw RegistryError(InvalidTypeMessage(name));
  return CutAtZero(buffer.data(), size);
}

std::string ValueReadingAccess::ReadString(std::string_view nameView) {
  const std::string name(nameView);
  // One read into a small buffer gives the same result as the two-step read
  // whenever it succeeds; any failure takes the two-step path, which decides
  // between empty text and an error.
  unsigned char small[kSmallStringCapacity];
  std::uint32_t type = 0;
  std::uint32_t size = kSmallStringCapacity;
  if (QueryValue(name, &type, small, &size) == kErrorSuccess) {
    if (size == 0) return {};
    if (!IsTextType(type)) throw RegistryError(InvalidTypeMessage(name));
    return CutAtZero(small, size);
  }
  return ReadStringInTwoSteps(name);
}

std::uint32_t ValueReadingAccess::ReadInteger(std::string_view nameView) {
  const std::string name(nameView);
  unsigned char bytes[4] = {0, 0, 0, 0};  // a shorter value leaves the high bytes zero
  std::uint32_t type = 0;
  std::uint32_t size = sizeof bytes;
  if (QueryValue(name, &type, bytes, &size) != kErrorSuccess) throw RegistryError(ReadFailedMessage(name));
  if (type != kRegDword) throw RegistryError(InvalidTypeMessage(name));
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// Type and size first: nothing is read when the value is gone; an error when it
// is too large for the buffer or of a type that has its own reader.
std::uint32_t ValueReadingAccess::ReadBinaryGuarded(const std::string& name, unsigned char* buffer,
                                                    std::uint32_t capacity) {
  const ValueInfo info = QueryValueInfo(name);
  if (!info.ok) return 0;
  if (IsTextType(info.type) || info.type == kRegDword || info.size > capacity) {
    throw RegistryError(InvalidTypeMessage(name));
  }
  std::uint32_t type = 0;
  std::uint32_t size = info.size;
  if (QueryValue(name, &type, buffer, &size) != kErrorSuccess) throw RegistryError(ReadFailedMessage(name));
  return size;
}

std::uint32_t ValueReadingAccess::ReadBinaryData(std::string_view nameView, void* buffer, std::uint32_t capacity) {
  const std::string name(nameView);
  auto* bytes = static_cast<unsigned char*>(buffer);
  // A direct read answers the guarded checks itself when it succeeds or when
  // the data does not fit; other failures take the guarded path.
  std::uint32_t type = 0;
  std::uint32_t size = capacity;
  const long result = QueryValue(name, &type, bytes, &size);
  if (result == kErrorSuccess) {
    if (IsTextType(type) || type == kRegDword) throw RegistryError(InvalidTypeMessage(name));
    return size;
  }
  if (result == kErrorMoreData) throw RegistryError(InvalidTypeMessage(name));
  return ReadBinaryGuarded(name, bytes, capacity);
}

std::uint32_t ValueReadingAccess::ReadRawData(std::string_view name, void* buffer, std::uint32_t capacity) {
  std::uint32_t type = 0;
  std::uint32_t size = capacity;
  if (QueryValue(std::string(name), &type, static_cast<unsigned char*>(buffer), &size) != kErrorSuccess) return 0;
  return size <= capacity ? size : capacity;
}

}  // namespace vindra::registry
