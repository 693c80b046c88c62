// The window with the business's database: archive, numbers, own company,
// customers and articles.
#include "window_harness.h"

#include "app/archive_list_model.h"
#include "app/archive_window.h"
#include "app/invoice_view.h"
#include "store/numbers.h"

#include <QSqlQuery>

using namespace tallomir;

namespace {

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

// The texts a column of a list shows, every row.
QStringList columnTexts(const QTableView* list, int column) {
    QStringList texts;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        texts << list->model()->index(row, column).data().toString();
    return texts;
}

void clickHeader(QTableView* list, int column) {
    QTest::mouseClick(list->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(list->horizontalHeader()->sectionViewportPosition(column) + 5, 5));
}

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
        h.trigger(QStringLiteral("Neu"));
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
        h.trigger(QStringLiteral("Neu"));
        QCOMPARE(h.text(92), numberOf(1)); // the failed save used no number

        h.fillMandatoryFields(false);
        h.type(92, numberOf(1));
        h.addLine("1|1|Mutter|1,00|19");
        QVERIFY(!h.saveAs(QStringLiteral("erste.xml")).isEmpty());
        h.trigger(QStringLiteral("Neu"));
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

    // "Neu" after loading a received invoice fills "Lieferant" with the own
    // company, or empties it when none is stored: the sender never stays.
    void newAfterALoadFillsTheSupplierWithTheOwnCompany() {
        for (const bool remembered : {true, false}) {
            StoreHarness s;
            WindowHarness& h = *s.h;
            h.fillMandatoryFields();
            if (remembered)
                h.click("buttonRememberOwnCompany");
            const QByteArray saved = h.saveAs(QStringLiteral("a.xml"));
            QVERIFY(writeFile(h.path(QStringLiteral("fremd.xml")),
                              QByteArray(saved).replace("Lieferant &amp; Söhne KG", "Absender AG")));
            h.dialogs.openAnswers = {h.path(QStringLiteral("fremd.xml"))};
            h.window->loadCommand();
            QCOMPARE(h.text(111), QStringLiteral("Absender AG"));
            h.trigger(QStringLiteral("Neu"));
            QCOMPARE(h.texts({111, 106, 115}), remembered
                                                   ? QStringList({"Lieferant & Söhne KG", "Bonn", "0228 123"})
                                                   : QStringList({"", "", ""}));
            // A new start shows the own company too.
            WindowHarness restart(defaultCodeLists(), &s.db);
            QCOMPARE(restart.text(111), remembered ? QStringLiteral("Lieferant & Söhne KG") : QString());
        }
    }

    // "Kunde merken", then "Kunde wählen …" fills the page, Leitweg-ID and
    // electronic address included.
    void choosingACustomerFillsThePageKunde() {
        StoreHarness s;
        WindowHarness& h = *s.h;
        h.click("buttonChooseCustomer");
        QCOMPARE(h.dialogs.messages.last(), QStringLiteral("Kunde wählen|Es ist noch kein Kunde gemerkt."));
        h.fillMandatoryFields();
        h.typeAll("174=rechnung@kundin.example");
        h.click("buttonRememberCustomer");
        h.typeAll("125=Zweite KG|91=991-1");
        h.click("buttonRememberCustomer");
        h.typeAll("125=Kundin GmbH|120=Bonn");
        h.click("buttonRememberCustomer"); // updated
        h.dialogs.choiceAnswers = {"Verwerfen"};
        h.trigger(QStringLiteral("Neu"));
        QCOMPARE(h.texts({125, 120, 91, 174}), QStringList({"", "", "", ""}));
        h.dialogs.itemAnswers = {"Kundin GmbH"};
        h.click("buttonChooseCustomer");
        QCOMPARE(h.dialogs.choices.last(), QStringLiteral("Kunde wählen|Kunde:|Kundin GmbH/Zweite KG"));
        QCOMPARE(h.texts({125, 120, 121, 91, 174}),
                 QStringList({"Kundin GmbH", "Bonn", "50667", "991-1", "rechnung@kundin.example"}));
        QCOMPARE(h.window->tabs()->currentIndex(), 2);
    }

