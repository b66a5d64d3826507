#pragma once
// Writers of TSY archives. TsyStreamWriter writes each resource's bytes as it is added (small ones
// gathered into large writes) and keeps only the index records; finish() appends metadata and
// index and rewrites the header.
// TsyWriter collects resources in memory and streams them in (namespace, file id) order, so the
// same set of resources always gives the same bytes, whatever the order they were added in.

#include <absl/container/flat_hash_map.h>
#include <absl/container/flat_hash_set.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "tessary/common/io.hpp"
#include "tessary/dat/archive.hpp"

struct ZSTD_CCtx_s;

namespace tessary {

inline constexpr int kTsyCompressionLevel = 3;

using NamespacedId = std::pair<ResourceNamespace, uint32_t>;

// The format's capacity: a resource below 4 GiB, at most kTsyMaxEntries entries. Checked before
// anything is written for the resource that would not fit.
DatResult<void> check_tsy_capacity(std::string_view label, uint32_t file_id, uint64_t size,
                                   size_t entries_before);

class TsyStreamWriter {
 public:
  // Takes over `file`, positioned at its start, and writes the placeholder header.
  static DatResult<TsyStreamWriter> create(File file, bool compress);

  DatResult<void> add(std::string_view label, uint32_t file_id, uint32_t type_id,
                      std::span<const uint8_t> bytes) {
    return write_entry(label, file_id, type_id, bytes, false);
  }
  DatResult<void> add_pruned(std::string_view label, uint32_t file_id, uint32_t type_id,
                             std::span<const uint8_t> bytes) {
    return write_entry(label, file_id, type_id, bytes, true);
  }
  DatResult<void> write_entry(std::string_view label, uint32_t file_id, uint32_t type_id,
                              std::span<const uint8_t> bytes, bool pruned);

  // Writes metadata, index and the final header, and closes the file.
  static DatResult<void> finish(TsyStreamWriter writer);

 private:
  struct CctxDeleter {
    void operator()(ZSTD_CCtx_s* ctx) const;
  };

  TsyStreamWriter(File file, bool compress) : file_(std::move(file)), compress_(compress) {}
  // The stored bytes and flags bit for `bytes`: a zstd frame when it is strictly shorter.
  std::span<const uint8_t> maybe_compress(std::string_view label, uint32_t file_id,
                                          std::span<const uint8_t> bytes, uint8_t& flags);
  // Appends stored bytes at offset_.
  DatResult<void> put_data(std::span<const uint8_t> bytes);
  DatResult<void> drain_data();

  File file_;
  bool compress_;
  uint64_t offset_ = 0;           // where the next stored bytes go: the file position once drained
  std::vector<uint8_t> pending_;  // stored bytes not yet written, below kDataBuffer
  std::vector<TsyEntry> entries_;
  absl::flat_hash_set<NamespacedId> seen_;
  // One encoder context and one frame buffer for every resource of the archive.
  std::unique_ptr<ZSTD_CCtx_s, CctxDeleter> cctx_;
  std::vector<uint8_t> frame_;
};

class TsyWriter {
 public:
  bool compress = true;

  DatResult<void> add(std::string_view label, uint32_t file_id, uint32_t type_id,
                      std::vector<uint8_t> bytes) {
    return insert(label, file_id, type_id, std::move(bytes), false);
  }
  DatResult<void> insert(std::string_view label, uint32_t file_id, uint32_t type_id,
                         std::vector<uint8_t> bytes, bool pruned);
  size_t size() const { return entries_.size(); }

  // Writes the archive to `path` through a temporary file beside it that replaces `path` only
  // once complete; on failure `path` is left as it was.
  static DatResult<void> write(TsyWriter writer, const std::filesystem::path& path);
  // Streams the archive into `file`, positioned at its start, and closes it.
  static DatResult<void> write_to(TsyWriter writer, File file);

 private:
  struct Stored {
    uint32_t type_id = 0;
    std::vector<uint8_t> bytes;
    bool pruned = false;
  };
  absl::flat_hash_map<NamespacedId, Stored> entries_;
};

}  // namespace tessary
