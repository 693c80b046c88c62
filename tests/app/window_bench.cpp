// How long the window takes for a change to a long invoice: one "Anfügen"
// with the list and footer shown again and painted. Run by hand:
//   QT_QPA_PLATFORM=offscreen tallomir_app_bench
#include "window_harness.h"

#include "invoice/amounts.h"

#include <QTableView>
#include <QTest>

using namespace tallomir;

namespace {

void fillLines(WindowHarness& h, int count) {
    for (int i = 1; i <= count; ++i) {
        LineItem line;
        line.position = std::to_string(i);
        line.quantity = "3";
        line.itemName = "Artikel " + std::to_string(i);
        line.unitPrice = "12.34";
        line.lineVatPercent = i % 2 ? "19.00" : "7.00";
        line.lineNetAmount = "37.02";
        h.state.lines.push_back(line);
    }
    recomputeLines(h.state);
    recomputeTotals(h.state);
    h.window->showDocument();
}

} // namespace

class WindowBench : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void addLineToTenThousandLines() {
        WindowHarness h;
        QVERIFY(h.open());
        fillLines(h, 10000);
        h.showPageOf(h.lineList());
        QBENCHMARK {
            h.click(QStringLiteral("buttonAdd"));
            h.lineList()->viewport()->repaint();
        }
        QVERIFY(h.lineList()->model()->rowCount() > 10000);
    }

    void showLoadedTenThousandLines() {
        WindowHarness h;
        QVERIFY(h.open());
        fillLines(h, 10000);
        h.showPageOf(h.lineList());
        QBENCHMARK {
            h.window->showDocument();
            // Showing selects the first page; bring the list back to paint it.
            h.showPageOf(h.lineList());
            h.lineList()->viewport()->repaint();
        }
    }
};

QTEST_MAIN(WindowBench)

#include "window_bench.moc"
