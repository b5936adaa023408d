// vindra-cli export / regexpander: the main window's two live-key commands
// without their dialogs. They read the live registry (Windows) or, with
// --from, a registry filled from a .reg file (every platform), and write
// exactly the lines the text area would receive, each followed by CR LF.
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "cli/cli_command.h"
#include "cli/command_list.h"
#include "cli/conversion_arguments.h"
#include "core/file_io.h"
#include "core/stream_output_list.h"
#include "platform/text.h"
#include "registry/live_export.h"
#include "registry/memory_registry.h"
#include "registry/reg_file_import.h"
#include "registry/root_key.h"
#include "registry/win32_registry.h"

namespace vindra::cli {
namespace {

using registry::LiveCommand;
using registry::LiveExportStatus;

// Statuses of these two commands beyond the shared ones.
constexpr int kExitKeyRefused = 2;  // the root or the HKEY_LOCAL_MACHINE sub-tree is not allowed
constexpr int kExitReadFailed = 3;  // a registry read failed; the lines before it were written

constexpr const char* kSynopsis = "[OPTIONS] ROOT\\PATH";

constexpr const char* kExportHelp =
    "Exports a registry key with all its values and sub-keys as INF registry entries,\n"
    "after the section header line for the key.\n"
    "ROOT is HKEY_CLASSES_ROOT, HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE (or HKCR, HKCU,\n"
    "HKLM); keys of HKEY_LOCAL_MACHINE must lie in SOFTWARE or SYSTEM.\n"
    "\n"
    "Options:\n"
    "  --from FILE.reg              read the keys from a registry export file instead of\n"
    "                               the live registry (the only source outside Windows)\n"
    "  --no-section-header          leave out the section header line\n";

constexpr const char* kRegExpanderHelp =
    "Writes the Registry Expander settings of a registry key and every key beneath it,\n"
    "after the line \"; for Registry Expander\".\n"
    "ROOT is HKEY_CLASSES_ROOT, HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE (or HKCR, HKCU,\n"
    "HKLM).\n"
    "\n"
    "Options:\n"
    "  --from FILE.reg              read the keys from a registry export file instead of\n"
    "                               the live registry (the only source outside Windows)\n";

constexpr const char* kHelpTail =
    "\n"
    "With --encoding utf-8 the key argument is read as UTF-8 as well.\n"
    "Exit status: 0 done, 1 output not written, 2 key not allowed or FILE.reg not\n"
    "readable, 3 a registry read failed (the lines before it are written), 64 bad usage.\n";

constexpr CommandOption kExportOptions[] = {{"--from", true}, {"--no-section-header", false}};
constexpr CommandOption kRegExpanderOptions[] = {{"--from", true}};

const CliCommand& CommandOf(LiveCommand command) {
  return command == LiveCommand::Export ? kExportCommand : kRegExpanderCommand;
}

void PrintHelp(LiveCommand command, std::FILE* stream) {
  std::fprintf(stream, "Usage: vindra-cli %s %s\n", CommandOf(command).name, kSynopsis);
  std::fputs(command == LiveCommand::Export ? kExportHelp : kRegExpanderHelp, stream);
  std::fputs(kConversionOptionsUsage, stream);
  std::fputs(kHelpTail, stream);
}

void PrintError(const CommandContext& context, OutputEncoding encoding, std::string_view ansiText) {
  const std::string text = encoding == OutputEncoding::Utf8 ? platform::AnsiToUtf8(ansiText) : std::string(ansiText);
  std::fprintf(context.err, "%s\n", text.c_str());
}

// Fills `registry` from the file; false (after the message) when it is unusable.
bool LoadFromFile(const CommandContext& context, OutputEncoding encoding, const std::string& fileName,
                  registry::MemoryRegistry& registry) {
  const registry::RegImportResult result = registry::ImportRegFile(fileName, registry);
  const std::string shownName = FileNameForTerminal(fileName, encoding);
  // A damaged file can have a problem on every line: the first ones tell enough.
  constexpr std::size_t kMaxProblemsShown = 20;
  for (std::size_t i = 0; i < result.problems.size() && i < kMaxProblemsShown; ++i) {
    // The messages quote names from the file, which are ANSI text.
    const std::string& message = result.problems[i].message;
    const std::string shownMessage = encoding == OutputEncoding::Utf8 ? platform::AnsiToUtf8(message) : message;
    std::fprintf(context.err, "%s:%zu: %s\n", shownName.c_str(), result.problems[i].line, shownMessage.c_str());
  }
  if (result.problems.size() > kMaxProblemsShown) {
    std::fprintf(context.err, "%s: %zu more lines could not be imported\n", shownName.c_str(),
                 result.problems.size() - kMaxProblemsShown);
  }
  return result.recognised;
}

int Run(LiveCommand command, const CommandContext& context) {
  ConversionArguments parsed;
  const std::span<const CommandOption> own =
      command == LiveCommand::Export ? std::span<const CommandOption>(kExportOptions)
                                     : std::span<const CommandOption>(kRegExpanderOptions);
  if (const auto error = ParseConversionArguments(context.args, own, parsed)) {
    return UsageError(CommandOf(command), context, *error);
  }
  if (parsed.help) {
    PrintHelp(command, context.out);
    return kExitOk;
  }
  if (parsed.version) return PrintVersion(context.out);
  if (parsed.operands.size() != 1) {
    return UsageError(CommandOf(command), context, parsed.operands.empty() ? "ROOT\\PATH is missing" : "only one key may be given");
  }
  const std::string keyText =
      parsed.encoding == OutputEncoding::Utf8 ? platform::Utf8ToAnsi(parsed.operands[0]) : parsed.operands[0];
  std::optional<registry::RootedKeyPath> key = registry::ParseRootedKeyPath(keyText);
  if (!key) {
    return UsageError(CommandOf(command), context,
                      "'" + parsed.operands[0] +
                          "' does not start with a root key (HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, "
                          "HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_CURRENT_CONFIG or HKCR, HKCU, HKLM, HKU, HKCC)");
  }
  if (key->path.empty()) return UsageError(CommandOf(command), context, "name a key below the root key");
  const bool sectionHeader = parsed.CommandOptionValue("--no-section-header") == nullptr;

  try {
    std::unique_ptr<registry::RegistrySource> source;
    if (const std::string* fileName = parsed.CommandOptionValue("--from")) {
      auto memory = std::make_unique<registry::MemoryRegistry>();
      if (!LoadFromFile(context, parsed.encoding, *fileName, *memory)) return kExitFileError;
      source = std::move(memory);
    } else {
#ifdef _WIN32
      source = std::make_unique<registry::Win32RegistrySource>();
#else
      return UsageError(CommandOf(command), context, "this system has no registry of its own; give one with --from FILE.reg");
#endif
    }
    key->path = registry::RegistrySpelling(*source, key->root, key->path);

    StreamOutputList output(context.out, parsed.encoding);
    const registry::LiveExportResult result =
        registry::RunLiveExport(command, *source, *key, parsed.options, sectionHeader, output);
    // The lines written before a failure stay, as they stay in the text area.
    const bool written = output.Flush();
    switch (result.status) {
      case LiveExportStatus::Done:
        break;
      case LiveExportStatus::RootNotAllowed:
      case LiveExportStatus::AboveSoftwareSystem:
        PrintError(context, parsed.encoding, result.errorText);
        return kExitKeyRefused;
      case LiveExportStatus::ReadFailed:
        PrintError(context, parsed.encoding, result.errorText);
        return kExitReadFailed;
    }
    if (!written) {
      std::fprintf(context.err, "vindra-cli %s: the output could not be written\n", CommandOf(command).name);
      return kExitFailure;
    }
  } catch (const FileOpenError& error) {
    std::fprintf(context.err, "%s\n", FileOpenMessage(error, parsed.encoding).c_str());
    return kExitFileError;
  } catch (const std::bad_alloc&) {
    std::fprintf(context.err, "vindra-cli %s: not enough memory\n", CommandOf(command).name);
    return kExitFailure;
  }
  return kExitOk;
}

int RunExport(const CommandContext& context) { return Run(LiveCommand::Export, context); }
int RunRegExpander(const CommandContext& context) { return Run(LiveCommand::RegExpander, context); }

}  // namespace

const CliCommand kExportCommand = {"export", "export a registry key with everything beneath it as INF entries",
                                   kSynopsis, &RunExport};
const CliCommand kRegExpanderCommand = {"regexpander", "write the Registry Expander settings of a registry key",
                                        kSynopsis, &RunRegExpander};

}  // namespace vindra::cli
