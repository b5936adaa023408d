#include "registry/hive_registry.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdint>
#include <new>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/ansi_text.h"
#include "core/file_io.h"
#include "platform/text.h"
#include "registry/hive_file.h"
#include "registry/memory_registry.h"
#include "registry/one_key_access.h"

namespace vindra::registry {

bool HasHiveSignature(const std::string& fileName) {
  InputFile file;
  if (!file.Open(fileName)) return false;
  char signature[4] = {};
  try {
    return file.Read(signature, sizeof signature) == sizeof signature && std::memcmp(signature, "regf", 4) == 0;
  } catch (const FileOpenError&) {
    return false;
  }
}

std::optional<RootedKeyPath> DefaultHiveMount(std::string_view fileName) {
  // The name after the last separator; a 0x5C that ends a double-byte character is none.
  std::size_t start = 0;
  for (std::size_t i = 0; i < fileName.size();) {
    const std::size_t length = platform::CharLengthAt(fileName, i);
    if (length == 1 && (fileName[i] == '/' || fileName[i] == '\\')) start = i + 1;
    i += length;
  }
  const std::string_view base = fileName.substr(start);
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

namespace {

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegMultiSz = 7;
constexpr const char* kCurrentControlSet = "CurrentControlSet";
constexpr HiveCell kNoKey = 0xFFFFFFFFu;

// A name as the ANSI functions give it, and whether the ANSI name leads back
// to this one: a character the code page lacks becomes "?", and opening the
// "?" name fails on Windows. A name is read up to its first NUL, as callers
// of those functions read it.
struct AnsiName {
  std::string ansi;
  std::string folded;
  bool reachable = true;
};

AnsiName ToAnsiName(std::u16string_view units) {
  const std::u16string_view visible = units.substr(0, units.find(u'\0'));
  AnsiName name;
  name.ansi = platform::WideToAnsi(visible);
  name.folded = FoldNameCase(name.ansi);
  name.reachable = visible.size() == units.size() && platform::AnsiToWide(name.ansi) == units;
  return name;
}

// FNV-1a of a folded name: the look-up tables below keep this hash, not the names.
std::uint32_t NameHash(std::string_view folded) {
  std::uint32_t hash = 2166136261u;
  for (const char c : folded) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  return hash;
}

// The names of a key's sub-keys or values that can be looked up, by the hash
// of their folded name and then by their place in the key's list, so that
// of two entries with the same folded name the first one is found.
struct NameIndexEntry {
  std::uint32_t hash;
  std::uint32_t position;
  HiveCell cell;
  bool operator<(const NameIndexEntry& other) const {
    return hash != other.hash ? hash < other.hash : position < other.position;
  }
};
using NameIndex = std::vector<NameIndexEntry>;

// The file's bytes worth reading: the base block and the hive bins.
struct HiveBytes {
  std::unique_ptr<char[]> bytes;
  std::size_t size = 0;
};

HiveBytes ReadHiveBytes(const std::string& fileName) {
  InputFile file;
  try {
    file.OpenOrThrow(fileName);
    const std::uint64_t fileSize = file.Size();
    char start[4096];
    const std::size_t got = file.Read(start, static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, sizeof start)));
    if (got < 4 || std::memcmp(start, "regf", 4) != 0) {
      throw HiveError(fileName, "not a registry hive file (it does not start with \"regf\")");
    }
    const std::uint64_t wanted = std::max<std::uint64_t>(HiveFile::BytesToRead(std::string_view(start, got), fileSize), got);
    if (wanted > SIZE_MAX / 2) throw std::bad_alloc();
    HiveBytes hive;
    hive.bytes.reset(new char[static_cast<std::size_t>(wanted)]);
    std::memcpy(hive.bytes.get(), start, got);
    hive.size = got + file.Read(hive.bytes.get() + got, static_cast<std::size_t>(wanted) - got);
    return hive;
  } catch (const FileOpenError& error) {
    throw HiveError(fileName, "cannot be read: " + error.SystemText());
  } catch (const std::bad_alloc&) {
    throw HiveError(fileName, "cannot be read: not enough memory for a file of this size");
  }
}

}  // namespace

// The open hive with the look-up tables made so far. Shared by the source and
// every access object it makes.
class HiveRegistrySource::Hive {
 public:
  Hive(const std::string& fileName, const RootedKeyPath& mount) : fileName_(fileName), mountRoot_(mount.root) {
    for (std::string_view part : SplitKeyPath(mount.path)) mountParts_.emplace_back(part);
    HiveBytes bytes = ReadHiveBytes(fileName);
    try {
      file_ = std::make_unique<HiveFile>(std::move(bytes.bytes), bytes.size);
    } catch (const HiveFormatError& error) {
      Fail(error.what());
    } catch (const std::bad_alloc&) {
      throw HiveError(fileName_, "cannot be read: not enough memory for a file of this size");
    }
  }

