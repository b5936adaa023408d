// Conversion options: the checked states of the main window's menu commands,
// read by the converters and exporters at each call. Never saved.
#pragma once

namespace vindra {

enum class PathSubstitutionMode {
  FixedDrive,            // machine paths become X:\I386, X:\PROGRAMS, X:
  EnvironmentVariables,  // machine paths become %SystemRoot%, %ProgramFiles%, %SystemDrive%
  None,                  // string data is written unchanged
};

struct ConversionOptions {
  bool AddSectionHeader = true;
  bool ForceControlSet001 = true;
  PathSubstitutionMode PathSubstitution = PathSubstitutionMode::FixedDrive;
  bool ReplaceSystemRoot = true;
  bool ReplaceProgramFiles = true;
  bool ReplaceSystemDrive = true;
};

}  // namespace vindra
