#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/file_io.h"

namespace vindra {
namespace {

std::string SystemText(int error) { return TrimSystemText(std::strerror(error)); }

}  // namespace

std::string FullPathName(const std::string& fileName) {
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(std::filesystem::path(fileName), error);
  if (error) return fileName;
  return full.lexically_normal().string();
}

bool InputFile::Open(const std::string& fileName) {
  Close();
  fileName_ = fileName;
  errorText_.clear();
  int fd;
  do {
    fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    errorText_ = SystemText(errno);
    return false;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    errorText_ = SystemText(S_ISDIR(info.st_mode) ? EISDIR : errno);
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

void InputFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::uint64_t InputFile::Size() {
  struct stat info {};
  if (::fstat(fd_, &info) != 0) {
    errorText_ = SystemText(errno);
    ThrowLastError();
  }
  return static_cast<std::uint64_t>(info.st_size);
}

std::size_t InputFile::ReadSome(char* out, std::size_t count) {
  for (;;) {
    const ssize_t n = ::read(fd_, out, count);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno == EINTR) continue;
    errorText_ = SystemText(errno);
    ThrowLastError();
  }
}

}  // namespace vindra
