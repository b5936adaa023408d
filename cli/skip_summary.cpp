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

bool IsValueItem(SkipReason reason) {
  return reason == SkipReason::ValueKeyCannotBeReopened || reason == SkipReason::ValueCannotBeQueried ||
         reason == SkipReason::ValueDataCannotBeRead || reason == SkipReason::ValueNameOutsideCodePage;
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

}  // namespace

void SkipTally::Add(SkipReason reason, std::size_t line, std::string_view key, std::string_view valueName) {
  ++total_;
  Group& group = groups_[static_cast<int>(reason)];
  ++group.count;
  // One place more than is shown tells that "..." follows; beyond it only
  // the count grows.
  if (line == 0) {
    if (group.keyPlaces.size() > kPlacesShown) return;
    std::string place(key);
    if (IsValueItem(reason)) {
      if (valueName.empty()) {
        place.append(" @");
      } else {
        place.append(" \"").append(valueName).append("\"");
      }
    }
    group.keyPlaces.push_back(std::move(place));
    return;
  }
  if (group.spans.size() > kPlacesShown) return;
  const bool joins = !group.spans.empty() &&
                     (line == group.spans.back().second + 1 ||
                      (WholeKeySkipped(reason) && key == group.lastKey && line > group.spans.back().second));
  if (joins) {
    group.spans.back().second = line;
  } else {
    group.spans.emplace_back(line, line);
  }
  group.lastKey.assign(key);
}

std::vector<std::string> SkipTally::Lines() const {
  std::vector<std::string> lines;
  for (int i = 0; i < kSkipReasonCount; ++i) {
    const Group& group = groups_[i];
    if (group.count == 0) continue;
    const auto reason = static_cast<SkipReason>(i);
    std::string line = "skipped " + std::to_string(group.count) + " ";
    line.append(group.count == 1 ? SkipReasonText(reason) : SkipReasonPluralText(reason));
    line.append(" (");
    if (!group.spans.empty()) {
      const bool one = group.spans.size() == 1 && group.spans[0].first == group.spans[0].second;
      line.append(one ? "line " : "lines ");
    }
    std::size_t shown = 0;
    for (const auto& [first, last] : group.spans) {
      if (shown == kPlacesShown) break;
      if (shown++ > 0) line.append(", ");
      line.append(std::to_string(first));
      if (last != first) line.append("-").append(std::to_string(last));
    }
    for (const std::string& place : group.keyPlaces) {
      if (shown == kPlacesShown) break;
      if (shown++ > 0) line.append(", ");
      line.append(place);
    }
    if (group.spans.size() + group.keyPlaces.size() > kPlacesShown) line.append(", ...");
    line.append(")");
    lines.push_back(std::move(line));
  }
  return lines;
}

std::vector<std::string> SkipSummaryLines(const std::vector<SkippedItem>& items) {
  SkipTally tally;
  for (const SkippedItem& item : items) tally.Add(item.reason, item.line, item.key, item.valueName);
  return tally.Lines();
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

SkipObserver* SkipSummary::Observer() {
  const bool wanted = !parsed_.quiet || parsed_.strict || !parsed_.reportFile.empty();
  return wanted ? this : nullptr;
}

bool SkipSummary::OpenReport() {
  if (parsed_.reportFile.empty()) return true;
  if (!report_.Open(parsed_.reportFile)) {
    PrintFailure(command_, context_,
                 "cannot write " + ArgumentForTerminal(context_, parsed_.reportFile) + ": " +
                     ForTerminal(context_, report_.ErrorText()));
    return false;
  }
  reportOpen_ = true;
  return true;
}

void SkipSummary::Skipped(SkipReason reason, std::size_t line, std::string_view key, std::string_view valueName) {
  tally_.Add(reason, line, key, valueName);
  if (!reportOpen_ || reportFailed_) return;
  std::string text = SkipReportLine(SkippedItem{reason, line, std::string(key), std::string(valueName)});
  if (parsed_.encoding == OutputEncoding::Utf8) text = platform::AnsiToUtf8(text);
  text.push_back('\n');
  reportFailed_ = std::fwrite(text.data(), 1, text.size(), report_.Stream()) != text.size();
}

bool SkipSummary::Tell() {
  bool reported = true;
  if (reportOpen_) {
    reportOpen_ = false;
    const std::string shownName = ArgumentForTerminal(context_, parsed_.reportFile);
    if (reportFailed_ || !report_.Commit()) {
      const std::string reason = reportFailed_ ? std::string("a write failed") : report_.ErrorText();
      report_.Discard();
      PrintFailure(command_, context_, shownName + " could not be written: " + ForTerminal(context_, reason));
      reported = false;
    }
  }
  if (!parsed_.quiet) {
    for (const std::string& line : tally_.Lines()) PrintFailure(command_, context_, ForTerminal(context_, line));
  }
  return reported;
}

}  // namespace vindra::cli
