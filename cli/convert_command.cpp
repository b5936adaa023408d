// vindra-cli convert: converts a registry export file and writes exactly the
// text the main window's text area would hold: every line followed by CR LF.
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "cli/cli_command.h"
#include "cli/conversion_arguments.h"
#include "core/file_io.h"
#include "core/options.h"
#include "core/registry_file_converter.h"
#include "core/stream_output_list.h"

namespace vindra::cli {
namespace {

constexpr const char* kUsage =
    "Usage: vindra-cli convert [OPTIONS] FILE.reg\n"
    "Converts a registry export file into INF registry sections on standard output.\n"
    "\n"
    "Options:\n"
    VINDRA_CONVERSION_OPTIONS_USAGE
    "\n"
    "The machine paths come from the environment variables SystemRoot, ProgramFiles\n"
    "and SystemDrive.\n"
    "Exit status: 0 done, 1 output not written, 2 file not readable, 64 bad usage.\n";

int run(const CommandContext& context);

// The file-open error for a UTF-8 terminal. On Windows the file name came in
// the ANSI code page like the rest; elsewhere it came in the terminal's own
// encoding and is put in as it was given.
std::string MessageInUtf8(const FileOpenError& error) {
#ifdef _WIN32
  return AnsiToUtf8(error.what());
#else
  const std::string marker = "\x1F";
  std::string message = AnsiToUtf8(FileOpenError::ComposeMessage(marker, error.SystemText()));
  message.replace(message.find(marker), marker.size(), error.FullPath());
  return message;
#endif
}

int UsageError(const CommandContext& context, const std::string& message) {
  std::fprintf(context.err, "vindra-cli convert: %s\n\n", message.c_str());
  std::fputs(kUsage, context.err);
  return kExitUsage;
}

int run(const CommandContext& context) {
  ConversionArguments parsed;
  if (const auto error = ParseConversionArguments(context.args, {}, parsed)) return UsageError(context, *error);
  if (parsed.help) {
    std::fputs(kUsage, context.out);
    return kExitOk;
  }
  if (parsed.operands.empty()) return UsageError(context, "FILE is missing");
  if (parsed.operands.size() > 1) return UsageError(context, "only one FILE may be given");
  const std::string& fileName = parsed.operands.front();
  try {
    StreamOutputList output(context.out, parsed.encoding);
    ConvertRegistryFile(output, fileName, parsed.options);
    if (!output.Flush()) {
      std::fputs("vindra-cli convert: the output could not be written\n", context.err);
      return kExitFailure;
    }
  } catch (const FileOpenError& error) {
    const std::string message =
        parsed.encoding == OutputEncoding::Utf8 ? MessageInUtf8(error) : std::string(error.what());
    std::fprintf(context.err, "%s\n", message.c_str());
    return kExitFileError;
  } catch (const std::bad_alloc&) {
    std::fputs("vindra-cli convert: not enough memory\n", context.err);
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace

extern const CliCommand kConvertCommand;
const CliCommand kConvertCommand = {"convert", "convert a registry export file (.reg) into INF sections", kUsage,
                                    &run};

}  // namespace vindra::cli
