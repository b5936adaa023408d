// Helpers shared by the registry tests: environment set-up for path
// substitution and a one-call export into a vector of lines.
#pragma once

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "core/options.h"
#include "core/output_list.h"
#include "registry/key_exporter.h"
#include "registry/memory_registry.h"
#include "registry/regexpander_exporter.h"

namespace vindra::registry::testing {

inline void SetEnv(const char* name, const char* value) {
#ifdef _WIN32
  SetEnvironmentVariableA(name, value);
#else
  setenv(name, value, 1);
#endif
}

// The machine folders the examples assume.
inline void UseExampleMachinePaths() {
  SetEnv("SystemRoot", "C:\\WINDOWS");
  SetEnv("ProgramFiles", "C:\\Program Files");
  SetEnv("ProgramFiles(x86)", "C:\\Program Files (x86)");
  SetEnv("ProgramW6432", "C:\\Program Files");
  SetEnv("SystemDrive", "C:");
}

inline std::vector<std::string> Export(RegistrySource& source, RootKey root, std::string_view path,
                                       const ConversionOptions& options = {}) {
  LineList out;
  RegistryKeyExporter(out, source, root, path, options);
  return out.lines;
}

inline std::vector<std::string> ExportRegExpander(RegistrySource& source, RootKey root, std::string_view path,
                                                  const ConversionOptions& options = {}) {
  LineList out;
  RegExpanderExporter(out, source, root, path, options);
  return out.lines;
}

inline std::string Bytes(std::initializer_list<unsigned> bytes) {
  std::string s;
  for (unsigned b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

// `count` bytes 0x01, 0x02, ... (wrapping after 0xff).
inline std::string Sequence(std::size_t count) {
  std::string s;
  for (std::size_t i = 0; i < count; ++i) s.push_back(static_cast<char>((i + 1) & 0xFF));
  return s;
}

}  // namespace vindra::registry::testing
