#include <gtest/gtest.h>

#include "cli.hpp"
#include "tessary/common/number_text.hpp"

namespace tessary::app {
namespace {

struct IdCase {
  const char* text;
  uint32_t value;     // when error is null
  const char* error;  // expected message, or null
};

TEST(ParseIdAuto, TableOfTexts) {
  const IdCase cases[] = {
      {"10", 10, nullptr},
      {"1A", 26, nullptr},
      {"ff", 255, nullptr},
      {"0x1A", 26, nullptr},
      {"0X1a", 26, nullptr},
      {"  0x1A\t", 26, nullptr},
      {"\xE2\x80\x83"
       "0x1A\xC2\xA0",
       26, nullptr},  // Unicode spaces around it
      {"+1A", 26, nullptr},
      {"06001270", 6001270, nullptr},
      {"0600127D", 100668029, nullptr},
      {"0x06001270", 100668016, nullptr},
      {"FFFFFFFF", 4294967295u, nullptr},
      {"4294967295", 4294967295u, nullptr},
      {"4294967296", 0, kParseTooLarge},
      {"", 0, kParseEmpty},
      {"   ", 0, kParseEmpty},
      {"0x", 0, kParseEmpty},
      {"+", 0, kParseInvalidDigit},
      {"-", 0, kParseInvalidDigit},
      {"-5", 0, kParseInvalidDigit},
      {"0x 1A", 0, kParseInvalidDigit},
      {"0x1G", 0, kParseInvalidDigit},
      {"0x+1A", 26, nullptr},
      {"0x++1", 0, kParseInvalidDigit},
      {"1FFFFFFFF", 0, kParseTooLarge},
  };
  for (const IdCase& c : cases) {
    auto r = parse_id_auto(c.text);
    if (c.error) {
      ASSERT_FALSE(r) << c.text;
      EXPECT_EQ(r.error(), c.error) << c.text;
    } else {
      ASSERT_TRUE(r) << c.text << ": " << r.error();
      EXPECT_EQ(*r, c.value) << c.text;
    }
  }
}

}  // namespace
}  // namespace tessary::app
