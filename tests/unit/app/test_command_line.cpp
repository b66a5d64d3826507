// What the parser hands to the handlers: repeatable options, defaults and absent options.
#include <gtest/gtest.h>

#include "cli.hpp"

namespace tessary::app {
namespace {

Commands parse(std::vector<const char*> args) {
  args.insert(args.begin(), "dat-tool");
  auto parsed = parse_command_line(static_cast<int>(args.size()), args.data());
  EXPECT_TRUE(std::holds_alternative<Commands>(parsed));
  return std::get<Commands>(parsed);
}

TEST(CommandLine, RepeatableOptionsGatherEveryOccurrenceAndSplitAtCommas) {
  const auto cmd = std::get<SpellExport>(
      parse({"spell-export", "x.dat", "--schools", "war,life", "--categories", "7", "--schools",
             "item", "--categories", "1,4294967295", "--fields", "power,name"}));
  EXPECT_EQ(cmd.schools, (std::vector<std::string>{"war", "life", "item"}));
  EXPECT_EQ(cmd.categories, (std::vector<uint32_t>{7, 1, 4294967295u}));
  EXPECT_EQ(cmd.fields, (std::vector<std::string>{"power", "name"}));
  EXPECT_EQ(cmd.preset, "base");
  EXPECT_FALSE(cmd.output);
  EXPECT_FALSE(cmd.ns);
}

TEST(CommandLine, SingleOptionsAndDefaults) {
  const auto cmd = std::get<SpellExport>(parse({"spell-export", "x.dat", "--preset", "minimal"}));
  EXPECT_TRUE(cmd.schools.empty());
  EXPECT_TRUE(cmd.categories.empty());
  EXPECT_TRUE(cmd.fields.empty());
  EXPECT_EQ(cmd.preset, "minimal");

  const auto exp = std::get<Export>(parse({"export", "x.dat", "0x1A", "-o", "out.bin"}));
  EXPECT_EQ(exp.id, "0x1A");
  EXPECT_EQ(exp.output, Path("out.bin"));
  EXPECT_FALSE(exp.ns);

  const auto pack = std::get<TsyPack>(parse({"tsy-pack", "in", "out.tsy"}));
  EXPECT_FALSE(pack.compress);
  EXPECT_TRUE(std::get<TsyPack>(parse({"tsy-pack", "in", "out.tsy", "-c"})).compress);
}

}  // namespace
}  // namespace tessary::app
