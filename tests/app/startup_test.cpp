#include "app/startup.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "app/language_file.h"
#include "platform/file_system.h"
#include "temp_folder.h"

namespace vindra::app {
namespace {

// Records what start-up asks of the toolkit, and what the program's state is
// when the main window starts.
class RecordingShell : public ApplicationShell {
 public:
  std::vector<std::string> calls;
  std::string message_at_main_window;
  std::string language_file_at_main_window;
  void SetApplicationTitle(std::string_view title) override { calls.push_back("title:" + std::string(title)); }
  int RunMainWindow() override {
    calls.push_back("main window");
    message_at_main_window = Message(MessageId::ExportFinished);
    language_file_at_main_window = LanguageFile();
    return 7;
  }
};

class StartUpTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    exe_ = (dir_ / "Vindra.exe").string();
  }
  void TearDown() override {
    TempFolderTest::TearDown();
    Messages().SetDefaults();
  }
  std::string exe_;
};

TEST_F(StartUpTest, WithoutLanguageFileRunsWithTheDefaults) {
  Messages().Set(MessageId::ExportFinished, "stale");
  RecordingShell shell;
  EXPECT_EQ(StartUp(exe_, shell), 7);
  EXPECT_EQ(shell.calls, (std::vector<std::string>{"title:Vindra", "main window"}));
  EXPECT_EQ(shell.message_at_main_window, DefaultMessage(MessageId::ExportFinished));
  EXPECT_EQ(shell.language_file_at_main_window, file_);
}

TEST_F(StartUpTest, StringsAreReadBeforeTheMainWindowAndKeptAfterwards) {
  Write("[Strings]\nRS_006=Done\n");
  RecordingShell shell;
  StartUp(exe_, shell);
  EXPECT_EQ(shell.message_at_main_window, "Done");
  // Later changes to the file do not reach the table.
  Write("[Strings]\nRS_006=Later\n");
  EXPECT_EQ(Message(MessageId::ExportFinished), "Done");
  std::filesystem::remove(file_);
  EXPECT_EQ(Message(MessageId::ExportFinished), "Done");
}

TEST_F(StartUpTest, ExecutableWithoutExtensionLooksForItsNamePlusRsl) {
  MessageTable table;
  const std::string path = PrepareLanguage((dir_ / "conv").string(), table);
  EXPECT_EQ(path, (dir_ / "conv.rsl").string());
}

TEST_F(StartUpTest, UnknownExecutablePathMeansNoLanguageFile) {
  MessageTable table;
  table.Set(MessageId::ExportFinished, "stale");
  EXPECT_EQ(PrepareLanguage("", table), "");
  EXPECT_EQ(table.Get(MessageId::ExportFinished), DefaultMessage(MessageId::ExportFinished));
}

TEST(StartUp, LanguageFileOfThisTestProgramIsBesideIt) {
  const std::string path = platform::ExecutablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_NE(path.find("vindra_app_tests"), std::string::npos) << path;
  EXPECT_TRUE(LanguageFilePathFor(path).ends_with(".rsl"));
}

}  // namespace
}  // namespace vindra::app
