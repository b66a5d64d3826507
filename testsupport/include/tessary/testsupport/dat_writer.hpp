#pragma once
// Builds DAT images in memory for tests, the sample dataset and benchmarks: block chains at any
// block size and directory trees of any shape, including damaged ones.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "tessary/dat/database.hpp"

namespace tessary::testsupport {

class DatWriter {
 public:
  // Retail portal: block size 1024, dataset 1; retail cell: 256, dataset 2.
  explicit DatWriter(uint32_t block_size = 1024, uint32_t dataset = 1, uint32_t magic = 0x5442);

  DatHeader& header() { return header_; }

  // Writes `data` as a block chain and returns the offset of its first block (0 for no data).
  uint32_t add_chain(std::span<const uint8_t> data);
  // Writes the resource's stored bytes and records a directory entry for the default tree.
  DatFileEntry add_file(uint32_t id, std::span<const uint8_t> stored, uint32_t bit_flags = 0);
  DatFileEntry add_file(uint32_t id, std::string_view stored, uint32_t bit_flags = 0);
  // Records a directory entry as given, writing no data (entries may share or invent chains).
  void add_entry(const DatFileEntry& entry) { files_.push_back(entry); }

  // Explicit directory shapes. `count` overrides the stored entry count (to damage a node).
  uint32_t reserve_node();
  void write_node(uint32_t offset, const std::vector<DatFileEntry>& entries,
                  const std::vector<uint32_t>& branches, int64_t count = -1);
  uint32_t add_node(const std::vector<DatFileEntry>& entries,
                    const std::vector<uint32_t>& branches = {}, int64_t count = -1);
  // Uses the given root instead of building a tree of the added files.
  void set_root(uint32_t offset) {
    root_ = offset;
    explicit_root_ = true;
  }

  // Builds the default directory (a balanced tree of every added file) unless a root was set,
  // writes the header and returns the whole image.
  std::vector<uint8_t> finish();

  // Node bytes: 62 branches, a count, then the entries (at most 1716 bytes kept).
  static std::vector<uint8_t> encode_node(const std::vector<DatFileEntry>& entries,
                                          const std::vector<uint32_t>& branches, int64_t count);

 private:
  uint32_t allocate_blocks(uint64_t payload_bytes);
  void write_chain_at(uint32_t offset, std::span<const uint8_t> data);
  uint32_t build_tree(std::span<const DatFileEntry> entries);

  DatHeader header_;
  std::vector<uint8_t> image_;
  std::vector<DatFileEntry> files_;
  uint32_t root_ = 0;
  bool explicit_root_ = false;
};

// Header bytes as they lie at 0x140.
std::vector<uint8_t> encode_dat_header(const DatHeader& h);

}  // namespace tessary::testsupport
