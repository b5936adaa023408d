// The commands of vindra-cli. Each command lives in its own source file
// (cli/<name>_command.cpp) and defines one CliCommand object; command_list.h
// names them all, and main() dispatches on the first argument. The helpers
// below are shared by every command (cli/cli_support.cpp).
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/file_io.h"
#include "core/stream_output_list.h"
#include "platform/terminal_encoding.h"

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
  // The encoding of every message on `err` and of the help on `out`; the
  // conversions' own output is ANSI unless --encoding utf-8 says otherwise.
  platform::TerminalEncoding terminal{};
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

// ANSI text (the program's own texts, system messages, registry names) in
// the terminal's encoding.
std::string ForTerminal(const CommandContext& context, std::string_view ansiText);

// A file name or another command-line argument as the terminal shows it. On
// Windows arguments arrive in the ANSI code page like every other text;
// elsewhere they arrive in the terminal's own encoding and stay as given.
std::string ArgumentForTerminal(const CommandContext& context, std::string_view argument);

// A command-line argument that names something in the registry or in the
// output (a key, a plug-in name) in the ANSI code page. POSIX: converted from
// a UTF-8 terminal's UTF-8, and with `--encoding utf-8` read as UTF-8 too.
std::string ArgumentToAnsi(const CommandContext& context, OutputEncoding encoding, std::string_view argument);

// The file-open error's message in the terminal's encoding, its file name as
// ArgumentForTerminal gives it.
std::string FileOpenMessageForTerminal(const CommandContext& context, const FileOpenError& error);

// "vindra-cli NAME: TEXT" and a line break on the error stream; `terminalText`
// is in the terminal's encoding already.
void PrintFailure(const CliCommand& command, const CommandContext& context, std::string_view terminalText);

// "vindra-cli VERSION" on `stream`; returns kExitOk.
int PrintVersion(std::FILE* stream);

}  // namespace vindra::cli
