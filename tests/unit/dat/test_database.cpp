#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <fstream>
#include <tuple>

#include "tessary/common/cursor.hpp"
#include "tessary/dat/database.hpp"
#include "tessary/testsupport/dat_writer.hpp"

namespace tessary {
namespace {

using testsupport::DatWriter;
using Bytes = std::vector<uint8_t>;
using Chain = std::vector<std::string>;

const Chain kEofIo = {"IO error: failed to fill whole buffer", "failed to fill whole buffer"};

Chain bin_read(const std::string& field, const std::string& record) {
  const std::string inner =
      "failed to fill whole buffer\nWhile parsing field '" + field + "' in " + record;
  return {"Binary read error: " + inner, inner};
}

DatFileEntry entry(uint32_t id, uint32_t size = 0, uint32_t offset = 0) {
  DatFileEntry e;
  e.id = id;
  e.size = size;
  e.offset = offset;
  return e;
}

// Appends one raw block (link, then payload) to an image and returns its offset.
uint32_t append_block(Bytes& image, uint32_t link, const Bytes& payload) {
  const auto offset = static_cast<uint32_t>(image.size());
  image.resize(image.size() + 4);
  store_le<uint32_t>(image.data() + offset, link);
  image.insert(image.end(), payload.begin(), payload.end());
  return offset;
}

Bytes pattern(size_t n, uint8_t seed) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i)
    b[i] = static_cast<uint8_t>(seed + i * 31);
  return b;
}

class DatFile : public ::testing::Test {
 protected:
  std::filesystem::path write(const Bytes& image) {
    path_ = std::filesystem::temp_directory_path() /
            ("dat-test-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".dat");
    std::ofstream(path_, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()),
               static_cast<std::streamsize>(image.size()));
    return path_;
  }
  DatResult<DatDatabase> open(const Bytes& image) { return DatDatabase::open(write(image)); }
  void TearDown() override { std::filesystem::remove(path_); }
  std::filesystem::path path_;
};

TEST_F(DatFile, OpensAndReadsEveryFileOfABalancedTree) {
  DatWriter w(256, 2);
  for (uint32_t id = 1; id <= 5000; ++id)
    w.add_file(id, std::string(id % 700, char(id)));
  auto db = open(w.finish());
  ASSERT_TRUE(db) << db.error().message();
  EXPECT_EQ(db->files().size(), 5000u);
  for (uint32_t id : {1u, 255u, 699u, 4999u}) {
    auto bytes = db->get_file(id);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, Bytes(id % 700, uint8_t(id)));
  }
}

TEST_F(DatFile, ShortHeaderNamesTheFieldThatRunsOut) {
  const Bytes full = DatWriter().finish();
  const std::pair<size_t, const char*> cases[] = {
      {0, "magic"},
      {0x100, "magic"},
      {0x142, "magic"},
      {0x144, "block_size"},
      {0x140 + 32, "root_offset"},
      {0x140 + 60, "version_string"},
      {0x140 + 75, "version_string"},
      {0x140 + 76, "version_minor"},
  };
  for (auto [length, field] : cases) {
    auto db = open(Bytes(full.begin(), full.begin() + static_cast<ptrdiff_t>(length)));
    ASSERT_FALSE(db) << length;
    EXPECT_EQ(db.error().chain(), bin_read(field, "DatHeader")) << length;
  }
}

TEST_F(DatFile, MissingFileIsAPathError) {
  auto db = DatDatabase::open("/nonexistent/dir/portal.dat");
  ASSERT_FALSE(db);
  EXPECT_EQ(db.error().chain(),
            (Chain{"Failed to open file at /nonexistent/dir/portal.dat: No such file or directory "
                   "(os error 2)",
                   "No such file or directory (os error 2)"}));
}

