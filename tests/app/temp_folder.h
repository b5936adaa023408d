// A fixture giving each test a folder of its own under the system's temporary
// folder, removed after the test, with the path of a language file in it
// (not created) and a byte-exact writer for it.
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
    file_ = (dir_ / "Vindra.rsl").string();
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  // Replaces the language file's content by `content`, byte for byte.
  void Write(const std::string& content) const {
    std::ofstream(file_, std::ios::binary | std::ios::trunc) << content;
  }

  std::filesystem::path dir_;
  std::string file_;
};

}  // namespace vindra::app
