#include "app/fault_report.h"

#include "app/dialogs.h"

#include <QApplication>
#include <QString>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>

#if defined(__unix__)
#include <csignal>
#include <execinfo.h>
#include <fcntl.h>
#include <link.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <ucontext.h>
#include <unistd.h>
#endif

namespace tallomir::app {

namespace {

// Appends to a fixed buffer without allocating, so the signal handler can use
// it; output that does not fit is cut off.
class TextOut {
public:
    TextOut(char* buffer, std::size_t capacity) : buffer_(buffer), capacity_(capacity) {}

    void put(const char* text) {
        while (*text != '\0')
            putChar(*text++);
    }
    void putChar(char c) {
        if (length_ < capacity_)
            buffer_[length_++] = c;
    }
    void putSigned(std::int64_t value) {
        // Work on the negative side so the smallest value needs no special case.
        char digits[24];
        int count = 0;
        const bool negative = value < 0;
        if (!negative)
            value = -value;
        do {
            digits[count++] = static_cast<char>('0' - value % 10);
            value /= 10;
        } while (value != 0);
        if (negative)
            putChar('-');
        while (count > 0)
            putChar(digits[--count]);
    }
    std::size_t length() const { return length_; }

private:
    char* buffer_;
    std::size_t capacity_;
    std::size_t length_ = 0;
};

// The report text; shared by the signal handler and faultReportText.
void formatReport(TextOut& out, std::uint32_t code, std::int64_t codeAddress, std::int64_t targetAddress,
                  int sourceLine, const char* sourceFile) {
    out.put("Fehlermeldung:   ");
    out.put(faultMessage(code));
    out.put("\rFehlercode:      ");
    out.putSigned(static_cast<std::int32_t>(code));
    out.put("\rCode Adresse:    ");
    out.putSigned(codeAddress);
    out.putChar('\r');
    if (code == faultAccessViolation) {
        out.put("Adresse:  ");
        out.putSigned(targetAddress);
        out.putChar('\r');
    }
    out.putChar('\r');
    if (sourceLine == -1) {
        out.put("Sourcecode Zeile:  F\xC3\xBCr Details - OnError einschalten.\r");
    } else {
        out.put("Sourcecode Zeile: ");
        out.putSigned(sourceLine);
        out.put("\rSourcecode Datei: ");
        out.put(sourceFile);
        out.putChar('\r');
    }
    out.putChar('\r');
}

} // namespace

const char* faultMessage(std::uint32_t code) {
    switch (code) {
    case faultAccessViolation:
        return "Invalid memory access";
    case faultArrayBounds:
        return "Array bounds exceeded";
    case faultBreakpoint:
        return "Debugger breakpoint reached";
    case faultMisaligned:
        return "Misaligned data access";
    case faultFloatDenormal:
        return "Denormal floating-point operand";
    case faultFloatDivide:
        return "Division by zero (floating-point)";
    case faultFloatInexact:
        return "Inexact floating-point result";
    case faultFloatInvalid:
        return "Invalid floating-point operation";
    case faultFloatOverflow:
        return "Floating-point overflow (exponent to great)";
    case faultFloatStack:
        return "Floating-point stack overflow or underflow";
    case faultFloatUnderflow:
        return "Floating-point underflow (exponent too small)";
    case faultIllegalInstruction:
        return "Illegal instruction";
    case faultPageError:
        return "Memory page error";
    case faultIntDivide:
        return "Division by zero ";
    case faultIntOverflow:
        return "Integer overflow";
    case faultInvalidDisposition:
        return "Exception handler returned unknown value";
    case faultNoncontinuable:
        return "Exception handler tried to continue after non-continuable exception";
    case faultPrivileged:
        return "Privileged instruction";
    case faultSingleStep:
        return "Single step trap";
    case faultStackOverflow:
        return "Stack overflow";
    default:
        return "Unknown error code";
    }
}

std::string faultReportText(const FaultRecord& record) {
    std::string text(512 + record.sourceFile.size(), '\0');
    TextOut out(text.data(), text.size());
    formatReport(out, record.code, record.codeAddress, record.targetAddress, record.sourceLine,
                 record.sourceFile.c_str());
    text.resize(out.length());
    return text;
}

#if defined(__unix__)

std::uint32_t faultCodeForSignal(int signalNumber, int signalCode, bool stackOverflow) {
    switch (signalNumber) {
    case SIGSEGV:
        return stackOverflow ? faultStackOverflow : faultAccessViolation;
    case SIGBUS:
        // A misaligned access has its own code; every other bus error (a page of
        // a mapped file that no longer exists, a hardware error) is a page error.
        return signalCode == BUS_ADRALN ? faultMisaligned : faultPageError;
    case SIGFPE:
        switch (signalCode) {
        case FPE_INTDIV:
            return faultIntDivide;
        case FPE_INTOVF:
            return faultIntOverflow;
        case FPE_FLTDIV:
            return faultFloatDivide;
        case FPE_FLTOVF:
            return faultFloatOverflow;
        case FPE_FLTUND:
            return faultFloatUnderflow;
        case FPE_FLTRES:
            return faultFloatInexact;
        case FPE_FLTSUB:
            return faultArrayBounds;
        default:
            // FPE_FLTINV and a SIGFPE sent by another process
            return faultFloatInvalid;
        }
    case SIGILL:
        return signalCode == ILL_PRVOPC || signalCode == ILL_PRVREG ? faultPrivileged
                                                                    : faultIllegalInstruction;
    case SIGTRAP:
        return signalCode == TRAP_TRACE ? faultSingleStep : faultBreakpoint;
    default:
        return 0;
    }
}

namespace {

constexpr int faultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP};
constexpr int faultSignalCount = sizeof(faultSignals) / sizeof(faultSignals[0]);
constexpr std::size_t pathCapacity = 4096;
constexpr int maxCodeRanges = 16;
constexpr int maxFrames = 64;

struct CodeRange {
    std::uintptr_t begin;
    std::uintptr_t end;
};

// What the handler needs, gathered at installation: the handler may neither
// allocate nor ask the system for anything that is not async-signal-safe.
struct HandlerState {
    bool installed = false;
    bool showBox = false;
    char programFile[pathCapacity] = {};   // started again in report mode
    char executable[pathCapacity] = {};    // the running program, for line lookup
    char addr2linePath[pathCapacity] = {}; // empty: no line lookup
    std::uintptr_t loadBias = 0;
    CodeRange codeRanges[maxCodeRanges] = {};
    int codeRangeCount = 0;
    std::uintptr_t stackLow = 0; // lowest address of the main thread's stack
    std::uintptr_t pageSize = 4096;
    std::atomic<pid_t> handlingThread{0};
    struct sigaction previousActions[faultSignalCount] = {};
    std::terminate_handler previousTerminate = nullptr;
    char report[8192] = {};
    char lookupOutput[pathCapacity + 64] = {};
    char sourceFile[pathCapacity] = {};
    void* frames[maxFrames] = {};
};

// The one state the handler reaches; a signal handler cannot be given context.
HandlerState handlerState;
alignas(16) char alternateStack[64 * 1024];

bool inOwnCode(std::uintptr_t address) {
    for (int i = 0; i < handlerState.codeRangeCount; ++i) {
        if (address >= handlerState.codeRanges[i].begin && address < handlerState.codeRanges[i].end)
            return true;
    }
    return false;
}

void writeAll(int fd, const char* data, std::size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        data += written;
        length -= static_cast<std::size_t>(written);
    }
}

