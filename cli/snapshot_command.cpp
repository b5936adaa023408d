// vindra-cli snapshot: registry keys with everything beneath them written into
// one registry file in the registry editor's form, to be compared later with
// `vindra-cli diff`. The live registry (Windows), a .reg file or a hive.
#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "cli/command_list.h"
#include "cli/conversion_arguments.h"
#include "cli/hive_source.h"
#include "cli/missing_key.h"
#include "cli/registry_file_output.h"
#include "cli/registry_inputs.h"
#include "cli/standard_input.h"
#include "core/file_io.h"
#include "registry/diff_writers.h"
#include "registry/memory_registry.h"
#include "registry/reg_file_import.h"
#include "registry/root_key.h"
#include "registry/snapshot_writer.h"
#include "registry/win32_registry.h"

namespace vindra::cli {
namespace {

constexpr const char* kSynopsis = "[OPTIONS] [KEY...] -o FILE.reg";

constexpr const char* kHelp =
    "Writes registry keys, each with everything beneath it, into one registry file in\n"
    "the registry editor's form (UTF-16LE, \"Windows Registry Editor Version 5.00\"):\n"
    "for one key of the live registry, the file `reg export KEY FILE` writes, except\n"
    "that a string holding a line break is written as hex(1): (hex(2):, hex(7):) so\n"
    "that it reads back exactly. Compare two snapshots with `vindra-cli diff`.\n"
    "KEY is ROOT\\PATH (HKCR, HKCU, HKLM, HKU, HKCC or the full names). Without KEY:\n"
    "HKEY_LOCAL_MACHINE\\SOFTWARE, HKEY_LOCAL_MACHINE\\SYSTEM and HKEY_CURRENT_USER\n"
    "(with --hive: the key the hive stands for).\n"
    "\n"
    "Options:\n"
    "  --from FILE.reg              read the keys from a registry export file (\"-\":\n"
    "                               standard input) instead of the live registry\n"
    VINDRA_HIVE_OPTIONS_USAGE
    "  --registry-view 32|64        the 32-bit or the 64-bit view of the live registry\n"
    "  -o, --output FILE            write to FILE (replaced only when all is written);\n"
    "                               without it, standard output\n"
    "  -h, --help                   show this text\n"
    "  --version                    show the program's version\n"
    "\n"
    "Keys and values that cannot be read are left out with a warning on standard\n"
    "error; the snapshot still completes.\n"
    "Exit status: 0 done, 1 output not written, 2 a key not found, FILE.reg not\n"
    "readable or the hive not readable or damaged, 64 bad usage.\n";

constexpr CommandOption kSnapshotOptions[] = {
    {"--from", true}, kHiveOption, kMountOption, {"--registry-view", true}};

// What the command line asks for.
struct SnapshotRequest {
  ConversionArguments parsed;
  std::vector<registry::RootedKeyPath> keys;  // as typed; empty: the default keys
  registry::RegistryView view = registry::RegistryView::Own;
};

std::optional<int> ReadCommandLine(const CommandContext& context, SnapshotRequest& request) {
  ConversionArguments& parsed = request.parsed;
  if (const auto error = ParseConversionArguments(context.args, kSnapshotOptions, parsed)) {
    return UsageError(kSnapshotCommand, context, *error);
  }
  if (parsed.help) {
    std::fprintf(context.out, "Usage: vindra-cli snapshot %s\n%s", kSynopsis, kHelp);
    return kExitOk;
  }
  if (parsed.version) return PrintVersion(context.out);
  // The options of the INF commands that a registry file has no use for.
  for (const std::string& arg : context.args) {
    if (arg == "--") break;
    for (const char* name : {"--substitute", "--no-systemroot", "--no-programfiles", "--no-systemdrive",
                             "--no-controlset001", "--encoding", "--report", "--quiet", "--strict"}) {
      if (arg == name || arg.rfind(std::string(name) + "=", 0) == 0) {
        return UsageError(kSnapshotCommand, context, std::string(name) + " does not apply to a snapshot");
      }
    }
  }
  for (const std::string& operand : parsed.operands) {
    const auto key = registry::ParseRootedKeyPath(ArgumentToAnsi(context, parsed.encoding, operand));
    if (!key) {
      return UsageError(kSnapshotCommand, context,
                        "'" + operand +
                            "' does not start with a root key (HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, "
                            "HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_CURRENT_CONFIG or HKCR, HKCU, HKLM, HKU, HKCC)");
    }
    request.keys.push_back(*key);
  }
  if (const std::string* view = parsed.CommandOptionValue("--registry-view")) {
    if (*view == "32") {
      request.view = registry::RegistryView::Bits32;
    } else if (*view == "64") {
      request.view = registry::RegistryView::Bits64;
    } else {
      return UsageError(kSnapshotCommand, context, "--registry-view takes 32 or 64, not '" + *view + "'");
    }
  }
  const bool hive = parsed.CommandOptionValue(kHiveOption.name) != nullptr;
  if (parsed.CommandOptionValue(kMountOption.name) != nullptr && !hive) {
    return UsageError(kSnapshotCommand, context, "--mount needs --hive FILE");
  }
  if (hive && parsed.CommandOptionValue("--from") != nullptr) {
    return UsageError(kSnapshotCommand, context, "give either --from or --hive, not both");
  }
  return std::nullopt;
}

// The registry the keys are read from; null (after the message, with
// `status` set) when there is none. For a hive, `mount` is its key.
std::unique_ptr<registry::RegistrySource> OpenSource(const CommandContext& context, const SnapshotRequest& request,
                                                     std::optional<registry::RootedKeyPath>& mount, int& status) {
  const ConversionArguments& parsed = request.parsed;
  if (const std::string* hiveFile = parsed.CommandOptionValue(kHiveOption.name)) {
    registry::RootedKeyPath hiveMount;
    auto source = OpenHiveFile(kSnapshotCommand, context, parsed.encoding, *hiveFile,
                               parsed.CommandOptionValue(kMountOption.name), hiveMount, status);
    if (source) mount = hiveMount;
    return source;
  }
  if (const std::string* fileName = parsed.CommandOptionValue("--from")) {
    StandardInputFile input;
    if (!input.Prepare(*fileName)) {
      PrintFailure(kSnapshotCommand, context,
                   std::string(kStandardInputName) + " could not be read: " + ForTerminal(context, input.ErrorText()));
      status = kExitFileError;
      return nullptr;
    }
    auto memory = std::make_unique<registry::MemoryRegistry>();
    const registry::RegImportResult result = registry::ImportRegFile(input.Name(), *memory);
    PrintImportProblems(context, *fileName == "-" ? std::string(kStandardInputName) : ArgumentForTerminal(context, *fileName),
                        result);
    if (!result.recognised) {
      status = kExitFileError;
      return nullptr;
    }
    return memory;
  }
#ifdef _WIN32
  return std::make_unique<registry::Win32RegistrySource>(request.view);
#else
  status = UsageError(kSnapshotCommand, context,
                      "this system has no registry of its own; give one with --from FILE.reg or --hive FILE");
  return nullptr;
#endif
}

// The path components of `path` start with those of `prefix`, letter case ignored.
bool PathLiesInside(std::string_view path, std::string_view prefix) {
  const auto parts = registry::SplitKeyPath(path);
  const auto prefixParts = registry::SplitKeyPath(prefix);
  if (prefixParts.size() > parts.size()) return false;
  for (std::size_t i = 0; i < prefixParts.size(); ++i) {
    if (registry::FoldNameCase(parts[i]) != registry::FoldNameCase(prefixParts[i])) return false;
  }
  return true;
}

// The keys to write: those named, each of which must exist, or the default
// keys that exist. Nothing (after the message, `status` set) when a named key
// is missing or lies outside the hive.
std::optional<std::vector<registry::RootedKeyPath>> KeysToWrite(const CommandContext& context,
                                                                const SnapshotRequest& request,
                                                                registry::RegistrySource& source,
                                                                const std::optional<registry::RootedKeyPath>& mount,
                                                                int& status) {
  if (request.keys.empty()) {
    if (mount) return std::vector<registry::RootedKeyPath>{*mount};
    std::vector<registry::RootedKeyPath> keys;
    for (const registry::RootedKeyPath& key : {registry::RootedKeyPath{registry::kHkeyLocalMachine, "SOFTWARE"},
                                                registry::RootedKeyPath{registry::kHkeyLocalMachine, "SYSTEM"},
                                                registry::RootedKeyPath{registry::kHkeyCurrentUser, ""}}) {
      if (!FirstMissingKey(source, key.root, key.path)) keys.push_back(key);
    }
    return keys;
  }
  for (const registry::RootedKeyPath& key : request.keys) {
    const std::string name = registry::FullKeyName(key.root, key.path);
    if (mount && (key.root != mount->root || !PathLiesInside(key.path, mount->path))) {
      status = UsageError(kSnapshotCommand, context,
                          "the key " + ForTerminal(context, name) + " lies outside " +
                              ForTerminal(context, registry::FullKeyName(mount->root, mount->path)) +
                              ", the key that the hive stands for");
      return std::nullopt;
    }
    if (const std::optional<std::string> missing = FirstMissingKey(source, key.root, key.path)) {
      PrintFailure(kSnapshotCommand, context,
                   "the key " + ForTerminal(context, registry::FullKeyName(key.root, *missing)) + " does not exist");
      status = kExitFileError;
      return std::nullopt;
    }
  }
  return request.keys;
}

int Run(const CommandContext& context) {
  SnapshotRequest request;
  if (const std::optional<int> status = ReadCommandLine(context, request)) return *status;
  try {
    int status = kExitOk;
    std::optional<registry::RootedKeyPath> mount;
    const std::unique_ptr<registry::RegistrySource> source = OpenSource(context, request, mount, status);
    if (!source) return status;
    const auto keys = KeysToWrite(context, request, *source, mount, status);
    if (!keys) return status;
    RegistryFileOutput output(kSnapshotCommand, context);
    if (!output.Open(request.parsed.outputFile)) return kExitFailure;
    registry::WriteSnapshot(*source, *keys, output.File(), [&context](const registry::UnreadableItem& item) {
      PrintFailure(kSnapshotCommand, context, "cannot read " + ForTerminal(context, UnreadableText(item)) +
                                                  "; left out of the snapshot");
    });
    return output.Finish() ? kExitOk : kExitFailure;
  } catch (const FileOpenError& error) {
    std::fprintf(context.err, "%s\n", FileOpenMessageForTerminal(context, error).c_str());
    return kExitFileError;
  } catch (const std::bad_alloc&) {
    PrintFailure(kSnapshotCommand, context, "not enough memory");
    return kExitFailure;
  }
}

}  // namespace

const CliCommand kSnapshotCommand = {"snapshot", "write registry keys into one registry file, to compare later",
                                     kSynopsis, &Run};

}  // namespace vindra::cli
