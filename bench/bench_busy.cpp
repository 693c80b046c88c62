// The window while a long command runs: the longest gap between the ticks of
// a 10 ms timer on the window's thread while the 5,000-line invoice is
// written as PDF or printed (into a PDF file) and while 100,000 lines are saved, once with the work on the
// window's thread (as before the jobs) and once through the window's command
// (the job runner), side by side in each iteration. Target: under 100 ms.
// Beside them, the copy of the form a save's job takes, and the check it runs.

#include "generate.h"

#include "app/dialogs.h"
#include "app/job_runner.h"
#include "app/main_window.h"
#include "form/document_check.h"
#include "form/form.h"
#include "form/input_rules.h"
#include "invoice/amounts.h"
#include "syntax/syntax.h"
#include "view/invoice_pages.h"

#include <benchmark/benchmark.h>

#include <QEventLoop>
#include <QPrinter>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>

using namespace tallomir;

namespace {

// Answers every file dialog with one name and every question with yes.
class FixedDialogs : public app::Dialogs {
public:
    QString file;
    void message(QWidget*, const QString&, const QString&) override {}
    bool question(QWidget*, const QString&, const QString&) override { return true; }
    int choose(QWidget*, const QString&, const QString&, const QStringList&) override { return 1; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return file; }
    QString openFileName(QWidget*, const QString&, const QString&) override { return file; }
    void openDocument(const QString&) override {}
    void openAddress(const QString&) override {}
    QStringList askTexts(QWidget*, const QString&, const QStringList&) override { return {}; }
    bool choosePrinter(QWidget*, QPrinter& printer, int) override {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        return true;
    }
    int chooseItem(QWidget*, const QString&, const QString&, const QStringList&) override { return -1; }
};

// The longest interval between ticks of a 10 ms timer, in ms, while `start`
// begins the work (from the event loop) and until `done` holds; `endedAt`:
// when that interval ended, in ms from the start.
double longestGap(const std::function<void()>& start, const std::function<bool()>& done,
                  double* endedAt = nullptr) {
    using Clock = std::chrono::steady_clock;
    QEventLoop loop;
    Clock::time_point last = Clock::now();
    Clock::time_point first = last;
    double longest = 0;
    QTimer ping;
    ping.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ping, &QTimer::timeout, [&] {
        const Clock::time_point now = Clock::now();
        const double gap = std::chrono::duration<double, std::milli>(now - last).count();
        if (gap > longest && endedAt)
            *endedAt = std::chrono::duration<double, std::milli>(now - first).count();
        longest = std::max(longest, gap);
        last = now;
        if (done())
            loop.quit();
    });
    ping.start(10);
    QTimer::singleShot(0, [&] {
        first = last = Clock::now();
        start();
    });
    loop.exec();
    return longest;
}

// One run of each way per iteration: the window's thread doing the work
// itself, and the window's command.
void measure(benchmark::State& state, int lines, const char* fileName,
             const std::function<void(Form&, const std::string&)>& onThread,
             void (app::MainWindow::*command)()) {
    Form doc = bench::generateInvoice(lines);
    // The generator's 0 % lines keep the standard category, which "Speichern"
    // refuses: they are zero rated ("Z") here.
    for (LineItem& line : doc.lines)
        if (line.lineVatPercent == "0.00")
            line.lineTaxCategory = "Z";
    recomputeLines(doc);
    recomputeTotals(doc);
    selectEntry(doc, FieldId::AllowanceSlot, 0); // the allowance at the first rate
    const std::string file = (std::filesystem::temp_directory_path() / fileName).string();
    FixedDialogs dialogs;
    dialogs.file = QString::fromStdString(file);
    app::MainWindow window(doc, dialogs, QString());
    window.showDocument();
    window.show();
    double before = 0, job = 0, jobAt = 0, length = 0;
    for (auto _ : state) {
        before += longestGap([&] { onThread(doc, file); }, [] { return true; });
        bool started = false;
        double at = 0;
        const auto begin = std::chrono::steady_clock::now();
        const double gap = longestGap(
            [&] {
                (window.*command)();
                started = true;
            },
            [&] { return started && !window.jobs()->busy(); }, &at);
        length += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
        job += gap;
        jobAt += at;
        state.SetIterationTime(gap / 1000);
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["on_thread_gap_ms"] = before / runs;
    state.counters["job_gap_ms"] = job / runs;
    // When the longest gap ended, and how long the job took, in ms.
    state.counters["job_gap_ended_at_ms"] = jobAt / runs;
    state.counters["job_ms"] = length / runs;
    doc.modified = false;
    std::filesystem::remove(file);
}

void BM_WindowGapWhilePdf(benchmark::State& state) {
    measure(
        state, static_cast<int>(state.range(0)), "tallomir_busy.pdf",
        [](Form& doc, const std::string& file) { view::writePdf(view::InvoicePages(doc, {}), file); },
        &app::MainWindow::pdfCommand);
}
BENCHMARK(BM_WindowGapWhilePdf)->Arg(5000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_WindowGapWhilePrinting(benchmark::State& state) {
    measure(
        state, static_cast<int>(state.range(0)), "tallomir_busy_print.pdf",
        [](Form& doc, const std::string& file) {
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(QString::fromStdString(file));
            view::InvoicePages(doc, {}).paint(printer);
        },
        &app::MainWindow::printCommand);
}
BENCHMARK(BM_WindowGapWhilePrinting)
    ->Arg(5000)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_WindowGapWhileSaving(benchmark::State& state) {
    measure(
        state, static_cast<int>(state.range(0)), "tallomir_busy.xml",
        [](Form& doc, const std::string& file) { syntax::saveInvoiceFile(doc, file); },
        &app::MainWindow::saveCommand);
}
BENCHMARK(BM_WindowGapWhileSaving)
    ->Arg(100000)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// What "Speichern" still does on the window's thread before its job starts:
// the copy of the form the job works on. Beside it, the check before saving,
// which the job runs.
void BM_FormCopy(benchmark::State& state) {
    const Form doc = bench::generateInvoice(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        Form copy = doc;
        benchmark::DoNotOptimize(copy.lines.data());
    }
}
BENCHMARK(BM_FormCopy)->Arg(100000)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_CheckBeforeSaving(benchmark::State& state) {
    const Form doc = bench::generateInvoice(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(checkMandatoryFields(doc).ok);
}
BENCHMARK(BM_CheckBeforeSaving)->Arg(100000)->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace
