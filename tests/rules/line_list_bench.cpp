#include "invoice/amounts.h"
#include "invoice/line_list.h"

#include <benchmark/benchmark.h>

#include <string>

namespace tallomir {
namespace {

DocumentState invoiceWithLines(int count) {
    DocumentState state = makeDocumentState(defaultCodeLists());
    const char* rates[] = {"19.00", "7.00", "0.00"};
    state.lines.reserve(static_cast<std::size_t>(count) + 64);
    for (int i = 0; i < count; ++i) {
        LineItem line;
        line.position = std::to_string(i + 1);
        line.quantity = std::to_string(i % 17 + 1);
        line.unitPrice = std::to_string(i % 997) + ".35";
        line.lineVatPercent = rates[i % 3];
        line.itemName = "Artikel " + line.position;
        line.lineTaxCategory = "S";
        line.lineTaxScheme = "VAT";
        line.lineNetAmount = computeLineNetAmount(line);
        state.lines.push_back(std::move(line));
    }
    recomputeLines(state);
    recomputeTotals(state);
    return state;
}

// "Anfügen" on a 10,000-line invoice: insert after a clicked line in the
// middle, recompute lines and totals, then the rows a list view shows.
void BM_AddLineTo10000(benchmark::State& bench) {
    DocumentState state = invoiceWithLines(10000);
    std::size_t cells = 0;
    for (auto _ : bench) {
        selectLine(state, static_cast<int>(state.lines.size() / 2));
        leaveLineField(state, LineField::Quantity, "2,5");
        leaveLineField(state, LineField::UnitPrice, "9,99");
        leaveLineField(state, LineField::VatPercent, "19");
        addLine(state);
        for (int row = state.currentLineIndex - 30; row <= state.currentLineIndex; ++row)
            for (int column = 0; column < 10; ++column)
                cells += lineListCell(state, row, column).size();
        bench.PauseTiming();
        state.lines.erase(state.lines.begin() + static_cast<std::ptrdiff_t>(state.lines.size() / 2) + 1);
        bench.ResumeTiming();
    }
    benchmark::DoNotOptimize(cells);
}
BENCHMARK(BM_AddLineTo10000)->Unit(benchmark::kMillisecond);

// One cell of the list view, as a Qt model asks for it.
void BM_ListCell(benchmark::State& bench) {
    DocumentState state = invoiceWithLines(10000);
    int row = 0;
    for (auto _ : bench) {
        benchmark::DoNotOptimize(lineListCell(state, row, 7));
        row = (row + 7919) % 10000;
    }
}
BENCHMARK(BM_ListCell);

} // namespace
} // namespace tallomir
