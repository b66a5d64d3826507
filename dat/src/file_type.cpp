#include "tessary/dat/file_type.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <utility>

#include "tessary/dat/database.hpp"

namespace tessary {

namespace {

using T = DatFileType;

// Sorted by code, so a code is found by binary search.
constexpr std::array<std::pair<DatFileType, std::string_view>, 48> kLabels = {{
    {T::Unknown, "Unknown"},
    {T::Model, "Model (OBJ)"},
    {T::SetupModel, "SetupModel (SET)"},
    {T::Animation, "Animation (ANM)"},
    {T::Palette, "Palette (PAL)"},
    {T::SurfaceTexture, "SurfaceTexture (TEX)"},
    {T::Texture, "Texture (DDS/JPG)"},
    {T::Surface, "Surface (SUR)"},
    {T::MotionTable, "MotionTable (DSC)"},
    {T::Audio, "Audio (WAV)"},
    {T::EnvCell, "EnvCell (ENV)"},
    {T::Table, "Table"},
    {T::PaletteSet, "PaletteSet"},
    {T::Clothing, "Clothing (CLO)"},
    {T::DegradeInfo, "DegradeInfo"},
    {T::Scene, "Scene (SCN)"},
    {T::Region, "Region (RGN)"},
    {T::Keymap, "Keymap"},
    {T::RenderTexture, "RenderTexture"},
    {T::RenderMaterial, "RenderMaterial"},
    {T::MaterialModifier, "MaterialModifier"},
    {T::MaterialInstance, "MaterialInstance"},
    {T::RenderMesh, "RenderMesh"},
    {T::SoundTable, "SoundTable (STB)"},
    {T::Layout, "Layout"},
    {T::EnumMapper, "EnumMapper"},
    {T::StringTable, "StringTable"},
    {T::StringTableString, "StringTableString"},
    {T::DataIdMapper, "DataIDMapper"},
    {T::ActionMap, "ActionMap"},
    {T::DualDataIdMapper, "DualDataIDMapper"},
    {T::CombatManeuverTable, "CombatManeuverTable"},
    {T::LanguageString, "LanguageString"},
    {T::ParticleEmitter, "ParticleEmitter"},
    {T::PhysicsScript, "PhysicsScript"},
    {T::PhysicsScriptTable, "PhysicsScriptTable"},
    {T::MutateFilter, "MutateFilter"},
    {T::MasterProperty, "MasterProperty"},
    {T::Font, "Font"},
    {T::StringState, "StringState"},
    {T::BspNodeType, "BSPNodeType"},
    {T::DatabaseProperties, "DatabaseProperties"},
    {T::IndoorCell, "IndoorCell"},
    {T::LandblockTerrain, "Landblock (Terrain)"},
    {T::LandblockInfo, "LandblockInfo (Static)"},
    {T::Iteration, "Iteration (Metadata)"},
    {T::Custom, "Custom"},
    {T::MotionKinematics, "MotionKinematics"},
}};

static_assert(std::ranges::is_sorted(kLabels, {}, [](const auto& p) { return uint32_t(p.first); }));

const std::pair<DatFileType, std::string_view>* find_code(uint32_t code) {
  auto it =
      std::ranges::lower_bound(kLabels, code, {}, [](const auto& p) { return uint32_t(p.first); });
  return it != kLabels.end() && uint32_t(it->first) == code ? &*it : nullptr;
}

// Portal prefixes, resolved once.
constexpr std::array<DatFileType, 256> kByPrefix = [] {
  std::array<DatFileType, 256> table{};
  for (const auto& [type, text] : kLabels)
    if (uint32_t(type) >= 0x01 && uint32_t(type) <= 0x78) table[uint32_t(type)] = type;
  table[0x07] = DatFileType::Texture;
  return table;
}();

}  // namespace

// Labels of the one-byte codes, which are nearly every label a listing prints.
constexpr std::array<std::string_view, 256> kSmallCodeLabels = [] {
  std::array<std::string_view, 256> table{};
  table.fill("Unknown");
  for (const auto& [type, text] : kLabels)
    if (uint32_t(type) < 256) table[uint32_t(type)] = text;
  return table;
}();

std::string_view label(DatFileType type) {
  if (uint32_t(type) < 256) return kSmallCodeLabels[uint32_t(type)];
  const auto* found = find_code(uint32_t(type));
  return found ? found->second : "Unknown";
}

std::optional<DatFileType> dat_file_type_from_code(uint32_t code) {
  const auto* found = find_code(code);
  if (!found) return std::nullopt;
  return found->first;
}

std::string format_type_label(uint32_t code) {
  const auto* found = find_code(code);
  if (!found || found->first == DatFileType::Unknown)
    return fmt::format("Unknown (0x{:08X})", code);
  return fmt::format("{} (0x{:08X})", found->second, code);
}

DatasetKind dataset_kind(const DatHeader& header) {
  if (header.magic != kRetailDatMagic) return DatasetKind::NotRetail;
  if (header.block_size == 256)
    return header.dataset == 2 ? DatasetKind::Cell : DatasetKind::OtherRetail;
  if (header.block_size == 1024)
    return header.dataset == 1 ? DatasetKind::Portal : DatasetKind::OtherRetail;
  return DatasetKind::OtherRetail;
}

std::optional<std::string_view> retail_namespace_label(DatasetKind kind) {
  switch (kind) {
    case DatasetKind::Portal:
      return "eor/portal";
    case DatasetKind::Cell:
      return "eor/cell";
    default:
      return std::nullopt;
  }
}

DatFileType classify_portal_prefix(uint8_t prefix) {
  return kByPrefix[prefix];
}

DatFileType file_type_in_dat(uint32_t id, DatasetKind kind) {
  if (id == 0xFFFF0001) return DatFileType::Iteration;
  const uint32_t low = id & 0xFFFF;
  const auto prefix = static_cast<uint8_t>(id >> 24);
  auto by_low_bits = [low] {
    if (low == 0xFFFF) return DatFileType::LandblockTerrain;
    if (low == 0xFFFE) return DatFileType::LandblockInfo;
    if (low == 0) return DatFileType::Unknown;
    return DatFileType::IndoorCell;
  };
  switch (kind) {
    case DatasetKind::Portal:
    case DatasetKind::OtherRetail:
      return classify_portal_prefix(prefix);
    case DatasetKind::Cell:
      return by_low_bits();
    case DatasetKind::NotRetail:
      if (low == 0xFFFF || low == 0xFFFE) return by_low_bits();
      if (DatFileType t = classify_portal_prefix(prefix); t != DatFileType::Unknown) return t;
      return by_low_bits();
  }
  return DatFileType::Unknown;
}

}  // namespace tessary
