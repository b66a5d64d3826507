#pragma once
// The numeric keys of the seven kinds of object property. Each kind has its own closed key set; a
// key value exists only for numbers in its set, so a stored key is always a known one.

#include <compare>
#include <cstdint>
#include <optional>

namespace tessary {

struct KeyRange {
  uint32_t first;
  uint32_t last;  // inclusive
};

template <typename Kind>
class PropertyKey {
 public:
  // The key for `number`, or nothing when the number is not in this kind's set.
  static constexpr std::optional<PropertyKey> from_repr(uint32_t number) {
    for (const KeyRange& r : Kind::kRanges)
      if (number >= r.first && number <= r.last) return PropertyKey(number);
    return std::nullopt;
  }

  constexpr uint32_t repr() const { return number_; }
  constexpr auto operator<=>(const PropertyKey&) const = default;

 private:
  explicit constexpr PropertyKey(uint32_t number) : number_(number) {}
  uint32_t number_;
};

namespace property_kind {
struct Int {
  static constexpr KeyRange kRanges[] = {
      {1, 390}, {8007, 8007}, {8030, 8030}, {8041, 8043}, {9008, 9015}};
};
struct Int64 {
  static constexpr KeyRange kRanges[] = {{1, 8}};
};
struct Bool {
  static constexpr KeyRange kRanges[] = {{0, 130}, {9001, 9010}};
};
struct Float {
  static constexpr KeyRange kRanges[] = {{0, 171}, {8004, 8004}, {8010, 8018}};
};
struct String {
  static constexpr KeyRange kRanges[] = {{1, 52}, {8006, 8006}, {8031, 8032}, {9001, 9007}};
};
struct DataId {
  static constexpr KeyRange kRanges[] = {{1, 61},      {8001, 8003}, {8005, 8005},
                                         {8009, 8009}, {8019, 8030}, {8044, 8044}};
};
struct InstanceId {
  static constexpr KeyRange kRanges[] = {{1, 45}, {8000, 8000}, {8008, 8008}};
};
}  // namespace property_kind

using PropertyInt = PropertyKey<property_kind::Int>;
using PropertyInt64 = PropertyKey<property_kind::Int64>;
using PropertyBool = PropertyKey<property_kind::Bool>;
using PropertyFloat = PropertyKey<property_kind::Float>;
using PropertyString = PropertyKey<property_kind::String>;
using PropertyDataId = PropertyKey<property_kind::DataId>;
using PropertyInstanceId = PropertyKey<property_kind::InstanceId>;

}  // namespace tessary
