// The command line itself: help, version, usage errors and the id syntax, before any input is read.
#include <gtest/gtest.h>

#include "harness.hpp"

namespace tessary::cli_test {
namespace {

TEST(CliBasics, StatusesAndStreams) {
  struct Case {
    std::vector<std::string> args;
    int status;
    bool stdout_empty;
    bool stderr_empty;
  };
  const Case cases[] = {
      {{}, 2, true, false},
      {{"--version"}, 0, false, true},
      {{"-V"}, 0, false, true},
      {{"--help"}, 0, false, true},
      {{"help"}, 0, false, true},
      {{"help", "spell-export"}, 0, false, true},
      {{"meta", "--help"}, 0, false, true},
      {{"bogus"}, 2, true, false},
      {{"meta"}, 2, true, false},
      {{"spell-export", "x.dat", "--preset", "Base"}, 2, true, false},
      {{"spell-export", "x.dat", "--schools", "fire"}, 2, true, false},
      {{"spell-export", "x.dat", "--categories", "4294967296"}, 2, true, false},
      {{"spell-export", "x.dat", "--categories", "0x10"}, 2, true, false},
      {{"spell-export", "x.dat", "--categories", "-1"}, 2, true, false},
      {{"spell-export", "x.dat", "--categories", "1,,2"}, 2, true, false},
      {{"spell-export", "x.dat", "--categories", "1,"}, 2, true, false},
      {{"spell-export", "x.dat", "--fields", "name,,power"}, 2, true, false},
      {{"spell-export", "x.dat", "--schools", ",war"}, 2, true, false},
      {{"export", "x.dat", "1", "-o", "a", "-o", "b"}, 2, true, false},
      {{"meta", "x.dat", "--version"}, 2, true, false},
  };
  TempDir dir;
  for (const Case& c : cases) {
    RunResult r = run_tool(c.args, dir.path());
    const std::string shown = transcript(c.args, r);
    EXPECT_EQ(r.status, c.status) << shown;
    EXPECT_EQ(r.out.empty(), c.stdout_empty) << shown;
    EXPECT_EQ(r.err.empty(), c.stderr_empty) << shown;
  }
}

TEST(CliBasics, VersionText) {
  TempDir dir;
  EXPECT_EQ(run_tool({"--version"}, dir.path()).out, "tessary-tools 0.1.0\n");
}

TEST(CliBasics, HelpListsEverySubcommandWithItsDescription) {
  TempDir dir;
  expect_golden("help", transcript({"--help"}, run_tool({"--help"}, dir.path())));
  expect_golden("help_spell_export", transcript({"spell-export", "--help"},
                                                run_tool({"spell-export", "--help"}, dir.path())));
}

TEST(CliBasics, HelpSubcommandShowsWhatTheHelpFlagShows) {
  const std::vector<std::string> pairs[][2] = {
      {{"help"}, {"--help"}},
      {{"help", "spell-export"}, {"spell-export", "--help"}},
      {{"help", "meta"}, {"meta", "-h"}},
  };
  TempDir dir;
  for (const auto& [subcommand, flag] : pairs)
    EXPECT_EQ(run_tool(subcommand, dir.path()).out, run_tool(flag, dir.path()).out)
        << subcommand.back();
}

TEST(CliBasics, UsageLineNamesTheWholeCommand) {
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"meta"},
       "error: PATH is required\n\nUsage: tessary-tools meta [OPTIONS] PATH\n\n"
       "For more information, try '--help'.\n"},
      {{"help", "bogus"},
       "error: unrecognized subcommand 'bogus'\n\nUsage: tessary-tools help [OPTIONS] [COMMAND]\n\n"
       "For more information, try '--help'.\n"},
  };
  TempDir dir;
  for (const auto& [args, err] : cases)
    EXPECT_EQ(run_tool(args, dir.path()).err, err);
}

TEST(CliBasics, ProviderFailureComesBeforeTheIdIsParsed) {
  TempDir dir;
  const std::vector<std::string> args = {"info", "missing.txt", "not-an-id"};
  expect_golden("info_unopenable_path", transcript(args, run_tool(args, dir.path())));
}

TEST(CliBasics, OutputThatCannotBeWrittenFailsTheRun) {
  TempDir dir;
  std::filesystem::create_directory(dir / "loose");
  const RunResult r = run_tool({"tsy-pack", "loose", "out.tsy"}, dir.path(), "/dev/full");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "Error: failed printing to stdout\n\nCaused by:\n"
            "    No space left on device (os error 28)\n");
}

}  // namespace
}  // namespace tessary::cli_test
