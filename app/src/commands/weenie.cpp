// `weenie` prints one object template; `weenie-find` searches the table range for a class id.
// Neither treats an undecodable resource as an error: `weenie` says so on standard output and
// `weenie-find` skips it.
#include "commands.hpp"
#include "provider.hpp"

#include "tessary/dat/weenie.hpp"

namespace tessary::app {

namespace {

// Missing, unreadable and undecodable resources are all the same to `weenie`: no template.
std::optional<tessary::Weenie> fetch_weenie(const Provider& provider,
                                            const std::optional<std::string>& ns, uint32_t id) {
  auto bytes = get_file_in_namespace(provider, ns, id);
  if (!bytes) return std::nullopt;
  auto weenie = tessary::Weenie::unpack(*bytes);
  if (!weenie) return std::nullopt;
  return std::move(*weenie);
}

void print_hit(const WeenieCandidate& table, const tessary::Weenie& w, Output& out) {
  if (table.ns)
    out.line("Hit in table {}:{:08X}", *table.ns, table.file_id);
  else
    out.line("Hit in table {:08X}", table.file_id);
  out.line("  Entry WCID: {:08X}", w.class_id);
  out.line("  WeenieType: {}", w.weenie_type);
  if (auto name = w.name()) out.line("  Name: {}", *name);
}

}  // namespace

Status run_weenie(const Weenie& cmd, Output& out) {
  const Provider provider = TRY(Provider::open(cmd.path));
  const uint32_t id = TRY(parse_id_arg(cmd.id));
  const std::optional<tessary::Weenie> weenie = fetch_weenie(provider, cmd.ns, id);
  if (!weenie) {
    out.line("Could not decode a Weenie record from ID {:08X}.", id);
    return {};
  }
  out.line("File ID:         {:08X}", id);
  out.line("Weenie Class ID: {:08X}", weenie->class_id);
  out.line("Weenie Type:     {}", weenie->weenie_type);
  if (auto name = weenie->name()) out.line("Name:            {}", *name);
  if (auto icon = weenie->icon_id()) out.line("Icon ID:         {:08X}", *icon);
  const WorldObjectProperties& p = weenie->properties;
  out.line("Properties (Int):    {}", p.ints.size());
  out.line("Properties (Float):  {}", p.floats.size());
  out.line("Properties (String): {}", p.strings.size());
  out.line("Properties (DID):    {}", p.data_ids.size());
  return {};
}

Status run_weenie_find(const WeenieFind& cmd, Output& out) {
  const Provider provider = TRY(Provider::open(cmd.path));
  const uint32_t wcid = TRY(parse_id_arg(cmd.wcid));
  const std::vector<WeenieCandidate> candidates = weenie_candidates(provider);
  out.line("Scanning {} table files (0x0E prefix) for WCID {}...", candidates.size(), wcid);
  uint64_t hits = 0;
  // One resource and one decoded table at a time; both are released before the next fetch.
  for (const WeenieCandidate& candidate : candidates) {
    auto bytes = get_file_in_namespace(provider, candidate.ns, candidate.file_id);
    if (!bytes) continue;
    auto table = WeenieTable::unpack(*bytes);
    if (!table) continue;  // most of the range holds other tables
    if (const tessary::Weenie* w = table->find(wcid)) {
      print_hit(candidate, *w, out);
      ++hits;
    }
  }
  if (hits == 0) out.line("No WCID {} entries found in scan-able table files (0x0E range).", wcid);
  return {};
}

}  // namespace tessary::app
