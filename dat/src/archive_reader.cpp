#include "tessary/dat/archive_reader.hpp"

#include <zstd.h>

#include <algorithm>

namespace tessary {

namespace {

DatError corruption(std::string text) {
  return DatError::corruption(std::move(text));
}

// A zstd block has a 3-byte header and yields at most 128 KiB, so a frame of n bytes can never
// produce more than this, whatever its header claims.
uint64_t zstd_output_bound(size_t frame_size) {
  return (uint64_t{frame_size} / 3 + 1) * ZSTD_BLOCKSIZE_MAX;
}

// Output that may be set aside at once for a frame. A frame (or the entry's size) promising more
// is decoded into a buffer that grows with what it really produces: a lying size must not make
// a small file take gigabytes.
uint64_t zstd_trusted_output(size_t frame_size) {
  return std::max<uint64_t>(uint64_t{1} << 20, uint64_t{frame_size} * 32);
}

}  // namespace

void TsyReader::DctxDeleter::operator()(ZSTD_DCtx* ctx) const {
  ZSTD_freeDCtx(ctx);
}

DatResult<TsyReader> TsyReader::open(const std::filesystem::path& path) {
  auto file = File::open_read(path);
  if (!file) return std::unexpected(DatError::path_error(path, std::move(file).error()));
  return from_source(std::move(*file));
}

DatResult<TsyReader> TsyReader::from_source(File source) {
  TsyReader r;
  r.file_ = std::move(source);
  std::array<uint8_t, TsyHeader::kSize> raw;
  TRY(r.file_.read_exact_at(raw, 0));
  Cursor c(raw);
  const TsyHeader h = TRY(TsyHeader::read(c));
  if (h.magic != kTsyMagic) return std::unexpected(DatError::invalid_magic("TSY"));
  if (h.version != kTsyVersion) return std::unexpected(DatError::unsupported_version(h.version));
  r.file_length_ = TRY(r.file_.len());

  if (h.entry_count > kTsyMaxEntries) return std::unexpected(corruption("TSY index size overflow"));
  const uint64_t index_size = uint64_t{h.entry_count} * TsyEntry::kSize;
  if (h.index_offset > UINT64_MAX - index_size)
    return std::unexpected(corruption("TSY index range overflow"));
  const uint64_t index_end = h.index_offset + index_size;
  if (index_end > r.file_length_)
    return std::unexpected(corruption(
        fmt::format("TSY index extends beyond file size ({} > {})", index_end, r.file_length_)));
  if (h.index_offset < h.metadata_size)
    return std::unexpected(corruption("TSY metadata offset underflow"));
  const uint64_t metadata_offset = h.index_offset - h.metadata_size;
  if (metadata_offset < TsyHeader::kSize)
    return std::unexpected(
        corruption(fmt::format("TSY metadata offset {} is within header area", metadata_offset)));
  if (h.entry_count > 0 && h.metadata_size == 0)
    return std::unexpected(
        corruption("TSY v2 archives with entries must include namespace metadata"));
  r.header_ = h;
  TRY(r.read_namespace_spans(metadata_offset));
  return r;
}

DatResult<void> TsyReader::read_namespace_spans(uint64_t metadata_offset) {
  const uint32_t size = header_.metadata_size;
  if (size == 0) return {};
  // Within the file: the metadata ends at the index, which was checked against the file length.
  std::vector<uint8_t> block(size);
  TRY(file_.read_exact_at(block, metadata_offset));
  Cursor c(block);
  const uint32_t count = TRY(c.u32());
  const uint64_t required = 4 + uint64_t{count} * TsyNamespaceIndexEntry::kSize;
  if (size != required)
    return std::unexpected(corruption(
        fmt::format("TSY metadata size mismatch: header says {}, metadata contents require {}",
                    size, required)));

  std::vector<TsyNamespaceSpan> spans;
  spans.reserve(count);
  uint32_t expected = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const auto rec = TRY(TsyNamespaceIndexEntry::read(c));
    const ResourceNamespace ns = TRY(ResourceNamespace::from_bytes(rec.ns));
    if (!spans.empty() && !(spans.back().ns < ns))
      return std::unexpected(corruption("TSY namespace metadata is not strictly sorted"));
    if (rec.start_index != expected)
      return std::unexpected(
          corruption(fmt::format("TSY namespace metadata is not contiguous: expected start {}, "
                                 "found {}",
                                 expected, rec.start_index)));
    if (rec.entry_count > UINT32_MAX - rec.start_index)
      return std::unexpected(corruption("TSY namespace span overflow"));
    const uint32_t end = rec.start_index + rec.entry_count;
    if (end > header_.entry_count)
      return std::unexpected(corruption(fmt::format(
          "TSY namespace span exceeds total entry count ({} > {})", end, header_.entry_count)));
    spans.push_back({ns, rec.start_index, rec.entry_count});
    expected = end;
  }
  if (expected != header_.entry_count)
    return std::unexpected(
        corruption(fmt::format("TSY namespace metadata covered {} entries but header declares {}",
                               expected, header_.entry_count)));
  spans_ = std::move(spans);
  return {};
}

