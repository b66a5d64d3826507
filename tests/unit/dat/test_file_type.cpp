#include <gtest/gtest.h>

#include "tessary/dat/database.hpp"
#include "tessary/dat/file_type.hpp"

namespace tessary {
namespace {

using T = DatFileType;
using K = DatasetKind;

TEST(FileType, EveryMemberHasItsCodeAndLabel) {
  const std::pair<uint32_t, std::string_view> members[] = {
      {0x00, "Unknown"},
      {0x01, "Model (OBJ)"},
      {0x02, "SetupModel (SET)"},
      {0x03, "Animation (ANM)"},
      {0x04, "Palette (PAL)"},
      {0x05, "SurfaceTexture (TEX)"},
      {0x06, "Texture (DDS/JPG)"},
      {0x08, "Surface (SUR)"},
      {0x09, "MotionTable (DSC)"},
      {0x0A, "Audio (WAV)"},
      {0x0D, "EnvCell (ENV)"},
      {0x0E, "Table"},
      {0x0F, "PaletteSet"},
      {0x10, "Clothing (CLO)"},
      {0x11, "DegradeInfo"},
      {0x12, "Scene (SCN)"},
      {0x13, "Region (RGN)"},
      {0x14, "Keymap"},
      {0x15, "RenderTexture"},
      {0x16, "RenderMaterial"},
      {0x17, "MaterialModifier"},
      {0x18, "MaterialInstance"},
      {0x19, "RenderMesh"},
      {0x20, "SoundTable (STB)"},
      {0x21, "Layout"},
      {0x22, "EnumMapper"},
      {0x23, "StringTable"},
      {0x24, "StringTableString"},
      {0x25, "DataIDMapper"},
      {0x26, "ActionMap"},
      {0x27, "DualDataIDMapper"},
      {0x30, "CombatManeuverTable"},
      {0x31, "LanguageString"},
      {0x32, "ParticleEmitter"},
      {0x33, "PhysicsScript"},
      {0x34, "PhysicsScriptTable"},
      {0x38, "MutateFilter"},
      {0x39, "MasterProperty"},
      {0x40, "Font"},
      {0x41, "StringState"},
      {0x42, "BSPNodeType"},
      {0x78, "DatabaseProperties"},
      {0xFD, "IndoorCell"},
      {0xFE, "Landblock (Terrain)"},
      {0xFF, "LandblockInfo (Static)"},
      {0xFE01, "Iteration (Metadata)"},
      {0xFFFFFF00, "Custom"},
      {0xFFFFFF01, "MotionKinematics"},
  };
  ASSERT_EQ(std::size(members), 48u);
  for (auto [code, text] : members) {
    auto type = dat_file_type_from_code(code);
    ASSERT_TRUE(type) << code;
    EXPECT_EQ(uint32_t(*type), code);
    EXPECT_EQ(label(*type), text);
  }
  for (uint32_t code : {0x07u, 0x0Bu, 0x1Au, 0x43u, 0x79u, 0xFCu, 0x100u, 0xFE02u, 0xFFFFFFFFu})
    EXPECT_FALSE(dat_file_type_from_code(code)) << code;
}

TEST(FileType, FormatTypeLabel) {
  const std::pair<uint32_t, std::string_view> cases[] = {
      {0, "Unknown (0x00000000)"},
      {7, "Unknown (0x00000007)"},
      {6, "Texture (DDS/JPG) (0x00000006)"},
      {0x78, "DatabaseProperties (0x00000078)"},
      {65025, "Iteration (Metadata) (0x0000FE01)"},
      {0xFFFFFF01, "MotionKinematics (0xFFFFFF01)"},
      {0xFFFFFFFF, "Unknown (0xFFFFFFFF)"},
  };
  for (auto [code, text] : cases)
    EXPECT_EQ(format_type_label(code), text);
}

TEST(FileType, DatasetKindFromHeader) {
  struct Case {
    uint32_t magic, block_size, dataset;
    K kind;
  };
  const Case cases[] = {
      {0x5442, 1024, 1, K::Portal},      {0x5442, 256, 2, K::Cell},
      {0x5442, 1024, 2, K::OtherRetail}, {0x5442, 256, 1, K::OtherRetail},
      {0x5442, 512, 1, K::OtherRetail},  {0x4254, 1024, 1, K::NotRetail},
      {0, 256, 2, K::NotRetail},
  };
  for (const Case& c : cases) {
    DatHeader h;
    h.magic = c.magic;
    h.block_size = c.block_size;
    h.dataset = c.dataset;
    EXPECT_EQ(dataset_kind(h), c.kind) << c.magic << " " << c.block_size << " " << c.dataset;
  }
  EXPECT_EQ(retail_namespace_label(K::Portal), "eor/portal");
  EXPECT_EQ(retail_namespace_label(K::Cell), "eor/cell");
  EXPECT_FALSE(retail_namespace_label(K::OtherRetail));
  EXPECT_FALSE(retail_namespace_label(K::NotRetail));
}

TEST(FileType, PortalPrefixes) {
  for (unsigned p = 0; p < 256; ++p) {
    const auto prefix = static_cast<uint8_t>(p);
    const T got = classify_portal_prefix(prefix);
    if (p == 0x07) {
      EXPECT_EQ(got, T::Texture);
    } else if (p >= 0x01 && p <= 0x78 && dat_file_type_from_code(p)) {
      EXPECT_EQ(uint32_t(got), p);
    } else {
      EXPECT_EQ(got, T::Unknown) << p;
    }
  }
}

TEST(FileType, IdsInEachDatasetKind) {
  struct Case {
    uint32_t id;
    K kind;
    T type;
  };
  const Case cases[] = {
      {0x06001234, K::Portal, T::Texture},
      {0x07001234, K::Portal, T::Texture},
      {0x0B000001, K::Portal, T::Unknown},
      {0x78000000, K::Portal, T::DatabaseProperties},
      {0xA9B4FFFF, K::Portal, T::Unknown},
      {0x0100002A, K::OtherRetail, T::Model},
      {0xA9B4FFFF, K::Cell, T::LandblockTerrain},
      {0xA9B4FFFE, K::Cell, T::LandblockInfo},
      {0xA9B40100, K::Cell, T::IndoorCell},
      {0xA9B40000, K::Cell, T::Unknown},
      {0x0600FFFF, K::Cell, T::LandblockTerrain},
      {0xFFFF0001, K::Portal, T::Iteration},
      {0xFFFF0001, K::Cell, T::Iteration},
      {0xFFFF0001, K::OtherRetail, T::Iteration},
      {0xFFFF0001, K::NotRetail, T::Iteration},
      {0xFFFF0002, K::Portal, T::Unknown},
      {0xFFFF0002, K::Cell, T::IndoorCell},
      {0x0100002A, K::NotRetail, T::Model},
      {0x0B000001, K::NotRetail, T::IndoorCell},
      {0x0B000000, K::NotRetail, T::Unknown},
      {0x0600FFFF, K::NotRetail, T::LandblockTerrain},
      {0x0600FFFE, K::NotRetail, T::LandblockInfo},
  };
  for (const Case& c : cases) {
    DatFileEntry e;
    e.id = c.id;
    EXPECT_EQ(e.file_type_in_dat(c.kind), c.type) << std::hex << c.id << " kind " << int(c.kind);
  }
}

}  // namespace
}  // namespace tessary
