#include "app/startup.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "app/language_file.h"

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
    message_at_main_window = Message(MessageId::RS_006);
    language_file_at_main_window = LanguageFile();
    return 7;
  }
};

class StartUpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / "vindra_startup_test";
    std::filesystem::create_directories(dir_);
    exe_ = (dir_ / "Vindra.exe").string();
    rsl_ = (dir_ / "Vindra.rsl").string();
    std::filesystem::remove(rsl_);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
    Messages().SetDefaults();
  }
  std::filesystem::path dir_;
  std::string exe_, rsl_;
};

TEST_F(StartUpTest, WithoutLanguageFileRunsWithTheDefaults) {
  Messages().Set(MessageId::RS_006, "stale");
  RecordingShell shell;
  EXPECT_EQ(StartUp(exe_, shell), 7);
  EXPECT_EQ(shell.calls, (std::vector<std::string>{"title:Vindra", "main window"}));
  EXPECT_EQ(shell.message_at_main_window, DefaultMessage(MessageId::RS_006));
  EXPECT_EQ(shell.language_file_at_main_window, rsl_);
}

TEST_F(StartUpTest, StringsAreReadBeforeTheMainWindowAndKeptAfterwards) {
  std::ofstream(rsl_, std::ios::binary) << "[Strings]\nRS_006=Done\n";
  RecordingShell shell;
  StartUp(exe_, shell);
  EXPECT_EQ(shell.message_at_main_window, "Done");
  // Later changes to the file do not reach the table.
  std::ofstream(rsl_, std::ios::binary | std::ios::trunc) << "[Strings]\nRS_006=Later\n";
  EXPECT_EQ(Message(MessageId::RS_006), "Done");
  std::filesystem::remove(rsl_);
  EXPECT_EQ(Message(MessageId::RS_006), "Done");
}

TEST_F(StartUpTest, ExecutableWithoutExtensionLooksForItsNamePlusRsl) {
  MessageTable table;
  const std::string path = PrepareLanguage((dir_ / "conv").string(), table);
  EXPECT_EQ(path, (dir_ / "conv.rsl").string());
}

TEST(ExecutablePath, NamesThisTestProgram) {
  const std::string path = ExecutablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_NE(path.find("vindra_app_tests"), std::string::npos) << path;
  EXPECT_TRUE(LanguageFilePathFor(path).ends_with(".rsl"));
}

}  // namespace
}  // namespace vindra::app