DatResult<TsyEntry> TsyReader::find_entry(uint32_t file_id) const {
  if (spans_.size() == 1) return find_entry_with_namespace_id(spans_.front().ns, file_id);
  if (spans_.empty()) return std::unexpected(DatError::not_found(file_id));
  return std::unexpected(DatError::other(
      "TSY v2 archive contains multiple namespaces; explicit namespace lookup is required"));
}

DatResult<TsyEntry> TsyReader::find_entry_with_namespace_id(const ResourceNamespace& ns,
                                                            uint32_t file_id) const {
  auto span = std::lower_bound(
      spans_.begin(), spans_.end(), ns,
      [](const TsyNamespaceSpan& s, const ResourceNamespace& n) { return s.ns < n; });
  if (span == spans_.end() || span->ns != ns || span->entry_count == 0)
    return std::unexpected(DatError::not_found(file_id));
  // The index is sorted by file id within a span; the entry's own namespace field is not
  // compared, the span alone decides membership.
  uint32_t lo = span->start_index;
  uint32_t hi = span->start_index + span->entry_count - 1;
  while (lo <= hi) {
    const uint32_t mid = lo + (hi - lo) / 2;
    const TsyEntry entry = TRY(read_entry_at(mid));
    if (entry.file_id == file_id) return entry;
    if (entry.file_id < file_id) {
      lo = mid + 1;
    } else {
      if (mid == span->start_index) break;
      hi = mid - 1;
    }
  }
  return std::unexpected(DatError::not_found(file_id));
}

DatResult<TsyEntry> TsyReader::read_entry_at(uint32_t index) const {
  std::array<uint8_t, TsyEntry::kSize> raw;
  TRY(file_.read_exact_at(raw, header_.index_offset + uint64_t{index} * TsyEntry::kSize));
  Cursor c(raw);
  return TRY(TsyEntry::read(c));
}

DatResult<std::vector<uint8_t>> TsyReader::read_entry_data(const TsyEntry& entry) const {
  if (entry.offset > UINT64_MAX - entry.comp_size)
    return std::unexpected(
        corruption(fmt::format("Entry offset overflow for 0x{:08X}: offset {} + "
                               "comp_size {}",
                               entry.file_id, entry.offset, entry.comp_size)));
  if (entry.offset + entry.comp_size > file_length_)
    return std::unexpected(corruption(fmt::format(
        "Entry range out of bounds for 0x{:08X}: offset {} + comp_size {} > file_len {}",
        entry.file_id, entry.offset, entry.comp_size, file_length_)));
  std::vector<uint8_t> stored(entry.comp_size);
  TRY(file_.read_exact_at(stored, entry.offset));
  if (!entry.compressed()) return stored;
  auto data = decompress_zstd(stored, entry.size);
  if (!data) return std::unexpected(DatError::decompression_failed(entry.file_id));
  if (data->size() != entry.size)
    return std::unexpected(
        corruption(fmt::format("Decompressed size mismatch for 0x{:08X}: expected {}, got {}",
                               entry.file_id, entry.size, data->size())));
  return std::move(*data);
}

