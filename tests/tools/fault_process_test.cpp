// Faults of every kind, each in a child process running the probe program:
// the report on stderr, the box through the dialog seam, and the end of the
// process by its signal.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct ProbeRun {
    int status = 0;
    std::string out;
    std::string err;
};

std::string readAndRemove(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    unlink(path.c_str());
    return content.str();
}

std::string temporaryFile() {
    char name[] = "/tmp/tallomir-tools-XXXXXX";
    const int fd = mkstemp(name);
    close(fd);
    return name;
}

ProbeRun runProbe(const std::string& kind, bool stderrOnly) {
    const std::string outPath = temporaryFile();
    const std::string errPath = temporaryFile();
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = open(outPath.c_str(), O_WRONLY | O_TRUNC);
        const int err = open(errPath.c_str(), O_WRONLY | O_TRUNC);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        std::vector<const char*> args = {TOOLS_FAULT_PROBE, kind.c_str()};
        if (stderrOnly)
            args.push_back("--stderr-only");
        args.push_back(nullptr);
        execv(TOOLS_FAULT_PROBE, const_cast<char* const*>(args.data()));
        _exit(127);
    }
    ProbeRun run;
    // A handler that hangs must not hang the tests.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (waitpid(pid, &run.status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &run.status, 0);
            ADD_FAILURE() << "probe " << kind << " did not end";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    run.out = readAndRemove(outPath);
    run.err = readAndRemove(errPath);
    return run;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::stringstream stream(text);
    std::string line;
    while (std::getline(stream, line))
        result.push_back(line);
    return result;
}

// The line of the probe's source that carries the marker "fault:<name>".
int markerLine(const std::string& name) {
    std::ifstream source(TOOLS_FAULT_PROBE_SOURCE);
    std::string line;
    for (int number = 1; std::getline(source, line); ++number) {
        if (line.find("// fault:" + name) != std::string::npos)
            return number;
    }
    return -1;
}

bool haveAddr2line() {
    return std::system("command -v addr2line > /dev/null 2>&1") == 0;
}

struct FaultCase {
    const char* kind;
    int signalNumber;
    const char* message;
    const char* code;
    const char* targetLine; // "" when the report has no "Adresse:" line
    const char* marker;     // "" when the source line is not checked
};

void PrintTo(const FaultCase& fault, std::ostream* os) {
    *os << fault.kind;
}

class FaultKinds : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FaultKinds, ReportOnStderrAndEndBySignal) {
    const FaultCase& fault = GetParam();
    const ProbeRun run = runProbe(fault.kind, true);
    if (WIFEXITED(run.status) && WEXITSTATUS(run.status) == 77)
        GTEST_SKIP() << "not on this platform";
    ASSERT_TRUE(WIFSIGNALED(run.status)) << "status " << run.status << "\n" << run.err;
    EXPECT_EQ(WTERMSIG(run.status), fault.signalNumber);
    EXPECT_EQ(run.out, "") << "no box in stderr-only mode";

    const std::vector<std::string> report = lines(run.err);
    ASSERT_GE(report.size(), 6u) << run.err;
    std::size_t at = 0;
    EXPECT_EQ(report[at++], std::string("Fehlermeldung:   ") + fault.message);
    EXPECT_EQ(report[at++], std::string("Fehlercode:      ") + fault.code);
    const std::string codeAddress = report[at++];
    ASSERT_EQ(codeAddress.rfind("Code Adresse:    ", 0), 0u) << codeAddress;
    const long long address = std::stoll(codeAddress.substr(17));
    if (std::string(fault.kind) == "exception")
        EXPECT_EQ(address, 0);
    else
        EXPECT_NE(address, 0);
    if (*fault.targetLine != '\0') {
        EXPECT_EQ(report[at++], fault.targetLine);
    }
    EXPECT_EQ(report[at++], "");
    ASSERT_LT(at + 1, report.size());
    if (*fault.marker != '\0' && haveAddr2line()) {
        EXPECT_EQ(report[at++], "Sourcecode Zeile: " + std::to_string(markerLine(fault.marker)));
        EXPECT_EQ(report[at++], "Sourcecode Datei: tests/tools/fault_probe.cpp");
    } else if (report[at] == "Sourcecode Zeile:  F\xC3\xBCr Details - OnError einschalten.") {
        ++at;
    } else {
        EXPECT_EQ(report[at++].rfind("Sourcecode Zeile: ", 0), 0u);
        EXPECT_EQ(report[at++].rfind("Sourcecode Datei: ", 0), 0u);
    }
    ASSERT_EQ(report.size(), at + 1) << run.err;
    EXPECT_EQ(report[at], "");
}

