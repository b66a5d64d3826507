#include "harness.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

extern char** environ;

namespace tessary::cli_test {

TempDir::TempDir() {
  std::string tmpl = (fs::temp_directory_path() / "dat-tool-test-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

void TempDir::write(std::string_view name, std::span<const uint8_t> bytes) const {
  const fs::path p = path_ / name;
  fs::create_directories(p.parent_path());
  std::ofstream f(p, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void TempDir::write(std::string_view name, std::string_view text) const {
  write(name, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

std::string TempDir::read(std::string_view name) const {
  std::ifstream f(path_ / name, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

void FixtureDir::add(std::string name, std::span<const uint8_t> bytes) {
  dir_.write(name, bytes);
  known(std::move(name));
}

void FixtureDir::add(std::string name, std::string_view text) {
  add(std::move(name), std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

std::string FixtureDir::written() const {
  std::vector<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(dir_.path()))
    if (e.is_regular_file()) {
      std::string name = fs::relative(e.path(), dir_.path()).string();
      if (!known_.count(name)) names.push_back(name);
    }
  std::sort(names.begin(), names.end());
  std::string out;
  for (const std::string& name : names)
    out += "--- file " + name + "\n" + hex_summary(dir_.read(name));
  return out;
}

namespace {

std::string slurp(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

}  // namespace

RunResult run_tool(const std::vector<std::string>& args, const fs::path& cwd,
                   const char* stdout_path) {
  TempDir capture;
  const std::string out_path = stdout_path ? stdout_path : (capture / "stdout").string();
  const std::string err_path = (capture / "stderr").string();
  std::vector<std::string> argv_s{DAT_TOOL_PATH};
  argv_s.insert(argv_s.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argv_s)
    argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  pid_t pid;
  RunResult r;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    int wstatus = 0;
    while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
    }
    r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  }
  posix_spawn_file_actions_destroy(&actions);
  if (!stdout_path) r.out = slurp(out_path);
  r.err = slurp(err_path);
  return r;
}

std::string transcript(const std::vector<std::string>& args, const RunResult& r) {
  std::string s = "$ dat-tool";
  for (const std::string& a : args)
    s += " " + a;
  s += fmt::format("\n--- status {}\n--- stdout\n{}--- stderr\n{}", r.status, r.out, r.err);
  return s;
}

void expect_golden(const std::string& name, const std::string& actual) {
  const fs::path golden = fs::path(GOLDEN_DIR) / (name + ".txt");
  const char* update = std::getenv("TESSARY_UPDATE_GOLDEN");
  if (update && std::string_view(update) == "1") {
    std::ofstream(golden, std::ios::binary) << actual;
    return;
  }
  ASSERT_TRUE(fs::exists(golden)) << "missing golden file " << golden
                                  << " (run with TESSARY_UPDATE_GOLDEN=1 to create it)";
  EXPECT_EQ(slurp(golden), actual) << "golden case " << name;
}

std::string hex_summary(std::string_view bytes, size_t limit) {
  std::string s = fmt::format("{} bytes:", bytes.size());
  for (size_t i = 0; i < bytes.size() && i < limit; ++i)
    s += fmt::format(" {:02x}", static_cast<uint8_t>(bytes[i]));
  if (bytes.size() > limit) s += " …";
  return s + "\n";
}

}  // namespace tessary::cli_test
