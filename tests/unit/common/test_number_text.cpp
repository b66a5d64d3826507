#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tessary/common/number_text.hpp"

namespace tessary {
namespace {

TEST(FloatDebug, ShortestRoundTripForms) {
  const std::pair<float, const char*> cases[] = {
      {84.0f, "84.0"},
      {-0.5f, "-0.5"},
      {0.0f, "0.0"},
      {-0.0f, "-0.0"},
      {0.1f, "0.1"},
      {1.5f, "1.5"},
      {123456.0f, "123456.0"},
      {1e-4f, "0.0001"},
      {1e-5f, "1e-5"},
      {1.5e16f, "1.5e16"},
      {1e16f, "1e16"},
      {9.999999e15f, "9999999000000000.0"},
      {std::numeric_limits<float>::infinity(), "inf"},
      {-std::numeric_limits<float>::infinity(), "-inf"},
      {std::nanf(""), "NaN"},
  };
  for (auto [value, text] : cases)
    EXPECT_EQ(float_debug(value), text);
}

TEST(ParseU32, HexPiecesOfFileNames) {
  EXPECT_EQ(parse_u32("+1F", 16).value(), 0x1Fu);
  EXPECT_EQ(parse_u32("000000001F", 16).value(), 0x1Fu);
  EXPECT_EQ(parse_u32("0x1F", 16).error(), kParseInvalidDigit);
  EXPECT_EQ(parse_u32("-1", 16).error(), kParseInvalidDigit);
  EXPECT_EQ(parse_u32("1_0", 16).error(), kParseInvalidDigit);
  EXPECT_EQ(parse_u32("100000000", 16).error(), kParseTooLarge);
  EXPECT_EQ(parse_u32("", 16).error(), kParseEmpty);
}

}  // namespace
}  // namespace tessary
