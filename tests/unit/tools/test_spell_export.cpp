#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

#include <nlohmann/json.hpp>

#include "tessary/tools/spell_export.hpp"

namespace tessary {
namespace {

using F = SpellExportField;
using nlohmann::ordered_json;

std::vector<std::string_view> keys(const std::vector<F>& fields) {
  std::vector<std::string_view> out;
  for (F f : fields)
    out.push_back(document_key(f));
  return out;
}

TEST(SpellExport, ResolvedFields) {
  using K = std::vector<std::string_view>;
  struct Case {
    std::vector<F> fields;
    SpellPreset preset;
    K expected;
  };
  const K base = {
      "name",      "description",         "school",         "category", "bitfield",
      "base_mana", "base_range_constant", "base_range_mod", "power",    "raw_components",
      "mana_mod",  "formula_version"};
  const Case cases[] = {
      {{}, SpellPreset::Base, base},
      {{},
       SpellPreset::Minimal,
       {"name", "description", "school", "category", "bitfield", "base_range_constant",
        "base_range_mod", "power"}},
      {{F::Power, F::Name}, SpellPreset::Minimal, {"power", "name"}},  // explicit fields win
      {{F::Name, F::Name, F::School}, SpellPreset::Base, {"name", "school"}},
      {{F::Power, F::Name, F::Power}, SpellPreset::Base, {"power", "name"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(keys(resolved_fields({.fields = c.fields, .preset = c.preset})), c.expected);
}

TEST(SpellExport, NamesOfTheCommandLine) {
  EXPECT_EQ(from_name<F>(kSpellExportFieldNames, "base-range-constant"), F::BaseRangeConstant);
  EXPECT_EQ(document_key(F::BaseRangeConstant), "base_range_constant");
  EXPECT_EQ(from_name<SpellSchool>(kSpellSchoolNames, "void"), SpellSchool::Void);
  EXPECT_EQ(from_name<SpellPreset>(kSpellPresetNames, "Base"), std::nullopt);
  EXPECT_EQ(school_value(SpellSchool::War), 1u);
  EXPECT_EQ(school_value(SpellSchool::Void), 5u);
}

SpellTable filter_table() {
  SpellTable t;
  t.id = 0x0E00000E;
  // id = 10 * school + category index, categories 5, 7 and 9
  for (uint32_t school = 0; school <= 6; ++school)
    for (uint32_t category : {5u, 7u, 9u})
      t.spells[school * 10 + category] = SpellBase{.school = school, .category = category};
  return t;
}

TEST(SpellExport, SchoolAndCategoryFilters) {
  struct Case {
    std::vector<SpellSchool> schools;
    std::vector<uint32_t> categories;
    std::vector<uint32_t> ids;
  };
  using S = SpellSchool;
  const Case cases[] = {
      {{S::War}, {}, {15, 17, 19}},
      {{S::Void, S::War}, {9}, {19, 59}},
      {{S::Life}, {7, 5}, {25, 27}},
      {{}, {7}, {7, 17, 27, 37, 47, 57, 67}},
      {{S::Creature}, {8}, {}},
      {{}, {}, {5, 7, 9, 15, 17, 19, 25, 27, 29, 35, 37, 39, 45, 47, 49, 55, 57, 59, 65, 67, 69}},
  };
  const SpellTable table = filter_table();
  for (const Case& c : cases) {
    SpellExportFile file = export_spell_table(
        table, {.fields = {F::School}, .schools = c.schools, .categories = c.categories});
    std::vector<uint32_t> ids;
    for (const auto& [id, fields] : file.spells)
      ids.push_back(id);
    EXPECT_EQ(ids, c.ids);
    EXPECT_EQ(file.file_id, 0x0E00000Eu);
  }
}

std::string document(const SpellTable& t, const SpellExportRequest& r) {
  return serialize_spell_export(export_spell_table(t, r)).value();
}

TEST(SpellExport, FieldValuesInKeyOrder) {
  SpellTable t;
  t.spells[3] = SpellBase{.name = "Blast",
                          .description = "Hurts",
                          .school = 1,
                          .category = 2,
                          .bitfield = 0x80000000,
                          .base_mana = 4,
                          .base_range_constant = 0.1f,
                          .base_range_mod = std::numeric_limits<float>::quiet_NaN(),
                          .power = 5,
                          .formula_version = 6,
                          .raw_components = {1, 2, 3, 4, 5, 6, 7, 4294967295},
                          .mana_mod = 7};
  const ordered_json spells = ordered_json::parse(document(t, {})).at("spells");
  ASSERT_EQ(spells.size(), 1u);
  const ordered_json expected = {
      {"base_mana", 4},
      {"base_range_constant", double(0.1f)},
      {"base_range_mod", nullptr},
      {"bitfield", 0x80000000u},
      {"category", 2},
      {"description", "Hurts"},
      {"formula_version", 6},
      {"mana_mod", 7},
      {"name", "Blast"},
      {"power", 5},
      {"raw_components", {1, 2, 3, 4, 5, 6, 7, 4294967295u}},
      {"school", 1},
  };
  EXPECT_EQ(spells.at("3"), expected);
  EXPECT_EQ(spells.at("3").dump(), expected.dump()) << "members in byte order of their keys";
}

TEST(SpellExportDocument, ThirteenLineExample) {
  SpellTable t;
  t.id = 0x0E00000E;
  t.spells[1] = SpellBase{.school = 4, .power = 50};
  t.spells[2] = SpellBase{.school = 3, .power = 10};
  EXPECT_EQ(document(t, {.fields = {F::School, F::Power}, .schools = {SpellSchool::Creature}}),
            "{\n"
            "  \"fileId\": 234881038,\n"
            "  \"fields\": [\n"
            "    \"school\",\n"
            "    \"power\"\n"
            "  ],\n"
            "  \"spells\": {\n"
            "    \"1\": {\n"
            "      \"power\": 50,\n"
            "      \"school\": 4\n"
            "    }\n"
            "  }\n"
            "}");
}

TEST(SpellExportDocument, EmptySelectionsAndNumericIdOrder) {
  SpellTable t;
  t.id = 7;
  for (uint32_t id : {10u, 9u, 100u})
    t.spells[id] = SpellBase{.school = 1};
  EXPECT_EQ(document(t, {.schools = {SpellSchool::Life}}),
            "{\n  \"fileId\": 7,\n  \"fields\": [\n    \"name\",\n    \"description\",\n"
            "    \"school\",\n    \"category\",\n    \"bitfield\",\n    \"base_mana\",\n"
            "    \"base_range_constant\",\n    \"base_range_mod\",\n    \"power\",\n"
            "    \"raw_components\",\n    \"mana_mod\",\n    \"formula_version\"\n  ],\n"
            "  \"spells\": {}\n}");

  // An empty field list (which no preset gives) makes every spell an empty object.
  SpellExportFile file = export_spell_table(t, {});
  file.fields.clear();
  EXPECT_EQ(serialize_spell_export(file).value(),
            "{\n  \"fileId\": 7,\n  \"fields\": [],\n  \"spells\": {\n    \"9\": {},\n"
            "    \"10\": {},\n    \"100\": {}\n  }\n}");
}

TEST(SpellExportDocument, FloatsAreShortestRoundTripOfTheWidenedValue) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    float value;
    const char* text;
  };
  const Case cases[] = {
      {0.1f, "0.10000000149011612"},
      {1.5f, "1.5"},
      {2.0f, "2.0"},
      {-0.0f, "-0.0"},
      {-25.0f, "-25.0"},
      {nan, "null"},
      {inf, "null"},
      {-inf, "null"},
      // The JSON library's own float output gives 0.0015977163566276431 here, which is not the
      // shortest text for this value.
      {std::bit_cast<float>(0x3AD16A77u), "0.001597716356627643"},
      {std::bit_cast<float>(0x5A800000u), "1.8014398509481984e+16"},  // 2^54
      {std::bit_cast<float>(0x35800000u), "9.5367431640625e-07"},     // 2^-20
  };
  for (const Case& c : cases) {
    SpellTable t;
    t.spells[1] = SpellBase{.base_range_constant = c.value};
    const std::string doc = document(t, {.fields = {F::BaseRangeConstant}});
    EXPECT_NE(doc.find(std::string("\"base_range_constant\": ") + c.text + "\n"), std::string::npos)
        << doc;
  }
}

TEST(SpellExportDocument, StringEscapes) {
  SpellTable t;
  t.spells[1] = SpellBase{.name = "q\"b\\n\n\r\t\b\f\x01\x1f\x7f \xC3\xA9\xE2\x82\xAC"};
  EXPECT_NE(
      document(t, {.fields = {F::Name}})
          .find("\"name\": \"q\\\"b\\\\n\\n\\r\\t\\b\\f\\u0001\\u001f\x7f \xC3\xA9\xE2\x82\xAC\""),
      std::string::npos);
}

// Clean text is copied eight bytes at a time; these place escapes at every kind of spot in and
// around such a block, including bytes next to an escape that a careless scan would flag too.
TEST(SpellExportDocument, EscapesAnywhereInLongText) {
  struct Case {
    std::string text;
    std::string written;
  };
  const Case cases[] = {
      {"abcdefgh", "abcdefgh"},
      {"abcdefg\"", "abcdefg\\\""},
      {"abcdefgh\\", "abcdefgh\\\\"},
      {"\nabcdefghijklmno\x1f", "\\nabcdefghijklmno\\u001f"},
      {"ab\x01 !\"#\\]^_`abc", "ab\\u0001 !\\\"#\\\\]^_`abc"},
      {"\"\"\"\"\"\"\"\"\"", "\\\"\\\"\\\"\\\"\\\"\\\"\\\"\\\"\\\""},
      {"\x7f\xC3\xA9\xE2\x82\xAC\x1f!abcdefgh", "\x7f\xC3\xA9\xE2\x82\xAC\\u001f!abcdefgh"},
      {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\t", "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\\t"},
  };
  for (const Case& c : cases) {
    SpellTable t;
    t.spells[1] = SpellBase{.name = c.text};
    const std::string doc = document(t, {.fields = {F::Name}});
    EXPECT_NE(doc.find("\"name\": \"" + c.written + "\"\n"), std::string::npos) << doc;
  }
}

// The document leaves in pieces; spells of every size, one far larger than a piece, must come out
// whole and in order across the seams.
TEST(SpellExportDocument, PiecesJoinIntoTheWholeDocument) {
  SpellTable t;
  std::vector<std::string> names;
  for (uint32_t id = 0; id < 3000; ++id)
    names.push_back(id == 1500 ? std::string(100000, '\x01')
                               : std::string(id % 97, static_cast<char>('a' + id % 26)));
  for (uint32_t id = 0; id < 3000; ++id)
    t.spells[id] = SpellBase{.name = names[id], .power = id};
  std::vector<std::string> pieces;
  ASSERT_TRUE(write_spell_export(export_spell_table(t, {}),
                                 [&](std::string_view piece) { pieces.emplace_back(piece); }));
  EXPECT_GT(pieces.size(), 2u);
  std::string doc;
  for (const std::string& piece : pieces)
    doc += piece;
  const ordered_json spells = ordered_json::parse(doc).at("spells");
  ASSERT_EQ(spells.size(), 3000u);
  uint32_t id = 0;
  for (const auto& [key, spell] : spells.items()) {
    EXPECT_EQ(key, std::to_string(id));
    EXPECT_EQ(spell.at("name"), names[id]);
    EXPECT_EQ(spell.at("power"), id);
    ++id;
  }
}

TEST(SpellExportDocument, TextThatIsNotUtf8IsAWriterError) {
  SpellTable t;
  t.spells[1] = SpellBase{.name = "\xFF"};
  EXPECT_EQ(serialize_spell_export(export_spell_table(t, {.fields = {F::Name}})).error(),
            "string is not UTF-8: invalid utf-8 sequence of 1 bytes from index 0");
}

// UTF-8 is checked while the text is copied: the error names the first bad sequence wherever it
// lies, and a text cut inside a sequence is an error too.
TEST(SpellExportDocument, TextThatIsNotUtf8AnywhereIsAWriterError) {
  struct Case {
    std::string text;
    std::string error;
  };
  const Case cases[] = {
      {"abcdefgh\xFF", "invalid utf-8 sequence of 1 bytes from index 8"},
      {"\xC3\xA9\xC3\xA9 abcdefghij\xE2\x82", "incomplete utf-8 byte sequence from index 15"},
      {"a\"b\xE2\x82x", "invalid utf-8 sequence of 2 bytes from index 3"},
      {"abcdefg\xC3", "incomplete utf-8 byte sequence from index 7"},
  };
  for (const Case& c : cases) {
    SpellTable t;
    t.spells[1] = SpellBase{.description = c.text};
    EXPECT_EQ(serialize_spell_export(export_spell_table(t, {})).error(),
              "string is not UTF-8: " + c.error);
  }
}

}  // namespace
}  // namespace tessary
