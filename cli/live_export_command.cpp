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
#include "cli/command_output.h"
#include "cli/conversion_arguments.h"
#include "cli/missing_key.h"
#include "cli/plugin_inf.h"
#include "cli/skip_summary.h"
#include "cli/standard_input.h"
#include "cli/hive_source.h"
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

#if defined(_WIN32) && !defined(_WIN64)
#define VINDRA_OWN_VIEW "32"
#else
#define VINDRA_OWN_VIEW "64"
#endif
#define VINDRA_REGISTRY_VIEW_USAGE                                                     \
  "  --registry-view 32|64        the 32-bit or the 64-bit view of the live registry\n" \
  "                               of 64-bit Windows (default: this program's own, " VINDRA_OWN_VIEW ")\n"

#define VINDRA_FROM_FILE_USAGE                                                         \
  "  --from FILE.reg              read the keys from a registry export file (\"-\":\n" \
  "                               standard input) instead of the live registry (the\n" \
  "                               only source outside Windows)\n"

constexpr const char* kExportHelp =
    "Exports a registry key with all its values and sub-keys as INF registry entries,\n"
    "after the section header line for the key.\n"
    "ROOT is HKEY_CLASSES_ROOT, HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE (or HKCR, HKCU,\n"
    "HKLM); keys of HKEY_LOCAL_MACHINE must lie in SOFTWARE or SYSTEM.\n"
    "\n"
    "Options:\n"
    VINDRA_FROM_FILE_USAGE
    VINDRA_HIVE_OPTIONS_USAGE
    VINDRA_REGISTRY_VIEW_USAGE
    "  --no-section-header          leave out the section header line\n"
    VINDRA_PLUGIN_OPTION_USAGE;

constexpr const char* kRegExpanderHelp =
    "Writes the Registry Expander settings of a registry key and every key beneath it,\n"
    "after the line \"; for Registry Expander\".\n"
    "ROOT is HKEY_CLASSES_ROOT, HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE (or HKCR, HKCU,\n"
    "HKLM).\n"
    "\n"
    "Options:\n"
    VINDRA_FROM_FILE_USAGE
    VINDRA_HIVE_OPTIONS_USAGE
    VINDRA_REGISTRY_VIEW_USAGE;

constexpr const char* kHelpTail =
    "\n"
    "Messages are in the terminal's encoding (UTF-8 in a UTF-8 locale, else the ANSI\n"
    "code page), and so is the key argument, which --encoding utf-8 reads as UTF-8.\n"
    "Exit status: 0 done, 1 output not written, 2 key not allowed or not found,\n"
    "FILE.reg not readable or the hive not readable or damaged, 3 a registry read\n"
    "failed (without --output the lines before it are written), 4 something left\n"
    "out with --strict, 64 bad usage.\n"
    "After the output, standard error tells what was left out (keys that cannot be\n"
    "opened or listed, values that cannot be queried or read), one line per reason\n"
    "with the count and the first keys.\n";

constexpr CommandOption kRegistryViewOption = {"--registry-view", true};
constexpr CommandOption kExportOptions[] = {{"--from", true}, {"--no-section-header", false}, kHiveOption, kMountOption,
                                             kPluginOption, kRegistryViewOption};
constexpr CommandOption kRegExpanderOptions[] = {{"--from", true}, kHiveOption, kMountOption, kRegistryViewOption};

const CliCommand& CommandOf(LiveCommand command) {
  return command == LiveCommand::Export ? kExportCommand : kRegExpanderCommand;
}

void PrintHelp(LiveCommand command, std::FILE* stream) {
  std::fprintf(stream, "Usage: vindra-cli %s %s\n", CommandOf(command).name, kSynopsis);
  std::fputs(command == LiveCommand::Export ? kExportHelp : kRegExpanderHelp, stream);
  std::fputs(kConversionOptionsUsage, stream);
  std::fputs(kHelpTail, stream);
}

void PrintError(const CommandContext& context, std::string_view ansiText) {
  std::fprintf(context.err, "%s\n", ForTerminal(context, ansiText).c_str());
}

