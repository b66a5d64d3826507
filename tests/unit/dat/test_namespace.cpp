#include <gtest/gtest.h>

#include <absl/container/flat_hash_set.h>

#include <algorithm>

#include "tessary/dat/namespace.hpp"
#include "tessary/testsupport/tsy_builder.hpp"

namespace tessary {
namespace {

using testsupport::ns_bytes;

std::string error_of(const DatResult<ResourceNamespace>& r) {
  return r ? "ok" : r.error().message();
}

TEST(ResourceNamespace, LabelsAreCheckedInOrder) {
  const std::string thirty_two(32, 'a');
  std::string three_byte_chars;
  for (int i = 0; i < 11; ++i)
    three_byte_chars += "\xE2\x82\xAC";  // euro sign
  const struct {
    std::string label;
    std::string expected;
  } cases[] = {
      {"eor/portal", "ok"},
      {"eor/cell", "ok"},
      {"a-b_c.d:e", "ok"},
      {thirty_two, "ok"},
      {"", "Invalid namespace: namespace label cannot be empty"},
      {thirty_two + "b",
       "Invalid namespace: namespace label '" + thirty_two + "b' exceeds 32 bytes"},
      {three_byte_chars,
       "Invalid namespace: namespace label '" + three_byte_chars + "' exceeds 32 bytes"},
      {std::string("ab\0c", 4),
       "Invalid namespace: namespace label '" + std::string("ab\0c", 4) + "' contains a NUL byte"},
      {thirty_two + std::string(1, '\0'), "Invalid namespace: namespace label '" + thirty_two +
                                              std::string(1, '\0') + "' exceeds 32 bytes"},
      {"eor/\xFF",
       "Invalid namespace: namespace label is not valid UTF-8: invalid utf-8 "
       "sequence of 1 bytes from index 4"},
  };
  for (const auto& c : cases) {
    auto ns = ResourceNamespace::create(c.label);
    EXPECT_EQ(error_of(ns), c.expected) << c.label;
    if (!ns) continue;
    EXPECT_EQ(ns->as_str(), c.label);
    EXPECT_EQ(fmt::format("{}", *ns), c.label);
    auto again = ResourceNamespace::from_bytes(ns->bytes());
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, *ns);
  }
}

TEST(ResourceNamespace, StoredFormsAreCheckedInOrder) {
  auto raw = [](std::string_view s) {
    ResourceNamespace::Bytes b{};
    std::copy(s.begin(), s.end(), b.begin());
    return b;
  };
  const struct {
    ResourceNamespace::Bytes bytes;
    std::string expected;
  } cases[] = {
      {raw("eor/portal"), "ok"},
      {raw(std::string(32, 'z')), "ok"},
      {raw(""), "Invalid namespace: namespace label cannot be empty"},
      {raw(std::string_view("\0a", 2)),
       "Invalid namespace: namespace bytes must be zero-padded without embedded trailing data"},
      {raw(std::string_view("ab\0c", 4)),
       "Invalid namespace: namespace bytes must be zero-padded without embedded trailing data"},
      {raw("\xC3\x28"),
       "Invalid namespace: namespace bytes are not valid UTF-8: invalid utf-8 sequence of 1 bytes "
       "from index 0"},
      {raw("\xE2"),
       "Invalid namespace: namespace bytes are not valid UTF-8: incomplete utf-8 byte sequence "
       "from index 0"},
  };
  for (const auto& c : cases) {
    auto ns = ResourceNamespace::from_bytes(c.bytes);
    EXPECT_EQ(error_of(ns), c.expected);
    if (ns) {
      EXPECT_EQ(ns->bytes(), c.bytes);
    }
  }
}

TEST(ResourceNamespace, OrdersByLabelBytesAndHashesAsAKey) {
  std::vector<ResourceNamespace> v;
  for (const char* label : {"eor/portal", "abc", "eor/cell", "abcd"})
    v.push_back(*ResourceNamespace::create(label));
  std::sort(v.begin(), v.end());
  std::vector<std::string_view> labels;
  for (const auto& ns : v)
    labels.push_back(ns.as_str());
  EXPECT_EQ(labels, (std::vector<std::string_view>{"abc", "abcd", "eor/cell", "eor/portal"}));

  absl::flat_hash_set<std::pair<ResourceNamespace, uint32_t>> keys;
  EXPECT_TRUE(keys.insert({*ResourceNamespace::create("eor/cell"), 5}).second);
  EXPECT_TRUE(keys.insert({*ResourceNamespace::create("eor/portal"), 5}).second);
  EXPECT_FALSE(keys.insert({*ResourceNamespace::from_bytes(ns_bytes("eor/cell")), 5}).second);
}

}  // namespace
}  // namespace tessary
