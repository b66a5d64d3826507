#pragma once
// An object's typed properties: seven maps, one per kind, each iterating in ascending key order,
// changed only through updates. Updates never fail: a raw key outside its kind's set is dropped,
// and an empty string or a zero data/instance id removes its key instead of being stored.

#include <absl/container/btree_map.h>

#include <cstdint>
#include <string>
#include <variant>

#include "tessary/common/properties/property_keys.hpp"

namespace tessary {

struct WorldObjectProperties {
  absl::btree_map<PropertyInt, int32_t> ints;
  absl::btree_map<PropertyFloat, double> floats;
  absl::btree_map<PropertyString, std::string> strings;        // values never empty
  absl::btree_map<PropertyDataId, uint32_t> data_ids;          // values never 0
  absl::btree_map<PropertyInstanceId, uint32_t> instance_ids;  // values never 0
  absl::btree_map<PropertyBool, bool> bools;
  absl::btree_map<PropertyInt64, int64_t> int64s;
};

namespace property_update {
struct Int {
  PropertyInt key;
  int32_t value;
};
struct Int64 {
  PropertyInt64 key;
  int64_t value;
};
struct Bool {
  PropertyBool key;
  bool value;
};
struct Float {
  PropertyFloat key;
  double value;
};
struct String {
  PropertyString key;
  std::string value;
};
struct DataId {
  PropertyDataId key;
  uint32_t value;
};
struct InstanceId {
  PropertyInstanceId key;
  uint32_t value;
};
struct RawInt {
  uint32_t key;
  int32_t value;
};
struct RawInt64 {
  uint32_t key;
  int64_t value;
};
struct RawBool {
  uint32_t key;
  bool value;
};
struct RawFloat {
  uint32_t key;
  double value;
};
struct RawString {
  uint32_t key;
  std::string value;
};
struct RawDataId {
  uint32_t key;
  uint32_t value;
};
struct RawInstanceId {
  uint32_t key;
  uint32_t value;
};
}  // namespace property_update

using PropertyUpdate =
    std::variant<property_update::Int, property_update::Int64, property_update::Bool,
                 property_update::Float, property_update::String, property_update::DataId,
                 property_update::InstanceId, property_update::RawInt, property_update::RawInt64,
                 property_update::RawBool, property_update::RawFloat, property_update::RawString,
                 property_update::RawDataId, property_update::RawInstanceId>;

void apply(WorldObjectProperties& properties, PropertyUpdate update);

void apply_raw_int(WorldObjectProperties& properties, uint32_t key, int32_t value);
void apply_raw_int64(WorldObjectProperties& properties, uint32_t key, int64_t value);
void apply_raw_bool(WorldObjectProperties& properties, uint32_t key, bool value);
void apply_raw_float(WorldObjectProperties& properties, uint32_t key, double value);
void apply_raw_string(WorldObjectProperties& properties, uint32_t key, std::string value);
void apply_raw_did(WorldObjectProperties& properties, uint32_t key, uint32_t value);
void apply_raw_iid(WorldObjectProperties& properties, uint32_t key, uint32_t value);

}  // namespace tessary
