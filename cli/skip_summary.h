// What a vindra-cli command tells about the lines, keys and values that its
// output leaves out: a summary on standard error (one line per reason, with
// the count and the first line numbers or keys), every item in a report file
// for scripts (--report), nothing (--quiet), or exit status 4 (--strict).
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/cli_command.h"
#include "cli/conversion_arguments.h"
#include "core/skip_report.h"
#include "platform/replacing_file.h"

namespace vindra::cli {

// A command found skipped items and --strict was given.
inline constexpr int kExitSkipped = 4;

// Per reason the count and the first places of the items told: bounded,
// however many items come.
class SkipTally {
 public:
  void Add(SkipReason reason, std::size_t line, std::string_view key, std::string_view valueName);
  bool empty() const { return total_ == 0; }
  // The summary lines in ANSI text, see SkipSummaryLines.
  std::vector<std::string> Lines() const;

 private:
  struct Group {
    std::size_t count = 0;
    std::vector<std::string> keyPlaces;                      // exporters: KEY, KEY "NAME" or KEY @
    std::vector<std::pair<std::size_t, std::size_t>> spans;  // converter: first and last line
    std::string lastKey;                                     // of the last item, to join spans
  };
  std::vector<Group> groups_ = std::vector<Group>(kSkipReasonCount);
  std::size_t total_ = 0;
};

// What a command leaves out, as it is told: the tally for the summary and,
// with --report, every item written at once to the report file.
class SkipSummary final : public SkipObserver {
 public:
  SkipSummary(const CliCommand& command, const CommandContext& context, const ConversionArguments& parsed)
      : command_(command), context_(context), parsed_(parsed) {}

  // The observer to attach, or null when nothing is wanted (--quiet alone):
  // the conversion then costs nothing more.
  SkipObserver* Observer();

  // Creates the --report file (nothing without --report). False after a
  // message when it cannot be created.
  bool OpenReport();

  void Skipped(SkipReason reason, std::size_t line, std::string_view key, std::string_view valueName) override;

  bool empty() const { return tally_.empty(); }

  // After the output: puts the report file in place and prints the summary
  // unless --quiet. False (after a message) when the report file could not
  // be written.
  bool Tell();

 private:
  const CliCommand& command_;
  const CommandContext& context_;
  const ConversionArguments& parsed_;
  SkipTally tally_;
  platform::ReplacingFile report_;
  bool reportOpen_ = false;
  bool reportFailed_ = false;
};

// The summary lines in ANSI text, without the command's prefix, in the
// order of the reasons: "skipped 214 values below HKEY_LOCAL_MACHINE\HARDWARE
// (lines 120-388, 400, ...)". Empty when nothing was skipped.
std::vector<std::string> SkipSummaryLines(const std::vector<SkippedItem>& items);

// One line of the report file (without its line break): line number (empty
// for an export), reason, key and value name, separated by tabs; a tab, CR or
// LF inside a name is written as \t, \r, \n.
std::string SkipReportLine(const SkippedItem& item);

}  // namespace vindra::cli
