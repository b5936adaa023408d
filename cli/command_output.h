// Where the lines of a vindra-cli command go: standard output, or with
// --output FILE a new file that replaces FILE only when the command succeeds;
// with --plugin NAME wrapped into a whole plug-in INF file.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "cli/cli_command.h"
#include "cli/plugin_inf.h"
#include "core/output_list.h"
#include "core/stream_output_list.h"
#include "platform/replacing_file.h"

namespace vindra::cli {

class CommandOutput {
 public:
  CommandOutput(const CliCommand& command, const CommandContext& context, OutputEncoding encoding)
      : command_(command), context_(context), encoding_(encoding) {}

  // Prepares the destination: `outputFile` empty or "-" is standard output.
  // `pluginName` (ANSI) wraps the lines into a plug-in file. False after a
  // message when FILE cannot be created.
  bool Open(const std::string& outputFile, const std::optional<std::string>& pluginName);

  OutputList& Lines();

  // The command succeeded: writes out everything (the plug-in header too,
  // when no line came); with --output FILE takes FILE's place. False after
  // a message when the output could not be written; FILE then stays as it was.
  bool Finish();

  // The command failed. With --output, FILE stays as it was, no new file
  // remains, and a message says so. On standard output the lines written so
  // far stay (as they stay in the main window's text area); false when even
  // those could not be written.
  bool Abandon();

 private:
  const CliCommand& command_;
  const CommandContext& context_;
  OutputEncoding encoding_;
  std::string outputFile_;  // empty: standard output
  platform::ReplacingFile file_;
  std::unique_ptr<StreamOutputList> stream_;
  std::unique_ptr<PluginOutputList> plugin_;
};

}  // namespace vindra::cli
