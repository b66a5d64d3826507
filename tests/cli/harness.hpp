#pragma once
// Black-box runs of the built dat-tool: each case runs the binary in a fresh temporary directory
// and compares a transcript (command, status, stdout, stderr, written files) with a golden file.
// Set TESSARY_UPDATE_GOLDEN=1 to rewrite the golden files from the current behaviour.

#include <cstdint>
#include <filesystem>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessary::cli_test {

namespace fs = std::filesystem;

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& path() const { return path_; }
  fs::path operator/(std::string_view name) const { return path_ / name; }
  void write(std::string_view name, std::span<const uint8_t> bytes) const;
  void write(std::string_view name, std::string_view text) const;
  std::string read(std::string_view name) const;

 private:
  fs::path path_;
};

// A directory of input files for a run; files it did not place there are what the run wrote.
class FixtureDir {
 public:
  const TempDir& dir() const { return dir_; }
  fs::path operator/(std::string_view name) const { return dir_ / name; }
  void add(std::string name, std::span<const uint8_t> bytes);
  void add(std::string name, std::string_view text);
  // For an input file made by other means (a hard link, an archive writer).
  void known(std::string name) { known_.insert(std::move(name)); }
  // The files the run wrote, each with a hex summary of its bytes, in name order.
  std::string written() const;

 private:
  TempDir dir_;
  std::set<std::string> known_;
};

// Runs dat-tool with `args` in `cwd`. With `stdout_path`, standard output goes to that file
// (such as /dev/full) instead of being captured.
RunResult run_tool(const std::vector<std::string>& args, const fs::path& cwd,
                   const char* stdout_path = nullptr);

// "$ dat-tool args…", then the exit status, stdout and stderr, each under its own heading.
std::string transcript(const std::vector<std::string>& args, const RunResult& r);

// Compares `actual` with tests/cli/golden/<name>.txt, or rewrites it in update mode.
void expect_golden(const std::string& name, const std::string& actual);

struct GoldenCase {
  const char* golden;
  std::vector<std::string> args;
};

// Runs each case in a fresh `Fixture` (a FixtureDir) and compares its transcript, followed by the
// files the run wrote, with the case's golden file.
template <typename Fixture>
void run_golden_cases(std::span<const GoldenCase> cases) {
  for (const GoldenCase& c : cases) {
    Fixture fixture;
    const RunResult r = run_tool(c.args, fixture.dir().path());
    expect_golden(c.golden, transcript(c.args, r) + fixture.written());
  }
}

// A printable view of file bytes for transcripts: size and a hex dump of the first `limit` bytes.
std::string hex_summary(std::string_view bytes, size_t limit = 64);

}  // namespace tessary::cli_test
