#pragma once
// Builds TSY archive images byte by byte for tests, including damaged ones: entries are indexed in
// the order added (no sorting), namespace records are derived from runs of equal namespace unless
// given, and any header field can be overridden after the layout is computed.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "tessary/dat/archive.hpp"

namespace tessary::testsupport {

// The stored form of a label, without validation (any bytes, cut at 32).
ResourceNamespace::Bytes ns_bytes(std::string_view label);

// A zstd frame without a content size: `blocks` RLE blocks of `block_size` bytes 'r' (at most
// 128 KiB), the last flagged as such, in a 1 MiB window. Four bytes a block, whatever it yields.
std::vector<uint8_t> zstd_rle_frame(uint32_t blocks, uint32_t block_size);

class TsyBuilder {
 public:
  struct HeaderOverrides {
    std::optional<std::array<uint8_t, 4>> magic;
    std::optional<uint32_t> version;
    std::optional<uint32_t> entry_count;
    std::optional<uint64_t> index_offset;
    std::optional<uint32_t> metadata_size;
  };

  // Appends `stored` to the data area and indexes it. `size` defaults to the stored length.
  TsyBuilder& add(std::string_view ns, uint32_t file_id, std::span<const uint8_t> stored,
                  uint8_t flags = 0, std::optional<uint32_t> size = {}, uint32_t type_id = 0);
  TsyBuilder& add(std::string_view ns, uint32_t file_id, std::string_view stored, uint8_t flags = 0,
                  std::optional<uint32_t> size = {}, uint32_t type_id = 0);
  // Indexes an entry exactly as given; its offset and sizes are not checked.
  TsyBuilder& add_entry(const TsyEntry& entry);
  // Replaces the derived namespace records.
  TsyBuilder& records(std::vector<TsyNamespaceIndexEntry> records);
  // Replaces the whole metadata block with these bytes.
  TsyBuilder& metadata(std::vector<uint8_t> raw);
  // Bytes appended after the index.
  TsyBuilder& trailing(std::string_view bytes);
  HeaderOverrides& header() { return overrides_; }

  std::vector<TsyEntry>& entries() { return entries_; }
  std::vector<uint8_t> build() const;

 private:
  std::vector<uint8_t> data_;
  std::vector<TsyEntry> entries_;
  std::optional<std::vector<TsyNamespaceIndexEntry>> records_;
  std::optional<std::vector<uint8_t>> metadata_;
  std::string trailing_;
  HeaderOverrides overrides_;
};

}  // namespace tessary::testsupport
