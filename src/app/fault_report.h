#pragma once

// The last resort for faults the program does not handle itself: an invalid
// memory access, an arithmetic fault, an illegal instruction, a bus error, a
// stack overflow or an uncaught C++ exception. The dying process writes the
// report to stderr, starts the program file again in report mode to show the
// box "Programmfehler aufgetreten!" (a faulting process must not run GUI code)
// and waits for that box to be closed. Then it ends by the signal that killed
// it (SIGABRT for an uncaught exception), so scripts and core dumps see a
// crash and not a clean exit.

#include <cstdint>
#include <string>

namespace tallomir::app {

class Dialogs;

// The fault codes of the report, as the Windows exception codes they stand for.
inline constexpr std::uint32_t faultAccessViolation = 0xC0000005;
inline constexpr std::uint32_t faultArrayBounds = 0xC000008C;
inline constexpr std::uint32_t faultBreakpoint = 0x80000003;
inline constexpr std::uint32_t faultMisaligned = 0x80000002;
inline constexpr std::uint32_t faultFloatDenormal = 0xC000008D;
inline constexpr std::uint32_t faultFloatDivide = 0xC000008E;
inline constexpr std::uint32_t faultFloatInexact = 0xC000008F;
inline constexpr std::uint32_t faultFloatInvalid = 0xC0000090;
inline constexpr std::uint32_t faultFloatOverflow = 0xC0000091;
inline constexpr std::uint32_t faultFloatStack = 0xC0000092;
inline constexpr std::uint32_t faultFloatUnderflow = 0xC0000093;
inline constexpr std::uint32_t faultIllegalInstruction = 0xC000001D;
inline constexpr std::uint32_t faultPageError = 0xC0000006;
inline constexpr std::uint32_t faultIntDivide = 0xC0000094;
inline constexpr std::uint32_t faultIntOverflow = 0xC0000095;
inline constexpr std::uint32_t faultInvalidDisposition = 0xC0000026;
inline constexpr std::uint32_t faultNoncontinuable = 0xC0000025;
inline constexpr std::uint32_t faultPrivileged = 0xC0000096;
inline constexpr std::uint32_t faultSingleStep = 0x80000004;
inline constexpr std::uint32_t faultStackOverflow = 0xC00000FD;
// An uncaught C++ exception; deliberately outside the table ("Unknown error code").
inline constexpr std::uint32_t faultCppException = 0xE06D7363;

// Everything the report says about one fault. Addresses are printed as signed
// decimal numbers of the platform's full pointer width.
struct FaultRecord {
    std::uint32_t code = 0;
    std::int64_t codeAddress = 0;   // the faulting instruction, 0 when unknown
    std::int64_t targetAddress = 0; // the accessed address of an invalid memory access, else 0
    int sourceLine = -1;            // -1: no source position known
    std::string sourceFile;         // only meaningful with a source line
};

// The English text for a fault code; "Unknown error code" for codes outside the table.
const char* faultMessage(std::uint32_t code);

// The fault code for a signal and its si_code; stackOverflow marks a SIGSEGV
// whose address lies in the guard area of a stack.
std::uint32_t faultCodeForSignal(int signalNumber, int signalCode, bool stackOverflow);

// The report text, lines separated by a single CR, UTF-8.
std::string faultReportText(const FaultRecord& record);

// The title of the box that shows the report.
inline constexpr const char* faultBoxTitle = "Programmfehler aufgetreten!";

// The private option that starts the program in report mode.
inline constexpr const char* faultReportOption = "--fault-report";

// Installs the handler for the calling thread's process; call once, early in
// main. programPath names the program file to start in report mode (the
// running executable is used when it can be found); nullptr writes the report
// to stderr only and shows no box.
void installFaultHandler(const char* programPath);

// Restores the default handling (normal shutdown).
void removeFaultHandler();

// Report mode: when argv[1] is the private option, shows the report that the
// remaining arguments describe through the dialogs and returns the exit code
// (0, or 2 for unusable arguments). Returns -1 for any other command line.
// Creates a QApplication when none exists yet.
int runFaultReportMode(int argc, char** argv, Dialogs& dialogs);

} // namespace tallomir::app
