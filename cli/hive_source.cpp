#include "cli/hive_source.h"

#include <cstdio>

#include "core/ansi_text.h"
#include "platform/text.h"
#include "registry/hive_registry.h"
#include "registry/memory_registry.h"

namespace vindra::cli {
namespace {

constexpr int kExitHiveError = 2;

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

std::string KeyName(const registry::RootedKeyPath& key) {
  std::string name(registry::RootKeyName(key.root));
  if (!key.path.empty()) name += "\\" + key.path;
  return name;
}

}  // namespace

bool WantsHiveSource(const ConversionArguments& parsed) {
  return parsed.CommandOptionValue(kHiveOption.name) != nullptr || parsed.CommandOptionValue(kMountOption.name) != nullptr;
}

std::unique_ptr<registry::RegistrySource> OpenHiveSource(const CliCommand& command, const CommandContext& context,
                                                         const ConversionArguments& parsed,
                                                         const registry::RootedKeyPath& key, int& exitStatus) {
  const auto toTerminal = [&context](const std::string& ansi) { return ForTerminal(context, ansi); };
  const std::string* fileName = parsed.CommandOptionValue(kHiveOption.name);
  const std::string* mountText = parsed.CommandOptionValue(kMountOption.name);
  exitStatus = kExitUsage;
  if (fileName == nullptr) {
    UsageError(command, context, "--mount needs --hive FILE");
    return nullptr;
  }
  if (parsed.CommandOptionValue("--from") != nullptr) {
    UsageError(command, context, "give either --from or --hive, not both");
    return nullptr;
  }
  const std::string shownFile = ArgumentForTerminal(context, *fileName);
  registry::RootedKeyPath mount;
  if (mountText != nullptr) {
    const std::string text = ArgumentToAnsi(context, parsed.encoding, *mountText);
    const auto parsedMount = registry::ParseRootedKeyPath(text);
    if (!parsedMount) {
      UsageError(command, context, "--mount '" + *mountText + "' does not start with a root key");
      return nullptr;
    }
    mount = *parsedMount;
  } else if (const auto byName = registry::DefaultHiveMount(*fileName)) {
    mount = *byName;
  } else {
    UsageError(command, context,
               "the key that " + shownFile +
                   " stands for is not known from its file name: add --mount ROOT\\PATH (for example "
                   "--mount HKLM\\SOFTWARE)");
    return nullptr;
  }
  if (key.root != mount.root || !PathLiesInside(key.path, mount.path)) {
    UsageError(command, context,
               "the key " + toTerminal(KeyName(key)) + " lies outside " + toTerminal(KeyName(mount)) +
                   ", the key that the hive stands for");
    return nullptr;
  }
  return OpenCheckedHive(command, context, *fileName, shownFile, mount, key, exitStatus);
}

std::unique_ptr<registry::RegistrySource> OpenCheckedHive(const CliCommand& command, const CommandContext& context,
                                                          const std::string& fileName, const std::string& shownFile,
                                                          const registry::RootedKeyPath& mount,
                                                          const registry::RootedKeyPath& checkKey, int& exitStatus) {
  exitStatus = kExitHiveError;
  try {
    auto source = std::make_unique<registry::HiveRegistrySource>(fileName, mount);
    if (source->Dirty()) {
      std::fprintf(context.err,
                   "vindra-cli %s: warning: %s was not closed cleanly (changes may wait in its .LOG files, which "
                   "are not applied); read as it stands\n",
                   command.name, shownFile.c_str());
    }
    source->CheckTree(checkKey.root, checkKey.path);
    exitStatus = kExitOk;
    return source;
  } catch (const registry::HiveError& error) {
    std::fprintf(context.err, "%s: %s\n", shownFile.c_str(), ForTerminal(context, error.Detail()).c_str());
  }
  return nullptr;
}

}  // namespace vindra::cli
