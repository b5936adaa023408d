// Writing registry files in the format of the system's registry editor
// ("Windows Registry Editor Version 5.00"): UTF-16LE with a byte-order mark,
// CR LF line ends, a blank line before every key line, names and strings with
// \\ and \" escapes, dword:, hex: and hex(N): data wrapped as the editor
// wraps it. What a value holds is given as the ANSI registry functions return
// it (names and text data in the ANSI code page).
//
// One deliberate difference from the editor: a REG_SZ whose quoted form would
// not read back as it was (a line break, a zero inside, no terminating zero)
// is written as hex(1):, so that every file this writes imports exactly.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace vindra::registry {

// Appends the UTF-16 text of one value line (with its continuation lines,
// joined by a backslash, CR LF and two spaces), without the final CR LF.
// An empty name is the default value ("@").
void AppendRegValueLine(std::u16string& out, std::string_view name, std::uint32_t type, std::string_view data);

// Appends "name"=- (the line that deletes a value).
void AppendRegValueDeletionLine(std::u16string& out, std::string_view name);

// The same value line as ANSI text lines (one per physical line), as a
// registry-file loader gives them back.
std::string RegValueLineAnsi(std::string_view name, std::uint32_t type, std::string_view data);

// A registry file written to a stream as it is produced.
class RegFileWriter {
 public:
  // Writes the byte-order mark and the header line.
  explicit RegFileWriter(std::FILE* stream);
  ~RegFileWriter();
  RegFileWriter(const RegFileWriter&) = delete;
  RegFileWriter& operator=(const RegFileWriter&) = delete;

  // A key line for the full key name (ANSI, "HKEY_CURRENT_USER\Software\X"),
  // after a blank line; `deletion` writes [-name].
  void Key(std::string_view fullName, bool deletion = false);
  void Value(std::string_view name, std::uint32_t type, std::string_view data);
  void DeletedValue(std::string_view name);

  // The closing blank line; writes out everything. False when a write failed.
  bool Finish();

 private:
  void Flush();

  std::FILE* stream_;
  std::u16string text_;  // not yet written
  std::string bytes_;    // scratch: text_ as little-endian bytes
  bool failed_ = false;
};

}  // namespace vindra::registry
