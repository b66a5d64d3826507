#include "provider.hpp"

#include <fmt/format.h>

#include <algorithm>

#include "tessary/common/text.hpp"

namespace tessary::app {

namespace {

std::optional<std::string> lowercase_extension(const Path& path) {
  const Path ext = path.extension();
  if (ext.empty()) return std::nullopt;
  std::string text = ext.native().substr(1);  // without the dot; "a." gives the empty text
  if (validate_utf8(text)) return std::nullopt;
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// The path with its extension replaced (added when it has none). A last component without a
// name ("..", "." or a trailing slash) leaves the path unchanged.
Path with_extension(const Path& path, const char* ext) {
  const Path name = path.filename();
  if (name.empty() || name == "." || name == "..") return path;
  Path out = path;
  out.replace_extension(ext);
  return out;
}

bool path_exists(const Path& p) {
  std::error_code ec;
  return std::filesystem::exists(p, ec);
}

}  // namespace

AppResult<Provider> Provider::open(const Path& path) {
  auto open_dat = [](const Path& p) -> AppResult<Provider> {
    auto db = DatDatabase::open(p);
    if (!db) return std::unexpected(AppError(db.error()));
    return Provider(std::move(*db));
  };
  auto open_tsy = [](const Path& p) -> AppResult<Provider> {
    auto reader = TsyReader::open(p);
    if (!reader) return std::unexpected(AppError(reader.error()));
    return Provider(std::move(*reader));
  };
  if (auto ext = lowercase_extension(path)) {
    if (*ext == "tsy") return open_tsy(path);
    if (*ext == "dat") return open_dat(path);
  }
  if (Path tsy = with_extension(path, "tsy"); path_exists(tsy)) return open_tsy(tsy);
  if (Path dat = with_extension(path, "dat"); path_exists(dat)) return open_dat(dat);
  return std::unexpected(AppError(
      fmt::format("Could not open provider for {}. Expected .tsy or .dat", debug_quoted(path))));
}

std::string_view Provider::label() const {
  return tsy() ? "TSY" : "DAT";
}

uint64_t Provider::file_count() const {
  if (const TsyReader* r = tsy()) return r->header().entry_count;
  return dat()->files().size();
}

DatResult<TsyEntry> find_tsy_entry(const TsyReader& reader, const std::optional<std::string>& ns,
                                   uint32_t id) {
  if (!ns) return reader.find_entry(id);
  const ResourceNamespace label = TRY(ResourceNamespace::create(*ns));
  return reader.find_entry_with_namespace_id(label, id);
}

const File& Provider::file() const {
  return std::visit([](const auto& input) -> const File& { return input.file(); }, inner_);
}

Status refuse_input_as_output(const Provider& provider, const Path& target) {
  if (is_same_file(target, provider.file()))
    return std::unexpected(AppError(fmt::format(
        "Refusing to write to {}: it is the input file being read", debug_quoted(target))));
  return {};
}

DatResult<std::vector<uint8_t>> get_file_in_namespace(const Provider& provider,
                                                      const std::optional<std::string>& ns,
                                                      uint32_t id) {
  if (const TsyReader* r = provider.tsy())
    return r->read_entry_data(TRY(find_tsy_entry(*r, ns, id)));
  return provider.dat()->get_file(id);
}

DatResult<std::optional<TsyEntry>> get_tsy_entry(const Provider& provider,
                                                 const std::optional<std::string>& ns,
                                                 uint32_t id) {
  const TsyReader* r = provider.tsy();
  if (!r) return std::nullopt;
  return TRY(find_tsy_entry(*r, ns, id));
}

std::string default_export_name(const Provider& provider, const std::optional<std::string>& ns,
                                uint32_t id) {
  const TsyReader* r = provider.tsy();
  if (!r) return fmt::format("{:08X}.bin", id);
  // The lookup does not check the entry's own namespace field; an invalid one is treated like a
  // failed lookup.
  auto entry = find_tsy_entry(*r, ns, id);
  auto entry_ns = entry ? entry->namespace_id() : std::unexpected(entry.error());
  if (!entry_ns) return fmt::format("{:08X}.bin", id);
  std::string label(entry_ns->as_str());
  for (char& c : label)
    if (c == '/' || c == ':' || c == '\\') c = '_';
  return fmt::format("{}_{:08X}.bin", label, id);
}

std::vector<WeenieCandidate> weenie_candidates(const Provider& provider) {
  constexpr uint32_t kTableType = 14;
  std::vector<WeenieCandidate> out;
  if (const DatDatabase* db = provider.dat()) {
    for (const auto& [id, entry] : db->files())
      if (id >> 24 == 0x0E) out.push_back({id, std::nullopt});
    std::ranges::sort(out, {}, &WeenieCandidate::file_id);
    return out;
  }
  TsyIndexWalker walker(*provider.tsy());
  while (!walker.done()) {
    auto entry = walker.next();
    if (!entry || entry->type_id != kTableType) continue;
    if (auto ns = entry->namespace_id()) out.push_back({entry->file_id, std::string(ns->as_str())});
  }
  return out;
}

}  // namespace tessary::app
