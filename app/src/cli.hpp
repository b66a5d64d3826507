#pragma once
// The command line: one typed value per subcommand, the parser declaration, and the id syntax.

#include <cstdint>
#include <expected>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tessary::app {

using Path = std::filesystem::path;

struct Meta {
  Path path;
};
struct List {
  Path path;
};
struct Info {
  Path path;
  std::string id;
  std::optional<std::string> ns;
};
struct Export {
  Path path;
  std::string id;
  std::optional<std::string> ns;
  std::optional<Path> output;
};
struct SpellExport {
  Path path;
  std::optional<std::string> ns;
  std::vector<std::string> schools;  // values of the fixed set, in command-line order
  std::vector<uint32_t> categories;
  std::vector<std::string> fields;
  std::string preset;
  std::optional<Path> output;
};
struct Extract {
  Path path;
  std::string id;
  std::optional<std::string> ns;
  std::optional<Path> output;
};
struct Weenie {
  Path path;
  std::string id;
  std::optional<std::string> ns;
};
struct WeenieFind {
  Path path;
  std::string wcid;
};
struct Landblock {
  Path path;
  std::string id;
  std::optional<std::string> ns;
};
struct TsyPack {
  Path input;
  Path output;
  bool compress = false;
};

using Commands = std::variant<Meta, List, Info, Export, SpellExport, Extract, Weenie, WeenieFind,
                              Landblock, TsyPack>;

// Either the parsed subcommand, or the exit status of a run the parser already ended (help,
// version, usage error) after printing its text.
std::variant<Commands, int> parse_command_line(int argc, const char* const* argv);

// Decimal unless prefixed 0x/0X; text that is not decimal (or too large for it) is read as hex.
std::expected<uint32_t, std::string> parse_id_auto(std::string_view text);

}  // namespace tessary::app
