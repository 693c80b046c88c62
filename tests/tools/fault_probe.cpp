// Installs the fault handler and faults in the way its first argument names.
// With "--stderr-only" as second argument no report box is started. In
// report mode the box goes to stdout as "BOX <title>", the text, and "END".

#include "app/dialogs.h"
#include "app/fault_report.h"

#include <QString>

#include <cfenv>
#include <cfloat>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

using tallomir::app::Dialogs;

namespace {

class PrintingDialogs : public Dialogs {
public:
    void message(QWidget*, const QString& title, const QString& text) override {
        std::printf("BOX %s\n%s\nEND\n", title.toUtf8().constData(), text.toUtf8().constData());
        std::fflush(stdout);
    }
    bool question(QWidget*, const QString&, const QString&) override { return true; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString openFileName(QWidget*, const QString&, const QString&) override { return {}; }
    void openDocument(const QString&) override {}
};

// Each fault sits in its own function; the lines marked "fault:" are the ones
// the report must name.
__attribute__((noinline)) void invalidAccess() {
    // The address comes from outside the compiler's view, so it does not warn.
    volatile std::uintptr_t where = 16;
    volatile int* pointer = reinterpret_cast<int*>(where);
    *pointer = 1; // fault:segv
}

__attribute__((noinline)) int integerDivision(int zero) {
    volatile int dividend = 7;
    volatile int divisor = zero;
    return dividend / divisor; // fault:intdiv
}

__attribute__((noinline)) double floatingPoint(int exceptions, double a, double b) {
    feenableexcept(exceptions);
    volatile double x = a;
    volatile double y = b;
    return x / y;
}

__attribute__((noinline)) void illegalInstruction() {
    __builtin_trap();
}

__attribute__((noinline)) void breakpoint() {
#if defined(__x86_64__) || defined(__i386__)
    asm volatile("int3");
#else
    __builtin_debugtrap();
#endif
}

__attribute__((noinline)) long misalignedAccess() {
#if defined(__x86_64__)
    // With the alignment check flag set, a misaligned load traps.
    alignas(8) static char buffer[16] = {};
    long value = 0;
    asm volatile("pushfq\n\t"
                 "orq $0x40000, (%%rsp)\n\t"
                 "popfq\n\t"
                 "movq 1(%1), %0\n\t"
                 : "=r"(value)
                 : "r"(buffer)
                 : "memory", "cc");
    return value;
#else
    std::fprintf(stderr, "not on this platform\n");
    std::exit(77);
#endif
}

__attribute__((noinline)) int missingPage() {
    // A mapping past the end of its (empty) file has no page behind it.
    char name[] = "/tmp/tallomir-probe-XXXXXX";
    const int fd = mkstemp(name);
    unlink(name);
    auto* mapped = static_cast<volatile char*>(mmap(nullptr, 4096, PROT_READ, MAP_SHARED, fd, 0));
    return mapped[0];
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winfinite-recursion"
__attribute__((noinline)) int recurse(int depth) {
    volatile char frame[512];
    frame[0] = static_cast<char>(depth);
    return recurse(depth + 1) + frame[0];
}
#pragma GCC diagnostic pop

__attribute__((noinline)) void throwUncaught() {
    throw std::runtime_error("not caught"); // fault:exception
}

__attribute__((noinline)) std::size_t faultInLibrary() {
    std::size_t (*volatile length)(const char*) = std::strlen;
    volatile const char* nothing = nullptr;
    const std::size_t result = length(const_cast<const char*>(nothing)); // fault:library
    return result + 1; // no tail call: this frame stays on the stack
}

} // namespace

int main(int argc, char** argv) {
    PrintingDialogs dialogs;
    const int reportResult = tallomir::app::runFaultReportMode(argc, argv, dialogs);
    if (reportResult >= 0)
        return reportResult;
    if (argc < 2)
        return 64;

    // No core files from the faults below.
    rlimit noCore = {0, 0};
    setrlimit(RLIMIT_CORE, &noCore);

    const bool stderrOnly = argc > 2 && std::string(argv[2]) == "--stderr-only";
    tallomir::app::installFaultHandler(stderrOnly ? nullptr : argv[0]);

    const std::string kind = argv[1];
    if (kind == "segv")
        invalidAccess();
    else if (kind == "intdiv")
        return integerDivision(0);
    else if (kind == "fltdiv")
        return static_cast<int>(floatingPoint(FE_DIVBYZERO, 1.0, 0.0));
    else if (kind == "fltinv")
        return static_cast<int>(floatingPoint(FE_INVALID, 0.0, 0.0));
    else if (kind == "fltovf")
        return static_cast<int>(floatingPoint(FE_OVERFLOW, DBL_MAX, 1e-300));
    else if (kind == "ill")
        illegalInstruction();
    else if (kind == "trap")
        breakpoint();
    else if (kind == "busalign")
        return static_cast<int>(misalignedAccess());
    else if (kind == "buspage")
        return missingPage();
    else if (kind == "stack")
        return recurse(0);
    else if (kind == "exception")
        throwUncaught();
    else if (kind == "raised")
        std::raise(SIGSEGV);
    else if (kind == "library")
        return static_cast<int>(faultInLibrary());
    else
        return 64;
    std::fprintf(stderr, "survived\n");
    return 65;
}
