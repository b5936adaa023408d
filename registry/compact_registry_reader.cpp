#include "registry/compact_registry_reader.h"

#include <array>
#include <memory>
#include <optional>

#include "core/ansi_text.h"
#include "core/inf_format.h"
#include "core/registry_file_loader.h"
#include "platform/text.h"
#include "registry/memory_registry.h"

namespace vindra::registry {
namespace {

constexpr std::string_view kHeaderV5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeaderV4 = "REGEDIT4";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLine(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

constexpr int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Up to eight hex digits, nothing else (blanks around them allowed).
std::optional<std::uint32_t> ParseHexNumber(std::string_view text) {
  text = TrimLine(text);
  if (text.empty() || text.size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : text) {
    const int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    value = value << 4 | static_cast<std::uint32_t>(d);
  }
  return value;
}

// The value of each hexadecimal digit; -1 for any other byte.
constexpr auto kHexValue = [] {
  std::array<int, 256> table{};
  for (int c = 0; c < 256; ++c) table[c] = HexDigit(static_cast<char>(c));
  return table;
}();

// The lead bytes of the ANSI code page, looked up once: the scans below step
// over double-byte characters, whose trail byte may be a backslash.
const std::array<bool, 256>& LeadBytes() {
  static const std::array<bool, 256> table = [] {
    std::array<bool, 256> t{};
    for (int b = 0x80; b < 256; ++b) t[b] = platform::IsAnsiLeadByte(static_cast<unsigned char>(b));
    return t;
  }();
  return table;
}

// The .reg importer's rules (reg_file_import.cpp) over lines handed in one
// by one; a hex value continued with backslashes waits for its lines.
class LineImporter {
 public:
  // `encoding`: that of the file the lines come from; in a UTF-16LE file the
  // bytes of hex(1):, hex(2): and hex(7): data are UTF-16, in an 8-bit file
  // ANSI text, whatever the header line says.
  LineImporter(CompactRegistry& registry, RegistryFileEncoding encoding)
      : registry_(registry), lead_(LeadBytes()), unicodeData_(encoding == RegistryFileEncoding::Utf16LE) {}

  void Line(std::string_view raw) {
    ++lineNumber_;
    if (rejected_) return;
    if (pending_) {
      pendingData_.pop_back();
      pendingData_.append(TrimLine(raw));
      if (pendingData_.empty() || pendingData_.back() != '\\') {
        pending_ = false;
        FinishValue(pendingLine_, pendingName_, pendingData_);
      }
      return;
    }
    const std::string_view line = TrimLine(raw);
    if (!headerSeen_) {
      if (line.empty()) return;
      headerSeen_ = true;
      if (line != kHeaderV5 && line != kHeaderV4) {
        Problem(lineNumber_,
                "not a registry export: the first line is neither \"Windows Registry Editor Version 5.00\" nor "
                "\"REGEDIT4\"");
        rejected_ = true;
        return;
      }
      result_.recognised = true;
      return;
    }
    if (line.empty() || line.front() == ';') return;
    if (line.front() == '[') {
      KeyLine(line);
    } else if (line.front() == '"' || line.front() == '@') {
      ValueLine(line);
    } else {
      Problem(lineNumber_, "not a key, value or comment line");
    }
  }

  RegImportResult Finish() {
    if (pending_) {
      pending_ = false;
      if (!pendingData_.empty() && pendingData_.back() == '\\') pendingData_.pop_back();
      FinishValue(pendingLine_, pendingName_, pendingData_);
    }
    if (!headerSeen_) {
      Problem(1, "the file is empty; a registry export starts with \"Windows Registry Editor Version 5.00\" or "
                 "\"REGEDIT4\"");
    }
    return std::move(result_);
  }

  bool Rejected() const { return rejected_; }

 private:
  void Problem(std::size_t line, std::string message) { result_.problems.push_back({line, std::move(message)}); }

  // A quoted string starting at text[pos] == '"': \\ and \" are escapes.
  // Sets `pos` past the closing quote; false when it is missing.
  bool ParseQuoted(std::string_view text, std::size_t& pos, std::string& out) const {
    out.clear();
    std::size_t i = pos + 1;
    const std::size_t n = text.size();
    while (i < n) {
      const auto c = static_cast<unsigned char>(text[i]);
      if (c == '"') {
        pos = i + 1;
        return true;
      }
      if (c == '\\' && i + 1 < n && (text[i + 1] == '\\' || text[i + 1] == '"')) {
        out.push_back(text[i + 1]);
        i += 2;
        continue;
      }
      if (lead_[c] && i + 1 < n && static_cast<unsigned char>(text[i + 1]) >= 0x40) {
        out.append(text.data() + i, 2);
        i += 2;
        continue;
      }
      out.push_back(static_cast<char>(c));
      ++i;
    }
    return false;
  }

  // "01,ab, 2f" into bytes_; blanks around the tokens and one final comma allowed.
  bool ParseByteList(std::string_view text) {
    text = TrimLine(text);
    bytes_.resize(text.size() / 2 + 1);  // at least one separator or blank per byte after the first
    char* out = bytes_.data();
    const char* p = text.data();
    const char* const end = p + text.size();
    bool ok = true;
    while (p < end) {
      // The usual token: two digits and a comma (or the end).
      const int high = kHexValue[static_cast<unsigned char>(p[0])];
      if (end - p >= 2 && high >= 0) {
        const int low = kHexValue[static_cast<unsigned char>(p[1])];
        if (low >= 0 && (end - p == 2 || p[2] == ',')) {
          *out++ = static_cast<char>(high << 4 | low);
          p += end - p == 2 ? 2 : 3;
          if (p == end && p[-1] == ',') break;  // a final comma
          continue;
        }
      }
      // Any other token: blanks around one or two digits.
      while (p < end && IsBlank(*p)) ++p;
      const char* tokenStart = p;
      while (p < end && *p != ',') ++p;
      const char* tokenEnd = p;
      while (tokenEnd > tokenStart && (IsBlank(tokenEnd[-1]) || tokenEnd[-1] == '\r')) --tokenEnd;
      const std::size_t length = static_cast<std::size_t>(tokenEnd - tokenStart);
      if (length == 0) {
        // Only a final comma may leave an empty token.
        ok = p == end && out != bytes_.data();
        break;
      }
      int value = 0;
      for (const char* q = tokenStart; q < tokenEnd && ok; ++q) {
        const int d = kHexValue[static_cast<unsigned char>(*q)];
        ok = d >= 0;
        value = value << 4 | d;
      }
      if (!ok || length > 2) {
        ok = false;
        break;
      }
      *out++ = static_cast<char>(value);
      if (p == end) break;
      ++p;  // the comma
      if (p == end) break;  // a final comma
    }
    bytes_.resize(static_cast<std::size_t>(out - bytes_.data()));
    return ok;
  }

  void KeyLine(std::string_view line) {
    ++result_.keyLines;
    haveKey_ = false;
    const std::size_t close = line.rfind(']');
    if (close == std::string_view::npos) {
      Problem(lineNumber_, "key line without closing bracket");
      return;
    }
    std::string_view name = line.substr(1, close - 1);
    const bool deletion = !name.empty() && name.front() == '-';
    if (deletion) name.remove_prefix(1);
    // Root names are ASCII, so the first backslash ends the root name.
    const std::size_t slash = name.find('\\');
    const std::optional<RootKey> root = ParseRootKeyName(name.substr(0, slash));
    if (!root) {
      Problem(lineNumber_, "unknown root key in \"" + std::string(name) + "\"");
      return;
    }
    const std::string_view path = slash == std::string_view::npos ? std::string_view() : name.substr(slash + 1);
    if (deletion) {
      registry_.DeleteKey(*root, path);
      return;
    }
    const CompactRegistry::Index index = registry_.AddKey(*root, path, true);
    if (index == CompactRegistry::kNone) {
      Problem(lineNumber_, "key deeper than " + std::to_string(kMaxKeyDepth) + " levels");
      return;
    }
    key_ = index;
    haveKey_ = true;
  }

  void ValueLine(std::string_view line) {
    ++result_.valueLines;
    std::size_t pos = 0;
    if (line.front() == '@') {
      pos = 1;
      name_.clear();
    } else if (!ParseQuoted(line, pos, name_)) {
      Problem(lineNumber_, "value name without closing quote");
      return;
    }
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    if (pos >= line.size() || line[pos] != '=') {
      Problem(lineNumber_, "value line without \"=\"");
      return;
    }
    const std::string_view data = TrimLine(line.substr(pos + 1));
    if (StartsWithIgnoreCase(data, "hex") && !data.empty() && data.back() == '\\') {
      pending_ = true;
      pendingLine_ = lineNumber_;
      pendingName_ = name_;
      pendingData_.assign(data);
      return;
    }
    FinishValue(lineNumber_, name_, data);
  }

  void FinishValue(std::size_t lineNumber, const std::string& name, std::string_view data) {
    if (!haveKey_) {
      Problem(lineNumber, "value line outside a key");
      return;
    }
    StoreValue(lineNumber, name, data);
  }

  void StoreValue(std::size_t lineNumber, const std::string& name, std::string_view data) {
    if (data == "-") {
      registry_.DeleteValue(key_, name);
      return;
    }
    if (!data.empty() && data.front() == '"') {
      std::size_t pos = 0;
      // Blanks and a comment may follow the closing quote.
      const bool closed = ParseQuoted(data, pos, text_);
      const std::string_view rest = TrimLine(data.substr(closed ? pos : 0));
      if (!closed || !(rest.empty() || rest.front() == ';')) {
        Problem(lineNumber, "string data without closing quote");
        return;
      }
      text_.push_back('\0');
      registry_.SetValue(key_, name, kRegSz, text_);
      return;
    }
    if (StartsWithIgnoreCase(data, "dword:")) {
      const std::optional<std::uint32_t> number = ParseHexNumber(data.substr(6));
      if (!number) {
        Problem(lineNumber, "dword data is not a hexadecimal number of up to 8 digits");
        return;
      }
      char bytes[4];
      for (int b = 0; b < 4; ++b) bytes[b] = static_cast<char>(*number >> (8 * b) & 0xFF);
      registry_.SetValue(key_, name, kRegDword, std::string_view(bytes, 4));
      return;
    }
    if (StartsWithIgnoreCase(data, "hex")) {
      std::uint32_t type = kRegBinary;
      std::size_t colon = 3;
      if (data.size() > 3 && data[3] == '(') {
        const std::size_t close = data.find(')', 4);
        const std::optional<std::uint32_t> number =
            close == std::string_view::npos ? std::nullopt : ParseHexNumber(data.substr(4, close - 4));
        if (!number) {
          Problem(lineNumber, "hex(N) type is not a hexadecimal number of up to 8 digits");
          return;
        }
        type = *number;
        colon = close + 1;
      }
      if (colon >= data.size() || data[colon] != ':') {
        Problem(lineNumber, "hex data without \":\"");
        return;
      }
      if (!ParseByteList(data.substr(colon + 1))) {
        Problem(lineNumber, "hex data is not a list of bytes (two hexadecimal digits separated by commas)");
        return;
      }
      // Text types hold UTF-16 in a UTF-16LE file; the ANSI functions return
      // them converted. In an 8-bit file their bytes are ANSI text already.
      if (unicodeData_ && (type == kRegSz || type == kRegExpandSz || type == kRegMultiSz)) {
        units_.assign(bytes_.size() / 2, u'\0');
        for (std::size_t i = 0; i < units_.size(); ++i) {
          units_[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes_[2 * i]) |
                                            static_cast<unsigned char>(bytes_[2 * i + 1]) << 8);
        }
        text_.clear();
        platform::AppendWideToAnsi(units_.data(), units_.size(), text_);
        registry_.SetValue(key_, name, type, text_);
        return;
      }
      registry_.SetValue(key_, name, type, bytes_);
      return;
    }
    Problem(lineNumber, "unrecognised value data (expected \"text\", dword:, hex:, hex(N): or -)");
  }

  CompactRegistry& registry_;
  const std::array<bool, 256>& lead_;
  RegImportResult result_;
  std::size_t lineNumber_ = 0;
  bool headerSeen_ = false;
  bool rejected_ = false;
  const bool unicodeData_;
  bool haveKey_ = false;
  CompactRegistry::Index key_ = CompactRegistry::kNone;

  bool pending_ = false;
  std::size_t pendingLine_ = 0;
  std::string pendingName_;
  std::string pendingData_;

  // Scratch buffers reused from line to line.
  std::string name_;
  std::string text_;
  std::string bytes_;
  std::u16string units_;
};

// Ends the reading of a file that is no registry export.
struct StopReading {};

}  // namespace

RegImportResult ReadRegFileCompact(const std::string& fileName, CompactRegistry& registry,
                                   const std::function<void(std::uint64_t)>& onProgress,
                                   std::uint64_t expectedTextBytes) {
  RegistryFileReader reader(fileName);
  const std::uint64_t size = reader.SizeHint();
  if (expectedTextBytes == 0) {
    expectedTextBytes = reader.Encoding() == RegistryFileEncoding::Utf16LE ? size / 2 : size;
  }
  if (expectedTextBytes > 0) registry.ReserveForText(expectedTextBytes);
  LineImporter importer(registry, reader.Encoding());
  LineSplitter splitter;
  std::uint64_t read = 0;
  std::uint64_t reported = 0;
  const auto onLine = [&importer](std::string_view line) { importer.Line(line); };
  try {
    reader.Read(RegistryTextForm::Ansi, [&](std::string_view piece) {
      splitter.Feed(piece, onLine);
      if (importer.Rejected()) throw StopReading{};
      read += piece.size();
      if (onProgress && read - reported >= (std::uint64_t{4} << 20)) {
        reported = read;
        onProgress(read);
      }
    });
    splitter.Finish(onLine);
  } catch (const StopReading&) {
  }
  RegImportResult result = importer.Finish();
  registry.Finish();
  return result;
}

RegImportResult ReadRegTextCompact(std::string_view text, CompactRegistry& registry, RegistryFileEncoding encoding) {
  LineImporter importer(registry, encoding);
  ForEachLine(text, [&importer](std::string_view line) { importer.Line(line); });
  RegImportResult result = importer.Finish();
  registry.Finish();
  return result;
}

namespace {

// True when the parent of `path` lists it (or `path` is the root): the key
// exists, whether or not it can be opened. True also when the parent cannot
// be read, since the key may then exist.
bool KeyMayExist(RegistrySource& source, RootKey root, std::string_view path) {
  const std::vector<std::string_view> parts = SplitKeyPath(path);
  if (parts.empty()) return true;
  std::string parent;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    if (!parent.empty()) parent.push_back('\\');
    parent.append(parts[i]);
  }
  const std::unique_ptr<RegistryAccess> key = source.CreateAccess();
  key->SetRoot(root);
  if (!key->OpenKeyReadOnly(parent)) return KeyMayExist(source, root, parent);
  const std::string folded = FoldNameCase(parts.back());
  const std::vector<std::string> names = key->SubKeyNames();
  if (key->SubKeyCount() != names.size()) return true;
  for (const std::string& name : names) {
    if (FoldNameCase(name) == folded) return true;
  }
  return false;
}

// One level of the walk: a key held open while its sub-keys are read.
struct OpenLevel {
  std::unique_ptr<RegistryAccess> key;
  std::string path;
  std::vector<std::string> subKeys;
  std::size_t next = 0;
};

}  // namespace

