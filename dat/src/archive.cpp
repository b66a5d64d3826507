#include "tessary/dat/archive.hpp"

#include <cstring>

namespace tessary {

namespace {

// Appends little-endian fields to a fixed record buffer.
template <size_t N>
class RecordBytes {
 public:
  template <typename T>
  RecordBytes& put(T v) {
    store_le(out_.data() + pos_, v);
    pos_ += sizeof(T);
    return *this;
  }
  template <size_t M>
  RecordBytes& put(const std::array<uint8_t, M>& a) {
    std::memcpy(out_.data() + pos_, a.data(), M);
    pos_ += M;
    return *this;
  }
  std::array<uint8_t, N> done() const { return out_; }

 private:
  std::array<uint8_t, N> out_{};
  size_t pos_ = 0;
};

}  // namespace

Decoded<TsyHeader> TsyHeader::read(Cursor& c) {
  static constexpr const char* kRec = "TsyHeader";
  TsyHeader h;
  h.magic = TRY_FIELD(c.array<4>(), "magic", kRec);
  h.version = TRY_FIELD(c.u32(), "version", kRec);
  h.entry_count = TRY_FIELD(c.u32(), "entry_count", kRec);
  h.index_offset = TRY_FIELD(c.u64(), "index_offset", kRec);
  h.metadata_size = TRY_FIELD(c.u32(), "metadata_size", kRec);
  return h;
}

std::array<uint8_t, TsyHeader::kSize> TsyHeader::encode() const {
  return RecordBytes<kSize>()
      .put(magic)
      .put(version)
      .put(entry_count)
      .put(index_offset)
      .put(metadata_size)
      .done();
}

Decoded<TsyNamespaceIndexEntry> TsyNamespaceIndexEntry::read(Cursor& c) {
  static constexpr const char* kRec = "TsyNamespaceIndexEntry";
  TsyNamespaceIndexEntry e;
  e.ns = TRY_FIELD(c.array<32>(), "namespace", kRec);
  e.start_index = TRY_FIELD(c.u32(), "start_index", kRec);
  e.entry_count = TRY_FIELD(c.u32(), "entry_count", kRec);
  return e;
}

std::array<uint8_t, TsyNamespaceIndexEntry::kSize> TsyNamespaceIndexEntry::encode() const {
  return RecordBytes<kSize>().put(ns).put(start_index).put(entry_count).done();
}

TsyEntry TsyEntry::from_record(const uint8_t* p) {
  TsyEntry e;
  std::memcpy(e.ns.data(), p, e.ns.size());
  e.file_id = load_le<uint32_t>(p + 32);
  e.type_id = load_le<uint32_t>(p + 36);
  e.offset = load_le<uint64_t>(p + 40);
  e.size = load_le<uint32_t>(p + 48);
  e.comp_size = load_le<uint32_t>(p + 52);
  e.flags = p[56];
  e.storage_id = p[57];
  e.reserved = load_le<uint16_t>(p + 58);
  return e;
}

Decoded<TsyEntry> TsyEntry::read(Cursor& c) {
  static constexpr const char* kRec = "TsyEntry";
  // Only a short record is read field by field, to name the field that runs out.
  if (c.remaining() >= kSize) return from_record(c.bytes(kSize)->data());
  TsyEntry e;
  e.ns = TRY_FIELD(c.array<32>(), "namespace", kRec);
  e.file_id = TRY_FIELD(c.u32(), "file_id", kRec);
  e.type_id = TRY_FIELD(c.u32(), "type_id", kRec);
  e.offset = TRY_FIELD(c.u64(), "offset", kRec);
  e.size = TRY_FIELD(c.u32(), "size", kRec);
  e.comp_size = TRY_FIELD(c.u32(), "comp_size", kRec);
  e.flags = TRY_FIELD(c.u8(), "flags", kRec);
  e.storage_id = TRY_FIELD(c.u8(), "storage_id", kRec);
  e.reserved = TRY_FIELD(c.u16(), "reserved", kRec);
  return e;
}

std::array<uint8_t, TsyEntry::kSize> TsyEntry::encode() const {
  return RecordBytes<kSize>()
      .put(ns)
      .put(file_id)
      .put(type_id)
      .put(offset)
      .put(size)
      .put(comp_size)
      .put(flags)
      .put(storage_id)
      .put(reserved)
      .done();
}

}  // namespace tessary
