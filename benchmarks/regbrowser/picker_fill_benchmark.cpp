// Fills a key picker node with N sub-keys (default 10 000; every second one
// with a sub-key of its own) from the in-memory registry and prints the time
// of the fill, of a forced refill and of the walk of SelectInitialKey.
//   picker_fill_benchmark [N]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "benchmarks/bench_timing.h"
#include "regbrowser/key_picker.h"
#include "registry/memory_registry.h"
#include "tests/regbrowser/null_view.h"

using namespace vindra;
using bench::NowMs;

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
  registry::MemoryRegistry reg;
  for (int i = 0; i < count; ++i) {
    // Mixed case and numbering so that the sort has work to do.
    const std::string name = (i % 3 ? "Key" : "key") + std::to_string((i * 7919) % count);
    const std::string path = "Software\\Bench\\" + name;
    reg.CreateKey(registry::kHkeyCurrentUser, i % 2 ? path + "\\Sub" : path);
  }

  regbrowser::testing::ViewlessPicker viewless(reg, registry::kHkeyCurrentUser, "Software\\Bench");
  regbrowser::KeyPicker& picker = viewless.picker;

  double start = NowMs();
  picker.PrepareToShow();
  const double walk = NowMs() - start;

  regbrowser::RegTreeNode* bench = picker.Selected();
  start = NowMs();
  picker.FillNodeChildren(*bench, false);
  const double fill = NowMs() - start;
  start = NowMs();
  picker.FillNodeChildren(*bench, true);
  const double refill = NowMs() - start;

  std::printf("sub-keys: %d (children shown: %zu)\n", count, bench->children.size());
  std::printf("walk to Software\\Bench: %.2f ms\n", walk);
  std::printf("fill (open, list, sort, probe each sub-key): %.2f ms\n", fill);
  std::printf("forced refill: %.2f ms\n", refill);
  return bench->children.size() == static_cast<std::size_t>(count) ? 0 : 1;
}
