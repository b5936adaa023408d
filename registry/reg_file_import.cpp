#include "registry/reg_file_import.h"

#include <memory>
#include <optional>
#include <string_view>

#include "core/ansi_text.h"
#include "core/inf_format.h"
#include "core/registry_file_loader.h"
#include "platform/text.h"
#include "registry/root_key.h"

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

// Parses a quoted string starting at text[pos] == '"': \\ and \" are escapes,
// double-byte characters of ANSI text are stepped over whole (UTF-8 never
// holds a quote or backslash byte inside a character). Sets `pos` past the
// closing quote. Nothing when the closing quote is missing.
std::optional<std::string> ParseQuoted(std::string_view text, std::size_t& pos, bool utf8) {
  std::string out;
  std::size_t i = pos + 1;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '"') {
      pos = i + 1;
      return out;
    }
    if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
      out.push_back(text[i + 1]);
      i += 2;
      continue;
    }
    const std::size_t length = utf8 ? 1 : platform::CharLengthAt(text, i);
    out.append(text.substr(i, length));
    i += length;
  }
  return std::nullopt;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Up to eight hex digits, nothing else.
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

// "01,ab, 2f" -> bytes; blanks around the tokens and one final comma allowed.
std::optional<std::string> ParseByteList(std::string_view text) {
  std::string bytes;
  text = TrimLine(text);
  if (text.empty()) return bytes;
  std::size_t pos = 0;
  while (true) {
    const std::size_t comma = text.find(',', pos);
    const std::string_view token = TrimLine(text.substr(pos, comma == std::string_view::npos ? text.npos : comma - pos));
    if (token.empty()) {
      // Only a final comma may leave an empty token.
      if (comma == std::string_view::npos && !bytes.empty()) return bytes;
      return std::nullopt;
    }
    if (token.size() > 2) return std::nullopt;
    const std::optional<std::uint32_t> value = ParseHexNumber(token);
    if (!value) return std::nullopt;
    bytes.push_back(static_cast<char>(*value));
    if (comma == std::string_view::npos) return bytes;
    pos = comma + 1;
  }
}

// UTF-16LE bytes of a text value converted as the ANSI query converts them; an
// odd last byte is dropped.
std::string Utf16BytesToAnsi(std::string_view bytes) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  }
  std::string out;
  platform::AppendWideToAnsi(units.data(), units.size(), out);
  return out;
}

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

class Importer {
 public:
  // The lines of a UTF-16LE file are its text in UTF-8; their text data and
  // names are converted to ANSI here, each name keeping its original when
  // the conversion loses a character.
  Importer(const std::vector<std::string>& lines, MemoryRegistry& registry, RegistryFileEncoding encoding)
      : lines_(lines), registry_(registry), unicodeData_(encoding == RegistryFileEncoding::Utf16LE) {}

  RegImportResult Run() {
    std::size_t i = 0;
    while (i < lines_.size() && TrimLine(lines_[i]).empty()) ++i;
    if (i == lines_.size()) {
      Problem(1, "the file is empty; a registry export starts with \"Windows Registry Editor Version 5.00\" or \"REGEDIT4\"");
      return std::move(result_);
    }
    const std::string_view header = TrimLine(lines_[i]);
    if (header != kHeaderV5 && header != kHeaderV4) {
      Problem(i + 1, "not a registry export: the first line is neither \"Windows Registry Editor Version 5.00\" nor \"REGEDIT4\"");
      return std::move(result_);
    }
    result_.recognised = true;
    for (++i; i < lines_.size(); ++i) {
      const std::string_view line = TrimLine(lines_[i]);
      if (line.empty() || line.front() == ';') continue;
      if (line.front() == '[') {
        KeyLine(i + 1, line);
      } else if (line.front() == '"' || line.front() == '@') {
        ValueLine(i, line);
      } else {
        Problem(i + 1, "not a key, value or comment line");
      }
    }
    return std::move(result_);
  }

 private:
  void Problem(std::size_t line, std::string message) { result_.problems.push_back({line, std::move(message)}); }

  void KeyLine(std::size_t lineNumber, std::string_view line) {
    ++result_.keyLines;
    haveKey_ = false;
    const std::size_t close = line.rfind(']');
    if (close == std::string_view::npos) {
      Problem(lineNumber, "key line without closing bracket");
      return;
    }
    std::string_view name = line.substr(1, close - 1);
    const bool deletion = !name.empty() && name.front() == '-';
    if (deletion) name.remove_prefix(1);
    // Root names are ASCII, so the first backslash ends the root name.
    const std::size_t slash = name.find('\\');
    const std::optional<RootKey> root = ParseRootKeyName(name.substr(0, slash));
    if (!root) {
      Problem(lineNumber, "unknown root key in \"" + Ansi(name) + "\"");
      return;
    }
    const std::vector<RegistryName> path =
        KeyNames(slash == std::string_view::npos ? std::string_view() : name.substr(slash + 1));
    if (deletion) {
      registry_.DeleteKeyPath(*root, path);
      return;
    }
    key_ = registry_.CreateKeyPath(*root, path);
    if (!key_) {
      Problem(lineNumber, "key deeper than " + std::to_string(kMaxKeyDepth) + " levels");
      return;
    }
    haveKey_ = true;
  }

