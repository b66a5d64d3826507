#include <fmt/format.h>

#include <array>

#include "cli.hpp"
#include "commands.hpp"
#include "tessary/common/number_text.hpp"

namespace tessary::app {

namespace {

// The white-space characters of Unicode, as UTF-8.
constexpr std::array<std::string_view, 25> kUnicodeSpace = {
    "\t",           "\n",           "\v",           "\f",           "\r",           " ",
    "\xC2\x85",     "\xC2\xA0",     "\xE1\x9A\x80", "\xE2\x80\x80", "\xE2\x80\x81", "\xE2\x80\x82",
    "\xE2\x80\x83", "\xE2\x80\x84", "\xE2\x80\x85", "\xE2\x80\x86", "\xE2\x80\x87", "\xE2\x80\x88",
    "\xE2\x80\x89", "\xE2\x80\x8A", "\xE2\x80\xA8", "\xE2\x80\xA9", "\xE2\x80\xAF", "\xE2\x81\x9F",
    "\xE3\x80\x80"};

std::string_view trim_unicode_space(std::string_view s) {
  for (bool changed = true; changed && !s.empty();) {
    changed = false;
    for (std::string_view sp : kUnicodeSpace) {
      if (s.starts_with(sp)) {
        s.remove_prefix(sp.size());
        changed = true;
      }
      if (s.ends_with(sp)) {
        s.remove_suffix(sp.size());
        changed = true;
      }
    }
  }
  return s;
}

}  // namespace

std::expected<uint32_t, std::string> parse_id_auto(std::string_view text) {
  const std::string_view t = trim_unicode_space(text);
  if (t.size() >= 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X'))
    return parse_u32(t.substr(2), 16);
  if (auto dec = parse_u32(t, 10)) return dec;
  return parse_u32(t, 16);
}

AppResult<uint32_t> parse_id_arg(const std::string& text) {
  auto id = parse_id_auto(text);
  if (!id) return std::unexpected(AppError(std::move(id).error()));
  return *id;
}

AppResult<std::optional<PackName>> parse_pack_name(std::string_view name) {
  const size_t dot = name.find('.');
  if (dot == std::string_view::npos || name.find('.', dot + 1) != std::string_view::npos)
    return std::nullopt;
  const uint32_t file_id = TRY(with_context(parse_u32(name.substr(0, dot), 16),
                                            fmt::format("Invalid hex ID in filename: {}", name)));
  const uint32_t type_id =
      TRY(with_context(parse_u32(name.substr(dot + 1), 16),
                       fmt::format("Invalid hex Type ID in filename: {}", name)));
  return PackName{file_id, type_id};
}

}  // namespace tessary::app
