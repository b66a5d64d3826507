#pragma once
// Archive images on disk for reader and writer tests; every file is removed with the fixture.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "tessary/common/io.hpp"

namespace tessary {

class TsyFiles : public ::testing::Test {
 protected:
  std::filesystem::path path(const std::string& name = "a.tsy") {
    const std::filesystem::path p = dir() / name;
    return p;
  }
  std::filesystem::path write(std::span<const uint8_t> image, const std::string& name = "a.tsy") {
    const std::filesystem::path p = path(name);
    EXPECT_TRUE(write_file(p, image));
    return p;
  }
  std::vector<uint8_t> read(const std::filesystem::path& p) { return read_file(p).value(); }
  void TearDown() override {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }

 private:
  const std::filesystem::path& dir() {
    if (dir_.empty()) {
      std::string tmpl = (std::filesystem::temp_directory_path() / "tsy-test-XXXXXX").string();
      EXPECT_NE(::mkdtemp(tmpl.data()), nullptr);
      dir_ = tmpl;
    }
    return dir_;
  }
  std::filesystem::path dir_;
};

inline std::vector<uint8_t> bytes_of(std::string_view s) {
  return {s.begin(), s.end()};
}

}  // namespace tessary
