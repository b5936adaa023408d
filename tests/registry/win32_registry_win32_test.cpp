// The exporters through the Win32 registry layer against the real registry
// (Wine's under test): a tree made with the wide functions, Japanese names
// included, exported and checked, then deleted.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
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

// The reference: every value read by name, as the exporter reads a value
// whose data the access did not hand over. The names are listed with
// RegEnumValueA on a handle of its own; all else goes to a live access.
// `onOpen` runs before each key is opened (its path as given), so that a test
// can change the registry while the walk goes on.
class ProbeSource final : public RegistrySource {
 public:
  using OnOpen = std::function<void(std::string_view path)>;
  ProbeSource(bool byName, OnOpen onOpen) : byName_(byName), onOpen_(std::move(onOpen)) {}
  std::unique_ptr<RegistryAccess> CreateAccess() override {
    return std::make_unique<Access>(live_.CreateAccess(), byName_, onOpen_);
  }

 private:
  class Access final : public RegistryAccess {
   public:
    Access(std::unique_ptr<RegistryAccess> inner, bool byName, const OnOpen& onOpen)
        : inner_(std::move(inner)), byName_(byName), onOpen_(onOpen) {}
    void SetRoot(RootKey root) override {
      root_ = root;
      inner_->SetRoot(root);
    }
    bool OpenKeyReadOnly(std::string_view path) override {
      if (onOpen_) onOpen_(path);
      path_ = path;
      return inner_->OpenKeyReadOnly(path);
    }
    void CloseKey() override { inner_->CloseKey(); }
    std::vector<std::string> ValueNames() override {
      if (!byName_) return inner_->ValueNames();
      std::vector<std::string> names;
      HKEY key = nullptr;
      const HKEY root = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(root_))));
      if (RegOpenKeyExA(root, path_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
      char name[70000];
      for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        const LONG result = RegEnumValueA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
      }
      RegCloseKey(key);
      return names;
    }
    std::vector<std::string> SubKeyNames() override { return inner_->SubKeyNames(); }
    std::uint32_t SubKeyCount() override { return inner_->SubKeyCount(); }
    ValueInfo QueryValueInfo(std::string_view name) override { return inner_->QueryValueInfo(name); }
    ValueData QueryValueData(std::string_view name) override {
      if (!byName_) return inner_->QueryValueData(name);
      ValueData data;  // the type and size only: the exporter reads the data by name
      data.info = inner_->QueryValueInfo(name);
      return data;
    }
    std::string ReadString(std::string_view name) override { return inner_->ReadString(name); }
    std::uint32_t ReadInteger(std::string_view name) override { return inner_->ReadInteger(name); }
    std::uint32_t ReadBinaryData(std::string_view name, void* buffer, std::uint32_t capacity) override {
      return inner_->ReadBinaryData(name, buffer, capacity);
    }
    std::uint32_t ReadRawData(std::string_view name, void* buffer, std::uint32_t capacity) override {
      return inner_->ReadRawData(name, buffer, capacity);
    }

   private:
    std::unique_ptr<RegistryAccess> inner_;
    bool byName_;
    const OnOpen& onOpen_;
    RootKey root_ = kHkeyCurrentUser;
    std::string path_;
  };

  Win32RegistrySource live_;
  bool byName_;
  OnOpen onOpen_;
};

