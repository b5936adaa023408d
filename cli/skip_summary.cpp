#include "cli/skip_summary.h"

#include <array>
#include <cstdio>

#include "platform/replacing_file.h"
#include "platform/text.h"

namespace vindra::cli {
namespace {

// How many line spans or keys a summary line shows before "...".
constexpr std::size_t kPlacesShown = 5;

// The values of a key that no section takes are all skipped, so the lines
// from the first to the last of them hold nothing that was converted: they
// are shown as one span. Other items are spans only when their lines follow
// each other.
bool WholeKeySkipped(SkipReason reason) {
  return reason == SkipReason::BelowHkeyUsers || reason == SkipReason::BelowHkeyCurrentConfig ||
         reason == SkipReason::BelowHardware || reason == SkipReason::OutsideSections;
}

struct LineSpan {
  std::size_t first;
  std::size_t last;
};

// "lines 120-388, 400, ..." or "line 7"; the items of one reason in order.
std::string LinePlaces(const std::vector<const SkippedItem*>& items) {
  std::vector<LineSpan> spans;
  const SkippedItem* previous = nullptr;
  for (const SkippedItem* item : items) {
    const bool joins = previous && !spans.empty() &&
                       (item->line == spans.back().last + 1 ||
                        (WholeKeySkipped(item->reason) && item->key == previous->key && item->line > spans.back().last));
    if (joins) {
      spans.back().last = item->line;
    } else {
      spans.push_back({item->line, item->line});
    }
    previous = item;
  }
  std::string text = (spans.size() == 1 && spans[0].first == spans[0].last) ? "line " : "lines ";
  for (std::size_t i = 0; i < spans.size() && i < kPlacesShown; ++i) {
    if (i > 0) text.append(", ");
    text.append(std::to_string(spans[i].first));
    if (spans[i].last != spans[i].first) text.append("-").append(std::to_string(spans[i].last));
  }
  if (spans.size() > kPlacesShown) text.append(", ...");
  return text;
}

// The keys (and value names) of export items: `KEY` or `KEY "NAME"`, the
// default value as `KEY @`.
std::string KeyPlaces(const std::vector<const SkippedItem*>& items) {
  std::string text;
  for (std::size_t i = 0; i < items.size() && i < kPlacesShown; ++i) {
    if (i > 0) text.append(", ");
    text.append(items[i]->key);
    const bool valueItem = items[i]->reason == SkipReason::ValueKeyCannotBeReopened ||
                           items[i]->reason == SkipReason::ValueCannotBeQueried ||
                           items[i]->reason == SkipReason::ValueDataCannotBeRead;
    if (!valueItem) continue;
    if (items[i]->valueName.empty()) {
      text.append(" @");
    } else {
      text.append(" \"").append(items[i]->valueName).append("\"");
    }
  }
  if (items.size() > kPlacesShown) text.append(", ...");
  return text;
}

void AppendEscaped(std::string_view text, std::string& out) {
  for (char c : text) {
    if (c == '\t') {
      out.append("\\t");
    } else if (c == '\r') {
      out.append("\\r");
    } else if (c == '\n') {
      out.append("\\n");
    } else {
      out.push_back(c);
    }
  }
}

bool WriteReportFile(const CliCommand& command, const CommandContext& context, const ConversionArguments& parsed,
                     const SkipList& skipped) {
  platform::ReplacingFile file;
  const std::string shownName = ArgumentForTerminal(context, parsed.reportFile);
  if (!file.Open(parsed.reportFile)) {
    PrintFailure(command, context, "cannot write " + shownName + ": " + ForTerminal(context, file.ErrorText()));
    return false;
  }
  bool written = true;
  for (const SkippedItem& item : skipped.Items()) {
    std::string line = SkipReportLine(item);
    if (parsed.encoding == OutputEncoding::Utf8) line = platform::AnsiToUtf8(line);
    line.push_back('\n');
    written = written && std::fwrite(line.data(), 1, line.size(), file.Stream()) == line.size();
  }
  if (!written || !file.Commit()) {
    const std::string reason = written ? file.ErrorText() : std::string("a write failed");
    file.Discard();
    PrintFailure(command, context, shownName + " could not be written: " + ForTerminal(context, reason));
    return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> SkipSummaryLines(const std::vector<SkippedItem>& items) {
  std::array<std::vector<const SkippedItem*>, kSkipReasonCount> byReason;
  for (const SkippedItem& item : items) byReason[static_cast<int>(item.reason)].push_back(&item);
  std::vector<std::string> lines;
  for (int i = 0; i < kSkipReasonCount; ++i) {
    const std::vector<const SkippedItem*>& group = byReason[i];
    if (group.empty()) continue;
    const auto reason = static_cast<SkipReason>(i);
    std::string line = "skipped " + std::to_string(group.size()) + " ";
    line.append(group.size() == 1 ? SkipReasonText(reason) : SkipReasonPluralText(reason));
    line.append(" (").append(group.front()->line > 0 ? LinePlaces(group) : KeyPlaces(group)).append(")");
    lines.push_back(std::move(line));
  }
  return lines;
}

std::string SkipReportLine(const SkippedItem& item) {
  std::string line;
  if (item.line > 0) line.append(std::to_string(item.line));
  line.push_back('\t');
  line.append(SkipReasonText(item.reason));
  line.push_back('\t');
  AppendEscaped(item.key, line);
  line.push_back('\t');
  AppendEscaped(item.valueName, line);
  return line;
}

bool WantsSkipReport(const ConversionArguments& parsed) {
  return !parsed.quiet || parsed.strict || !parsed.reportFile.empty();
}

bool TellSkipped(const CliCommand& command, const CommandContext& context, const ConversionArguments& parsed,
                 const SkipList& skipped) {
  const bool reported = parsed.reportFile.empty() || WriteReportFile(command, context, parsed, skipped);
  if (!parsed.quiet) {
    for (const std::string& line : SkipSummaryLines(skipped.Items())) {
      PrintFailure(command, context, ForTerminal(context, line));
    }
  }
  return reported;
}

}  // namespace vindra::cli
