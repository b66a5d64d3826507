#include "tessary/dat/namespace.hpp"

#include <algorithm>
#include <cstring>

#include "tessary/common/text.hpp"

namespace tessary {

namespace {

DatError invalid(std::string text) {
  return DatError::invalid_namespace(std::move(text));
}

size_t label_len(const ResourceNamespace::Bytes& bytes) {
  return static_cast<size_t>(std::find(bytes.begin(), bytes.end(), 0) - bytes.begin());
}

}  // namespace

DatResult<ResourceNamespace> ResourceNamespace::create(std::string_view label) {
  if (label.empty()) return std::unexpected(invalid("namespace label cannot be empty"));
  if (label.size() > kMaxLen)
    return std::unexpected(
        invalid(fmt::format("namespace label '{}' exceeds {} bytes", label, kMaxLen)));
  if (label.find('\0') != std::string_view::npos)
    return std::unexpected(invalid(fmt::format("namespace label '{}' contains a NUL byte", label)));
  // Labels come from callers and command lines as bytes; a stored label must read back.
  if (auto bad = validate_utf8(label))
    return std::unexpected(
        invalid(fmt::format("namespace label is not valid UTF-8: {}", bad->to_string())));
  Bytes bytes{};
  std::memcpy(bytes.data(), label.data(), label.size());
  return ResourceNamespace(bytes);
}

DatResult<ResourceNamespace> ResourceNamespace::from_bytes(const Bytes& bytes) {
  const size_t n = label_len(bytes);
  if (std::any_of(bytes.begin() + n, bytes.end(), [](uint8_t b) { return b != 0; }))
    return std::unexpected(
        invalid("namespace bytes must be zero-padded without embedded trailing data"));
  if (n == 0) return std::unexpected(invalid("namespace label cannot be empty"));
  if (auto bad = validate_utf8(std::span(bytes.data(), n)))
    return std::unexpected(
        invalid(fmt::format("namespace bytes are not valid UTF-8: {}", bad->to_string())));
  return ResourceNamespace(bytes);
}

std::string_view ResourceNamespace::as_str() const {
  return {reinterpret_cast<const char*>(bytes_.data()), label_len(bytes_)};
}

}  // namespace tessary
