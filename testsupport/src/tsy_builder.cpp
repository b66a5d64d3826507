#include "tessary/testsupport/tsy_builder.hpp"

#include <algorithm>
#include <cstring>

namespace tessary::testsupport {

ResourceNamespace::Bytes ns_bytes(std::string_view label) {
  ResourceNamespace::Bytes out{};
  std::memcpy(out.data(), label.data(), std::min(label.size(), out.size()));
  return out;
}

std::vector<uint8_t> zstd_rle_frame(uint32_t blocks, uint32_t block_size) {
  std::vector<uint8_t> f = {0x28, 0xB5, 0x2F, 0xFD, 0x00, 0x50};
  for (uint32_t i = 0; i < blocks; ++i) {
    const uint32_t header = block_size << 3 | 1u << 1 | (i + 1 == blocks ? 1u : 0u);
    f.insert(f.end(), {uint8_t(header), uint8_t(header >> 8), uint8_t(header >> 16), 'r'});
  }
  return f;
}

TsyBuilder& TsyBuilder::add(std::string_view ns, uint32_t file_id, std::span<const uint8_t> stored,
                            uint8_t flags, std::optional<uint32_t> size, uint32_t type_id) {
  TsyEntry e;
  e.ns = ns_bytes(ns);
  e.file_id = file_id;
  e.type_id = type_id;
  e.offset = TsyHeader::kSize + data_.size();
  e.comp_size = static_cast<uint32_t>(stored.size());
  e.size = size.value_or(e.comp_size);
  e.flags = flags;
  data_.insert(data_.end(), stored.begin(), stored.end());
  entries_.push_back(e);
  return *this;
}

TsyBuilder& TsyBuilder::add(std::string_view ns, uint32_t file_id, std::string_view stored,
                            uint8_t flags, std::optional<uint32_t> size, uint32_t type_id) {
  return add(ns, file_id, std::span(reinterpret_cast<const uint8_t*>(stored.data()), stored.size()),
             flags, size, type_id);
}

TsyBuilder& TsyBuilder::add_entry(const TsyEntry& entry) {
  entries_.push_back(entry);
  return *this;
}

TsyBuilder& TsyBuilder::records(std::vector<TsyNamespaceIndexEntry> records) {
  records_ = std::move(records);
  return *this;
}

TsyBuilder& TsyBuilder::metadata(std::vector<uint8_t> raw) {
  metadata_ = std::move(raw);
  return *this;
}

TsyBuilder& TsyBuilder::trailing(std::string_view bytes) {
  trailing_ = bytes;
  return *this;
}

std::vector<uint8_t> TsyBuilder::build() const {
  std::vector<TsyNamespaceIndexEntry> records;
  if (records_) {
    records = *records_;
  } else {
    for (uint32_t i = 0; i < entries_.size(); ++i) {
      if (records.empty() || records.back().ns != entries_[i].ns)
        records.push_back({entries_[i].ns, i, 0});
      ++records.back().entry_count;
    }
  }
  std::vector<uint8_t> meta;
  if (metadata_) {
    meta = *metadata_;
  } else {
    meta.resize(4);
    store_le(meta.data(), static_cast<uint32_t>(records.size()));
    for (const auto& r : records) {
      const auto bytes = r.encode();
      meta.insert(meta.end(), bytes.begin(), bytes.end());
    }
  }

  TsyHeader h;
  h.entry_count = static_cast<uint32_t>(entries_.size());
  h.index_offset = TsyHeader::kSize + data_.size() + meta.size();
  h.metadata_size = static_cast<uint32_t>(meta.size());
  h.magic = overrides_.magic.value_or(h.magic);
  h.version = overrides_.version.value_or(h.version);
  h.entry_count = overrides_.entry_count.value_or(h.entry_count);
  h.index_offset = overrides_.index_offset.value_or(h.index_offset);
  h.metadata_size = overrides_.metadata_size.value_or(h.metadata_size);

  std::vector<uint8_t> out;
  auto append = [&out](std::span<const uint8_t> bytes) {
    const size_t at = out.size();
    out.resize(at + bytes.size());
    if (!bytes.empty()) std::memcpy(out.data() + at, bytes.data(), bytes.size());
  };
  append(h.encode());
  append(data_);
  append(meta);
  for (const TsyEntry& e : entries_)
    append(e.encode());
  append(std::span(reinterpret_cast<const uint8_t*>(trailing_.data()), trailing_.size()));
  return out;
}

}  // namespace tessary::testsupport
