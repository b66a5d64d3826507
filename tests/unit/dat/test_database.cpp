#include <gtest/gtest.h>

#include <fstream>

#include "tessary/dat/database.hpp"
#include "tessary/testsupport/dat_writer.hpp"

namespace tessary {
namespace {

using testsupport::DatWriter;

class DatFile : public ::testing::Test {
 protected:
  std::filesystem::path write(const std::vector<uint8_t>& image) {
    path_ = std::filesystem::temp_directory_path() /
            ("dat-test-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".dat");
    std::ofstream(path_, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()),
               static_cast<std::streamsize>(image.size()));
    return path_;
  }
  void TearDown() override { std::filesystem::remove(path_); }
  std::filesystem::path path_;
};

TEST_F(DatFile, OpensAndReadsEveryFileOfABalancedTree) {
  DatWriter w(256, 2);
  for (uint32_t id = 1; id <= 5000; ++id)
    w.add_file(id, std::string(id % 700, char(id)));
  auto db = DatDatabase::open(write(w.finish()));
  ASSERT_TRUE(db) << db.error().message();
  EXPECT_EQ(db->files().size(), 5000u);
  for (uint32_t id : {1u, 255u, 699u, 4999u}) {
    auto bytes = db->get_file(id);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->size(), id % 700);
    if (!bytes->empty()) {
      EXPECT_EQ((*bytes)[0], uint8_t(id));
    }
  }
}

TEST_F(DatFile, EmptyFileNamesTheFirstHeaderField) {
  auto db = DatDatabase::open(write({}));
  ASSERT_FALSE(db);
  EXPECT_EQ(db.error().chain(),
            (std::vector<std::string>{
                "Binary read error: failed to fill whole buffer\n"
                "While parsing field 'magic' in DatHeader",
                "failed to fill whole buffer\nWhile parsing field 'magic' in DatHeader"}));
}

}  // namespace
}  // namespace tessary
