#include "tessary/dat/database.hpp"

#include <fmt/format.h>

#include <absl/container/flat_hash_set.h>

#include <algorithm>
#include <array>
#include <bit>
#include <span>
#include <utility>

#include "tessary/dat/lrs.hpp"

namespace tessary {

Decoded<DatHeader> DatHeader::read(Cursor& c) {
  static constexpr const char* kRec = "DatHeader";
  DatHeader h;
  h.magic = TRY_FIELD(c.u32(), "magic", kRec);
  h.block_size = TRY_FIELD(c.u32(), "block_size", kRec);
  h.file_size = TRY_FIELD(c.u32(), "file_size", kRec);
  h.dataset = TRY_FIELD(c.u32(), "dataset", kRec);
  h.subset = TRY_FIELD(c.u32(), "subset", kRec);
  h.free_head = TRY_FIELD(c.u32(), "free_head", kRec);
  h.free_tail = TRY_FIELD(c.u32(), "free_tail", kRec);
  h.free_count = TRY_FIELD(c.u32(), "free_count", kRec);
  h.root_offset = TRY_FIELD(c.u32(), "root_offset", kRec);
  h.new_lru = TRY_FIELD(c.u32(), "new_lru", kRec);
  h.old_lru = TRY_FIELD(c.u32(), "old_lru", kRec);
  h.use_lru = TRY_FIELD(c.u32(), "use_lru", kRec);
  h.master_map_id = TRY_FIELD(c.u32(), "master_map_id", kRec);
  h.engine_version = TRY_FIELD(c.u32(), "engine_version", kRec);
  h.game_version = TRY_FIELD(c.u32(), "game_version", kRec);
  auto version = TRY_FIELD(c.bytes(16), "version_string", kRec);
  h.version_string.assign(version.begin(), version.end());
  h.version_minor = TRY_FIELD(c.u32(), "version_minor", kRec);
  return h;
}

Decoded<DatFileEntry> DatFileEntry::read(Cursor& c) {
  static constexpr const char* kRec = "DatFileEntry";
  // A directory holds up to a million entries: a whole record is taken with one bounds check.
  // Only a record cut short goes field by field, to name the field that runs out.
  if (c.remaining() >= kSize) {
    const uint8_t* p = c.bytes(kSize)->data();
    return DatFileEntry{load_le<uint32_t>(p),      load_le<uint32_t>(p + 4),
                        load_le<uint32_t>(p + 8),  load_le<uint32_t>(p + 12),
                        load_le<uint32_t>(p + 16), load_le<uint32_t>(p + 20)};
  }
  DatFileEntry e;
  e.bit_flags = TRY_FIELD(c.u32(), "bit_flags", kRec);
  e.id = TRY_FIELD(c.u32(), "id", kRec);
  e.offset = TRY_FIELD(c.u32(), "offset", kRec);
  e.size = TRY_FIELD(c.u32(), "size", kRec);
  e.timestamp = TRY_FIELD(c.u32(), "timestamp", kRec);
  e.version = TRY_FIELD(c.u32(), "version", kRec);
  return e;
}

DatResult<DatDatabase> DatDatabase::open(const std::filesystem::path& path) {
  DatDatabase db;
  auto file = File::open_read(path);
  if (!file) return std::unexpected(DatError::path_error(path, std::move(file).error()));
  db.file_ = std::move(*file);
  db.file_length_ = TRY(db.file_.len());

  // The header is decoded field by field from what the file holds, so a short file names the
  // first field that runs out.
  uint8_t raw[DatHeader::kSize];
  const uint64_t available =
      db.file_length_ > DatHeader::kOffset
          ? std::min<uint64_t>(DatHeader::kSize, db.file_length_ - DatHeader::kOffset)
          : 0;
  TRY(db.file_.read_exact_at(std::span(raw, available), DatHeader::kOffset));
  Cursor cursor(std::span<const uint8_t>(raw, available));
  db.header_ = TRY(DatHeader::read(cursor));

  if (db.header_.block_size < kMinBlockSize)
    return std::unexpected(DatError::corruption(
        fmt::format("DAT block size {} leaves no room for a block link and payload (minimum {})",
                    db.header_.block_size, kMinBlockSize)));
  TRY(db.read_directory());
  return db;
}

namespace {

// Follows block chains. Bytes read ahead in one go serve the blocks that lie among them, so a
// chain whose blocks are consecutive (as a node's usually are) costs one read, not one per block.
class ChainReader {
 public:
  ChainReader(const File& file, uint64_t file_length, uint32_t block_size)
      : file_(file), file_length_(file_length), block_size_(block_size) {}