// The child of the handler starts with the fault signals blocked; the
// program it runs must get them as usual.
void unblockAllSignals() {
    sigset_t none;
    sigemptyset(&none);
    ::pthread_sigmask(SIG_SETMASK, &none, nullptr);
}

pid_t forkSafely() {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // No fork handlers run, so a lock held by the faulting code cannot block us.
    return ::_Fork();
#else
    return ::fork();
#endif
}

int waitForChild(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return status;
}

void formatHex(char* out, std::uintptr_t value) {
    char digits[2 * sizeof(value)];
    int count = 0;
    do {
        digits[count++] = "0123456789abcdef"[value % 16];
        value /= 16;
    } while (value != 0);
    *out++ = '0';
    *out++ = 'x';
    while (count > 0)
        *out++ = digits[--count];
    *out = '\0';
}

// Shortens a path of the build to the part below the project ("src/app/x.cpp"),
// or to its name when it lies elsewhere.
const char* shortSourceName(const char* path) {
    const char* best = nullptr;
    for (const char* p = path; *p != '\0'; ++p) {
        if (std::strncmp(p, "/src/", 5) == 0 || std::strncmp(p, "/tests/", 7) == 0)
            best = p + 1;
    }
    if (best != nullptr)
        return best;
    const char* slash = std::strrchr(path, '/');
    return slash != nullptr ? slash + 1 : path;
}

