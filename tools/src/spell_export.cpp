#include "tessary/tools/spell_export.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <bitset>
#include <cmath>
#include <iterator>
#include <utility>

#include "tessary/common/text.hpp"

namespace tessary {

using nlohmann::ordered_json;

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

// Widened exactly; NaN and infinities have no JSON number.
ordered_json json_float(float value) {
  if (!std::isfinite(value)) return nullptr;
  return static_cast<double>(value);
}

ordered_json field_value(const SpellBase& s, F field) {
  switch (field) {
    case F::Name:
      return s.name;
    case F::Description:
      return s.description;
    case F::School:
      return s.school;
    case F::Category:
      return s.category;
    case F::Bitfield:
      return s.bitfield;
    case F::BaseMana:
      return s.base_mana;
    case F::BaseRangeConstant:
      return json_float(s.base_range_constant);
    case F::BaseRangeMod:
      return json_float(s.base_range_mod);
    case F::Power:
      return s.power;
    case F::RawComponents:
      return s.raw_components;
    case F::ManaMod:
      return s.mana_mod;
    case F::FormulaVersion:
      return s.formula_version;
  }
  return nullptr;
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
// document is written here, with fmt's shortest round-trip formatting for floats.

class DocumentWriter {
 public:
  explicit DocumentWriter(std::string& out) : out_(out) {}

  std::expected<void, std::string> value(const ordered_json& v, int depth) {
    switch (v.type()) {
      case ordered_json::value_t::null:
        out_ += "null";
        return {};
      case ordered_json::value_t::boolean:
        out_ += v.get<bool>() ? "true" : "false";
        return {};
      case ordered_json::value_t::number_unsigned:
        integer(v.get<uint64_t>());
        return {};
      case ordered_json::value_t::number_integer:
        integer(v.get<int64_t>());
        return {};
      case ordered_json::value_t::number_float:
        number(v.get<double>());
        return {};
      case ordered_json::value_t::string:
        return string(v.get_ref<const std::string&>());
      case ordered_json::value_t::array:
        return array(v, depth);
      case ordered_json::value_t::object:
        return object(v, depth);
      default:
        return std::unexpected(fmt::format("a {} value cannot be written", v.type_name()));
    }
  }

  // Shortest round-trip text, with ".0" on whole numbers; exponent form beyond fmt's limits
  // (below 1e-4, from 1e16).
  void number(double d) {
    if (!std::isfinite(d)) {
      out_ += "null";
      return;
    }
    const size_t start = out_.size();
    fmt::format_to(std::back_inserter(out_), "{}", d);
    if (out_.find_first_of(".e", start) == std::string::npos) out_ += ".0";
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

  template <typename Int>
  void integer(Int v) {
    const fmt::format_int text(v);
    out_.append(text.data(), text.size());
  }

  void key(std::string_view k, int depth) {
    newline(depth);
    out_ += '"';
    out_ += k;  // the document's own keys: spell ids and field keys, nothing to escape
    out_ += "\": ";
  }

  void newline(int depth) {
    out_ += '\n';
    out_.append(static_cast<size_t>(depth) * 2, ' ');
  }

  std::expected<void, std::string> array(const ordered_json& v, int depth) {
    if (v.empty()) {
      out_ += "[]";
      return {};
    }
    out_ += '[';
    bool first = true;
    for (const ordered_json& item : v) {
      if (!first) out_ += ',';
      first = false;
      newline(depth + 1);
      if (auto r = value(item, depth + 1); !r) return r;
    }
    newline(depth);
    out_ += ']';
    return {};
  }

  std::expected<void, std::string> object(const ordered_json& v, int depth) {
    if (v.empty()) {
      out_ += "{}";
      return {};
    }
    out_ += '{';
    bool first = true;
    for (auto it = v.begin(); it != v.end(); ++it) {
      if (!first) out_ += ',';
      first = false;
      newline(depth + 1);
      if (auto r = string(it.key()); !r) return r;
      out_ += ": ";
      if (auto r = value(it.value(), depth + 1); !r) return r;
    }
    newline(depth);
    out_ += '}';
    return {};
  }

 private:
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

  std::vector<F> by_key = file.fields;
  std::ranges::sort(by_key, {}, document_key);

  const SpellFilter filter(request);
  std::vector<std::pair<uint32_t, const SpellBase*>> selected;
  selected.reserve(table.spells.size());
  for (const auto& [id, spell] : table.spells)
    if (filter.passes(spell)) selected.emplace_back(id, &spell);
  std::ranges::sort(selected, {}, &std::pair<uint32_t, const SpellBase*>::first);

  for (const auto& [id, spell] : selected) {
    ordered_json fields = ordered_json::object();
    auto& members = fields.get_ref<ordered_json::object_t&>();
    members.reserve(by_key.size());
    for (F field : by_key)
      members.emplace(std::string(document_key(field)), field_value(*spell, field));
    file.spells.emplace_hint(file.spells.end(), id, std::move(fields));
  }
  return file;
}

std::expected<std::string, std::string> serialize_spell_export(const SpellExportFile& file) {
  std::string out;
  out.reserve(128 + file.spells.size() * (32 + file.fields.size() * 40));
  DocumentWriter w(out);
  out += '{';
  w.key("fileId", 1);
  w.integer(file.file_id);
  out += ',';
  w.key("fields", 1);
  ordered_json keys = ordered_json::array();
  for (F field : file.fields)
    keys.push_back(document_key(field));
  if (auto r = w.array(keys, 1); !r) return std::unexpected(r.error());
  out += ',';
  w.key("spells", 1);
  if (file.spells.empty()) {
    out += "{}";
  } else {
    out += '{';
    bool first = true;
    for (const auto& [id, fields] : file.spells) {
      if (!first) out += ',';
      first = false;
      const fmt::format_int name(id);
      w.key(std::string_view(name.data(), name.size()), 2);
      if (auto r = w.object(fields, 2); !r) return std::unexpected(r.error());
    }
    w.newline(1);
    out += '}';
  }
  w.newline(0);
  out += '}';
  return out;
}

}  // namespace tessary
