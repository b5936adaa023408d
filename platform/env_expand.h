// The expansion rule of ExpandEnvironmentStrings, independent of where the
// variables come from, so that it can be tested with any set of variables.
#pragma once

#include <string>
#include <string_view>

namespace vindra::platform {

// Looks a variable up by name; true and its value in `value` when defined.
class VariableSource {
 public:
  virtual ~VariableSource() = default;
  virtual bool Find(std::string_view name, std::string& value) const = 0;
};

// Expands `text` up to its first NUL byte: each %NAME% whose variable is
// defined becomes the value; an undefined reference is kept with both percent
// signs and scanning goes on after it; a percent sign without a closing one is
// kept with the rest of the text.
std::string ExpandReferences(std::string_view text, const VariableSource& variables);

// True when the two names are equal without regard to the letter case of
// single-byte ASCII letters (the trail bytes of double-byte characters are
// compared exactly).
bool VariableNamesEqual(std::string_view a, std::string_view b);

}  // namespace vindra::platform
