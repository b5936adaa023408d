// "-" as a file name: the loaders read files by name, so standard input is
// given to them as one. POSIX names it /dev/stdin (a pipe is read through the
// one handle the loaders open); Windows has no such name, so standard input
// is first copied into a temporary file, removed again at the end.
#pragma once

#include <string>

namespace vindra::cli {

inline constexpr const char* kStandardInputName = "standard input";

class StandardInputFile {
 public:
  StandardInputFile() = default;
  ~StandardInputFile();
  StandardInputFile(const StandardInputFile&) = delete;
  StandardInputFile& operator=(const StandardInputFile&) = delete;

  // The name to load for `operand`: the operand itself unless it is "-".
  // False when standard input could not be made readable; ErrorText() (ANSI)
  // tells why.
  bool Prepare(const std::string& operand);
  const std::string& Name() const { return name_; }
  const std::string& ErrorText() const { return errorText_; }

 private:
  std::string name_;
  std::string copy_;  // the temporary copy (Windows)
  std::string errorText_;
};

}  // namespace vindra::cli
