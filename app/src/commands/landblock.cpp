// `landblock` prints a landblock's terrain facts and height grid, then, when the landblock has a
// static-object record, its objects and buildings. A missing static-object record is not an
// error; an undecodable one is, after the terrain has been printed.
#include "tessary/dat/landblock.hpp"
#include "commands.hpp"
#include "provider.hpp"

namespace tessary::app {

namespace {

constexpr uint32_t kTerrainLow = 0xFFFF;
constexpr uint32_t kInfoLow = 0xFFFE;

// A bare landblock number (low 16 bits 0) names its terrain record; any other id is used as given.
uint32_t terrain_id(uint32_t id) {
  return (id & 0xFFFF) == 0 ? id | kTerrainLow : id;
}

void print_terrain(const CellLandblock& lb, Output& out) {
  out.line("Landblock ID:   {:08X}", lb.id);
  out.line("Has Objects:     {}", lb.has_objects != 0);
  out.line("Terrain Vertices: {}", lb.terrain.size());
  out.line("Height Vertices:  {}", lb.height.size());
  out.line("");
  out.line("Heightmap (9x9):");
  // Row 8 first, so north is up; vertex (x, y) is element x * 9 + y.
  for (int y = 8; y >= 0; --y) {
    auto& buf = out.buffer();
    for (int x = 0; x < 9; ++x)
      fmt::format_to(std::back_inserter(buf), "{:>3} ", lb.height[x * 9 + y]);
    out.line("");
  }
}

void print_info(uint32_t info_id, const LandblockInfo& info, Output& out) {
  out.line("");
  out.line("Landblock Info ({:08X}):", info_id);
  out.line("Objects:   {}", info.objects.size());
  out.line("Buildings: {}", info.buildings.size());
  for (const BuildInfo& b : info.buildings)
    out.line("  Building model: {:08X} at {}", b.model_id, b.frame.origin.debug());
}

}  // namespace

Status run_landblock(const Landblock& cmd, Output& out) {
  const Provider provider = TRY(Provider::open(cmd.path));
  const uint32_t id = terrain_id(TRY(parse_id_arg(cmd.id)));
  const std::vector<uint8_t> terrain_bytes = TRY(get_file_in_namespace(provider, cmd.ns, id));
  const CellLandblock lb = TRY(CellLandblock::unpack(terrain_bytes));
  print_terrain(lb, out);

  const uint32_t info_id = (id & ~uint32_t{0xFFFF}) | kInfoLow;
  auto info_bytes = get_file_in_namespace(provider, cmd.ns, info_id);
  if (!info_bytes) return {};
  print_info(info_id, TRY(LandblockInfo::unpack(*info_bytes)), out);
  return {};
}

}  // namespace tessary::app
