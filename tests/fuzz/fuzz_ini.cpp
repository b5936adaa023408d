// The language file's INI reader on arbitrary files: a value found is a
// piece of one line of the file, and integer parsing accepts only what it
// can hold. The first two bytes choose the section and key asked for.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/language_file.h"
#include "tests/fuzz/fuzz_support.h"

using vindra::fuzz::Check;

namespace {

// A name from the list, or (for the last choices) one taken from the input.
std::string TakeName(const char* const* names, std::size_t count, std::string_view& input) {
  if (input.empty()) return names[0];
  const auto choice = static_cast<unsigned char>(input[0]);
  input.remove_prefix(1);
  if (choice % 16 < count) return names[choice % 16];
  const std::size_t length = std::min<std::size_t>(choice / 16, input.size());
  std::string name(input.substr(0, length));
  input.remove_prefix(length);
  return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  static const char* const kSections[] = {"Strings", "Form01", "Form02", "Font01", "Font02", "strings", ""};
  static const char* const kKeys[] = {"RS_001", "Caption", "Name", "Size", "Charset", "rs_009", ""};
  const std::string section = TakeName(kSections, 7, input);
  const std::string key = TakeName(kKeys, 7, input);
  const std::string content(input);

  const auto value = vindra::app::FindIniValue(content, section, key);
  if (value) {
    Check(value->find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos,
          "a value holds no line break or NUL", *value);
    Check(content.find(*value) != std::string::npos, "a value is a piece of the file", *value);
  }
  const std::string number_text = value ? *value : key + section;
  const auto number = vindra::app::ParseIniInteger(number_text);
  if (number && number_text.find_first_of("xX$") == std::string::npos) {
    // A decimal number is made of the digits given (less sign and zeros).
    const std::string digits = std::to_string(*number);
    Check(number_text.find(digits.substr(digits[0] == '-' ? 1 : 0)) != std::string::npos,
          "a decimal number is made of the digits given", number_text);
  }
  return 0;
}
