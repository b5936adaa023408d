#include "cli/registry_inputs.h"

#include <cstdio>

#include "cli/hive_source.h"
#include "core/registry_file_loader.h"
#include "registry/diff_writers.h"
#include "registry/hive_registry.h"

namespace vindra::cli {

bool IsHiveFile(const std::string& fileName) { return ReadFileHead(fileName, 4) == "regf"; }

std::unique_ptr<registry::RegistrySource> OpenHiveFile(const CliCommand& command, const CommandContext& context,
                                                       OutputEncoding encoding, const std::string& fileName,
                                                       const std::string* mountText, registry::RootedKeyPath& mount,
                                                       int& exitStatus) {
  const std::string shownFile = ArgumentForTerminal(context, fileName);
  exitStatus = kExitUsage;
  if (mountText != nullptr) {
    const auto parsedMount = registry::ParseRootedKeyPath(ArgumentToAnsi(context, encoding, *mountText));
    if (!parsedMount) {
      UsageError(command, context, "--mount '" + *mountText + "' does not start with a root key");
      return nullptr;
    }
    mount = *parsedMount;
  } else if (const auto byName = registry::DefaultHiveMount(fileName)) {
    mount = *byName;
  } else {
    UsageError(command, context,
               "the key that the hive " + shownFile +
                   " stands for is not known from its file name: add --mount ROOT\\PATH (for example "
                   "--mount HKLM\\SOFTWARE)");
    return nullptr;
  }
  return OpenCheckedHive(command, context, fileName, shownFile, mount, mount, exitStatus);
}

void PrintImportProblems(const CommandContext& context, const std::string& shownName,
                         const registry::RegImportResult& result) {
  // A damaged file can have a problem on every line: the first ones tell enough.
  constexpr std::size_t kMaxProblemsShown = 20;
  for (std::size_t i = 0; i < result.problems.size() && i < kMaxProblemsShown; ++i) {
    std::fprintf(context.err, "%s:%zu: %s\n", shownName.c_str(), result.problems[i].line,
                 ForTerminal(context, result.problems[i].message).c_str());
  }
  if (result.problems.size() > kMaxProblemsShown) {
    std::fprintf(context.err, "%s: %zu more lines could not be imported\n", shownName.c_str(),
                 result.problems.size() - kMaxProblemsShown);
  }
}

std::string UnreadableText(const registry::UnreadableItem& item) {
  const std::string key = registry::FullKeyName(item.root, item.keyPath);
  if (!item.isValue) return "the key " + key;
  if (item.valueName.empty()) return "the default value of " + key;
  return "the value \"" + item.valueName + "\" of " + key;
}

}  // namespace vindra::cli
