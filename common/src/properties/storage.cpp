#include "tessary/common/properties/storage.hpp"

#include <utility>

namespace tessary {

namespace {

namespace u = property_update;

template <typename... F>
struct Overloaded : F... {
  using F::operator()...;
};
// Spelled out for compilers without aggregate deduction (clang before 17 builds the fuzz targets).
template <typename... F>
Overloaded(F...) -> Overloaded<F...>;

// Kinds whose "no value" is a value the maps never hold: storing it removes the key.
template <typename Map, typename Key, typename Value>
void set_or_remove(Map& map, Key key, Value&& value, bool remove) {
  if (remove)
    map.erase(key);
  else
    map.insert_or_assign(key, std::forward<Value>(value));
}

void store(WorldObjectProperties& p, u::Int x) {
  p.ints.insert_or_assign(x.key, x.value);
}
void store(WorldObjectProperties& p, u::Int64 x) {
  p.int64s.insert_or_assign(x.key, x.value);
}
void store(WorldObjectProperties& p, u::Bool x) {
  p.bools.insert_or_assign(x.key, x.value);
}
void store(WorldObjectProperties& p, u::Float x) {
  p.floats.insert_or_assign(x.key, x.value);
}
void store(WorldObjectProperties& p, u::String x) {
  const bool empty = x.value.empty();
  set_or_remove(p.strings, x.key, std::move(x.value), empty);
}
void store(WorldObjectProperties& p, u::DataId x) {
  set_or_remove(p.data_ids, x.key, x.value, x.value == 0);
}
void store(WorldObjectProperties& p, u::InstanceId x) {
  set_or_remove(p.instance_ids, x.key, x.value, x.value == 0);
}

// Converts the key number for the kind of `Known`; numbers outside the set are dropped.
template <typename Known, typename Value>
void store_raw(WorldObjectProperties& p, uint32_t number, Value&& value) {
  using Key = decltype(Known::key);
  if (auto key = Key::from_repr(number)) store(p, Known{*key, std::forward<Value>(value)});
}

}  // namespace

void apply(WorldObjectProperties& p, PropertyUpdate update) {
  std::visit(Overloaded{
                 [&](u::RawInt& x) { apply_raw_int(p, x.key, x.value); },
                 [&](u::RawInt64& x) { apply_raw_int64(p, x.key, x.value); },
                 [&](u::RawBool& x) { apply_raw_bool(p, x.key, x.value); },
                 [&](u::RawFloat& x) { apply_raw_float(p, x.key, x.value); },
                 [&](u::RawString& x) { apply_raw_string(p, x.key, std::move(x.value)); },
                 [&](u::RawDataId& x) { apply_raw_did(p, x.key, x.value); },
                 [&](u::RawInstanceId& x) { apply_raw_iid(p, x.key, x.value); },
                 [&](auto& known) { store(p, std::move(known)); },
             },
             update);
}

void apply_raw_int(WorldObjectProperties& p, uint32_t key, int32_t value) {
  store_raw<u::Int>(p, key, value);
}
void apply_raw_int64(WorldObjectProperties& p, uint32_t key, int64_t value) {
  store_raw<u::Int64>(p, key, value);
}
void apply_raw_bool(WorldObjectProperties& p, uint32_t key, bool value) {
  store_raw<u::Bool>(p, key, value);
}
void apply_raw_float(WorldObjectProperties& p, uint32_t key, double value) {
  store_raw<u::Float>(p, key, value);
}
void apply_raw_string(WorldObjectProperties& p, uint32_t key, std::string value) {
  store_raw<u::String>(p, key, std::move(value));
}
void apply_raw_did(WorldObjectProperties& p, uint32_t key, uint32_t value) {
  store_raw<u::DataId>(p, key, value);
}
void apply_raw_iid(WorldObjectProperties& p, uint32_t key, uint32_t value) {
  store_raw<u::InstanceId>(p, key, value);
}

}  // namespace tessary
