// vindra-cli diff: what changed between two registry states, as the sections
// of a plug-in INF file (or as a registry file). Each state is a .reg file, a
// hive file, or (AFTER only, Windows) the live registry.
#include <algorithm>
#include <atomic>
#include <exception>
#include <functional>
#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#ifndef _WIN32
#include <thread>
#endif

#include "cli/cli_command.h"
#include "cli/command_list.h"
#include "cli/command_output.h"
#include "cli/conversion_arguments.h"
#include "cli/hive_source.h"
#include "cli/plugin_inf.h"
#include "cli/progress_line.h"
#include "cli/registry_file_output.h"
#include "cli/registry_inputs.h"
#include "cli/skip_summary.h"
#include "cli/standard_input.h"
#include "core/file_io.h"
#include "core/registry_file_loader.h"
#include "registry/compact_registry.h"
#include "registry/compact_registry_reader.h"
#include "registry/diff_writers.h"
#include "registry/memory_registry.h"
#include "registry/registry_diff.h"
#include "registry/root_key.h"
#include "registry/win32_registry.h"

namespace vindra::cli {
namespace {

constexpr const char* kSynopsis = "[OPTIONS] BEFORE [AFTER]";

constexpr const char* kHelp =
    "Writes what changed from BEFORE to AFTER as the registry sections of a plug-in\n"
    "INF file: new keys and new or changed values in the AddReg section of their\n"
    "tree, as `export` writes them; deleted keys and values in the DelReg section.\n"
    "BEFORE and AFTER are each a registry file (.reg, as `convert` reads it), a hive\n"
    "file (recognised by its \"regf\" signature), or \"-\" for standard input (a\n"
    "registry file; one side at most). Without AFTER the live registry is the after-\n"
    "state (Windows). Compared are the tops of BEFORE and AFTER (each key whose\n"
    "parent the file does not hold; a hive whole), or the keys given with --key.\n"
    "Names compare without regard to letter case. Values that change on every start\n"
    "or log-on are left out (see --list-noise).\n"
    "\n"
    "Options:\n"
    "  --key ROOT\\PATH               compare this key (repeatable) instead of the tops\n"
    "  --exclude ROOT\\PATH           leave out this key with everything beneath it\n"
    "                               (repeatable; \"*\" matches within a name)\n"
    "  --keep-noise                 compare the noise keys too\n"
    "  --list-noise                 print the noise keys and end\n"
    "  --format inf|reg             INF sections (default) or a registry file that the\n"
    "                               registry editor imports (the undo file: swap\n"
    "                               BEFORE and AFTER)\n"
    "  --mount ROOT\\PATH            the key the hive files stand for (both sides); the\n"
    "                               default comes from the file name, as for export\n"
    "  --registry-view 32|64        the view of the live registry (Windows)\n"
    VINDRA_PLUGIN_OPTION_USAGE
    VINDRA_CONVERSION_OPTIONS_USAGE
    "\n"
    "One summary line on standard error counts the keys and values added, changed,\n"
    "deleted, left out as noise and not expressible in a plug-in (deletions below\n"
    "HKEY_LOCAL_MACHINE\\SYSTEM, which has no DelReg section, are written as comment\n"
    "lines; changes outside the sections' trees are left out); what is not\n"
    "expressible or could not be read is then summed up as --report, --quiet and\n"
    "--strict say (--quiet also drops the summary line).\n"
    "Exit status: 0 done (with or without changes), 1 output not written, 2 a file\n"
    "not readable, not a registry file, a damaged hive or a key in neither side,\n"
    "4 something left out with --strict, 64 bad usage.\n";

constexpr CommandOption kDiffOptions[] = {{"--key", true},         {"--exclude", true},  {"--keep-noise", false},
                                          {"--list-noise", false}, {"--format", true},   kMountOption,
                                          {"--registry-view", true}, kPluginOption};

// What the command line asks for.
struct DiffRequest {
  ConversionArguments parsed;
  std::string before;
  std::optional<std::string> after;  // nothing: the live registry
  std::vector<registry::RootedKeyPath> keys;
  registry::KeyPatternList excluded;
  bool keepNoise = false;
  bool regFormat = false;
  std::optional<std::string> pluginName;
  registry::RegistryView view = registry::RegistryView::Own;
};

std::optional<int> ReadCommandLine(const CommandContext& context, DiffRequest& request) {
  ConversionArguments& parsed = request.parsed;
  if (const auto error = ParseConversionArguments(context.args, kDiffOptions, parsed)) {
    return UsageError(kDiffCommand, context, *error);
  }
  if (parsed.help) {
    std::fprintf(context.out, "Usage: vindra-cli diff %s\n%s", kSynopsis, kHelp);
    return kExitOk;
  }
  if (parsed.version) return PrintVersion(context.out);
  if (parsed.CommandOptionValue("--list-noise")) {
    for (std::string_view key : registry::BuiltInNoiseKeys()) {
      std::fprintf(context.out, "%.*s\n", static_cast<int>(key.size()), key.data());
    }
    return kExitOk;
  }
  if (parsed.operands.empty()) return UsageError(kDiffCommand, context, "BEFORE is missing");
  if (parsed.operands.size() > 2) return UsageError(kDiffCommand, context, "give BEFORE and AFTER only");
  request.before = parsed.operands[0];
  if (parsed.operands.size() == 2) request.after = parsed.operands[1];
  if (request.after && request.before == "-" && *request.after == "-") {
    return UsageError(kDiffCommand, context, "standard input (\"-\") can be only one of BEFORE and AFTER");
  }
#ifndef _WIN32
  if (!request.after) {
    return UsageError(kDiffCommand, context,
                      "AFTER is missing: this system has no registry of its own to compare with (give a .reg or "
                      "hive file)");
  }
#endif
  for (const auto& [name, value] : parsed.commandOptions) {
    if (name == "--key") {
      const auto key = registry::ParseRootedKeyPath(ArgumentToAnsi(context, parsed.encoding, value));
      if (!key) return UsageError(kDiffCommand, context, "--key '" + value + "' does not start with a root key");
      request.keys.push_back(*key);
    } else if (name == "--exclude") {
      if (!request.excluded.Add(ArgumentToAnsi(context, parsed.encoding, value))) {
        return UsageError(kDiffCommand, context, "--exclude '" + value + "' does not start with a root key");
      }
    } else if (name == "--keep-noise") {
      request.keepNoise = true;
    } else if (name == "--format") {
      if (value != "inf" && value != "reg") return UsageError(kDiffCommand, context, "--format must be inf or reg");
      request.regFormat = value == "reg";
    } else if (name == "--registry-view") {
      if (value == "32") {
        request.view = registry::RegistryView::Bits32;
      } else if (value == "64") {
        request.view = registry::RegistryView::Bits64;
      } else {
        return UsageError(kDiffCommand, context, "--registry-view takes 32 or 64, not '" + value + "'");
      }
    }
  }
  if (const auto problem = PluginNameOption(context, parsed, request.pluginName)) {
    return UsageError(kDiffCommand, context, *problem);
  }
  if (request.regFormat && request.pluginName) {
    return UsageError(kDiffCommand, context, "--plugin writes INF sections: it does not go with --format reg");
  }
  if (request.regFormat && parsed.encoding != OutputEncoding::Ansi) {
    return UsageError(kDiffCommand, context, "a registry file is UTF-16LE: --encoding does not go with --format reg");
  }
  return std::nullopt;
}

// One side of the comparison.
struct Side {
  registry::CompactRegistry registry;
  std::vector<registry::RootedKeyPath> tops;
  bool live = false;
  // Keys that could not be read whole: left out of the comparison, since
  // what is missing there is not known to be gone.
  std::vector<registry::RootedKeyPath> unreadable;

