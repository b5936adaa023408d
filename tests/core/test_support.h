// Helpers shared by the core and vindra-cli tests: temporary files, UTF-16LE
// encoding and setting environment variables on every platform.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdlib>
#include <unistd.h>
#endif

namespace vindra::test {

inline void SetEnv(const char* name, const char* value) {
#ifdef _WIN32
  SetEnvironmentVariableA(name, value);
  _putenv_s(name, value);
#else
  setenv(name, value, 1);
#endif
}

inline void UnsetEnv(const char* name) {
#ifdef _WIN32
  SetEnvironmentVariableA(name, nullptr);
  _putenv_s(name, "");
#else
  unsetenv(name);
#endif
}

// The machine the tests pretend to run on.
inline void SetMachinePaths() {
  SetEnv("SystemRoot", "C:\\WINDOWS");
  // A 64-bit machine as a 64-bit program sees it, set whole so that the
  // 32-bit build under WOW64 (whose own ProgramFiles is the (x86) folder)
  // and Linux see the same machine.
  SetEnv("ProgramFiles", "C:\\Program Files");
  SetEnv("ProgramFiles(x86)", "C:\\Program Files (x86)");
  SetEnv("ProgramW6432", "C:\\Program Files");
  SetEnv("SystemDrive", "C:");
  SetEnv("VINDRA_TEST_TEMP", "D:\\TEMP");
}

// UTF-16LE bytes of ASCII or of explicit code units.
inline std::string Utf16Le(std::u16string_view units, bool withBom = true) {
  std::string bytes = withBom ? std::string("\xFF\xFE", 2) : std::string();
  for (char16_t u : units) {
    bytes.push_back(static_cast<char>(u & 0xFF));
    bytes.push_back(static_cast<char>(u >> 8));
  }
  return bytes;
}

// The whole content of a file; empty when it cannot be read.
inline std::string ReadBytes(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// A folder of its own under the system's temporary folder, removed at the end.
class TempDir {
 public:
  TempDir() {
    static int counter = 0;
#ifdef _WIN32
    const unsigned long pid = GetCurrentProcessId();
#else
    const unsigned long pid = static_cast<unsigned long>(getpid());
#endif
    path_ = std::filesystem::temp_directory_path() /
            ("vindra-core-test-" + std::to_string(pid) + "-" + std::to_string(++counter));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string Write(const std::string& name, std::string_view bytes) const {
    const std::filesystem::path file = path_ / name;
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file.string();
  }
  std::string PathOf(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Printable form of bytes for failure messages.
inline std::string Visible(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n\n";
    } else if (c < 0x20 || c >= 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "<%02X>", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace vindra::test
