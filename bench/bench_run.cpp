// bench-run -n RUNS -o STATS -- COMMAND [ARGS...]: runs COMMAND RUNS times (stdin, stdout and
// stderr inherited) and writes "wall_us cpu_us max_rss_kib" to STATS: the least wall time, the
// least CPU time (user + system of the command and every process it waited for) and the largest
// peak resident set of any of its processes over the runs. Fails when any run does not exit 0.
// Pin it with `taskset -c 0`; the affinity is inherited by every process of the command.
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int64_t now_us() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return int64_t{t.tv_sec} * 1'000'000 + t.tv_nsec / 1000;
}

int64_t us(const timeval& t) {
  return int64_t{t.tv_sec} * 1'000'000 + t.tv_usec;
}

int usage() {
  std::fprintf(stderr, "usage: bench-run -n RUNS -o STATS -- COMMAND [ARGS...]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 0, i = 1;
  const char* stats_path = nullptr;
  for (; i + 1 < argc && std::strcmp(argv[i], "--") != 0; i += 2) {
    if (std::strcmp(argv[i], "-n") == 0)
      runs = std::atoi(argv[i + 1]);
    else if (std::strcmp(argv[i], "-o") == 0)
      stats_path = argv[i + 1];
    else
      return usage();
  }
  if (runs < 1 || !stats_path || i + 1 >= argc || std::strcmp(argv[i], "--") != 0) return usage();
  char** command = argv + i + 1;

  int64_t best_wall = INT64_MAX, best_cpu = INT64_MAX;
  long max_rss = 0;
  for (int run = 0; run < runs; ++run) {
    const int64_t start = now_us();
    const pid_t pid = fork();
    if (pid < 0) return std::perror("bench-run: fork"), 1;
    if (pid == 0) {
      execvp(command[0], command);
      std::perror("bench-run: exec");
      _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return std::perror("bench-run: wait4"), 1;
    const int64_t wall = now_us() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      if (WIFEXITED(status))
        std::fprintf(stderr, "bench-run: %s exited with %d\n", command[0], WEXITSTATUS(status));
      else
        std::fprintf(stderr, "bench-run: %s ended by signal %d\n", command[0], WTERMSIG(status));
      return 1;
    }
    best_wall = std::min(best_wall, wall);
    best_cpu = std::min(best_cpu, us(usage.ru_utime) + us(usage.ru_stime));
    max_rss = std::max(max_rss, usage.ru_maxrss);
  }
  FILE* out = std::fopen(stats_path, "w");
  if (!out) return std::perror("bench-run: STATS"), 1;
  std::fprintf(out, "%lld %lld %ld\n", static_cast<long long>(best_wall),
               static_cast<long long>(best_cpu), max_rss);
  return std::fclose(out) == 0 ? 0 : 1;
}
