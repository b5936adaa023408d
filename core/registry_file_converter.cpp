#include "core/registry_file_converter.h"

#include <cstring>

#include "core/ansi_text.h"
#include "core/registry_file_loader.h"
#include "platform/text.h"

namespace vindra {
namespace {

struct KeyPrefix {
  std::string_view prefix;  // upper case, as matched against the upper-cased key line
  InfSection section;
  std::string_view pathStart;  // written before the rest of the key line
};

// First match wins: the deletion prefixes differ from the others by their "-".
constexpr KeyPrefix kKeyPrefixes[] = {
    {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\", InfSection::SoftwareAddReg, ""},
    {"[HKEY_CLASSES_ROOT\\", InfSection::SoftwareAddReg, "Classes\\"},
    {"[-HKEY_LOCAL_MACHINE\\SOFTWARE\\", InfSection::SoftwareDelReg, ""},
    {"[-HKEY_CLASSES_ROOT\\", InfSection::SoftwareDelReg, "Classes\\"},
    {"[HKEY_CURRENT_USER\\", InfSection::DefaultAddReg, ""},
    {"[-HKEY_CURRENT_USER\\", InfSection::DefaultDelReg, ""},
    {"[HKEY_LOCAL_MACHINE\\SYSTEM\\", InfSection::SetupRegAddReg, ""},
};

constexpr std::string_view kNextPhysicalLine = "\\\r\n  ";
constexpr std::size_t kTokensPerLine = 25;

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A hexadecimal number of one to eight digits; nothing else is readable.
bool ParseHex(std::string_view text, std::uint32_t& value) {
  if (text.empty() || text.size() > 8) return false;
  std::uint32_t result = 0;
  for (char c : text) {
    const int digit = HexDigitValue(c);
    if (digit < 0) return false;
    result = (result << 4) | static_cast<std::uint32_t>(digit);
  }
  value = result;
  return true;
}

bool Contains(std::string_view text, char c) {
  return !text.empty() && std::memchr(text.data(), c, text.size()) != nullptr;
}


struct ByteTables {
  signed char hexValue[256];               // -1 for a byte that is no hex digit
  char lower[256];
  unsigned char notBackslash[256];         // 0 for '\\'
  unsigned char notSpace[256];            // 0 for ' '
  unsigned char notSpaceOrBackslash[256];  // 0 for ' ' and '\\'
  ByteTables() {
    for (int i = 0; i < 256; ++i) {
      hexValue[i] = static_cast<signed char>(HexDigitValue(static_cast<char>(i)));
      lower[i] = platform::AsciiLower(static_cast<char>(i));
      notBackslash[i] = i != '\\';
      notSpace[i] = i != ' ';
      notSpaceOrBackslash[i] = i != ' ' && i != '\\';
    }
  }
};
const ByteTables kBytes;

// Appends `text` without its backslashes.
void AppendWithoutBackslashes(std::string_view text, std::string& out) {
  const std::size_t start = out.size();
  out.resize(start + text.size());
  char* d = out.data() + start;
  for (char c : text) {
    *d = c;
    d += kBytes.notBackslash[static_cast<unsigned char>(c)];
  }
  out.resize(static_cast<std::size_t>(d - out.data()));
}

// Appends `text` in lower case without spaces (and, if asked, without
// backslashes). Hex lines are most of a large file: no branch per byte.
void AppendLowerWithoutSpaces(std::string_view text, bool dropBackslashes, std::string& out) {
  const unsigned char* keep = dropBackslashes ? kBytes.notSpaceOrBackslash : kBytes.notSpace;
  const std::size_t start = out.size();
  out.resize(start + text.size());
  char* d = out.data() + start;
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    *d = kBytes.lower[b];
    d += keep[b];
  }
  out.resize(static_cast<std::size_t>(d - out.data()));
}

// A byte list (spaces removed) as regedit reads it: one comma at its very end
// is dropped; any other empty token (a comma first, two in a row) makes
// regedit refuse the whole value, and then this gives false.
bool AcceptByteList(std::string_view& list) {
  if (list.empty()) return true;
  if (list.front() == ',' || list.find(",,") != std::string_view::npos) return false;
  if (list.back() == ',') list.remove_suffix(1);
  return true;
}

bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

// What stands between the quotes of string data, escapes unresolved; nothing
// when the data is no string. The string ends at its first quote that no
// backslash escapes; blanks and a ";" comment may follow it, as regedit
// accepts. Data that begins and ends with a quote with anything else between
// is taken whole, quotes inside included, as it always was.
bool StringDataText(std::string_view data, std::string_view& text) {
  if (data.empty()) {
    text = {};
    return true;
  }
  if (data.front() != '"') return false;
  // Nearly every string has no quote between its first and last byte: then
  // its last byte closes it, and nothing needs a closer look.
  if (data.size() >= 2 && data.back() == '"' &&
      std::memchr(data.data() + 1, '"', data.size() - 2) == nullptr) {
    text = data.substr(1, data.size() - 2);
    return true;
  }
  std::size_t i = 1;
  while (i < data.size()) {
    const char c = data[i];
    if (c == '"') {
      std::size_t rest = i + 1;
      while (rest < data.size() && IsBlankOrTab(data[rest])) ++rest;
      if (rest == data.size() || data[rest] == ';') {
        text = data.substr(1, i - 1);
        return true;
      }
      break;
    }
    if (c == '\\' && i + 1 < data.size() && (data[i + 1] == '\\' || data[i + 1] == '"')) {
      i += 2;
    } else {
      i += platform::CharLengthAt(data, i);
    }
  }
  if (data.back() != '"') return false;
  text = data.size() >= 2 ? data.substr(1, data.size() - 2) : std::string_view();
  return true;
}

// Calls `onToken(value)` for each byte token of a hex(2):/hex(7): text:
// spaces removed, pieces between commas read as hexadecimal (unreadable or
// longer than eight digits: 0). A text of nothing but spaces has no token.
template <typename OnToken>
void ForEachByteToken(std::string_view byteText, OnToken&& onToken) {
  if (byteText.find_first_not_of(' ') == std::string_view::npos) return;
  std::uint32_t value = 0;
  int digits = 0;
  bool readable = true;
  auto endToken = [&] {
    onToken((readable && digits > 0 && digits <= 8) ? value : 0);
    value = 0;
    digits = 0;
    readable = true;
  };
  for (char c : byteText) {
    if (c == ' ') continue;
    if (c == ',') {
      endToken();
      continue;
    }
    const int digit = HexDigitValue(c);
    if (digit < 0) readable = false;
    value = (value << 4) | static_cast<std::uint32_t>(digit & 0xF);
    ++digits;
  }
  endToken();
}

// The bytes of a hex(2):/hex(7): text of an 8-bit file, one per token.
void ByteValuesOf(std::string_view byteText, std::string& bytes) {
  bytes.clear();
  ForEachByteToken(byteText, [&](std::uint32_t token) { bytes.push_back(static_cast<char>(token)); });
}

// The byte tokens of a hex(2):/hex(7): text, paired into UTF-16 code units:
// spaces removed, pieces between commas read as hexadecimal (unreadable: 0).
// The usual shape, two digits per token and one comma between tokens, read
// fast; false (and nothing to use) for any other shape.
bool RegularCodeUnitsOf(std::string_view byteText, std::u16string& units) {
  const std::size_t n = byteText.size();
  if ((n + 1) % 3 != 0) return false;
  const auto* p = reinterpret_cast<const unsigned char*>(byteText.data());
  const std::size_t tokens = (n + 1) / 3;
  units.resize(tokens / 2);
  for (std::size_t t = 0; t < tokens; ++t) {
    const int high = kBytes.hexValue[p[3 * t]];
    const int low = kBytes.hexValue[p[3 * t + 1]];
    if ((high | low) < 0 || (t + 1 < tokens && p[3 * t + 2] != ',')) return false;
    const unsigned value = static_cast<unsigned>(high << 4 | low);
    if (t / 2 >= units.size()) break;  // a last token without partner
    char16_t& unit = units[t / 2];
    unit = (t % 2 == 0) ? static_cast<char16_t>(value) : static_cast<char16_t>(unit | value << 8);
  }
  return true;
}

void CodeUnitsOf(std::string_view byteText, std::u16string& units) {
  if (RegularCodeUnitsOf(byteText, units)) return;
  units.clear();
  bool haveFirst = false;
  std::uint32_t first = 0;
  ForEachByteToken(byteText, [&](std::uint32_t token) {
    if (haveFirst) {
      units.push_back(static_cast<char16_t>((token * 256 + first) & 0xFFFF));
    } else {
      first = token;
    }
    haveFirst = !haveFirst;
  });
}

// The strings of a multi-string value: each zero closes one; every closed
// string but the last is written (the last is the empty one that the final
// zero closes); an unclosed string at the end is dropped. `toAnsi(begin,
// count, out)` converts `count` characters to ANSI text.
template <typename Char, typename ToAnsi>
void AppendMultiStringField(const Char* chars, std::size_t size, std::string& scratch, std::string& field,
                            ToAnsi&& toAnsi) {
  std::size_t closed = 0;
  for (std::size_t i = 0; i < size; ++i) closed += chars[i] == Char{0};
  std::size_t start = 0;
  bool firstString = true;
  for (std::size_t i = 0; i < size && closed > 1; ++i) {
    if (chars[i] != Char{0}) continue;
    if (!firstString) field += ',';
    firstString = false;
    field += '"';
    scratch.clear();
    toAnsi(chars + start, i - start, scratch);
    AppendDoublingQuotes(scratch, field);
    field += '"';
    start = i + 1;
    --closed;
  }
}

// DecodeHexText appending to `field`, with the caller's scratch buffers.
void DecodeHexTextInto(std::string_view byteText, int type, RegistryFileEncoding encoding, std::u16string& units,
                       std::string& bytes, std::string& scratch, std::string& field) {
  if (type != 2 && type != 7) return;
  if (encoding == RegistryFileEncoding::Ansi) {
    // The bytes are the ANSI text itself.
    ByteValuesOf(byteText, bytes);
    if (type == 2) {
      AppendDoublingQuotes(std::string_view(bytes.data(), std::min(bytes.find('\0'), bytes.size())), field);
    } else {
      AppendMultiStringField(bytes.data(), bytes.size(), scratch, field,
                             [](const char* b, std::size_t n, std::string& out) { out.append(b, n); });
    }
    return;
  }
  CodeUnitsOf(byteText, units);
  if (type == 2) {
    // The text ends at its first zero unit: exports carry one or more of them
    // at the end, and none may reach an output line.
    const std::size_t end = std::min(units.find(u'\0'), units.size());
    scratch.clear();
    platform::AppendWideToAnsi(units.data(), end, scratch);
    AppendDoublingQuotes(scratch, field);
  } else {
    AppendMultiStringField(units.data(), units.size(), scratch, field,
                           [](const char16_t* u, std::size_t n, std::string& out) {
                             platform::AppendWideToAnsi(u, n, out);
                           });
  }
}

bool EqualsIgnoreCase(std::string_view text, std::string_view upper) {
  return text.size() == upper.size() && StartsWithIgnoreCase(text, upper);
}

// Why the values of a key that no section takes are skipped; `key` is the
// key line's name without brackets.
SkipReason OutsideSectionsReason(std::string_view key) {
  const auto below = [key](std::string_view root) {
    return StartsWithIgnoreCase(key, root) && (key.size() == root.size() || key[root.size()] == '\\');
  };
  if (below("HKEY_USERS")) return SkipReason::BelowHkeyUsers;
  if (below("HKEY_CURRENT_CONFIG")) return SkipReason::BelowHkeyCurrentConfig;
  if (below("HKEY_LOCAL_MACHINE\\HARDWARE")) return SkipReason::BelowHardware;
  return SkipReason::OutsideSections;
}

// The name of a value line from its name part, as a value line of a
// section takes it: quotes removed, the escapes \\ and \" resolved.
std::string ValueNameOf(std::string_view namePart) {
  if (namePart.empty() || namePart[0] != '"') return std::string(namePart);
  namePart = namePart.size() >= 2 ? namePart.substr(1, namePart.size() - 2) : std::string_view();
  std::string collapsed;
  AppendCollapsingBackslashPairs(namePart, collapsed);
  std::string name;
  AppendUnescapingQuotes(collapsed, name);
  return name;
}

// Whether string data (beginning with a quote) has a quote that no
// backslash escapes after its first one; without, its text goes on over
// the next lines.
bool HasClosingQuote(std::string_view data) {
  std::size_t i = 1;
  while (i < data.size()) {
    const char c = data[i];
    if (c == '"') return true;
    if (c == '\\' && i + 1 < data.size() && (data[i + 1] == '\\' || data[i + 1] == '"')) {
      i += 2;
    } else {
      i += platform::CharLengthAt(data, i);
    }
  }
  return false;
}

}  // namespace

std::string DecodeHexText(std::string_view byteText, int type, RegistryFileEncoding encoding) {
  std::u16string units;
  std::string bytes;
  std::string scratch;
  std::string field;
  DecodeHexTextInto(byteText, type, encoding, units, bytes, scratch, field);
  return field;
}

RegistryFileConverter::RegistryFileConverter(const ConversionOptions& options, RegistryFileEncoding encoding,
                                             SkipObserver* skipped)
    : options_(options), encoding_(encoding), machinePaths_(ReadMachinePaths(options)), observer_(skipped) {}

void RegistryFileConverter::ConvertLine(std::string_view raw) {
  ++lineNumber_;
  if (raw.empty()) return;
  if ((raw[0] == 'W' || raw[0] == 'w') && StartsWithIgnoreCase(raw, "WINDOWS REGISTRY EDITOR")) return;
  const std::string_view t = TrimBlanks(raw);
  if (!t.empty() && t[0] == '[') {
    StartKey(t);
    return;
  }
  if (currentSection_ == kNoSection) {
    if (observer_) NoteLineOutsideSections(raw, t);
    return;
  }
  if (!t.empty() && t[0] == ';') {
    AddLine(raw);
    return;
  }
  if (t.empty() || currentKeyPath_.empty()) {
    if (observer_) NoteLineOutsideSections(raw, t);
    return;
  }
  const void* equals = std::memchr(raw.data(), '=', raw.size());
  // A line without "=" or with nothing before it continues the last value.
  const std::size_t equalsPos =
      equals != nullptr ? static_cast<std::size_t>(static_cast<const char*>(equals) - raw.data()) : 0;
  if (equalsPos > 0) {
    ConvertValueLine(raw, equalsPos);
  } else {
    ConvertContinuationLine(raw);
  }
}

void RegistryFileConverter::StartKey(std::string_view t) {
  if (observer_) NoteDeletionKeyEnd();
  currentSection_ = kNoSection;
  currentKeyPath_.clear();
  for (const KeyPrefix& key : kKeyPrefixes) {
    if (!StartsWithIgnoreCase(t, key.prefix)) continue;
    std::string_view rest = t.substr(key.prefix.size());
    if (!rest.empty()) rest.remove_suffix(1);  // the closing bracket
    currentSection_ = static_cast<int>(key.section);
    currentKeyPath_.assign(key.pathStart);
    currentKeyPath_.append(rest);
    break;
  }
  outputKeyPathStale_ = true;
  keyEntryDue_ = currentKeyPath_ != previousKeyPath_;
  if (observer_) NoteKeyLine(t, t.size() > 1 && t[1] == '-');
}

const std::string& RegistryFileConverter::OutputKeyPath() {
  if (outputKeyPathStale_) {
    // Every name that RewriteControlSet replaces contains "ControlSet": a
    // path without it (nearly every path) is taken as it is, without the
    // rewrite's ten searches.
    const bool rewrite = options_.ForceControlSet001 && ContainsIgnoreCase(currentKeyPath_, "ControlSet");
    outputKeyPath_ = rewrite ? RewriteControlSet(currentKeyPath_) : currentKeyPath_;
    outputKeyPathStale_ = false;
  }
  return outputKeyPath_;
}

void RegistryFileConverter::ConvertValueLine(std::string_view raw, std::size_t equalsPos) {
  std::string_view name = raw.substr(0, equalsPos);
  if (name[0] == '"') name = name.size() >= 2 ? name.substr(1, name.size() - 2) : std::string_view();
  const std::string_view data = raw.substr(equalsPos + 1);
  std::string_view stringText;
  if (observer_) {
    if (continuationPending_) NoteValueSkipped(SkipReason::UnfinishedAtNextValue);
    pendingDeletionLine_ = 0;
    stringOpen_ = false;
    valueKey_ = keyText_;
  }
  valueLine_ = lineNumber_;

  if (keyEntryDue_) {
    AppendKeyEntry(sections_[currentSection_].BeginItem(), OutputKeyPath());
    sections_[currentSection_].EndItem();
    previousKeyPath_ = currentKeyPath_;
    keyEntryDue_ = false;
  }
  previousValueName_.clear();
  if (raw[0] == '"' && Contains(name, '\\')) {
    // A quoted name is the value's name with the escapes of string data:
    // \\ for a backslash and \" for a quote, resolved as there.
    nameScratch_.clear();
    AppendCollapsingBackslashPairs(name, nameScratch_);
    AppendUnescapingQuotes(nameScratch_, previousValueName_);
  } else {
    previousValueName_.assign(name);
  }
  continuationPending_ = false;

  if (StringDataText(data, stringText)) {
    ConvertString(stringText);
  } else if (StartsWithIgnoreCase(data, "DWORD:")) {
    ConvertDword(data);
  } else if (StartsWithIgnoreCase(data, "HEX:")) {
    ConvertHex(data);
  } else if (StartsWithIgnoreCase(data, "HEX(")) {
    ConvertTypedHex(data);
  } else {
    valueType_ = -1;  // a value deletion ("-") or data of no known form
    if (observer_) NoteUnusableData(data);
  }
}

void RegistryFileConverter::ConvertString(std::string_view text) {
  valueType_ = static_cast<std::int32_t>(kRegSz);
  // Three passes, each over the whole text: \\ to \, then \" to ", then " to "".
  if (Contains(text, '\\')) {
    scratch2_.clear();
    AppendCollapsingBackslashPairs(text, scratch2_);
    scratch_.clear();
    AppendUnescapingQuotes(scratch2_, scratch_);
    text = scratch_;
  }
  scratch2_.clear();
  AppendDoublingQuotes(text, scratch2_);
  field_.assign(1, '"');
  AppendSubstituted(scratch2_, field_);
  field_.push_back('"');
  AddEntry(kRegSz, previousValueName_, field_, false);
}

void RegistryFileConverter::ConvertDword(std::string_view data) {
  valueType_ = static_cast<std::int32_t>(kRegDword);
  const std::string_view digits = data.size() > 6 ? data.substr(6, 8) : std::string_view();
  std::uint32_t value = 0;
  if (!ParseHex(digits, value)) value = 0;
  AddEntry(kRegDword, previousValueName_, FormatDwordData(value), false);
}

void RegistryFileConverter::ConvertHex(std::string_view data) {
  valueType_ = static_cast<std::int32_t>(kRegBinary);
  replaceToBinary_ = false;
  scratch_.clear();
  AppendLowerWithoutSpaces(data.substr(4), false, scratch_);
  StartBinaryValue(scratch_);
}

void RegistryFileConverter::ConvertTypedHex(std::string_view data) {
  const std::size_t close = data.find(')');
  const std::size_t p = close == std::string_view::npos ? 0 : close + 1;  // counted from 1
  std::uint32_t type = 0;
  if ((p != 6 && p != 7) || !ParseHex(data.substr(4, p - 5), type)) {
    valueType_ = -1;
    if (observer_) NoteTypedHexRefused(data, p);
    return;
  }
  const std::string_view rest = p + 1 < data.size() ? data.substr(p + 1) : std::string_view();
  valueType_ = static_cast<std::int32_t>(type);

  if (type == kRegExpandSz || type == kRegMultiSz) {
    replaceToBinary_ = false;
    hexText_.clear();
    AppendWithoutBackslashes(TrimBlanks(rest), hexText_);
    if (Contains(rest, '\\')) {
      continuationPending_ = true;
      return;
    }
    FinishTextValue();
    return;
  }

  replaceToBinary_ = type != kRegBinary;
  scratch_.clear();
  for (char c : rest) {
    if (c != ' ') scratch_.push_back(c);
  }
  StartBinaryValue(scratch_);
}

void RegistryFileConverter::StartBinaryValue(std::string_view bytes) {
  if (Contains(bytes, '\\')) {
    hexText_.clear();
    AppendWithoutBackslashes(TrimBlanks(bytes), hexText_);
    continuationPending_ = true;
    return;
  }
  if (!AcceptByteList(bytes)) {
    valueType_ = -1;
    if (observer_) NoteValueSkipped(SkipReason::EmptyByteListItem);
    return;
  }
  field_.clear();
  if (!bytes.empty()) {
    field_.append(kNextPhysicalLine);
    field_.append(bytes);
  }
  WriteBinaryEntry();
}

void RegistryFileConverter::ConvertContinuationLine(std::string_view raw) {
  if (!continuationPending_) {
    if (observer_) NoteStrayContinuation(raw);
    return;
  }
  const bool more = Contains(raw, '\\');
  if (valueType_ == static_cast<std::int32_t>(kRegExpandSz) || valueType_ == static_cast<std::int32_t>(kRegMultiSz)) {
    AppendWithoutBackslashes(TrimBlanks(raw), hexText_);
    if (more) return;
    continuationPending_ = false;
    FinishTextValue();
    return;
  }
  AppendLowerWithoutSpaces(TrimBlanks(raw), true, hexText_);
  if (more) return;
  continuationPending_ = false;
  FinishBinaryValue();
}

void RegistryFileConverter::FinishTextValue() {
  if (Contains(hexText_, ' ')) std::erase(hexText_, ' ');
  std::string_view list = hexText_;
  if (!AcceptByteList(list)) {
    valueType_ = -1;
    if (observer_) NoteValueSkipped(SkipReason::EmptyByteListItem);
    return;
  }
  hexText_.resize(list.size());
  scratch2_.clear();
  DecodeHexTextInto(hexText_, valueType_, encoding_, units_, bytes_, scratch_, scratch2_);
  field_.clear();
  if (valueType_ == static_cast<std::int32_t>(kRegExpandSz)) {
    field_.push_back('"');
    AppendSubstituted(scratch2_, field_);
    field_.push_back('"');
  } else {
    AppendSubstituted(scratch2_, field_);
  }
  AddEntry(static_cast<std::uint32_t>(valueType_), previousValueName_, field_, false);
}

void RegistryFileConverter::FinishBinaryValue() {
  std::string_view list = hexText_;
  if (!AcceptByteList(list)) {
    valueType_ = -1;
    if (observer_) NoteValueSkipped(SkipReason::EmptyByteListItem);
    return;
  }
  hexText_.resize(list.size());
  field_.clear();
  if (!hexText_.empty()) {
    // Every 25 commas give one more physical line at most.
    const std::size_t wraps = hexText_.size() / kTokensPerLine + 1;
    field_.resize(kNextPhysicalLine.size() * (wraps + 1) + hexText_.size());
    char* d = field_.data();
    std::memcpy(d, kNextPhysicalLine.data(), kNextPhysicalLine.size());
    d += kNextPhysicalLine.size();
    std::size_t token = 1;
    for (char c : hexText_) {
      *d++ = c;
      if (c != ',') continue;
      // A comma always has a token after it, so this one is not the last.
      if (token % kTokensPerLine == 0) {
        std::memcpy(d, kNextPhysicalLine.data(), kNextPhysicalLine.size());
        d += kNextPhysicalLine.size();
      }
      ++token;
    }
    field_.resize(static_cast<std::size_t>(d - field_.data()));
  }
  WriteBinaryEntry();
}

void RegistryFileConverter::WriteBinaryEntry() {
  if (replaceToBinary_) AddLine(ReplacementComment(static_cast<std::uint32_t>(valueType_)));
  valueType_ = static_cast<std::int32_t>(kRegBinary);
  AddEntry(kRegBinary, previousValueName_, field_, field_.empty());
}

void RegistryFileConverter::AppendSubstituted(std::string_view text, std::string& out) {
  // Most strings hold nothing to substitute: they are copied without the
  // temporary string that SubstitutePaths returns.
  if (!MaySubstitute(text, options_, machinePaths_)) {
    out.append(text);
    return;
  }
  out.append(SubstitutePaths(text, options_, machinePaths_));
}

void RegistryFileConverter::AddEntry(std::uint32_t type, std::string_view name, std::string_view dataField,
                                     bool dropLastChar) {
  SectionBuffer& section = sections_[currentSection_];
  std::string& out = section.BeginItem();
  AppendValueEntry(out, type, OutputKeyPath(), name, dataField, name == "@");
  if (dropLastChar) out.pop_back();
  section.EndItem();
}

void RegistryFileConverter::AddLine(std::string_view line) { sections_[currentSection_].Add(line); }

void RegistryFileConverter::NoteKeyLine(std::string_view t, bool deletion) {
  seenKeyLine_ = true;
  stringOpen_ = false;
  std::string_view key = t.substr(deletion ? 2 : 1);
  if (!key.empty() && key.back() == ']') key.remove_suffix(1);
  keyText_.assign(key);
  if (currentSection_ != kNoSection && !currentKeyPath_.empty()) {
    if (deletion) pendingDeletionLine_ = lineNumber_;
    return;
  }
  outsideReason_ = OutsideSectionsReason(key);
  if (deletion) observer_->Skipped(SkipReason::DeletionOutsideSections, lineNumber_, keyText_, {});
}

void RegistryFileConverter::NoteDeletionKeyEnd() {
  if (pendingDeletionLine_ == 0) return;
  observer_->Skipped(SkipReason::DeletionKeyWithoutValues, pendingDeletionLine_, keyText_, {});
  pendingDeletionLine_ = 0;
}

void RegistryFileConverter::NoteLineOutsideSections(std::string_view raw, std::string_view t) {
  if (t.empty() || t[0] == ';') return;  // comments hold no registry data
  if (!seenKeyLine_) {
    // "REGEDIT4" heads the exports of older systems.
    if (!EqualsIgnoreCase(t, "REGEDIT4")) observer_->Skipped(SkipReason::LineBeforeFirstKey, lineNumber_, {}, {});
    return;
  }
  // The values of such a key are told once each, at their first line; their
  // continuation lines go with them.
  const std::size_t equalsPos = raw.find('=');
  if (equalsPos == 0 || equalsPos == std::string_view::npos) return;
  observer_->Skipped(outsideReason_, lineNumber_, keyText_, ValueNameOf(raw.substr(0, equalsPos)));
}

void RegistryFileConverter::NoteStrayContinuation(std::string_view raw) {
  const std::string_view t = TrimBlanks(raw);
  if (stringOpen_) {
    // A further line of a string value that holds a line break: told with
    // the value, at its first line.
    if (!t.empty() && t.back() == '"') stringOpen_ = false;
    return;
  }
  observer_->Skipped(SkipReason::ContinuationWithoutValue, lineNumber_, keyText_, {});
}

void RegistryFileConverter::NoteUnusableData(std::string_view data) {
  if (TrimBlanks(data) == "-") {
    NoteValueSkipped(SkipReason::ValueDeletion);
  } else if (!data.empty() && data.front() == '"' && !HasClosingQuote(data)) {
    stringOpen_ = true;
    NoteValueSkipped(SkipReason::StringWithLineBreak);
  } else {
    NoteValueSkipped(SkipReason::UnrecognisedData);
  }
}

void RegistryFileConverter::NoteTypedHexRefused(std::string_view data, std::size_t closePos) {
  // "hex(" then more than two hexadecimal digits before ")".
  bool tooLong = closePos > 7;
  for (std::size_t i = 4; tooLong && i + 1 < closePos; ++i) tooLong = HexDigitValue(data[i]) >= 0;
  NoteValueSkipped(tooLong ? SkipReason::TypeNumberTooLong : SkipReason::UnrecognisedData);
}

void RegistryFileConverter::NoteValueSkipped(SkipReason reason) {
  observer_->Skipped(reason, valueLine_, valueKey_, previousValueName_);
}

void RegistryFileConverter::Finish(OutputList& output) {
  if (observer_) {
    if (continuationPending_) NoteValueSkipped(SkipReason::UnfinishedAtEndOfFile);
    NoteDeletionKeyEnd();
  }
  output.Clear();
  for (int i = 0; i < kInfSectionCount; ++i) {
    const SectionBuffer& section = sections_[i];
    if (section.empty()) continue;
    output.Add(InfSectionHeader(static_cast<InfSection>(i)));
    section.ForEach([&output](std::string_view item) { output.Add(item); });
    output.Add("");
  }
}

void ConvertRegistryLines(const std::vector<std::string>& lines, OutputList& output,
                          const ConversionOptions& options, RegistryFileEncoding encoding, SkipObserver* skipped) {
  RegistryFileConverter converter(options, encoding, skipped);
  for (const std::string& line : lines) converter.ConvertLine(line);
  converter.Finish(output);
}

void ConvertRegistryFile(OutputList& output, const std::string& fileName, const ConversionOptions& options,
                         SkipObserver* skipped) {
  RegistryFileReader reader(fileName);
  RegistryFileConverter converter(options, reader.Encoding(), skipped);
  // The text is converted piece by piece as the file is read: only the
  // sections are ever held whole.
  LineSplitter lines;
  const auto convertLine = [&converter](std::string_view line) { converter.ConvertLine(line); };
  reader.Read(RegistryTextForm::Ansi, [&](std::string_view piece) { lines.Feed(piece, convertLine); });
  lines.Finish(convertLine);
  converter.Finish(output);
}

}  // namespace vindra
