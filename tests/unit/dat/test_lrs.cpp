#include <gtest/gtest.h>

#include <random>

#include "tessary/common/cursor.hpp"
#include "tessary/dat/lrs.hpp"
#include "tessary/testsupport/lrs_encoder.hpp"

namespace tessary {
namespace {

using Bytes = std::vector<uint8_t>;

// Declared size, then the token stream.
Bytes stream(uint32_t declared, std::span<const uint8_t> tokens) {
  Bytes b(4 + tokens.size());
  store_le<uint32_t>(b.data(), declared);
  std::copy(tokens.begin(), tokens.end(), b.begin() + 4);
  return b;
}
Bytes stream(uint32_t declared, std::initializer_list<uint8_t> tokens) {
  return stream(declared, std::span(tokens.begin(), tokens.size()));
}

TEST(DecompressLrs, DecodesAndStopsAsTheFormatSays) {
  struct Case {
    const char* name;
    Bytes input;
    Bytes expected;
  };
  const Case cases[] = {
      {"empty input", {}, {}},
      {"shorter than 4 bytes comes back as is", {1, 2, 3}, {1, 2, 3}},
      {"only a declared size", stream(100, {}), {}},
      {"declared size 0", stream(0, {0x00, 'a'}), {}},
      {"literals stop at the declared size with flag bits left",
       stream(5, {0x00, 'h', 'e', 'l', 'l', 'o', 'x', 'y'}),
       {'h', 'e', 'l', 'l', 'o'}},
      {"distance 1 repeats the last byte", stream(6, {0x40, 0x61, 0x01, 0x03}), Bytes(6, 0x61)},
      {"a copy is cut at the declared size", stream(4, {0x40, 'a', 0x01, 0x0F}), Bytes(4, 'a')},
      {"distance 0 ends the stream", stream(10, {0x20, 'a', 'b', 0x00, 0x00, 'c'}), {'a', 'b'}},
      {"distance beyond the output reads byte 0 until it is that long",
       stream(16, {0x10, 'a', 'b', 'c', 0x0A, 0x0C}),
       {'a', 'b', 'c', 'a', 'a', 'a', 'a', 'a', 'a', 'a', 'a', 'b', 'c', 'a', 'a', 'a'}},
      {"a copy before any output stops the stream", stream(8, {0x80, 0x01, 0x00, 'a'}), {}},
      {"a stream ending on a literal flag byte",
       stream(9, {0x00, 1, 2, 3, 4, 5, 6, 7, 8, 0x00}),
       {1, 2, 3, 4, 5, 6, 7, 8}},
      {"a stream ending on a copy flag byte",
       stream(9, {0x00, 1, 2, 3, 4, 5, 6, 7, 8, 0x80}),
       {1, 2, 3, 4, 5, 6, 7, 8}},
      {"a copy with one byte left stops", stream(9, {0x40, 'a', 0x01}), {'a'}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(decompress_lrs(c.input), c.expected) << c.name;
}

TEST(DecompressLrs, FarDistanceUsesTheHighNibble) {
  // 300 distinct-ish literals, then a copy of 4 bytes from 258 back (lo 0x02, hi 0x1 << 4 | 2).
  Bytes data;
  for (int i = 0; i < 300; ++i)
    data.push_back(static_cast<uint8_t>(i * 7));
  Bytes tokens;
  for (size_t i = 0; i < data.size(); i += 8) {
    // 300 = 37 * 8 + 4: the last group has 4 literals and the copy takes its fifth bit.
    tokens.push_back(i + 8 > data.size() ? 0x08 : 0x00);
    for (size_t k = i; k < i + 8 && k < data.size(); ++k)
      tokens.push_back(data[k]);
  }
  tokens.push_back(0x02);
  tokens.push_back(0x12);
  const Bytes in = stream(304, tokens);
  Bytes expected = data;
  for (int k = 0; k < 4; ++k)
    expected.push_back(data[300 - 258 + k]);
  EXPECT_EQ(decompress_lrs(in), expected);
}

TEST(DecompressLrs, HugeDeclaredSizeReservesOnlyWhatThePayloadCanProduce) {
  const Bytes in = stream(0xFFFFFFFF, {0x00});
  const Bytes out = decompress_lrs(in);
  EXPECT_TRUE(out.empty());
  EXPECT_LT(out.capacity(), 64u);

  const Bytes run = stream(0xFFFFFFFF, {0x7F, 'z', 0x01, 0x0F, 0x01, 0x0F});
  const Bytes expanded = decompress_lrs(run);
  EXPECT_EQ(expanded, Bytes(35, 'z'));
  EXPECT_LT(expanded.capacity(), 128u);
}

TEST(LrsEncoder, RoundTrips) {
  std::mt19937 rng(7);
  auto random_bytes = [&](size_t n, int alphabet) {
    Bytes b(n);
    for (uint8_t& x : b)
      x = static_cast<uint8_t>(rng() % alphabet);
    return b;
  };
  Bytes text;
  for (int i = 0; i < 400; ++i)
    for (char ch : std::string("the quick brown fox jumps over the lazy dog "))
      text.push_back(static_cast<uint8_t>(ch));
  const Bytes inputs[] = {
      {}, {42}, Bytes(1000, 0), random_bytes(5000, 256), random_bytes(20000, 4), text};
  for (const Bytes& in : inputs) {
    const Bytes packed = testsupport::compress_lrs(in);
    EXPECT_EQ(decompress_lrs(packed), in) << in.size() << " bytes";
  }
  EXPECT_LT(testsupport::compress_lrs(text).size(), text.size() / 4);
}

}  // namespace
}  // namespace tessary
