// The time from process start to the painted main window, and until the
// window is complete (painted, and the database opened after the first
// paint), each against the baseline: a main window showing one line of text,
// started the same way and ended the same way. The two run in turn. Both are
// measured without a display (Qt's offscreen platform) and, where an X
// display is given in DISPLAY (a desktop, or Xvfb), on it, as a user starts them.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

// Wall time of one run of a program on a platform, with one more variable set.
double secondsWith(const char* program, const char* platform, const char* variable) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::string_view(*e).substr(0, 16) != "QT_QPA_PLATFORM=")
            env.emplace_back(*e);
    env.emplace_back(std::string("QT_QPA_PLATFORM=") + platform);
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

// Runs the program and the baseline in turn, each ended by `variable`.
void startUp(benchmark::State& state, const char* platform, const char* variable) {
    double program = 0, empty = 0;
    for (auto _ : state) {
        const double p = secondsWith(TALLOMIR_APP, platform, variable);
        const double e = secondsWith(TALLOMIR_EMPTY_WINDOW, platform, variable);
        program += p;
        empty += e;
        state.SetIterationTime(p);
    }
    state.counters["program_ms"] = 1000 * program / static_cast<double>(state.iterations());
    state.counters["empty_window_ms"] = 1000 * empty / static_cast<double>(state.iterations());
    state.counters["ratio_to_empty_window"] = program / empty;
}

void BM_StartUp(benchmark::State& state) {
    startUp(state, "offscreen", "TALLOMIR_EXIT_WHEN_SHOWN=1");
}
BENCHMARK(BM_StartUp)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_StartUpUntilReady(benchmark::State& state) {
    startUp(state, "offscreen", "TALLOMIR_EXIT_WHEN_READY=1");
}
BENCHMARK(BM_StartUpUntilReady)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_StartUpOnDisplay(benchmark::State& state) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        state.SkipWithError("no X display: set DISPLAY, e.g. run under xvfb-run");
        return;
    }
    startUp(state, "xcb", "TALLOMIR_EXIT_WHEN_SHOWN=1");
}
BENCHMARK(BM_StartUpOnDisplay)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
