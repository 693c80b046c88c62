// The fault report: report mode, and every fault kind provoked in a child
// process running the probe program, which must end by its signal.
#include "recording_dialogs.h"

#include "app/fault_report.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

using namespace tallomir::app;

namespace {

// Report mode refuses arguments it cannot use; the probe below shows the rest.
TEST(FaultReportMode, OnlyItsOptionWithUsableArguments) {
    RecordingDialogs dialogs;
    const auto run = [&](std::vector<const char*> argv) {
        argv.push_back(nullptr);
        return runFaultReportMode(static_cast<int>(argv.size()) - 1, const_cast<char**>(argv.data()),
                                  dialogs);
    };
    EXPECT_EQ(run({"t", "--fault-report", "5"}), 2);
    EXPECT_EQ(run({"t", "--fault-report", "x", "0", "0", "-1", ""}), 2);
    EXPECT_EQ(run({"t", "--fault-report", "5", "0", "0", "-2", ""}), 2);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

struct ProbeRun {
    bool crashed = false;
    int code = 0; // the signal when crashed, else the exit code
    std::string out, err;
};

ProbeRun runProbe(const char* kind, bool stderrOnly) {
    QProcess probe;
    probe.start(TOOLS_FAULT_PROBE, stderrOnly ? QStringList{kind, "--stderr-only"} : QStringList{kind});
    // A handler that hangs must not hang the tests: QProcess ends it on destruction.
    EXPECT_TRUE(probe.waitForFinished(60000)) << "probe " << kind << " did not end";
    return {probe.exitStatus() == QProcess::CrashExit, probe.exitCode(),
            probe.readAllStandardOutput().toStdString(), probe.readAllStandardError().toStdString()};
}

const std::string onError = "Sourcecode Zeile:  F\xC3\xBCr Details - OnError einschalten.";

// The probe's source line carrying "// fault:<marker>" as the report names it;
// the text shown when the line is not looked up: no marker, no addr2line, or
// no line information (plain Release).
std::string sourcePosition(const std::string& marker) {
    if (marker.empty() || std::system("command -v addr2line > /dev/null 2>&1") != 0 ||
        std::system("readelf -S --wide '" TOOLS_FAULT_PROBE "' 2>/dev/null | grep -q '[.]debug_line'") != 0)
        return onError;
    std::ifstream source(TOOLS_FAULT_PROBE_SOURCE);
    std::string line;
    int number = 1;
    while (std::getline(source, line) && line.find("// fault:" + marker) == std::string::npos)
        ++number;
    return "Sourcecode Zeile: " + std::to_string(number) + "\nSourcecode Datei: tests/tools/fault_probe.cpp";
}

// Each kind ends by its signal with the report on stderr; a machine fault has
// a code address, an exception none. The report process shows the same text
// through the dialog seam, with CRs for the line feeds.
TEST(FaultReport, EveryKindOnStderrAndInTheBox) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizers handle faults themselves";
#endif
    const std::tuple<const char*, int, const char*, const char*, const char*, const char*> faults[] = {
        {"segv", SIGSEGV, "Invalid memory access", "-1073741819", "known\nAdresse:  16", "segv"},
        // sent, not caused: no address of a memory access to show
        {"raised", SIGSEGV, "Invalid memory access", "-1073741819", "known\nAdresse:  0", ""},
        {"intdiv", SIGFPE, "Division by zero ", "-1073741676", "known", "intdiv"},
        {"fltdiv", SIGFPE, "Division by zero (floating-point)", "-1073741682", "known", ""},
        {"ill", SIGILL, "Illegal instruction", "-1073741795", "known", ""},
        {"stack", SIGSEGV, "Stack overflow", "-1073741571", "known", ""},
        {"exception", SIGABRT, "Unknown error code", "-529697949", "0", "exception"}};
    for (const auto& [kind, signalNumber, message, code, address, marker] : faults) {
        SCOPED_TRACE(kind);
        const ProbeRun run = runProbe(kind, true), boxed = runProbe(kind, false);
        EXPECT_TRUE(run.crashed && boxed.crashed && run.code == signalNumber && boxed.code == signalNumber)
            << run.err;
        const std::string source = sourcePosition(marker);
        // No box in stderr-only mode.
        std::string err =
            std::regex_replace(run.out + run.err, std::regex("(Code Adresse: +)[1-9][0-9]*"), "$1known");
        if (source == onError)
            err = std::regex_replace(err, std::regex("Sourcecode Zeile: [0-9]+\nSourcecode Datei: [^\n]+"),
                                     onError);
        EXPECT_EQ(err, std::string("Fehlermeldung:   ") + message + "\nFehlercode:      " + code +
                           "\nCode Adresse:    " + address + "\n\n" + source + "\n\n");

        std::string text = boxed.err.substr(0, boxed.err.find("\n\n", boxed.err.find("Sourcecode")) + 2);
        std::replace(text.begin(), text.end(), '\n', '\r');
        EXPECT_EQ(boxed.out, "BOX Programmfehler aufgetreten!\n" + text + "\nEND\n");
    }
}

} // namespace