  [[noreturn]] void Fail(const std::string& detail) const { throw HiveError(fileName_, "damaged hive: " + detail); }

  // Runs `read` and gives damage it meets the path of the key being read.
  template <typename Read>
  auto AtKey(std::string_view keyPath, Read read) const -> decltype(read()) {
    try {
      return read();
    } catch (const HiveFormatError& error) {
      Fail("key '" + (keyPath.empty() ? std::string("(top of the hive)") : std::string(keyPath)) + "': " + error.what());
    }
  }

  const HiveFile& File() const { return *file_; }
  const std::vector<std::string>& MountParts() const { return mountParts_; }

  // A key found by its path: its cell, or for a key above the mount point
  // (which has no cell) how many components of the mount path it has.
  struct Found {
    HiveCell cell = kNoKey;
    int virtualDepth = -1;
    bool Exists() const { return cell != kNoKey || virtualDepth >= 0; }
  };

  Found Find(RootKey root, std::string_view path) {
    if (root == lastFindRoot_ && path == lastFindPath_) return lastFound_;
    Found found = FindUncached(root, path);
    lastFindRoot_ = root;
    lastFindPath_.assign(path);
    lastFound_ = found;
    return found;
  }

  // The sub-key of `parent` named `name` (any letter case), kNoKey when there is none.
  HiveCell SubKeyNamed(HiveCell parent, std::string_view parentPath, std::string_view name) {
    auto it = subKeyIndexes_.find(parent);
    if (it == subKeyIndexes_.end()) {
      NameIndex index = AtKey(parentPath, [&] { return MakeIndex(file_->SubKeys(parent), &HiveFile::KeyName); });
      it = subKeyIndexes_.emplace(parent, std::move(index)).first;
    }
    return AtKey(parentPath, [&] { return Look(it->second, name, &HiveFile::KeyName); });
  }

  // The value of `key` named `name` (any letter case), kNoKey when there is none.
  HiveCell ValueNamed(HiveCell key, std::string_view keyPath, std::string_view name) {
    if (valueIndexKey_ != key) {
      valueIndex_ = AtKey(keyPath, [&] { return MakeIndex(file_->Values(key), &HiveFile::ValueName); });
      valueIndexKey_ = key;
    }
    return AtKey(keyPath, [&] { return Look(valueIndex_, name, &HiveFile::ValueName); });
  }

  std::vector<std::string> SubKeyNames(HiveCell key, std::string_view keyPath) {
    return AtKey(keyPath, [&] { return Names(file_->SubKeys(key), &HiveFile::KeyName); });
  }

  std::vector<std::string> ValueNames(HiveCell key, std::string_view keyPath) {
    return AtKey(keyPath, [&] { return Names(file_->Values(key), &HiveFile::ValueName); });
  }

  std::size_t SubKeyCount(HiveCell key, std::string_view keyPath) {
    return AtKey(keyPath, [&] { return file_->SubKeys(key).size(); });
  }

  // The control set that Select\Current names, kNoKey when there is none.
  HiveCell CurrentControlSet() {
    if (controlSetResolved_) return controlSet_;
    controlSetResolved_ = true;
    const HiveCell select = SubKeyNamed(file_->RootKey(), "", "Select");
    if (select == kNoKey) return kNoKey;
    const HiveCell current = ValueNamed(select, "Select", "Current");
    if (current == kNoKey) return kNoKey;
    const std::string data = AtKey("Select", [&] { return file_->ValueData(current); });
    if (AtKey("Select", [&] { return file_->ValueType(current); }) != kRegDword || data.size() < 4) return kNoKey;
    std::uint32_t number = 0;
    for (int b = 3; b >= 0; --b) number = number << 8 | static_cast<unsigned char>(data[b]);
    if (number == 0 || number > 999) return kNoKey;
    char name[32];
    std::snprintf(name, sizeof name, "ControlSet%03u", static_cast<unsigned>(number));
    const HiveCell set = SubKeyNamed(file_->RootKey(), "", name);
    if (set == kNoKey) return kNoKey;
    controlSetName_ = ToAnsiName(AtKey("", [&] { return file_->KeyName(set); })).ansi;
    controlSet_ = set;
    return controlSet_;
  }

  // True for the hive's top key when CurrentControlSet is resolved through
  // Select\Current: the key then lists it, as the loaded SYSTEM hive does.
  bool HasControlSetLink(HiveCell key) {
    if (key != file_->RootKey() || CurrentControlSet() == kNoKey) return false;
    return SubKeyNamed(key, "", kCurrentControlSet) == kNoKey;
  }

