#include "cli.hpp"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <iostream>

#include "tessary/common/number_text.hpp"
#include "tessary/tools/spell_export.hpp"

namespace tessary::app {

namespace {

template <size_t N>
std::vector<std::string> names(const std::array<std::string_view, N>& list) {
  return {list.begin(), list.end()};
}

const std::vector<std::string> kSchools = names(kSpellSchoolNames);
const std::vector<std::string> kFields = names(kSpellExportFieldNames);
const std::vector<std::string> kPresets = names(kSpellPresetNames);

constexpr const char* kPathHelp = "Path to the DAT or TSY file";
constexpr const char* kNamespaceHelp = "Namespace label for multi-namespace TSY archives";

// Holds every parsed value; the chosen subcommand's values move into its typed variant.
struct Values {
  std::string path, id, wcid, ns, output, input, preset = "base";
  std::vector<std::string> schools, categories, fields;
  bool compress = false;
};

CLI::Option* add_path(CLI::App* sub, Values& v) {
  return sub->add_option("PATH", v.path, kPathHelp)->required();
}
void add_id(CLI::App* sub, Values& v) {
  sub->add_option("ID", v.id)->required();
}
void add_namespace(CLI::App* sub, Values& v) {
  sub->add_option("--namespace", v.ns, kNamespaceHelp)->type_name("NAMESPACE");
}
void add_output(CLI::App* sub, Values& v, const std::string& help = "") {
  sub->add_option("-o,--output", v.output, help)->type_name("OUT");
}
// Checks one value of a repeatable option; returns the usage error, or nothing when it is fine.
using PieceCheck = std::string (*)(const std::string& piece);

std::vector<std::string> split_at_commas(const std::vector<std::string>& occurrences) {
  std::vector<std::string> pieces;
  for (const std::string& o : occurrences)
    for (size_t start = 0;;) {
      const size_t comma = o.find(',', start);
      pieces.push_back(o.substr(start, comma - start));
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
  return pieces;
}

// A repeatable option: each occurrence takes one value, which may list several split at commas.
// The parser's own splitting would drop empty pieces ("war,,life"), so occurrences are kept whole
// and every piece, empty ones too, goes through `check`.
CLI::Option* add_list(CLI::App* sub, const std::string& name, std::vector<std::string>& into,
                      const std::string& help, const std::string& value_name, PieceCheck check,
                      const std::string& accepted) {
  return sub->add_option(name, into, help)
      ->type_name(value_name)
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
      ->check(CLI::Validator(
          [check](std::string& value) -> std::string {
            for (const std::string& piece : split_at_commas({value}))
              if (std::string error = check(piece); !error.empty()) return error;
            return {};
          },
          accepted));
}

// "{a,b,c}", as help and usage errors show a fixed set.
std::string set_text(const std::vector<std::string>& set) {
  std::string text = "{";
  for (const std::string& value : set)
    text += (text.size() > 1 ? "," : "") + value;
  return text + "}";
}

template <const std::vector<std::string>& Set>
std::string check_member(const std::string& piece) {
  if (std::find(Set.begin(), Set.end(), piece) != Set.end()) return {};
  return piece + " not in " + set_text(Set);
}

std::string check_category(const std::string& piece) {
  if (parse_u32(piece, 10)) return {};
  return "invalid value '" + piece + "': expected an integer from 0 to 4294967295";
}

std::optional<std::string> opt(const CLI::App* sub, const char* name, const std::string& value) {
  if (sub->get_option(name)->count() == 0) return std::nullopt;
  return value;
}

Commands extract(const CLI::App& app, Values& v) {
  const CLI::App* sub = app.get_subcommands().front();
  const std::string& name = sub->get_name();
  auto ns = [&] { return opt(sub, "--namespace", v.ns); };
  auto out = [&]() -> std::optional<Path> {
    if (auto o = opt(sub, "--output", v.output)) return Path(*o);
    return std::nullopt;
  };
  if (name == "meta") return Meta{v.path};
  if (name == "list") return List{v.path};
  if (name == "info") return Info{v.path, v.id, ns()};
  if (name == "export") return Export{v.path, v.id, ns(), out()};
  if (name == "extract") return Extract{v.path, v.id, ns(), out()};
  if (name == "weenie") return Weenie{v.path, v.id, ns()};
  if (name == "weenie-find") return WeenieFind{v.path, v.wcid};
  if (name == "landblock") return Landblock{v.path, v.id, ns()};
  if (name == "tsy-pack") return TsyPack{v.input, v.output, v.compress};
  std::vector<uint32_t> categories;
  for (const std::string& c : split_at_commas(v.categories))
    categories.push_back(*parse_u32(c, 10));
  return SpellExport{
      v.path,   ns(), split_at_commas(v.schools), std::move(categories), split_at_commas(v.fields),
      v.preset, out()};
}

// The parser's message, then the usage line of the subcommand being parsed.
// The help of `app` or of one of its subcommands, its usage line naming the whole command.
std::string help_text(const CLI::App& app, const CLI::App& target) {
  const std::string name =
      &target == &app ? app.get_name() : app.get_name() + " " + target.get_name();
  return target.get_formatter()->make_help(&target, name, CLI::AppFormatMode::Normal);
}

std::string usage_error(const CLI::App* app, const CLI::Error& e) {
  const CLI::App* target = app;
  if (auto subs = app->get_subcommands(); !subs.empty()) target = subs.front();
  const std::string help = help_text(*app, *target);
  std::string usage;
  if (size_t at = help.find("Usage:"); at != std::string::npos)
    usage = help.substr(at, help.find('\n', at) - at);
  return "error: " + std::string(e.what()) + "\n\n" + usage +
         "\n\nFor more information, try '--help'.\n";
}

// Reports a name that is no subcommand of `app`; returns the usage-error status.
int unrecognized_subcommand(const CLI::App& app, const std::string& name) {
  std::cerr << usage_error(&app, CLI::ParseError("unrecognized subcommand '" + name + "'", 2));
  return 2;
}

// The `help` subcommand: the top-level help, or the help of the subcommand it names.
int print_help(const CLI::App& app, const std::string& name) {
  const CLI::App* target = &app;
  if (!name.empty()) {
    try {
      target = app.get_subcommand(name);
    } catch (const CLI::OptionNotFound&) {
      return unrecognized_subcommand(app, name);
    }
  }
  std::cout << help_text(app, *target);
  return 0;
}

void declare(CLI::App& app, Values& v) {
  app.failure_message(usage_error);
  app.set_version_flag("-V,--version", "tessary-tools 0.1.0");
  app.require_subcommand(1);

  add_path(app.add_subcommand("meta", "List meta info about the TSY/DAT file itself"), v);
  add_path(app.add_subcommand("list", "List all files in the DAT"), v);
  for (auto [name, help] : {std::pair{"info", "Get info about a specific file ID"},
                            std::pair{"export", "Export a file to disk"}}) {
    CLI::App* sub = app.add_subcommand(name, help);
    add_path(sub, v);
    add_id(sub, v);
    add_namespace(sub, v);
    if (std::string_view(name) == "export") add_output(sub, v);
  }

  CLI::App* spell = app.add_subcommand("spell-export", "Export the spell table to JSON");
  add_path(spell, v);
  add_namespace(spell, v);
  add_list(spell, "--schools", v.schools, "Spell schools to include in the export", "SCHOOLS",
           check_member<kSchools>, set_text(kSchools));
  add_list(spell, "--categories", v.categories, "Spell category IDs to include in the export",
           "CATEGORIES", check_category, "UINT32");
  add_list(spell, "--fields", v.fields, "Spell fields to include in the export", "FIELDS",
           check_member<kFields>, set_text(kFields));
  spell
      ->add_option("--preset", v.preset, "Field preset to use when no explicit fields are provided")
      ->type_name("PRESET")
      ->default_str("base")
      ->check(CLI::IsMember(kPresets));
  add_output(spell, v, "Output JSON file; prints to stdout when omitted");

  CLI::App* extract_cmd =
      app.add_subcommand("extract", "Extract a file to its native format if possible");
  add_path(extract_cmd, v);
  add_id(extract_cmd, v);
  add_namespace(extract_cmd, v);
  add_output(extract_cmd, v);

  CLI::App* weenie = app.add_subcommand("weenie", "Inspect a Weenie template");
  add_path(weenie, v);
  add_id(weenie, v);
  add_namespace(weenie, v);

  CLI::App* find =
      app.add_subcommand("weenie-find", "Scan table records for a WCID-based Weenie entry");
  add_path(find, v);
  find->add_option("WCID", v.wcid)->required();

  CLI::App* landblock = app.add_subcommand("landblock", "Inspect a Landblock");
  add_path(landblock, v);
  add_id(landblock, v);
  add_namespace(landblock, v);

  CLI::App* pack = app.add_subcommand("tsy-pack", "Pack a directory into an TSY archive");
  pack->add_option("INPUT", v.input, "Input directory containing files named [ID].[TYPE] (hex)")
      ->required();
  pack->add_option("OUTPUT", v.output, "Output TSY file")->required();
  pack->add_flag("-c,--compress", v.compress, "Enable compression");

  CLI::App* help =
      app.add_subcommand("help", "Print this message or the help of the given subcommand(s)");
  help->add_option("COMMAND", v.input, "The subcommand whose help to print");
}

}  // namespace

std::variant<Commands, int> parse_command_line(int argc, const char* const* argv) {
  CLI::App app{"", "tessary-tools"};
  Values v;
  declare(app, v);
  if (argc <= 1) {
    std::cerr << app.help();
    return 2;
  }
  if (const std::string first = argv[1]; !first.starts_with('-')) {
    try {
      app.get_subcommand(first);
    } catch (const CLI::OptionNotFound&) {
      return unrecognized_subcommand(app, first);
    }
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e, std::cout, std::cerr);
    return code == 0 ? 0 : 2;
  }
  if (app.get_subcommands().front()->get_name() == "help") return print_help(app, v.input);
  return extract(app, v);
}

}  // namespace tessary::app
