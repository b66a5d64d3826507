#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tessary/common/properties/storage.hpp"

namespace tessary {
namespace {

struct KeySet {
  const char* name;
  std::function<bool(uint32_t)> known;
  std::vector<uint32_t> valid;    // every range boundary
  std::vector<uint32_t> invalid;  // the numbers just outside them
  size_t size_below_10000;
};

template <typename Key>
std::function<bool(uint32_t)> known() {
  return [](uint32_t n) {
    auto k = Key::from_repr(n);
    return k.has_value() && k->repr() == n;
  };
}

TEST(PropertyKeys, ExactNumberSets) {
  const KeySet sets[] = {
      {"Int",
       known<PropertyInt>(),
       {1, 390, 8007, 8030, 8041, 8043, 9008, 9015},
       {0, 391, 8006, 8008, 8029, 8031, 8040, 8044, 9007, 9016},
       403},
      {"Int64", known<PropertyInt64>(), {1, 8}, {0, 9}, 8},
      {"Bool", known<PropertyBool>(), {0, 130, 9001, 9010}, {131, 9000, 9011}, 141},
      {"Float",
       known<PropertyFloat>(),
       {0, 171, 8004, 8010, 8018},
       {172, 8003, 8005, 8009, 8019},
       182},
      {"String",
       known<PropertyString>(),
       {1, 52, 8006, 8031, 8032, 9001, 9007},
       {0, 53, 8005, 8007, 8030, 8033, 9000, 9008},
       62},
      {"DataId",
       known<PropertyDataId>(),
       {1, 61, 8001, 8003, 8005, 8009, 8019, 8030, 8044},
       {0, 62, 8000, 8004, 8006, 8008, 8010, 8018, 8031, 8043, 8045},
       79},
      {"InstanceId",
       known<PropertyInstanceId>(),
       {1, 45, 8000, 8008},
       {0, 46, 7999, 8001, 8007, 8009},
       47},
  };
  for (const KeySet& s : sets) {
    for (uint32_t n : s.valid)
      EXPECT_TRUE(s.known(n)) << s.name << " " << n;
    for (uint32_t n : s.invalid)
      EXPECT_FALSE(s.known(n)) << s.name << " " << n;
    EXPECT_FALSE(s.known(0xFFFFFFFF)) << s.name;
    size_t count = 0;
    for (uint32_t n = 0; n < 10000; ++n)
      count += s.known(n);
    EXPECT_EQ(count, s.size_below_10000) << s.name;
  }
}

TEST(PropertyStorage, RawUpdatesStoreOnlyKnownKeys) {
  WorldObjectProperties p;
  for (uint32_t key : {390u, 391u, 8008u, 8030u, 0u})
    apply_raw_int(p, key, static_cast<int32_t>(key));
  for (uint32_t key : {0u, 131u})
    apply_raw_bool(p, key, true);
  for (uint32_t key : {8019u, 8018u})
    apply_raw_float(p, key, 1.5);
  apply_raw_int64(p, 9, 1);
  apply_raw_string(p, 53, "dropped");
  apply_raw_did(p, 62, 1);
  apply_raw_iid(p, 46, 1);

  ASSERT_EQ(p.ints.size(), 2u);
  EXPECT_EQ(p.ints.at(*PropertyInt::from_repr(390)), 390);
  EXPECT_EQ(p.ints.at(*PropertyInt::from_repr(8030)), 8030);
  ASSERT_EQ(p.bools.size(), 1u);
  EXPECT_TRUE(p.bools.contains(*PropertyBool::from_repr(0)));
  ASSERT_EQ(p.floats.size(), 1u);
  EXPECT_TRUE(p.floats.contains(*PropertyFloat::from_repr(8018)));
  EXPECT_TRUE(p.int64s.empty());
  EXPECT_TRUE(p.strings.empty());
  EXPECT_TRUE(p.data_ids.empty());
  EXPECT_TRUE(p.instance_ids.empty());
}

TEST(PropertyStorage, LaterValueReplacesAndEmptyValuesRemove) {
  WorldObjectProperties p;
  apply_raw_int(p, 5, 1);
  apply_raw_int(p, 5, 2);
  ASSERT_EQ(p.ints.size(), 1u);
  EXPECT_EQ(p.ints.begin()->second, 2);

  apply_raw_string(p, 1, "Apple");
  apply_raw_string(p, 1, "");
  EXPECT_TRUE(p.strings.empty());

  apply_raw_did(p, 8, 0);  // nothing to remove: no change
  EXPECT_TRUE(p.data_ids.empty());
  apply_raw_did(p, 8, 0x06001234);
  apply_raw_did(p, 9, 7);
  apply_raw_did(p, 8, 0);
  ASSERT_EQ(p.data_ids.size(), 1u);
  EXPECT_EQ(p.data_ids.begin()->first.repr(), 9u);

  apply_raw_iid(p, 3, 0x50000001);
  apply_raw_iid(p, 3, 0);
  EXPECT_TRUE(p.instance_ids.empty());
}

TEST(PropertyStorage, MapsIterateInAscendingKeyOrder) {
  WorldObjectProperties p;
  for (uint32_t key : {9015u, 300u, 5u, 8007u, 6u})
    apply_raw_int(p, key, 0);
  std::vector<uint32_t> order;
  for (const auto& [key, value] : p.ints)
    order.push_back(key.repr());
  EXPECT_EQ(order, (std::vector<uint32_t>{5, 6, 300, 8007, 9015}));
}

TEST(PropertyStorage, ApplyFollowsTheSameRulesForEveryVariant) {
  namespace u = property_update;
  WorldObjectProperties p;
  const auto name = *PropertyString::from_repr(1);
  const auto icon = *PropertyDataId::from_repr(8);
  apply(p, u::Int{*PropertyInt::from_repr(1), 10});
  apply(p, u::Int64{*PropertyInt64::from_repr(1), 1LL << 40});
  apply(p, u::Bool{*PropertyBool::from_repr(0), true});
  apply(p, u::Float{*PropertyFloat::from_repr(0), 0.25});
  apply(p, u::String{name, "Apple"});
  apply(p, u::DataId{icon, 0x06001234});
  apply(p, u::InstanceId{*PropertyInstanceId::from_repr(1), 0x50000001});
  EXPECT_EQ(p.ints.size() + p.int64s.size() + p.bools.size() + p.floats.size() + p.strings.size() +
                p.data_ids.size() + p.instance_ids.size(),
            7u);

  apply(p, u::RawString{1, ""});  // a raw update with a known key behaves as the known one
  apply(p, u::RawDataId{8, 0});
  apply(p, u::RawInt{391, 5});
  apply(p, u::RawInt64{2, 3});
  apply(p, u::RawBool{9010, false});
  apply(p, u::RawFloat{8004, 2.0});
  apply(p, u::RawInstanceId{8008, 9});
  EXPECT_FALSE(p.strings.contains(name));
  EXPECT_FALSE(p.data_ids.contains(icon));
  EXPECT_EQ(p.ints.size(), 1u);
  EXPECT_EQ(p.int64s.size(), 2u);
  EXPECT_EQ(p.bools.size(), 2u);
  EXPECT_EQ(p.floats.size(), 2u);
  EXPECT_EQ(p.instance_ids.size(), 2u);

  apply(p, u::String{name, ""});
  apply(p, u::DataId{icon, 0});
  EXPECT_TRUE(p.strings.empty());
  EXPECT_TRUE(p.data_ids.empty());
}

}  // namespace
}  // namespace tessary
