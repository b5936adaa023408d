// Reading an offline hive file on arbitrary file contents: the hive source is
// opened as HKEY_LOCAL_MACHINE\SOFTWARE and its whole tree checked; a hive
// that passes the check is exported by both exporters, which then must meet
// no damage (vindra-cli writes nothing for a damaged hive, so every damage
// must show in the check). Seeds: hives that tests/registry/hive_test_support.h
// writes from tests/registry/data/hive_tree.reg, and the empty hive.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "core/output_list.h"
#include "registry/hive_registry.h"
#include "registry/live_export.h"
#include "tests/fuzz/fuzz_support.h"

using vindra::fuzz::Check;
namespace reg = vindra::registry;

namespace {

const std::string& ScratchFile() {
  static const std::string path = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                                  "/vindra_fuzz_hive_" + std::to_string(getpid()) + ".hive";
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool machinePaths = (vindra::fuzz::SetMachinePaths(), true);
  (void)machinePaths;
  const std::string& path = ScratchFile();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return 0;
  const bool written = std::fwrite(data, 1, size, f) == size;
  if (std::fclose(f) != 0 || !written) return 0;

  const reg::RootedKeyPath mount{reg::kHkeyLocalMachine, "SOFTWARE"};
  try {
    reg::HiveRegistrySource hive(path, mount);
    hive.CheckTree(mount.root, mount.path);
    try {
      for (const auto command : {reg::LiveCommand::Export, reg::LiveCommand::RegExpander}) {
        vindra::LineList out;
        reg::RunLiveExport(command, hive, mount, {}, true, out);
        Check(!out.lines.empty(), "an export writes at least its first line");
      }
    } catch (const reg::HiveError& error) {
      vindra::fuzz::Fail("damage met during the export of a checked hive", error.what());
    }
  } catch (const reg::HiveError& error) {
    Check(std::string(error.what()).rfind(path, 0) == 0, "the message starts with the file name", error.what());
  }
  std::remove(path.c_str());  // libFuzzer ends without running exit handlers
  return 0;
}
