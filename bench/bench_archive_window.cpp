// The archive window over 10,000 archived invoices: opened until shown, and
// each search until the list shows its first rows. Every iteration runs the
// list as it was before beside it (every entry found read into items behind
// a sorting proxy), so both are measured under the same load.

#include "archive_data.h"

#include "app/archive_window.h"
#include "app/dialogs.h"
#include "invoice/decimal.h"
#include "store/archive.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDate>
#include <QHeaderView>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include <chrono>
#include <ctime>
#include <map>

using namespace tallomir;

namespace {

// The list before it was filled as it is shown, for comparison.
class FullList : public QWidget {
public:
    explicit FullList(store::Database& db) : db_(db) {
        resize(900, 500);
        auto* layout = new QVBoxLayout(this);
        model_.setColumnCount(7);
        sorted_.setSourceModel(&model_);
        sorted_.setSortRole(Qt::UserRole);
        list_ = new QTableView(this);
        list_->setModel(&sorted_);
        list_->setSortingEnabled(true);
        list_->sortByColumn(0, Qt::AscendingOrder);
        list_->verticalHeader()->hide();
        layout->addWidget(list_);
    }
    void search(const store::ArchiveFilter& filter) {
        const auto item = [](const QString& text, const QVariant& sortValue = {}) {
            auto* cell = new QStandardItem(text);
            cell->setData(sortValue.isValid() ? sortValue : QVariant(text), Qt::UserRole);
            cell->setEditable(false);
            return cell;
        };
        model_.removeRows(0, model_.rowCount());
        for (const store::ArchiveEntry& e : store::findArchived(db_, filter)) {
            const Decimal gross = parseNumber(e.facts.gross);
            const QString date = QString::fromStdString(e.facts.issueDate);
            model_.appendRow(
                {item(QString::number(e.id), e.id),
                 item(QString::fromLatin1(e.direction == store::Direction::Issued ? "ausgestellt"
                                                                                  : "empfangen")),
                 item(QString::fromStdString(e.facts.number)),
                 item(QDate::fromString(date, Qt::ISODate).toString("dd.MM.yyyy"), date),
                 item(QString::fromStdString(e.facts.seller)), item(QString::fromStdString(e.facts.buyer)),
                 item(QString::fromStdString(formatGerman(gross, 2, 2)),
                      static_cast<qlonglong>(gross.rounded(2).mantissa()))});
        }
    }
    QTableView* list() const { return list_; }

private:
    store::Database& db_;
    QStandardItemModel model_;
    QSortFilterProxyModel sorted_;
    QTableView* list_;
};

class NoDialogs : public app::Dialogs {
public:
    void message(QWidget*, const QString&, const QString&) override {}
    bool question(QWidget*, const QString&, const QString&) override { return false; }
    int choose(QWidget*, const QString&, const QString&, const QStringList&) override { return -1; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString openFileName(QWidget*, const QString&, const QString&) override { return {}; }
    void openDocument(const QString&) override {}
    void openAddress(const QString&) override {}
    QStringList askTexts(QWidget*, const QString&, const QStringList&) override { return {}; }
    bool choosePrinter(QWidget*, QPrinter&, int) override { return false; }
    int chooseItem(QWidget*, const QString&, const QString&, const QStringList&) override { return -1; }
};

// The time this thread computed, and the time on the clock: on a shared
// machine the first is what an idle one would take.
struct Stopwatch {
    static double cpu() {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
    }
    static double wall() {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    }
    double cpuStart = cpu();
    double wallStart = wall();
    double cpuSeconds() const { return cpu() - cpuStart; }
    double wallSeconds() const { return wall() - wallStart; }
};

// Until the window is on the screen with its first rows painted.
void showNow(QWidget& window) {
    window.show();
    QApplication::processEvents();
    window.repaint();
}

void BM_ArchiveWindowOpen(benchmark::State& state) {
    store::Database& db = bench::filledArchive();
    const CodeLists lists = defaultCodeLists();
    NoDialogs dialogs;
    double before = 0, wall = 0;
    int rows = 0;
    for (auto _ : state) {
        {
            const Stopwatch watch;
            FullList old(db);
            old.search({});
            showNow(old);
            before += watch.cpuSeconds();
        }
        const Stopwatch watch;
        app::ArchiveWindow window(db, lists, dialogs);
        showNow(window);
        state.SetIterationTime(watch.cpuSeconds());
        wall += watch.wallSeconds();
        rows = window.list()->model()->rowCount();
    }
    const auto perIteration = [&](double seconds) {
        return 1000 * seconds / static_cast<double>(state.iterations());
    };
    state.counters["rows"] = rows;
    state.counters["wall_ms"] = perIteration(wall);
    state.counters["full_list_ms"] = perIteration(before);
}
BENCHMARK(BM_ArchiveWindowOpen)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);

// A search typed into the open window, "Suchen", until the list shows it.
void BM_ArchiveWindowSearch(benchmark::State& state, const std::map<QString, QString>& fields,
                            const store::ArchiveFilter& filter) {
    store::Database& db = bench::filledArchive();
    const CodeLists lists = defaultCodeLists();
    NoDialogs dialogs;
    app::ArchiveWindow window(db, lists, dialogs);
    showNow(window);
    FullList old(db);
    showNow(old);
    for (const auto& [name, text] : fields)
        window.findChild<QLineEdit*>(name)->setText(text);
    double before = 0, wall = 0;
    for (auto _ : state) {
        {
            const Stopwatch watch;
            old.search(filter);
            old.list()->viewport()->repaint();
            before += watch.cpuSeconds();
        }
        const Stopwatch watch;
        window.search();
        window.list()->viewport()->repaint();
        state.SetIterationTime(watch.cpuSeconds());
        wall += watch.wallSeconds();
    }
    const auto perIteration = [&](double seconds) {
        return 1000 * seconds / static_cast<double>(state.iterations());
    };
    state.counters["found"] = window.list()->model()->rowCount();
    state.counters["wall_ms"] = perIteration(wall);
    state.counters["full_list_ms"] = perIteration(before);
}
BENCHMARK_CAPTURE(BM_ArchiveWindowSearch, number, {{"archiveText", "RE-2026-0815"}},
                  store::ArchiveFilter{.text = "RE-2026-0815"})
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ArchiveWindowSearch, party, {{"archiveText", "kunde 77 "}},
                  store::ArchiveFilter{.text = "kunde 77 "})
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ArchiveWindowSearch, dateRange,
                  {{"archiveFrom", "01.03.2026"}, {"archiveTo", "31.03.2026"}},
                  store::ArchiveFilter{.fromDate = "2026-03-01", .toDate = "2026-03-31"})
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ArchiveWindowSearch, amountRange,
                  {{"archiveMinGross", "1000,00"}, {"archiveMaxGross", "1100,00"}},
                  store::ArchiveFilter{.minGross = "1000", .maxGross = "1100"})
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ArchiveWindowSearch, everything, {}, store::ArchiveFilter{})
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