  // A .reg file, read by LoadRegistryFile.
  bool registryFile = false;
  StandardInputFile input;
  std::string shownName;
  std::uint64_t expectedText = 0;  // the text's size, when known
  std::atomic<std::uint64_t> textRead{0};
  registry::RegImportResult result;
  std::exception_ptr failure;
};

// Reports an item that could not be read and remembers its key.
void NoteUnreadable(const CommandContext& context, const std::string& where, const registry::UnreadableItem& item,
                    SkipObserver* skipped, Side& side) {
  PrintFailure(kDiffCommand, context,
               where + "cannot read " + ForTerminal(context, UnreadableText(item)) + "; the key is left out");
  if (skipped) {
    skipped->Skipped(item.isValue ? SkipReason::ValueCannotBeQueried : SkipReason::KeyCannotBeOpened, 0,
                     registry::FullKeyName(item.root, item.keyPath), item.valueName);
  }
  side.unreadable.push_back(registry::RootedKeyPath{item.root, item.keyPath});
}

// Opens a side: a hive file is read here, a .reg file only prepared for
// LoadRegistryFile. False (after the message, `status` set) when it cannot
// be used.
bool OpenSide(const CommandContext& context, const DiffRequest& request, const std::string& operand,
              SkipObserver* skipped, Side& side, int& status) {
  if (!side.input.Prepare(operand)) {
    PrintFailure(kDiffCommand, context,
                 std::string(kStandardInputName) + " could not be read: " +
                     ForTerminal(context, side.input.ErrorText()));
    status = kExitFileError;
    return false;
  }
  side.shownName = operand == "-" ? std::string(kStandardInputName) : ArgumentForTerminal(context, operand);
  if (operand != "-" && IsHiveFile(side.input.Name())) {
    registry::RootedKeyPath mount;
    const auto source = OpenHiveFile(kDiffCommand, context, request.parsed.encoding, side.input.Name(),
                                     request.parsed.CommandOptionValue(kMountOption.name), mount, status);
    if (!source) return false;
    registry::ReadSourceCompact(*source, {mount}, side.registry, [&](const registry::UnreadableItem& item) {
      NoteUnreadable(context, side.shownName + ": ", item, skipped, side);
    });
    side.registry.Finish();
    side.tops = {mount};
    return true;
  }
  side.registryFile = true;
  if (operand != "-") {
    // The text of a UTF-16 file is about half its bytes.
    InputFile file;
    if (file.Open(side.input.Name())) {
      side.expectedText = file.Size();
      if (ReadFileHead(side.input.Name(), 2) == "\xFF\xFE") side.expectedText /= 2;
    }
  }
  return true;
}

// Reads a prepared .reg side; writes no message (it may run beside the other
// side), a failure is kept for FinishSide. `onProgress` is called now and then.
void LoadRegistryFile(Side& side, const std::function<void()>& onProgress) {
  try {
    side.result = registry::ReadRegFileCompact(side.input.Name(), side.registry, [&](std::uint64_t read) {
      side.textRead = read;
      if (onProgress) onProgress();
    }, side.expectedText);
    side.tops = side.registry.Tops();
  } catch (...) {
    side.failure = std::current_exception();
  }
}

// After LoadRegistryFile: its problems and failures. False (after the
// message, `status` set) when the file is no registry file.
bool FinishSide(const CommandContext& context, Side& side, int& status) {
  if (!side.registryFile) return true;
  if (side.failure) std::rethrow_exception(side.failure);
  PrintImportProblems(context, side.shownName, side.result);
  if (!side.result.recognised) {
    status = kExitFileError;
    return false;
  }
  return true;
}

// "reading BEFORE 40%, AFTER 35%" while the files are read.
std::string ProgressText(const Side& before, const Side& after) {
  std::string text = "vindra-cli diff: reading";
  const auto part = [&text](const char* role, const Side& side) {
    if (!side.registryFile) return;
    text += text.back() == 'g' ? " " : ", ";
    text += role;
    if (side.expectedText > 0) {
      // Appended piece by piece: chaining operator+ trips a false -Wrestrict in GCC 12.
      text += ' ';
      text += std::to_string(std::min<std::uint64_t>(99, side.textRead * 100 / side.expectedText));
      text += '%';
    }
  };
  part("BEFORE", before);
  part("AFTER", after);
  return text;
}

// Reads the .reg sides, the two side by side where threads are at hand.
void LoadRegistryFiles(Side& before, Side& after, ProgressLine& progress) {
  const auto show = [&] { progress.Show(ProgressText(before, after)); };
#ifndef _WIN32
  if (before.registryFile && after.registryFile) {
    std::thread other([&after] { LoadRegistryFile(after, {}); });
    LoadRegistryFile(before, show);
    other.join();
    return;
  }
#endif
  if (before.registryFile) LoadRegistryFile(before, show);
  if (after.registryFile) LoadRegistryFile(after, show);
}

// The keys compared: those of --key, each in one side at least, or the tops
// of both sides, a top inside another left out.
std::optional<std::vector<registry::RootedKeyPath>> KeysToCompare(const CommandContext& context,
                                                                  const DiffRequest& request, const Side& before,
                                                                  const Side& after, int& status) {
  if (!request.keys.empty()) {
    for (const registry::RootedKeyPath& key : request.keys) {
      if (before.registry.FindKey(key.root, key.path) == registry::CompactRegistry::kNone &&
          after.registry.FindKey(key.root, key.path) == registry::CompactRegistry::kNone) {
        PrintFailure(kDiffCommand, context,
                     "the key " + ForTerminal(context, registry::FullKeyName(key.root, key.path)) +
                         " is in neither BEFORE nor AFTER");
        status = kExitFileError;
        return std::nullopt;
      }
    }
    return request.keys;
  }
  std::vector<registry::RootedKeyPath> all = before.tops;
  if (!after.live) all.insert(all.end(), after.tops.begin(), after.tops.end());
  // Each key as its root and folded components joined by a separator that
  // sorts before every name byte: a key sorts right before the keys inside it.
  std::vector<std::string> folded;
  folded.reserve(all.size());
  for (const registry::RootedKeyPath& key : all) {
    std::string text = std::to_string(key.root);
    for (std::string_view part : registry::SplitKeyPath(key.path)) {
      text.push_back('\x01');
      registry::AppendFoldedName(part, text);
    }
    folded.push_back(std::move(text));
  }
  std::vector<std::size_t> order(all.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) { return folded[x] < folded[y]; });
  std::vector<bool> covered(all.size(), false);
  const std::string* kept = nullptr;
  for (std::size_t i : order) {
    const std::string& text = folded[i];
    if (kept && text.compare(0, kept->size(), *kept) == 0 &&
        (text.size() == kept->size() || text[kept->size()] == '\x01')) {
      covered[i] = true;
      continue;
    }
    kept = &text;
  }
  std::vector<registry::RootedKeyPath> keys;
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (!covered[i]) keys.push_back(std::move(all[i]));
  }
  return keys;
}

