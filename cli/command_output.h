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

// Standard output, or with --output FILE a new file beside FILE that takes
// its place only when everything is written. Shared by the commands that
// write INF lines and those that write a registry file.
class OutputDestination {
 public:
  OutputDestination(const CliCommand& command, const CommandContext& context)
      : command_(command), context_(context) {}

  // The stream to write to (`outputFile` empty or "-": standard output);
  // null after a message when FILE cannot be created.
  std::FILE* Open(const std::string& outputFile);
  // `written` tells whether every write and flush succeeded. With --output
  // FILE takes FILE's place; false after a message when the output could not
  // be written (FILE then stays as it was).
  bool Finish(bool written);
  // With --output: FILE stays as it was, no new file remains, a message says
  // so. True when writing to standard output.
  bool ToStandardOutput() const { return outputFile_.empty(); }
  void Discard();

 private:
  const CliCommand& command_;
  const CommandContext& context_;
  std::string outputFile_;  // empty: standard output
  platform::ReplacingFile file_;
};

class CommandOutput {
 public:
  CommandOutput(const CliCommand& command, const CommandContext& context, OutputEncoding encoding)
      : command_(command), context_(context), encoding_(encoding), destination_(command, context) {}

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
  OutputDestination destination_;
  std::unique_ptr<StreamOutputList> stream_;
  std::unique_ptr<PluginOutputList> plugin_;
};

}  // namespace vindra::cli