// Asks addr2line for the source position of an address of the program's own
// code. The answer looks like "/dir/file.cpp:123" or "/dir/file.cpp:123
// (discriminator 2)"; "??:0" and "??:?" mean unknown.
bool lookUpSourceLine(std::uintptr_t address, int& line, char* file, std::size_t fileCapacity) {
    if (handlerState.addr2linePath[0] == '\0' || handlerState.executable[0] == '\0')
        return false;
    char hex[2 * sizeof(address) + 3];
    formatHex(hex, address - handlerState.loadBias);
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return false;
    const pid_t pid = forkSafely();
    if (pid < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return false;
    }
    if (pid == 0) {
        unblockAllSignals();
        ::dup2(pipeFds[1], STDOUT_FILENO);
        const int devNull = ::open("/dev/null", O_WRONLY);
        if (devNull >= 0)
            ::dup2(devNull, STDERR_FILENO);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        char arg0[] = "addr2line";
        char arg1[] = "-e";
        char* args[] = {arg0, arg1, handlerState.executable, hex, nullptr};
        ::execve(handlerState.addr2linePath, args, environ);
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    std::size_t length = 0;
    char* output = handlerState.lookupOutput;
    const std::size_t capacity = sizeof(handlerState.lookupOutput) - 1;
    while (length < capacity) {
        const ssize_t got = ::read(pipeFds[0], output + length, capacity - length);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        length += static_cast<std::size_t>(got);
    }
    ::close(pipeFds[0]);
    waitForChild(pid);
    output[length] = '\0';

    char* end = output;
    while (*end != '\0' && *end != '\n' && *end != ' ')
        ++end;
    *end = '\0';
    char* colon = std::strrchr(output, ':');
    if (colon == nullptr || colon == output)
        return false;
    *colon = '\0';
    long value = 0;
    const char* digit = colon + 1;
    if (*digit < '0' || *digit > '9')
        return false;
    for (; *digit >= '0' && *digit <= '9'; ++digit) {
        value = value * 10 + (*digit - '0');
        if (value > 0xFFFFFF)
            return false;
    }
    if (value <= 0 || std::strcmp(output, "??") == 0)
        return false;
    line = static_cast<int>(value);
    const char* name = shortSourceName(output);
    std::size_t i = 0;
    for (; name[i] != '\0' && i + 1 < fileCapacity; ++i)
        file[i] = name[i];
    file[i] = '\0';
    return true;
}

// The source position of the program's own code that was running: the
// faulting instruction itself, or, when the fault lies in a library (or is an
// uncaught exception), the first caller in the program's own code.
bool findSourcePosition(std::uintptr_t codeAddress, int& line, char* file, std::size_t fileCapacity) {
    if (codeAddress != 0 && inOwnCode(codeAddress))
        return lookUpSourceLine(codeAddress, line, file, fileCapacity);
    // The walk starts in this handler (own code), leaves it through library
    // frames (the signal return, the C++ runtime, the faulting library), and
    // then reaches the first own caller, whose return address lies just
    // after its call instruction.
    const int count = ::backtrace(handlerState.frames, maxFrames);
    bool leftHandler = false;
    for (int i = 0; i < count; ++i) {
        const auto frame = reinterpret_cast<std::uintptr_t>(handlerState.frames[i]);
        if (!inOwnCode(frame)) {
            leftHandler = true;
        } else if (leftHandler) {
            return lookUpSourceLine(frame - 1, line, file, fileCapacity);
        }
    }
    return false;
}

void formatNumber(char* text, std::size_t capacity, std::int64_t value) {
    TextOut out(text, capacity - 1);
    out.putSigned(value);
    text[out.length()] = '\0';
}

// Starts the program file again in report mode and waits until its box is closed.
void showReportBox(std::uint32_t code, std::int64_t codeAddress, std::int64_t targetAddress, int line,
                   const char* file) {
    if (!handlerState.showBox || handlerState.programFile[0] == '\0')
        return;
    char codeText[24], codeAddressText[24], targetText[24], lineText[24];
    formatNumber(codeText, sizeof(codeText), code);
    formatNumber(codeAddressText, sizeof(codeAddressText), codeAddress);
    formatNumber(targetText, sizeof(targetText), targetAddress);
    formatNumber(lineText, sizeof(lineText), line);
    char option[32];
    std::strncpy(option, faultReportOption, sizeof(option) - 1);
    option[sizeof(option) - 1] = '\0';
    char* args[] = {handlerState.programFile, option, codeText, codeAddressText, targetText, lineText,
                    const_cast<char*>(file),  nullptr};
    const pid_t pid = forkSafely();
    if (pid < 0)
        return;
    if (pid == 0) {
        unblockAllSignals();
        ::execve(handlerState.programFile, args, environ);
        ::_exit(127);
    }
    waitForChild(pid);
}

// Ends the process by the signal, with its default action.
[[noreturn]] void endBySignal(int signalNumber) {
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signalNumber, &action, nullptr);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signalNumber);
    ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    ::raise(signalNumber);
    ::_exit(128 + signalNumber);
}

