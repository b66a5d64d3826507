// spell-export: the spell table as a JSON document, on standard output or in a file.
#include <fmt/format.h>

#include <filesystem>
#include <system_error>

#include "commands.hpp"
#include "provider.hpp"
#include "tessary/common/text.hpp"
#include "tessary/dat/spell_table.hpp"
#include "tessary/tools/spell_export.hpp"

namespace tessary::app {

namespace {

// The parser only lets the fixed spellings through; a mismatch here is a declaration fault.
template <typename E, size_t N>
AppResult<std::vector<E>> from_names(const std::array<std::string_view, N>& names,
                                     const std::vector<std::string>& values) {
  std::vector<E> out;
  out.reserve(values.size());
  for (const std::string& v : values) {
    auto e = from_name<E>(names, v);
    if (!e) return std::unexpected(AppError(fmt::format("unknown value '{}'", v)));
    out.push_back(*e);
  }
  return out;
}

AppResult<SpellExportRequest> make_request(const SpellExport& cmd) {
  SpellExportRequest r;
  r.fields = TRY(from_names<SpellExportField>(kSpellExportFieldNames, cmd.fields));
  r.schools = TRY(from_names<SpellSchool>(kSpellSchoolNames, cmd.schools));
  r.categories = cmd.categories;
  r.preset = TRY(from_names<SpellPreset>(kSpellPresetNames, {cmd.preset})).front();
  return r;
}

// Creates the missing directories above `output`, then creates or truncates it.
Status write_document(const Path& output, std::string_view document) {
  if (const Path parent = output.parent_path(); !parent.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(parent, ec);
    if (ec)
      return std::unexpected(AppError(IoError::from_errno(ec.value()))
                                 .context(fmt::format("could not create {}", display(parent))));
  }
  const auto bytes = std::span(reinterpret_cast<const uint8_t*>(document.data()), document.size());
  if (auto w = write_file(output, bytes); !w)
    return std::unexpected(
        AppError(w.error()).context(fmt::format("could not write {}", display(output))));
  return {};
}

}  // namespace

Status run_spell_export(const SpellExport& cmd, Output& out) {
  const Provider provider = TRY(Provider::open(cmd.path));
  if (cmd.output) TRY(refuse_input_as_output(provider, *cmd.output));
  const std::vector<uint8_t> resource =
      TRY(get_file_in_namespace(provider, cmd.ns, SpellTable::kFileId));
  Cursor cursor(resource);
  const SpellTable table = TRY(SpellTable::read(cursor));
  const SpellExportFile file = export_spell_table(table, TRY(make_request(cmd)));
  if (!cmd.output) {
    // Handed to the output piece by piece as it is written, so the document is never held whole.
    TRY(with_context(write_spell_export(file, [&out](std::string_view piece) { out.write(piece); }),
                     "could not serialize spell export"));
    out.write("\n");
    return {};
  }
  std::string document =
      TRY(with_context(serialize_spell_export(file), "could not serialize spell export"));
  document += '\n';
  TRY(write_document(*cmd.output, document));
  out.line("wrote {} spells with {} fields to {}", file.spells.size(), file.fields.size(),
           display(*cmd.output));
  return {};
}

}  // namespace tessary::app