INSTANTIATE_TEST_SUITE_P(
    Probe, FaultKinds,
    ::testing::Values(
        FaultCase{"segv", SIGSEGV, "Invalid memory access", "-1073741819", "Adresse:  16", "segv"},
        // sent, not caused: no address of a memory access to show
        FaultCase{"raised", SIGSEGV, "Invalid memory access", "-1073741819", "Adresse:  0", ""},
        FaultCase{"library", SIGSEGV, "Invalid memory access", "-1073741819", "Adresse:  0", "library"},
        FaultCase{"intdiv", SIGFPE, "Division by zero ", "-1073741676", "", "intdiv"},
        FaultCase{"fltdiv", SIGFPE, "Division by zero (floating-point)", "-1073741682", "", ""},
        FaultCase{"fltinv", SIGFPE, "Invalid floating-point operation", "-1073741680", "", ""},
        FaultCase{"fltovf", SIGFPE, "Floating-point overflow (exponent to great)", "-1073741679", "", ""},
        FaultCase{"ill", SIGILL, "Illegal instruction", "-1073741795", "", ""},
        FaultCase{"trap", SIGTRAP, "Debugger breakpoint reached", "-2147483645", "", ""},
        FaultCase{"busalign", SIGBUS, "Misaligned data access", "-2147483646", "", ""},
        FaultCase{"buspage", SIGBUS, "Memory page error", "-1073741818", "", ""},
        FaultCase{"stack", SIGSEGV, "Stack overflow", "-1073741571", "", ""},
        FaultCase{"exception", SIGABRT, "Unknown error code", "-529697949", "", "exception"}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.kind); });

TEST(FaultBox, ReportProcessShowsTheSameTextThroughTheSeam) {
    const ProbeRun run = runProbe("segv", false);
    ASSERT_TRUE(WIFSIGNALED(run.status)) << run.err;
    EXPECT_EQ(WTERMSIG(run.status), SIGSEGV);
    const std::string head = "BOX Programmfehler aufgetreten!\n";
    const std::string tail = "\nEND\n";
    ASSERT_EQ(run.out.rfind(head, 0), 0u) << run.out;
    ASSERT_GT(run.out.size(), head.size() + tail.size());
    ASSERT_EQ(run.out.substr(run.out.size() - tail.size()), tail);
    std::string boxText = run.out.substr(head.size(), run.out.size() - head.size() - tail.size());
    EXPECT_EQ(boxText.rfind("Fehlermeldung:   Invalid memory access\r", 0), 0u) << boxText;
    EXPECT_EQ(boxText.find('\n'), std::string::npos);
    // stderr starts with the same text, line feeds for its carriage returns.
    for (char& c : boxText) {
        if (c == '\r')
            c = '\n';
    }
    EXPECT_EQ(run.err.rfind(boxText, 0), 0u) << run.err;
}

TEST(FaultBox, UncaughtExceptionAlsoShowsTheBox) {
    const ProbeRun run = runProbe("exception", false);
    ASSERT_TRUE(WIFSIGNALED(run.status)) << run.err;
    EXPECT_EQ(WTERMSIG(run.status), SIGABRT);
    EXPECT_EQ(run.out.rfind("BOX Programmfehler aufgetreten!\nFehlermeldung:   Unknown error code\r", 0), 0u)
        << run.out;
}

} // namespace
