#include "registry/hive_registry.h"

#include <cstring>

#include "core/ansi_text.h"

#ifdef VINDRA_HAVE_HIVEX
#include <hivex.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/text.h"
#include "registry/memory_registry.h"
#include "registry/one_key_access.h"
#endif

namespace vindra::registry {

bool HiveRegistrySupported() {
#ifdef VINDRA_HAVE_HIVEX
  return true;
#else
  return false;
#endif
}

std::optional<RootedKeyPath> DefaultHiveMount(std::string_view fileName) {
  const std::size_t slash = fileName.find_last_of("/\\");
  const std::string_view base = slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
  struct Default {
    std::string_view fileName;
    RootKey root;
    std::string_view path;
  };
  static constexpr Default kDefaults[] = {
      {"SOFTWARE", kHkeyLocalMachine, "SOFTWARE"},
      {"SYSTEM", kHkeyLocalMachine, "SYSTEM"},
      {"NTUSER.DAT", kHkeyCurrentUser, ""},
      {"UsrClass.dat", kHkeyClassesRoot, ""},
  };
  for (const Default& d : kDefaults) {
    if (base.size() == d.fileName.size() && StartsWithIgnoreCase(base, d.fileName)) {
      return RootedKeyPath{d.root, std::string(d.path)};
    }
  }
  return std::nullopt;
}

#ifdef VINDRA_HAVE_HIVEX

namespace {

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegMultiSz = 7;
constexpr const char* kCurrentControlSet = "CurrentControlSet";

// Frees what hivex allocated.
struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using HivexPtr = std::unique_ptr<T, FreeDeleter>;

// hivex stores any 32-bit type in its enum, whose named values end at 11:
// the type is read as the number it is, never loaded as the enum.
static_assert(sizeof(hive_type) == sizeof(std::uint32_t));
std::uint32_t TypeNumber(const hive_type& type) {
  std::uint32_t number = 0;
  std::memcpy(&number, &type, sizeof number);
  return number;
}

std::string ErrnoText(int error) { return error != 0 ? std::strerror(error) : "unknown error"; }

// A name as the ANSI functions give it, and whether the ANSI name leads back
// to this one: a character the code page lacks becomes "?", and opening the
// "?" name fails on Windows.
struct AnsiName {
  std::string ansi;
  std::string folded;
  bool reachable = true;
};

AnsiName ToAnsiName(std::string_view utf8) {
  const std::u16string wide = platform::Utf8ToWide(utf8);
  AnsiName name;
  name.ansi = platform::WideToAnsi(wide);
  name.folded = FoldNameCase(name.ansi);
  name.reachable = platform::AnsiToWide(name.ansi) == wide;
  return name;
}

}  // namespace

// The open hive with the names it has converted so far. Shared by the source
// and every access object it makes.
class HiveRegistrySource::Hive {
 public:
  struct Entry {
    AnsiName name;
    std::size_t handle = 0;  // hive_node_h or hive_value_h
  };
  // Names of a key's sub-keys or values, and the index of the first of each
  // folded name that leads back to it.
  struct EntryList {
    std::vector<Entry> entries;
    std::unordered_map<std::string, std::size_t> byName;
  };

  Hive(const std::string& fileName, const RootedKeyPath& mount) : fileName_(fileName), mountRoot_(mount.root) {
    for (std::string_view part : SplitKeyPath(mount.path)) mountParts_.emplace_back(part);
    CheckSignature();
    errno = 0;
    handle_ = hivex_open(fileName.c_str(), 0);
    if (handle_ == nullptr) {
      const int error = errno;
      if (error == ENOENT || error == EACCES || error == EISDIR || error == EIO || error == ENOMEM) {
        throw HiveError(fileName_, "cannot be read: " + ErrnoText(error));
      }
      Fail("its header or hive bins do not hold together, as in a truncated or overwritten file (" +
           ErrnoText(error) + ")");
    }
    root_ = hivex_root(handle_);
    if (root_ == 0) Fail("the hive has no root key");
  }
  ~Hive() {
    if (handle_ != nullptr) hivex_close(handle_);
  }
  Hive(const Hive&) = delete;
  Hive& operator=(const Hive&) = delete;