    // "Artikel merken" stores the line's article; typing its name offers it
    // and taking it fills the line.
    void anArticleFillsTheLine() {
        StoreHarness s;
        WindowHarness& h = *s.h;
        h.typeAll("lineItemNumber=A-17|lineItemName=Schrauben M6|lineUnitPrice=0,12|lineVatPercent=7");
        h.type(h.find("lineDescription"), QStringLiteral("verzinkt"), 0);
        h.click("buttonRememberArticle");
        h.addLine("1|100|Mutter|0,05|19");
        auto* name = h.find<QLineEdit>(QStringLiteral("lineItemName"));
        h.type(name, QStringLiteral("schrau"), 0);
        QAbstractItemView* popup = name->completer()->popup();
        QTRY_VERIFY(popup->isVisible());
        QTest::keyClick(popup, Qt::Key_Down);
        QTest::keyClick(popup, Qt::Key_Return);
        QCOMPARE(QStringList({h.text("lineItemNumber"), h.text("lineItemName"), h.text("lineUnitPrice"),
                              h.text("lineVatPercent"), h.text("lineDescription")}),
                 QStringList({"A-17", "Schrauben M6", "0,12", "7,00", "verzinkt"}));
    }

    // "Archiv": the list searched and sorted, an entry exported unchanged,
    // opened in the form, and the archive checked.
    void theArchiveWindowFindsExportsAndOpensEntries() {
        StoreHarness s;
        WindowHarness& h = *s.h;
        h.fillMandatoryFields();
        const QByteArray saved = h.saveAs(QStringLiteral("a.xml"));
        QVERIFY(writeFile(h.path(QStringLiteral("fremd.xml")),
                          QByteArray(saved).replace("RE-2024-001", "FREMD-7")));
        h.dialogs.openAnswers = {h.path(QStringLiteral("fremd.xml"))};
        h.window->loadCommand();
        h.trigger(QStringLiteral("Neu"));
        h.trigger(QStringLiteral("Archiv"));
        auto* archive = h.window->findChild<app::ArchiveWindow*>();
        QVERIFY(archive && archive->isVisible());
        QTableView* list = archive->list();
        const auto column = [&](int c) { return columnTexts(list, c); };
        QCOMPARE(column(2), QStringList({"RE-2024-001", "FREMD-7"}));
        QCOMPARE(column(1), QStringList({"ausgestellt", "empfangen"}));
        QCOMPARE(column(6), QStringList({"119,00", "119,00"}));
        clickHeader(list, 2);
        QCOMPARE(column(2), QStringList({"FREMD-7", "RE-2024-001"}));
        // Search fields: the text, then a date range without the invoices' date.
        const QString today = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
        const std::pair<QString, QStringList> searches[] = {
            {"archiveText=re-2024", {"RE-2024-001"}},
            {"archiveText=|archiveFrom=" + today + "|archiveTo=" + today, {"FREMD-7", "RE-2024-001"}},
            {"archiveFrom=01.01.2000|archiveTo=31.12.2000", {}},
            {"archiveFrom=|archiveTo=|archiveMinGross=119,01", {}},
            {"archiveMinGross=100|archiveMaxGross=119,00", {"FREMD-7", "RE-2024-001"}},
        };
        for (const auto& [fields, numbers] : searches) {
            for (const QString& entry : fields.split('|'))
                archive->findChild<QLineEdit*>(entry.section('=', 0, 0))->setText(entry.section('=', 1));
            QTest::mouseClick(archive->findChild<QPushButton*>(QStringLiteral("buttonArchiveSearch")),
                              Qt::LeftButton);
            QCOMPARE(column(2), numbers);
        }
        list->setCurrentIndex(list->model()->index(0, 0)); // FREMD-7
        h.dialogs.saveAnswers = {h.path(QStringLiteral("export.xml"))};
        QTest::mouseClick(archive->findChild<QPushButton*>(QStringLiteral("buttonArchiveExport")),
                          Qt::LeftButton);
        QCOMPARE(readFile(h.path(QStringLiteral("export.xml"))),
                 readFile(h.path(QStringLiteral("fremd.xml"))));
        QTest::mouseClick(archive->findChild<QPushButton*>(QStringLiteral("buttonArchiveView")),
                          Qt::LeftButton);
        auto* view = archive->findChild<app::InvoiceView*>();
        QVERIFY(view && view->isVisible() && view->pageCount() == 1);
        QTest::mouseClick(archive->findChild<QPushButton*>(QStringLiteral("buttonArchiveVerify")),
                          Qt::LeftButton);
        QCOMPARE(
            h.dialogs.messages.last(),
            QStringLiteral("Archiv prüfen|Alle Einträge des Archivs stimmen mit ihren Prüfsummen überein."));
        QTest::mouseClick(archive->findChild<QPushButton*>(QStringLiteral("buttonArchiveOpen")),
                          Qt::LeftButton);
        QCOMPARE(h.text(92), QStringLiteral("FREMD-7"));
        QCOMPARE(h.text(111), QStringLiteral("Lieferant & Söhne KG"));
    }

