#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "output.hpp"

namespace tessary::app {
namespace {

template <typename Write>
std::string captured(Write write) {
  std::FILE* f = std::tmpfile();
  {
    Output out(fileno(f));
    write(out);
  }
  std::rewind(f);
  std::string text;
  for (int c; (c = std::fgetc(f)) != EOF;)
    text.push_back(static_cast<char>(c));
  std::fclose(f);
  return text;
}

TEST(Output, LineBuilderPadsButNeverCuts) {
  EXPECT_EQ(captured([](Output& out) {
              out.build_line(64).hex(0x1F, 8).text("|").hex(0x123456789, 8).text("|").end();
              out.build_line(64).hex(0, 2).text("|").hex(0xFFFFFFFFFFFFFFFF, 8).end();
              out.build_line(64).left(42, 10).text("|").left(12345678901, 10).text("|").end();
              out.build_line(128).left(7, 80).text("|").left(123456789012, 20).text("|").end();
            }),
            "0000001F|123456789|\n"
            "00|FFFFFFFFFFFFFFFF\n"
            "42        |12345678901|\n"
            "7" +
                std::string(79, ' ') + "|123456789012        |\n");
}

// Strided pieces are copied past their end; what follows must land over the overrun, at every
// length around the stride.
TEST(Output, StridedTextKeepsOnlyItsOwnBytes) {
  for (const size_t size : {0, 1, 63, 64, 65, 130}) {
    const std::string piece(size, 'a');
    const StridedText strided(piece);
    EXPECT_EQ(captured([&strided, size](Output& out) {
                out.build_line(size + 8).text(strided).text("|").hex(size, 2).end();
              }),
              piece + "|" + fmt::format("{:02X}", size) + "\n")
        << size;
  }
}

// The word-at-a-time digit paths against fmt, across their boundaries: digit counts, the largest
// value each path takes and the first it hands to the general one, every hexadecimal letter.
TEST(Output, NumbersMatchFmtAcrossTheFastPathBoundaries) {
  const uint64_t values[] = {0,
                             1,
                             9,
                             10,
                             99,
                             100,
                             12345,
                             9999999,
                             10000000,
                             99999999,
                             100000000,
                             4294967295u,
                             0x89ABCDEF,
                             0xFEDCBA98,
                             0xA0B0C0D,
                             0x1F,
                             uint64_t{1} << 32,
                             0xFFFFFFFFFFFFFFFF};
  for (const uint64_t v : values) {
    EXPECT_EQ(captured([v](Output& out) {
                out.build_line(128)
                    .hex(v, 8)
                    .text("|")
                    .hex(v, 2)
                    .text("|")
                    .left(v, 10)
                    .text("|")
                    .left(v, 3)
                    .text("|")
                    .end();
              }),
              fmt::format("{:08X}|{:02X}|{:<10}|{:<3}|\n", v, v, v, v))
        << v;
  }
}

TEST(Output, LinesBuiltLinesAndLargeWritesKeepTheirOrder) {
  // Large text bypasses the buffer, so what was buffered before it must go out first.
  const std::string large(100'000, 'x');
  EXPECT_EQ(captured([&large](Output& out) {
              out.line("first {}", 1);
              out.build_line(16).text("second").end();
              out.write("third\n");
              out.write(large);
              out.write("fourth\n");
            }),
            "first 1\nsecond\nthird\n" + large + "fourth\n");
}

}  // namespace
}  // namespace tessary::app
