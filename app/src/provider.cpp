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

AppResult<Provider> open_tsy(const Path&) {
  return std::unexpected(AppError("TSY archives cannot be read by this build yet"));
}

}  // namespace

AppResult<Provider> Provider::open(const Path& path) {
  auto open_dat = [](const Path& p) -> AppResult<Provider> {
    auto db = DatDatabase::open(p);
    if (!db) return std::unexpected(AppError(db.error()));
    return Provider(std::move(*db));
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
  return "DAT";
}

uint64_t Provider::file_count() const {
  return dat()->files().size();
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
                                                      const std::optional<std::string>&,
                                                      uint32_t id) {
  return provider.dat()->get_file(id);
}

std::vector<WeenieCandidate> weenie_candidates(const Provider& provider) {
  std::vector<WeenieCandidate> out;
  for (const auto& [id, entry] : provider.dat()->files())
    if (id >> 24 == 0x0E) out.push_back({id, std::nullopt});
  std::ranges::sort(out, {}, &WeenieCandidate::file_id);
  return out;
}

std::string default_export_name(const Provider&, const std::optional<std::string>&, uint32_t id) {
  return fmt::format("{:08X}.bin", id);
}

}  // namespace tessary::app
