#pragma once
// Selection of spells and fields from a decoded spell table, and the JSON document written from
// the selection.

#include <array>
#include <cstdint>
#include <expected>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tessary/dat/spell_table.hpp"

namespace tessary {

// The codes are the positions in the name tables below.
enum class SpellExportField : uint8_t {
  Name,
  Description,
  School,
  Category,
  Bitfield,
  BaseMana,
  BaseRangeConstant,
  BaseRangeMod,
  Power,
  RawComponents,
  ManaMod,
  FormulaVersion,
};
enum class SpellSchool : uint8_t { War, Life, Item, Creature, Void };
enum class SpellPreset : uint8_t { Base, Minimal };

// Command-line spellings, in code order (also the order help lists them in).
inline constexpr std::array<std::string_view, 12> kSpellExportFieldNames = {
    "name",      "description",         "school",         "category", "bitfield",
    "base-mana", "base-range-constant", "base-range-mod", "power",    "raw-components",
    "mana-mod",  "formula-version"};
inline constexpr std::array<std::string_view, 5> kSpellSchoolNames = {"war", "life", "item",
                                                                      "creature", "void"};
inline constexpr std::array<std::string_view, 2> kSpellPresetNames = {"base", "minimal"};

// The member name a field bears in the document ("base_range_constant").
std::string_view document_key(SpellExportField field);
// The `school` value a school filter selects: war 1, life 2, item 3, creature 4, void 5.
uint32_t school_value(SpellSchool school);

// The enumerator whose command-line spelling is `text`.
template <typename E, size_t N>
std::optional<E> from_name(const std::array<std::string_view, N>& names, std::string_view text) {
  for (size_t i = 0; i < N; ++i)
    if (names[i] == text) return static_cast<E>(i);
  return std::nullopt;
}

struct SpellExportRequest {
  std::vector<SpellExportField> fields;  // command-line order; may be empty or repeat
  std::vector<SpellSchool> schools;      // empty: every school
  std::vector<uint32_t> categories;      // empty: every category
  SpellPreset preset = SpellPreset::Base;
};

// The selection from one table; it points into the table, which must outlive it.
struct SpellExportFile {
  struct Entry {
    uint32_t id = 0;
    const SpellBase* spell = nullptr;
  };

  std::vector<SpellExportField> fields;
  std::vector<Entry> spells;  // in id order
  uint32_t file_id = 0;
};

// The explicit fields when there are any, else the preset's; each field kept at its first
// occurrence.
std::vector<SpellExportField> resolved_fields(const SpellExportRequest& request);

SpellExportFile export_spell_table(const SpellTable& table, const SpellExportRequest& request);

// The pretty document (two-blank indentation, no final line break), or the writer's error text.
// Each spell is an object of the selected fields, its members in byte order of their keys. Floats
// are written as the shortest text that reads back to the same 64-bit value.
std::expected<std::string, std::string> serialize_spell_export(const SpellExportFile& file);
// The same document handed to `write` in order, in pieces of some tens of KiB, so that it is never
// held whole. After an error the pieces already handed on stay handed on; the writer fails only on
// text that is not UTF-8, which a decoded table never holds.
std::expected<void, std::string> write_spell_export(
    const SpellExportFile& file, const std::function<void(std::string_view)>& write);

}  // namespace tessary