void PrintSummary(const CommandContext& context, const DiffRequest& request, const registry::DiffCounts& counts,
                  std::size_t notExpressible) {
  if (request.parsed.quiet) return;
  std::fprintf(context.err,
               "vindra-cli diff: keys %zu added, %zu deleted; values %zu added, %zu changed, %zu deleted; "
               "%zu left out as noise; %zu not expressible\n",
               counts.keysAdded, counts.keysDeleted, counts.valuesAdded, counts.valuesChanged, counts.valuesDeleted,
               counts.noise, notExpressible);
}

// With --strict, anything left out fails the command before --output is
// touched; otherwise the skip summary follows the output.
int WriteDifference(const CommandContext& context, const DiffRequest& request, const Side& before, const Side& after,
                    const registry::DiffRequest& comparison, SkipSummary& skipped) {
  if (request.regFormat) {
    if (request.parsed.strict && !skipped.empty()) {
      skipped.Tell();
      return kExitSkipped;
    }
    RegistryFileOutput output(kDiffCommand, context);
    if (!output.Open(request.parsed.outputFile)) return kExitFailure;
    registry::RegDiffWriter writer(output.File());
    const registry::DiffCounts counts = registry::CompareRegistries(before.registry, after.registry, comparison, writer);
    if (!output.Finish()) return kExitFailure;
    PrintSummary(context, request, counts, 0);
    return skipped.Tell() ? kExitOk : kExitFailure;
  }
  registry::InfDiffWriter writer(request.parsed.options, skipped.Observer());
  const registry::DiffCounts counts = registry::CompareRegistries(before.registry, after.registry, comparison, writer);
  for (const std::string& problem : writer.Problems()) {
    PrintFailure(kDiffCommand, context, ForTerminal(context, problem) + "; left out");
  }
  if (request.parsed.strict && (!skipped.empty() || !writer.Problems().empty())) {
    PrintSummary(context, request, counts, writer.NotExpressible());
    skipped.Tell();
    return kExitSkipped;
  }
  CommandOutput output(kDiffCommand, context, request.parsed.encoding);
  if (!output.Open(request.parsed.outputFile, request.pluginName)) return kExitFailure;
  writer.Finish(output.Lines());
  if (!output.Finish()) return kExitFailure;
  PrintSummary(context, request, counts, writer.NotExpressible());
  return skipped.Tell() ? kExitOk : kExitFailure;
}

