#include "tessary/common/decode_error.hpp"

#include <fmt/format.h>

namespace tessary {

DecodeError DecodeError::end_of_data(std::string text) {
  DecodeError e;
  e.kind_ = Kind::EndOfData;
  e.message_ = std::move(text);
  return e;
}

DecodeError DecodeError::assertion(std::string message, uint64_t pos) {
  DecodeError e;
  e.kind_ = Kind::Assertion;
  e.message_ = std::move(message);
  e.pos_ = pos;
  return e;
}

DecodeError DecodeError::no_variant_match(uint64_t pos, std::vector<VariantError> variants) {
  DecodeError e;
  e.kind_ = Kind::NoVariantMatch;
  e.message_ = "no variant matched";
  e.pos_ = pos;
  e.variants_ = std::move(variants);
  return e;
}

DecodeError& DecodeError::add_context(std::string_view field, std::string_view record) {
  context_.push_back(fmt::format("While parsing field '{}' in {}", field, record));
  return *this;
}

namespace {

void append_indented(std::string& out, const std::string& text, std::string_view indent) {
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    out += indent;
    out.append(text, start, end - start);
    out += '\n';
    start = end + 1;
  }
}

}  // namespace

std::string DecodeError::to_string() const {
  std::string out;
  switch (kind_) {
    case Kind::EndOfData:
      out = message_;
      break;
    case Kind::Assertion:
      out = fmt::format("{} at position {}", message_, pos_);
      break;
    case Kind::NoVariantMatch:
      out = fmt::format("no variant matched at position {}:\n", pos_);
      for (const VariantError& v : variants_) {
        out += fmt::format("  {}:\n", v.name);
        append_indented(out, v.error.to_string(), "    ");
      }
      out.pop_back();  // the final line break belongs to the caller's layout
      break;
  }
  for (const std::string& c : context_) {
    out += '\n';
    out += c;
  }
  return out;
}

}  // namespace tessary
