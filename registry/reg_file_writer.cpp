#include "registry/reg_file_writer.h"

#include "core/inf_format.h"
#include "platform/text.h"

namespace vindra::registry {
namespace {

constexpr char16_t kHeader[] = u"\uFEFFWindows Registry Editor Version 5.00\r\n";

// The editor starts a continuation line once a line holds this many characters.
constexpr std::size_t kWrapColumn = 77;
constexpr std::u16string_view kContinuation = u"\\\r\n  ";

// The name between quotes with \ and " escaped, and line breaks written as
// \r and \n as the editor writes them; "@" for the default value. Returns the
// length of what was appended with the "=" after it.
std::size_t AppendName(std::u16string& out, std::string_view name) {
  const std::size_t start = out.size();
  if (name.empty()) {
    out += u"@=";
    return 2;
  }
  out.push_back(u'"');
  for (char16_t c : platform::AnsiToWide(name)) {
    switch (c) {
      case u'\\': out += u"\\\\"; break;
      case u'"': out += u"\\\""; break;
      case u'\r': out += u"\\r"; break;
      case u'\n': out += u"\\n"; break;
      default: out.push_back(c);
    }
  }
  out += u"\"=";
  return out.size() - start;
}

// True when "text" reads back as exactly `data`: one terminating zero, no
// other zero and no line break.
bool QuotedFormReadsBack(std::string_view data) {
  if (data.empty() || data.back() != '\0') return false;
  data.remove_suffix(1);
  return data.find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos;
}

void AppendHexDigits(std::u16string& out, unsigned char byte) {
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  out.push_back(kDigits[byte >> 4]);
  out.push_back(kDigits[byte & 15]);
}

// "hex:" or "hex(N):" with N in lower-case hexadecimal.
void AppendHexPrefix(std::u16string& out, std::uint32_t type) {
  if (type == kRegBinary) {
    out += u"hex:";
    return;
  }
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  char16_t number[8];
  int n = 0;
  do {
    number[n++] = kDigits[type & 15];
    type >>= 4;
  } while (type != 0);
  out += u"hex(";
  while (n > 0) out.push_back(number[--n]);
  out += u"):";
}

// The data of a text type as the file holds it: UTF-16LE code units.
std::string Utf16Bytes(std::string_view ansi) {
  const std::u16string wide = platform::AnsiToWide(ansi);
  std::string bytes;
  bytes.reserve(wide.size() * 2);
  for (char16_t c : wide) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

// The prefix and the bytes, wrapped as the editor wraps them: a line is
// continued once it holds kWrapColumn characters (counted from `lineStart`).
void AppendHexData(std::u16string& out, std::uint32_t type, std::string_view bytes, std::size_t lineStart) {
  AppendHexPrefix(out, type);
  std::size_t column = out.size() - lineStart;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    AppendHexDigits(out, static_cast<unsigned char>(bytes[i]));
    if (i + 1 == bytes.size()) break;
    out.push_back(u',');
    column += 3;
    if (column >= kWrapColumn) {
      out += kContinuation;
      column = 2;
    }
  }
}

void AppendLittleEndian(std::string& out, std::u16string_view text) {
  const std::size_t start = out.size();
  out.resize(start + 2 * text.size());
  char* p = out.data() + start;
  for (char16_t c : text) {
    *p++ = static_cast<char>(c & 0xFF);
    *p++ = static_cast<char>(c >> 8);
  }
}

}  // namespace

void AppendRegValueLine(std::u16string& out, std::string_view name, std::uint32_t type, std::string_view data) {
  const std::size_t lineStart = out.size();
  AppendName(out, name);
  if (type == kRegSz && QuotedFormReadsBack(data)) {
    out.push_back(u'"');
    for (char16_t c : platform::AnsiToWide(data.substr(0, data.size() - 1))) {
      if (c == u'\\' || c == u'"') out.push_back(u'\\');
      out.push_back(c);
    }
    out.push_back(u'"');
    return;
  }
  if (type == kRegDword && data.size() == 4) {
    std::uint32_t number = 0;
    for (int i = 0; i < 4; ++i) number |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
    static constexpr char16_t kDigits[] = u"0123456789abcdef";
    out += u"dword:";
    for (int shift = 28; shift >= 0; shift -= 4) out.push_back(kDigits[number >> shift & 15]);
    return;
  }
  const bool text = type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
  AppendHexData(out, type, text ? Utf16Bytes(data) : std::string(data), lineStart);
}

void AppendRegValueDeletionLine(std::u16string& out, std::string_view name) {
  AppendName(out, name);
  out.push_back(u'-');
}

std::string RegValueLineAnsi(std::string_view name, std::uint32_t type, std::string_view data) {
  std::u16string line;
  AppendRegValueLine(line, name, type, data);
  return platform::WideToAnsi(line);
}

RegFileWriter::RegFileWriter(std::FILE* stream) : stream_(stream) { text_ = kHeader; }

RegFileWriter::~RegFileWriter() = default;

void RegFileWriter::Key(std::string_view fullName, bool deletion) {
  text_ += deletion ? u"\r\n[-" : u"\r\n[";
  text_ += platform::AnsiToWide(fullName);
  text_ += u"]\r\n";
  if (text_.size() >= (1u << 16)) Flush();
}

void RegFileWriter::Value(std::string_view name, std::uint32_t type, std::string_view data) {
  AppendRegValueLine(text_, name, type, data);
  text_ += u"\r\n";
  if (text_.size() >= (1u << 16)) Flush();
}

void RegFileWriter::DeletedValue(std::string_view name) {
  AppendRegValueDeletionLine(text_, name);
  text_ += u"\r\n";
}

void RegFileWriter::Flush() {
  bytes_.clear();
  AppendLittleEndian(bytes_, text_);
  text_.clear();
  if (!failed_ && !bytes_.empty() && std::fwrite(bytes_.data(), 1, bytes_.size(), stream_) != bytes_.size()) {
    failed_ = true;
  }
}

bool RegFileWriter::Finish() {
  text_ += u"\r\n";
  Flush();
  if (std::fflush(stream_) != 0) failed_ = true;
  return !failed_;
}

}  // namespace vindra::registry
