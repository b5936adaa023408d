// The commands of vindra-cli. Each command lives in its own source file
// (cli/<name>_command.cpp) and defines one CliCommand object; command_list.h
// names them all, and main() dispatches on the first argument. The helpers
// below are shared by every command (cli/cli_support.cpp).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "core/file_io.h"
#include "core/stream_output_list.h"

namespace vindra::cli {

inline constexpr const char* kVersion = "2.94";

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
  const char* summary;   // one line for the general usage text
  const char* synopsis;  // the arguments after the name: "[OPTIONS] FILE.reg"
  int (*run)(const CommandContext& context);
};

// "vindra-cli NAME: MESSAGE", the command's synopsis and where its options
// are explained, on the error stream; returns kExitUsage.
int UsageError(const CliCommand& command, const CommandContext& context, const std::string& message);

// "vindra-cli VERSION" on `stream`; returns kExitOk.
int PrintVersion(std::FILE* stream);

// A file name as the terminal shows it. On Windows names arrive in the ANSI
// code page like every other text; elsewhere they arrive in the terminal's
// own encoding and stay as they were given.
std::string FileNameForTerminal(const std::string& fileName, OutputEncoding encoding);

// The file-open error's message in the output encoding, its file name as
// FileNameForTerminal gives it.
std::string FileOpenMessage(const FileOpenError& error, OutputEncoding encoding);

}  // namespace vindra::cli
