// Fills a MemoryRegistry from a .reg export file the way the system's registry
// editor imports one: the header line, key lines that create their ancestors,
// [-key] deletions, "name"="text" (with \\ and \" escapes), @ for the default
// value, dword:, hex: and hex(N): data with backslash continuations, and
// "name"=- deletions, blanks or a ";" comment after string data. Data is stored as the ANSI registry functions return it:
// text in the ANSI code page with its terminating zero.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/registry_file_loader.h"
#include "registry/memory_registry.h"

namespace vindra::registry {

struct RegImportProblem {
  std::size_t line = 0;  // 1-based number of the (first) physical line
  std::string message;
};

struct RegImportResult {
  bool recognised = false;  // the header line was found; nothing is imported otherwise
  std::size_t keyLines = 0;
  std::size_t valueLines = 0;
  // Lines that could not be imported, in file order; the other lines are imported.
  std::vector<RegImportProblem> problems;
};

// Imports the lines of a loaded .reg file (no line terminators), as
// LoadRegistryFileLines gives them with RegistryTextForm::Exact: `encoding` is
// the file's. The lines of an 8-bit file are its bytes, ANSI text, and the
// bytes of its hex(1):, hex(2): and hex(7): data are ANSI text too. The lines
// of a UTF-16LE file are its text in UTF-8, so that a name whose characters
// the ANSI code page lacks is kept apart from the "?" that it lists as (see
// MemoryRegistry), and the bytes of those data types are UTF-16.
RegImportResult ImportRegLines(const std::vector<std::string>& lines, MemoryRegistry& registry,
                               RegistryFileEncoding encoding);

// Loads the file (UTF-16LE with byte-order mark or 8-bit text) and imports it.
// Throws the loader's file-open error when the file cannot be read.
RegImportResult ImportRegFile(const std::string& fileName, MemoryRegistry& registry);

}  // namespace vindra::registry
