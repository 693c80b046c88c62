// Installs the fault handler and faults in the way its first argument names.
// With "--stderr-only" as second argument no report box is started; in report
// mode the box goes to stdout as "BOX <title>", the text, and "END".
#include "recording_dialogs.h"

#include "app/fault_report.h"

#include <cfenv>
#include <cfloat>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>

#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// The lines marked "fault:" are the ones the report must name.
__attribute__((noinline)) int invalidAccess() {
    volatile std::uintptr_t where = 16;          // out of the compiler's view, so it does not warn
    *reinterpret_cast<volatile int*>(where) = 1; // fault:segv
    return 0;
}

__attribute__((noinline)) int integerDivision(int zero) {
    volatile int dividend = 7, divisor = zero;
    return dividend / divisor; // fault:intdiv
}

__attribute__((noinline)) int floatingPoint(int exceptions, double a, double b) {
    feenableexcept(exceptions);
    volatile double x = a, y = b;
    return static_cast<int>(x / y);
}

__attribute__((noinline)) int breakpoint() {
#if defined(__x86_64__) || defined(__i386__)
    asm volatile("int3");
#else
    __builtin_debugtrap();
#endif
    return 0;
}

__attribute__((noinline)) int misalignedAccess() {
#if defined(__x86_64__)
    // With the alignment check flag set, a misaligned load traps.
    alignas(8) static char buffer[16] = {};
    long value = 0;
    asm volatile("pushfq\n\torq $0x40000, (%%rsp)\n\tpopfq\n\tmovq 1(%1), %0\n\t"
                 : "=r"(value)
                 : "r"(buffer)
                 : "memory", "cc");
    return static_cast<int>(value);
#else
    std::exit(77); // not on this platform
#endif
}

__attribute__((noinline)) int missingPage() {
    // A mapping past the end of its (empty) file has no page behind it.
    char name[] = "/tmp/tallomir-probe-XXXXXX";
    const int fd = mkstemp(name);
    unlink(name);
    return static_cast<volatile char*>(mmap(nullptr, 4096, PROT_READ, MAP_SHARED, fd, 0))[0];
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winfinite-recursion"
__attribute__((noinline)) int recurse(int depth) {
    volatile char frame[512];
    frame[0] = static_cast<char>(depth);
    return recurse(depth + 1) + frame[0];
}
#pragma GCC diagnostic pop

__attribute__((noinline)) int throwUncaught() {
    throw std::runtime_error("not caught"); // fault:exception
}

__attribute__((noinline)) int faultInLibrary() {
    std::size_t (*volatile length)(const char*) = std::strlen;
    const char* volatile nothing = nullptr;
    const std::size_t result = length(nothing); // fault:library
    return static_cast<int>(result) + 1;        // no tail call: this frame stays on the stack
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
    const bool stderrOnly = argc > 2 && std::string(argv[2]) == "--stderr-only";
    tallomir::app::installFaultHandler(stderrOnly ? nullptr : argv[0]);

    const std::map<std::string, std::function<int()>> faults = {
        {"segv", invalidAccess},
        {"intdiv", [] { return integerDivision(0); }},
        {"fltdiv", [] { return floatingPoint(FE_DIVBYZERO, 1.0, 0.0); }},
        {"fltinv", [] { return floatingPoint(FE_INVALID, 0.0, 0.0); }},
        {"fltovf", [] { return floatingPoint(FE_OVERFLOW, DBL_MAX, 1e-300); }},
        {"ill", []() -> int { __builtin_trap(); }},
        {"trap", breakpoint},
        {"busalign", misalignedAccess},
        {"buspage", missingPage},
        {"stack", [] { return recurse(0); }},
        {"exception", throwUncaught},
        {"raised", [] { return std::raise(SIGSEGV) + 64; }},
        {"library", faultInLibrary}};
    const auto fault = argc > 1 ? faults.find(argv[1]) : faults.end();
    if (fault == faults.end())
        return 64;
    fault->second();
    std::fprintf(stderr, "survived\n");
    return 65;
}
