#include "tessary/dat/archive_writer.hpp"

#include <zstd.h>
#include <zstd_errors.h>

#include <algorithm>

#include "tessary/common/pending_file.hpp"
#include "tessary/dat/log.hpp"

namespace tessary {

namespace {

constexpr const char* kLogTarget = "tessary_dat::archive";
constexpr size_t kWriteBuffer = 8 * 1024;
// Stored bytes of small resources leave in writes of this size; larger ones go out directly.
constexpr size_t kDataBuffer = 1 << 20;

// Record writes report I/O failures as record errors, as the record reader does.
DatError record_write_error(IoError e) {
  return DatError(DecodeError::end_of_data(std::move(e.message)));
}

// Metadata and index leave through an 8 KiB buffer. A record that cannot be written is a record
// error; the final flush is a plain I/O error.
class BufferedRecords {
 public:
  explicit BufferedRecords(File& file) : file_(file) { buf_.reserve(kWriteBuffer); }

  template <size_t N>
  DatResult<void> put(const std::array<uint8_t, N>& record) {
    if (buf_.size() + N > kWriteBuffer) {
      if (auto w = drain(); !w) return std::unexpected(record_write_error(std::move(w).error()));
    }
    buf_.insert(buf_.end(), record.begin(), record.end());
    return {};
  }
  DatResult<void> flush() {
    TRY(drain());
    return {};
  }

 private:
  IoResult<void> drain() {
    auto w = file_.write_all(buf_);
    buf_.clear();
    return w;
  }

