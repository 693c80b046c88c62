// Installs the fault handler and faults as its first argument names; with
// "--stderr-only" second, no report box is started (else it goes to stdout).
#include "recording_dialogs.h"

#include "app/fault_report.h"

#include <cfenv>
#include <csignal>
#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>

#include <sys/resource.h>

namespace {

// The lines marked "fault:" are the ones the report must name.
__attribute__((noinline)) int invalidAccess() {
    volatile std::uintptr_t where = 16;          // hidden from the compiler, which would warn
    *reinterpret_cast<volatile int*>(where) = 1; // fault:segv
    return 0;
}

__attribute__((noinline)) int integerDivision(int zero) {
    volatile int dividend = 7, divisor = zero;
    return dividend / divisor; // fault:intdiv
}

__attribute__((noinline)) int floatingDivision(double zero) {
    feenableexcept(FE_DIVBYZERO);
    volatile double x = 1.0, y = zero;
    return static_cast<int>(x / y);
}

__attribute__((noinline)) int recurse(int depth) {
    volatile char frame[512];
    frame[0] = static_cast<char>(depth);
    return depth < 0 ? 0 : recurse(depth + 1) + frame[0];
}

__attribute__((noinline)) int throwUncaught() {
    throw std::runtime_error("not caught"); // fault:exception
}

} // namespace

int main(int argc, char** argv) {
    RecordingDialogs dialogs;
    dialogs.print = true;
    const int reportResult = tallomir::app::runFaultReportMode(argc, argv, dialogs);
    if (reportResult >= 0)
        return reportResult;
    const rlimit noCore = {0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    tallomir::app::installFaultHandler(argc > 2 && std::string(argv[2]) == "--stderr-only" ? nullptr
                                                                                           : argv[0]);

    const std::map<std::string, std::function<int()>> faults = {
        {"segv", invalidAccess},
        {"intdiv", [] { return integerDivision(0); }},
        {"fltdiv", [] { return floatingDivision(0.0); }},
        {"ill", []() -> int { __builtin_trap(); }},
        {"stack", [] { return recurse(0); }},
        {"exception", throwUncaught},
        {"raised", [] { return std::raise(SIGSEGV) + 64; }}};
    const auto fault = argc > 1 ? faults.find(argv[1]) : faults.end();
    return fault == faults.end() ? 64 : fault->second() + 65;
}
