// The commands of vindra-cli. Each command lives in its own source file
// (cli/<name>_command.cpp) and defines one CliCommand object; command_list.h
// names them all, and main() dispatches on the first argument.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace vindra::cli {

// Exit statuses shared by every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;      // output could not be written, or another failure
inline constexpr int kExitFileError = 2;    // an input file could not be opened or read
inline constexpr int kExitUsage = 64;       // bad command line

struct CommandContext {
  std::vector<std::string> args;  // the arguments after the command's name
  std::FILE* out;
  std::FILE* err;
};

struct CliCommand {
  const char* name;
  const char* summary;  // one line for the general usage text
  const char* usage;    // the command's full usage text, ending with a line break
  int (*run)(const CommandContext& context);
};

// Prints the command's usage text to `stream`.
void PrintCommandUsage(const CliCommand& command, std::FILE* stream);

}  // namespace vindra::cli