  const std::string& ControlSetName() {
    CurrentControlSet();
    return controlSetName_;
  }

  // The data of a value as RegQueryValueExA gives it.
  void ReadValue(HiveCell value, std::string_view keyPath, std::uint32_t& type, std::string& data) {
    AtKey(keyPath, [&] {
      type = file_->ValueType(value);
      std::string raw = file_->ValueData(value);
      if (type == kRegSz || type == kRegExpandSz || type == kRegMultiSz) {
        // Whole UTF-16 code units; an odd last byte has no character.
        std::u16string wide(raw.size() / 2, u'\0');
        for (std::size_t i = 0; i < wide.size(); ++i) {
          wide[i] = static_cast<char16_t>(static_cast<unsigned char>(raw[2 * i]) |
                                          static_cast<unsigned char>(raw[2 * i + 1]) << 8);
        }
        data.clear();
        platform::AppendWideToAnsi(wide.data(), wide.size(), data);
      } else {
        data = std::move(raw);
      }
    });
  }

  void CheckTree(RootKey root, std::string_view path) {
    Found found = Find(root, path);
    if (!found.Exists()) return;
    // A key above the mount point holds the whole hive.
    const HiveCell top = found.cell != kNoKey ? found.cell : file_->RootKey();
    const std::size_t topDepth =
        found.cell != kNoKey ? SplitKeyPath(path).size() : mountParts_.size();
    struct Pending {
      HiveCell key;
      std::string path;
      std::size_t depth;  // levels below the root key
    };
    std::vector<Pending> stack{{top, std::string(path), topDepth}};
    std::vector<std::uint64_t> seen(file_->BinsSize() / 4 / 64 + 1, 0);
    auto markSeen = [&seen](HiveCell cell) {
      std::uint64_t& word = seen[cell / 4 / 64];
      const std::uint64_t bit = std::uint64_t{1} << (cell / 4 % 64);
      const bool before = (word & bit) != 0;
      word |= bit;
      return !before;
    };
    markSeen(top);
    while (!stack.empty()) {
      Pending key = std::move(stack.back());
      stack.pop_back();
      const std::vector<HiveCell> subKeys = AtKey(key.path, [&] {
        for (const HiveCell value : file_->Values(key.key)) {
          file_->ValueName(value);
          file_->CheckValueData(value);
        }
        return file_->SubKeys(key.key);
      });
      if (!subKeys.empty() && key.depth + 1 > kMaxKeyDepth) {
        Fail("keys nested deeper than " + std::to_string(kMaxKeyDepth) + " levels at '" + key.path + "'");
      }
      for (const HiveCell sub : subKeys) {
        const std::string name = ToAnsiName(AtKey(key.path, [&] { return file_->KeyName(sub); })).ansi;
        // Cells are at least 8 bytes apart, so the cell is a valid index into `seen` once its name was read.
        if (!markSeen(sub)) {
          Fail("key '" + key.path + "' has a sub-key, '" + name + "', that is also reached elsewhere (a loop)");
        }
        stack.push_back({sub, key.path.empty() ? name : key.path + '\\' + name, key.depth + 1});
      }
    }
  }

 private:
  template <typename NameOf>
  NameIndex MakeIndex(const std::vector<HiveCell>& cells, NameOf nameOf) const {
    NameIndex index;
    index.reserve(cells.size());
    for (std::size_t i = 0; i < cells.size(); ++i) {
      const AnsiName name = ToAnsiName((file_.get()->*nameOf)(cells[i]));
      if (name.reachable) index.push_back({NameHash(name.folded), static_cast<std::uint32_t>(i), cells[i]});
    }
    std::sort(index.begin(), index.end());
    return index;
  }

  template <typename NameOf>
  HiveCell Look(const NameIndex& index, std::string_view name, NameOf nameOf) const {
    const std::string folded = FoldNameCase(name);
    const std::uint32_t hash = NameHash(folded);
    auto it = std::lower_bound(index.begin(), index.end(), NameIndexEntry{hash, 0, 0});
    for (; it != index.end() && it->hash == hash; ++it) {
      if (ToAnsiName((file_.get()->*nameOf)(it->cell)).folded == folded) return it->cell;
    }
    return kNoKey;
  }

  template <typename NameOf>
  std::vector<std::string> Names(const std::vector<HiveCell>& cells, NameOf nameOf) const {
    std::vector<std::string> names;
    names.reserve(cells.size());
    for (const HiveCell cell : cells) names.push_back(ToAnsiName((file_.get()->*nameOf)(cell)).ansi);
    return names;
  }

