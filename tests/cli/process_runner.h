// Runs a program with arguments and collects its exit status and output.
#pragma once

#include <string>
#include <vector>

namespace vindra::test {

struct RunResult {
  int status = -1;  // the exit status; -1 when the program could not be started
  std::string out;  // standard output, bytes as written
  std::string err;  // standard error
};

// `program` is a path of the build machine; in the Windows build under Wine a
// path starting with "/" is taken on drive Z:.
RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& scratchDir);

}  // namespace vindra::test
