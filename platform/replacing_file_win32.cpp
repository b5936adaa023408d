#include <windows.h>

#include <io.h>

#include <string>

#include "platform/replacing_file.h"

namespace vindra::platform {
namespace {

std::string SystemText(DWORD error) {
  char* text = nullptr;
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = length > 0 && text != nullptr ? std::string(text, length) : "error " + std::to_string(error);
  if (text != nullptr) LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ' ||
                              message.back() == '.')) {
    message.pop_back();
  }
  return message;
}

}  // namespace

bool ReplacingFile::Open(const std::string& target) {
  Discard();
  errorText_.clear();
  direct_ = false;
  char full[MAX_PATH * 2];
  char* namePart = nullptr;
  const DWORD length = GetFullPathNameA(target.c_str(), sizeof full, full, &namePart);
  if (length == 0 || length >= sizeof full || namePart == nullptr) {
    errorText_ = SystemText(length == 0 ? GetLastError() : ERROR_INVALID_NAME);
    return false;
  }
  target_ = full;
  const DWORD attributes = GetFileAttributesA(full);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    errorText_ = SystemText(ERROR_DIRECTORY);
    return false;
  }
  const std::string folder(full, static_cast<std::size_t>(namePart - full));
  char temporary[MAX_PATH];
  if (GetTempFileNameA(folder.c_str(), "vnd", 0, temporary) == 0) {
    errorText_ = SystemText(GetLastError());
    return false;
  }
  temporaryPath_ = temporary;
  stream_ = std::fopen(temporary, "wb");
  if (stream_ == nullptr) {
    errorText_ = SystemText(GetLastError());
    Discard();
    return false;
  }
  return true;
}

std::string ReplacingFile::NotOpenText() { return SystemText(ERROR_INVALID_HANDLE); }

bool ReplacingFile::FinishCommit(bool flushed) {
  DWORD error = 0;
  if (!flushed) {
    error = GetLastError();
    if (error == 0) error = ERROR_WRITE_FAULT;
  }
  if (error == 0) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream_)));
    if (!FlushFileBuffers(handle)) error = GetLastError();
  }
  const int closed = std::fclose(stream_);
  stream_ = nullptr;
  if (error == 0 && closed != 0) error = ERROR_WRITE_FAULT;
  if (error == 0 &&
      !MoveFileExA(temporaryPath_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = GetLastError();
  }
  if (error != 0) {
    errorText_ = SystemText(error);
    Discard();
    return false;
  }
  temporaryPath_.clear();
  return true;
}

void ReplacingFile::Discard() {
  if (stream_ != nullptr) std::fclose(stream_);
  stream_ = nullptr;
  if (!temporaryPath_.empty()) DeleteFileA(temporaryPath_.c_str());
  temporaryPath_.clear();
}

}  // namespace vindra::platform