// True for the roots both commands accept.
bool IsAcceptedRoot(registry::RootKey root) {
  return root == registry::kHkeyClassesRoot || root == registry::kHkeyCurrentUser ||
         root == registry::kHkeyLocalMachine;
}

// Fills `registry` from the file ("-": standard input); false (after the
// message) when it is unusable.
bool LoadFromFile(const CommandContext& context, const std::string& fileName, registry::MemoryRegistry& registry) {
  StandardInputFile input;
  if (!input.Prepare(fileName)) {
    std::fprintf(context.err, "%s could not be read: %s\n", kStandardInputName,
                 ForTerminal(context, input.ErrorText()).c_str());
    return false;
  }
  const registry::RegImportResult result = registry::ImportRegFile(input.Name(), registry);
  const std::string shownName = fileName == "-" ? std::string(kStandardInputName) : ArgumentForTerminal(context, fileName);
  // A damaged file can have a problem on every line: the first ones tell enough.
  constexpr std::size_t kMaxProblemsShown = 20;
  for (std::size_t i = 0; i < result.problems.size() && i < kMaxProblemsShown; ++i) {
    // The messages quote names from the file, which are ANSI text.
    const std::string& message = result.problems[i].message;
    const std::string shownMessage = ForTerminal(context, message);
    std::fprintf(context.err, "%s:%zu: %s\n", shownName.c_str(), result.problems[i].line, shownMessage.c_str());
  }
  if (result.problems.size() > kMaxProblemsShown) {
    std::fprintf(context.err, "%s: %zu more lines could not be imported\n", shownName.c_str(),
                 result.problems.size() - kMaxProblemsShown);
  }
  return result.recognised;
}

// What the command line asks for.
struct LiveRequest {
  ConversionArguments parsed;
  registry::RootedKeyPath key;
  bool sectionHeader = true;
  std::optional<std::string> pluginName;
  registry::RegistryView view = registry::RegistryView::Own;  // of the live registry
};

// Reads the command line into `request`. Returns the exit status when the
// command ends here (help, version, bad usage).
std::optional<int> ReadCommandLine(LiveCommand command, const CommandContext& context, LiveRequest& request) {
  ConversionArguments& parsed = request.parsed;
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
  const std::string keyText = ArgumentToAnsi(context, parsed.encoding, parsed.operands[0]);
  std::optional<registry::RootedKeyPath> key = registry::ParseRootedKeyPath(keyText);
  if (!key) {
    return UsageError(CommandOf(command), context,
                      "'" + parsed.operands[0] +
                          "' does not start with a root key (HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, "
                          "HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_CURRENT_CONFIG or HKCR, HKCU, HKLM, HKU, HKCC)");
  }
  if (key->path.empty()) return UsageError(CommandOf(command), context, "name a key below the root key");
  request.key = *key;
  request.sectionHeader = parsed.CommandOptionValue("--no-section-header") == nullptr;
  if (const std::string* view = parsed.CommandOptionValue(kRegistryViewOption.name)) {
    if (*view == "32") {
      request.view = registry::RegistryView::Bits32;
    } else if (*view == "64") {
      request.view = registry::RegistryView::Bits64;
    } else {
      return UsageError(CommandOf(command), context,
                        "--registry-view takes 32 or 64, not '" + ArgumentForTerminal(context, *view) + "'");
    }
  }
  if (const auto problem = PluginNameOption(context, parsed, request.pluginName)) {
    return UsageError(CommandOf(command), context, *problem);
  }
  return std::nullopt;
}

// The registry the key is read from: a hive, a .reg file or the live
// registry. Null (after the message, with `status` set) when there is none.
std::unique_ptr<registry::RegistrySource> OpenSource(LiveCommand command, const CommandContext& context,
                                                     const LiveRequest& request, int& status) {
  if (WantsHiveSource(request.parsed)) {
    status = kExitOk;
    return OpenHiveSource(CommandOf(command), context, request.parsed, request.key, status);
  }
  if (const std::string* fileName = request.parsed.CommandOptionValue("--from")) {
    auto memory = std::make_unique<registry::MemoryRegistry>();
    if (!LoadFromFile(context, *fileName, *memory)) {
      status = kExitFileError;
      return nullptr;
    }
    return memory;
  }
#ifdef _WIN32
  return std::make_unique<registry::Win32RegistrySource>(request.view);
#else
  status = UsageError(CommandOf(command), context, "this system has no registry of its own; give one with --from FILE.reg");
  return nullptr;
#endif
}

