// meta, list and info: what the input file and its resources are, without writing anything.
// Each handler prints the lines both kinds of provider share, then the lines of its kind.
#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "commands.hpp"
#include "commands/inspect_tsy.hpp"
#include "provider.hpp"
#include "tessary/common/large_alloc.hpp"
#include "tessary/dat/database.hpp"
#include "tessary/dat/file_type.hpp"

namespace tessary::app {

namespace {

void print_dat_meta(const DatDatabase& db, Output& out) {
  const DatHeader& h = db.header();
  out.line("Magic:       0x{:08X}", h.magic);
  out.line("Block Size:  {}", h.block_size);
  out.line("Dataset:     {}", h.dataset);
  if (auto ns = retail_namespace_label(dataset_kind(h)))
    out.line("Namespace:   {}", *ns);
  else
    out.line("Namespace:   <unknown retail dataset>");
}

using EntryVector = std::vector<DatFileEntry, LargeAllocator<DatFileEntry>>;

// Ids ascending: a radix sort in two 16-bit digits, which beats a comparison sort of 24-byte
// entries on a million of them. Fewer, wider passes win here: the buffers sit in large pages, so
// scattering to 65536 places costs no more per entry than to 256. The counts of every digit come
// from the one pass that copies the entries out of the map; a digit that every id shares costs no
// pass.
EntryVector entries_by_id(const DatFileMap& files) {
  constexpr int kDigitBits = 16;
  constexpr int kDigits = (32 + kDigitBits - 1) / kDigitBits;
  constexpr uint32_t kDigitMask = (uint32_t{1} << kDigitBits) - 1;
  auto digit = [](uint32_t id, int d) { return (id >> (d * kDigitBits)) & kDigitMask; };

  EntryVector entries, scratch(files.size());
  entries.reserve(files.size());
  std::vector<std::array<size_t, kDigitMask + 1>> start(kDigits);
  for (const auto& [id, entry] : files) {
    entries.push_back(entry);
    for (int d = 0; d < kDigits; ++d)
      ++start[d][digit(id, d)];
  }
  for (int d = 0; d < kDigits; ++d) {
    if (std::ranges::find(start[d], entries.size()) != start[d].end()) continue;
    size_t at = 0;
    for (size_t& s : start[d])
      at += std::exchange(s, at);
    for (const DatFileEntry& e : entries)
      scratch[start[d][digit(e.id, d)]++] = e;
    entries.swap(scratch);
  }
  return entries;
}

// Every piece of a `list` line but the type segment, at its widest.
constexpr size_t kMaxListLine = 8 + 20 + 11 + 8 + 10 + 8 + 1;

// The middle of a `list` line, " - {label:<25} - Size: ", made once per type.
std::string type_segment(DatFileType type) {
  return fmt::format(" - {:<25} - Size: ", label(type));
}

// Entries are copied out of the map first, so printing a million lines walks memory in order
// instead of probing the map once per id.
void print_dat_list(const DatDatabase& db, Output& out) {
  const DatasetKind kind = dataset_kind(db.header());
  StridedTextCache<DatFileType> segments;
  for (const DatFileEntry& e : entries_by_id(db.files())) {
    // "{:08X} - {:<25} - Size: {:<10} - Offset: {:08X} - Flags: {:08X}"
    const StridedText& segment = segments.get(e.file_type_in_dat(kind), type_segment);
    out.build_line(kMaxListLine + segment.size())
        .hex(e.id, 8)
        .text(segment)
        .left(e.size, 10)
        .text(" - Offset: ")
        .hex(e.offset, 8)
        .text(" - Flags: ")
        .hex(e.bit_flags, 8)
        .end();
  }
}

// Reads only the directory, never the resource. An absent id is not a failure.
void print_dat_info(const DatDatabase& db, uint32_t id, Output& out) {
  auto it = db.files().find(id);
  if (it == db.files().end()) {
    out.line("File ID {:08X} not found.", id);
    return;
  }
  const DatFileEntry& e = it->second;
  out.line("File ID: {:08X}", e.id);
  out.line("Type:    {}", label(e.file_type_in_dat(dataset_kind(db.header()))));
  out.line("Size:    {}", e.size);
  out.line("Offset:  {:08X}", e.offset);
  out.line("Flags:   {:08X}", e.bit_flags);
}

}  // namespace

Status run_meta(const Meta& cmd, Output& out) {
  const Provider provider = TRY(Provider::open(cmd.path));
  out.line("Loaded {} provider with {} files.", provider.label(), provider.file_count());
  out.line("--- Meta Information ---");
  out.line("Provider:    {}", provider.label());
  out.line("File Count:  {}", provider.file_count());
  if (const TsyReader* reader = provider.tsy()) return print_tsy_meta(*reader, out);
  print_dat_meta(*provider.dat(), out);
  return {};
}

Status run_list(const List& cmd, Output& out) {
  const Provider provider = TRY(Provider::open(cmd.path));
  if (const TsyReader* reader = provider.tsy()) return print_tsy_list(*reader, out);
  print_dat_list(*provider.dat(), out);
  return {};
}

Status run_info(const Info& cmd, Output& out) {
  const Provider provider = TRY(Provider::open(cmd.path));
  const uint32_t id = TRY(parse_id_arg(cmd.id));
  // On a DAT file there is no index entry and the namespace is not used.
  if (const auto entry = TRY(get_tsy_entry(provider, cmd.ns, id)))
    return print_tsy_info(*entry, out);
  print_dat_info(*provider.dat(), id, out);
  return {};
}

}  // namespace tessary::app
