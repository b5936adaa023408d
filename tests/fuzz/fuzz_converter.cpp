// The registry-file converter on arbitrary lines with every option
// combination (the first byte): the output is only section headers, empty
// lines, entries and comments, sections come in their fixed order, the key
// path and name fields of an entry read back as INF fields (quotes doubled),
// byte lists have no empty token, and wrapped hex lists continue with
// indented lines; a skip observer leaves the output as it is and is told
// lines of the input only.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/inf_format.h"
#include "core/registry_file_converter.h"
#include "core/registry_file_loader.h"
#include "tests/fuzz/fuzz_support.h"

using vindra::fuzz::Check;

namespace {

// The position after the quoted field that starts at `pos` ("" for one quote
// inside it), or npos when the field is not closed on the entry's first line.
std::size_t PastQuotedField(std::string_view line, std::size_t pos) {
  if (pos >= line.size() || line[pos] != '"') return std::string_view::npos;
  for (std::size_t i = pos + 1; i < line.size(); ++i) {
    if (line[i] != '"') continue;
    if (i + 1 < line.size() && line[i + 1] == '"') {
      ++i;
      continue;
    }
    return i + 1;
  }
  return std::string_view::npos;
}

// An entry: 0xN, then the key path and (for a value) the name field, each
// ending where a field ends; a binary entry's byte list has no empty token.
void CheckEntryFields(std::string_view item) {
  const std::string_view line = item.substr(0, item.find("\r\n"));
  const std::size_t flagEnd = line.find(',');
  Check(flagEnd != std::string_view::npos, "an entry has a flag and a key path", item);
  std::size_t pos = PastQuotedField(line, flagEnd + 1);
  Check(pos != std::string_view::npos && (pos == line.size() || line[pos] == ','),
        "the key path is one quoted field", item);
  const bool keyEntry = line.substr(0, flagEnd) == "0x0";
  if (keyEntry || pos == line.size()) return;
  ++pos;
  if (pos < line.size() && line[pos] == '"') {
    pos = PastQuotedField(line, pos);
    Check(pos != std::string_view::npos && (pos == line.size() || line[pos] == ','),
          "the value name is one quoted field", item);
  }
  if (line.substr(0, flagEnd) != "0x3") return;
  const std::size_t listStart = item.find("\\\r\n  ");
  if (listStart == std::string_view::npos) return;
  std::string list;
  for (std::size_t i = listStart; i < item.size(); ++i) {
    if (item.compare(i, 5, "\\\r\n  ") == 0) {
      i += 4;
      continue;
    }
    list.push_back(item[i]);
  }
  Check(list.empty() || (list.front() != ',' && list.back() != ',' && list.find(",,") == std::string::npos),
        "a byte list has no empty token", item);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vindra::fuzz::SetMachinePaths();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  vindra::ConversionOptions options;
  const unsigned bits = data[0];
  options.AddSectionHeader = bits & 1;
  options.ForceControlSet001 = bits & 2;
  options.PathSubstitution = (bits >> 2) % 3 == 0   ? vindra::PathSubstitutionMode::FixedDrive
                             : (bits >> 2) % 3 == 1 ? vindra::PathSubstitutionMode::EnvironmentVariables
                                                    : vindra::PathSubstitutionMode::None;
  options.ReplaceSystemRoot = bits & 0x10;
  options.ReplaceProgramFiles = bits & 0x20;
  options.ReplaceSystemDrive = bits & 0x40;

  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::vector<std::string> lines = vindra::SplitLines(text);
  vindra::LineList output;
  output.lines.push_back("stale line");
  // Bit 7 picks the file's encoding, which decides how hex(2)/hex(7) bytes are text.
  vindra::ConvertRegistryLines(lines, output, options,
                               (bits & 0x80) ? vindra::RegistryFileEncoding::Ansi : vindra::RegistryFileEncoding::Utf16LE);

  int lastSection = -1;
  for (const std::string& item : output.lines) {
    if (item.empty()) continue;
    if (item[0] == '[') {
      int section = -1;
      for (int s = 0; s < vindra::kInfSectionCount; ++s) {
        if (item == vindra::InfSectionHeader(static_cast<vindra::InfSection>(s))) section = s;
      }
      Check(section > lastSection, "sections are known and come in their order", item);
      lastSection = section;
      continue;
    }
    // A comment line is copied as it stands; blanks are all bytes up to 0x20.
    std::size_t first = 0;
    while (first < item.size() && static_cast<unsigned char>(item[first]) <= 0x20) ++first;
    const bool comment = first < item.size() && item[first] == ';';
    const bool entry = item.compare(0, 2, "0x") == 0;
    Check(comment || entry, "an item is a header, an empty line, an entry or a comment", item);
    Check(lastSection >= 0, "entries and comments come under a section", item);
    if (entry) {
      vindra::fuzz::CheckHexWraps(item, false);
      CheckEntryFields(item);
    }
  }
  Check(output.lines.empty() || output.lines.back().empty(), "the output ends with an empty line");

  // A skip observer changes nothing in the output, and every item it is told
  // names a line of the input.
  vindra::LineList observed;
  vindra::SkipList skipped;
  vindra::ConvertRegistryLines(lines, observed, options,
                               (bits & 0x80) ? vindra::RegistryFileEncoding::Ansi : vindra::RegistryFileEncoding::Utf16LE,
                               &skipped);
  Check(observed.lines == output.lines, "the output is the same with a skip observer");
  for (const vindra::SkippedItem& item : skipped.Items()) {
    Check(item.line >= 1 && item.line <= lines.size(), "a skipped item names a line of the input", item.key);
  }
  return 0;
}
