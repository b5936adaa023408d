#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/replacing_file.h"

namespace vindra::platform {
namespace {

std::string SystemText(int error) { return std::strerror(error); }

// The new file of the one ReplacingFile a program has open, removed when an
// interrupt, hang-up or termination signal ends the program before Commit.
char gPendingPath[PATH_MAX + 1];
struct sigaction gPreviousActions[3];
constexpr int kCleanupSignals[3] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RemovePendingAndRaise(int signalNumber) {
  if (gPendingPath[0] != '\0') ::unlink(gPendingPath);
  ::signal(signalNumber, SIG_DFL);
  ::raise(signalNumber);
}

void SetPending(const std::string& path) {
  if (path.size() > PATH_MAX) return;
  std::memcpy(gPendingPath, path.c_str(), path.size() + 1);
  for (int i = 0; i < 3; ++i) {
    struct sigaction action {};
    action.sa_handler = &RemovePendingAndRaise;
    sigemptyset(&action.sa_mask);
    ::sigaction(kCleanupSignals[i], &action, &gPreviousActions[i]);
    // A signal the caller ignores stays ignored.
    if (gPreviousActions[i].sa_handler == SIG_IGN) ::sigaction(kCleanupSignals[i], &gPreviousActions[i], nullptr);
  }
}

void ClearPending() {
  if (gPendingPath[0] == '\0') return;
  for (int i = 0; i < 3; ++i) ::sigaction(kCleanupSignals[i], &gPreviousActions[i], nullptr);
  gPendingPath[0] = '\0';
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

bool ReplacingFile::Open(const std::string& target) {
  Discard();
  errorText_.clear();
  target_ = target;
  direct_ = false;

  struct stat info {};
  const bool exists = ::stat(target.c_str(), &info) == 0;
  if (exists && S_ISDIR(info.st_mode)) {
    errorText_ = SystemText(EISDIR);
    return false;
  }
  if (exists && !S_ISREG(info.st_mode)) {
    stream_ = std::fopen(target.c_str(), "wb");
    if (stream_ == nullptr) {
      errorText_ = SystemText(errno);
      return false;
    }
    direct_ = true;
    return true;
  }
  struct stat linkInfo {};
  if (::lstat(target.c_str(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)) {
    if (char* resolved = ::realpath(target.c_str(), nullptr)) {
      target_ = resolved;
      ::free(resolved);
    }
  }
  owner_ = group_ = -1;
  if (exists) {
    mode_ = info.st_mode & 07777;
    owner_ = static_cast<long>(info.st_uid);
    group_ = static_cast<long>(info.st_gid);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode_ = 0666 & ~mask;
  }

  const std::string folder = FolderOf(target_);
  std::string name = target_.substr(target_.find_last_of('/') + 1);
  if (name.size() > 200) name = "vindra-cli";  // room for the marks within a name's 255 bytes
  std::string pattern = (folder == "/" ? "" : folder) + "/." + name + ".XXXXXX";
  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) {
    errorText_ = SystemText(errno);
    return false;
  }
  temporaryPath_ = pattern;
  SetPending(temporaryPath_);
  stream_ = ::fdopen(fd, "wb");
  if (stream_ == nullptr) {
    errorText_ = SystemText(errno);
    ::close(fd);
    Discard();
    return false;
  }
  return true;
}

std::string ReplacingFile::NotOpenText() { return SystemText(EBADF); }

bool ReplacingFile::FinishCommit(bool flushed) {
  int error = 0;
  if (!flushed) error = errno != 0 ? errno : EIO;
  if (!direct_ && error == 0) {
    const int fd = ::fileno(stream_);
    // Only root may give a file away; anyone else keeps the new file's owner.
    if (owner_ >= 0 && ::fchown(fd, static_cast<uid_t>(owner_), static_cast<gid_t>(group_)) != 0) {
      (void)!::fchown(fd, static_cast<uid_t>(-1), static_cast<gid_t>(group_));
    }
    if (::fchmod(fd, static_cast<mode_t>(mode_)) != 0) error = errno;
    if (error == 0 && ::fsync(fd) != 0) error = errno;
  }
  const int closed = std::fclose(stream_);
  stream_ = nullptr;
  if (error == 0 && closed != 0) error = errno;
  if (direct_) {
    direct_ = false;
    if (error != 0) errorText_ = SystemText(error);
    return error == 0;
  }
  if (error == 0 && ::rename(temporaryPath_.c_str(), target_.c_str()) != 0) error = errno;
  if (error != 0) {
    errorText_ = SystemText(error);
    Discard();
    return false;
  }
  temporaryPath_.clear();
  ClearPending();
  // The rename itself is made lasting by syncing the folder; a file system
  // that cannot sync folders has still replaced the file.
  const int folder = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  return true;
}

void ReplacingFile::Discard() {
  if (stream_ != nullptr) std::fclose(stream_);
  stream_ = nullptr;
  direct_ = false;
  if (!temporaryPath_.empty()) ::unlink(temporaryPath_.c_str());
  temporaryPath_.clear();
  ClearPending();
}

}  // namespace vindra::platform
