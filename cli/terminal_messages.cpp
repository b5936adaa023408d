// The messages of vindra-cli in the terminal's encoding.
#include <string>

#include "cli/cli_command.h"
#include "platform/text.h"

namespace vindra::cli {

std::string ForTerminal(const CommandContext& context, std::string_view ansiText) {
  return platform::AnsiToTerminal(ansiText, context.terminal);
}

std::string ArgumentForTerminal(const CommandContext& context, std::string_view argument) {
#ifdef _WIN32
  return platform::AnsiToTerminal(argument, context.terminal);
#else
  (void)context;
  return std::string(argument);
#endif
}

std::string ArgumentToAnsi(const CommandContext& context, OutputEncoding encoding, std::string_view argument) {
  if (encoding == OutputEncoding::Utf8) return platform::Utf8ToAnsi(argument);
  return platform::TerminalToAnsi(argument, context.terminal);
}

std::string FileOpenMessageForTerminal(const CommandContext& context, const FileOpenError& error) {
  // The parts of the message are converted apart from the name, which a
  // second conversion would garble.
  const std::string marker = "\x1F";
  std::string message = ForTerminal(context, FileOpenError::ComposeMessage(marker, error.SystemText()));
  const std::size_t at = message.find(marker);
  if (at != std::string::npos) message.replace(at, marker.size(), ArgumentForTerminal(context, error.FullPath()));
  return message;
}

void PrintFailure(const CliCommand& command, const CommandContext& context, std::string_view terminalText) {
  std::fprintf(context.err, "vindra-cli %s: %.*s\n", command.name, static_cast<int>(terminalText.size()),
               terminalText.data());
}

}  // namespace vindra::cli
