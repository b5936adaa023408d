#include "core/stream_output_list.h"

#include "platform/codepage.h"

namespace vindra {

std::string AnsiToUtf8(std::string_view text) {
  bool ascii = true;
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
  }
  if (ascii) return std::string(text);
  const std::u16string wide = platform::AnsiToWide(text);
  std::string out;
  out.reserve(wide.size() * 3);
  for (std::size_t i = 0; i < wide.size(); ++i) {
    char32_t c = wide[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // a lone surrogate has no UTF-8 form
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

StreamOutputList::StreamOutputList(std::FILE* stream, OutputEncoding encoding, std::size_t bufferSize)
    : stream_(stream), encoding_(encoding), capacity_(bufferSize < 64 ? 64 : bufferSize) {
  buffer_.reserve(capacity_);
}

StreamOutputList::~StreamOutputList() { Flush(); }

void StreamOutputList::Clear() { buffer_.clear(); }

void StreamOutputList::Add(std::string_view line) {
  if (encoding_ == OutputEncoding::Utf8) {
    Append(AnsiToUtf8(line));
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
