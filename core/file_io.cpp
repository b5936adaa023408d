#include "core/file_io.h"

namespace vindra {

FileOpenError::FileOpenError(const std::string& fileName, const std::string& systemText)
    : std::runtime_error(ComposeMessage(FullPathName(fileName), systemText)) {}

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

}  // namespace vindra
