// A fixture giving each test a folder of its own under the system's temporary
// folder, removed after the test, and a byte-exact file writer.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace vindra::app {

class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::UnitTest& unit = *::testing::UnitTest::GetInstance();
    const ::testing::TestInfo& info = *unit.current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("vindra_" + std::string(info.test_suite_name()) + "_" + info.name() + "_" +
            std::to_string(unit.random_seed()));
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  // Replaces the file's content by `content`, byte for byte.
  static void WriteBytes(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
  }

  std::filesystem::path dir_;
};

}  // namespace vindra::app
