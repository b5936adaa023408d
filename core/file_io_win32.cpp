#include <windows.h>

#include "core/file_io.h"

namespace vindra {
namespace {

// The system's text for an error code, in the ANSI code page.
std::string SystemText(DWORD error) {
  char* buffer = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
      0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text;
  if (length != 0 && buffer != nullptr) text.assign(buffer, length);
  if (buffer != nullptr) LocalFree(buffer);
  if (text.empty()) text = "Error " + std::to_string(error);
  return TrimSystemText(std::move(text));
}

}  // namespace

std::string FullPathName(const std::string& fileName) {
  const DWORD needed = GetFullPathNameA(fileName.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return fileName;
  std::string full(needed, '\0');
  const DWORD length = GetFullPathNameA(fileName.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return fileName;
  full.resize(length);
  return full;
}

bool InputFile::Open(const std::string& fileName) {
  Close();
  fileName_ = fileName;
  errorText_.clear();
  HANDLE file = CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    errorText_ = SystemText(GetLastError());
    return false;
  }
  handle_ = file;
  return true;
}

void InputFile::Close() {
  if (handle_ != nullptr) CloseHandle(static_cast<HANDLE>(handle_));
  handle_ = nullptr;
}

std::uint64_t InputFile::Size() {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(static_cast<HANDLE>(handle_), &size)) {
    errorText_ = SystemText(GetLastError());
    ThrowLastError();
  }
  return static_cast<std::uint64_t>(size.QuadPart);
}

std::size_t InputFile::ReadSome(char* out, std::size_t count) {
  DWORD got = 0;
  if (!ReadFile(static_cast<HANDLE>(handle_), out, static_cast<DWORD>(count), &got, nullptr)) {
    const DWORD error = GetLastError();
    // A pipe whose writer has closed its end reports the end this way.
    if (error == ERROR_BROKEN_PIPE) return 0;
    errorText_ = SystemText(error);
    ThrowLastError();
  }
  return got;
}

}  // namespace vindra
