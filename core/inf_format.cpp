#include "core/inf_format.h"

#include <array>
#include <cstdio>
#include <initializer_list>

#include "core/ansi_text.h"
#include "platform/environment.h"

namespace vindra {
namespace {

constexpr std::array<std::string_view, kInfSectionCount> kSectionHeaders = {
    "[Software.AddReg]", "[Software.DelReg]", "[Default.AddReg]", "[Default.DelReg]", "[SetupReg.AddReg]"};

constexpr std::array<std::string_view, 12> kTypeNames = {
    "REG_NONE",          "REG_SZ",
    "REG_EXPAND_SZ",     "REG_BINARY",
    "REG_DWORD",         "REG_DWORD_BIG_ENDIAN",
    "REG_LINK",          "REG_MULTI_SZ",
    "REG_RESOURCE_LIST", "REG_FULL_RESOURCE_DESCRIPTOR",
    "REG_RESOURCE_REQUIREMENTS_LIST", "REG_QWORD"};

void AppendDecimal(std::string& out, std::uint32_t value) {
  char digits[10];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (n > 0) out.push_back(digits[--n]);
}

void AppendHex(std::string& out, std::uint32_t value, const char* alphabet) {
  char digits[8];
  int n = 0;
  do {
    digits[n++] = alphabet[value & 0xF];
    value >>= 4;
  } while (value != 0);
  while (n > 0) out.push_back(digits[--n]);
}

// The substitution steps in their fixed order: system root and program files
// before the bare system drive, which is usually a prefix of both.
struct SubstitutionStep {
  bool enabled;
  const std::string* machinePath;
  std::string_view fixedPath;
  std::string_view variable;
  bool wholeFolder;  // a folder: replaced only where it stands whole; a drive: anywhere
};

// The value of `reference` when its variable is defined, not empty and
// names another folder than each of `known` (letter case ignored); else "".
std::string OtherProgramFolder(std::string_view reference, std::initializer_list<std::string_view> known) {
  std::string folder = platform::ExpandEnvironmentText(reference);
  if (folder.empty() || folder == reference) return {};
  for (std::string_view other : known) {
    if (folder.size() == other.size() && StartsWithIgnoreCase(folder, other)) return {};
  }
  return folder;
}

}  // namespace

std::string_view InfSectionHeader(InfSection section) {
  return kSectionHeaders[static_cast<std::size_t>(section)];
}

std::string RegistryTypeName(std::uint32_t type) {
  std::string name = "\"";
  if (type < kTypeNames.size()) {
    name += kTypeNames[type];
  } else {
    name += "hex(";
    AppendHex(name, type, "0123456789abcdef");
    name += ')';
  }
  name += '"';
  return name;
}

std::string RewriteControlSet(std::string_view keyPath) {
  std::string path(keyPath);
  ReplaceFirstIgnoreCase(path, "CurrentControlSet", "ControlSet001");
  char numbered[] = "ControlSet00N";
  for (char n = '2'; n <= '9'; ++n) {
    numbered[sizeof(numbered) - 2] = n;
    ReplaceFirstIgnoreCase(path, numbered, "ControlSet001");
  }
  return path;
}

MachinePaths ReadMachinePaths(const ConversionOptions& options) {
  MachinePaths paths;
  if (options.PathSubstitution == PathSubstitutionMode::None) return paths;
  if (options.ReplaceSystemRoot) paths.systemRoot = platform::ExpandEnvironmentText("%SystemRoot%");
  if (options.ReplaceProgramFiles) {
    paths.programFiles = platform::ExpandEnvironmentText("%ProgramFiles%");
    paths.programFilesX86 = OtherProgramFolder("%ProgramFiles(x86)%", {paths.programFiles});
    paths.programFiles64 = OtherProgramFolder("%ProgramW6432%", {paths.programFiles, paths.programFilesX86});
  }
  if (options.ReplaceSystemDrive) paths.systemDrive = platform::ExpandEnvironmentText("%SystemDrive%");
  return paths;
}

std::string SubstitutePaths(std::string_view text, const ConversionOptions& options) {
  return SubstitutePaths(text, options, ReadMachinePaths(options));
}

bool MaySubstitute(std::string_view text, const ConversionOptions& options, const MachinePaths& paths) {
  if (options.PathSubstitution == PathSubstitutionMode::None) return false;
  // With a reference the expansion may differ from the text. Without one the
  // text expands to itself, and when none of the folders occurs in it, no
  // step of the substitution changes anything.
  if (text.find('%') != std::string_view::npos) return true;
  return (options.ReplaceSystemRoot && ContainsIgnoreCase(text, paths.systemRoot)) ||
         (options.ReplaceProgramFiles &&
          (ContainsIgnoreCase(text, paths.programFiles) || ContainsIgnoreCase(text, paths.programFilesX86) ||
           ContainsIgnoreCase(text, paths.programFiles64))) ||
         (options.ReplaceSystemDrive && ContainsIgnoreCase(text, paths.systemDrive));
}

std::string SubstitutePaths(std::string_view text, const ConversionOptions& options, const MachinePaths& paths) {
  if (!MaySubstitute(text, options, paths)) return std::string(text);
  // A text without '%' expands to itself; skipping the call saves a system
  // round trip for nearly every string of a registry file.
  const bool hasReference = text.find('%') != std::string_view::npos;
  std::string expanded = hasReference ? platform::ExpandEnvironmentText(text) : std::string(text);
  std::string work = expanded;
  const bool fixed = options.PathSubstitution == PathSubstitutionMode::FixedDrive;
  // The other program folders go before %ProgramFiles%; whole-folder
  // matching keeps C:\Program Files from matching inside the (x86) folder.
  const SubstitutionStep steps[] = {
      {options.ReplaceSystemRoot, &paths.systemRoot, "X:\\I386", "%SystemRoot%", true},
      {options.ReplaceProgramFiles, &paths.programFilesX86, "X:\\PROGRAMS", "%ProgramFiles%", true},
      {options.ReplaceProgramFiles, &paths.programFiles64, "X:\\PROGRAMS", "%ProgramFiles%", true},
      {options.ReplaceProgramFiles, &paths.programFiles, "X:\\PROGRAMS", "%ProgramFiles%", true},
      {options.ReplaceSystemDrive, &paths.systemDrive, "X:", "%SystemDrive%", false},
  };
  for (const SubstitutionStep& step : steps) {
    if (!step.enabled || step.machinePath->empty()) continue;
    const std::string_view replacement = fixed ? step.fixedPath : step.variable;
    if (step.wholeFolder) {
      ReplaceAllFoldersIgnoreCase(work, *step.machinePath, replacement);
    } else {
      ReplaceAllIgnoreCase(work, *step.machinePath, replacement);
    }
  }
  if (work != expanded) return work;
  return std::string(text);
}

void AppendKeyEntry(std::string& out, std::string_view keyPath) {
  out += "0x0,\"";
  AppendDoublingQuotes(keyPath, out);
  out += '"';
}

std::string FormatKeyEntry(std::string_view keyPath) {
  std::string line;
  line.reserve(keyPath.size() + 6);
  AppendKeyEntry(line, keyPath);
  return line;
}

void AppendValueEntry(std::string& out, std::uint32_t type, std::string_view keyPath, std::string_view name,
                      std::string_view dataField, bool isDefault) {
  out += "0x";
  // The flag is "0x%d" of a signed number: a type above 0x7FFFFFFF prints negative.
  const auto signedType = static_cast<std::int32_t>(type);
  if (signedType < 0) {
    out += '-';
    AppendDecimal(out, 0u - type);
  } else {
    AppendDecimal(out, type);
  }
  out += ",\"";
  AppendDoublingQuotes(keyPath, out);
  if (isDefault) {
    out += "\",,";
  } else {
    out += "\",\"";
    AppendDoublingQuotes(name, out);
    out += "\",";
  }
  out += dataField;
}

std::string FormatValueEntry(std::uint32_t type, std::string_view keyPath, std::string_view name,
                             std::string_view dataField, bool isDefault) {
  std::string line;
  line.reserve(16 + keyPath.size() + name.size() + dataField.size());
  AppendValueEntry(line, type, keyPath, name, dataField, isDefault);
  return line;
}

std::string ReplacementComment(std::uint32_t type) {
  return "; Replaced " + RegistryTypeName(type) + " to \"REG_BINARY\".";
}

std::string FormatDwordData(std::uint32_t value) {
  std::string text = "0x";
  AppendHex(text, value, "0123456789ABCDEF");
  return text;
}

std::string QuoteText(std::string_view text) {
  std::string quoted = "\"";
  AppendDoublingQuotes(text, quoted);
  quoted += '"';
  return quoted;
}

std::string FormatHexByteList(const unsigned char* bytes, std::size_t count) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string list;
  list.reserve(count * 3 + (count / 25) * 5);
  for (std::size_t i = 0; i < count; ++i) {
    list += kDigits[bytes[i] >> 4];
    list += kDigits[bytes[i] & 0xF];
    if (i + 1 == count) break;
    list += ',';
    if ((i + 1) % 25 == 0) list += "\\\r\n  ";
  }
  return list;
}

}  // namespace vindra