    // A received hybrid PDF: "Laden" archives its bytes unchanged; the entry
    // opens in the view and in the form as the invoice it carries, and
    // "Exportieren …" writes the PDF's bytes unchanged.
    void aReceivedHybridPdfIsArchivedAsItCame() {
        StoreHarness s;
        WindowHarness& h = *s.h;
        h.fillMandatoryFields();
        QVERIFY(writeFile(h.path(QStringLiteral("fremd.xml")),
                          h.saveAs(QStringLiteral("a.xml")).replace("RE-2024-001", "FREMD-PDF")));
        QProcess cli;
        cli.start(QStringLiteral(TALLOMIR_CLI), {"zugferd", h.path("fremd.xml"), h.path("fremd.pdf")});
        QVERIFY(cli.waitForFinished(30000) && cli.exitCode() == 0);
        const QByteArray pdf = readFile(h.path(QStringLiteral("fremd.pdf")));
        h.dialogs.openAnswers = {h.path(QStringLiteral("fremd.pdf"))};
        h.window->loadCommand();
        h.trigger(QStringLiteral("Neu"));
        h.trigger(QStringLiteral("Archiv"));
        auto* archive = h.window->findChild<app::ArchiveWindow*>();
        QTableView* list = archive->list();
        QCOMPARE(columnTexts(list, 2) + columnTexts(list, 1),
                 QStringList({"RE-2024-001", "FREMD-PDF", "ausgestellt", "empfangen"}));
        QCOMPARE(store::archivedBytes(s.db, 2).value(), pdf);
        list->setCurrentIndex(list->model()->index(1, 0));
        QTest::mouseClick(archive->findChild<QPushButton*>(QStringLiteral("buttonArchiveView")),
                          Qt::LeftButton);
        auto* view = archive->findChild<app::InvoiceView*>();
        QVERIFY(view);
        QCOMPARE(view->windowTitle(), QStringLiteral("Rechnung Nr. FREMD-PDF - Tallomir"));
        h.dialogs.saveAnswers = {h.path(QStringLiteral("export.pdf"))};
        QTest::mouseClick(archive->findChild<QPushButton*>(QStringLiteral("buttonArchiveExport")),
                          Qt::LeftButton);
        QCOMPARE(h.dialogs.saveRequests.last(),
                 QStringLiteral(
                     "Archiveintrag exportieren|FREMD-PDF.pdf|PDF Dateien (*.pdf);;Alle Dateien (*.*)"));
        QCOMPARE(readFile(h.path(QStringLiteral("export.pdf"))), pdf);
        QTest::mouseClick(archive->findChild<QPushButton*>(QStringLiteral("buttonArchiveOpen")),
                          Qt::LeftButton);
        QCOMPARE(h.texts({92, 111}), QStringList({"FREMD-PDF", "Lieferant & Söhne KG"}));
    }

    // A full disk while a saved invoice is archived: the file is written,
    // the entries stored before stay as they were, and a box says that the
    // invoice is not archived and its number not taken.
    void aFullDiskWhileArchivingLosesNothingAndTellsTheUser() {
        StoreHarness s;
        WindowHarness& h = *s.h;
        h.fillMandatoryFields();
        const QByteArray first = h.saveAs(QStringLiteral("a.xml"));
        // Nothing more fits: every connection (the save's is one of its own)
        // fails to store further bytes as on a full disk.
        QSqlQuery query(s.db.connection());
        QVERIFY(query.exec("CREATE TRIGGER disk_full BEFORE INSERT ON archive_bytes "
                           "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END"));
        h.type(92, QStringLiteral("RE-2024-002"));
        QVERIFY(!h.saveAs(QStringLiteral("b.xml")).isEmpty());
        const QString said = h.dialogs.messages.isEmpty() ? QString() : h.dialogs.messages.last();
        QVERIFY2(
            said.startsWith("XML Datei speichern|Die Datei wurde gespeichert, aber nicht im Archiv vermerkt; "
                            "ihre Rechnungsnummer gilt nicht als vergeben."),
            qPrintable(said));
        const std::vector<store::ArchiveEntry> entries = store::findArchived(s.db);
        QCOMPARE(entries.size(), std::size_t(1));
        QCOMPARE(store::archivedBytes(s.db, entries[0].id).value(), first);
        QVERIFY(store::verifyArchive(s.db).differing.empty());
        QVERIFY(!store::numberHolder(s.db, "RE-2024-002"));
    }