  // A hive file starts with "regf"; anything else is no hive at all.
  void CheckSignature() const {
    std::FILE* file = std::fopen(fileName_.c_str(), "rb");
    if (file == nullptr) throw HiveError(fileName_, "cannot be read: " + ErrnoText(errno));
    char signature[4] = {};
    const std::size_t n = std::fread(signature, 1, sizeof signature, file);
    const bool readFailed = std::ferror(file) != 0;
    std::fclose(file);
    if (readFailed) throw HiveError(fileName_, "cannot be read");
    if (n < sizeof signature || std::memcmp(signature, "regf", 4) != 0) {
      throw HiveError(fileName_, "not a registry hive file (it does not start with \"regf\")");
    }
  }

  [[noreturn]] void Fail(const std::string& detail) const { throw HiveError(fileName_, "damaged hive: " + detail); }
  [[noreturn]] void FailAt(std::string_view keyPath, const std::string& what) const {
    Fail("key '" + (keyPath.empty() ? std::string("(top of the hive)") : std::string(keyPath)) + "' " + what +
         " (" + ErrnoText(errno) + ")");
  }

  const EntryList& SubKeys(hive_node_h node, std::string_view keyPath) {
    return CachedList(subKeys_, node, keyPath, {hivex_node_children, hivex_node_name, "sub-key"});
  }

  const EntryList& Values(hive_node_h node, std::string_view keyPath) {
    return CachedList(values_, node, keyPath, {hivex_node_values, hivex_value_key, "value"});
  }

  // The hive node of a key path below `root`; 0 when there is no such key.
  // Keys above the mount point have no node: `virtualDepth` then tells how
  // many components of the mount path the key has (else it is -1).
  hive_node_h Find(RootKey root, std::string_view path, int& virtualDepth) {
    virtualDepth = -1;
    if (root != mountRoot_) return 0;
    const std::vector<std::string_view> parts = SplitKeyPath(path);
    std::size_t i = 0;
    for (; i < parts.size() && i < mountParts_.size(); ++i) {
      if (FoldNameCase(parts[i]) != FoldNameCase(mountParts_[i])) return 0;
    }
    if (i < mountParts_.size()) {
      virtualDepth = static_cast<int>(i);
      return 0;
    }
    hive_node_h node = root_;
    std::string walked;
    for (; i < parts.size(); ++i) {
      const EntryList& list = SubKeys(node, walked);
      const auto it = list.byName.find(FoldNameCase(parts[i]));
      if (it != list.byName.end()) {
        node = list.entries[it->second].handle;
      } else if (node == root_ && FoldNameCase(parts[i]) == "CURRENTCONTROLSET" && CurrentControlSet() != 0) {
        node = CurrentControlSet();
      } else {
        return 0;
      }
      if (!walked.empty()) walked += '\\';
      walked.append(parts[i]);
    }
    return node;
  }

  // The control set that Select\Current names, 0 when there is none.
  hive_node_h CurrentControlSet() {
    if (controlSetResolved_) return controlSet_;
    controlSetResolved_ = true;
    const EntryList& top = SubKeys(root_, "");
    const auto select = top.byName.find("SELECT");
    if (select == top.byName.end()) return 0;
    const hive_node_h selectNode = top.entries[select->second].handle;
    const EntryList& values = Values(selectNode, "Select");
    const auto current = values.byName.find("CURRENT");
    if (current == values.byName.end()) return 0;
    hive_type type{};
    std::size_t length = 0;
    errno = 0;
    HivexPtr<char> data(hivex_value_value(handle_, values.entries[current->second].handle, &type, &length));
    if (!data) FailAt("Select", "has a value Current whose data cannot be read");
    if (TypeNumber(type) != 4 || length < 4) return 0;  // REG_DWORD
    std::uint32_t number = 0;
    for (int b = 3; b >= 0; --b) number = number << 8 | static_cast<unsigned char>(data.get()[b]);
    if (number == 0 || number > 999) return 0;
    char name[32];
    std::snprintf(name, sizeof name, "CONTROLSET%03u", static_cast<unsigned>(number));
    const auto set = top.byName.find(name);
    if (set == top.byName.end()) return 0;
    controlSetName_ = top.entries[set->second].name.ansi;
    controlSet_ = top.entries[set->second].handle;
    return controlSet_;
  }

  // True for the hive's top key when CurrentControlSet is resolved through
  // Select\Current: the key then lists it, as the loaded SYSTEM hive does.
  bool HasControlSetLink(hive_node_h node) {
    if (node != root_ || CurrentControlSet() == 0) return false;
    return SubKeys(root_, "").byName.count("CURRENTCONTROLSET") == 0;
  }

