#include "tessary/tools/spell_export.hpp"

#include <fmt/compile.h>
#include <fmt/format.h>

#include <algorithm>
#include <bit>
#include <bitset>
#include <cassert>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
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
// document is written here, straight from the spells into a buffer. Room is made once per spell
// for the most it can take (every string at its longest escaped form), so the pieces of the spell
// go in with plain stores and no size check of their own.

// The size of the blocks constant pieces are copied in, and the room counted for each piece.
// Block copies (and strings copied in 8-byte words) store more than they keep; the room counted
// for the pieces and values is more than they take, which leaves such stores inside the buffer.
constexpr size_t kSlack = 32;

// A constant run of the document (punctuation, indentation and a key), copied as one block.
class Piece {
 public:
  explicit Piece(std::string_view text) : size_(text.size()) {
    assert(text.size() <= kSlack);
    std::ranges::copy(text, text_.begin());
  }
  const char* data() const { return text_.data(); }
  size_t size() const { return size_; }

 private:
  std::array<char, kSlack> text_{};
  size_t size_;
};

// Bytes a string cannot copy as they are: control characters, quotation mark and backslash,
// which need escaping, and bytes from 0x80, which start or continue a sequence that must be
// checked as UTF-8. The result has the high bit of each such byte set; bytes above the lowest
// flagged one may be flagged wrongly (a borrow of the subtraction), so only the lowest flag may be
// relied upon.
uint64_t needs_care(uint64_t word) {
  constexpr uint64_t kOnes = 0x0101010101010101;
  constexpr uint64_t kHigh = 0x8080808080808080;
  const auto below = [](uint64_t w, uint8_t limit) { return (w - kOnes * limit) & ~w & kHigh; };
  return below(word, 0x20) | below(word ^ (kOnes * '"'), 1) | below(word ^ (kOnes * '\\'), 1) |
         (word & kHigh);
}

bool needs_care(uint8_t c) {
  return c < 0x20 || c == '"' || c == '\\' || c >= 0x80;
}

class DocumentWriter {
 public:
  // The most a value other than a string or a component list may take: a float's shortest
  // form is at most 24 characters, plus ".0".
  static constexpr size_t kScalarRoom = 32;
  // A string at its longest: every byte a six-character escape, and the quotation marks.
  static constexpr size_t string_room(size_t size) { return 6 * size + 2; }

  explicit DocumentWriter(char* out) : p_(out) {}
  char* end() const { return p_; }

  void piece(const Piece& piece) {
    std::memcpy(p_, piece.data(), kSlack);
    p_ += piece.size();
  }
  void put(char c) { *p_++ = c; }
  template <size_t N>
  void put(const char (&text)[N]) {
    std::memcpy(p_, text, N - 1);
    p_ += N - 1;
  }

  void integer(uint32_t v) { p_ = fmt::format_to(p_, FMT_COMPILE("{}"), v); }

  // Shortest round-trip text, with ".0" on whole numbers; exponent form beyond fmt's limits
  // (below 1e-4, from 1e16). NaN and infinities have no JSON number.
  void number(double d) {
    if (!std::isfinite(d)) {
      put("null");
      return;
    }
    char* const start = p_;
    p_ = fmt::format_to(p_, FMT_COMPILE("{}"), d);
    if (std::none_of(start, p_, [](char c) { return c == '.' || c == 'e'; })) put(".0");
  }

  // Quotation mark, backslash and control characters escaped; everything else as UTF-8, which is
  // checked on the way.
  std::expected<void, std::string> string(std::string_view s) {
    const auto* in = reinterpret_cast<const uint8_t*>(s.data());
    const auto* const end = in + s.size();
    put('"');
    while (true) {
      in = copy_clean_run(in, end);
      if (in == end) break;
      if (*in < 0x80) {
        escape(*in++);
        continue;
      }
      const size_t sequence = utf8_sequence_length(std::span(in, end));
      if (sequence == 0)
        return std::unexpected("string is not UTF-8: " + validate_utf8(s)->to_string());
      p_ = std::copy_n(in, sequence, p_);
      in += sequence;
    }
    put('"');
    return {};
  }

