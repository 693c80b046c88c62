// The window's share: adding a line to a long invoice with the list shown
// again, the time from process start to the painted main window against a
// main window showing one line of text, started the same way, and writing a
// long invoice as PDF (layout, pages, file) and as hybrid PDF with its XML
// embedded.

#include "generate.h"

#include "app/line_table_model.h"
#include "form/line_list.h"
#include "pdf/hybrid_pdf.h"
#include "ubl/writer.h"
#include "view/invoice_pages.h"
#include "xml/xml.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTableView>

#include <chrono>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

using namespace tallomir;

namespace {

void BM_AddLineWithListRefresh(benchmark::State& state) {
    Form doc = bench::generateInvoice(static_cast<int>(state.range(0)));
    app::LineTableModel model(doc);
    QTableView view;
    view.setModel(&model);
    view.resize(855, 360);
    view.show();
    for (auto _ : state) {
        bench::typeAndAddLine(doc);
        model.reload();
        view.scrollToBottom();
        view.viewport()->repaint();
        state.PauseTiming();
        doc.currentLineIndex = static_cast<int>(doc.lines.size()) - 2;
        deleteLine(doc);
        model.reload();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AddLineWithListRefresh)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_WritePdf(benchmark::State& state) {
    const Form doc = bench::generateInvoice(static_cast<int>(state.range(0)));
    const std::string file = (std::filesystem::temp_directory_path() / "tallomir_bench.pdf").string();
    int pages = 0;
    for (auto _ : state) {
        const view::InvoicePages layout(doc, {});
        pages = layout.pageCount();
        if (!view::writePdf(layout, file).empty())
            state.SkipWithError("the PDF could not be written");
    }
    state.counters["pages"] = pages;
    state.counters["file_kB"] = static_cast<double>(std::filesystem::file_size(file)) / 1024;
    std::filesystem::remove(file);
}
BENCHMARK(BM_WritePdf)->Arg(1000)->Unit(benchmark::kMillisecond);

// The same pages as a hybrid PDF (PDF/A-3b) with the invoice's XML embedded:
// layout, painting, embedding and metadata, the file written whole. The XML
// is the invoice's UBL file, of the size an invoice of this many lines has.
void BM_WriteHybridPdf(benchmark::State& state) {
    const Form doc = bench::generateInvoice(static_cast<int>(state.range(0)));
    const std::string xml = xml::serializeDocument(*ubl::buildInvoiceTree(doc));
    const std::string file = (std::filesystem::temp_directory_path() / "tallomir_bench_hybrid.pdf").string();
    int pages = 0;
    for (auto _ : state) {
        const view::InvoicePages layout(doc, {});
        pages = layout.pageCount();
        if (!pdf::writeHybridPdf(layout, xml, pdf::Profile::XRechnung, file).empty())
            state.SkipWithError("the hybrid PDF could not be written");
    }
    state.counters["pages"] = pages;
    state.counters["xml_kB"] = static_cast<double>(xml.size()) / 1024;
    state.counters["file_kB"] = static_cast<double>(std::filesystem::file_size(file)) / 1024;
    std::filesystem::remove(file);
}
BENCHMARK(BM_WriteHybridPdf)->Arg(1000)->Unit(benchmark::kMillisecond);

// Wall time of one run of a program that ends as soon as its window is painted.
double runSeconds(const char* program) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    env.emplace_back("QT_QPA_PLATFORM=offscreen");
    env.emplace_back("TALLOMIR_EXIT_WHEN_SHOWN=1");
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(program), nullptr};

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, program, nullptr, nullptr, argv, envp.data()) != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_StartUp(benchmark::State& state) {
    double program = 0, empty = 0;
    for (auto _ : state) {
        const double p = runSeconds(TALLOMIR_APP);
        const double e = runSeconds(TALLOMIR_EMPTY_WINDOW);
        program += p;
        empty += e;
        state.SetIterationTime(p);
    }
    state.counters["program_ms"] = 1000 * program / static_cast<double>(state.iterations());
    state.counters["empty_window_ms"] = 1000 * empty / static_cast<double>(state.iterations());
    state.counters["ratio_to_empty_window"] = program / empty;
}
BENCHMARK(BM_StartUp)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