  File& file_;
  std::vector<uint8_t> buf_;
};

bool by_namespaced_id(const TsyEntry& a, const TsyEntry& b) {
  return std::tie(a.ns, a.file_id) < std::tie(b.ns, b.file_id);
}

}  // namespace

DatResult<void> check_tsy_capacity(std::string_view label, uint32_t file_id, uint64_t size,
                                   size_t entries_before) {
  if (size > kTsyMaxResourceSize)
    return std::unexpected(DatError::other(
        fmt::format("Resource {}:0x{:08X} is {} bytes; a TSY archive holds at most {} bytes per "
                    "resource",
                    label, file_id, size, kTsyMaxResourceSize)));
  if (entries_before >= kTsyMaxEntries)
    return std::unexpected(DatError::other(
        fmt::format("Resource {}:0x{:08X} does not fit: a TSY archive holds at most {} entries",
                    label, file_id, kTsyMaxEntries)));
  return {};
}

void TsyStreamWriter::CctxDeleter::operator()(ZSTD_CCtx* ctx) const {
  ZSTD_freeCCtx(ctx);
}

DatResult<TsyStreamWriter> TsyStreamWriter::create(File file, bool compress) {
  TsyStreamWriter w(std::move(file), compress);
  const TsyHeader placeholder;  // magic and version, everything else zero
  if (auto written = w.file_.write_all(placeholder.encode()); !written)
    return std::unexpected(record_write_error(std::move(written).error()));
  w.offset_ = TsyHeader::kSize;
  w.pending_.reserve(kDataBuffer);
  return w;
}

DatResult<void> TsyStreamWriter::write_entry(std::string_view label, uint32_t file_id,
                                             uint32_t type_id, std::span<const uint8_t> bytes,
                                             bool pruned) {
  const ResourceNamespace ns = TRY(ResourceNamespace::create(label));
  TRY(check_tsy_capacity(label, file_id, bytes.size(), entries_.size()));
  if (!seen_.insert({ns, file_id}).second)
    return std::unexpected(DatError::duplicate_namespaced_id(std::string(label), file_id));

  uint8_t flags = pruned ? TsyEntry::kPruned : 0;
  const std::span<const uint8_t> stored = maybe_compress(label, file_id, bytes, flags);
  const uint64_t offset = offset_;
  TRY(put_data(stored));

  TsyEntry e;
  e.ns = ns.bytes();
  e.file_id = file_id;
  e.type_id = type_id;
  e.offset = offset;
  e.size = static_cast<uint32_t>(bytes.size());
  e.comp_size = static_cast<uint32_t>(stored.size());
  e.flags = flags;
  entries_.push_back(e);
  return {};
}

DatResult<void> TsyStreamWriter::put_data(std::span<const uint8_t> bytes) {
  if (pending_.size() + bytes.size() > kDataBuffer) TRY(drain_data());
  if (bytes.size() >= kDataBuffer)
    TRY(file_.write_all(bytes));
  else
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
  offset_ += bytes.size();
  return {};
}

DatResult<void> TsyStreamWriter::drain_data() {
  auto written = file_.write_all(pending_);
  pending_.clear();
  TRY(std::move(written));
  return {};
}

std::span<const uint8_t> TsyStreamWriter::maybe_compress(std::string_view label, uint32_t file_id,
                                                         std::span<const uint8_t> bytes,
                                                         uint8_t& flags) {
  // No frame is shorter than nothing.
  if (!compress_ || bytes.empty()) return bytes;
  if (!cctx_) {
    cctx_.reset(ZSTD_createCCtx());
    if (!cctx_) {
      log::warn(kLogTarget, "Compression failed for {}:0x{:08X}: {}", label, file_id,
                "cannot allocate a compression context");
      return bytes;
    }
    ZSTD_CCtx_setParameter(cctx_.get(), ZSTD_c_compressionLevel, kTsyCompressionLevel);
  }
  // Room for one byte less than the input: a frame that does not fit is not worth storing. The
  // buffer only grows, so its bytes are not cleared again for every resource.
  if (frame_.size() < bytes.size()) frame_.resize(bytes.size());
  const size_t n =
      ZSTD_compress2(cctx_.get(), frame_.data(), bytes.size() - 1, bytes.data(), bytes.size());
  if (ZSTD_isError(n)) {
    if (ZSTD_getErrorCode(n) != ZSTD_error_dstSize_tooSmall)
      log::warn(kLogTarget, "Compression failed for {}:0x{:08X}: {}", label, file_id,
                ZSTD_getErrorName(n));
    return bytes;
  }
  flags |= TsyEntry::kCompressed;
  return std::span<const uint8_t>(frame_.data(), n);
}

DatResult<void> TsyStreamWriter::finish(TsyStreamWriter w) {
  std::sort(w.entries_.begin(), w.entries_.end(), by_namespaced_id);

  TRY(w.drain_data());
  const uint64_t metadata_offset = w.offset_;
  {
    std::vector<TsyNamespaceIndexEntry> spans;
    for (uint32_t i = 0; i < w.entries_.size(); ++i) {
      if (spans.empty() || spans.back().ns != w.entries_[i].ns)
        spans.push_back({w.entries_[i].ns, i, 0});
      ++spans.back().entry_count;
    }
    BufferedRecords out(w.file_);
    std::array<uint8_t, 4> count;
    store_le(count.data(), static_cast<uint32_t>(spans.size()));
    TRY(out.put(count));
    for (const TsyNamespaceIndexEntry& s : spans)
      TRY(out.put(s.encode()));
    TRY(out.flush());
  }

  const uint64_t index_offset = TRY(w.file_.position());
  {
    BufferedRecords out(w.file_);
    for (const TsyEntry& e : w.entries_)
      TRY(out.put(e.encode()));
    TRY(out.flush());
  }

  TsyHeader header;
  header.entry_count = static_cast<uint32_t>(w.entries_.size());
  header.index_offset = index_offset;
  header.metadata_size = static_cast<uint32_t>(index_offset - metadata_offset);
  TRY(w.file_.seek(0));
  if (auto written = w.file_.write_all(header.encode()); !written)
    return std::unexpected(record_write_error(std::move(written).error()));
  TRY(w.file_.close());
  return {};
}

DatResult<void> TsyWriter::insert(std::string_view label, uint32_t file_id, uint32_t type_id,
                                  std::vector<uint8_t> bytes, bool pruned) {
  const ResourceNamespace ns = TRY(ResourceNamespace::create(label));
  TRY(check_tsy_capacity(label, file_id, bytes.size(), entries_.size()));
  auto [it, inserted] = entries_.try_emplace({ns, file_id});
  if (!inserted)
    return std::unexpected(DatError::duplicate_namespaced_id(std::string(label), file_id));
  it->second = {type_id, std::move(bytes), pruned};
  return {};
}

DatResult<void> TsyWriter::write(TsyWriter writer, const std::filesystem::path& path) {
  auto pending = TRY(PendingFile::create_beside(path));
  TRY(write_to(std::move(writer), pending.take_file()));
  TRY(pending.commit());
  return {};
}

DatResult<void> TsyWriter::write_to(TsyWriter writer, File file) {
  auto stream = TRY(TsyStreamWriter::create(std::move(file), writer.compress));
  // Each resource's bytes are released as soon as they are written, so memory only shrinks.
  std::vector<std::pair<NamespacedId, Stored>> sorted;
  sorted.reserve(writer.entries_.size());
  for (auto& [key, value] : writer.entries_)
    sorted.emplace_back(key, std::move(value));
  writer.entries_ = {};
  std::sort(sorted.begin(), sorted.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [key, value] : sorted) {
    TRY(stream.write_entry(key.first.as_str(), key.second, value.type_id, value.bytes,
                           value.pruned));
    value.bytes = {};
  }
  return TsyStreamWriter::finish(std::move(stream));
}

}  // namespace tessary
