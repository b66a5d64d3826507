#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tessary/dat/weenie.hpp"
#include "tessary/testsupport/record_builders.hpp"

namespace tessary {
namespace {

using testsupport::WeenieBuilder;
using testsupport::WeenieTableBuilder;

// Weenie failures carry the bare decode error: no field context.
void expect_end_of_data(const DatResult<Weenie>& r) {
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error().chain(),
            (std::vector<std::string>{"Binary read error: failed to fill whole buffer",
                                      "failed to fill whole buffer"}));
}

TEST(Weenie, EmptyTemplateIsTwentySixBytes) {
  const std::vector<uint8_t> bytes = WeenieBuilder{.class_id = 0x10, .weenie_type = 3}.bytes();
  ASSERT_EQ(bytes.size(), 26u);
  const Weenie w = Weenie::unpack(bytes).value();
  EXPECT_EQ(w.class_id, 0x10u);
  EXPECT_EQ(w.weenie_type, 3u);
  EXPECT_TRUE(w.properties.ints.empty());
  EXPECT_FALSE(w.name());
  EXPECT_FALSE(w.icon_id());

  for (size_t n : {0, 8, 11, 12, 25})
    expect_end_of_data(Weenie::unpack(std::span(bytes).first(n)));
}

TEST(Weenie, StringPaddingPositions) {
  // First four lists empty: the string count is at 20, key 22-25, length 26-27, text 28-32,
  // padding 33-35, and the data id count at 36.
  std::vector<uint8_t> bytes = {
      1,    0, 0, 0, 2, 0, 0,    0,    0xEE, 0xEE, 0xEE, 0xEE,  // class id, type, unread
      0,    0, 0, 0, 0, 0, 0,    0,                             // int, int64, bool, float counts
      1,    0, 1, 0, 0, 0, 5,    0,    'A',  'p',  'p',  'l',  'e', 0xCC, 0xCC, 0xCC,  // one string
      1,    0, 8, 0, 0, 0, 0x34, 0x12, 0,    6,  // one data id
      0,    0,                                   // instance ids
      0xFF,                                      // trailing, ignored
  };
  std::vector<uint8_t> built =
      WeenieBuilder{
          .class_id = 1, .weenie_type = 2, .strings = {{1, "Apple"}}, .data_ids = {{8, 0x06001234}}}
          .bytes();
  std::fill(built.begin() + 8, built.begin() + 12, 0xEE);  // neither is read
  std::fill(built.begin() + 33, built.begin() + 36, 0xCC);
  built.resize(built.size() + 1, 0xFF);
  EXPECT_EQ(built, bytes) << "the builder pads as the file does";

  Cursor c(bytes);
  const Weenie w = Weenie::unpack_from_reader(c).value();
  EXPECT_EQ(c.pos(), 48u);
  EXPECT_EQ(w.name(), "Apple");
  EXPECT_EQ(w.icon_id(), 0x06001234u);

  // The padding after the last string is part of the record: without it the next count is short.
  expect_end_of_data(Weenie::unpack(std::span(bytes).first(37)));
}

TEST(Weenie, EveryListDecodesThroughTheRawKeyRules) {
  const Weenie w = Weenie::unpack(WeenieBuilder{.ints = {{5, -1}, {391, 1}, {5, 7}},
                                                .int64s = {{1, int64_t{1} << 40}},
                                                .bools = {{1, 2}, {2, 0}},
                                                .floats = {{0, 0.5}},
                                                .strings = {{1, "Apple"}, {3, "x"}, {1, ""}},
                                                .data_ids = {{8, 0}, {9, 4}},
                                                .instance_ids = {{1, 9}, {46, 9}}}
                                      .bytes())
                       .value();
  const WorldObjectProperties& p = w.properties;
  ASSERT_EQ(p.ints.size(), 1u);
  EXPECT_EQ(p.ints.begin()->second, 7);
  EXPECT_EQ(p.int64s.begin()->second, int64_t{1} << 40);
  EXPECT_TRUE(p.bools.at(*PropertyBool::from_repr(1)));
  EXPECT_FALSE(p.bools.at(*PropertyBool::from_repr(2)));
  EXPECT_EQ(p.floats.begin()->second, 0.5);
  EXPECT_EQ(p.strings.size(), 1u);
  EXPECT_FALSE(w.name());
  EXPECT_FALSE(w.icon_id());
  EXPECT_EQ(p.data_ids.size(), 1u);
  EXPECT_EQ(p.instance_ids.size(), 1u);
}

TEST(Weenie, StringRunningPastTheEndFails) {
  std::vector<uint8_t> bytes = WeenieBuilder{.strings = {{1, "Apple"}}}.bytes();
  bytes.resize(30);  // the length promises 5 bytes, 2 are there
  expect_end_of_data(Weenie::unpack(bytes));
}

TEST(WeenieTable, Cases) {
  const WeenieBuilder apple{.class_id = 0x10, .weenie_type = 1, .strings = {{1, "Apple"}}};
  const WeenieBuilder pear{.class_id = 0x11, .weenie_type = 2, .strings = {{1, "Pear"}}};
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    bool ok;
    size_t entries;
  };
  std::vector<uint8_t> seven(7, 0);
  std::vector<uint8_t> truncated = WeenieTableBuilder{.entries = {{0x10, apple}}}.bytes();
  truncated.pop_back();
  const Case cases[] = {
      {"8 bytes, no entries", WeenieTableBuilder{}.bytes(), true, 0},
      {"7 bytes", seven, false, 0},
      {"count beyond the bytes", WeenieTableBuilder{.entries = {{0x10, apple}}, .count = 2}.bytes(),
       false, 0},
      {"huge count, no bytes", WeenieTableBuilder{.count = 0xFFFF}.bytes(), false, 0},
      {"last weenie cut short", truncated, false, 0},
      {"two entries", WeenieTableBuilder{.entries = {{0x10, apple}, {0x11, pear}}}.bytes(), true,
       2},
      {"duplicate key", WeenieTableBuilder{.entries = {{0x10, apple}, {0x10, pear}}}.bytes(), true,
       1},
  };
  for (const Case& c : cases) {
    auto t = WeenieTable::unpack(c.bytes);
    ASSERT_EQ(t.has_value(), c.ok) << c.name;
    if (!c.ok) {
      EXPECT_EQ(t.error().chain(),
                (std::vector<std::string>{"Binary read error: failed to fill whole buffer",
                                          "failed to fill whole buffer"}))
          << c.name;
      continue;
    }
    EXPECT_EQ(t->entries.size(), c.entries) << c.name;
  }

