#include "core/registry_file_converter.h"

#include <cstring>

#include "core/ansi_text.h"
#include "core/registry_file_loader.h"
#include "platform/codepage.h"

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

bool Contains(std::string_view text, char c) { return std::memchr(text.data(), c, text.size()) != nullptr; }

// Appends `text` without its backslashes.
void AppendWithoutBackslashes(std::string_view text, std::string& out) {
  for (char c : text) {
    if (c != '\\') out.push_back(c);
  }
}

// Appends `text` in lower case without spaces (and, if asked, without backslashes).
void AppendLowerWithoutSpaces(std::string_view text, bool dropBackslashes, std::string& out) {
  for (char c : text) {
    if (c == ' ' || (dropBackslashes && c == '\\')) continue;
    out.push_back(AsciiLower(c));
  }
}

// The byte tokens of a hex(2):/hex(7): text as UTF-16 code units.
std::u16string CodeUnitsOf(std::string_view byteText) {
  std::u16string units;
  if (byteText.empty()) return units;
  units.reserve(byteText.size() / 6 + 1);
  bool haveFirst = false;
  std::uint32_t first = 0;
  std::string token;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = byteText.find(',', start);
    const std::string_view piece = byteText.substr(start, comma == std::string_view::npos ? comma : comma - start);
    token.clear();
    for (char c : piece) {
      if (c != ' ') token.push_back(c);
    }
    std::uint32_t value = 0;
    if (!ParseHex(token, value)) value = 0;
    if (!haveFirst) {
      first = value;
      haveFirst = true;
    } else {
      units.push_back(static_cast<char16_t>((value * 256 + first) & 0xFFFF));
      haveFirst = false;
    }
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return units;
}

}  // namespace

std::string DecodeHexText(std::string_view byteText, int type) {
  // An all-space text is an empty text once its spaces are gone.
  if (byteText.find_first_not_of(' ') == std::string_view::npos) byteText = {};
  const std::u16string units = CodeUnitsOf(byteText);
  std::string field;
  if (type == 2) {
    // The text ends at its first zero unit: exports carry one or more of them
    // at the end, and none may reach an output line.
    const std::size_t end = units.find(u'\0');
    const std::string text = platform::WideToAnsi(std::u16string_view(units).substr(0, end));
    AppendDoublingQuotes(text, field);
  } else if (type == 7) {
    std::vector<std::string> strings;
    std::size_t start = 0;
    for (std::size_t i = 0; i < units.size(); ++i) {
      if (units[i] == u'\0') {
        strings.push_back(platform::WideToAnsi(std::u16string_view(units).substr(start, i - start)));
        start = i + 1;
      }
    }
    // The last string of the list is the empty one that the closing zero ends.
    for (std::size_t i = 0; i + 1 < strings.size(); ++i) {
      if (i > 0) field += ',';
      field += '"';
      AppendDoublingQuotes(strings[i], field);
      field += '"';
    }
  }
  return field;
}

RegistryFileConverter::RegistryFileConverter(const ConversionOptions& options)
    : options_(options), machinePaths_(ReadMachinePaths(options)) {}

void RegistryFileConverter::ConvertLine(std::string_view raw) {
  if (raw.empty()) return;
  if ((raw[0] == 'W' || raw[0] == 'w') && StartsWithIgnoreCase(raw, "WINDOWS REGISTRY EDITOR")) return;
  const std::string_view t = TrimBlanks(raw);
  if (!t.empty() && t[0] == '[') {
    StartKey(t);
    return;
  }
  if (currentSection_ == kNoSection) return;
  if (!t.empty() && t[0] == ';') {
    AddLine(raw);
    return;
  }
  if (t.empty() || currentKeyPath_.empty()) return;
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
}

const std::string& RegistryFileConverter::OutputKeyPath() {
  if (outputKeyPathStale_) {
    outputKeyPath_ = options_.ForceControlSet001 ? RewriteControlSet(currentKeyPath_) : currentKeyPath_;
    outputKeyPathStale_ = false;
  }
  return outputKeyPath_;
}

void RegistryFileConverter::ConvertValueLine(std::string_view raw, std::size_t equalsPos) {
  std::string_view name = raw.substr(0, equalsPos);
  if (name[0] == '"') name = name.size() >= 2 ? name.substr(1, name.size() - 2) : std::string_view();
  const std::string_view data = raw.substr(equalsPos + 1);

  if (keyEntryDue_) {
    AppendKeyEntry(sections_[currentSection_].BeginItem(), OutputKeyPath());
    sections_[currentSection_].EndItem();
    previousKeyPath_ = currentKeyPath_;
    keyEntryDue_ = false;
  }
  previousValueName_.assign(name);
  continuationPending_ = false;

  if (data.empty() || (data.front() == '"' && data.back() == '"')) {
    ConvertString(data);
  } else if (StartsWithIgnoreCase(data, "DWORD:")) {
    ConvertDword(data);
  } else if (StartsWithIgnoreCase(data, "HEX:")) {
    ConvertHex(data);
  } else if (StartsWithIgnoreCase(data, "HEX(")) {
    ConvertTypedHex(data);
  } else {
    valueType_ = -1;  // a value deletion ("-") or data of no known form
  }
}

