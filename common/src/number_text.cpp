#include "tessary/common/number_text.hpp"

#include <charconv>
#include <cmath>

namespace tessary {

std::expected<uint32_t, std::string> parse_u32(std::string_view text, unsigned radix) {
  if (text.empty()) return std::unexpected(kParseEmpty);
  if ((text[0] == '+' || text[0] == '-') && text.size() == 1)
    return std::unexpected(kParseInvalidDigit);
  if (text[0] == '+') text.remove_prefix(1);
  uint64_t value = 0;
  for (char c : text) {
    unsigned digit;
    if (c >= '0' && c <= '9')
      digit = static_cast<unsigned>(c - '0');
    else if (c >= 'a' && c <= 'z')
      digit = static_cast<unsigned>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'Z')
      digit = static_cast<unsigned>(c - 'A' + 10);
    else
      digit = 99;
    if (digit >= radix) return std::unexpected(kParseInvalidDigit);
    value = value * radix + digit;
    if (value > UINT32_MAX) return std::unexpected(kParseTooLarge);
  }
  return static_cast<uint32_t>(value);
}

std::string float_debug(float value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  std::string_view sci(buf, static_cast<size_t>(res.ptr - buf));
  std::string sign;
  if (sci.front() == '-') {
    sign = "-";
    sci.remove_prefix(1);
  }
  const size_t e_pos = sci.find('e');
  std::string digits;
  for (char c : sci.substr(0, e_pos))
    if (c != '.') digits += c;
  int exp = 0;
  std::string_view exp_text = sci.substr(e_pos + 1);
  if (exp_text.front() == '+') exp_text.remove_prefix(1);
  std::from_chars(exp_text.data(), exp_text.data() + exp_text.size(), exp);

  const float magnitude = std::fabs(value);
  if (magnitude != 0.0f && (magnitude < 1e-4f || magnitude >= 1e16f)) {
    std::string out = sign + digits.substr(0, 1);
    if (digits.size() > 1) out += "." + digits.substr(1);
    return out + "e" + std::to_string(exp);
  }
  const int point = exp + 1;  // digits before the decimal point
  const int n = static_cast<int>(digits.size());
  if (point <= 0) return sign + "0." + std::string(static_cast<size_t>(-point), '0') + digits;
  if (point >= n) return sign + digits + std::string(static_cast<size_t>(point - n), '0') + ".0";
  return sign + digits.substr(0, static_cast<size_t>(point)) + "." +
         digits.substr(static_cast<size_t>(point));
}

}  // namespace tessary