TEST_F(DatFile, HeaderIsKeptAsReadAndForeignMagicOpens) {
  DatWriter w(1024, 7, 0x12345678);
  w.header().subset = 3;
  w.header().engine_version = 99;
  w.header().version_string = pattern(16, 1);
  w.header().version_minor = 5;
  auto db = open(w.finish());
  ASSERT_TRUE(db) << db.error().message();
  EXPECT_EQ(db->header().magic, 0x12345678u);
  EXPECT_EQ(db->header().block_size, 1024u);
  EXPECT_EQ(db->header().dataset, 7u);
  EXPECT_EQ(db->header().subset, 3u);
  EXPECT_EQ(db->header().engine_version, 99u);
  EXPECT_EQ(db->header().version_string, pattern(16, 1));
  EXPECT_EQ(db->header().version_minor, 5u);
  EXPECT_EQ(db->header().root_offset, 0u);
  EXPECT_TRUE(db->files().empty());
}

TEST_F(DatFile, BlockSizeWithoutRoomForLinkAndPayloadIsCorruption) {
  for (uint32_t block_size : {0u, 3u, 4u, 7u}) {
    DatWriter w(1024);
    w.header().block_size = block_size;
    auto db = open(w.finish());
    ASSERT_FALSE(db) << block_size;
    EXPECT_EQ(db.error().kind(), DatError::Kind::Corruption);
    EXPECT_EQ(db.error().chain(),
              (Chain{"Corruption detected: DAT block size " + std::to_string(block_size) +
                     " leaves no room for a block link and payload (minimum 8)"}));
  }
  DatWriter w(8);
  w.add_file(1, "abcdefghij");
  auto db = open(w.finish());
  ASSERT_TRUE(db) << db.error().message();
  EXPECT_EQ(*db->get_file(1), Bytes({'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j'}));
}

TEST_F(DatFile, ChainAssembly) {
  // Blocks of 16 bytes (12 of payload), laid out by hand after an empty directory.
  Bytes image = DatWriter(16).finish();
  const Bytes a = pattern(12, 1), b = pattern(12, 50), c = pattern(30, 100);
  const auto base = static_cast<uint32_t>(image.size());
  const uint32_t dangling = append_block(image, 0xFFFFFF00, a);  // next block far past the end
  const uint32_t first = append_block(image, base + 32, a);
  const uint32_t mid = append_block(image, base + 48, b);
  // The last block ends the file: link 0, then 30 bytes that run past the block's own 12.
  const uint32_t last = append_block(image, 0, c);
  ASSERT_EQ(std::tuple(mid, last), std::tuple(base + 32, base + 48));
  auto db = open(image);
  ASSERT_TRUE(db) << db.error().message();

  auto concat = [](std::initializer_list<Bytes> parts, size_t n) {
    Bytes out;
    for (const Bytes& p : parts)
      out.insert(out.end(), p.begin(), p.end());
    out.resize(n);
    return out;
  };
  struct Case {
    const char* name;
    uint32_t offset, size;
    Bytes expected;
  };
  const Case cases[] = {
      {"size 0 reads nothing, even at an invalid offset", 0xFFFFFFF0, 0, {}},
      {"size 0 at offset 0", 0, 0, {}},
      {"within the first block", first, 5, concat({a}, 5)},
      {"across two blocks", first, 20, concat({a, b}, 20)},
      {"the last block is read past its end", first, 54, concat({a, b, c}, 54)},
      {"a last block alone, past its end", last, 30, c},
      {"a chain stops when the length is complete", dangling, 12, a},
  };
  for (const Case& k : cases) {
    auto got = db->read_file_data(k.offset, k.size);
    ASSERT_TRUE(got) << k.name << ": " << got.error().message();
    EXPECT_EQ(*got, k.expected) << k.name;
  }

  const std::pair<uint32_t, uint32_t> failing[] = {
      {first, 55},          // one byte past the end of the file
      {dangling, 13},       // needs the block the dangling link names
      {0xFFFFFFF0, 1},      // a block beyond the end
      {first, 0xFFFFFFFF},  // larger than the file: refused before allocating
      {0xFFFFFFFE, 100},    // data start wraps in 32 bits
  };
  for (auto [offset, size] : failing) {
    auto got = db->read_file_data(offset, size);
    ASSERT_FALSE(got) << offset << " " << size;
    EXPECT_EQ(got.error().kind(), DatError::Kind::Io);
    EXPECT_EQ(got.error().chain(), kEofIo) << offset << " " << size;
  }
}

