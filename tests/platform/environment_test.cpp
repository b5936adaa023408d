#include "platform/environment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

#include "platform/env_expand.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace vindra::platform {
namespace {

void SetVariable(const char* name, const char* value) {
#ifdef _WIN32
  SetEnvironmentVariableA(name, value);
#else
  if (value != nullptr) setenv(name, value, 1); else unsetenv(name);
#endif
}

struct ExpandCase {
  std::string text;
  std::string expected;
};

// Shared by the expansion of the process environment and of a fixed set of
// variables: VINDRA_T=val, VINDRA_EMPTY= (empty), VINDRA_JP=C:\表 and no VINDRA_UNDEF.
const ExpandCase kExpandCases[] = {
    {"", ""},
    {"plain text", "plain text"},
    {"%VINDRA_T%", "val"},
    {"%vindra_t%", "val"},
    {"%Vindra_T%\\x", "val\\x"},
    {"a%VINDRA_T%b%VINDRA_T%c", "avalbvalc"},
    {"%VINDRA_T%%VINDRA_T%", "valval"},
    {"%VINDRA_UNDEF%", "%VINDRA_UNDEF%"},
    {"%VINDRA_UNDEF%x%", "%VINDRA_UNDEF%x%"},
    {"%VINDRA_UNDEF%VINDRA_T%", "%VINDRA_UNDEF%VINDRA_T%"},
    {"%VINDRA_UNDEF%%VINDRA_T%", "%VINDRA_UNDEF%val"},
    {"%", "%"},
    {"%%", "%%"},
    {"%%%", "%%%"},
    {"50%", "50%"},
    {"%VINDRA_T", "%VINDRA_T"},
    {"%%VINDRA_T%%", "%%VINDRA_T%%"},
    {"x%VINDRA_EMPTY%y", "xy"},
    {"%VINDRA T%", "%VINDRA T%"},
    {"%VINDRA_T=%", "%VINDRA_T=%"},
    {"%=C:%", "%=C:%"},
    {"%VINDRA_JP%\\日本", "C:\\表\\日本"},
    {"表%VINDRA_T%ソ", "表valソ"},
    {std::string("%VINDRA_T%\0%VINDRA_T%", 21), "val"},
};

class ProcessEnvironmentTest : public testing::Test {
 protected:
  void SetUp() override {
    SetVariable("VINDRA_T", "val");
    SetVariable("VINDRA_EMPTY", "");
    SetVariable("VINDRA_JP", "C:\\表");
    SetVariable("VINDRA_UNDEF", nullptr);
  }
  void TearDown() override {
    for (const char* n : {"VINDRA_T", "VINDRA_EMPTY", "VINDRA_JP"}) SetVariable(n, nullptr);
  }
};

TEST_F(ProcessEnvironmentTest, ExpandsDefinedAndKeepsUndefinedReferences) {
  for (const auto& c : kExpandCases) {
    EXPECT_EQ(ExpandEnvironmentText(c.text), c.expected) << "text: " << c.text;
  }
}

TEST_F(ProcessEnvironmentTest, ReadsTheEnvironmentAtEachCall) {
  EXPECT_EQ(ExpandEnvironmentText("%VINDRA_T%"), "val");
  SetVariable("VINDRA_T", "other");
  EXPECT_EQ(ExpandEnvironmentText("%VINDRA_T%"), "other");
  SetVariable("VINDRA_T", nullptr);
  EXPECT_EQ(ExpandEnvironmentText("%VINDRA_T%"), "%VINDRA_T%");
}

// Beyond the 32767 characters the system function handles, the same rule
// still applies (the system would return garbage or nothing).
TEST_F(ProcessEnvironmentTest, LongTexts) {
  for (std::size_t size : {std::size_t{15990}, std::size_t{40000}, std::size_t{100000}}) {
    const std::string big(size, 'x');
    EXPECT_TRUE(ExpandEnvironmentText(big) == big) << size;
    std::string expanded = ExpandEnvironmentText(big + "%VINDRA_T%;%VINDRA_UNDEF%;%vindra_jp%");
    EXPECT_EQ(expanded.size(), size + 24) << size;
    EXPECT_EQ(expanded.substr(expanded.size() < 24 ? 0 : expanded.size() - 24), "val;%VINDRA_UNDEF%;C:\\表") << size;
  }
  SetVariable("VINDRA_BIG", std::string(20000, 'v').c_str());
  const std::string expanded = ExpandEnvironmentText("<%VINDRA_BIG%>");
  EXPECT_TRUE(expanded == "<" + std::string(20000, 'v') + ">") << expanded.size();
  SetVariable("VINDRA_BIG", nullptr);
}

#ifndef _WIN32
// The POSIX environment is usually UTF-8; its values are put into ANSI text.
TEST_F(ProcessEnvironmentTest, Utf8ValuesAreConvertedToTheAnsiCodePage) {
  SetVariable("VINDRA_U8", "/home/\xE6\x97\xA5\xE6\x9C\xAC");  // 日本 in UTF-8
  EXPECT_EQ(ExpandEnvironmentText("%VINDRA_U8%"), "/home/日本");
  SetVariable("VINDRA_U8", "\x95\x5C");  // not UTF-8: taken byte for byte
  EXPECT_EQ(ExpandEnvironmentText("%VINDRA_U8%"), "表");
  SetVariable("VINDRA_U8", nullptr);
}
#endif

class FixedVariables final : public VariableSource {
 public:
  bool Find(std::string_view name, std::string& value) const override {
    for (const auto& [n, v] : vars_) {
      if (VariableNamesEqual(n, name)) {
        value = v;
        return true;
      }
    }
    return false;
  }

 private:
  std::map<std::string, std::string> vars_{{"VINDRA_T", "val"}, {"VINDRA_EMPTY", ""}, {"VINDRA_JP", "C:\\表"}};
};

TEST(ExpandReferences, FollowsTheSystemRule) {
  const FixedVariables vars;
  for (const auto& c : kExpandCases) {
    EXPECT_EQ(ExpandReferences(c.text, vars), c.expected) << "text: " << c.text;
  }
}

TEST(VariableNamesEqual, FoldsOnlySingleByteLetters) {
  struct Case {
    std::string a, b;
    bool equal;
  } const cases[] = {
      {"Path", "PATH", true},
      {"path1", "PATH1", true},
      {"PATH", "PATHS", false},
      {"", "", true},
      {"a_b", "A_B", true},
      {"[", "{", false},
      // 82 61 (Ｂ) and 82 41 differ only in a trail byte that looks like a letter.
      {"\x82\x61", "\x82\x41", false},
      {"表X", "表x", true},
  };
  for (const auto& c : cases) EXPECT_EQ(VariableNamesEqual(c.a, c.b), c.equal) << c.a << " / " << c.b;
}

}  // namespace
}  // namespace vindra::platform