// The export with the values read during the listing against the export
// reading each value by name: the same lines (or the same error) for names
// whose ANSI form does not lead back to the value, text the code page lacks,
// odd and unterminated strings, and data on both sides of the reader's buffer.
TEST_F(Win32RegistryTest, ValuesReadWhileListedMatchValueByValueReading) {
  SetText(L"", L"", REG_SZ, L"default");
  SetText(L"", L"Caf\u00e9", REG_SZ, L"best fit name");
  SetText(L"", L"Cafe", REG_SZ, L"plain name");
  SetText(L"", L"\uD55C\uAE00", REG_SZ, L"unmappable name");
  SetText(L"", L"??", REG_SZ, L"question marks");
  const DWORD one = 1;
  Set(L"", L"\U0001F600", REG_DWORD, &one, 4);
  SetText(L"", L"\u00A5yen", REG_SZ, L"yen");
  SetText(L"", L"日本語", REG_SZ, L"a\uD55Cb\U0001F600c\u00A5d\u301Ce");
  Set(L"", L"odd", REG_SZ, L"abc", 3);
  Set(L"", L"unterminated", REG_SZ, L"abc", 6);
  Set(L"", L"empty", REG_SZ, nullptr, 0);
  SetText(L"", L"zero", REG_SZ, L"");
  SetText(L"", L"expand", REG_EXPAND_SZ, L"%SystemRoot%\\x;C:\\WINDOWS\\y");
  const wchar_t multi[] = L"一\0\uD55C\0\0";
  Set(L"", L"multi", REG_MULTI_SZ, multi, sizeof multi);
  Set(L"", L"multi odd", REG_MULTI_SZ, multi, 5);
  const unsigned char five[5] = {1, 2, 3, 4, 5};
  Set(L"", L"dw2", REG_DWORD, five, 2);
  Set(L"", L"qword", REG_QWORD, five, 5);
  Set(L"", L"none", REG_NONE, five, 3);
  Set(L"", L"custom", 0x12345, five, 4);
  for (const std::size_t size : {std::size_t{4095}, std::size_t{4096}, std::size_t{4097}, std::size_t{70000}}) {
    const std::string bytes = testing::Sequence(size);
    Set(L"big", (L"binary" + std::to_wstring(size)).c_str(), REG_BINARY, bytes.data(), static_cast<DWORD>(size));
  }
  // 4096 ANSI bytes with the zero fit the reader's buffer, 4097 do not.
  SetText(L"big", L"ascii4096", REG_SZ, std::wstring(4095, L'a'));
  SetText(L"big", L"ascii4097", REG_SZ, std::wstring(4096, L'a'));
  SetText(L"big", L"kanji", REG_SZ, std::wstring(2100, L'漢'));  // 4201 ANSI bytes from 4202 UTF-16 bytes
  SetText(L"big", L"kanji small", REG_SZ, std::wstring(2047, L'漢'));
  SetText(L"big", std::wstring(300, L'n').c_str(), REG_SZ, L"long name");
  Set(L"big", L"big multi", REG_MULTI_SZ, std::wstring(3000, L'x').c_str(), 6000);

  const std::string k = "Software\\VindraRegistryTest";
  ProbeSource whileListed(false, nullptr);
  ProbeSource byName(true, nullptr);
  const Lines lines = testing::Export(whileListed, kHkeyCurrentUser, k);
  EXPECT_EQ(lines, testing::Export(byName, kHkeyCurrentUser, k));
  EXPECT_EQ(lines, testing::Export(live, kHkeyCurrentUser, k));
  EXPECT_GT(lines.size(), 30u);

  // A DWORD of five bytes stops both exports with the same error.
  Set(L"big", L"dw5", REG_DWORD, five, 5);
  auto failure = [&](RegistrySource& source) {
    try {
      testing::Export(source, kHkeyCurrentUser, k);
    } catch (const RegistryError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(failure(whileListed), "'dw5' の取得に失敗しました");
  EXPECT_EQ(failure(byName), "'dw5' の取得に失敗しました");
}

// Values and keys that change, vanish or appear while the walk goes on (here:
// when the walk opens key A, before B and C) are exported as value-by-value
// reading exports them.
TEST_F(Win32RegistryTest, ChangesDuringTheWalkMatchValueByValueReading) {
  const std::string k = "Software\\VindraRegistryTest";
  auto build = [] {
    RegDeleteTreeW(HKEY_CURRENT_USER, kTestRoot);
    for (const wchar_t* sub : {L"A", L"B", L"C"}) {
      SetText(sub, L"change", REG_SZ, L"before");
      SetText(sub, L"vanish", REG_SZ, L"gone soon");
      SetText(sub, L"stay", REG_SZ, L"kept");
    }
    Create(L"C\\D");
  };
  auto change = [](std::string_view path) {
    if (path.size() < 2 || path.substr(path.size() - 2) != "\\A") return;
    for (const wchar_t* sub : {L"A", L"B"}) {
      SetText(sub, L"change", REG_SZ, std::wstring(5000, L'x'));  // too large for the buffer read before
      SetText(sub, L"new", REG_SZ, L"came");
      HKEY key = Create(sub);
      RegDeleteValueW(key, L"vanish");
      RegCloseKey(key);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, Path(L"C").c_str());
  };
  build();
  ProbeSource whileListed(false, change);
  const Lines lines = testing::Export(whileListed, kHkeyCurrentUser, k);
  build();
  ProbeSource byName(true, change);
  EXPECT_EQ(lines, testing::Export(byName, kHkeyCurrentUser, k));
  const std::string x = "\"" + std::string(5000, 'x') + "\"";
  EXPECT_EQ(lines, (Lines{
                       "0x0,\"" + k + "\"",
                       "0x0,\"" + k + "\\A\"",
                       "0x1,\"" + k + "\\A\",\"change\"," + x,
                       "0x1,\"" + k + "\\A\",\"new\",\"came\"",
                       "0x1,\"" + k + "\\A\",\"stay\",\"kept\"",
                       "0x0,\"" + k + "\\B\"",
                       "0x1,\"" + k + "\\B\",\"change\"," + x,
                       "0x1,\"" + k + "\\B\",\"new\",\"came\"",
                       "0x1,\"" + k + "\\B\",\"stay\",\"kept\"",
                       "0x0,\"" + k + "\\C\"",
                   }));
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
