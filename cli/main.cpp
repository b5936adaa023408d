// vindra-cli: the conversions of Vindra from the command line.
//   vindra-cli COMMAND [OPTIONS] ARGS...
// The commands are listed in command_list.h.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "cli/cli_command.h"
#include "cli/command_list.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace vindra::cli {
namespace {

void PrintGeneralUsage(std::FILE* stream) {
  std::fputs("Usage: vindra-cli COMMAND [OPTIONS] ARGS...\n"
             "       vindra-cli --help | --version\n"
             "\nCommands:\n",
             stream);
  for (const CliCommand* command : kCommands) std::fprintf(stream, "  %-12s %s\n", command->name, command->summary);
  std::fputs("\nRun 'vindra-cli COMMAND --help' for the options of a command.\n", stream);
}

int Main(int argc, char** argv) {
#ifdef _WIN32
  // Output is bytes: CR LF must not become CR CR LF; input ("-") is bytes too.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  _setmode(_fileno(stdin), _O_BINARY);
#endif
  const platform::TerminalEncoding terminal = platform::DetectTerminalEncoding();
  if (argc < 2) {
    PrintGeneralUsage(stderr);
    return kExitUsage;
  }
  const std::string_view first = argv[1];
  if (first == "--help" || first == "-h") {
    PrintGeneralUsage(stdout);
    return kExitOk;
  }
  if (first == "--version") return PrintVersion(stdout);
  for (const CliCommand* command : kCommands) {
    if (first != command->name) continue;
    CommandContext context{{}, stdout, stderr, terminal};
    for (int i = 2; i < argc; ++i) context.args.emplace_back(argv[i]);
    return command->run(context);
  }
  const CommandContext context{{}, stdout, stderr, terminal};
  std::fprintf(stderr, "vindra-cli: unknown command '%s'\n\n", ArgumentForTerminal(context, argv[1]).c_str());
  PrintGeneralUsage(stderr);
  return kExitUsage;
}

}  // namespace
}  // namespace vindra::cli

int main(int argc, char** argv) { return vindra::cli::Main(argc, argv); }