  // Reads up to `size` bytes from `offset` (fewer at the end of the file) for later chain reads.
  // A failure here only leaves the reads to the file, which report it in their own terms.
  void read_ahead(uint64_t offset, size_t size) {
    ahead_at_ = offset;
    ahead_size_ = offset < file_length_ ? std::min<uint64_t>(size, file_length_ - offset) : 0;
    ahead_.resize(std::max(ahead_.size(), ahead_size_));
    if (!file_.read_exact_at(std::span(ahead_.data(), ahead_size_), offset)) ahead_size_ = 0;
  }

  // Fills `out` from the chain that starts at `offset`. A chain is never followed past the
  // requested length; the last block (link 0) is read contiguously past its end.
  DatResult<void> read(uint32_t offset, std::span<uint8_t> out) const {
    // Every byte of a chain lies in the file, so a larger size cannot be satisfied.
    if (out.size() > file_length_) return std::unexpected(IoError::unexpected_eof());
    const uint32_t size = static_cast<uint32_t>(out.size());
    const uint32_t payload = block_size_ - 4;
    uint32_t written = 0;
    while (written < size) {
      const uint32_t remaining = size - written;
      const uint32_t chunk = std::min(payload, remaining);
      uint8_t link_bytes[4];
      // Link and payload in one read; the data starts at offset + 4 in 32-bit arithmetic.
      if (offset > UINT32_MAX - 4) {
        TRY(read_at(link_bytes, {}, offset));
        TRY(read_at(out.subspan(written, chunk), {}, uint32_t(offset + 4)));
      } else {
        TRY(read_at(link_bytes, out.subspan(written, chunk), offset));
      }
      const uint32_t link = load_le<uint32_t>(link_bytes);
      if (link == 0) {
        // The last block holds all that is left, contiguously, even past its own end.
        if (remaining > chunk)
          TRY(read_at(out.subspan(written + chunk), {}, uint64_t{uint32_t(offset + 4)} + chunk));
        return {};
      }
      written += chunk;
      offset = link;
    }
    return {};
  }

 private:
  IoResult<void> read_at(std::span<uint8_t> head, std::span<uint8_t> tail, uint64_t offset) const {
    const uint64_t size = head.size() + tail.size();
    if (offset < ahead_at_ || offset - ahead_at_ > ahead_size_ ||
        size > ahead_size_ - (offset - ahead_at_))
      return file_.read_exact_at(head, tail, offset);
    const uint8_t* p = ahead_.data() + (offset - ahead_at_);
    std::copy_n(p, head.size(), head.data());
    std::copy_n(p + head.size(), tail.size(), tail.data());
    return {};
  }

  const File& file_;
  uint64_t file_length_;
  uint32_t block_size_;
  std::vector<uint8_t> ahead_;
  uint64_t ahead_at_ = 0;
  uint64_t ahead_size_ = 0;
};

}  // namespace

DatResult<std::vector<uint8_t>> DatDatabase::read_file_data(uint32_t offset, uint32_t size) const {
  if (size == 0) return std::vector<uint8_t>{};
  // Refused before allocating: no chain holds more bytes than the file.
  if (size > file_length_) return std::unexpected(IoError::unexpected_eof());
  std::vector<uint8_t> out(size);
  TRY(ChainReader(file_, file_length_, header_.block_size).read(offset, out));
  return out;
}

namespace {

using EntryVector = std::vector<DatFileEntry, LargeAllocator<DatFileEntry>>;

struct Walker {
  Walker(const DatDatabase& database, EntryVector& out)
      : db(database), entries(out), reader(db.file(), db.file_length(), db.header().block_size) {}

  const DatDatabase& db;
  EntryVector& entries;
  ChainReader reader;
  absl::flat_hash_set<uint32_t> visited;
  // One node is decoded at a time, so one buffer serves the whole walk.
  std::array<uint8_t, DatDatabase::kNodeSize> bytes{};