[[noreturn]] void reportAndEnd(std::uint32_t code, std::int64_t codeAddress, std::int64_t targetAddress,
                               int endingSignal) {
    // Only the first fault is reported. A fault of another thread meanwhile
    // waits here until the process ends; one in the report itself ends at once.
    const auto self = static_cast<pid_t>(::syscall(SYS_gettid));
    pid_t expected = 0;
    if (!handlerState.handlingThread.compare_exchange_strong(expected, self)) {
        if (expected == self)
            endBySignal(endingSignal);
        for (;;)
            ::pause();
    }

    int line = -1;
    handlerState.sourceFile[0] = '\0';
    if (!findSourcePosition(static_cast<std::uintptr_t>(codeAddress), line, handlerState.sourceFile,
                            sizeof(handlerState.sourceFile)))
        line = -1;

    TextOut out(handlerState.report, sizeof(handlerState.report));
    formatReport(out, code, codeAddress, targetAddress, line, handlerState.sourceFile);
    // A terminal shows a lone CR as a return to the line start: stderr gets line feeds.
    for (std::size_t i = 0; i < out.length(); ++i) {
        if (handlerState.report[i] == '\r')
            handlerState.report[i] = '\n';
    }
    writeAll(STDERR_FILENO, handlerState.report, out.length());

    showReportBox(code, codeAddress, targetAddress, line, handlerState.sourceFile);
    endBySignal(endingSignal);
}

void clearAlignmentCheck() {
#if defined(__x86_64__)
    // A misaligned access with the alignment check flag set lands here; the
    // report itself must not fault the same way.
    asm volatile("pushfq\n\tandq $~0x40000, (%%rsp)\n\tpopfq" ::: "memory", "cc");
#endif
}

void onFaultSignal(int signalNumber, siginfo_t* info, void* context) {
    clearAlignmentCheck();
    std::uintptr_t codeAddress = 0;
    std::uintptr_t stackPointer = 0;
    const auto* uc = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
    codeAddress = static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]);
    stackPointer = static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_RSP]);
#elif defined(__i386__)
    codeAddress = static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_EIP]);
    stackPointer = static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_ESP]);
#elif defined(__aarch64__)
    codeAddress = static_cast<std::uintptr_t>(uc->uc_mcontext.pc);
    stackPointer = static_cast<std::uintptr_t>(uc->uc_mcontext.sp);
#else
    (void)uc;
#endif
    // A signal sent by another process (kill, raise) carries no fault address.
    const bool raisedByFault = info->si_code > 0;
    const auto target = raisedByFault ? reinterpret_cast<std::uintptr_t>(info->si_addr) : 0;
    bool stackOverflow = false;
    if (signalNumber == SIGSEGV && raisedByFault) {
        // The stack's guard area: just below the stack pointer, or at the
        // lower end of the main thread's stack.
        constexpr std::uintptr_t nearby = 64 * 1024;
        if (stackPointer != 0 && target + nearby >= stackPointer && target < stackPointer + nearby)
            stackOverflow = true;
        const std::uintptr_t low = handlerState.stackLow;
        if (low != 0 && target + 1024 * 1024 >= low && target < low + 16 * handlerState.pageSize)
            stackOverflow = true;
    }
    const std::uint32_t code = faultCodeForSignal(signalNumber, info->si_code, stackOverflow);
    const std::int64_t targetAddress = code == faultAccessViolation ? static_cast<std::int64_t>(target) : 0;
    reportAndEnd(code, static_cast<std::int64_t>(codeAddress), targetAddress, signalNumber);
}

[[noreturn]] void onTerminate() {
    reportAndEnd(faultCppException, 0, 0, SIGABRT);
}

int collectCodeRanges(dl_phdr_info* info, std::size_t, void*) {
    // The first object is the program itself.
    handlerState.loadBias = info->dlpi_addr;
    for (int i = 0; i < info->dlpi_phnum && handlerState.codeRangeCount < maxCodeRanges; ++i) {
        const auto& header = info->dlpi_phdr[i];
        if (header.p_type == PT_LOAD && (header.p_flags & PF_X) != 0) {
            const std::uintptr_t begin = info->dlpi_addr + header.p_vaddr;
            handlerState.codeRanges[handlerState.codeRangeCount++] = {begin, begin + header.p_memsz};
        }
    }
    return 1;
}

