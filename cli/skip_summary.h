// What a vindra-cli command tells about the lines, keys and values that its
// output leaves out: a summary on standard error (one line per reason, with
// the count and the first line numbers or keys), every item in a report file
// for scripts (--report), nothing (--quiet), or exit status 4 (--strict).
#pragma once

#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "cli/conversion_arguments.h"
#include "core/skip_report.h"

namespace vindra::cli {

// A command found skipped items and --strict was given.
inline constexpr int kExitSkipped = 4;

// The summary lines in ANSI text, without the command's prefix, in the
// order of the reasons: "skipped 214 values below HKEY_LOCAL_MACHINE\HARDWARE
// (lines 120-388, 400, ...)". Empty when nothing was skipped.
std::vector<std::string> SkipSummaryLines(const std::vector<SkippedItem>& items);

// One line of the report file (without its line break): line number (empty
// for an export), reason, key and value name, separated by tabs; a tab, CR or
// LF inside a name is written as \t, \r, \n.
std::string SkipReportLine(const SkippedItem& item);

// Whether the command wants the skipped items at all (else it attaches no
// observer and the conversion costs nothing more).
bool WantsSkipReport(const ConversionArguments& parsed);

// After the output: writes the --report file, prints the summary unless
// --quiet. False (after a message) when the report file cannot be written.
bool TellSkipped(const CliCommand& command, const CommandContext& context, const ConversionArguments& parsed,
                 const SkipList& skipped);

}  // namespace vindra::cli