  Found FindUncached(RootKey root, std::string_view path) {
    Found found;
    if (root != mountRoot_) return found;
    const std::vector<std::string_view> parts = SplitKeyPath(path);
    std::size_t i = 0;
    for (; i < parts.size() && i < mountParts_.size(); ++i) {
      if (FoldNameCase(parts[i]) != FoldNameCase(mountParts_[i])) return found;
    }
    if (i < mountParts_.size()) {
      found.virtualDepth = static_cast<int>(i);
      return found;
    }
    HiveCell key = file_->RootKey();
    std::string walked;
    for (; i < parts.size(); ++i) {
      HiveCell next = SubKeyNamed(key, walked, parts[i]);
      if (next == kNoKey && key == file_->RootKey() && FoldNameCase(parts[i]) == "CURRENTCONTROLSET") {
        next = CurrentControlSet();
      }
      if (next == kNoKey) return found;
      key = next;
      if (!walked.empty()) walked += '\\';
      walked.append(parts[i]);
    }
    found.cell = key;
    return found;
  }

  std::string fileName_;
  RootKey mountRoot_;
  std::vector<std::string> mountParts_;
  std::unique_ptr<HiveFile> file_;
  // Look-up tables of the keys whose sub-keys were looked up by name.
  std::unordered_map<HiveCell, NameIndex> subKeyIndexes_;
  // That of the values of the key last queried: a walk reads one key's values at a time.
  HiveCell valueIndexKey_ = kNoKey;
  NameIndex valueIndex_;
  // The last key found: a walk opens the same key again for each value.
  RootKey lastFindRoot_ = 0;
  std::string lastFindPath_;
  Found lastFound_;
  bool controlSetResolved_ = false;
  HiveCell controlSet_ = kNoKey;
  std::string controlSetName_;
};

namespace {

class HiveAccess final : public OneKeyAccess {
 public:
  explicit HiveAccess(std::shared_ptr<HiveRegistrySource::Hive> hive) : OneKeyAccess(0), hive_(std::move(hive)) {}

  void CloseKey() override {
    open_ = false;
    key_ = kNoKey;
    virtualDepth_ = -1;
    path_.clear();
  }

  std::vector<std::string> ValueNames() override {
    if (key_ == kNoKey) return {};
    return hive_->ValueNames(key_, path_);
  }

  std::vector<std::string> SubKeyNames() override {
    if (!open_) return {};
    if (key_ == kNoKey) return {hive_->MountParts()[static_cast<std::size_t>(virtualDepth_)]};
    std::vector<std::string> names = hive_->SubKeyNames(key_, path_);
    if (hive_->HasControlSetLink(key_)) names.emplace_back(kCurrentControlSet);
    return names;
  }

  std::uint32_t SubKeyCount() override {
    if (!open_) return 0;
    if (key_ == kNoKey) return 1;
    return static_cast<std::uint32_t>(hive_->SubKeyCount(key_, path_) + (hive_->HasControlSetLink(key_) ? 1 : 0));
  }

 protected:
  bool OpenBelowRoot(std::string_view path) override {
    const HiveRegistrySource::Hive::Found found = hive_->Find(root_, path);
    if (!found.Exists()) return false;
    open_ = true;
    key_ = found.cell;
    virtualDepth_ = found.virtualDepth;
    path_.assign(path);
    return true;
  }

  long QueryValue(const std::string& name, std::uint32_t* type, unsigned char* data, std::uint32_t* size) override {
    if (!open_) return kErrorInvalidHandle;
    if (key_ == kNoKey) return kErrorFileNotFound;
    const HiveCell value = hive_->ValueNamed(key_, path_, name);
    if (value == kNoKey) return kErrorFileNotFound;
    if (value != cachedValue_) {
      cachedValue_ = kNoKey;
      hive_->ReadValue(value, path_, cachedType_, cachedData_);
      cachedValue_ = value;
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
  HiveCell key_ = kNoKey;
  int virtualDepth_ = -1;
  std::string path_;
  // The last value read: a size query and the read that follows it convert once.
  HiveCell cachedValue_ = kNoKey;
  std::uint32_t cachedType_ = 0;
  std::string cachedData_;
};

}  // namespace

HiveRegistrySource::HiveRegistrySource(const std::string& fileName, const RootedKeyPath& mount)
    : hive_(std::make_shared<Hive>(fileName, mount)) {}

HiveRegistrySource::~HiveRegistrySource() = default;

void HiveRegistrySource::CheckTree(RootKey root, std::string_view path) { hive_->CheckTree(root, path); }

std::string HiveRegistrySource::CurrentControlSetName() { return hive_->ControlSetName(); }

bool HiveRegistrySource::Dirty() const { return hive_->File().Dirty(); }

std::unique_ptr<RegistryAccess> HiveRegistrySource::CreateAccess() { return std::make_unique<HiveAccess>(hive_); }

}  // namespace vindra::registry
