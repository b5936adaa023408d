// An output list that writes each item followed by CR LF to a stream, through
// a large buffer: a conversion streams its sections out without holding the
// whole text a second time.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include "core/output_list.h"

namespace vindra {

enum class OutputEncoding {
  Ansi,  // bytes as they are, in the ANSI code page
  Utf8,  // re-encoded to UTF-8 (for a terminal)
};

class StreamOutputList final : public OutputList {
 public:
  explicit StreamOutputList(std::FILE* stream, OutputEncoding encoding = OutputEncoding::Ansi,
                            std::size_t bufferSize = std::size_t{1} << 20);
  ~StreamOutputList() override;
  StreamOutputList(const StreamOutputList&) = delete;
  StreamOutputList& operator=(const StreamOutputList&) = delete;

  // Drops what is buffered and not yet written. A fresh stream is empty, so
  // the converters' "empty, then fill" needs nothing more.
  void Clear() override;
  void Add(std::string_view line) override;

  // Writes out the buffer and flushes the stream; false if any write failed.
  bool Flush();
  bool Failed() const { return failed_; }

 private:
  void Append(std::string_view bytes);
  void WriteBuffer();

  std::FILE* stream_;
  OutputEncoding encoding_;
  std::string buffer_;
  std::size_t capacity_;
  bool failed_ = false;
};

}  // namespace vindra
