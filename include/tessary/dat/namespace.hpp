#pragma once
// A resource namespace label ("eor/portal", "eor/cell") in the fixed 32-byte form that archives
// store: the UTF-8 label, zero-filled. The same bytes serve as hash key, sort key and stored field,
// so a label never needs a length prefix or a terminator search beyond the padding rule.

#include <array>
#include <compare>
#include <cstdint>
#include <string_view>

#include <fmt/format.h>

#include "tessary/dat/error.hpp"

namespace tessary {

class ResourceNamespace {
 public:
  static constexpr size_t kMaxLen = 32;
  using Bytes = std::array<uint8_t, kMaxLen>;

  // A label given by a user or caller: 1 to 32 bytes, no NUL.
  static DatResult<ResourceNamespace> create(std::string_view label);
  // A stored form read from a file: the label, then zeros only, valid UTF-8.
  static DatResult<ResourceNamespace> from_bytes(const Bytes& bytes);

  std::string_view as_str() const;
  const Bytes& bytes() const { return bytes_; }

  // Byte order of the whole array, which the zero fill turns into byte order of the labels.
  friend auto operator<=>(const ResourceNamespace&, const ResourceNamespace&) = default;

  template <typename H>
  friend H AbslHashValue(H h, const ResourceNamespace& ns) {
    return H::combine_contiguous(std::move(h), ns.bytes_.data(), ns.bytes_.size());
  }

 private:
  explicit ResourceNamespace(const Bytes& bytes) : bytes_(bytes) {}
  Bytes bytes_{};
};

}  // namespace tessary

template <>
struct fmt::formatter<tessary::ResourceNamespace> : fmt::formatter<std::string_view> {
  auto format(const tessary::ResourceNamespace& ns, fmt::format_context& ctx) const {
    return fmt::format_to(ctx.out(), "{}", ns.as_str());
  }
};
