#include <string>

#include "cli/cli_command.h"
#include "platform/text.h"

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

std::string FileNameForTerminal(const std::string& fileName, OutputEncoding encoding) {
#ifdef _WIN32
  if (encoding == OutputEncoding::Utf8) return platform::AnsiToUtf8(fileName);
#else
  (void)encoding;
#endif
  return fileName;
}

}  // namespace vindra::cli
