#pragma once
// The client's DAT container: header at 0x140, fixed-size blocks chained by a 4-byte link, and a
// B-tree directory of 1716-byte nodes that is read whole at open into a map from file id to entry.

#include <absl/container/flat_hash_map.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

#include "tessary/common/cursor.hpp"
#include "tessary/common/io.hpp"
#include "tessary/common/large_alloc.hpp"
#include "tessary/dat/error.hpp"
#include "tessary/dat/file_type.hpp"

namespace tessary {

struct DatHeader {
  static constexpr uint64_t kOffset = 0x140;
  static constexpr size_t kSize = 80;

  uint32_t magic = 0;
  uint32_t block_size = 0;
  uint32_t file_size = 0;
  uint32_t dataset = 0;
  uint32_t subset = 0;
  uint32_t free_head = 0;
  uint32_t free_tail = 0;
  uint32_t free_count = 0;
  uint32_t root_offset = 0;
  uint32_t new_lru = 0;
  uint32_t old_lru = 0;
  uint32_t use_lru = 0;
  uint32_t master_map_id = 0;
  uint32_t engine_version = 0;
  uint32_t game_version = 0;
  std::vector<uint8_t> version_string;  // 16 raw bytes
  uint32_t version_minor = 0;

  static Decoded<DatHeader> read(Cursor& c);
};

struct DatFileEntry {
  static constexpr size_t kSize = 24;

  uint32_t bit_flags = 0;  // bit 0: stored LRS-compressed
  uint32_t id = 0;
  uint32_t offset = 0;
  uint32_t size = 0;
  uint32_t timestamp = 0;
  uint32_t version = 0;

  static Decoded<DatFileEntry> read(Cursor& c);
  bool compressed() const { return bit_flags & 1; }
  DatFileType file_type_in_dat(DatasetKind kind) const {
    return ::tessary::file_type_in_dat(id, kind);
  }
};

// A million-entry map is some 60 MB, filled as soon as it is made: it lives in large pages.
using DatFileMap =
    absl::flat_hash_map<uint32_t, DatFileEntry, absl::Hash<uint32_t>, std::equal_to<uint32_t>,
                        LargeAllocator<std::pair<const uint32_t, DatFileEntry>>>;

class DatDatabase {
 public:
  static constexpr uint32_t kNodeSize = 1716;
  static constexpr uint32_t kNodeBranches = 62;
  static constexpr uint32_t kMaxNodeEntries = 61;
  // Real directories are a handful of levels deep; anything deeper is damage.
  static constexpr int kMaxDepth = 64;
  static constexpr uint32_t kMinBlockSize = 8;

  // Opens the file, reads the header and the whole directory. The only constructor.
  static DatResult<DatDatabase> open(const std::filesystem::path& path);

  const DatHeader& header() const { return header_; }
  const DatFileMap& files() const { return files_; }
  uint64_t file_length() const { return file_length_; }
  const File& file() const { return file_; }

  // Assembles `size` bytes of the chain that starts at `offset`. A chain is never followed past
  // the requested length; the last block (link 0) is read contiguously past its end.
  DatResult<std::vector<uint8_t>> read_file_data(uint32_t offset, uint32_t size) const;

  // The whole resource, LRS-expanded when bit 0 of its flags is set.
  DatResult<std::vector<uint8_t>> get_file(uint32_t id) const;

 private:
  DatDatabase() = default;
  DatResult<void> read_directory();

  File file_;
  uint64_t file_length_ = 0;
  DatHeader header_;
  DatFileMap files_;
};

}  // namespace tessary