    // More entries than the list reads at once: each column sorts the whole
    // result both ways, every row shows its own entry, the last row at the
    // bottom of the scrolled list, and the chosen entry stays chosen.
    void theArchiveListSortsAndScrollsOverEveryRow() {
        StoreHarness s;
        constexpr int count = 150; // more than two pages of the list
        struct Entry {
            QString number;
            std::string keys[6]; // direction, number, date, seller, buyer, cents: as the list orders them
        };
        std::vector<Entry> entries;
        // A joinery's invoices to its customers, and every third one received from a supplier.
        const char* const customers[] = {"Stadt Köln", "Praxis Dr. Weber", "Schule am Park",
                                         "Café Rheinblick", "Kreis Bonn"};
        const char* const suppliers[] = {"Holzhandel Nord KG", "Beschläge Müller GmbH", "Lackwerk Süd AG"};
        s.db.transaction([&]() -> std::string {
            for (int i = 1; i <= count; ++i) {
                const bool received = i % 3 == 0;
                const int cents = i * 7919 % 400000 + 1990;
                const store::ArchiveFacts facts{
                    (received ? QString::asprintf("L-%d", 4400 + i * 53 % 151)
                              : QString::asprintf("RE-2026-%04d", i))
                        .toStdString(),
                    "380",
                    QDate(2026, 1, 2)
                        .addDays(i * 2 - (received ? i % 7 : 0))
                        .toString(Qt::ISODate)
                        .toStdString(),
                    received ? suppliers[i / 3 % 3] : "Tischlerei Muster GmbH",
                    received ? "Tischlerei Muster GmbH" : customers[i % 5],
                    "0.00",
                    "0.00",
                    QString::asprintf("%d.%02d", cents / 100, cents % 100).toStdString()};
                const auto direction = received ? store::Direction::Received : store::Direction::Issued;
                store::archiveInvoice(s.db, QByteArray::number(i), direction, facts);
                entries.push_back(
                    {QString::fromStdString(facts.number),
                     {store::directionName(direction), facts.number, facts.issueDate, facts.seller,
                      facts.buyer, QString::asprintf("%08d", cents).toStdString()}});
            }
            return {};
        });
        s.h->trigger(QStringLiteral("Archiv"));
        auto* archive = s.h->window->findChild<app::ArchiveWindow*>();
        QTableView* list = archive->list();
        QVERIFY(QTest::qWaitForWindowExposed(archive));
        archive->repaint(); // the list shows its first rows and has read no more
        QCOMPARE(qobject_cast<app::ArchiveListModel*>(list->model())->rowsRead(),
                 app::ArchiveListModel::pageSize);
        if (const QString folder = qEnvironmentVariable("TALLOMIR_SCREENSHOTS"); !folder.isEmpty()) {
            list->setCurrentIndex(list->model()->index(2, 0)); // the README's picture
            QVERIFY(archive->grab().save(folder + QStringLiteral("/archiv.png")));
        }
        list->setCurrentIndex(list->model()->index(count - 1, 0)); // the last entry
        for (int column = 1; column <= 6; ++column)
            for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
                clickHeader(list, column);
                QCOMPARE(list->horizontalHeader()->sortIndicatorOrder(), order);
                std::vector<const Entry*> sorted;
                for (const Entry& e : entries)
                    sorted.push_back(&e);
                std::stable_sort(sorted.begin(), sorted.end(), [&](const Entry* a, const Entry* b) {
                    return a->keys[column - 1] < b->keys[column - 1];
                });
                if (order == Qt::DescendingOrder)
                    std::reverse(sorted.begin(), sorted.end()); // alike go by id the same way
                QStringList numbers;
                for (const Entry* e : sorted)
                    numbers << e->number;
                list->scrollToBottom();
                QTest::qWait(0);
                const QModelIndex bottom = list->indexAt(QPoint(5, list->viewport()->height() - 3));
                QCOMPARE(bottom.row(), count - 1);
                QCOMPARE(list->model()->index(bottom.row(), 2).data().toString(), numbers.last());
                QCOMPARE(columnTexts(list, 2), numbers);
                QCOMPARE(archive->currentId(), qint64(count));
            }
    }
};

std::unique_ptr<QObject> makeStoreWindowTest() {
    return std::make_unique<StoreWindowTest>();
}

#include "store_window_test.moc"