 private:
  // Copies the bytes up to the next one that needs care, eight at a time while there are eight,
  // and returns where that byte is (or `end`).
  const uint8_t* copy_clean_run(const uint8_t* in, const uint8_t* end) {
    while (end - in >= 8) {
      uint64_t word;
      std::memcpy(&word, in, 8);
      std::memcpy(p_, &word, 8);
      if (const uint64_t flagged = needs_care(word); flagged != 0) {
        const size_t clean = static_cast<size_t>(std::countr_zero(flagged)) / 8;
        p_ += clean;
        return in + clean;
      }
      in += 8;
      p_ += 8;
    }
    for (; in < end && !needs_care(*in); ++in)
      put(static_cast<char>(*in));
    return in;
  }

  void escape(uint8_t c) {
    switch (c) {
      case '"':
        put("\\\"");
        break;
      case '\\':
        put("\\\\");
        break;
      case '\b':
        put("\\b");
        break;
      case '\f':
        put("\\f");
        break;
      case '\n':
        put("\\n");
        break;
      case '\r':
        put("\\r");
        break;
      case '\t':
        put("\\t");
        break;
      default:
        p_ = fmt::format_to(p_, "\\u{:04x}", c);
    }
  }

  char* p_;
};

// The spell members of the document: each spell is an object of the selected fields in byte order
// of their keys, two levels in; its members three levels in, component list elements four.
class SpellWriter {
 public:
  explicit SpellWriter(std::vector<F> by_key) : fields_(std::move(by_key)) {
    for (size_t k = 0; k < fields_.size(); ++k) {
      members_.emplace_back(
          fmt::format("{}\n      \"{}\": ", k == 0 ? "" : ",", document_key(fields_[k])));
      switch (fields_[k]) {
        case F::Name:
          name_ = true;
          break;
        case F::Description:
          description_ = true;
          break;
        case F::RawComponents:
          fixed_room_ += kSlack + kSpellComponents * DocumentWriter::kScalarRoom;
          break;
        default:
          fixed_room_ += DocumentWriter::kScalarRoom;
      }
    }
  }

  // The most one spell's member may take.
  size_t room(const SpellBase& s) const {
    return fixed_room_ + (name_ ? DocumentWriter::string_room(s.name.size()) : 0) +
           (description_ ? DocumentWriter::string_room(s.description.size()) : 0);
  }

  std::expected<void, std::string> write(DocumentWriter& w, const SpellExportFile::Entry& entry,
                                         bool first) const {
    w.piece(first ? kFirstSpell : kNextSpell);
    w.integer(entry.id);
    if (fields_.empty()) {
      w.put("\": {}");
      return {};
    }
    w.put("\": {");
    for (size_t k = 0; k < fields_.size(); ++k) {
      w.piece(members_[k]);
      if (auto r = value(w, *entry.spell, fields_[k]); !r) return r;
    }
    w.piece(kSpellEnd);
    return {};
  }

 private:
  static std::expected<void, std::string> value(DocumentWriter& w, const SpellBase& s, F field) {
    switch (field) {
      case F::Name:
        return w.string(s.name);
      case F::Description:
        return w.string(s.description);
      case F::School:
        w.integer(s.school);
        break;
      case F::Category:
        w.integer(s.category);
        break;
      case F::Bitfield:
        w.integer(s.bitfield);
        break;
      case F::BaseMana:
        w.integer(s.base_mana);
        break;
      case F::BaseRangeConstant:
        w.number(s.base_range_constant);  // widened exactly
        break;
      case F::BaseRangeMod:
        w.number(s.base_range_mod);
        break;
      case F::Power:
        w.integer(s.power);
        break;
      case F::RawComponents:
        w.put('[');
        for (size_t i = 0; i < s.raw_components.size(); ++i) {
          w.piece(i == 0 ? kFirstComponent : kNextComponent);
          w.integer(s.raw_components[i]);
        }
        w.piece(kComponentsEnd);
        break;
      case F::ManaMod:
        w.integer(s.mana_mod);
        break;
      case F::FormulaVersion:
        w.integer(s.formula_version);
        break;
    }
    return {};
  }

