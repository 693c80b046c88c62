// The archive's search over 10,000 archived invoices of about 6 KB each, in
// a real SQLite file: the window's list answers each search within 16 ms.

#include "archive_data.h"

#include "store/archive.h"

#include <benchmark/benchmark.h>

using namespace tallomir;

namespace {

void search(benchmark::State& state, const store::ArchiveFilter& filter) {
    store::Database& db = bench::filledArchive();
    std::size_t found = 0;
    for (auto _ : state) {
        found = store::findArchived(db, filter).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["found"] = static_cast<double>(found);
}

// What the window's list reads now: the ids of the whole result in its order.
void searchIds(benchmark::State& state, const store::ArchiveFilter& filter, store::ArchiveOrder by) {
    store::Database& db = bench::filledArchive();
    std::size_t found = 0;
    for (auto _ : state) {
        found = store::findArchivedIds(db, filter, {by, false}).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["found"] = static_cast<double>(found);
}

} // namespace

BENCHMARK_CAPTURE(search, everything, store::ArchiveFilter{})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(search, number, store::ArchiveFilter{.text = "RE-2026-0815"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(search, party, store::ArchiveFilter{.text = "kunde 77 "})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(search, dateRange, store::ArchiveFilter{.fromDate = "2026-03-01", .toDate = "2026-03-31"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(search, amountRange, store::ArchiveFilter{.minGross = "1000", .maxGross = "1100"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(search, partyDateAndAmount,
                  store::ArchiveFilter{.text = "kunde 7",
                                       .fromDate = "2026-06-01",
                                       .toDate = "2026-09-30",
                                       .minGross = "100",
                                       .maxGross = "4000"})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(searchIds, everythingById, store::ArchiveFilter{}, store::ArchiveOrder::Id)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(searchIds, everythingByBuyer, store::ArchiveFilter{}, store::ArchiveOrder::Buyer)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(searchIds, partyByGross, store::ArchiveFilter{.text = "kunde 77 "},
                  store::ArchiveOrder::Gross)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
