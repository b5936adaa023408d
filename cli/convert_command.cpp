// vindra-cli convert: converts a registry export file and writes exactly the
// text the main window's text area would hold: every line followed by CR LF.
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "cli/cli_command.h"
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
    "  --substitute fixed|env|none  machine paths become X:\\I386, X:\\PROGRAMS, X: (fixed,\n"
    "                               the default), %SystemRoot%, %ProgramFiles%,\n"
    "                               %SystemDrive% (env), or stay as they are (none)\n"
    "  --no-systemroot              leave the %SystemRoot% folder alone\n"
    "  --no-programfiles            leave the %ProgramFiles% folder alone\n"
    "  --no-systemdrive             leave the %SystemDrive% drive alone\n"
    "  --no-controlset001           keep CurrentControlSet and ControlSet002..009\n"
    "  --encoding ansi|utf-8        output bytes in the ANSI code page (default) or UTF-8\n"
    "  --help                       show this text\n"
    "\n"
    "The machine paths come from the environment variables SystemRoot, ProgramFiles\n"
    "and SystemDrive.\n"
    "Exit status: 0 done, 1 output not written, 2 file not readable, 64 bad usage.\n";

int run(const CommandContext& context);

struct ConvertArguments {
  ConversionOptions options;
  OutputEncoding encoding = OutputEncoding::Ansi;
  std::string fileName;
  bool help = false;
};

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

// Parses the arguments; an error message when they are not usable.
std::optional<std::string> Parse(const std::vector<std::string>& args, ConvertArguments& parsed) {
  bool haveFile = false;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      if (haveFile) return "only one FILE may be given";
      parsed.fileName = arg;
      haveFile = true;
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    // --name=value and --name value are both accepted for the options with a value.
    std::string value;
    bool haveValue = false;
    if (const std::size_t eq = arg.find('='); eq != std::string::npos && arg.rfind("--", 0) == 0) {
      value = arg.substr(eq + 1);
      arg.resize(eq);
      haveValue = true;
    }
    const bool takesValue = arg == "--substitute" || arg == "--encoding";
    if (takesValue && !haveValue) {
      if (i + 1 >= args.size()) return "option " + arg + " needs a value";
      value = args[++i];
      haveValue = true;
    }
    if (!takesValue && haveValue) return "option " + arg + " takes no value";

    if (arg == "--substitute") {
      if (value == "fixed") {
        parsed.options.PathSubstitution = PathSubstitutionMode::FixedDrive;
      } else if (value == "env") {
        parsed.options.PathSubstitution = PathSubstitutionMode::EnvironmentVariables;
      } else if (value == "none") {
        parsed.options.PathSubstitution = PathSubstitutionMode::None;
      } else {
        return "--substitute must be fixed, env or none";
      }
    } else if (arg == "--encoding") {
      if (value == "ansi") {
        parsed.encoding = OutputEncoding::Ansi;
      } else if (value == "utf-8" || value == "utf8") {
        parsed.encoding = OutputEncoding::Utf8;
      } else {
        return "--encoding must be ansi or utf-8";
      }
    } else if (arg == "--no-systemroot") {
      parsed.options.ReplaceSystemRoot = false;
    } else if (arg == "--no-programfiles") {
      parsed.options.ReplaceProgramFiles = false;
    } else if (arg == "--no-systemdrive") {
      parsed.options.ReplaceSystemDrive = false;
    } else if (arg == "--no-controlset001") {
      parsed.options.ForceControlSet001 = false;
    } else if (arg == "--help" || arg == "-h") {
      parsed.help = true;
    } else {
      return "unknown option " + arg;
    }
  }
  if (!parsed.help && !haveFile) return "FILE is missing";
  return std::nullopt;
}

int run(const CommandContext& context) {
  ConvertArguments parsed;
  if (const auto error = Parse(context.args, parsed)) return UsageError(context, *error);
  if (parsed.help) {
    std::fputs(kUsage, context.out);
    return kExitOk;
  }
  try {
    StreamOutputList output(context.out, parsed.encoding);
    ConvertRegistryFile(output, parsed.fileName, parsed.options);
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
