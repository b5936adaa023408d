// Reading files for the loaders, with the system's own text for failures.
// One implementation per platform: file_io_posix.cpp, file_io_win32.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace vindra {

// A file that cannot be opened or read. what() is the message in the ANSI code
// page: ファイル "<full path>". <system text> は開けません
class FileOpenError : public std::runtime_error {
 public:
  FileOpenError(const std::string& fileName, const std::string& systemText);
  static std::string ComposeMessage(const std::string& fullPath, const std::string& systemText);

  const std::string& FullPath() const { return fullPath_; }
  const std::string& SystemText() const { return systemText_; }

 private:
  FileOpenError(std::string fullPath, std::string systemText, int);
  std::string fullPath_;
  std::string systemText_;
};

// The file's full path: GetFullPathNameA on Windows, an absolute normalised
// path elsewhere. The name itself when that fails.
std::string FullPathName(const std::string& fileName);

// A file opened read-only, read from start to end.
class InputFile {
 public:
  InputFile() = default;
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // False when the file cannot be opened (a folder counts as such); the
  // reason is then in ErrorText().
  bool Open(const std::string& fileName);
  // Opens or throws FileOpenError.
  void OpenOrThrow(const std::string& fileName);

  // Size in bytes; throws FileOpenError when it cannot be taken.
  std::uint64_t Size();
  // Reads up to `count` bytes at the current position; fewer only at the end
  // of the file. Throws FileOpenError when the system reports a failure.
  std::size_t Read(void* buffer, std::size_t count);

  const std::string& ErrorText() const { return errorText_; }

 private:
  [[noreturn]] void ThrowLastError();
  void Close();
  // One system read of at most `count` bytes (at most 1 GiB); 0 at the end of
  // the file. Throws FileOpenError when the system reports a failure.
  std::size_t ReadSome(char* out, std::size_t count);

  std::string fileName_;
  std::string errorText_;
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

// Removes trailing blanks, line breaks and full stops from a system message.
std::string TrimSystemText(std::string text);

}  // namespace vindra
