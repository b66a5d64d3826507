#pragma once
// Byte images of client records for tests, the sample dataset and benchmarks. Each builder is a
// plain aggregate, so a case reads as designated initializers:
//   WeenieBuilder{.class_id = 7, .strings = {{1, "Apple"}}}.bytes()
// Lists are written as given (unknown keys, duplicates and empty values included); counts can be
// overridden to make records that promise more than they hold.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tessary/dat/landblock.hpp"

namespace tessary::testsupport {

template <typename V>
using Entries = std::vector<std::pair<uint32_t, V>>;

struct WeenieBuilder {
  uint32_t class_id = 0;
  uint32_t weenie_type = 0;
  Entries<int32_t> ints{};
  Entries<int64_t> int64s{};
  Entries<uint8_t> bools{};  // the stored byte: any non-zero value is true
  Entries<double> floats{};
  Entries<std::string> strings{};  // raw bytes after the 2-byte length
  Entries<uint32_t> data_ids{};
  Entries<uint32_t> instance_ids{};

  // Appends the record to `out`; string padding is relative to out's first byte, which must be
  // the first byte of the resource.
  void append_to(std::vector<uint8_t>& out) const;
  std::vector<uint8_t> bytes() const;
};

struct WeenieTableBuilder {
  uint32_t table_id = 0;
  Entries<WeenieBuilder> entries{};  // written in this order under these keys
  std::optional<uint16_t> count{};   // stored entry count; the number of entries by default

  std::vector<uint8_t> bytes() const;
};

std::vector<uint8_t> cell_landblock_bytes(const CellLandblock& lb);

struct LandblockInfoBuilder {
  uint32_t id = 0;
  uint32_t num_cells = 0;
  std::vector<Stab> objects{};
  uint16_t pack_mask = 0;
  std::vector<BuildInfo> buildings{};
  Entries<uint32_t> restrictions{};  // written only when pack_mask bit 0 is set
  uint16_t bucket_size = 0;

  std::vector<uint8_t> bytes() const;
};

// A portal with `num_stabs` stabs numbered from 1: 12 bytes when even, 16 with padding when odd.
PortalInternal portal_with_stabs(uint16_t num_stabs);

}  // namespace tessary::testsupport
