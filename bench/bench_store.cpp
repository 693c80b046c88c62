// The archive's search over 10,000 archived invoices of about 6 KB each, in
// a real SQLite file: the window's list answers each search within 16 ms.

#include "store/archive.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <memory>
#include <string>

using namespace tallomir;

namespace {

constexpr int entryCount = 10000;

// One database for every benchmark, filled once.
store::Database& filledDatabase() {
    static QTemporaryDir folder;
    static std::unique_ptr<store::Database> db = [] {
        auto opened = std::make_unique<store::Database>();
        if (!opened->open(folder.filePath("bench.sqlite").toStdString()))
            std::abort();
        opened->transaction([&]() -> std::string {
            for (int i = 1; i <= entryCount; ++i) {
                const std::string number = "RE-2026-" + std::to_string(10000 + i).substr(1);
                const std::string day = std::to_string(10 + i % 18);
                const std::string month = std::to_string(101 + i % 12).substr(1);
                const std::string gross = std::to_string(i * 7 % 5000) + "." + std::to_string(10 + i % 90);
                QByteArray bytes(6000, 'x');
                bytes.replace(0, static_cast<qsizetype>(number.size()), number.c_str());
                const store::ArchiveFacts facts{number,
                                                "380",
                                                "2026-" + month + "-" + day,
                                                "Wir GmbH",
                                                "Kunde " + std::to_string(i % 500) + " GmbH",
                                                gross,
                                                "0.00",
                                                gross};
                if (!store::archiveInvoice(
                         *opened, bytes, i % 3 ? store::Direction::Issued : store::Direction::Received, facts)
                         .ok)
                    std::abort();
            }
            return {};
        });
        return opened;
    }();
    return *db;
}

void search(benchmark::State& state, const store::ArchiveFilter& filter) {
    store::Database& db = filledDatabase();
    std::size_t found = 0;
    for (auto _ : state) {
        found = store::findArchived(db, filter).size();
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

BENCHMARK_MAIN();