void copyPath(char* target, const char* source) {
    std::size_t i = 0;
    for (; source[i] != '\0' && i + 1 < pathCapacity; ++i)
        target[i] = source[i];
    target[i] = '\0';
}

void findAddr2line() {
    handlerState.addr2linePath[0] = '\0';
    const char* path = std::getenv("PATH");
    if (path == nullptr)
        return;
    std::string folders(path);
    std::size_t start = 0;
    while (start <= folders.size()) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        std::string candidate = folders.substr(start, end - start);
        if (!candidate.empty()) {
            candidate += "/addr2line";
            if (candidate.size() < pathCapacity && ::access(candidate.c_str(), X_OK) == 0) {
                copyPath(handlerState.addr2linePath, candidate.c_str());
                return;
            }
        }
        start = end + 1;
    }
}

} // namespace

void installFaultHandler(const char* programPath) {
    HandlerState& state = handlerState;
    if (state.installed)
        return;

    char self[pathCapacity];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof(self) - 1);
    self[length > 0 ? length : 0] = '\0';
    copyPath(state.executable, self);
    state.showBox = programPath != nullptr;
    copyPath(state.programFile, self[0] != '\0' ? self : (programPath != nullptr ? programPath : ""));
    findAddr2line();
    state.codeRangeCount = 0;
    ::dl_iterate_phdr(collectCodeRanges, nullptr);
    state.pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));

    pthread_attr_t attributes;
    if (::pthread_getattr_np(::pthread_self(), &attributes) == 0) {
        void* stackAddress = nullptr;
        std::size_t stackSize = 0;
        if (::pthread_attr_getstack(&attributes, &stackAddress, &stackSize) == 0)
            state.stackLow = reinterpret_cast<std::uintptr_t>(stackAddress);
        ::pthread_attr_destroy(&attributes);
    }

    // The first walk loads the unwinder; done here, the handler need not.
    void* warmUp[2];
    ::backtrace(warmUp, 2);

    stack_t alternate = {};
    alternate.ss_sp = alternateStack;
    alternate.ss_size = sizeof(alternateStack);
    ::sigaltstack(&alternate, nullptr);

    struct sigaction action = {};
    action.sa_sigaction = onFaultSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signalNumber : faultSignals)
        sigaddset(&action.sa_mask, signalNumber);
    for (int i = 0; i < faultSignalCount; ++i)
        ::sigaction(faultSignals[i], &action, &state.previousActions[i]);
    state.previousTerminate = std::set_terminate(onTerminate);
    state.installed = true;
}

void removeFaultHandler() {
    HandlerState& state = handlerState;
    if (!state.installed)
        return;
    for (int i = 0; i < faultSignalCount; ++i)
        ::sigaction(faultSignals[i], &state.previousActions[i], nullptr);
    std::set_terminate(state.previousTerminate);
    state.installed = false;
}

#else // no POSIX signals: the table and the text work, the handler is not installed

std::uint32_t faultCodeForSignal(int, int, bool) {
    return 0;
}
void installFaultHandler(const char*) {}
void removeFaultHandler() {}

#endif

int runFaultReportMode(int argc, char** argv, Dialogs& dialogs) {
    if (argc < 2 || std::strcmp(argv[1], faultReportOption) != 0)
        return -1;
    if (argc != 7)
        return 2;
    auto number = [](const char* text, long long& value) {
        char* end = nullptr;
        errno = 0;
        value = std::strtoll(text, &end, 10);
        return errno == 0 && end != text && *end == '\0';
    };
    long long code = 0, codeAddress = 0, targetAddress = 0, line = 0;
    if (!number(argv[2], code) || !number(argv[3], codeAddress) || !number(argv[4], targetAddress) ||
        !number(argv[5], line) || code < 0 || code > 0xFFFFFFFFLL || line < -1 || line > 0xFFFFFF)
        return 2;
    FaultRecord record;
    record.code = static_cast<std::uint32_t>(code);
    record.codeAddress = codeAddress;
    record.targetAddress = targetAddress;
    record.sourceLine = static_cast<int>(line);
    record.sourceFile = argv[6];
    const QString text = QString::fromUtf8(faultReportText(record));

    if (QCoreApplication::instance() != nullptr) {
        dialogs.message(nullptr, QString::fromUtf8(faultBoxTitle), text);
        return 0;
    }
#if defined(__unix__) && !defined(__APPLE__)
    // Without any display the report on stderr is all there is.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return 0;
#endif
    int appArgc = 1;
    QApplication application(appArgc, argv);
    dialogs.message(nullptr, QString::fromUtf8(faultBoxTitle), text);
    return 0;
}

} // namespace tallomir::app