bool ReadKeyTree(RegistrySource& source, RootKey root, std::string_view startPath, KeyTreeVisitor& visitor) {
  std::vector<OpenLevel> levels;
  std::vector<unsigned char> buffer;
  // Reads one key and, when it opens, pushes it as a new level.
  auto enter = [&](std::string path, bool start) -> bool {
    std::unique_ptr<RegistryAccess> key = source.CreateAccess();
    key->SetRoot(root);
    if (!key->OpenKeyReadOnly(path)) {
      if (start && !KeyMayExist(source, root, path)) return false;
      visitor.Unreadable(UnreadableItem{root, path, false, {}});
      return true;
    }
    visitor.Key(root, path);
    for (const std::string& name : key->ValueNames()) {
      ValueData data = key->QueryValueData(name);
      if (data.info.ok && !data.complete) {
        // Larger than the query's buffer: read whole, then checked once more.
        buffer.assign(data.info.size, 0);
        const std::uint32_t read = key->ReadRawData(name, buffer.data(), data.info.size);
        if (read == data.info.size) {
          data.bytes.assign(reinterpret_cast<const char*>(buffer.data()), read);
          data.complete = true;
        }
      }
      if (!data.info.ok || !data.complete) {
        visitor.Unreadable(UnreadableItem{root, path, true, name});
        continue;
      }
      visitor.Value(name, data.info.type, data.bytes);
    }
    std::vector<std::string> subKeys = key->SubKeyNames();
    if (key->SubKeyCount() > subKeys.size()) {
      // Opened for querying values only: its sub-keys cannot be listed.
      visitor.Unreadable(UnreadableItem{root, path, false, {}});
    }
    levels.push_back(OpenLevel{std::move(key), std::move(path), std::move(subKeys), 0});
    return true;
  };

  if (!enter(std::string(startPath), true)) return false;
  while (!levels.empty()) {
    OpenLevel& level = levels.back();
    if (level.next == level.subKeys.size()) {
      level.key->CloseKey();
      levels.pop_back();
      continue;
    }
    const std::string& name = level.subKeys[level.next++];
    if (name.empty()) continue;
    std::string subPath = level.path;
    if (!subPath.empty()) subPath.push_back('\\');
    subPath.append(name);
    enter(std::move(subPath), false);  // may grow `levels`: `level` is not used after this
  }
  return true;
}

void ReadSourceCompact(RegistrySource& source, const std::vector<RootedKeyPath>& keys, CompactRegistry& registry,
                       const std::function<void(const UnreadableItem&)>& onUnreadable) {
  class Filler final : public KeyTreeVisitor {
   public:
    Filler(CompactRegistry& registry, const std::function<void(const UnreadableItem&)>& onUnreadable)
        : registry_(registry), onUnreadable_(onUnreadable) {}
    void Key(RootKey root, const std::string& path) override { key_ = registry_.AddKey(root, path, true); }
    void Value(std::string_view name, std::uint32_t type, std::string_view data) override {
      if (key_ != CompactRegistry::kNone) registry_.SetValue(key_, name, type, data);
    }
    void Unreadable(const UnreadableItem& item) override {
      if (onUnreadable_) onUnreadable_(item);
    }

   private:
    CompactRegistry& registry_;
    const std::function<void(const UnreadableItem&)>& onUnreadable_;
    CompactRegistry::Index key_ = CompactRegistry::kNone;
  };
  Filler filler(registry, onUnreadable);
  for (const RootedKeyPath& key : keys) ReadKeyTree(source, key.root, key.path, filler);
}

}  // namespace vindra::registry
