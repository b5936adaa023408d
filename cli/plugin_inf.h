// A whole PE Builder v3 plug-in INF file around the registry sections a
// command writes (--plugin NAME): a comment naming the program, the [Version]
// and [PEBuilder] sections, then the command's own lines unchanged.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_command.h"
#include "cli/conversion_arguments.h"
#include "core/output_list.h"

namespace vindra::cli {

inline constexpr CommandOption kPluginOption = {"--plugin", true};

#define VINDRA_PLUGIN_OPTION_USAGE \
  "  --plugin NAME                write a whole PE Builder v3 plug-in INF file:\n" \
  "                               [Version] and [PEBuilder] (Name=\"NAME\"), then\n" \
  "                               the registry sections\n"

// Why `name` (ANSI) cannot be a plug-in's name, or nothing when it can: it
// must not be empty and must not hold line breaks or other control characters.
std::optional<std::string> PluginNameProblem(std::string_view name);

// The --plugin option of `parsed`: its name in the ANSI code page into
// `pluginName` (left empty without the option); why it cannot be used, if so.
std::optional<std::string> PluginNameOption(const CommandContext& context, const ConversionArguments& parsed,
                                            std::optional<std::string>& pluginName);

// The lines before the sections, for the plug-in `name` (ANSI):
//   ; <program and version>
//   [Version]
//   Signature= "$Windows NT$"
//   (empty)
//   [PEBuilder]
//   Name="<name, each double quote doubled>"
//   Enable=1
//   (empty)
std::vector<std::string> PluginHeaderLines(std::string_view name, std::string_view program);

// Passes the lines of a command on to `target`, after the header lines. The
// header goes out before the first line and again after a Clear(), which
// empties the target; Finish() writes it when no line came at all, so that a
// conversion without sections still gives a whole plug-in file. Nothing is
// written to the target before the first line or Finish(): a command that is
// refused leaves it untouched.
class PluginOutputList final : public OutputList {
 public:
  PluginOutputList(OutputList& target, std::vector<std::string> headerLines)
      : target_(target), headerLines_(std::move(headerLines)) {}

  void Clear() override {
    target_.Clear();
    headerWritten_ = false;
  }
  void Add(std::string_view line) override {
    Finish();
    target_.Add(line);
  }
  void Finish() {
    if (headerWritten_) return;
    for (const std::string& line : headerLines_) target_.Add(line);
    headerWritten_ = true;
  }

 private:
  OutputList& target_;
  std::vector<std::string> headerLines_;
  bool headerWritten_ = false;
};

}  // namespace vindra::cli