void RegistryFileConverter::ConvertString(std::string_view data) {
  valueType_ = static_cast<std::int32_t>(kRegSz);
  std::string_view text = data.size() >= 2 ? data.substr(1, data.size() - 2) : std::string_view();
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
  if (Contains(scratch_, '\\')) {
    hexText_.clear();
    AppendWithoutBackslashes(TrimBlanks(scratch_), hexText_);
    continuationPending_ = true;
    return;
  }
  field_.clear();
  if (!scratch_.empty()) {
    field_.append(kNextPhysicalLine);
    field_.append(scratch_);
  }
  AddEntry(kRegBinary, previousValueName_, field_, field_.empty());
}

void RegistryFileConverter::ConvertTypedHex(std::string_view data) {
  const std::size_t close = data.find(')');
  const std::size_t p = close == std::string_view::npos ? 0 : close + 1;  // counted from 1
  std::uint32_t type = 0;
  if ((p != 6 && p != 7) || !ParseHex(data.substr(4, p - 5), type)) {
    valueType_ = -1;
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
  if (Contains(scratch_, '\\')) {
    hexText_.clear();
    AppendWithoutBackslashes(TrimBlanks(scratch_), hexText_);
    continuationPending_ = true;
    return;
  }
  field_.clear();
  if (!scratch_.empty()) {
    field_.append(kNextPhysicalLine);
    field_.append(scratch_);
  }
  if (replaceToBinary_) AddLine(ReplacementComment(type));
  valueType_ = static_cast<std::int32_t>(kRegBinary);
  AddEntry(kRegBinary, previousValueName_, field_, field_.empty());
}

void RegistryFileConverter::ConvertContinuationLine(std::string_view raw) {
  if (!continuationPending_) return;
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
  const std::string text = DecodeHexText(hexText_, valueType_);
  field_.clear();
  if (valueType_ == static_cast<std::int32_t>(kRegExpandSz)) {
    field_.push_back('"');
    AppendSubstituted(text, field_);
    field_.push_back('"');
  } else {
    AppendSubstituted(text, field_);
  }
  AddEntry(static_cast<std::uint32_t>(valueType_), previousValueName_, field_, false);
}

void RegistryFileConverter::FinishBinaryValue() {
  field_.clear();
  if (!hexText_.empty()) {
    field_.reserve(hexText_.size() + (hexText_.size() / 75 + 1) * kNextPhysicalLine.size());
    field_.append(kNextPhysicalLine);
    std::size_t tokens = 0;
    std::size_t start = 0;
    while (true) {
      const void* comma = std::memchr(hexText_.data() + start, ',', hexText_.size() - start);
      const std::size_t end =
          comma != nullptr ? static_cast<std::size_t>(static_cast<const char*>(comma) - hexText_.data())
                           : hexText_.size();
      field_.append(hexText_, start, end - start);
      ++tokens;
      if (comma == nullptr) break;  // the last token goes without its comma
      field_.push_back(',');
      if (tokens % kTokensPerLine == 0) field_.append(kNextPhysicalLine);
      start = end + 1;
    }
  }
  if (replaceToBinary_) {
    AddLine(ReplacementComment(static_cast<std::uint32_t>(valueType_)));
    valueType_ = static_cast<std::int32_t>(kRegBinary);
  }
  AddEntry(static_cast<std::uint32_t>(valueType_), previousValueName_, field_, field_.empty());
}

void RegistryFileConverter::AppendSubstituted(std::string_view text, std::string& out) {
  if (options_.PathSubstitution == PathSubstitutionMode::None) {
    out.append(text);
    return;
  }
  // Without a variable reference the text expands to itself, so only an
  // occurrence of a machine folder can change it.
  if (!Contains(text, '%')) {
    const bool rootFound = options_.ReplaceSystemRoot && !machinePaths_.systemRoot.empty() &&
                           FindIgnoreCase(text, machinePaths_.systemRoot) != std::string_view::npos;
    const bool filesFound = !rootFound && options_.ReplaceProgramFiles && !machinePaths_.programFiles.empty() &&
                            FindIgnoreCase(text, machinePaths_.programFiles) != std::string_view::npos;
    const bool driveFound = !rootFound && !filesFound && options_.ReplaceSystemDrive &&
                            !machinePaths_.systemDrive.empty() &&
                            FindIgnoreCase(text, machinePaths_.systemDrive) != std::string_view::npos;
    if (!rootFound && !filesFound && !driveFound) {
      out.append(text);
      return;
    }
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

void RegistryFileConverter::Finish(OutputList& output) const {
  output.Clear();
  for (int i = 0; i < kInfSectionCount; ++i) {
    const SectionBuffer& section = sections_[i];
    if (section.empty()) continue;
    output.Add(InfSectionHeader(static_cast<InfSection>(i)));
    section.ForEach([&output](std::string_view item) { output.Add(item); });
    output.Add("");
  }
}

void ConvertRegistryLines(std::span<const std::string_view> lines, OutputList& output,
                          const ConversionOptions& options) {
  RegistryFileConverter converter(options);
  for (std::string_view line : lines) converter.ConvertLine(line);
  converter.Finish(output);
}

void ConvertRegistryLines(const std::vector<std::string>& lines, OutputList& output,
                          const ConversionOptions& options) {
  RegistryFileConverter converter(options);
  for (const std::string& line : lines) converter.ConvertLine(line);
  converter.Finish(output);
}

void ConvertRegistryFile(OutputList& output, const std::string& fileName, const ConversionOptions& options) {
  RegistryFileConverter converter(options);
  {
    const std::string text = LoadRegistryFileText(fileName);
    ForEachLine(text, [&converter](std::string_view line) { converter.ConvertLine(line); });
  }
  converter.Finish(output);
}

}  // namespace vindra