  const std::string& ControlSetName() {
    CurrentControlSet();
    return controlSetName_;
  }

  // The data of a value as RegQueryValueExA gives it.
  bool ReadValue(hive_value_h value, std::uint32_t& type, std::string& data) {
    hive_type rawType{};
    std::size_t length = 0;
    errno = 0;
    HivexPtr<char> raw(hivex_value_value(handle_, value, &rawType, &length));
    if (!raw) return false;
    type = TypeNumber(rawType);
    if (type == kRegSz || type == kRegExpandSz || type == kRegMultiSz) {
      // Whole UTF-16 code units; an odd last byte has no character.
      std::u16string wide(length / 2, u'\0');
      for (std::size_t i = 0; i < wide.size(); ++i) {
        wide[i] = static_cast<char16_t>(static_cast<unsigned char>(raw.get()[2 * i]) |
                                        static_cast<unsigned char>(raw.get()[2 * i + 1]) << 8);
      }
      data.clear();
      platform::AppendWideToAnsi(wide.data(), wide.size(), data);
    } else {
      data.assign(raw.get(), length);
    }
    return true;
  }

  void CheckTree(RootKey root, std::string_view path) {
    int virtualDepth = -1;
    hive_node_h top = Find(root, path, virtualDepth);
    if (virtualDepth >= 0) top = root_;  // a key above the mount point holds the whole hive
    if (top == 0) return;
    // The hive's own nesting below the mount point, with the levels above it.
    const std::size_t depthAllowed = kMaxKeyDepth - std::min(kMaxKeyDepth, mountParts_.size());
    struct Pending {
      hive_node_h node;
      std::string path;
      std::size_t depth;
    };
    std::vector<Pending> stack{{top, std::string(path), 0}};
    std::unordered_set<hive_node_h> seen{top};
    std::string data;
    while (!stack.empty()) {
      Pending key = std::move(stack.back());
      stack.pop_back();
      for (const Entry& value : Values(key.node, key.path).entries) {
        std::uint32_t type = 0;
        if (!ReadValue(value.handle, type, data)) {
          FailAt(key.path, "has a value '" + value.name.ansi + "' whose data cannot be read");
        }
      }
      const EntryList& subKeys = SubKeys(key.node, key.path);
      if (!subKeys.entries.empty() && key.depth + 1 > depthAllowed) {
        Fail("keys nested deeper than " + std::to_string(kMaxKeyDepth) + " levels at '" + key.path + "'");
      }
      for (const Entry& sub : subKeys.entries) {
        if (!seen.insert(sub.handle).second) {
          Fail("key '" + key.path + "' has a sub-key that is also reached elsewhere (a loop)");
        }
        stack.push_back({sub.handle, key.path + '\\' + sub.name.ansi, key.depth + 1});
      }
    }
  }

 private:
  static void Add(EntryList& list, AnsiName name, std::size_t handle) {
    if (name.reachable) list.byName.emplace(name.folded, list.entries.size());
    list.entries.push_back({std::move(name), handle});
  }

  // How to read one kind of list of a node: its 0-terminated handles, the
  // name of one handle, and the word for an entry in error messages.
  struct ListReader {
    std::size_t* (*handles)(hive_h*, hive_node_h);
    char* (*name)(hive_h*, std::size_t);
    const char* entryWord;
  };

  // The names of a node's sub-keys or values, read once and kept in `cache`.
  const EntryList& CachedList(std::unordered_map<hive_node_h, EntryList>& cache, hive_node_h node,
                              std::string_view keyPath, const ListReader& reader) {
    if (const auto it = cache.find(node); it != cache.end()) return it->second;
    errno = 0;
    HivexPtr<std::size_t> handles(reader.handles(handle_, node));
    if (!handles) FailAt(keyPath, std::string("has a ") + reader.entryWord + " list that cannot be read");
    EntryList list;
    for (const std::size_t* entry = handles.get(); *entry != 0; ++entry) {
      errno = 0;
      HivexPtr<char> name(reader.name(handle_, *entry));
      if (!name) FailAt(keyPath, std::string("has a ") + reader.entryWord + " whose name cannot be read");
      Add(list, ToAnsiName(name.get()), *entry);
    }
    return cache.emplace(node, std::move(list)).first->second;
  }

