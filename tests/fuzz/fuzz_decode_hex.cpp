// DecodeHexText on arbitrary byte texts, types and both file encodings: type 2 gives a text with
// every quote doubled and no NUL byte, type 7 a list of quoted strings, any
// other type nothing.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/registry_file_converter.h"
#include "tests/fuzz/fuzz_support.h"

using vindra::fuzz::Check;

namespace {

// True when every double quote inside `text` comes in a pair.
bool QuotesDoubled(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '"') continue;
    if (i + 1 >= text.size() || text[i + 1] != '"') return false;
    ++i;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const int kTypes[] = {2, 7, 1, 3, 0, -1, 0x12345};
  const int type = kTypes[(data[0] & 0x7F) % 7];
  // Bit 7: the bytes come from an 8-bit file (ANSI text) instead of a UTF-16LE one.
  const vindra::RegistryFileEncoding encoding =
      (data[0] & 0x80) ? vindra::RegistryFileEncoding::Ansi : vindra::RegistryFileEncoding::Utf16LE;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string field = vindra::DecodeHexText(text, type, encoding);
  Check(field.find('\0') == std::string::npos, "the data field holds no NUL byte", text);
  if (type == 2) {
    Check(QuotesDoubled(field), "type 2: every quote is doubled", field);
  } else if (type == 7) {
    if (!field.empty()) {
      Check(field.size() >= 2 && field.front() == '"' && field.back() == '"', "type 7: quoted strings", field);
      // Between the outer quotes: doubled quotes and "," separators only.
      const std::string_view inner = std::string_view(field).substr(1, field.size() - 2);
      for (std::size_t i = 0; i < inner.size(); ++i) {
        if (inner[i] != '"') continue;
        const bool doubled = i + 1 < inner.size() && inner[i + 1] == '"';
        const bool separator = i + 2 < inner.size() && inner[i + 1] == ',' && inner[i + 2] == '"';
        Check(doubled || separator, "type 7: quotes doubled inside strings", field);
        i += doubled ? 1 : 2;
      }
    }
  } else {
    Check(field.empty(), "other types give an empty field", field);
  }
  return 0;
}
