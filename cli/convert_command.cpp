// vindra-cli convert: converts a registry export file and writes exactly the
// text the main window's text area would hold: every line followed by CR LF.
#include <cstdio>
#include <new>
#include <string>

#include "cli/cli_command.h"
#include "cli/command_list.h"
#include "cli/conversion_arguments.h"
#include "core/file_io.h"
#include "core/registry_file_converter.h"
#include "core/stream_output_list.h"

namespace vindra::cli {
namespace {

constexpr const char* kSynopsis = "[OPTIONS] FILE.reg";

constexpr const char* kHelp =
    "Converts a registry export file into INF registry sections on standard output.\n"
    "\n"
    "Options:\n"
    VINDRA_CONVERSION_OPTIONS_USAGE
    "\n"
    "The machine paths come from the environment variables SystemRoot, ProgramFiles\n"
    "and SystemDrive.\n"
    "Exit status: 0 done, 1 output not written, 2 file not readable, 64 bad usage.\n";

int Run(const CommandContext& context) {
  ConversionArguments parsed;
  if (const auto error = ParseConversionArguments(context.args, {}, parsed)) {
    return UsageError(kConvertCommand, context, *error);
  }
  if (parsed.help) {
    std::fprintf(context.out, "Usage: vindra-cli convert %s\n%s", kSynopsis, kHelp);
    return kExitOk;
  }
  if (parsed.version) return PrintVersion(context.out);
  if (parsed.operands.empty()) return UsageError(kConvertCommand, context, "FILE is missing");
  if (parsed.operands.size() > 1) return UsageError(kConvertCommand, context, "only one FILE may be given");
  const std::string& fileName = parsed.operands.front();
  try {
    StreamOutputList output(context.out, parsed.encoding);
    ConvertRegistryFile(output, fileName, parsed.options);
    if (!output.Flush()) {
      std::fputs("vindra-cli convert: the output could not be written\n", context.err);
      return kExitFailure;
    }
  } catch (const FileOpenError& error) {
    std::fprintf(context.err, "%s\n", FileOpenMessage(error, parsed.encoding).c_str());
    return kExitFileError;
  } catch (const std::bad_alloc&) {
    std::fputs("vindra-cli convert: not enough memory\n", context.err);
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace

const CliCommand kConvertCommand = {"convert", "convert a registry export file (.reg) into INF sections", kSynopsis,
                                    &Run};

}  // namespace vindra::cli
