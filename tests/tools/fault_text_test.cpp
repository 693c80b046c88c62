// The report text, the messages of the codes and the signals' codes.

#include "app/dialogs.h"
#include "app/fault_report.h"

#include <gtest/gtest.h>

#include <csignal>
#include <utility>
#include <vector>

using namespace tallomir::app;

namespace {

TEST(FaultText, InvalidAccessShowsSignedCodeAndTargetAddress) {
    FaultRecord record;
    record.code = 0xC0000005;
    record.codeAddress = 4198400;
    record.targetAddress = 16;
    record.sourceLine = 120;
    record.sourceFile = "src/app/main_window.cpp";
    EXPECT_EQ(faultReportText(record), "Fehlermeldung:   Invalid memory access\r"
                                       "Fehlercode:      -1073741819\r"
                                       "Code Adresse:    4198400\r"
                                       "Adresse:  16\r"
                                       "\r"
                                       "Sourcecode Zeile: 120\r"
                                       "Sourcecode Datei: src/app/main_window.cpp\r"
                                       "\r");
}

TEST(FaultText, IntegerDivisionHasNoTargetAddressLine) {
    FaultRecord record;
    record.code = 0xC0000094;
    record.codeAddress = 77;
    record.targetAddress = 99; // not shown for this code
    EXPECT_EQ(faultReportText(record), "Fehlermeldung:   Division by zero \r"
                                       "Fehlercode:      -1073741676\r"
                                       "Code Adresse:    77\r"
                                       "\r"
                                       "Sourcecode Zeile:  F\xC3\xBCr Details - OnError einschalten.\r"
                                       "\r");
}

TEST(FaultText, UnknownCodeAndPositiveCode) {
    FaultRecord record;
    record.code = 0x12345678;
    EXPECT_EQ(faultReportText(record), "Fehlermeldung:   Unknown error code\r"
                                       "Fehlercode:      305419896\r"
                                       "Code Adresse:    0\r"
                                       "\r"
                                       "Sourcecode Zeile:  F\xC3\xBCr Details - OnError einschalten.\r"
                                       "\r");
}

TEST(FaultText, AddressesUseTheirFullWidthSigned) {
    FaultRecord record;
    record.code = 0xC0000005;
    record.codeAddress = 0x7F00'0000'1234;
    record.targetAddress = -8;
    const std::string text = faultReportText(record);
    EXPECT_NE(text.find("Code Adresse:    139637976732212\r"), std::string::npos) << text;
    EXPECT_NE(text.find("\rAdresse:  -8\r"), std::string::npos) << text;
    record.codeAddress = INT64_MIN;
    EXPECT_NE(faultReportText(record).find("Code Adresse:    -9223372036854775808\r"), std::string::npos);
}

TEST(FaultText, EveryCodeOfTheTableHasItsMessage) {
    const std::vector<std::pair<std::uint32_t, const char*>> table = {
        {0xC0000005, "Invalid memory access"},
        {0xC000008C, "Array bounds exceeded"},
        {0x80000003, "Debugger breakpoint reached"},
        {0x80000002, "Misaligned data access"},
        {0xC000008D, "Denormal floating-point operand"},
        {0xC000008E, "Division by zero (floating-point)"},
        {0xC000008F, "Inexact floating-point result"},
        {0xC0000090, "Invalid floating-point operation"},
        {0xC0000091, "Floating-point overflow (exponent to great)"},
        {0xC0000092, "Floating-point stack overflow or underflow"},
        {0xC0000093, "Floating-point underflow (exponent too small)"},
        {0xC000001D, "Illegal instruction"},
        {0xC0000006, "Memory page error"},
        {0xC0000094, "Division by zero "},
        {0xC0000095, "Integer overflow"},
        {0xC0000026, "Exception handler returned unknown value"},
        {0xC0000025, "Exception handler tried to continue after non-continuable exception"},
        {0xC0000096, "Privileged instruction"},
        {0x80000004, "Single step trap"},
        {0xC00000FD, "Stack overflow"},
        {0xE06D7363, "Unknown error code"},
        {0, "Unknown error code"},
    };
    for (const auto& [code, message] : table)
        EXPECT_STREQ(faultMessage(code), message) << std::hex << code;
}

TEST(FaultSignals, SignalsMapOntoTheTable) {
    EXPECT_EQ(faultCodeForSignal(SIGSEGV, SEGV_MAPERR, false), 0xC0000005u);
    EXPECT_EQ(faultCodeForSignal(SIGSEGV, SEGV_ACCERR, false), 0xC0000005u);
    EXPECT_EQ(faultCodeForSignal(SIGSEGV, SEGV_MAPERR, true), 0xC00000FDu);
    EXPECT_EQ(faultCodeForSignal(SIGBUS, BUS_ADRALN, false), 0x80000002u);
    EXPECT_EQ(faultCodeForSignal(SIGBUS, BUS_ADRERR, false), 0xC0000006u);
    EXPECT_EQ(faultCodeForSignal(SIGBUS, BUS_OBJERR, false), 0xC0000006u);
    EXPECT_EQ(faultCodeForSignal(SIGFPE, FPE_INTDIV, false), 0xC0000094u);
    EXPECT_EQ(faultCodeForSignal(SIGFPE, FPE_INTOVF, false), 0xC0000095u);
    EXPECT_EQ(faultCodeForSignal(SIGFPE, FPE_FLTDIV, false), 0xC000008Eu);
    EXPECT_EQ(faultCodeForSignal(SIGFPE, FPE_FLTOVF, false), 0xC0000091u);
    EXPECT_EQ(faultCodeForSignal(SIGFPE, FPE_FLTUND, false), 0xC0000093u);
    EXPECT_EQ(faultCodeForSignal(SIGFPE, FPE_FLTRES, false), 0xC000008Fu);
    EXPECT_EQ(faultCodeForSignal(SIGFPE, FPE_FLTINV, false), 0xC0000090u);
    EXPECT_EQ(faultCodeForSignal(SIGFPE, FPE_FLTSUB, false), 0xC000008Cu);
    EXPECT_EQ(faultCodeForSignal(SIGILL, ILL_ILLOPN, false), 0xC000001Du);
    EXPECT_EQ(faultCodeForSignal(SIGILL, ILL_PRVOPC, false), 0xC0000096u);
    EXPECT_EQ(faultCodeForSignal(SIGTRAP, TRAP_BRKPT, false), 0x80000003u);
    EXPECT_EQ(faultCodeForSignal(SIGTRAP, SI_KERNEL, false), 0x80000003u);
    EXPECT_EQ(faultCodeForSignal(SIGTRAP, TRAP_TRACE, false), 0x80000004u);
}

class RecordingDialogs : public Dialogs {
public:
    std::vector<std::pair<QString, QString>> messages;
    void message(QWidget*, const QString& title, const QString& text) override {
        messages.emplace_back(title, text);
    }
    bool question(QWidget*, const QString&, const QString&) override { return true; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString openFileName(QWidget*, const QString&, const QString&) override { return {}; }
    void openDocument(const QString&) override {}
};

int runReportMode(std::vector<std::string> arguments, Dialogs& dialogs) {
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    return runFaultReportMode(static_cast<int>(arguments.size()), argv.data(), dialogs);
}

TEST(FaultReportMode, ShowsTheBoxFromItsArguments) {
    RecordingDialogs dialogs;
    EXPECT_EQ(
        runReportMode({"tallomir", "--fault-report", "3221225477", "1000", "24", "17", "src/x.cpp"}, dialogs),
        0);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].first, QString::fromUtf8("Programmfehler aufgetreten!"));
    EXPECT_EQ(dialogs.messages[0].second, QString::fromUtf8("Fehlermeldung:   Invalid memory access\r"
                                                            "Fehlercode:      -1073741819\r"
                                                            "Code Adresse:    1000\r"
                                                            "Adresse:  24\r"
                                                            "\r"
                                                            "Sourcecode Zeile: 17\r"
                                                            "Sourcecode Datei: src/x.cpp\r"
                                                            "\r"));
}

TEST(FaultReportMode, OtherCommandLinesAreNotReportMode) {
    RecordingDialogs dialogs;
    EXPECT_EQ(runReportMode({"tallomir"}, dialogs), -1);
    EXPECT_EQ(runReportMode({"tallomir", "rechnung.xml"}, dialogs), -1);
    EXPECT_EQ(runReportMode({"tallomir", "--fault-report", "5"}, dialogs), 2);
    EXPECT_EQ(runReportMode({"tallomir", "--fault-report", "x", "0", "0", "-1", ""}, dialogs), 2);
    EXPECT_EQ(runReportMode({"tallomir", "--fault-report", "5", "0", "0", "-2", ""}, dialogs), 2);
    EXPECT_TRUE(dialogs.messages.empty());
}

} // namespace