  std::string fileName_;
  RootKey mountRoot_;
  std::vector<std::string> mountParts_;
  hive_h* handle_ = nullptr;
  hive_node_h root_ = 0;
  std::unordered_map<hive_node_h, EntryList> subKeys_;
  std::unordered_map<hive_node_h, EntryList> values_;
  bool controlSetResolved_ = false;
  hive_node_h controlSet_ = 0;
  std::string controlSetName_;

 public:
  const std::vector<std::string>& MountParts() const { return mountParts_; }
};

namespace {

class HiveAccess final : public OneKeyAccess {
 public:
  explicit HiveAccess(std::shared_ptr<HiveRegistrySource::Hive> hive) : OneKeyAccess(0), hive_(std::move(hive)) {}

  void CloseKey() override {
    open_ = false;
    node_ = 0;
    virtualDepth_ = -1;
    path_.clear();
  }

  std::vector<std::string> ValueNames() override {
    std::vector<std::string> names;
    if (node_ == 0) return names;
    const auto& list = hive_->Values(node_, path_);
    names.reserve(list.entries.size());
    for (const auto& entry : list.entries) names.push_back(entry.name.ansi);
    return names;
  }

  std::vector<std::string> SubKeyNames() override {
    std::vector<std::string> names;
    if (!open_) return names;
    if (node_ == 0) {
      names.push_back(hive_->MountParts()[static_cast<std::size_t>(virtualDepth_)]);
      return names;
    }
    const auto& list = hive_->SubKeys(node_, path_);
    names.reserve(list.entries.size() + 1);
    for (const auto& entry : list.entries) names.push_back(entry.name.ansi);
    if (hive_->HasControlSetLink(node_)) names.emplace_back(kCurrentControlSet);
    return names;
  }

  std::uint32_t SubKeyCount() override {
    if (!open_) return 0;
    if (node_ == 0) return 1;
    return static_cast<std::uint32_t>(hive_->SubKeys(node_, path_).entries.size() +
                                      (hive_->HasControlSetLink(node_) ? 1 : 0));
  }

 protected:
  bool OpenBelowRoot(std::string_view path) override {
    int virtualDepth = -1;
    const hive_node_h node = hive_->Find(root_, path, virtualDepth);
    if (node == 0 && virtualDepth < 0) return false;
    open_ = true;
    node_ = node;
    virtualDepth_ = virtualDepth;
    path_.assign(path);
    return true;
  }

  long QueryValue(const std::string& name, std::uint32_t* type, unsigned char* data, std::uint32_t* size) override {
    if (!open_) return kErrorInvalidHandle;
    if (node_ == 0) return kErrorFileNotFound;
    const auto& list = hive_->Values(node_, path_);
    const auto it = list.byName.find(FoldNameCase(name));
    if (it == list.byName.end()) return kErrorFileNotFound;
    const std::size_t handle = list.entries[it->second].handle;
    if (handle != cachedHandle_) {
      cachedHandle_ = 0;
      if (!hive_->ReadValue(handle, cachedType_, cachedData_)) return kErrorAccessDenied;
      cachedHandle_ = handle;
    }
    *type = cachedType_;
    if (cachedData_.size() > UINT32_MAX) return kErrorAccessDenied;
    const auto needed = static_cast<std::uint32_t>(cachedData_.size());
    if (data) {
      if (needed > *size) {
        *size = needed;
        return kErrorMoreData;
      }
      if (needed) std::memcpy(data, cachedData_.data(), needed);
    }
    *size = needed;
    return kErrorSuccess;
  }

 private:
  std::shared_ptr<HiveRegistrySource::Hive> hive_;
  bool open_ = false;
  hive_node_h node_ = 0;
  int virtualDepth_ = -1;
  std::string path_;
  // The last value read: a size query and the read that follows it convert once.
  std::size_t cachedHandle_ = 0;
  std::uint32_t cachedType_ = 0;
  std::string cachedData_;
};

}  // namespace

HiveRegistrySource::HiveRegistrySource(const std::string& fileName, const RootedKeyPath& mount)
    : hive_(std::make_shared<Hive>(fileName, mount)) {}

HiveRegistrySource::~HiveRegistrySource() = default;

void HiveRegistrySource::CheckTree(RootKey root, std::string_view path) { hive_->CheckTree(root, path); }

std::string HiveRegistrySource::CurrentControlSetName() { return hive_->ControlSetName(); }

std::unique_ptr<RegistryAccess> HiveRegistrySource::CreateAccess() { return std::make_unique<HiveAccess>(hive_); }

#endif  // VINDRA_HAVE_HIVEX

}  // namespace vindra::registry
