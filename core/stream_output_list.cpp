#include "core/stream_output_list.h"

#include "platform/text.h"

namespace vindra {

StreamOutputList::StreamOutputList(std::FILE* stream, OutputEncoding encoding, std::size_t bufferSize)
    : stream_(stream), encoding_(encoding), capacity_(bufferSize < 64 ? 64 : bufferSize) {
  buffer_.reserve(capacity_);
}

StreamOutputList::~StreamOutputList() { Flush(); }

void StreamOutputList::Clear() { buffer_.clear(); }

void StreamOutputList::Add(std::string_view line) {
  if (encoding_ == OutputEncoding::Utf8) {
    Append(platform::AnsiToUtf8(line));
  } else {
    Append(line);
  }
  Append("\r\n");
}

void StreamOutputList::Append(std::string_view bytes) {
  if (buffer_.size() + bytes.size() > capacity_) {
    WriteBuffer();
    if (bytes.size() >= capacity_) {
      // A line longer than the buffer goes out directly.
      if (!failed_ && std::fwrite(bytes.data(), 1, bytes.size(), stream_) != bytes.size()) failed_ = true;
      return;
    }
  }
  buffer_.append(bytes);
}

void StreamOutputList::WriteBuffer() {
  if (!buffer_.empty() && !failed_ && std::fwrite(buffer_.data(), 1, buffer_.size(), stream_) != buffer_.size()) {
    failed_ = true;
  }
  buffer_.clear();
}

bool StreamOutputList::Flush() {
  WriteBuffer();
  if (!failed_ && std::fflush(stream_) != 0) failed_ = true;
  return !failed_;
}

}  // namespace vindra
