// The window with the business's database: archive, numbers, own company,
// customers and articles.
#include "window_harness.h"

#include "store/numbers.h"

using namespace tallomir;

namespace {

void trigger(WindowHarness& h, const QString& text) {
    for (QAction* top : h.window->menuBar()->actions())
        for (QAction* action : top->menu()->actions())
            if (QString(action->text()).remove('&') == text)
                return action->trigger();
    QFAIL(qPrintable("no menu entry " + text));
}

// A database of its own in a temporary folder, open before the window.
struct StoreHarness {
    explicit StoreHarness(const CodeLists& lists = defaultCodeLists()) {
        if (!db.open(folder.filePath(QStringLiteral("tallomir.sqlite")).toStdString()))
            QTest::qFail(db.message().c_str(), __FILE__, __LINE__);
        h = std::make_unique<WindowHarness>(lists, &db);
    }
    QTemporaryDir folder;
    store::Database db;
    std::unique_ptr<WindowHarness> h;
};

QString numberOf(int counter) {
    return QString::fromStdString(
        store::formatNumber("RE-{JJJJ}-{NNNN}", QDate::currentDate().year(), counter));
}

} // namespace

class StoreWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // "Neu" proposes the range's next number; a failed save and a number typed
    // by hand leave the counter; a number another saved invoice holds is refused.
    void newProposesTheNextNumberAndAReusedOneIsRefused() {
        StoreHarness s;
        WindowHarness& h = *s.h;
        QCOMPARE(h.text(92), numberOf(1));
        h.fillMandatoryFields(); // types "RE-2024-001"
        QVERIFY(!h.saveAs(QStringLiteral("von-hand.xml")).isEmpty());
        trigger(h, QStringLiteral("Neu"));
        QCOMPARE(h.text(92), numberOf(1));

        h.fillMandatoryFields();
        QVERIFY(h.saveAs(QStringLiteral("doppelt.xml")).isEmpty());
        QCOMPARE(
            h.dialogs.messages.last(),
            QStringLiteral("XML Datei speichern|Die Rechnungsnummer RE-2024-001 ist schon vergeben: an die "
                           "Rechnung vom %1 an Kundin GmbH über 119.00 (Archiv Nr. 1).")
                .arg(QDate::currentDate().toString(Qt::ISODate)));
        QCOMPARE(h.window->tabs()->currentIndex(), 0);

        h.type(92, numberOf(1));
        h.dialogs.saveAnswers = {h.path(QStringLiteral("fehlt/x.xml"))}; // a folder that is not there
        h.window->saveCommand();
        h.dialogs.choiceAnswers = {"Verwerfen"};
        trigger(h, QStringLiteral("Neu"));
        QCOMPARE(h.text(92), numberOf(1)); // the failed save used no number

        h.fillMandatoryFields(false);
        h.type(92, numberOf(1));
        h.addLine("1|1|Mutter|1,00|19");
        QVERIFY(!h.saveAs(QStringLiteral("erste.xml")).isEmpty());
        trigger(h, QStringLiteral("Neu"));
        QCOMPARE(h.text(92), numberOf(2));
    }

    // Saved files are archived as issued, loaded ones as received, each once.
    void savedAndLoadedFilesAreArchivedWithTheirBytes() {
        StoreHarness s;
        WindowHarness& h = *s.h;
        h.fillMandatoryFields();
        const QByteArray saved = h.saveAs(QStringLiteral("a.xml"));
        QVERIFY(!saved.isEmpty());
        QVERIFY(writeFile(h.path(QStringLiteral("empfangen.xml")),
                          QByteArray(saved).replace("RE-2024-001", "FREMD-7")));
        for (const char* name : {"a.xml", "empfangen.xml", "empfangen.xml"}) {
            h.dialogs.openAnswers = {h.path(QString::fromLatin1(name))};
            h.window->loadCommand();
        }
        const std::vector<store::ArchiveEntry> entries = store::findArchived(s.db);
        QCOMPARE(entries.size(), std::size_t(2));
        QCOMPARE(entries[0].direction, store::Direction::Issued);
        QCOMPARE(store::archivedBytes(s.db, entries[0].id).value(), saved);
        QCOMPARE(entries[1].direction, store::Direction::Received);
        QCOMPARE(entries[1].facts.number, std::string("FREMD-7"));
        QCOMPARE(entries[1].facts.gross, std::string("119.00"));
    }
};

std::unique_ptr<QObject> makeStoreWindowTest() {
    return std::make_unique<StoreWindowTest>();
}

#include "store_window_test.moc"
