// The exporters through the Win32 registry layer against the real registry
// (Wine's under test): a tree made with the wide functions, Japanese names
// included, exported and checked, then deleted.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry/key_exporter.h"
#include "registry/live_export.h"
#include "registry/regexpander_exporter.h"
#include "registry/value_reading_access.h"
#include "registry/win32_registry.h"
#include "test_support.h"

namespace vindra::registry {
namespace {

using Lines = std::vector<std::string>;

const wchar_t kTestRoot[] = L"Software\\VindraRegistryTest";

class Win32RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::UseExampleMachinePaths();
    RegDeleteTreeW(HKEY_CURRENT_USER, kTestRoot);
  }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kTestRoot); }

  static std::wstring Path(const std::wstring& sub) {
    return sub.empty() ? std::wstring(kTestRoot) : std::wstring(kTestRoot) + L"\\" + sub;
  }
  static HKEY Create(const std::wstring& sub) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Path(sub).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    return key;
  }
  static void Set(const std::wstring& sub, const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key = Create(sub);
    EXPECT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  static void SetText(const std::wstring& sub, const wchar_t* name, DWORD type, const std::wstring& text) {
    Set(sub, name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }

  Win32RegistrySource live;
};

TEST_F(Win32RegistryTest, ExportsATreeWithJapaneseNames) {
  SetText(L"", L"", REG_SZ, L"C:\\WINDOWS\\demo.exe");
  const unsigned char qword[8] = {1, 0, 0, 0, 0, 0, 0, 0};
  Set(L"", L"Big", REG_QWORD, qword, 8);
  const DWORD count = 26;
  Set(L"", L"Count", REG_DWORD, &count, 4);
  const unsigned char data[3] = {1, 2, 3};
  Set(L"", L"Data", REG_BINARY, data, 3);
  SetText(L"", L"日本語", REG_SZ, L"日本語テキスト");
  SetText(L"", L"Exp", REG_EXPAND_SZ, L"%SystemRoot%\\system32");
  const wchar_t multi[] = L"一\0二つ\0abc\0";  // with the final NUL of the literal: "一\0二つ\0abc\0\0"
  Set(L"", L"Multi", REG_MULTI_SZ, multi, sizeof multi);
  Set(L"", L"Empty", REG_BINARY, nullptr, 0);
  SetText(L"表示", L"名前", REG_SZ, L"値\"引用\"");
  Create(L"b\\deep");
  Create(L"A");

  const Lines lines = testing::Export(live, kHkeyCurrentUser, "Software\\VindraRegistryTest");
  const std::string k = "Software\\VindraRegistryTest";
  EXPECT_EQ(lines, (Lines{
                       "0x0,\"" + k + "\"",
                       "0x1,\"" + k + "\",,\"X:\\I386\\demo.exe\"",
                       "; Replaced \"REG_QWORD\" to \"REG_BINARY\".",
                       "0x3,\"" + k + "\",\"Big\",01,00,00,00,00,00,00,00",
                       "0x4,\"" + k + "\",\"Count\",0x1A",
                       "0x3,\"" + k + "\",\"Data\",01,02,03",
                       "0x3,\"" + k + "\",\"Empty\"",
                       "0x2,\"" + k + "\",\"Exp\",\"X:\\I386\\system32\"",
                       "0x7,\"" + k + "\",\"Multi\",\"一\",\"二つ\",\"abc\"",
                       "0x1,\"" + k + "\",\"日本語\",\"日本語テキスト\"",
                       "0x0,\"" + k + "\\A\"",
                       "0x0,\"" + k + "\\b\"",
                       "0x0,\"" + k + "\\b\\deep\"",
                       "0x0,\"" + k + "\\表示\"",
                       "0x1,\"" + k + "\\表示\",\"名前\",\"値\"\"引用\"\"\"",
                   }));

  EXPECT_EQ(testing::ExportRegExpander(live, kHkeyCurrentUser, "Software\\VindraRegistryTest"),
            (Lines{"0x7,\"Quenvel\\RegExpander\\HKCU\",\"" + k + "\",\"(Default)\",\"Exp\",\"Multi\",\"日本語\"",
                   "0x7,\"Quenvel\\RegExpander\\HKCU\",\"" + k + "\\表示\",\"名前\""}));
}

TEST_F(Win32RegistryTest, ReadsAndTheirErrors) {
  const unsigned char five[5] = {1, 2, 3, 4, 5};
  Set(L"", L"dw5", REG_DWORD, five, 5);
  Set(L"", L"dw2", REG_DWORD, five, 2);
  SetText(L"", L"sz", REG_SZ, L"日本語テキスト");
  std::unique_ptr<RegistryAccess> key = live.CreateAccess();
  key->SetRoot(kHkeyCurrentUser);
  ASSERT_TRUE(key->OpenKeyReadOnly("\\Software\\VindraRegistryTest"));
  EXPECT_EQ(key->ReadInteger("dw2"), 0x0201u);
  EXPECT_EQ(key->ReadString("sz"), "日本語テキスト");
  const ValueInfo info = key->QueryValueInfo("sz");
  EXPECT_TRUE(info.ok);
  EXPECT_EQ(info.size, 15u);  // the ANSI size, zero included
  try {
    key->ReadInteger("dw5");
    ADD_FAILURE() << "no error";
  } catch (const RegistryError& e) {
    EXPECT_EQ(std::string(e.what()), "'dw5' の取得に失敗しました");
  }
  try {
    key->ReadInteger("sz");
    ADD_FAILURE() << "no error";
  } catch (const RegistryError& e) {
    EXPECT_EQ(std::string(e.what()), "'sz' の取得に失敗しました");  // 15 bytes do not fit into 4
  }
  EXPECT_FALSE(key->QueryValueInfo("missing").ok);
  EXPECT_FALSE(key->OpenKeyReadOnly("Software\\VindraRegistryTest\\missing"));
}

TEST_F(Win32RegistryTest, RootHandlesReachThePredefinedKeys) {
  std::unique_ptr<RegistryAccess> key = live.CreateAccess();
  key->SetRoot(kHkeyLocalMachine);
  ASSERT_TRUE(key->OpenKeyReadOnly("System\\Select"));
  EXPECT_EQ(GetValueType(*key, "Current"), 4u);
  key->SetRoot(kHkeyCurrentUser);
  EXPECT_TRUE(key->OpenKeyReadOnly("Software"));
  EXPECT_GT(key->SubKeyCount(), 0u);
}

TEST_F(Win32RegistryTest, TreeAsDeepAsTheRegistryAllows) {
  // 511 levels below the test key: 512 levels below HKEY_CURRENT_USER\Software.
  std::wstring sub;
  for (int i = 0; i < 510; ++i) sub += sub.empty() ? L"k" : L"\\k";
  SetText(sub, L"v", REG_SZ, L"bottom");
  const Lines lines = testing::Export(live, kHkeyCurrentUser, "Software\\VindraRegistryTest");
  ASSERT_EQ(lines.size(), 512u);
  const std::string tail = ",\"v\",\"bottom\"";
  ASSERT_GE(lines.back().size(), tail.size());
  EXPECT_EQ(lines.back().substr(lines.back().size() - tail.size()), tail);
}

TEST_F(Win32RegistryTest, LiveExportCommandSpellsThePathAsTheRegistryDoes) {
  SetText(L"Sub", L"v", REG_SZ, L"x");
  LineList out;
  const LiveExportResult result =
      RunLiveExport(LiveCommand::Export, live,
                    RootedKeyPath{kHkeyCurrentUser, RegistrySpelling(live, kHkeyCurrentUser, "SOFTWARE\\vindraregistrytest\\SUB")},
                    {}, true, out);
  EXPECT_EQ(result.status, LiveExportStatus::Done);
  EXPECT_EQ(out.lines, (Lines{"[Default.AddReg]", "0x0,\"Software\\VindraRegistryTest\\Sub\"",
                              "0x1,\"Software\\VindraRegistryTest\\Sub\",\"v\",\"x\""}));
}

}  // namespace
}  // namespace vindra::registry
