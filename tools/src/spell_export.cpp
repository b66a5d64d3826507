#include "tessary/tools/spell_export.hpp"

#include <fmt/compile.h>
#include <fmt/format.h>

#include <algorithm>
#include <bitset>
#include <cmath>
#include <iterator>
#include <utility>

#include "tessary/common/text.hpp"

namespace tessary {

namespace {

constexpr std::array<std::string_view, 12> kDocumentKeys = {
    "name",      "description",         "school",         "category", "bitfield",
    "base_mana", "base_range_constant", "base_range_mod", "power",    "raw_components",
    "mana_mod",  "formula_version"};

using F = SpellExportField;
constexpr std::array<F, 12> kBasePreset = {
    F::Name,     F::Description,       F::School,       F::Category, F::Bitfield,
    F::BaseMana, F::BaseRangeConstant, F::BaseRangeMod, F::Power,    F::RawComponents,
    F::ManaMod,  F::FormulaVersion};
constexpr std::array<F, 8> kMinimalPreset = {F::Name,         F::Description, F::School,
                                             F::Category,     F::Bitfield,    F::BaseRangeConstant,
                                             F::BaseRangeMod, F::Power};

size_t code(F field) {
  return static_cast<size_t>(field);
}

// Whether a spell passes the school and category filters; an empty filter passes everything.
class SpellFilter {
 public:
  explicit SpellFilter(const SpellExportRequest& request)
      : any_school_(request.schools.empty()), categories_(request.categories) {
    for (SpellSchool school : request.schools)
      schools_.set(school_value(school));
    std::ranges::sort(categories_);
  }

  bool passes(const SpellBase& s) const {
    if (!any_school_ && (s.school >= schools_.size() || !schools_.test(s.school))) return false;
    return categories_.empty() || std::ranges::binary_search(categories_, s.category);
  }

 private:
  bool any_school_;
  std::bitset<8> schools_;  // indexed by `school` value
  std::vector<uint32_t> categories_;
};

// --- The document writer ---------------------------------------------------------------------
// The layout is the usual pretty form, but floats must be the shortest text that reads back to
// the same double, which the JSON library's own float output does not always give; so the
// document is written here, straight from the spells into one buffer, with fmt's shortest
// round-trip formatting for floats.

class DocumentWriter {
 public:
  explicit DocumentWriter(std::string& out) : out_(out) {}

  // Shortest round-trip text, with ".0" on whole numbers; exponent form beyond fmt's limits
  // (below 1e-4, from 1e16). NaN and infinities have no JSON number.
  void number(double d) {
    if (!std::isfinite(d)) {
      out_ += "null";
      return;
    }
    char text[32];  // the longest shortest-form double is 24 characters
    const char* end = fmt::format_to(text, FMT_COMPILE("{}"), d);
    const std::string_view written(text, static_cast<size_t>(end - text));
    out_ += written;
    if (written.find_first_of(".e") == std::string_view::npos) out_ += ".0";
  }

  // Quotation mark, backslash and control characters escaped; everything else as UTF-8, copied in
  // runs.
  std::expected<void, std::string> string(std::string_view s) {
    if (auto bad = validate_utf8(s))
      return std::unexpected("string is not UTF-8: " + bad->to_string());
    out_ += '"';
    size_t run = 0;
    for (size_t i = 0; i < s.size(); ++i) {
      const auto c = static_cast<unsigned char>(s[i]);
      if (c >= 0x20 && c != '"' && c != '\\') continue;
      out_.append(s.substr(run, i - run));
      run = i + 1;
      escape(c);
    }
    out_.append(s.substr(run));
    out_ += '"';
    return {};
  }

  template <typename Int>
  void integer(Int v) {
    const fmt::format_int text(v);
    out_.append(text.data(), text.size());
  }

  // The document's own keys (spell ids and field keys) need no escaping.
  void key(std::string_view k, int depth) {
    newline(depth);
    out_ += '"';
    out_ += k;
    out_ += "\": ";
  }

  void newline(int depth) {
    // Room for five levels; components, the deepest lines, are four in.
    static constexpr std::string_view kIndents = "\n          ";
    out_ += kIndents.substr(0, 1 + static_cast<size_t>(depth) * 2);
  }

