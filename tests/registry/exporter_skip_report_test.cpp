// What the two exporters tell a SkipObserver, and that their entries stay the
// same with or without one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/output_list.h"
#include "core/skip_report.h"
#include "registry/key_exporter.h"
#include "registry/memory_registry.h"
#include "registry/regexpander_exporter.h"
#include "test_support.h"

namespace vindra::registry {
namespace {

constexpr RootKey HKCU = kHkeyCurrentUser;

std::vector<std::string> Described(const SkipList& skipped) {
  std::vector<std::string> lines;
  for (const SkippedItem& item : skipped.Items()) {
    lines.push_back(std::string(SkipReasonText(item.reason)) + " [" + item.key + "] [" + item.valueName + "] " +
                    std::to_string(item.line));
  }
  return lines;
}

// A tree with one of every loss an export can meet: a key that cannot be
// opened, one whose sub-keys cannot be listed, a value whose query fails, a
// key that goes away while its values are queried, and a multi-string value
// whose data cannot be read (too large for the query's buffer, so read apart;
// a binary one would end the export with an error instead).
void FillLossyTree(MemoryRegistry& reg) {
  const std::string text("x\0", 2);
  reg.SetValue(HKCU, "K", "ok", 1, text);
  reg.SetValue(HKCU, "K", "lost", 1, text);
  reg.SetValueFaults(HKCU, "K", "lost", true, false);
  reg.SetValue(HKCU, "K", "list", 7, std::string(5000, 'a') + std::string(2, '\0'));
  reg.SetValueFaults(HKCU, "K", "list", false, true);
  reg.SetValue(HKCU, "K\\Denied", "s", 1, text);
  reg.SetKeyAccess(HKCU, "K\\Denied", KeyAccess::Denied);
  reg.SetValue(HKCU, "K\\QueryOnly", "s", 1, text);
  reg.CreateKey(HKCU, "K\\QueryOnly\\Below");
  reg.SetKeyAccess(HKCU, "K\\QueryOnly", KeyAccess::QueryOnly);
  reg.SetValue(HKCU, "K\\Vanishing", "a", 1, text);
  reg.SetValue(HKCU, "K\\Vanishing", "b", 1, text);
  reg.SetHook([&reg](RegistryCall call, RootKey, std::string_view path, std::string_view name) {
    if (call == RegistryCall::QueryValue && path == "K\\Vanishing" && name == "a") reg.DeleteKey(HKCU, "K\\Vanishing");
  });
}

TEST(ExporterSkipReport, KeyExporterTellsEveryLoss) {
  MemoryRegistry plainReg;
  FillLossyTree(plainReg);
  LineList plain;
  RegistryKeyExporter(plain, plainReg, HKCU, "K", {});

  MemoryRegistry reg;
  FillLossyTree(reg);
  LineList observed;
  SkipList skipped;
  RegistryKeyExporter(observed, reg, HKCU, "K", {}, &skipped);
  EXPECT_EQ(observed.lines, plain.lines);
  EXPECT_EQ(Described(skipped), (std::vector<std::string>{
                                    "value whose data cannot be read [HKEY_CURRENT_USER\\K] [list] 0",
                                    "value that cannot be queried [HKEY_CURRENT_USER\\K] [lost] 0",
                                    "key that cannot be opened [HKEY_CURRENT_USER\\K\\Denied] [] 0",
                                    "key whose sub-keys cannot be listed [HKEY_CURRENT_USER\\K\\QueryOnly] [] 0",
                                    "value whose key cannot be reopened [HKEY_CURRENT_USER\\K\\Vanishing] [a] 0",
                                    "value whose key cannot be reopened [HKEY_CURRENT_USER\\K\\Vanishing] [b] 0",
                                }));
}

TEST(ExporterSkipReport, RegExpanderExporterTellsWhatItCannotJudge) {
  MemoryRegistry plainReg;
  FillLossyTree(plainReg);
  LineList plain;
  RegExpanderExporter(plain, plainReg, HKCU, "K", {});

  MemoryRegistry reg;
  FillLossyTree(reg);
  LineList observed;
  SkipList skipped;
  RegExpanderExporter(observed, reg, HKCU, "K", {}, &skipped);
  EXPECT_EQ(observed.lines, plain.lines);
  // No data is read, so unreadable data is no loss; neither are values of
  // other types than the string ones.
  EXPECT_EQ(Described(skipped), (std::vector<std::string>{
                                    "value that cannot be queried [HKEY_CURRENT_USER\\K] [lost] 0",
                                    "key that cannot be opened [HKEY_CURRENT_USER\\K\\Denied] [] 0",
                                    "key whose sub-keys cannot be listed [HKEY_CURRENT_USER\\K\\QueryOnly] [] 0",
                                    "value whose key cannot be reopened [HKEY_CURRENT_USER\\K\\Vanishing] [a] 0",
                                    "value whose key cannot be reopened [HKEY_CURRENT_USER\\K\\Vanishing] [b] 0",
                                }));
}

}  // namespace
}  // namespace vindra::registry