std::optional<std::vector<uint8_t>> TsyReader::decompress_zstd(std::span<const uint8_t> frame,
                                                               uint32_t expected_size) const {
  uint64_t capacity = std::min<uint64_t>(expected_size, zstd_output_bound(frame.size()));
  const unsigned long long declared = ZSTD_getFrameContentSize(frame.data(), frame.size());
  if (declared == ZSTD_CONTENTSIZE_ERROR) return std::nullopt;
  if (declared != ZSTD_CONTENTSIZE_UNKNOWN) {
    if (declared > expected_size) return std::nullopt;
    capacity = std::min<uint64_t>(capacity, declared);
  }
  if (!dctx_) {
    dctx_.reset(ZSTD_createDCtx());
    if (!dctx_) return std::nullopt;
  }
  if (capacity > zstd_trusted_output(frame.size())) return decompress_zstd_growing(frame, capacity);
  std::vector<uint8_t> out(capacity);
  const size_t n =
      ZSTD_decompressDCtx(dctx_.get(), out.data(), out.size(), frame.data(), frame.size());
  if (ZSTD_isError(n)) return std::nullopt;
  out.resize(n);
  return out;
}

std::optional<std::vector<uint8_t>> TsyReader::decompress_zstd_growing(
    std::span<const uint8_t> frame, uint64_t capacity) const {
  ZSTD_DCtx* dctx = dctx_.get();
  ZSTD_DCtx_reset(dctx, ZSTD_reset_session_only);
  std::vector<uint8_t> out(zstd_trusted_output(frame.size()));
  ZSTD_inBuffer in{frame.data(), frame.size(), 0};
  size_t produced = 0;
  for (;;) {
    if (produced == out.size() && out.size() < capacity)
      out.resize(std::min<uint64_t>(capacity, uint64_t{out.size()} * 2));
    ZSTD_outBuffer o{out.data(), out.size(), produced};
    const size_t consumed_before = in.pos;
    const size_t left = ZSTD_decompressStream(dctx, &o, &in);
    if (ZSTD_isError(left)) return std::nullopt;
    const bool progressed = in.pos != consumed_before || o.pos != produced;
    produced = o.pos;
    // 0 ends a frame; further input is a further frame, as for one-shot decoding.
    if (left == 0 && in.pos == in.size) break;
    // Stuck: the frame is cut short, or wants more room than the entry allows.
    if (!progressed) return std::nullopt;
  }
  out.resize(produced);
  return out;
}

TsyIndexWalker::TsyIndexWalker(const TsyReader& reader, uint32_t chunk_entries)
    : reader_(reader), chunk_entries_(std::max<uint32_t>(chunk_entries, 1)) {}

void TsyIndexWalker::fill(uint32_t pos) {
  const uint32_t count = std::min(chunk_entries_, reader_.header().entry_count - pos);
  buf_.resize(size_t{count} * TsyEntry::kSize);
  buf_first_ = pos;
  buf_count_ = 0;
  const uint64_t at = reader_.header().index_offset + uint64_t{pos} * TsyEntry::kSize;
  if (reader_.file().read_exact_at(buf_, at))
    buf_count_ = count;
  else
    fallback_end_ = pos + count;
}

bool TsyIndexWalker::buffered() {
  auto held = [&] { return next_ >= buf_first_ && next_ - buf_first_ < buf_count_; };
  if (!held() && next_ >= fallback_end_) fill(next_);
  return held();
}

DatResult<TsyEntry> TsyIndexWalker::next() {
  // A chunk that cannot be read is retried entry by entry, so output and errors match
  // per-entry reads exactly.
  if (!buffered()) return reader_.read_entry_at(next_++);
  const uint32_t pos = next_++;
  Cursor c(std::span<const uint8_t>(buf_).subspan(size_t{pos - buf_first_} * TsyEntry::kSize,
                                                  TsyEntry::kSize));
  return TRY(TsyEntry::read(c));
}

std::span<const uint8_t> TsyIndexWalker::next_records() {
  if (!buffered()) return {};
  const uint32_t pos = next_;
  next_ = buf_first_ + buf_count_;
  return std::span<const uint8_t>(buf_).subspan(size_t{pos - buf_first_} * TsyEntry::kSize,
                                                size_t{next_ - pos} * TsyEntry::kSize);
}

}  // namespace tessary
