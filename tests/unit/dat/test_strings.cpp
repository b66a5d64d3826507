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

  const std::vector<uint8_t> wide = {0x02, 0x00, 0x00, 0x00, 0x80, 0x41, 0xFF};
  Cursor w4(wide);
  EXPECT_EQ(read_pstring(w4, 4).value(), "\u20ACA");
  EXPECT_EQ(w4.pos(), 6u) << "no padding is read after the text";

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

  // The text is decoded after unscrambling: windows-1252 E9, and a scrambled UTF-8 mark.
  const std::vector<uint8_t> marked = {0x06, 0x00, 0xFE, 0xBB, 0xFB, 0x14, 0x3C, 0x9A};
  Cursor m(marked);
  EXPECT_EQ(read_obfuscated_string(m).value(), "A\u00E9");
  const std::vector<uint8_t> latin = {0x01, 0x00, 0x9E};
  Cursor l(latin);
  EXPECT_EQ(read_obfuscated_string(l).value(), "\u00E9");

  // Long texts take another path than short ones.
  std::vector<uint8_t> long_text = {0x58, 0x02};  // 600
  long_text.resize(2 + 600, 0x14);
  Cursor lc(long_text);
  EXPECT_EQ(read_obfuscated_string(lc).value(), std::string(600, 'A'));
  EXPECT_EQ(lc.pos(), 602u);
  // Unscrambled eight bytes at a time, then the rest one by one.
  const std::vector<uint8_t> letters = {0x0A, 0x00, 0x14, 0x24, 0x34, 0x44,
                                        0x54, 0x64, 0x74, 0x84, 0x94, 0x9E};
  Cursor lt(letters);
  EXPECT_EQ(read_obfuscated_string(lt).value(), "ABCDEFGHI\u00E9");

  const std::vector<uint8_t> short_text = {0x05, 0x00, 0x14};
  Cursor s(short_text);
  EXPECT_EQ(read_obfuscated_string(s).error().to_string(), "failed to fill whole buffer");
  EXPECT_EQ(s.pos(), 3u);
  const std::vector<uint8_t> no_length = {0x05};
  Cursor n(no_length);
  EXPECT_EQ(read_obfuscated_string(n).error().to_string(), "failed to fill whole buffer");
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
