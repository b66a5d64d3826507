#pragma once
// The error of every fixed-layout record reader, and the two helpers every decoder uses to pass
// failures outward: TRY (propagate) and TRY_FIELD (propagate, naming the field being read).

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessary {

struct VariantError;

class DecodeError {
 public:
  enum class Kind { EndOfData, Assertion, NoVariantMatch };

  // Running out of bytes. The text is "failed to fill whole buffer" unless a record says otherwise.
  static DecodeError end_of_data(std::string text = kFillBuffer);
  static DecodeError assertion(std::string message, uint64_t pos);
  static DecodeError no_variant_match(uint64_t pos, std::vector<VariantError> variants);

  static constexpr const char* kFillBuffer = "failed to fill whole buffer";
  static constexpr const char* kNotEnoughBytes = "not enough bytes in reader";

  Kind kind() const { return kind_; }
  const std::string& message() const { return message_; }
  uint64_t pos() const { return pos_; }
  const std::vector<VariantError>& variants() const { return variants_; }
  // Innermost first: "While parsing field 'root_offset' in DatHeader".
  const std::vector<std::string>& context() const { return context_; }

  DecodeError& add_context(std::string_view field, std::string_view record);

  // The failure line(s), then one line per context message, innermost first.
  std::string to_string() const;

 private:
  Kind kind_ = Kind::EndOfData;
  std::string message_;
  uint64_t pos_ = 0;
  std::vector<VariantError> variants_;
  std::vector<std::string> context_;
};

struct VariantError {
  std::string name;
  DecodeError error;
};

template <typename T>
using Decoded = std::expected<T, DecodeError>;

template <typename T, typename E>
std::expected<T, E> with_field(std::expected<T, E>&& r, std::string_view field,
                               std::string_view record) {
  if (!r) r.error().add_context(field, record);
  return std::move(r);
}

}  // namespace tessary

// Evaluates an expected-valued expression; on error returns the error from the enclosing function,
// otherwise yields the value. g++'s statement expressions stand in for the missing and_then.
#define TRY(expr)                                                             \
  ({                                                                          \
    auto&& try_result_ = (expr);                                              \
    if (!try_result_) return std::unexpected(std::move(try_result_).error()); \
    std::move(try_result_).value();                                           \
  })

// TRY for one field of a record: a failure gains "While parsing field 'field' in record".
#define TRY_FIELD(expr, field, record) TRY(::tessary::with_field((expr), field, record))
