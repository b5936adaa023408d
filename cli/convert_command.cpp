// vindra-cli convert: converts a registry export file and writes exactly the
// text the main window's text area would hold: every line followed by CR LF.
#include <cstdio>
#include <new>
#include <optional>
#include <string>

#include "cli/cli_command.h"
#include "cli/command_list.h"
#include "cli/command_output.h"
#include "cli/conversion_arguments.h"
#include "cli/plugin_inf.h"
#include "cli/skip_summary.h"
#include "cli/standard_input.h"
#include "core/file_io.h"
#include "core/registry_file_converter.h"

namespace vindra::cli {
namespace {

constexpr const char* kSynopsis = "[OPTIONS] FILE.reg";

constexpr const char* kHelp =
    "Converts a registry export file into INF registry sections on standard output.\n"
    "FILE.reg \"-\" reads standard input.\n"
    "\n"
    "Options:\n"
    VINDRA_PLUGIN_OPTION_USAGE
    VINDRA_CONVERSION_OPTIONS_USAGE
    "\n"
    "The machine paths come from the environment variables SystemRoot, ProgramFiles\n"
    "and SystemDrive. Messages are in the terminal's encoding (UTF-8 in a UTF-8\n"
    "locale, else the ANSI code page).\n"
    "After the output, standard error tells what the plug-in sections cannot hold\n"
    "and what the file holds in no form the converter reads: one line per reason\n"
    "with the count and the first line numbers (see the manual page for the list).\n"
    "Exit status: 0 done, 1 output not written, 2 file not readable, 4 something\n"
    "left out with --strict, 64 bad usage.\n";

constexpr CommandOption kConvertOptions[] = {kPluginOption};

int Run(const CommandContext& context) {
  ConversionArguments parsed;
  if (const auto error = ParseConversionArguments(context.args, kConvertOptions, parsed)) {
    return UsageError(kConvertCommand, context, *error);
  }
  if (parsed.help) {
    std::fprintf(context.out, "Usage: vindra-cli convert %s\n%s", kSynopsis, kHelp);
    return kExitOk;
  }
  if (parsed.version) return PrintVersion(context.out);
  if (parsed.operands.empty()) return UsageError(kConvertCommand, context, "FILE is missing");
  if (parsed.operands.size() > 1) return UsageError(kConvertCommand, context, "only one FILE may be given");
  std::optional<std::string> pluginName;
  if (const auto problem = PluginNameOption(context, parsed, pluginName)) {
    return UsageError(kConvertCommand, context, *problem);
  }

  StandardInputFile input;
  if (!input.Prepare(parsed.operands.front())) {
    PrintFailure(kConvertCommand, context,
                 std::string(kStandardInputName) + " could not be read: " + ForTerminal(context, input.ErrorText()));
    return kExitFileError;
  }
  CommandOutput output(kConvertCommand, context, parsed.encoding);
  if (!output.Open(parsed.outputFile, pluginName)) return kExitFailure;
  SkipSummary skipped(kConvertCommand, context, parsed);
  if (!skipped.OpenReport()) {
    output.Abandon();
    return kExitFailure;
  }
  try {
    ConvertRegistryFile(output.Lines(), input.Name(), parsed.options, skipped.Observer());
  } catch (const FileOpenError& error) {
    std::fprintf(context.err, "%s\n", FileOpenMessageForTerminal(context, error).c_str());
    output.Abandon();
    return kExitFileError;
  } catch (const std::bad_alloc&) {
    PrintFailure(kConvertCommand, context, "not enough memory");
    output.Abandon();
    return kExitFailure;
  }
  if (parsed.strict && !skipped.empty()) {
    output.Abandon();
    skipped.Tell();
    return kExitSkipped;
  }
  const bool written = output.Finish();
  const bool told = skipped.Tell();
  return written && told ? kExitOk : kExitFailure;
}

}  // namespace

const CliCommand kConvertCommand = {"convert", "convert a registry export file (.reg) into INF sections", kSynopsis,
                                    &Run};

}  // namespace vindra::cli
