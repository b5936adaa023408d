#include <windows.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>
#include <string>
#include <unordered_map>
#include <vector>

#include "registry/one_key_access.h"
#include "registry/root_key.h"
#include "registry/win32_registry.h"

namespace vindra::registry {
namespace {

// Predefined keys are sign-extended 32-bit values in a 64-bit handle.
HKEY RootHandle(RootKey root) {
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(root))));
}

// Rights tried in order when opening a key.
constexpr REGSAM kOpenRights[] = {KEY_READ, READ_CONTROL | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS,
                                  KEY_QUERY_VALUE};

// The ANSI functions report name lengths of the key information in UTF-16
// units, while the ANSI names can take two bytes per unit; the buffer also
// grows on demand.
constexpr DWORD kMinNameBuffer = 512;
constexpr DWORD kMaxNameBuffer = 65536;

// Longest path handed to one RegOpenKeyExA call, in bytes (each ANSI byte is
// at most one UTF-16 unit).
constexpr std::size_t kMaxOpenPath = 240;

// The path cut at backslashes into pieces of at most kMaxOpenPath bytes (a
// single longer name stays one piece). An empty path gives no piece.
std::vector<std::string> PathPieces(std::string_view path) {
  std::vector<std::string> pieces;
  std::string piece;
  for (std::string_view name : SplitKeyPath(path)) {
    if (!piece.empty() && piece.size() + 1 + name.size() > kMaxOpenPath) {
      pieces.push_back(std::move(piece));
      piece.clear();
    }
    if (!piece.empty()) piece.push_back('\\');
    piece.append(name);
  }
  if (!piece.empty()) pieces.push_back(std::move(piece));
  return pieces;
}

// `view`: the registry view flag added to each of the rights (or 0).
bool OpenWithFallbackRights(HKEY base, const std::string& subKey, HKEY* key, REGSAM view) {
  for (REGSAM rights : kOpenRights) {
    if (RegOpenKeyExA(base, subKey.c_str(), 0, rights | view, key) == ERROR_SUCCESS) return true;
  }
  return false;
}

// The flag that opens keys in `view`: none for the program's own view, and
// none on 32-bit Windows (no WOW64), which has one view only.
REGSAM ViewRights(RegistryView view) {
#ifdef _WIN64
  return view == RegistryView::Bits32 ? KEY_WOW64_32KEY : 0;
#else
  BOOL wow64 = FALSE;
  if (view != RegistryView::Bits64 || !IsWow64Process(GetCurrentProcess(), &wow64) || !wow64) return 0;
  return KEY_WOW64_64KEY;
#endif
}

// The names of `count` items by index through `enumerate` (RegEnumValueA or
// RegEnumKeyExA over index, buffer and length), the buffer growing while a
// name does not fit. Items that went away meanwhile end the list; so does a
// refusal, which every index would repeat (the sub-keys of a key opened for
// querying values only).
template <typename Enumerate>
std::vector<std::string> EnumerateNames(DWORD count, DWORD maxName, Enumerate enumerate) {
  std::vector<std::string> names;
  names.reserve(count);
  std::vector<char> buffer(std::max<DWORD>(kMinNameBuffer, 2 * maxName + 2));
  for (DWORD index = 0; index < count; ++index) {
    DWORD length = static_cast<DWORD>(buffer.size());
    LONG result = enumerate(index, buffer.data(), &length);
    while (result == ERROR_MORE_DATA && buffer.size() < kMaxNameBuffer) {
      buffer.resize(buffer.size() * 2);
      length = static_cast<DWORD>(buffer.size());
      result = enumerate(index, buffer.data(), &length);
    }
    if (result == ERROR_NO_MORE_ITEMS || result == ERROR_ACCESS_DENIED) break;
    if (result == ERROR_SUCCESS) names.emplace_back(buffer.data(), length);
  }
  return names;
}

