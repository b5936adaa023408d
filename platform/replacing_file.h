// Writing a file so that it is replaced whole or not at all: the text goes to
// a new file in the target's folder, which takes the target's place only
// after everything is written and flushed to the disk (POSIX rename, Windows
// MoveFileExA). Until then, and after any failure, the target stays exactly as
// it was, and no new file is left behind.
#pragma once

#include <cstdio>
#include <string>

namespace vindra::platform {

class ReplacingFile {
 public:
  ReplacingFile() = default;
  ~ReplacingFile();  // Discard() unless committed
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // Creates the new file beside `target`. An existing target that is a
  // device or a pipe (POSIX), such as /dev/null, is written directly, since it
  // cannot be replaced. A symbolic link is followed: the file it points to is
  // replaced. False when nothing could be created; ErrorText() tells why.
  bool Open(const std::string& target);

  // Where the text goes; null unless open.
  std::FILE* Stream() const { return stream_; }

  // Flushes and closes the new file, checking every step (a full disk shows
  // here at the latest), and puts it in the target's place. False on any
  // failure, with ErrorText(): the target is then untouched and the new file
  // removed. An existing target's permission bits (and, where the system allows,
  // its owner and group) carry over (POSIX).
  bool Commit();

  // Closes and removes the new file; the target stays as it was.
  void Discard();

  // The system's text for the last failure, ANSI code page.
  const std::string& ErrorText() const { return errorText_; }
  // The new file's path while it is open (empty when writing directly).
  const std::string& TemporaryPath() const { return temporaryPath_; }

 private:
  // The platform's part of Commit, after the stream was flushed (`flushed`
  // false when that failed, with the system's error code still set): syncs
  // and closes the new file and puts it in the target's place.
  bool FinishCommit(bool flushed);
  // The failure text of Commit on a file that was never opened.
  static std::string NotOpenText();

  std::FILE* stream_ = nullptr;
  std::string target_;
  std::string temporaryPath_;
  std::string errorText_;
  bool direct_ = false;
  unsigned mode_ = 0;  // POSIX permission bits of the result
  long owner_ = -1;    // POSIX owner and group of a replaced file (-1: the writer's)
  long group_ = -1;
};

}  // namespace vindra::platform
