// Command-line options shared by the vindra-cli commands that produce INF
// text: path substitution, control-set rewriting and output encoding, plus
// the options a command adds of its own. Header-only, so that each command
// file can use it without further build entries.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/options.h"
#include "core/stream_output_list.h"

namespace vindra::cli {

// The options text of every command's usage; a macro so that a command can
// join it with its own text into one string literal.
#define VINDRA_CONVERSION_OPTIONS_USAGE \
  "  --substitute fixed|env|none  machine paths become X:\\I386, X:\\PROGRAMS, X: (fixed,\n" \
  "                               the default), %SystemRoot%, %ProgramFiles%,\n" \
  "                               %SystemDrive% (env), or stay as they are (none)\n" \
  "  --no-systemroot              leave the %SystemRoot% folder alone\n" \
  "  --no-programfiles            leave the program folders alone (%ProgramFiles%,\n" \
  "                               %ProgramFiles(x86)%, %ProgramW6432%)\n" \
  "  --no-systemdrive             leave the %SystemDrive% drive alone\n" \
  "  --no-controlset001           keep CurrentControlSet and ControlSet002..009\n" \
  "  --encoding ansi|utf-8        output bytes in the ANSI code page (default) or UTF-8\n" \
  "  -o, --output FILE            write to FILE (replaced only when all is written)\n" \
  "  --report FILE                write every line, key or value left out to FILE:\n" \
  "                               line, reason, key, value name, tab-separated\n" \
  "  --quiet                      no summary of what was left out\n" \
  "  --strict                     anything left out: exit status 4, and FILE of\n" \
  "                               --output stays as it was\n" \
  "  -h, --help                   show this text\n" \
  "  --version                    show the program's version\n"

inline constexpr const char* kConversionOptionsUsage = VINDRA_CONVERSION_OPTIONS_USAGE;

// An option of one command only.
struct CommandOption {
  std::string_view name;  // "--from"
  bool takesValue;
};

struct ConversionArguments {
  ConversionOptions options;
  OutputEncoding encoding = OutputEncoding::Ansi;
  std::string outputFile;  // --output; empty (or "-"): standard output
  std::string reportFile;  // --report: every skipped item; empty: none
  bool quiet = false;      // --quiet: no summary of the skipped items
  bool strict = false;     // --strict: any skipped item fails the command
  std::vector<std::string> operands;
  std::vector<std::pair<std::string, std::string>> commandOptions;  // name and value ("" without one)
  bool help = false;
  bool version = false;

  const std::string* CommandOptionValue(std::string_view name) const {
    for (const auto& [optionName, value] : commandOptions) {
      if (optionName == name) return &value;
    }
    return nullptr;
  }
};

// Applies one of the options every conversion command has (`arg` without
// its value); an error message when the value is not usable or the option is
// unknown.
inline std::optional<std::string> ApplyConversionOption(const std::string& arg, const std::string& value,
                                                        ConversionArguments& parsed) {
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
  } else if (arg == "--output") {
    if (value.empty()) return "--output needs a file name";
    parsed.outputFile = value;
  } else if (arg == "--report") {
    if (value.empty()) return "--report needs a file name";
    parsed.reportFile = value;
  } else if (arg == "--quiet") {
    parsed.quiet = true;
  } else if (arg == "--strict") {
    parsed.strict = true;
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
  } else if (arg == "--version") {
    parsed.version = true;
  } else {
    return "unknown option " + arg;
  }
  return std::nullopt;
}

// Parses `args`; an error message when they are not usable. "--name=value"
// and "--name value" are both accepted, and "-o FILE" and "-oFILE" for
// --output; "--" ends the options; "-" alone is an operand (standard input).
// `commandOptions` are the command's own options, kept by name in
// parsed.commandOptions.
inline std::optional<std::string> ParseConversionArguments(const std::vector<std::string>& args,
                                                           std::span<const CommandOption> commandOptions,
                                                           ConversionArguments& parsed) {
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      parsed.operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg.rfind("-o", 0) == 0 && arg != "-o") {
      parsed.outputFile = arg.substr(2);
      continue;
    }
    if (arg == "-o") arg = "--output";
    std::string value;
    bool haveValue = false;
    if (const std::size_t eq = arg.find('='); eq != std::string::npos && arg.rfind("--", 0) == 0) {
      value = arg.substr(eq + 1);
      arg.resize(eq);
      haveValue = true;
    }
    const CommandOption* own = nullptr;
    for (const CommandOption& option : commandOptions) {
      if (arg == option.name) own = &option;
    }
    const bool takesValue = own ? own->takesValue : (arg == "--substitute" || arg == "--encoding" || arg == "--output" ||
                                                   arg == "--report");
    if (takesValue && !haveValue) {
      if (i + 1 >= args.size()) return "option " + arg + " needs a value";
      value = args[++i];
      haveValue = true;
    }
    if (!takesValue && haveValue) return "option " + arg + " takes no value";

    if (own) {
      parsed.commandOptions.emplace_back(arg, value);
    } else if (auto error = ApplyConversionOption(arg, value, parsed)) {
      return error;
    }
  }
  return std::nullopt;
}

}  // namespace vindra::cli