  // The bytes of a node whose blocks all follow one another, up to its last byte: a huge block
  // size must not turn the read-ahead into a read of the rest of the file.
  uint64_t node_span() const {
    const uint64_t payload = db.header().block_size - 4;
    const uint64_t full_blocks = (DatDatabase::kNodeSize - 1) / payload;
    return full_blocks * db.header().block_size + 4 +
           (DatDatabase::kNodeSize - full_blocks * payload);
  }

  DatResult<void> node(uint32_t offset, int depth) {
    if (offset == 0) return {};
    if (depth >= DatDatabase::kMaxDepth)
      return std::unexpected(DatError::corruption(
          fmt::format("DAT directory is nested deeper than {} levels", DatDatabase::kMaxDepth)));
    // A node reached twice is a cycle or a shared subtree; either would make the walk repeat
    // itself, exponentially so when many branches share a node.
    if (!visited.insert(offset).second)
      return std::unexpected(DatError::corruption(
          fmt::format("DAT directory node {:08X} is referenced more than once", offset)));
    reader.read_ahead(offset, node_span());
    TRY(reader.read(offset, bytes));
    const uint8_t* p = bytes.data();
    uint32_t branches[DatDatabase::kNodeBranches];
    for (uint32_t i = 0; i < DatDatabase::kNodeBranches; ++i)
      branches[i] = load_le<uint32_t>(p + 4 * i);
    const uint32_t count = load_le<uint32_t>(p + 4 * DatDatabase::kNodeBranches);
    TRY(read_entries(count));
    if (branches[0] == 0) return {};
    const uint32_t last = std::min(count, DatDatabase::kNodeBranches - 1);
    for (uint32_t i = 0; i <= last; ++i)
      TRY(node(branches[i], depth + 1));
    return {};
  }

  Decoded<void> read_entries(uint32_t count) {
    constexpr size_t kEntriesAt = 4 * DatDatabase::kNodeBranches + 4;
    constexpr size_t kRoom = (DatDatabase::kNodeSize - kEntriesAt) / DatFileEntry::kSize;
    if (count > kRoom) {
      // More entries than the node holds: decoding stops at the first that does not fit, and
      // the error names its field.
      Cursor c(bytes, kEntriesAt);
      for (uint32_t i = 0; i < count; ++i)
        entries.push_back(TRY(DatFileEntry::read(c)));
      return {};
    }
    for (const uint8_t* p = bytes.data() + kEntriesAt; count > 0; --count, p += DatFileEntry::kSize)
      entries.push_back(DatFileEntry{load_le<uint32_t>(p), load_le<uint32_t>(p + 4),
                                     load_le<uint32_t>(p + 8), load_le<uint32_t>(p + 12),
                                     load_le<uint32_t>(p + 16), load_le<uint32_t>(p + 20)});
    return {};
  }
};

}  // namespace

DatResult<void> DatDatabase::read_directory() {
  // Entries are gathered in walk order first so the map is sized once; inserting them in that
  // order keeps the rule that the occurrence read last wins. The vector is reserved for as many
  // entries as the file could hold in sound (non-overlapping) nodes: reserved address space costs
  // nothing until written, and a million-entry vector is never regrown.
  const uint64_t payload = header_.block_size - 4;
  const uint64_t node_bytes = (kNodeSize + payload - 1) / payload * header_.block_size;
  EntryVector entries;
  entries.reserve(std::min<uint64_t>(file_length_ / node_bytes * kMaxNodeEntries, 1u << 24));
  Walker walker(*this, entries);
  TRY(walker.node(header_.root_offset, 0));
  files_.reserve(entries.size());
  // Each insert lands at a random place in a table of tens of megabytes; asking for the slot a
  // few entries ahead lets those cache misses overlap instead of coming one after another.
  constexpr size_t kPrefetchAhead = 16;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i + kPrefetchAhead < entries.size()) files_.prefetch(entries[i + kPrefetchAhead].id);
    files_.insert_or_assign(entries[i].id, entries[i]);
  }
  return {};
}

DatResult<std::vector<uint8_t>> DatDatabase::get_file(uint32_t id) const {
  auto it = files_.find(id);
  if (it == files_.end()) return std::unexpected(DatError::not_found(id));
  auto stored = TRY(read_file_data(it->second.offset, it->second.size));
  if (!it->second.compressed()) return stored;
  return decompress_lrs(stored);
}

}  // namespace tessary
