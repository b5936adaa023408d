// The parts of ReplacingFile both platforms share; the rest is in
// replacing_file_posix.cpp and replacing_file_win32.cpp.
#include "platform/replacing_file.h"

namespace vindra::platform {

ReplacingFile::~ReplacingFile() { Discard(); }

bool ReplacingFile::Commit() {
  if (stream_ == nullptr) {
    if (errorText_.empty()) errorText_ = NotOpenText();
    return false;
  }
  const bool flushed = std::fflush(stream_) == 0 && !std::ferror(stream_);
  return FinishCommit(flushed);
}

}  // namespace vindra::platform
