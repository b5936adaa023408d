#include "core/file_io.h"

#include <algorithm>
#include <utility>

namespace vindra {

FileOpenError::FileOpenError(const std::string& fileName, const std::string& systemText)
    : FileOpenError(FullPathName(fileName), systemText, 0) {}

FileOpenError::FileOpenError(std::string fullPath, std::string systemText, int)
    : std::runtime_error(ComposeMessage(fullPath, systemText)),
      fullPath_(std::move(fullPath)),
      systemText_(std::move(systemText)) {}

std::string FileOpenError::ComposeMessage(const std::string& fullPath, const std::string& systemText) {
  return "ファイル \"" + fullPath + "\". " + systemText + " は開けません";
}

std::string TrimSystemText(std::string text) {
  while (!text.empty()) {
    const unsigned char c = static_cast<unsigned char>(text.back());
    if (c > 0x20 && c != '.') break;
    text.pop_back();
  }
  return text;
}

void InputFile::OpenOrThrow(const std::string& fileName) {
  if (!Open(fileName)) throw FileOpenError(fileName, errorText_);
}

void InputFile::ThrowLastError() { throw FileOpenError(fileName_, errorText_); }

InputFile::~InputFile() { Close(); }

std::size_t InputFile::Read(void* buffer, std::size_t count) {
  auto* out = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const std::size_t got = ReadSome(out + done, std::min<std::size_t>(count - done, std::size_t{1} << 30));
    if (got == 0) break;
    done += got;
  }
  return done;
}

}  // namespace vindra
