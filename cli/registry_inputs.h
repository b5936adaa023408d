// The registry inputs of `vindra-cli snapshot` and `vindra-cli diff`: hive
// files recognised by their signature and mounted where --mount (or the file
// name) says, .reg files with the problems of their lines, and the messages
// for what could not be read.
#pragma once

#include <memory>
#include <string>

#include "cli/cli_command.h"
#include "core/stream_output_list.h"
#include "registry/compact_registry_reader.h"
#include "registry/reg_file_import.h"
#include "registry/registry_access.h"
#include "registry/root_key.h"

namespace vindra::cli {

// True when the file starts with the hive signature "regf".
bool IsHiveFile(const std::string& fileName);

// Opens the hive file mounted at --mount (`mountText`, null: from the file
// name) and checks the whole hive, so that damage shows before anything is
// written; a hive left dirty is read as it stands, with a warning. Null
// after the message, with `exitStatus` set (kExitUsage for a mount that
// cannot be told, 2 for a hive that cannot be read or is damaged).
std::unique_ptr<registry::RegistrySource> OpenHiveFile(const CliCommand& command, const CommandContext& context,
                                                       OutputEncoding encoding, const std::string& fileName,
                                                       const std::string* mountText, registry::RootedKeyPath& mount,
                                                       int& exitStatus);

// The problems of a .reg file's lines, "NAME:LINE: message", the first few.
void PrintImportProblems(const CommandContext& context, const std::string& shownName,
                         const registry::RegImportResult& result);

// "the key HKEY_...\X", "the value "Name" of HKEY_...\X" (ANSI).
std::string UnreadableText(const registry::UnreadableItem& item);

}  // namespace vindra::cli