  // The names of a key path, empty components dropped.
  std::vector<RegistryName> KeyNames(std::string_view path) const {
    std::vector<RegistryName> names;
    if (!unicodeData_) {
      for (std::string_view part : SplitKeyPath(path)) names.push_back({std::string(part), {}});
      return names;
    }
    std::size_t start = 0;
    while (start <= path.size()) {
      std::size_t end = path.find('\\', start);
      if (end == std::string_view::npos) end = path.size();
      if (end > start) names.push_back(RegistryName::FromUtf8(path.substr(start, end - start)));
      start = end + 1;
    }
    return names;
  }

  // Text of the file in the ANSI code page.
  std::string Ansi(std::string_view text) const {
    return unicodeData_ && !IsAscii(text) ? platform::Utf8ToAnsi(text) : std::string(text);
  }

  RegistryName NameOf(std::string name) const {
    if (unicodeData_) return RegistryName::FromUtf8(name);
    return {std::move(name), {}};
  }

  // A value line with its continuation lines (hex data ending in a backslash).
  void ValueLine(std::size_t& index, std::string_view line) {
    const std::size_t lineNumber = index + 1;
    ++result_.valueLines;
    std::string name;
    std::size_t pos = 0;
    if (line.front() == '@') {
      pos = 1;
    } else {
      std::optional<std::string> quoted = ParseQuoted(line, pos, unicodeData_);
      if (!quoted) {
        Problem(lineNumber, "value name without closing quote");
        return;
      }
      name = std::move(*quoted);
    }
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    if (pos >= line.size() || line[pos] != '=') {
      Problem(lineNumber, "value line without \"=\"");
      return;
    }
    std::string data(TrimLine(line.substr(pos + 1)));
    if (StartsWithIgnoreCase(data, "hex")) {
      while (!data.empty() && data.back() == '\\' && index + 1 < lines_.size()) {
        data.pop_back();
        data.append(TrimLine(lines_[++index]));
      }
      if (!data.empty() && data.back() == '\\') data.pop_back();
    }
    if (!haveKey_) {
      Problem(lineNumber, "value line outside a key");
      return;
    }
    StoreValue(lineNumber, NameOf(std::move(name)), data);
  }

  void StoreValue(std::size_t lineNumber, const RegistryName& name, std::string_view data) {
    if (data == "-") {
      MemoryRegistry::DeleteValue(*key_, name);
      return;
    }
    if (!data.empty() && data.front() == '"') {
      std::size_t pos = 0;
      std::optional<std::string> text = ParseQuoted(data, pos, unicodeData_);
      // Blanks and a comment may follow the closing quote.
      const std::string_view rest = TrimLine(data.substr(text ? pos : 0));
      if (!text || !(rest.empty() || rest.front() == ';')) {
        Problem(lineNumber, "string data without closing quote");
        return;
      }
      std::string ansi = Ansi(*text);
      ansi.push_back('\0');
      MemoryRegistry::SetValue(*key_, name, kRegSz, ansi);
      return;
    }
    if (StartsWithIgnoreCase(data, "dword:")) {
      const std::optional<std::uint32_t> number = ParseHexNumber(data.substr(6));
      if (!number) {
        Problem(lineNumber, "dword data is not a hexadecimal number of up to 8 digits");
        return;
      }
      std::string bytes(4, '\0');
      for (int b = 0; b < 4; ++b) bytes[b] = static_cast<char>(*number >> (8 * b) & 0xFF);
      MemoryRegistry::SetValue(*key_, name, kRegDword, bytes);
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
      std::optional<std::string> bytes = ParseByteList(data.substr(colon + 1));
      if (!bytes) {
        Problem(lineNumber, "hex data is not a list of bytes (two hexadecimal digits separated by commas)");
        return;
      }
      // Text types hold UTF-16 in a UTF-16LE file, whatever its header says;
      // the ANSI functions return them converted. In an 8-bit file their
      // bytes are ANSI text, which the ANSI functions return as it is.
      if (unicodeData_ && (type == kRegSz || type == kRegExpandSz || type == kRegMultiSz)) {
        *bytes = Utf16BytesToAnsi(*bytes);
      }
      MemoryRegistry::SetValue(*key_, name, type, *bytes);
      return;
    }
    Problem(lineNumber, "unrecognised value data (expected \"text\", dword:, hex:, hex(N): or -)");
  }

  const std::vector<std::string>& lines_;
  MemoryRegistry& registry_;
  RegImportResult result_;
  const bool unicodeData_;
  bool haveKey_ = false;
  std::shared_ptr<MemoryRegistry::Key> key_;
};

}  // namespace

RegImportResult ImportRegLines(const std::vector<std::string>& lines, MemoryRegistry& registry,
                               RegistryFileEncoding encoding) {
  return Importer(lines, registry, encoding).Run();
}

}  // namespace vindra::registry

namespace vindra::registry {

RegImportResult ImportRegFile(const std::string& fileName, MemoryRegistry& registry) {
  std::vector<std::string> lines;
  const RegistryFileEncoding encoding = LoadRegistryFileLines(fileName, lines, RegistryTextForm::Exact);
  return ImportRegLines(lines, registry, encoding);
}

}  // namespace vindra::registry
