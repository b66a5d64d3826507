#pragma once
// The TSY archive layout. All integers little-endian, offsets absolute:
//   header (24 bytes) at 0 | stored entry bytes from 24 | namespace metadata | index
// The metadata (u32 count, then 40-byte records) ends exactly where the index of 60-byte entries
// begins. The index is sorted by (namespace bytes, file id); each namespace record names the
// contiguous run of index positions holding that namespace.

#include <array>
#include <cstdint>

#include "tessary/common/cursor.hpp"
#include "tessary/dat/namespace.hpp"

namespace tessary {

inline constexpr std::array<uint8_t, 4> kTsyMagic = {'T', 'S', 'Y', 0};
inline constexpr uint32_t kTsyVersion = 2;
// entry_count * 60 must fit in 32 bits.
inline constexpr uint32_t kTsyMaxEntries = UINT32_MAX / 60;
inline constexpr uint64_t kTsyMaxResourceSize = UINT32_MAX;

struct TsyHeader {
  static constexpr size_t kSize = 24;

  std::array<uint8_t, 4> magic = kTsyMagic;
  uint32_t version = kTsyVersion;
  uint32_t entry_count = 0;
  uint64_t index_offset = 0;
  uint32_t metadata_size = 0;

  static Decoded<TsyHeader> read(Cursor& c);
  std::array<uint8_t, kSize> encode() const;
};

struct TsyNamespaceIndexEntry {
  static constexpr size_t kSize = 40;

  ResourceNamespace::Bytes ns{};
  uint32_t start_index = 0;
  uint32_t entry_count = 0;

  static Decoded<TsyNamespaceIndexEntry> read(Cursor& c);
  std::array<uint8_t, kSize> encode() const;
};

struct TsyEntry {
  static constexpr size_t kSize = 60;
  static constexpr uint8_t kCompressed = 1;
  static constexpr uint8_t kPruned = 4;

  ResourceNamespace::Bytes ns{};
  uint32_t file_id = 0;
  uint32_t type_id = 0;  // carried for the producer, never interpreted here
  uint64_t offset = 0;
  uint32_t size = 0;       // before compression
  uint32_t comp_size = 0;  // stored length; equals size when stored raw
  uint8_t flags = 0;
  uint8_t storage_id = 0;
  uint16_t reserved = 0;

  static Decoded<TsyEntry> read(Cursor& c);
  // A whole record, which cannot fail.
  static TsyEntry from_record(const uint8_t* record);
  std::array<uint8_t, kSize> encode() const;

  DatResult<ResourceNamespace> namespace_id() const { return ResourceNamespace::from_bytes(ns); }
  bool compressed() const { return flags & kCompressed; }
  bool pruned() const { return flags & kPruned; }
};

}  // namespace tessary
