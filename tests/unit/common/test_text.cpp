#include <gtest/gtest.h>

#include <vector>

#include "tessary/common/text.hpp"

namespace tessary {
namespace {

std::span<const uint8_t> bytes(const std::vector<uint8_t>& v) {
  return v;
}

TEST(Utf8, ValidationErrorsNameTheFirstBadSequence) {
  struct Case {
    std::vector<uint8_t> in;
    const char* error;  // null when valid
  };
  const Case cases[] = {
      {{'a', 'b'}, nullptr},
      {{0xC3, 0x28}, "invalid utf-8 sequence of 1 bytes from index 0"},
      {{0xE2}, "incomplete utf-8 byte sequence from index 0"},
      {{'a', 0xE2, 0x82}, "incomplete utf-8 byte sequence from index 1"},
      {{0xE2, 0x82, 'x'}, "invalid utf-8 sequence of 2 bytes from index 0"},
      {{0xF0, 0x9F, 0x98, 'x'}, "invalid utf-8 sequence of 3 bytes from index 0"},
      {{0xED, 0xA0, 0x80}, "invalid utf-8 sequence of 1 bytes from index 0"},  // surrogate
      {{0xFF}, "invalid utf-8 sequence of 1 bytes from index 0"},
      // ASCII is skipped eight bytes at a time: errors right after, inside and across such runs
      {{'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm', 'n', 'o', 'p'}, nullptr},
      {{'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0xFF},
       "invalid utf-8 sequence of 1 bytes from index 8"},
      {{'a', 'b', 'c', 'd', 'e', 'f', 'g', 0xC3, 0xA9, 'i', 'j', 'k', 'l', 'm', 'n', 'o', 'p', 0xE2,
        0x82},
       "incomplete utf-8 byte sequence from index 17"},
      {{0xC3, 0xA9, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 0x80, 'h'},
       "invalid utf-8 sequence of 1 bytes from index 9"},
  };
  for (const Case& c : cases) {
    auto e = validate_utf8(bytes(c.in));
    if (!c.error) {
      EXPECT_FALSE(e);
    } else {
      ASSERT_TRUE(e);
      EXPECT_EQ(e->to_string(), c.error);
    }
  }
}

TEST(ClientText, ByteOrderMarksAndCodePages) {
  struct Case {
    std::vector<uint8_t> in;
    std::string out;
  };
  const Case cases[] = {
      {{0x80, 0xE9}, "\u20AC\u00E9"},
      {{0xEF, 0xBB, 0xBF, 0x41}, "A"},
      {{0xFF, 0xFE, 0x41, 0x00}, "A"},
      {{0xFE, 0xFF, 0x00, 0x41}, "A"},
      {{0xFF}, "\u00FF"},
      {{0x81, 0x8D, 0x8F, 0x90, 0x9D}, "\u0081\u008D\u008F\u0090\u009D"},
      {{0x9F, 0x8A}, "\u0178\u0160"},
      {{}, ""},
      {{0xEF, 0xBB, 0xBF, 0xC3}, "\uFFFD"},               // malformed UTF-8
      {{0xFF, 0xFE, 0x00, 0xD8, 0x41, 0x00}, "\uFFFDA"},  // unpaired high surrogate
      {{0xFF, 0xFE, 0x41, 0x00, 0x42}, "A\uFFFD"},        // odd trailing byte
      {{0xFE, 0xFF, 0xD8, 0x3D, 0xDE, 0x00}, "\U0001F600"},
      // a mark needs its whole length: shorter texts are windows-1252
      {{0xEF, 0xBB}, "\u00EF\u00BB"},
      {{0xFE}, "\u00FE"},
      {{0xEF, 0xBB, 0xBF}, ""},
      {{0xFF, 0xFE}, ""},
      {{0xFE, 0xFF}, ""},
      {{0x41, 0xFF, 0xFE}, "A\u00FF\u00FE"},  // only leading bytes are a mark
      // windows-1252 beyond the C1 range and around it
      {{0x7F, 0x8E, 0x99, 0x9E, 0xA0}, "\u007F\u017D\u2122\u017E\u00A0"},
      // long texts: ASCII runs around the eight-byte blocks a scan takes at once
      {{'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm', 'n', 'o', 'p', 'q'},
       "abcdefghijklmnopq"},
      {{'c', 'a', 'f', 0xE9, ' ', 0x93, 'q', 'u', 'o', 't', 'e', 'd', 0x94, '!', '!', '!', 0x80},
       "caf\u00E9 \u201Cquoted\u201D!!!\u20AC"},
      {{'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0x8F, 0xFF, 'i'}, "abcdefgh\u008F\u00FFi"},
      // UTF-8 after its mark: good sequences kept, each bad part one U+FFFD
      {{0xEF, 0xBB, 0xBF, 0xC3, 0xA9, 0x41, 0x80, 0x42}, "\u00E9A\uFFFDB"},
      {{0xEF, 0xBB, 0xBF, 0xC0, 0x80}, "\uFFFD\uFFFD"},  // overlong
      // UTF-16: pairs in both orders, unpaired halves and odd trailing bytes
      {{0xFF, 0xFE, 0x3D, 0xD8, 0x00, 0xDE}, "\U0001F600"},
      {{0xFF, 0xFE, 0xE9, 0x00, 0xAC, 0x20}, "\u00E9\u20AC"},
      {{0xFF, 0xFE, 0x00, 0xDC, 0x41, 0x00}, "\uFFFDA"},  // lone low surrogate
      {{0xFF, 0xFE, 0x41, 0x00, 0x00, 0xD8}, "A\uFFFD"},  // high surrogate at the end
      {{0xFF, 0xFE, 0x00, 0xD8, 0x41}, "\uFFFD\uFFFD"},   // then an odd byte
      {{0xFE, 0xFF, 0xDC, 0x00, 0x00, 0x42, 0x43}, "\uFFFDB\uFFFD"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(decode_client_text(bytes(c.in)), c.out);
}

TEST(Utf8, LossyReplacesEachMaximalBadPart) {
  const std::vector<uint8_t> in = {'a', 0xF0, 0x9F, 'b', 0xFF, 0xE2, 0x82};
  EXPECT_EQ(utf8_lossy(bytes(in)), "a\uFFFDb\uFFFD\uFFFD");
}

TEST(Quoted, EscapesLikeADebugString) {
  EXPECT_EQ(debug_quoted(std::string_view("out/x.bin")), "\"out/x.bin\"");
  EXPECT_EQ(debug_quoted(std::string_view("a\"b\\c\nd\te")), "\"a\\\"b\\\\c\\nd\\te\"");
  EXPECT_EQ(debug_quoted(std::string_view("\x01\x7F")), "\"\\u{1}\\u{7f}\"");
  EXPECT_EQ(debug_quoted(std::string_view("caf\xC3\xA9")), "\"caf\xC3\xA9\"");
  EXPECT_EQ(debug_quoted(std::string_view("a\xFF"
                                          "b")),
            "\"a\\xFFb\"");
}

}  // namespace
}  // namespace tessary
