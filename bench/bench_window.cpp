// The window's share: adding a line to a long invoice with the list shown
// again, and writing a long invoice as PDF (layout, pages, file) and as hybrid
// PDF with its XML embedded. The start-up is in bench_start.cpp.

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

#include <filesystem>

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

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