  const WeenieTable dup =
      WeenieTable::unpack(
          WeenieTableBuilder{.table_id = 0x0E000007, .entries = {{0x10, apple}, {0x10, pear}}}
              .bytes())
          .value();
  EXPECT_EQ(dup.table_id, 0x0E000007u);
  ASSERT_NE(dup.find(0x10), nullptr);
  EXPECT_EQ(dup.find(0x10)->name(), "Pear") << "the later entry wins";
  EXPECT_EQ(dup.find(0x10)->class_id, 0x11u) << "the key is the table's, not the class id";
  EXPECT_EQ(dup.find(0x11), nullptr);
}

TEST(WeenieTable, StringPaddingIsRelativeToTheTableResource) {
  // The first weenie is 31 bytes long, so the second starts at 47, off the 4-byte grid; a decoder
  // that padded relative to the record would misplace every field after the string.
  const WeenieBuilder odd{.class_id = 1, .bools = {{1, 1}}};
  const WeenieBuilder named{.class_id = 2, .strings = {{1, "Pear"}}, .data_ids = {{8, 0x0600ABCD}}};
  const std::vector<uint8_t> bytes = WeenieTableBuilder{.entries = {{1, odd}, {2, named}}}.bytes();
  // Second weenie: string count at 47 + 20 = 67, text 75-78, padding 79, data ids at 80.
  ASSERT_EQ(bytes.size(), 80u + 2 + 8 + 2);
  EXPECT_EQ(bytes[80], 1);
  const WeenieTable t = WeenieTable::unpack(bytes).value();
  EXPECT_EQ(t.find(2)->name(), "Pear");
  EXPECT_EQ(t.find(2)->icon_id(), 0x0600ABCDu);
}

}  // namespace
}  // namespace tessary
