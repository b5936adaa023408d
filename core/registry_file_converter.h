// The registry-file converter: the text of a registry export file into the
// INF registry sections, one pass over its lines with a small state machine.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/inf_format.h"
#include "core/options.h"
#include "core/output_list.h"
#include "core/registry_file_loader.h"
#include "core/section_buffer.h"
#include "core/skip_report.h"

namespace vindra {

// Reads the file (the text LoadRegistryFileText gives, in pieces) and converts
// it into `output`, which is emptied and filled; the encoding that the
// detector finds decides how hex(2): and hex(7): bytes are read. A file that
// cannot be read throws FileOpenError before `output` is touched. `skipped`,
// when given, is told every line, key and value that the output leaves out.
void ConvertRegistryFile(OutputList& output, const std::string& fileName, const ConversionOptions& options,
                         SkipObserver* skipped = nullptr);

// Converts lines already in memory (ANSI text, no line terminators) into
// `output`. `encoding` is that of the file the lines come from (see
// RegistryFileEncoding): it decides how hex(2): and hex(7): bytes are text.
void ConvertRegistryLines(const std::vector<std::string>& lines, OutputList& output,
                          const ConversionOptions& options, RegistryFileEncoding encoding,
                          SkipObserver* skipped = nullptr);

// The data field of a hex(2): (type 2) or hex(7): (type 7) value from its byte
// text. In a UTF-16LE file the bytes are UTF-16LE code units, two bytes each,
// converted to the ANSI code page; in an 8-bit file each byte is one ANSI byte
// of the text, as regedit reads them there. Type 2 gives the text (ending at
// its first zero) with double quotes doubled; type 7 gives the quoted strings
// (each ended by a zero) joined by ",". Other types give "".
std::string DecodeHexText(std::string_view byteText, int type,
                          RegistryFileEncoding encoding = RegistryFileEncoding::Utf16LE);

// The converter's state for one conversion. Feed every line in order with
// ConvertLine, then Finish writes the sections into the output list.
class RegistryFileConverter {
 public:
  // `encoding`: that of the file whose lines are fed (see RegistryFileEncoding).
  // `skipped` (may be null) is told what the output leaves out; the lines
  // are numbered from 1 in the order they are fed.
  RegistryFileConverter(const ConversionOptions& options, RegistryFileEncoding encoding,
                        SkipObserver* skipped = nullptr);

  void ConvertLine(std::string_view rawLine);
  // Empties `output`, then adds each non-empty section under its header,
  // followed by an empty line. Called once, after the last line.
  void Finish(OutputList& output);

 private:
  static constexpr int kNoSection = -1;

  void StartKey(std::string_view trimmedLine);
  void ConvertValueLine(std::string_view rawLine, std::size_t equalsPos);
  void ConvertContinuationLine(std::string_view rawLine);
  // `text`: what stands between the string's quotes, escapes unresolved.
  void ConvertString(std::string_view text);
  void ConvertDword(std::string_view data);
  void ConvertHex(std::string_view data);
  void ConvertTypedHex(std::string_view data);
  // Binary bytes given on the value line (spaces removed): written now, or,
  // with a backslash among them, gathered until the continuation lines end.
  void StartBinaryValue(std::string_view bytes);
  void FinishTextValue();
  void FinishBinaryValue();
  // Writes field_ as a REG_BINARY entry, after the ReplacementComment when
  // the value had another type.
  void WriteBinaryEntry();

  const std::string& OutputKeyPath();
  // Appends SubstitutePaths of `text` to `out`.
  void AppendSubstituted(std::string_view text, std::string& out);
  // Adds one entry to the current section; `dropLastChar` removes the comma
  // that would precede an empty data field.
  void AddEntry(std::uint32_t type, std::string_view name, std::string_view dataField, bool dropLastChar);
  void AddLine(std::string_view line);

  // Telling the observer (only called when there is one).
  void NoteKeyLine(std::string_view trimmedLine, bool deletion);
  void NoteDeletionKeyEnd();
  void NoteLineOutsideSections(std::string_view rawLine, std::string_view trimmedLine);
  void NoteStrayContinuation(std::string_view rawLine);
  void NoteUnusableData(std::string_view data);
  void NoteTypedHexRefused(std::string_view data, std::size_t closePos);
  // The value of the last value line, at its first line.
  void NoteValueSkipped(SkipReason reason);

  ConversionOptions options_;
  RegistryFileEncoding encoding_;
  MachinePaths machinePaths_;
  std::array<SectionBuffer, kInfSectionCount> sections_;

  int currentSection_ = kNoSection;
  std::string currentKeyPath_;
  std::string outputKeyPath_;
  bool outputKeyPathStale_ = true;
  // True while CurrentKeyPath differs from the key path of the last value line.
  bool keyEntryDue_ = true;
  std::string previousKeyPath_;
  std::string previousValueName_;
  std::int32_t valueType_ = 0;
  bool replaceToBinary_ = true;
  std::string hexText_;
  // A hex value whose last line ended with a backslash waits for continuation
  // lines. Without one waiting, a line without a name part is skipped.
  bool continuationPending_ = false;

  SkipObserver* observer_;
  std::size_t lineNumber_ = 0;
  std::size_t valueLine_ = 0;  // the line of the last value line
  // Kept only for the observer: the key line's key without its brackets
  // (and "-"), the key of the last value line, the reason that the values
  // of a key outside the sections are skipped, the line of a deletion key
  // that has had no value line yet (0: none), and whether a string value
  // without its closing quote may go on over the next lines.
  bool seenKeyLine_ = false;
  std::string keyText_;
  std::string valueKey_;
  SkipReason outsideReason_ = SkipReason::OutsideSections;
  std::size_t pendingDeletionLine_ = 0;
  bool stringOpen_ = false;

  // Scratch buffers reused from line to line.
  std::string scratch_;
  std::string scratch2_;
  std::string nameScratch_;
  std::string field_;
  std::u16string units_;
  std::string bytes_;
};

}  // namespace vindra
