#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "dat_floor.hpp"
#include "tessary/common/io.hpp"
#include "tessary/dat/database.hpp"
#include "tessary/testsupport/dat_writer.hpp"

namespace tessary {
namespace {

namespace fs = std::filesystem;
using testsupport::DatWriter;

struct TempFile {
  fs::path path =
      fs::temp_directory_path() / ("dat_floor_" + std::to_string(::getpid()) + "_" +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
  ~TempFile() { fs::remove(path); }
};

// The floor is the baseline every DAT timing is divided by: it must walk exactly the directory
// the reader walks, whatever the block size and tree depth.
TEST(DatFloor, CountsWhatTheReaderMaps) {
  struct Case {
    uint32_t block_size;
    uint32_t entries;
  };
  const Case cases[] = {
      {1024, 0}, {1024, 1}, {1024, 61}, {1024, 62}, {256, 5000}, {16, 300}, {1024, 20000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.block_size << " / " << c.entries);
    DatWriter w(c.block_size, 2);
    const uint8_t data[10] = {};
    const uint32_t shared = w.add_chain(data);
    for (uint32_t i = 0; i < c.entries; ++i)
      w.add_entry({.id = i * 3 + 1, .offset = shared, .size = sizeof data});
    TempFile f;
    ASSERT_TRUE(write_file(f.path, w.finish()));
    const auto db = DatDatabase::open(f.path);
    ASSERT_TRUE(db);
    EXPECT_EQ(bench::floor_count_entries(f.path.c_str()), db->files().size());
  }
}

TEST(DatFloor, FailsOnUnreadableDirectories) {
  DatWriter w(256, 2);
  for (uint32_t i = 0; i < 500; ++i)
    w.add_entry({.id = i + 1});
  std::vector<uint8_t> image = w.finish();
  TempFile f;
  EXPECT_EQ(bench::floor_count_entries(f.path.c_str()), std::nullopt);  // missing
  image.resize(image.size() - 300);  // the last directory blocks cut off
  ASSERT_TRUE(write_file(f.path, image));
  ASSERT_FALSE(DatDatabase::open(f.path));
  EXPECT_EQ(bench::floor_count_entries(f.path.c_str()), std::nullopt);
}

}  // namespace
}  // namespace tessary
