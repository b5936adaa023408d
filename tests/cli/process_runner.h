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

struct RunOptions {
  bool giveInput = false;  // standard input: `input` (else the caller's)
  std::string input;
  // POSIX only: a limit on the size of files the program writes (its writes
  // beyond it fail with EFBIG, as on a full disk; 0: none), and a user id to
  // run as (-1: the caller's), for permission checks when the tests run as root.
  long fileSizeLimit = 0;
  int userId = -1;
};

// `program` is a path of the build machine; in the Windows build under Wine a
// path starting with "/" is taken on drive Z:.
RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& scratchDir, const RunOptions& options = {});

}  // namespace vindra::test
