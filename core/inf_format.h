// INF registry-entry format shared by every producer: sections, entry lines,
// type names, control-set rewriting and machine-path substitution.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/options.h"

namespace vindra {

// The five registry sections, in the order a producer that writes several emits them.
enum class InfSection { SoftwareAddReg, SoftwareDelReg, DefaultAddReg, DefaultDelReg, SetupRegAddReg };
inline constexpr int kInfSectionCount = 5;

// "[Software.AddReg]", "[Software.DelReg]", "[Default.AddReg]", "[Default.DelReg]", "[SetupReg.AddReg]".
std::string_view InfSectionHeader(InfSection section);

// Registry value type numbers.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

// The quoted type name: "\"REG_SZ\"" for 1, "\"hex(1a)\"" for 26.
std::string RegistryTypeName(std::uint32_t type);

// CurrentControlSet and ControlSet002..009 (first occurrence each, case-blind) become ControlSet001.
std::string RewriteControlSet(std::string_view keyPath);

// Replaces this machine's %SystemRoot%, %ProgramFiles%, %SystemDrive% folders in string data.
// A folder is replaced only where it stands whole (followed by the end of the
// text, `\`, `/`, `"`, `;` or `,`); the system drive wherever it occurs.
std::string SubstitutePaths(std::string_view text, const ConversionOptions& options);

// The machine's folders that SubstitutePaths looks for, read from the process
// environment for the toggles that are on. A producer that substitutes many
// texts reads them once per run (the environment cannot change in between).
struct MachinePaths {
  std::string systemRoot;    // platform::ExpandEnvironmentText("%SystemRoot%"), empty when its toggle is off
  std::string programFiles;  // platform::ExpandEnvironmentText("%ProgramFiles%"), likewise
  std::string systemDrive;   // platform::ExpandEnvironmentText("%SystemDrive%"), likewise
  // The other program folder of a 64-bit machine, replaced like programFiles
  // (a boot disc has one program folder): %ProgramFiles(x86)% for a 64-bit
  // program, %ProgramW6432% for a 32-bit one under WOW64, whose own
  // %ProgramFiles% is the (x86) folder. Each only where the variable is
  // defined and names another folder than programFiles; empty otherwise.
  std::string programFilesX86;
  std::string programFiles64;
};
MachinePaths ReadMachinePaths(const ConversionOptions& options);

// SubstitutePaths with the machine's folders already read.
std::string SubstitutePaths(std::string_view text, const ConversionOptions& options, const MachinePaths& paths);

// False when SubstitutePaths would certainly return `text` unchanged: no
// variable reference and none of the machine's folders in it. A cheap test
// for producers that substitute many texts.
bool MaySubstitute(std::string_view text, const ConversionOptions& options, const MachinePaths& paths);

// 0x0,"path". Every double quote in the path is written twice, so that the
// field reads back as the path (the INF rule for a quote inside quotes).
std::string FormatKeyEntry(std::string_view keyPath);

// 0x%d,"path","name",data   or, for the default value,   0x%d,"path",,data
// Quotes in the path and the name are doubled as in FormatKeyEntry; the data
// field is written as given (each producer has doubled its quotes already).
std::string FormatValueEntry(std::uint32_t type, std::string_view keyPath, std::string_view name,
                             std::string_view dataField, bool isDefault);

// FormatKeyEntry and FormatValueEntry appending to `out` instead of returning a new string.
void AppendKeyEntry(std::string& out, std::string_view keyPath);
void AppendValueEntry(std::string& out, std::uint32_t type, std::string_view keyPath, std::string_view name,
                      std::string_view dataField, bool isDefault);

// ; Replaced "REG_QWORD" to "REG_BINARY".
std::string ReplacementComment(std::uint32_t type);

// "0x%x": upper-case hexadecimal without leading zeros.
std::string FormatDwordData(std::uint32_t value);

// The text between double quotes with every double quote doubled.
std::string QuoteText(std::string_view text);

// Bytes as lower-case hex pairs joined by ",", wrapped after every 25th byte
// (unless last) with a backslash, CR LF and two spaces. Inline placement.
std::string FormatHexByteList(const unsigned char* bytes, std::size_t count);

}  // namespace vindra
