#include <string>

#include "cli/cli_command.h"

namespace vindra::cli {

int UsageError(const CliCommand& command, const CommandContext& context, const std::string& message) {
  std::fprintf(context.err,
               "vindra-cli %s: %s\n"
               "Usage: vindra-cli %s %s\n"
               "Run 'vindra-cli %s --help' for the options.\n",
               command.name, ArgumentForTerminal(context, message).c_str(), command.name, command.synopsis,
               command.name);
  return kExitUsage;
}

int PrintVersion(std::FILE* stream) {
  std::fprintf(stream, "vindra-cli %s\n", kVersion);
  return kExitOk;
}

}  // namespace vindra::cli