TEST_F(DatFile, PortalBlocksSplit2500BytesAs1020And1020And460) {
  Bytes image = DatWriter(1024).finish();
  const Bytes p1 = pattern(1020, 1), p2 = pattern(1020, 2), p3 = pattern(460, 3);
  // The third block ends the file right after its 460 bytes, so reading more than that fails.
  const uint32_t third_at = static_cast<uint32_t>(image.size()) + 2 * 1024;
  const uint32_t second = append_block(image, third_at, p2);
  const uint32_t first = append_block(image, second, p1);
  ASSERT_EQ(append_block(image, 0, p3), third_at);
  auto db = open(image);
  ASSERT_TRUE(db) << db.error().message();
  auto got = db->read_file_data(first, 2500);
  ASSERT_TRUE(got) << got.error().message();
  Bytes expected = p1;
  expected.insert(expected.end(), p2.begin(), p2.end());
  expected.insert(expected.end(), p3.begin(), p3.end());
  EXPECT_EQ(*got, expected);
}

TEST_F(DatFile, LeafAndInternalNodes) {
  DatWriter w(1024);
  const uint32_t leaf_a = w.add_node({entry(1), entry(2)});
  const uint32_t leaf_b = w.add_node({entry(3)});
  const uint32_t beyond = w.add_node({entry(99)});  // branch n + 1 of a node with n entries
  // Two entries: branches 0 to 2 are visited (branch 1 is 0 and skipped), branch 3 is not.
  w.set_root(w.add_node({entry(10), entry(11)}, {leaf_a, 0, leaf_b, beyond}));
  auto db = open(w.finish());
  ASSERT_TRUE(db) << db.error().message();
  std::vector<uint32_t> ids;
  for (const auto& [id, e] : db->files())
    ids.push_back(id);
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, (std::vector<uint32_t>{1, 2, 3, 10, 11}));
}

TEST_F(DatFile, EntriesOfALeafAreKeptWhole) {
  DatFileEntry e;
  e.bit_flags = 0x10001;
  e.id = 0x0600127D;
  e.offset = 0x12345;
  e.size = 77;
  e.timestamp = 123;
  e.version = 9;
  DatWriter w(1024);
  w.set_root(w.add_node({e}, {0, 0x40404040}));  // branches after a zero first one are ignored
  auto db = open(w.finish());
  ASSERT_TRUE(db) << db.error().message();
  ASSERT_EQ(db->files().size(), 1u);
  const DatFileEntry& got = db->files().at(0x0600127D);
  EXPECT_EQ(std::tuple(got.bit_flags, got.id, got.offset, got.size, got.timestamp, got.version),
            std::tuple(0x10001u, 0x0600127Du, 0x12345u, 77u, 123u, 9u));
}

TEST_F(DatFile, DuplicateIdKeepsTheEntryReadLast) {
  DatWriter w(1024);
  const uint32_t child = w.add_node({entry(5, 2), entry(6, 1)});
  const uint32_t sibling = w.add_node({entry(6, 3)});
  w.set_root(w.add_node({entry(5, 1)}, {child, sibling}));
  auto db = open(w.finish());
  ASSERT_TRUE(db) << db.error().message();
  EXPECT_EQ(db->files().at(5).size, 2u);  // the child's entry, read after its parent's
  EXPECT_EQ(db->files().at(6).size, 3u);  // the right sibling, read after the left one
}

