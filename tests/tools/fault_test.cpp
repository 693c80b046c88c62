// The fault report: its text, report mode, and every fault kind provoked in a
// child process running the probe program, which must end by its signal.
#include "recording_dialogs.h"

#include "app/fault_report.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace tallomir::app;

namespace {

const std::string onError = "Sourcecode Zeile:  F\xC3\xBCr Details - OnError einschalten.";

TEST(FaultText, PositiveCodeOutsideTheTableWithoutSourcePosition) {
    FaultRecord record;
    record.code = 0x12345678;
    EXPECT_EQ(faultReportText(record), "Fehlermeldung:   Unknown error code\rFehlercode:      305419896\r"
                                       "Code Adresse:    0\r\r" +
                                           onError + "\r\r");
}

int runReportMode(std::vector<std::string> arguments, Dialogs& dialogs) {
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    return runFaultReportMode(static_cast<int>(arguments.size()), argv.data(), dialogs);
}

// Report mode takes its text from its arguments (shown by the box tests below)
// and refuses arguments it cannot use.
TEST(FaultReportMode, OnlyItsOptionWithUsableArguments) {
    RecordingDialogs dialogs;
    EXPECT_EQ(runReportMode({"t"}, dialogs), -1);
    EXPECT_EQ(runReportMode({"t", "rechnung.xml"}, dialogs), -1);
    EXPECT_EQ(runReportMode({"t", "--fault-report", "5"}, dialogs), 2);
    EXPECT_EQ(runReportMode({"t", "--fault-report", "x", "0", "0", "-1", ""}, dialogs), 2);
    EXPECT_EQ(runReportMode({"t", "--fault-report", "5", "0", "0", "-2", ""}, dialogs), 2);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

struct ProbeRun {
    bool crashed = false;
    int code = 0; // the signal when crashed, else the exit code
    std::string out, err;
};

ProbeRun runProbe(const char* kind, bool stderrOnly = true) {
    QProcess probe;
    probe.start(TOOLS_FAULT_PROBE, stderrOnly ? QStringList{kind, "--stderr-only"} : QStringList{kind});
    // A handler that hangs must not hang the tests.
    if (!probe.waitForFinished(60000)) {
        probe.kill();
        probe.waitForFinished();
        ADD_FAILURE() << "probe " << kind << " did not end";
    }
    return {probe.exitStatus() == QProcess::CrashExit, probe.exitCode(),
            probe.readAllStandardOutput().toStdString(), probe.readAllStandardError().toStdString()};
}

// The line of the probe's source that carries the marker "fault:<name>".
int markerLine(const std::string& name) {
    std::ifstream source(TOOLS_FAULT_PROBE_SOURCE);
    std::string line;
    for (int number = 1; std::getline(source, line); ++number)
        if (line.find("// fault:" + name) != std::string::npos)
            return number;
    return -1;
}

// Whether the probe carries the line information addr2line reads; a build
// without debug information (plain Release) has none.
bool probeHasLineInfo() {
    return std::system("readelf -S --wide '" TOOLS_FAULT_PROBE "' 2>/dev/null | grep -q '[.]debug_line'") ==
           0;
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

// AddressSanitizer and UndefinedBehaviorSanitizer catch these faults before the
// program's own handler does; the normal build runs these tests.
#if defined(__SANITIZE_ADDRESS__)
#define SKIP_UNDER_SANITIZERS() GTEST_SKIP() << "the sanitizers handle faults themselves"
#else
#define SKIP_UNDER_SANITIZERS() (void)0
#endif

TEST_P(FaultKinds, ReportOnStderrAndEndBySignal) {
    SKIP_UNDER_SANITIZERS();
    const FaultCase& fault = GetParam();
    const ProbeRun run = runProbe(fault.kind);
    if (!run.crashed && run.code == 77)
        GTEST_SKIP() << "not on this platform";
    ASSERT_TRUE(run.crashed) << "exit code " << run.code << "\n" << run.err;
    EXPECT_EQ(run.code, fault.signalNumber);
    EXPECT_EQ(run.out, "") << "no box in stderr-only mode";

    std::vector<std::string> report;
    std::istringstream stream(run.err);
    for (std::string line; std::getline(stream, line);)
        report.push_back(line);
    ASSERT_GE(report.size(), 6u) << run.err;
    std::size_t at = 0;
    EXPECT_EQ(report[at++], std::string("Fehlermeldung:   ") + fault.message);
    EXPECT_EQ(report[at++], std::string("Fehlercode:      ") + fault.code);
    ASSERT_EQ(report[at].rfind("Code Adresse:    ", 0), 0u) << report[at];
    // Known for a machine fault, 0 for an exception.
    EXPECT_EQ(std::stoll(report[at++].substr(17)) == 0, std::string(fault.kind) == "exception");
    if (*fault.targetLine != '\0') {
        EXPECT_EQ(report[at++], fault.targetLine);
    }
    EXPECT_EQ(report[at++], "");
    ASSERT_LT(at + 1, report.size());
    const bool lookUp = *fault.marker != '\0' && std::system("command -v addr2line > /dev/null 2>&1") == 0;
    if (lookUp && probeHasLineInfo()) {
        EXPECT_EQ(report[at++], "Sourcecode Zeile: " + std::to_string(markerLine(fault.marker)));
        EXPECT_EQ(report[at++], "Sourcecode Datei: tests/tools/fault_probe.cpp");
    } else if (lookUp) {
        EXPECT_EQ(report[at++], onError);
    } else if (report[at] == onError) {
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

// The report process shows the same text through the dialog seam, with CRs
// for the line feeds of stderr.
TEST(FaultBox, ShowsTheStderrReport) {
    SKIP_UNDER_SANITIZERS();
    for (const auto& [kind, signalNumber] : {std::pair{"segv", SIGSEGV}, {"exception", SIGABRT}}) {
        const ProbeRun run = runProbe(kind, false);
        EXPECT_TRUE(run.crashed && run.code == signalNumber) << kind << "\n" << run.err;
        const std::string head = "BOX Programmfehler aufgetreten!\n", tail = "\nEND\n";
        ASSERT_EQ(run.out.rfind(head + "Fehlermeldung:   ", 0), 0u) << run.out;
        ASSERT_EQ(run.out.substr(run.out.size() - tail.size()), tail) << run.out;
        std::string boxText = run.out.substr(head.size(), run.out.size() - head.size() - tail.size());
        EXPECT_EQ(boxText.find('\n'), std::string::npos) << boxText;
        for (char& c : boxText)
            c = c == '\r' ? '\n' : c;
        EXPECT_EQ(run.err.rfind(boxText, 0), 0u) << run.err;
    }
}

} // namespace
