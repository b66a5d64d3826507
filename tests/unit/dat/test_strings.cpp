#include <gtest/gtest.h>

#include <vector>

#include "tessary/common/math.hpp"
#include "tessary/dat/strings.hpp"

namespace tessary {
namespace {

TEST(ClientStrings, PlainForm) {
  const std::vector<uint8_t> abc = {0x03, 0x00, 'A', 'B', 'C'};
  Cursor c(abc);
  EXPECT_EQ(read_pstring(c, 2).value(), "ABC");
  EXPECT_EQ(c.pos(), 5u);

  const std::vector<uint8_t> empty = {0x00};
  Cursor e(empty);
  EXPECT_EQ(read_pstring(e, 1).value(), "");
  EXPECT_EQ(e.pos(), 1u);

  Cursor w(abc);
  auto bad_width = read_pstring(w, 3);
  ASSERT_FALSE(bad_width);
  EXPECT_EQ(bad_width.error().to_string(), "Unsupported PString length size at position 0");
  EXPECT_EQ(w.pos(), 0u);

  const std::vector<uint8_t> short_text = {0x05, 0x00, 'A', 'B'};
  Cursor s(short_text);
  EXPECT_EQ(read_pstring(s, 2).error().to_string(), "failed to fill whole buffer");
  EXPECT_EQ(s.pos(), 4u);

  // A huge 32-bit length fails on the bytes that are there, without setting memory aside.
  const std::vector<uint8_t> huge = {0xFF, 0xFF, 0xFF, 0xFF, 'A'};
  Cursor h(huge);
  EXPECT_FALSE(read_pstring(h, 4));
}

TEST(ClientStrings, ScrambledForm) {
  const std::vector<uint8_t> abc = {0x03, 0x00, 0x14, 0x24, 0x34};
  Cursor c(abc);
  EXPECT_EQ(read_obfuscated_string(c).value(), "ABC");
  const std::vector<uint8_t> empty = {0x00, 0x00};
  Cursor e(empty);
  EXPECT_EQ(read_obfuscated_string(e).value(), "");
}

TEST(Vectors, FieldContextsAndOrder) {
  const std::vector<uint8_t> eleven(11, 0);
  Cursor c(eleven);
  EXPECT_EQ(Vector3::read(c).error().to_string(),
            "failed to fill whole buffer\nWhile parsing field 'z' in Vector3");

  const std::vector<uint8_t> q = {0, 0, 0x80, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Cursor qc(q);
  Quaternion r = Quaternion::read(qc).value();
  EXPECT_EQ(r.w, 1.0f);
  EXPECT_EQ(r.x, 0.0f);
  EXPECT_EQ((Vector3{84.0f, -0.5f, 0.0f}.debug()), "Vector3 { x: 84.0, y: -0.5, z: 0.0 }");
}

TEST(Cursor, AlignsToFourWithoutReading) {
  const std::vector<uint8_t> none;
  for (auto [from, to] : {std::pair{4, 4}, {5, 8}, {6, 8}, {7, 8}}) {
    Cursor c(none, from);
    c.align4();
    EXPECT_EQ(c.pos(), uint64_t(to));
  }
}

}  // namespace
}  // namespace tessary