// Appends a node's chain at block size 256 with its blocks in the file slots `slot_of` gives
// (chain block k goes to slot slot_of[k] after the current end; unused slots hold junk). The
// chain ends with a link of 0 at block `last`, whose payload then runs on past its end. The file
// ends where the blocks or that run end.
uint32_t append_node(Bytes& image, const Bytes& node, const std::vector<int>& slot_of, int last) {
  constexpr uint32_t kBlock = 256, kPayload = kBlock - 4;
  const auto base = static_cast<uint32_t>(image.size());
  const int slots = *std::ranges::max_element(slot_of) + 1;
  auto at = [&](int k) { return base + static_cast<uint32_t>(slot_of[k]) * kBlock; };
  const size_t run_on_end = at(last) + 4 + node.size() - last * kPayload;
  image.resize(std::max<size_t>(base + slots * kBlock, run_on_end), 0xEE);
  for (int k = 0; k <= last; ++k) {
    store_le<uint32_t>(image.data() + at(k), k < last ? at(k + 1) : 0);
    const size_t from = k * kPayload;
    const size_t n = k < last ? kPayload : node.size() - from;
    std::copy_n(node.begin() + static_cast<ptrdiff_t>(from), n, image.begin() + at(k) + 4);
  }
  return at(0);
}

TEST_F(DatFile, NodeBlocksAreFoundWhereverTheChainPutsThem) {
  std::vector<DatFileEntry> leaf;
  for (uint32_t id = 1; id <= 61; ++id)
    leaf.push_back(entry(id, id));
  const Bytes child_node = DatWriter::encode_node(leaf, {}, 61);
  struct Case {
    const char* name;
    std::vector<int> slot_of;  // a node of 1716 bytes takes seven 256-byte blocks
    int last;
  };
  const Case cases[] = {
      {"consecutive", {0, 1, 2, 3, 4, 5, 6}, 6},
      {"reversed", {6, 5, 4, 3, 2, 1, 0}, 6},
      {"swapped pairs", {1, 0, 3, 2, 5, 4, 6}, 6},
      {"last block far away", {0, 1, 2, 3, 4, 5, 12}, 6},
      {"first block far away", {12, 1, 2, 3, 4, 5, 6}, 6},
      {"chain ends early, rest runs on", {0, 2, 4}, 2},
      {"first block last in the file, chain ends early", {7, 0}, 1},
  };
  for (const Case& c : cases) {
    Bytes image = DatWriter(256, 2).finish();
    const uint32_t child = append_node(image, child_node, c.slot_of, c.last);
    const Bytes root_node = DatWriter::encode_node({entry(100, 7)}, {child, 0}, 1);
    const uint32_t root = append_node(image, root_node, c.slot_of, c.last);
    store_le<uint32_t>(image.data() + 0x160, root);
    auto db = open(image);
    ASSERT_TRUE(db) << c.name << ": " << db.error().message();
    EXPECT_EQ(db->files().size(), 62u) << c.name;
    for (uint32_t id = 1; id <= 61; ++id)
      EXPECT_EQ(db->files().at(id).size, id) << c.name;
    EXPECT_EQ(db->files().at(100).size, 7u) << c.name;
  }
}

TEST_F(DatFile, NodeWith62EntriesFailsOnTheFirstEntryThatDoesNotFit) {
  std::vector<DatFileEntry> many;
  for (uint32_t id = 1; id <= 62; ++id)
    many.push_back(entry(id));
  for (int64_t count : {int64_t{62}, int64_t{1000}, int64_t{0xFFFFFFFF}}) {
    DatWriter w(1024);
    w.set_root(w.add_node({many.begin(), many.begin() + 61}, {}, count));
    auto db = open(w.finish());
    ASSERT_FALSE(db) << count;
    EXPECT_EQ(db.error().kind(), DatError::Kind::BinRead);
    EXPECT_EQ(db.error().chain(), bin_read("bit_flags", "DatFileEntry")) << count;
  }
  DatWriter w(1024);
  w.set_root(w.add_node({many.begin(), many.begin() + 61}));
  auto db = open(w.finish());
  ASSERT_TRUE(db) << db.error().message();
  EXPECT_EQ(db->files().size(), 61u);
}

