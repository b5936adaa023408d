#include "cli/standard_input.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vindra::cli {

StandardInputFile::~StandardInputFile() {
#ifdef _WIN32
  if (!copy_.empty()) DeleteFileA(copy_.c_str());
#endif
}

bool StandardInputFile::Prepare(const std::string& operand) {
  if (operand != "-") {
    name_ = operand;
    return true;
  }
#ifdef _WIN32
  char folder[MAX_PATH];
  char file[MAX_PATH];
  const DWORD length = GetTempPathA(sizeof folder, folder);
  if (length == 0 || length >= sizeof folder || GetTempFileNameA(folder, "vnd", 0, file) == 0) {
    errorText_ = "no temporary file for standard input";
    return false;
  }
  copy_ = file;
  std::FILE* out = std::fopen(file, "wb");
  if (out == nullptr) {
    errorText_ = std::strerror(errno);
    return false;
  }
  char buffer[65536];
  bool failed = false;
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
    if (std::fwrite(buffer, 1, got, out) != got) {
      failed = true;
      break;
    }
  }
  if (std::ferror(stdin)) failed = true;
  if (failed) errorText_ = std::strerror(errno);
  if (std::fclose(out) != 0 && !failed) {
    failed = true;
    errorText_ = std::strerror(errno);
  }
  if (failed) return false;
  name_ = copy_;
#else
  name_ = "/dev/stdin";
#endif
  return true;
}

}  // namespace vindra::cli
