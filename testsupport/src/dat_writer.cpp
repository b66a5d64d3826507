#include "tessary/testsupport/dat_writer.hpp"

#include <algorithm>
#include <cstring>

#include "tessary/common/cursor.hpp"

namespace tessary::testsupport {

DatWriter::DatWriter(uint32_t block_size, uint32_t dataset, uint32_t magic) {
  header_.magic = magic;
  header_.block_size = block_size;
  header_.dataset = dataset;
  header_.version_string.assign(16, 0);
  // Blocks start after the header, on a block boundary as in retail files.
  const uint64_t first = DatHeader::kOffset + DatHeader::kSize;
  image_.assign(block_size >= 8 ? (first + block_size - 1) / block_size * block_size : first, 0);
}

uint32_t DatWriter::allocate_blocks(uint64_t payload_bytes) {
  const uint32_t payload = header_.block_size - 4;
  const uint64_t blocks = std::max<uint64_t>(1, (payload_bytes + payload - 1) / payload);
  const auto offset = static_cast<uint32_t>(image_.size());
  image_.resize(image_.size() + blocks * header_.block_size, 0);
  return offset;
}

void DatWriter::write_chain_at(uint32_t offset, std::span<const uint8_t> data) {
  const uint32_t payload = header_.block_size - 4;
  size_t done = 0;
  for (;;) {
    const size_t chunk = std::min<size_t>(payload, data.size() - done);
    std::memcpy(image_.data() + offset + 4, data.data() + done, chunk);
    done += chunk;
    const uint32_t next = done < data.size() ? offset + header_.block_size : 0;
    store_le<uint32_t>(image_.data() + offset, next);
    if (next == 0) return;
    offset = next;
  }
}

uint32_t DatWriter::add_chain(std::span<const uint8_t> data) {
  if (data.empty()) return 0;
  const uint32_t offset = allocate_blocks(data.size());
  write_chain_at(offset, data);
  return offset;
}

DatFileEntry DatWriter::add_file(uint32_t id, std::span<const uint8_t> stored, uint32_t bit_flags) {
  DatFileEntry e;
  e.bit_flags = bit_flags;
  e.id = id;
  e.offset = add_chain(stored);
  e.size = static_cast<uint32_t>(stored.size());
  files_.push_back(e);
  return e;
}

DatFileEntry DatWriter::add_file(uint32_t id, std::string_view stored, uint32_t bit_flags) {
  return add_file(id, std::span(reinterpret_cast<const uint8_t*>(stored.data()), stored.size()),
                  bit_flags);
}

std::vector<uint8_t> DatWriter::encode_node(const std::vector<DatFileEntry>& entries,
                                            const std::vector<uint32_t>& branches, int64_t count) {
  std::vector<uint8_t> node(4 * DatDatabase::kNodeBranches + 4 + 24 * entries.size(), 0);
  for (size_t i = 0; i < branches.size() && i < DatDatabase::kNodeBranches; ++i)
    store_le<uint32_t>(node.data() + 4 * i, branches[i]);
  store_le<uint32_t>(node.data() + 248, count < 0 ? static_cast<uint32_t>(entries.size())
                                                  : static_cast<uint32_t>(count));
  uint8_t* p = node.data() + 252;
  for (const DatFileEntry& e : entries) {
    for (uint32_t v : {e.bit_flags, e.id, e.offset, e.size, e.timestamp, e.version}) {
      store_le<uint32_t>(p, v);
      p += 4;
    }
  }
  node.resize(DatDatabase::kNodeSize, 0);
  return node;
}

uint32_t DatWriter::reserve_node() {
  return allocate_blocks(DatDatabase::kNodeSize);
}

void DatWriter::write_node(uint32_t offset, const std::vector<DatFileEntry>& entries,
                           const std::vector<uint32_t>& branches, int64_t count) {
  write_chain_at(offset, encode_node(entries, branches, count));
}

uint32_t DatWriter::add_node(const std::vector<DatFileEntry>& entries,
                             const std::vector<uint32_t>& branches, int64_t count) {
  const uint32_t offset = reserve_node();
  write_node(offset, entries, branches, count);
  return offset;
}

// Up to 61 entries make a leaf; more make an internal node whose c - 1 entries separate c
// children that share the rest evenly.
uint32_t DatWriter::build_tree(std::span<const DatFileEntry> entries) {
  const size_t n = entries.size();
  if (n <= DatDatabase::kMaxNodeEntries) return add_node({entries.begin(), entries.end()});
  const size_t children =
      std::min<size_t>(DatDatabase::kNodeBranches,
                       (n + DatDatabase::kMaxNodeEntries) / (DatDatabase::kMaxNodeEntries + 1) + 1);
  const size_t rest = n - (children - 1);
  std::vector<DatFileEntry> own;
  std::vector<uint32_t> branches;
  size_t pos = 0;
  for (size_t c = 0; c < children; ++c) {
    const size_t take = rest / children + (c < rest % children ? 1 : 0);
    branches.push_back(build_tree(entries.subspan(pos, take)));
    pos += take;
    if (c + 1 < children) own.push_back(entries[pos++]);
  }
  return add_node(own, branches);
}

std::vector<uint8_t> DatWriter::finish() {
  if (!explicit_root_) {
    std::vector<DatFileEntry> sorted = files_;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const DatFileEntry& a, const DatFileEntry& b) { return a.id < b.id; });
    root_ = sorted.empty() ? 0 : build_tree(sorted);
  }
  header_.root_offset = root_;
  header_.file_size = static_cast<uint32_t>(image_.size());
  const std::vector<uint8_t> h = encode_dat_header(header_);
  std::memcpy(image_.data() + DatHeader::kOffset, h.data(), h.size());
  return image_;
}

std::vector<uint8_t> encode_dat_header(const DatHeader& h) {
  std::vector<uint8_t> out(DatHeader::kSize, 0);
  uint8_t* p = out.data();
  for (uint32_t v : {h.magic, h.block_size, h.file_size, h.dataset, h.subset, h.free_head,
                     h.free_tail, h.free_count, h.root_offset, h.new_lru, h.old_lru, h.use_lru,
                     h.master_map_id, h.engine_version, h.game_version}) {
    store_le<uint32_t>(p, v);
    p += 4;
  }
  std::memcpy(p, h.version_string.data(), std::min<size_t>(16, h.version_string.size()));
  store_le<uint32_t>(p + 16, h.version_minor);
  return out;
}

}  // namespace tessary::testsupport
