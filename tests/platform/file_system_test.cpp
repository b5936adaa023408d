#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace vindra::platform {
namespace {

TEST(FileSystem, ExecutablePathNamesThisTestProgram) {
  const std::string path = ExecutablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_TRUE(FileExists(path));
  EXPECT_NE(path.find("vindra_platform_tests"), std::string::npos) << path;
}

TEST(FileSystem, FileExistsOnlyForFiles) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "vindra_file_system_test";
  std::filesystem::create_directories(folder);
  const std::string file = (folder / "present.txt").string();
  if (std::FILE* f = std::fopen(file.c_str(), "wb")) std::fclose(f);

  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(FileExists(folder.string())) << "a folder is not a file";
  EXPECT_FALSE(FileExists((folder / "missing.txt").string()));
  EXPECT_FALSE(FileExists(""));

  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace vindra::platform
