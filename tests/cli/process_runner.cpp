#include "process_runner.h"

#include "../core/test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace vindra::test {
namespace {

#ifdef _WIN32
std::string WindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

// Quotes an argument the way the C runtime splits a command line.
std::string Quote(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

HANDLE CreateInheritable(const std::string& file) {
  SECURITY_ATTRIBUTES security{sizeof security, nullptr, TRUE};
  return CreateFileA(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &security, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

HANDLE OpenInheritable(const std::string& file) {
  SECURITY_ATTRIBUTES security{sizeof security, nullptr, TRUE};
  return CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, &security, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}
#endif

}  // namespace

RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& scratchDir, const RunOptions& options) {
  RunResult result;
  const std::string outFile = scratchDir + "/stdout.bin";
  const std::string errFile = scratchDir + "/stderr.bin";
  const std::string inFile = scratchDir + "/stdin.bin";
  if (options.giveInput) {
    std::FILE* in = std::fopen(inFile.c_str(), "wb");
    if (in != nullptr) {
      std::fwrite(options.input.data(), 1, options.input.size(), in);
      std::fclose(in);
    }
  }
#ifdef _WIN32
  const std::string exe = WindowsPath(program);
  std::string commandLine = Quote(exe);
  for (const std::string& arg : args) {
    commandLine += ' ';
    commandLine += Quote(arg);
  }
  HANDLE out = CreateInheritable(outFile);
  HANDLE err = CreateInheritable(errFile);
  HANDLE in = options.giveInput ? OpenInheritable(inFile) : GetStdHandle(STD_INPUT_HANDLE);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  if (CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    result.status = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(out);
  CloseHandle(err);
  if (options.giveInput) CloseHandle(in);
#else
  // Standard input through a pipe, as a shell pipeline gives it: no size, no
  // seeking. The input is small, so it fits the pipe's buffer.
  int inputPipe[2] = {-1, -1};
  if (options.giveInput && pipe(inputPipe) == 0) {
    (void)!write(inputPipe[1], options.input.data(), options.input.size());
    close(inputPipe[1]);
  }
  const pid_t pid = fork();
  if (pid == 0) {
    if (inputPipe[0] >= 0) dup2(inputPipe[0], 0);
    if (options.fileSizeLimit > 0) {
      signal(SIGXFSZ, SIG_IGN);  // the failing write returns EFBIG instead
      const rlimit limit{static_cast<rlim_t>(options.fileSizeLimit), static_cast<rlim_t>(options.fileSizeLimit)};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out, 1);
    dup2(err, 2);
    if (options.userId >= 0 && (setgid(static_cast<gid_t>(options.userId)) != 0 ||
                                setuid(static_cast<uid_t>(options.userId)) != 0)) {
      _exit(126);
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  if (inputPipe[0] >= 0) close(inputPipe[0]);
  int status = 0;
  if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.status = WEXITSTATUS(status);
#endif
  result.out = ReadBytes(outFile);
  result.err = ReadBytes(errFile);
  return result;
}

}  // namespace vindra::test
