#include "inspect_tsy.hpp"

#include <absl/container/flat_hash_map.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "tessary/dat/file_type.hpp"

namespace tessary::app {

namespace {

// Every piece of a `list` line but the type segment, at its widest: a 32-byte label and its
// colon, a 64-bit offset.
constexpr size_t kMaxListLine = ResourceNamespace::kMaxLen + 1 + 8 + 10 + 11 + 16 + 10 + 2 + 1;

// The middle of a `list` line, " - {label:<28} - Size: ": format_type_label builds a string, and
// an archive of a million entries has a handful of codes.
std::string type_segment(uint32_t code) {
  return fmt::format(" - {:<28} - Size: ", format_type_label(code));
}

// Compared as four words: the array's own comparison is a call to memcmp on every line.
bool same_bytes(const ResourceNamespace::Bytes& a, const ResourceNamespace::Bytes& b) {
  auto word = [](const ResourceNamespace::Bytes& bytes, size_t i) {
    uint64_t w;
    std::memcpy(&w, bytes.data() + 8 * i, 8);
    return w;
  };
  uint64_t diff = 0;
  for (size_t i = 0; i < 4; ++i)
    diff |= word(a, i) ^ word(b, i);
  return diff == 0;
}

}  // namespace

Status print_tsy_meta(const TsyReader& reader, Output& out) {
  const TsyHeader& h = reader.header();
  out.line("Version:     {}", h.version);
  out.line("Index Offs:  0x{:08X}", h.index_offset);
  out.line("Meta Size:   {}", h.metadata_size);

  // Entries of one namespace are neighbours in a sound index, so the last counter is reused and
  // most records are only compared with their neighbour's namespace bytes.
  absl::flat_hash_map<ResourceNamespace, uint64_t> counts;
  uint64_t* last = nullptr;
  ResourceNamespace::Bytes last_ns{};
  auto tally = [&](const uint8_t* ns) -> Status {
    if (!last || std::memcmp(ns, last_ns.data(), last_ns.size()) != 0) {
      std::memcpy(last_ns.data(), ns, last_ns.size());
      last = &counts[TRY(ResourceNamespace::from_bytes(last_ns))];
    }
    ++*last;
    return {};
  };
  for (TsyIndexWalker walker(reader); !walker.done();) {
    const std::span<const uint8_t> records = walker.next_records();
    if (records.empty()) {
      const TsyEntry e = TRY(walker.next());
      TRY(tally(e.ns.data()));
      continue;
    }
    for (size_t at = 0; at < records.size(); at += TsyEntry::kSize)
      TRY(tally(records.data() + at));
  }
  std::vector<std::pair<ResourceNamespace, uint64_t>> sorted(counts.begin(), counts.end());
  std::sort(sorted.begin(), sorted.end());
  out.line("Namespaces:  {}", sorted.size());
  for (const auto& [ns, count] : sorted)
    out.line("  {} -> {} entries", ns.as_str(), count);
  return {};
}

Status print_tsy_list(const TsyReader& reader, Output& out) {
  StridedTextCache<uint32_t> segments;
  // Entries of one namespace are neighbours in a sound index, so its label is checked and its
  // line prefix made once.
  std::optional<ResourceNamespace> ns;
  StridedText prefix;
  auto print = [&](const TsyEntry& e) -> Status {
    if (!ns || !same_bytes(ns->bytes(), e.ns)) {
      ns = TRY(e.namespace_id());
      prefix = StridedText(fmt::format("{}:", ns->as_str()));
    }
    // "{}:{:08X} - {:<28} - Size: {:<10} - Offset: {:08X} - Flags: {:02X}"
    const StridedText& segment = segments.get(e.type_id, type_segment);
    out.build_line(kMaxListLine + segment.size())
        .text(prefix)
        .hex(e.file_id, 8)
        .text(segment)
        .left(e.size, 10)
        .text(" - Offset: ")
        .hex(e.offset, 8)
        .text(" - Flags: ")
        .hex(e.flags, 2)
        .end();
    return {};
  };
  for (TsyIndexWalker walker(reader); !walker.done();) {
    const std::span<const uint8_t> records = walker.next_records();
    if (records.empty()) {
      const TsyEntry e = TRY(walker.next());
      TRY(print(e));
      continue;
    }
    for (size_t at = 0; at < records.size(); at += TsyEntry::kSize)
      TRY(print(TsyEntry::from_record(records.data() + at)));
  }
  return {};
}

Status print_tsy_info(const TsyEntry& e, Output& out) {
  const ResourceNamespace label = TRY(e.namespace_id());
  out.line("Namespace: {}", label.as_str());
  out.line("File ID:   {:08X}", e.file_id);
  out.line("Type:      {}", format_type_label(e.type_id));
  out.line("Size:      {}", e.size);
  out.line("Offset:    {:08X}", e.offset);
  out.line("Flags:     {:02X}", e.flags);
  out.line("Pruned:    {}", e.pruned());
  out.line("Compressed:{}", e.compressed());
  return {};
}

}  // namespace tessary::app