// The conversions that the registry's ANSI functions apply to value names and
// string data (RtlUnicodeToMultiByteN and RtlMultiByteToUnicodeN of ntdll,
// which differ from WideCharToMultiByte: a surrogate pair gives two default
// characters there, not one). Null when ntdll lacks them.
struct AnsiConversions {
  using ToAnsi = LONG(WINAPI*)(char* out, ULONG outBytes, ULONG* written, const WCHAR* in, ULONG inBytes);
  using ToAnsiSize = LONG(WINAPI*)(ULONG* size, const WCHAR* in, ULONG inBytes);
  using ToWide = LONG(WINAPI*)(WCHAR* out, ULONG outBytes, ULONG* written, const char* in, ULONG inBytes);
  ToAnsi toAnsi = nullptr;
  ToAnsiSize toAnsiSize = nullptr;
  ToWide toWide = nullptr;
};

const AnsiConversions& Conversions() {
  static const AnsiConversions conversions = [] {
    AnsiConversions c;
    if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
      c.toAnsi = reinterpret_cast<AnsiConversions::ToAnsi>(
          reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlUnicodeToMultiByteN")));
      c.toAnsiSize = reinterpret_cast<AnsiConversions::ToAnsiSize>(
          reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlUnicodeToMultiByteSize")));
      c.toWide = reinterpret_cast<AnsiConversions::ToWide>(
          reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlMultiByteToUnicodeN")));
    }
    if (!c.toAnsi || !c.toAnsiSize || !c.toWide) c = AnsiConversions{};
    return c;
  }();
  return conversions;
}

// `bytes` bytes of UTF-16 (an odd last byte ignored) in the ANSI code page, as
// the ANSI functions convert them; false when the conversion fails.
bool ToAnsi(const WCHAR* text, ULONG bytes, std::string& out) {
  const AnsiConversions& c = Conversions();
  ULONG size = 0;
  if (c.toAnsiSize(&size, text, bytes) != 0) return false;
  out.resize(size);
  ULONG written = 0;
  if (size > 0 && c.toAnsi(out.data(), size, &written, text, bytes) != 0) return false;
  out.resize(written);
  return true;
}

// True when the ANSI name, as RegQueryValueExA takes it (up to its first NUL),
// converts back to exactly the wide name: then a query by the ANSI name finds
// this value and no other.
bool NameSurvivesRoundTrip(const std::string& ansi, const WCHAR* wide, ULONG wideBytes) {
  const std::size_t length = std::strlen(ansi.c_str());
  // Each ANSI byte gives at most one unit; most names fit the array.
  WCHAR small[256];
  std::vector<WCHAR> large;
  WCHAR* back = small;
  if (length >= std::size(small)) {
    large.resize(length + 1);
    back = large.data();
  }
  ULONG written = 0;
  if (Conversions().toWide(back, static_cast<ULONG>((length + 1) * sizeof(WCHAR)), &written, ansi.data(),
                           static_cast<ULONG>(length)) != 0) {
    return false;
  }
  return written == wideBytes && std::memcmp(back, wide, wideBytes) == 0;
}

bool IsTextType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// The counts and longest lengths of a key (RegQueryInfoKeyW).
struct KeyInfo {
  DWORD subKeys = 0;
  DWORD maxSubKeyName = 0;  // in UTF-16 units
  DWORD values = 0;
  DWORD maxValueName = 0;  // in UTF-16 units
  DWORD maxValueData = 0;  // in bytes
};

bool QueryKeyInfo(HKEY key, KeyInfo& info) {
  return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &info.subKeys, &info.maxSubKeyName, nullptr, &info.values,
                          &info.maxValueName, &info.maxValueData, nullptr, nullptr) == ERROR_SUCCESS;
}

// A value as the enumeration read it, with what a query by its ANSI name
// (RegQueryValueExA into QueryValueData's buffer) would have returned.
struct ReadValue {
  std::string name;  // ANSI, as RegEnumValueA gives it
  // True when the data below is that query's result: the enumeration read it
  // whole, the name survives the round trip (a name the code page lacks, or
  // writes as a look-alike, is queried and fails or finds another value, just
  // as before) and the data fits the buffer. Otherwise the query is made.
  bool stands = false;
  DWORD type = 0;
  std::string data;  // ANSI for the text types, as RegQueryValueExA converts them
};

class Win32RegistryAccess final : public OneKeyAccess {
 public:
  explicit Win32RegistryAccess(REGSAM view) : OneKeyAccess(kHkeyCurrentUser), view_(view) {}
  ~Win32RegistryAccess() override { CloseKey(); }

  void CloseKey() override {
    if (key_) RegCloseKey(key_);
    key_ = nullptr;
    haveInfo_ = false;
    ForgetValues();
  }

  // Each value is read once here, name, type and data together
  // (RegEnumValueW), instead of a listing followed by one query per name:
  // QueryValueData answers from what was read, which is what the query by
  // name would have returned at that moment, and queries by name where the
  // answer could differ (see ReadValue). The values of a key are thus read
  // in one pass, when they are listed.
  std::vector<std::string> ValueNames() override {
    if (!key_) return {};
    if (!Conversions().toAnsi) return ListedValueNames();
    ForgetValues();
    if (!QueryKeyInfo(key_, info_)) return {};
    haveInfo_ = true;
    ReadValues();
    std::vector<std::string> names;
    names.reserve(values_.size());
    for (const ReadValue& value : values_) names.push_back(value.name);
    return names;
  }

  ValueData QueryValueData(std::string_view name) override {
    if (const ReadValue* value = StandingValue(name)) {
      ValueData data;
      data.info = ValueInfo{true, value->type, static_cast<std::uint32_t>(value->data.size())};
      data.complete = true;
      data.bytes = value->data;
      return data;
    }
    return ValueReadingAccess::QueryValueData(name);
  }

  // The value names through RegEnumValueA, for a system without the ntdll
  // conversions.
  std::vector<std::string> ListedValueNames() {
    DWORD count = 0;
    DWORD maxName = 0;
    if (!key_ || RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &maxName,
                                  nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      return {};
    }
    return EnumerateNames(count, maxName, [this](DWORD index, char* name, DWORD* length) {
      return RegEnumValueA(key_, index, name, length, nullptr, nullptr, nullptr, nullptr);
    });
  }

  // The sub-key count of the key information read for the values (one
  // query serves both), else of a fresh query.
  std::vector<std::string> SubKeyNames() override {
    DWORD count = 0;
    DWORD maxName = 0;
    if (haveInfo_) {
      count = info_.subKeys;
      maxName = info_.maxSubKeyName;
    } else if (!key_ || RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, &count, &maxName, nullptr, nullptr,
                                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      return {};
    }
    return EnumerateNames(count, maxName, [this](DWORD index, char* name, DWORD* length) {
      return RegEnumKeyExA(key_, index, name, length, nullptr, nullptr, nullptr, nullptr);
    });
  }

  // As SubKeyNames: the count of the key information read for the values,
  // so that a walk that compares the two makes no further round trip.
  std::uint32_t SubKeyCount() override {
    if (haveInfo_) return info_.subKeys;
    DWORD count = 0;
    if (!key_ || RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                                  nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      return 0;
    }
    return count;
  }

 protected:
  bool OpenBelowRoot(std::string_view path) override {
    // The ANSI functions convert a path through a buffer of MAX_PATH UTF-16
    // units; a longer path (a deep key) is opened a few levels at a time.
    HKEY base = RootHandle(root_);
    HKEY key = nullptr;
    for (const std::string& piece : PathPieces(path)) {
      const bool opened = OpenWithFallbackRights(base, piece, &key, view_);
      if (base != RootHandle(root_)) RegCloseKey(base);
      if (!opened) return false;
      base = key;
    }
    if (base == RootHandle(root_)) {
      if (!OpenWithFallbackRights(base, "", &key, view_)) return false;
    }
    key_ = key;
    return true;
  }

  long QueryValue(const std::string& name, std::uint32_t* type, unsigned char* data, std::uint32_t* size) override {
    if (!key_) return ERROR_INVALID_HANDLE;
    DWORD valueType = 0;
    DWORD valueSize = *size;
    const LONG result = RegQueryValueExA(key_, name.c_str(), nullptr, &valueType, data, &valueSize);
    *type = valueType;
    *size = valueSize;
    return result;
  }

 private:
  // Longest value name in UTF-16 units, and the largest data read with the
  // name: larger values are queried by name, like values over the buffer of
  // QueryValueData.
  static constexpr DWORD kMaxValueName = 16383;
  static constexpr DWORD kMaxReadData = 65536;

  void ForgetValues() {
    values_.clear();
    standing_.clear();
    indexed_ = false;
  }

  // Reads every value of the key by index, as RegEnumValueA would list them:
  // items that went away end the list, and so does a refusal.
  void ReadValues() {
    // Room for the longest name and the largest data that the key
    // information reported; a value that grew meanwhile does not fit.
    std::vector<WCHAR> name(std::min(info_.maxValueName, kMaxValueName) + 2);
    std::vector<BYTE> data(std::min(info_.maxValueData, kMaxReadData) + 2);
    values_.reserve(info_.values);
    for (DWORD index = 0; index < info_.values; ++index) {
      DWORD nameLength = static_cast<DWORD>(name.size());
      DWORD type = 0;
      DWORD dataSize = static_cast<DWORD>(data.size());
      LONG result = RegEnumValueW(key_, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataSize);
      const bool whole = result == ERROR_SUCCESS;
      if (result == ERROR_MORE_DATA) {
        // The name or the data did not fit (the value grew, or is large):
        // the name alone, with room for the longest a name can be.
        name.resize(kMaxValueName + 2);
        nameLength = static_cast<DWORD>(name.size());
        result = RegEnumValueW(key_, index, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr);
      }
      if (result == ERROR_NO_MORE_ITEMS || result == ERROR_ACCESS_DENIED) break;
      if (result != ERROR_SUCCESS) continue;
      ReadValue value;
      const ULONG nameBytes = nameLength * sizeof(WCHAR);
      if (!ToAnsi(name.data(), nameBytes, value.name)) continue;
      if (whole && NameSurvivesRoundTrip(value.name, name.data(), nameBytes)) {
        value.type = type;
        bool converted = true;
        if (IsTextType(type)) {
          converted = ToAnsi(reinterpret_cast<const WCHAR*>(data.data()), dataSize, value.data);
        } else {
          value.data.assign(reinterpret_cast<const char*>(data.data()), dataSize);
        }
        value.stands = converted && value.data.size() <= kQueryBufferSize;
      }
      if (!value.stands) value.data.clear();
      values_.push_back(std::move(value));
    }
  }

  // The value read under `name` that stands for a query by that name; null
  // when the query must be made.
  const ReadValue* StandingValue(std::string_view name) {
    if (values_.empty()) return nullptr;
    if (!indexed_) {
      indexed_ = true;
      for (std::size_t i = 0; i < values_.size(); ++i) {
        if (values_[i].stands) standing_.emplace(values_[i].name, i);
      }
    }
    const auto found = standing_.find(name);
    return found == standing_.end() ? nullptr : &values_[found->second];
  }

  const REGSAM view_;  // KEY_WOW64_* flag of every open, or 0
  HKEY key_ = nullptr;
  KeyInfo info_;
  bool haveInfo_ = false;
  std::vector<ReadValue> values_;
  // The standing values by ANSI name (several values may share an ANSI name;
  // only one that survives the round trip stands).
  // The keys are views of the names in values_, which stays as it is until
  // ForgetValues empties both.
  std::unordered_map<std::string_view, std::size_t> standing_;
  bool indexed_ = false;
};

}  // namespace

Win32RegistrySource::Win32RegistrySource(RegistryView view) : viewRights_(ViewRights(view)) {}

std::unique_ptr<RegistryAccess> Win32RegistrySource::CreateAccess() {
  return std::make_unique<Win32RegistryAccess>(static_cast<REGSAM>(viewRights_));
}

}  // namespace vindra::registry