  // Brackets around the items `item(i, depth + 1)` writes, one per line; "[]" or "{}" when there
  // are none.
  template <typename WriteItem>
  std::expected<void, std::string> list(char open, char close, size_t count, int depth,
                                        WriteItem&& item) {
    out_ += open;
    for (size_t i = 0; i < count; ++i) {
      if (i > 0) out_ += ',';
      if (auto r = item(i, depth + 1); !r) return r;
    }
    if (count > 0) newline(depth);
    out_ += close;
    return {};
  }

  std::expected<void, std::string> field_value(const SpellBase& s, F field, int depth) {
    switch (field) {
      case F::Name:
        return string(s.name);
      case F::Description:
        return string(s.description);
      case F::School:
        integer(s.school);
        break;
      case F::Category:
        integer(s.category);
        break;
      case F::Bitfield:
        integer(s.bitfield);
        break;
      case F::BaseMana:
        integer(s.base_mana);
        break;
      case F::BaseRangeConstant:
        number(s.base_range_constant);  // widened exactly
        break;
      case F::BaseRangeMod:
        number(s.base_range_mod);
        break;
      case F::Power:
        integer(s.power);
        break;
      case F::RawComponents:
        return list('[', ']', s.raw_components.size(), depth, [&](size_t i, int d) {
          newline(d);
          integer(s.raw_components[i]);
          return std::expected<void, std::string>{};
        });
      case F::ManaMod:
        integer(s.mana_mod);
        break;
      case F::FormulaVersion:
        integer(s.formula_version);
        break;
    }
    return {};
  }

 private:
  void escape(unsigned char c) {
    switch (c) {
      case '"':
        out_ += "\\\"";
        break;
      case '\\':
        out_ += "\\\\";
        break;
      case '\b':
        out_ += "\\b";
        break;
      case '\f':
        out_ += "\\f";
        break;
      case '\n':
        out_ += "\\n";
        break;
      case '\r':
        out_ += "\\r";
        break;
      case '\t':
        out_ += "\\t";
        break;
      default:
        fmt::format_to(std::back_inserter(out_), "\\u{:04x}", c);
    }
  }

  std::string& out_;
};

}  // namespace

std::string_view document_key(SpellExportField field) {
  return kDocumentKeys[code(field)];
}

uint32_t school_value(SpellSchool school) {
  return static_cast<uint32_t>(school) + 1;
}

std::vector<SpellExportField> resolved_fields(const SpellExportRequest& request) {
  std::span<const F> source = request.fields;
  if (source.empty()) {
    if (request.preset == SpellPreset::Minimal)
      source = kMinimalPreset;
    else
      source = kBasePreset;
  }
  std::vector<F> out;
  std::bitset<kDocumentKeys.size()> seen;
  for (F field : source) {
    if (seen.test(code(field))) continue;
    seen.set(code(field));
    out.push_back(field);
  }
  return out;
}

SpellExportFile export_spell_table(const SpellTable& table, const SpellExportRequest& request) {
  SpellExportFile file;
  file.fields = resolved_fields(request);
  file.file_id = table.id;
  const SpellFilter filter(request);
  file.spells.reserve(table.spells.size());
  for (const auto& [id, spell] : table.spells)
    if (filter.passes(spell)) file.spells.push_back({id, &spell});
  std::ranges::sort(file.spells, {}, &SpellExportFile::Entry::id);
  return file;
}

std::expected<std::string, std::string> serialize_spell_export(const SpellExportFile& file) {
  std::vector<F> by_key = file.fields;
  std::ranges::sort(by_key, {}, document_key);

  std::string out;
  out.reserve(128 + file.spells.size() * (32 + file.fields.size() * 40));
  DocumentWriter w(out);
  out += '{';
  w.key("fileId", 1);
  w.integer(file.file_id);
  out += ',';
  w.key("fields", 1);
  auto r = w.list('[', ']', file.fields.size(), 1, [&](size_t i, int depth) {
    w.newline(depth);
    return w.string(document_key(file.fields[i]));
  });
  if (!r) return std::unexpected(r.error());
  out += ',';
  w.key("spells", 1);
  r = w.list('{', '}', file.spells.size(), 1, [&](size_t i, int depth) {
    const fmt::format_int id(file.spells[i].id);
    w.key(std::string_view(id.data(), id.size()), depth);
    return w.list('{', '}', by_key.size(), depth, [&](size_t k, int member_depth) {
      w.key(document_key(by_key[k]), member_depth);
      return w.field_value(*file.spells[i].spell, by_key[k], member_depth);
    });
  });
  if (!r) return std::unexpected(r.error());
  w.newline(0);
  out += '}';
  return out;
}

}  // namespace tessary
