// Where a registry file written by vindra-cli goes: standard output, or with
// --output FILE a new file that replaces FILE only when everything is written.
#pragma once

#include <memory>
#include <string>

#include "cli/cli_command.h"
#include "cli/command_output.h"
#include "registry/reg_file_writer.h"

namespace vindra::cli {

class RegistryFileOutput {
 public:
  RegistryFileOutput(const CliCommand& command, const CommandContext& context)
      : destination_(command, context) {}

  // Prepares the destination (empty or "-": standard output) and writes the
  // file's header. False after a message when FILE cannot be created.
  bool Open(const std::string& outputFile);

  registry::RegFileWriter& File() { return *writer_; }

  // Writes out everything; with --output FILE takes FILE's place. False after
  // a message when the file could not be written; FILE then stays as it was.
  bool Finish();

 private:
  OutputDestination destination_;
  std::unique_ptr<registry::RegFileWriter> writer_;
};

}  // namespace vindra::cli