  inline static const Piece kFirstSpell{"\n    \""};
  inline static const Piece kNextSpell{",\n    \""};
  inline static const Piece kSpellEnd{"\n    }"};
  inline static const Piece kFirstComponent{"\n        "};
  inline static const Piece kNextComponent{",\n        "};
  inline static const Piece kComponentsEnd{"\n      ]"};

  static constexpr size_t kSpellComponents = std::tuple_size_v<decltype(SpellBase::raw_components)>;

  std::vector<F> fields_;
  std::vector<Piece> members_;
  // Room for the spell's key and brackets, its closing piece, each member's key and each value
  // but the strings.
  size_t fixed_room_ = 2 * kSlack + fields_.size() * kSlack;
  bool name_ = false;
  bool description_ = false;
};

// The buffer the document is written into, handed on in pieces: before each part of the document
// the writer makes room for the most that part can take, and when the buffer is short of it, what
// is written so far goes on to `write` and the writer starts again at the front.
class PieceBuffer {
 public:
  explicit PieceBuffer(const std::function<void(std::string_view)>& write)
      : write_(write),
        data_(std::make_unique_for_overwrite<char[]>(capacity_)),
        writer_(data_.get()) {}

  DocumentWriter& writer() { return writer_; }

  void make_room(size_t room) {
    if (used() + room <= capacity_) return;
    hand_on();
    if (room > capacity_) {
      capacity_ = room;
      data_ = std::make_unique_for_overwrite<char[]>(capacity_);
    }
    writer_ = DocumentWriter(data_.get());
  }

  void hand_on() {
    if (used() > 0) write_(std::string_view(data_.get(), used()));
  }

 private:
  size_t used() const { return static_cast<size_t>(writer_.end() - data_.get()); }

  const std::function<void(std::string_view)>& write_;
  size_t capacity_ = 64 << 10;
  std::unique_ptr<char[]> data_;
  DocumentWriter writer_;
};

// Everything but the spells' own members.
std::expected<void, std::string> write_document(PieceBuffer& out, const SpellExportFile& file,
                                                const SpellWriter& spells) {
  size_t head_room = 4 * kSlack;  // the three members' keys and the brackets
  for (F field : file.fields)
    head_room += kSlack + DocumentWriter::string_room(document_key(field).size());
  out.make_room(head_room);
  DocumentWriter& w = out.writer();
  w.put("{\n  \"fileId\": ");
  w.integer(file.file_id);
  w.put(",\n  \"fields\": [");
  for (size_t i = 0; i < file.fields.size(); ++i) {
    if (i > 0) w.put(',');
    w.put("\n    ");
    if (auto r = w.string(document_key(file.fields[i])); !r) return r;
  }
  if (!file.fields.empty()) w.put("\n  ");
  w.put("],\n  \"spells\": {");
  for (size_t i = 0; i < file.spells.size(); ++i) {
    out.make_room(spells.room(*file.spells[i].spell));
    if (auto r = spells.write(w, file.spells[i], i == 0); !r) return r;
  }
  out.make_room(kSlack);
  if (!file.spells.empty()) w.put("\n  ");
  w.put("}\n}");
  out.hand_on();
  return {};
}

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

std::expected<void, std::string> write_spell_export(
    const SpellExportFile& file, const std::function<void(std::string_view)>& write) {
  std::vector<F> by_key = file.fields;
  std::ranges::sort(by_key, {}, document_key);
  const SpellWriter spells(std::move(by_key));
  PieceBuffer out(write);
  return write_document(out, file, spells);
}

std::expected<std::string, std::string> serialize_spell_export(const SpellExportFile& file) {
  std::string document;
  auto written =
      write_spell_export(file, [&document](std::string_view piece) { document += piece; });
  if (!written) return std::unexpected(written.error());
  return document;
}

}  // namespace tessary
