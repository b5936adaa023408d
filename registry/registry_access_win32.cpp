#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "registry/root_key.h"
#include "registry/value_reading_access.h"
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

class Win32RegistryAccess final : public ValueReadingAccess {
 public:
  explicit Win32RegistryAccess(REGSAM view) : view_(view) {}
  ~Win32RegistryAccess() override { CloseKey(); }

  void SetRoot(RootKey root) override {
    CloseKey();
    root_ = root;
  }

  bool OpenKeyReadOnly(std::string_view path) override {
    CloseKey();
    if (!path.empty() && path.front() == '\\') path.remove_prefix(1);
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

  void CloseKey() override {
    if (key_) RegCloseKey(key_);
    key_ = nullptr;
  }

  std::vector<std::string> ValueNames() override {
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

  std::vector<std::string> SubKeyNames() override {
    DWORD count = 0;
    DWORD maxName = 0;
    if (!key_ || RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, &count, &maxName, nullptr, nullptr, nullptr,
                                  nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      return {};
    }
    return EnumerateNames(count, maxName, [this](DWORD index, char* name, DWORD* length) {
      return RegEnumKeyExA(key_, index, name, length, nullptr, nullptr, nullptr, nullptr);
    });
  }

  std::uint32_t SubKeyCount() override {
    DWORD count = 0;
    if (!key_ || RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                                  nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      return 0;
    }
    return count;
  }

 protected:
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
  const REGSAM view_;  // KEY_WOW64_* flag of every open, or 0
  RootKey root_ = kHkeyCurrentUser;
  HKEY key_ = nullptr;
};

}  // namespace

Win32RegistrySource::Win32RegistrySource(RegistryView view) : viewRights_(ViewRights(view)) {}

std::unique_ptr<RegistryAccess> Win32RegistrySource::CreateAccess() {
  return std::make_unique<Win32RegistryAccess>(static_cast<REGSAM>(viewRights_));
}

}  // namespace vindra::registry