int Run(const CommandContext& context) {
  DiffRequest request;
  if (const std::optional<int> status = ReadCommandLine(context, request)) return *status;
  try {
    int status = kExitOk;
    SkipSummary skipped(kDiffCommand, context, request.parsed);
    if (!skipped.OpenReport()) return kExitFailure;
    ProgressLine progress(context.err);
    Side before;
    Side after;
    if (!OpenSide(context, request, request.before, skipped.Observer(), before, status)) return status;
    if (request.after && !OpenSide(context, request, *request.after, skipped.Observer(), after, status)) return status;
    LoadRegistryFiles(before, after, progress);
    progress.Clear();
    if (!FinishSide(context, before, status) || !FinishSide(context, after, status)) return status;
    if (!request.after) {
#ifdef _WIN32
      // The live registry, read below the keys that BEFORE holds.
      after.live = true;
      registry::Win32RegistrySource live(request.view);
      progress.Show("vindra-cli diff: reading the registry");
      registry::ReadSourceCompact(live, request.keys.empty() ? before.tops : request.keys, after.registry,
                                  [&](const registry::UnreadableItem& item) {
                                    NoteUnreadable(context, "", item, skipped.Observer(), after);
                                  });
      after.registry.Finish();
#endif
    }
    progress.Clear();
    const auto keys = KeysToCompare(context, request, before, after, status);
    if (!keys) return status;
    const registry::KeyPatternList noise = [&] {
      registry::KeyPatternList list;
      if (!request.keepNoise) {
        for (std::string_view key : registry::BuiltInNoiseKeys()) list.Add(key);
      }
      return list;
    }();
    registry::KeyPatternList excluded = request.excluded;
    for (const Side* side : {&before, &after}) {
      for (const registry::RootedKeyPath& key : side->unreadable) excluded.AddExact(key.root, key.path);
    }
    registry::DiffRequest comparison;
    comparison.keys = *keys;
    comparison.noise = request.keepNoise ? nullptr : &noise;
    comparison.excluded = &excluded;
    return WriteDifference(context, request, before, after, comparison, skipped);
  } catch (const FileOpenError& error) {
    std::fprintf(context.err, "%s\n", FileOpenMessageForTerminal(context, error).c_str());
    return kExitFileError;
  } catch (const std::bad_alloc&) {
    PrintFailure(kDiffCommand, context, "not enough memory");
    return kExitFailure;
  }
}

}  // namespace

const CliCommand kDiffCommand = {"diff", "write what changed between two registry states as INF sections",
                                 kSynopsis, &Run};

}  // namespace vindra::cli