TEST_F(DatFile, TruncatedDirectoryIsAnIoError) {
  DatWriter w(256, 2);
  for (uint32_t id = 1; id <= 200; ++id)
    w.add_file(id, "x");
  Bytes image = w.finish();
  const uint32_t root = load_le<uint32_t>(image.data() + 0x160);
  struct Case {
    const char* name;
    Bytes image;
  };
  Bytes cut = image;
  cut.resize(root + 600);  // the root node's chain runs past the end
  Bytes far = image;
  store_le<uint32_t>(far.data() + 0x160, static_cast<uint32_t>(image.size() + 4096));
  for (const Case& c : {Case{"cut inside the root node", cut}, Case{"root past the end", far}}) {
    auto db = open(c.image);
    ASSERT_FALSE(db) << c.name;
    EXPECT_EQ(db.error().kind(), DatError::Kind::Io);
    EXPECT_EQ(db.error().chain(), kEofIo) << c.name;
  }
}

TEST_F(DatFile, CyclesAndSharedNodesAreCorruption) {
  // A node whose first branch is itself.
  {
    DatWriter w(1024);
    const uint32_t self = w.reserve_node();
    w.write_node(self, {entry(1)}, {self});
    w.set_root(self);
    auto db = open(w.finish());
    ASSERT_FALSE(db);
    EXPECT_EQ(
        db.error().chain(),
        (Chain{fmt::format(
            "Corruption detected: DAT directory node {:08X} is referenced more than once", self)}));
  }
  // A child pointing back to the root.
  {
    DatWriter w(256, 2);
    const uint32_t root = w.reserve_node();
    const uint32_t child = w.add_node({entry(2)}, {root});
    w.write_node(root, {entry(1)}, {child});
    w.set_root(root);
    auto db = open(w.finish());
    ASSERT_FALSE(db);
    EXPECT_EQ(db.error().kind(), DatError::Kind::Corruption);
  }
  // Two branches sharing one subtree.
  {
    DatWriter w(1024);
    const uint32_t shared = w.add_node({entry(3)});
    w.set_root(w.add_node({entry(1)}, {shared, shared}));
    auto db = open(w.finish());
    ASSERT_FALSE(db);
    EXPECT_EQ(db.error().chain(),
              (Chain{fmt::format(
                  "Corruption detected: DAT directory node {:08X} is referenced more than once",
                  shared)}));
  }
}

TEST_F(DatFile, DirectoryNestedDeeperThan64LevelsIsCorruption) {
  for (int levels : {64, 65}) {
    DatWriter w(1024);
    uint32_t below = w.add_node({entry(1)});
    for (int level = 1; level < levels; ++level)
      below = w.add_node({entry(static_cast<uint32_t>(level + 1))}, {below});
    w.set_root(below);
    auto db = open(w.finish());
    if (levels == 64) {
      ASSERT_TRUE(db) << db.error().message();
      EXPECT_EQ(db->files().size(), 64u);
    } else {
      ASSERT_FALSE(db);
      EXPECT_EQ(db.error().chain(),
                (Chain{"Corruption detected: DAT directory is nested deeper than 64 levels"}));
    }
  }
}

TEST_F(DatFile, GetFile) {
  DatWriter w(1024);
  w.add_file(0x0600127D, std::string(2500, 't'));
  w.add_file(0x0E000001, Bytes{7, 0, 0, 0, 0x40, 'q', 0x01, 0x04}, 1);  // LRS: 7 x 'q'
  w.add_file(0x0E000002, "ab", 1);  // flagged, but too short to carry a declared size
  w.add_file(0x0E000003, "plain", 0x10000);
  w.add_file(0x0E000004, Bytes{}, 0);
  auto db = open(w.finish());
  ASSERT_TRUE(db) << db.error().message();
  const std::pair<uint32_t, Bytes> cases[] = {
      {0x0600127D, Bytes(2500, 't')}, {0x0E000001, Bytes(7, 'q')},
      {0x0E000002, Bytes{'a', 'b'}},  {0x0E000003, Bytes{'p', 'l', 'a', 'i', 'n'}},
      {0x0E000004, Bytes{}},
  };
  for (const auto& [id, expected] : cases) {
    auto got = db->get_file(id);
    ASSERT_TRUE(got) << id;
    EXPECT_EQ(*got, expected) << id;
  }
  auto missing = db->get_file(0x0600127E);
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().chain(), (Chain{"File ID 0600127E not found in provider"}));
}

}  // namespace
}  // namespace tessary
