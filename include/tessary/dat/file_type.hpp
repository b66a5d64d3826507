#pragma once
// What a DAT file id names. Portal ids carry a type prefix in their top byte; cell ids name a
// landblock's terrain (low 16 bits 0xFFFF), its static objects (0xFFFE) or an indoor cell.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessary {

struct DatHeader;

// Codes 0x01 to 0x78 equal the portal prefix that produces them. Archive entries carry these
// codes too, which is why the two archive-only kinds (Custom, MotionKinematics) exist.
enum class DatFileType : uint32_t {
  Unknown = 0x00,
  Model = 0x01,
  SetupModel = 0x02,
  Animation = 0x03,
  Palette = 0x04,
  SurfaceTexture = 0x05,
  Texture = 0x06,
  Surface = 0x08,
  MotionTable = 0x09,
  Audio = 0x0A,
  EnvCell = 0x0D,
  Table = 0x0E,
  PaletteSet = 0x0F,
  Clothing = 0x10,
  DegradeInfo = 0x11,
  Scene = 0x12,
  Region = 0x13,
  Keymap = 0x14,
  RenderTexture = 0x15,
  RenderMaterial = 0x16,
  MaterialModifier = 0x17,
  MaterialInstance = 0x18,
  RenderMesh = 0x19,
  SoundTable = 0x20,
  Layout = 0x21,
  EnumMapper = 0x22,
  StringTable = 0x23,
  StringTableString = 0x24,
  DataIdMapper = 0x25,
  ActionMap = 0x26,
  DualDataIdMapper = 0x27,
  CombatManeuverTable = 0x30,
  LanguageString = 0x31,
  ParticleEmitter = 0x32,
  PhysicsScript = 0x33,
  PhysicsScriptTable = 0x34,
  MutateFilter = 0x38,
  MasterProperty = 0x39,
  Font = 0x40,
  StringState = 0x41,
  BspNodeType = 0x42,
  DatabaseProperties = 0x78,
  IndoorCell = 0xFD,
  LandblockTerrain = 0xFE,
  LandblockInfo = 0xFF,
  Iteration = 0xFE01,
  Custom = 0xFFFFFF00,
  MotionKinematics = 0xFFFFFF01,
};

// Which retail dataset an opened DAT file is.
enum class DatasetKind : uint8_t {
  Portal = 0,
  Cell = 1,
  OtherRetail = 2,  // retail magic, but neither the portal nor the cell layout
  NotRetail = 3,    // foreign magic
};

inline constexpr uint32_t kRetailDatMagic = 0x5442;

// The display label, e.g. "Texture (DDS/JPG)".
std::string_view label(DatFileType type);

// The member whose code this is; none for codes outside the 48 members.
std::optional<DatFileType> dat_file_type_from_code(uint32_t code);

// "Texture (DDS/JPG) (0x00000006)" for a member other than Unknown, else "Unknown (0x00000007)".
std::string format_type_label(uint32_t code);

DatasetKind dataset_kind(const DatHeader& header);

// The archive namespace label of a retail dataset: "eor/portal" or "eor/cell"; none otherwise.
std::optional<std::string_view> retail_namespace_label(DatasetKind kind);

// Prefix 0x07 is a texture like 0x06; prefixes without a member are Unknown.
DatFileType classify_portal_prefix(uint8_t prefix);

DatFileType file_type_in_dat(uint32_t id, DatasetKind kind);

}  // namespace tessary
