#include "cli/plugin_inf.h"

#include "platform/text.h"

namespace vindra::cli {

std::optional<std::string> PluginNameProblem(std::string_view name) {
  if (name.empty()) return "the plug-in name is empty";
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      return "the plug-in name holds a line break or another control character";
    }
  }
  return std::nullopt;
}

std::optional<std::string> PluginNameOption(const CommandContext& context, const ConversionArguments& parsed,
                                            std::optional<std::string>& pluginName) {
  const std::string* given = parsed.CommandOptionValue(kPluginOption.name);
  if (given == nullptr) return std::nullopt;
  std::string name = ArgumentToAnsi(context, parsed.encoding, *given);
  // A character the ANSI code page lacks would silently become "?".
  if (name != *given && platform::AnsiToUtf8(name) != *given) {
    return "the plug-in name holds characters the ANSI code page lacks";
  }
  if (auto problem = PluginNameProblem(name)) return problem;
  pluginName = std::move(name);
  return std::nullopt;
}

std::vector<std::string> PluginHeaderLines(std::string_view name, std::string_view program) {
  std::string quotedName = "Name=\"";
  for (char c : name) {
    // A trail byte of a double-byte character is never 0x22, so every 0x22
    // byte is a double quote of its own.
    if (c == '"') quotedName.push_back('"');
    quotedName.push_back(c);
  }
  quotedName.push_back('"');
  return {
      "; " + std::string(program),
      "[Version]",
      "Signature= \"$Windows NT$\"",
      "",
      "[PEBuilder]",
      quotedName,
      "Enable=1",
      "",
  };
}

}  // namespace vindra::cli
