#pragma once
// Number texts in the forms users of the tool know from its messages: integer parsing with the
// standard library's error texts, and the shortest round-trip debug form of 32-bit floats.

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

namespace tessary {

inline constexpr const char* kParseEmpty = "cannot parse integer from empty string";
inline constexpr const char* kParseInvalidDigit = "invalid digit found in string";
inline constexpr const char* kParseTooLarge = "number too large to fit in target type";

// Radix 10 or 16: an optional single '+', then one or more digits, nothing else. Digits are checked
// left to right, so a value that overflows before a bad character reports the overflow.
std::expected<uint32_t, std::string> parse_u32(std::string_view text, unsigned radix);

// Shortest text that reads back to the same float; ".0" on whole numbers; exponent form below 1e-4
// and from 1e16 ("1e-5", "1.5e16"); "NaN", "inf", "-inf".
std::string float_debug(float value);

}  // namespace tessary
