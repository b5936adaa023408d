// The dispatch table of vindra-cli. To add a command NAME: write
// cli/NAME_command.cpp defining `const CliCommand kNAMECommand = {...}` inside
// namespace vindra::cli (with the `extern` it needs to be seen from here), and
// add one line X(kNAMECommand) below. cli/CMakeLists.txt picks up every
// *_command.cpp by itself.
#pragma once

#include "cli/cli_command.h"

#define VINDRA_CLI_COMMANDS(X) \
  X(kConvertCommand)       \
  X(kExportCommand)        \
  X(kRegExpanderCommand)   \
  X(kSnapshotCommand)      \
  X(kDiffCommand)

namespace vindra::cli {

#define VINDRA_DECLARE_COMMAND(object) extern const CliCommand object;
VINDRA_CLI_COMMANDS(VINDRA_DECLARE_COMMAND)
#undef VINDRA_DECLARE_COMMAND

#define VINDRA_LIST_COMMAND(object) &object,
inline const CliCommand* const kCommands[] = {VINDRA_CLI_COMMANDS(VINDRA_LIST_COMMAND)};
#undef VINDRA_LIST_COMMAND

}  // namespace vindra::cli
