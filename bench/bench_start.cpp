// The start-up until the window is complete: painted, and the database opened
// after the first paint, against the baseline window (one line of text, ended
// once painted), the two run in turn.

#include <benchmark/benchmark.h>

#include <chrono>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

// Wall time of one run of a program with one more variable set.
double secondsWith(const char* program, const char* variable) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    env.emplace_back("QT_QPA_PLATFORM=offscreen");
    env.emplace_back(variable);
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(program), nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, program, nullptr, nullptr, argv, envp.data()) != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_StartUpUntilReady(benchmark::State& state) {
    double program = 0, empty = 0;
    for (auto _ : state) {
        const double p = secondsWith(TALLOMIR_APP, "TALLOMIR_EXIT_WHEN_READY=1");
        const double e = secondsWith(TALLOMIR_EMPTY_WINDOW, "TALLOMIR_EXIT_WHEN_READY=1");
        program += p;
        empty += e;
        state.SetIterationTime(p);
    }
    state.counters["program_ms"] = 1000 * program / static_cast<double>(state.iterations());
    state.counters["empty_window_ms"] = 1000 * empty / static_cast<double>(state.iterations());
    state.counters["ratio_to_empty_window"] = program / empty;
}
BENCHMARK(BM_StartUpUntilReady)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
