// Opening a received hybrid PDF of a long invoice ("Laden" of the PDF: qpdf
// opens it, the embedded XML is read into the document), beside loading the
// same XML as a file of its own, in the same iteration.

#include "generate.h"

#include "pdf/hybrid_invoice.h"
#include "syntax/syntax.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>

using namespace tallomir;

namespace {

double secondsToLoad(const std::string& file, benchmark::State& state) {
    Form doc = makeForm(defaultCodeLists());
    const auto start = std::chrono::steady_clock::now();
    if (syntax::loadInvoiceFile(doc, file).result != syntax::LoadOutcome::Result::Loaded)
        state.SkipWithError("the file could not be loaded");
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_OpenHybridPdf(benchmark::State& state) {
    const auto folder = std::filesystem::temp_directory_path();
    const std::string pdf = (folder / "tallomir_bench_open.pdf").string();
    const std::string xml = (folder / "tallomir_bench_open.xml").string();
    const Form doc = bench::generateInvoice(static_cast<int>(state.range(0)));
    if (!pdf::writeHybridInvoice(doc, pdf::Profile::XRechnung, pdf).empty())
        return state.SkipWithError("the hybrid PDF could not be written");
    std::ofstream(xml, std::ios::binary) << pdf::openHybridPdf(pdf).xml;
    double xmlSeconds = 0;
    for (auto _ : state) {
        state.SetIterationTime(secondsToLoad(pdf, state));
        xmlSeconds += secondsToLoad(xml, state);
    }
    state.counters["xml_alone_ms"] = 1000 * xmlSeconds / static_cast<double>(state.iterations());
    state.counters["pdf_kB"] = static_cast<double>(std::filesystem::file_size(pdf)) / 1024;
    std::filesystem::remove(pdf);
    std::filesystem::remove(xml);
}
BENCHMARK(BM_OpenHybridPdf)->Arg(1000)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
