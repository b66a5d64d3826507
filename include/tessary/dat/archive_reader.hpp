#pragma once
// Reads TSY archives with positioned reads. Opening validates the header and the namespace
// metadata once; afterwards only the header, the namespace spans and the file length stay in
// memory. A lookup binary-searches the spans, then the index on disk, one 60-byte read per probe.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "tessary/common/io.hpp"
#include "tessary/dat/archive.hpp"

struct ZSTD_DCtx_s;

namespace tessary {

struct TsyNamespaceSpan {
  ResourceNamespace ns;
  uint32_t start_index = 0;
  uint32_t entry_count = 0;
};

class TsyReader {
 public:
  static DatResult<TsyReader> open(const std::filesystem::path& path);
  // Validates the source and takes it over; on failure the source is closed.
  static DatResult<TsyReader> from_source(File source);

  const TsyHeader& header() const { return header_; }
  const std::vector<TsyNamespaceSpan>& spans() const { return spans_; }
  uint64_t file_length() const { return file_length_; }
  const File& file() const { return file_; }

  // Lookup in an archive with exactly one namespace.
  DatResult<TsyEntry> find_entry(uint32_t file_id) const;
  DatResult<TsyEntry> find_entry_with_namespace_id(const ResourceNamespace& ns,
                                                   uint32_t file_id) const;
  // The index record at `index`; callers keep it below the header's entry_count.
  DatResult<TsyEntry> read_entry_at(uint32_t index) const;
  // The entry's resource bytes, decompressed when the entry is compressed.
  DatResult<std::vector<uint8_t>> read_entry_data(const TsyEntry& entry) const;
  // One zstd frame into at most `expected_size` bytes; nothing when the frame is bad or needs
  // more room. Memory follows what the frame really produces, whatever it or the entry claims.
  std::optional<std::vector<uint8_t>> decompress_zstd(std::span<const uint8_t> frame,
                                                      uint32_t expected_size) const;

 private:
  struct DctxDeleter {
    void operator()(ZSTD_DCtx_s* ctx) const;
  };

  TsyReader() = default;
  DatResult<void> read_namespace_spans(uint64_t metadata_offset);
  std::optional<std::vector<uint8_t>> decompress_zstd_growing(std::span<const uint8_t> frame,
                                                              uint64_t capacity) const;

  File file_;
  TsyHeader header_;
  std::vector<TsyNamespaceSpan> spans_;
  uint64_t file_length_ = 0;
  // One decoder context for every entry read through this reader.
  mutable std::unique_ptr<ZSTD_DCtx_s, DctxDeleter> dctx_;
};

// Walks the index from position 0 in large sequential reads, for callers that visit every entry.
// next() yields exactly what read_entry_at would for the same position, errors included.
class TsyIndexWalker {
 public:
  explicit TsyIndexWalker(const TsyReader& reader, uint32_t chunk_entries = 4096);

  bool done() const { return next_ >= reader_.header().entry_count; }
  uint32_t position() const { return next_; }
  // The entry at position(), then advances by one even when the entry cannot be read.
  DatResult<TsyEntry> next();
  // The raw records from position() to the end of the chunk that holds it, which are then passed
  // over; empty when that chunk cannot be read (next() then reads its entries one by one). For
  // callers that look at a few bytes of each of a million records.
  std::span<const uint8_t> next_records();

 private:
  void fill(uint32_t pos);
  // Makes the chunk holding position() current; false when it is read entry by entry.
  bool buffered();

  const TsyReader& reader_;
  uint32_t chunk_entries_;
  std::vector<uint8_t> buf_;
  uint32_t buf_first_ = 0;     // index position of buf_[0]
  uint32_t buf_count_ = 0;     // whole entries held in buf_
  uint32_t fallback_end_ = 0;  // positions below this are read one by one
  uint32_t next_ = 0;
};

}  // namespace tessary