// A key the command refuses gets the refusal from the export; any other key
// must exist. False (after the message) when it does not.
bool CheckKeyExists(LiveCommand command, const CommandContext& context, registry::RegistrySource& source,
                    const registry::RootedKeyPath& key) {
  const bool refused = !IsAcceptedRoot(key.root) ||
                       (command == LiveCommand::Export && registry::ExportSectionHeader(key.root, key.path).empty());
  if (refused) return true;
  if (const std::optional<std::string> missing = FirstMissingKey(source, key.root, key.path)) {
    const std::string name = std::string(registry::RootKeyName(key.root)) + "\\" + *missing;
    PrintFailure(CommandOf(command), context, "the key " + ForTerminal(context, name) + " does not exist");
    return false;
  }
  return true;
}

// Writes the export to standard output or --output; the exit status.
int WriteExport(LiveCommand command, const CommandContext& context, const LiveRequest& request,
                registry::RegistrySource& source) {
  CommandOutput output(CommandOf(command), context, request.parsed.encoding);
  if (!output.Open(request.parsed.outputFile, request.pluginName)) return kExitFailure;
  SkipSummary skipped(CommandOf(command), context, request.parsed);
  if (!skipped.OpenReport()) {
    output.Abandon();
    return kExitFailure;
  }
  const registry::LiveExportResult result =
      registry::RunLiveExport(command, source, request.key, request.parsed.options, request.sectionHeader,
                              output.Lines(), skipped.Observer());
  switch (result.status) {
    case LiveExportStatus::Done:
      break;
    case LiveExportStatus::RootNotAllowed:
    case LiveExportStatus::AboveSoftwareSystem:
      PrintError(context, result.errorText);
      output.Abandon();
      return kExitKeyRefused;
    case LiveExportStatus::ReadFailed:
      // On standard output the lines written before the failure stay, as
      // they stay in the text area; a file named by --output stays as it was.
      PrintError(context, result.errorText);
      output.Abandon();
      skipped.Tell();
      return kExitReadFailed;
  }
  if (request.parsed.strict && !skipped.empty()) {
    output.Abandon();
    skipped.Tell();
    return kExitSkipped;
  }
  const bool written = output.Finish();
  const bool told = skipped.Tell();
  return written && told ? kExitOk : kExitFailure;
}

int Run(LiveCommand command, const CommandContext& context) {
  LiveRequest request;
  if (const std::optional<int> status = ReadCommandLine(command, context, request)) return *status;
  try {
    int status = kExitOk;
    const std::unique_ptr<registry::RegistrySource> source = OpenSource(command, context, request, status);
    if (!source) return status;
    request.key.path = registry::RegistrySpelling(*source, request.key.root, request.key.path);
    if (!CheckKeyExists(command, context, *source, request.key)) return kExitKeyRefused;
    return WriteExport(command, context, request, *source);
  } catch (const FileOpenError& error) {
    std::fprintf(context.err, "%s\n", FileOpenMessageForTerminal(context, error).c_str());
    return kExitFileError;
  } catch (const std::bad_alloc&) {
    PrintFailure(CommandOf(command), context, "not enough memory");
    return kExitFailure;
  }
}

int RunExport(const CommandContext& context) { return Run(LiveCommand::Export, context); }
int RunRegExpander(const CommandContext& context) { return Run(LiveCommand::RegExpander, context); }

}  // namespace

const CliCommand kExportCommand = {"export", "export a registry key with everything beneath it as INF entries",
                                   kSynopsis, &RunExport};
const CliCommand kRegExpanderCommand = {"regexpander", "write the Registry Expander settings of a registry key",
                                        kSynopsis, &RunRegExpander};

}  // namespace vindra::cli
