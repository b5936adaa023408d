// The --hive FILE [--mount ROOT\PATH] source of `vindra-cli export` and
// `vindra-cli regexpander`: an offline hive file read in place of the live
// registry, by the same reader in every build (no administrator rights, no
// loading into the system's registry).
#pragma once

#include <memory>
#include <string>

#include "cli/cli_command.h"
#include "cli/conversion_arguments.h"
#include "registry/registry_access.h"
#include "registry/root_key.h"

namespace vindra::cli {

inline constexpr CommandOption kHiveOption = {"--hive", true};
inline constexpr CommandOption kMountOption = {"--mount", true};

#define VINDRA_HIVE_OPTIONS_USAGE \
  "  --hive FILE                  read the keys from an offline hive file (SOFTWARE,\n" \
  "                               SYSTEM, NTUSER.DAT, UsrClass.dat of a Windows\n" \
  "                               installation)\n" \
  "  --mount ROOT\\PATH            the key the hive stands for; the default comes from\n" \
  "                               the file name: SOFTWARE and SYSTEM are\n" \
  "                               HKEY_LOCAL_MACHINE\\SOFTWARE and ...\\SYSTEM, NTUSER.DAT\n" \
  "                               is HKEY_CURRENT_USER, UsrClass.dat HKEY_CLASSES_ROOT\n"

// True when --hive or --mount was given.
bool WantsHiveSource(const ConversionArguments& parsed);

// Opens the hive that --hive names for the key to export, after checking
// --mount and that the key lies inside the mounted key, and reads the key's
// tree once so that damage shows before anything is written. Null after the
// message, with `exitStatus` set (kExitUsage for a bad command line, 2 for a
// hive that cannot be read or is damaged). A hive that Windows did not close
// cleanly is read as it stands, with a warning on standard error.
std::unique_ptr<registry::RegistrySource> OpenHiveSource(const CliCommand& command, const CommandContext& context,
                                                         const ConversionArguments& parsed,
                                                         const registry::RootedKeyPath& key, int& exitStatus);

// Opens the hive file mounted at `mount` and reads the tree of `checkKey`
// once (see HiveRegistrySource::CheckTree), warning about a hive that was not
// closed cleanly. Null after "FILE: what is wrong" on standard error, with
// `exitStatus` 2; `shownFile` is the file name as the terminal shows it.
std::unique_ptr<registry::RegistrySource> OpenCheckedHive(const CliCommand& command, const CommandContext& context,
                                                          const std::string& fileName, const std::string& shownFile,
                                                          const registry::RootedKeyPath& mount,
                                                          const registry::RootedKeyPath& checkKey, int& exitStatus);

}  // namespace vindra::cli
