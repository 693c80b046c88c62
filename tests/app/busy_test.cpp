// Long commands run off the window's thread: the window takes typing while a
// PDF or a save is written, while the check before saving runs and while the
// validator runs; the job writes the document as it was when it started, a
// refused check writes nothing, and a cancelled job leaves the old file as it
// was.
#include "window_harness.h"

#include "form/document_check.h"
#include "form/input_rules.h"
#include "generate.h"
#include "store/archive.h"
#include "store/numbers.h"

#include <qpdf/QPDF.hh>

#include <csignal>

using namespace tallomir;

namespace {

constexpr int customerName = 125;
const QString typed = QStringLiteral("Neue Kundin AG");

QString documentCustomer(const WindowHarness& h) {
    return QString::fromStdString(*documentText(h.state.doc, static_cast<FieldId>(customerName)));
}

// Starts a command whose job waits when it has done `pauseAt` steps, until
// the test resumes it.
void startPaused(WindowHarness& h, int pauseAt, void (app::MainWindow::*command)()) {
    h.window->jobs()->setWaitForEachJob(false);
    h.window->jobs()->pauseAt(pauseAt);
    (h.window.get()->*command)();
    QTRY_VERIFY_WITH_TIMEOUT(h.window->jobs()->paused(), 25000);
}

void waitForEnd(WindowHarness& h) {
    h.window->jobs()->resume();
    QTRY_VERIFY_WITH_TIMEOUT(!h.window->jobs()->busy(), 25000);
}

} // namespace

class BusyTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The PDF of a 5,000-line invoice: typed keys arrive while its pages are
    // painted, and the file is whole.
    void typingWhileThePdfIsWritten() {
        WindowHarness h;
        static_cast<DocumentState&>(h.state) = bench::generateInvoice(5000);
        h.window->showDocument();
        h.dialogs.saveAnswers = {h.path("lang.pdf")};
        startPaused(h, 1, &app::MainWindow::pdfCommand);
        // The progress bar counts the pages laid out.
        h.window->jobs()->showProgressNow();
        const int pages = h.find<QProgressBar>(QStringLiteral("jobProgress"))->maximum();
        h.type(customerName, typed);
        QVERIFY(h.window->jobs()->busy());
        QCOMPARE(documentCustomer(h), typed);
        QCOMPARE(h.text(customerName), typed);
        waitForEnd(h);
        QPDF pdf;
        pdf.processFile(qPrintable(h.path("lang.pdf")));
        QCOMPARE(static_cast<int>(pdf.getAllPages().size()), pages);
        QVERIFY(pages > 100);
        QVERIFY(h.dialogs.messages.isEmpty());
    }

    // Printing a 1,000-line invoice: typed keys arrive while its pages are
    // painted, and the pages chosen are printed. Cancelled after its first
    // page, the print says what already went to the printer.
    void typingWhileALongInvoiceIsPrinted_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<bool>("cancelled");
        QTest::addColumn<int>("printed"); // pages in the file; 0: all
        QTest::newRow("all pages") << 0 << 0 << false << 0;
        QTest::newRow("pages 2 to 4") << 2 << 4 << false << 3;
        QTest::newRow("cancelled") << 0 << 0 << true << 1;
    }
    void typingWhileALongInvoiceIsPrinted() {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(bool, cancelled);
        QFETCH(int, printed);
        WindowHarness h;
        static_cast<DocumentState&>(h.state) = bench::generateInvoice(1000);
        h.window->showDocument();
        h.dialogs.printAnswer = h.path("druck.pdf");
        h.dialogs.printFrom = from;
        h.dialogs.printTo = to;
        // The painting job waits after its first page.
        h.dialogs.printerChosen = [&h] { h.window->jobs()->pauseAt(1); };
        h.window->jobs()->setWaitForEachJob(false);
        h.window->printCommand();
        QTRY_VERIFY_WITH_TIMEOUT(h.window->jobs()->paused(), 25000);
        h.window->jobs()->showProgressNow();
        const int pages = h.find<QProgressBar>(QStringLiteral("jobProgress"))->maximum();
        QVERIFY(from > 0 || pages > 20);
        h.type(customerName, typed);
        QVERIFY(h.window->jobs()->busy());
        QCOMPARE(documentCustomer(h), typed);
        if (cancelled)
            QTest::mouseClick(h.find<QPushButton>(QStringLiteral("jobCancel")), Qt::LeftButton);
        waitForEnd(h);
        QPDF pdf;
        pdf.processFile(qPrintable(h.path("druck.pdf")));
        QCOMPARE(static_cast<int>(pdf.getAllPages().size()), printed > 0 ? printed : pages);
        QCOMPARE(h.dialogs.messages,
                 cancelled
                     ? QStringList(QStringLiteral("Drucken|Der Druck wurde abgebrochen; die ersten 1 von "
                                                  "%1 Seiten gingen schon an den Drucker.")
                                       .arg(pages))
                     : QStringList());
    }

    // A save writes the document as it was when it started; what is typed
    // meanwhile reaches the form and keeps the document changed. A second
    // command waits its turn.
    void typingWhileTheInvoiceIsSaved() {
        WindowHarness h;
        h.fillMandatoryFields();
        h.dialogs.saveAnswers = {h.path("beleg.xml")};
        startPaused(h, 0, &app::MainWindow::saveCommand);
        h.type(customerName, typed);
        h.window->newCommand();
        QCOMPARE(h.dialogs.messages,
                 QStringList(QStringLiteral("Neu|Bitte warten: „XML Datei speichern“ läuft noch. Es kann mit "
                                            "„Abbrechen“ in der Statuszeile abgebrochen werden.")));
        waitForEnd(h);
        keepSavedFile(h.path("beleg.xml"));
        const QByteArray saved = readFile(h.path("beleg.xml"));
        QVERIFY(saved.contains("Kundin GmbH") && !saved.contains(typed.toUtf8()));
        QCOMPARE(documentCustomer(h), typed);
        QVERIFY(h.state.modified && h.window->windowTitle().contains('*'));
        QCOMPARE(QString::fromStdString(h.state.currentFileName), h.path("beleg.xml"));
    }

    // Cancelled by "Abbrechen" or by closing the window, a PDF or a save
    // leaves the old file as it was, and the window says so.
    void cancelledJobsLeaveTheOldFile_data() {
        QTest::addColumn<bool>("pdf");
        QTest::addColumn<bool>("closing");
        QTest::addColumn<QString>("said");
        const QString pdfSaid = QStringLiteral("wurde abgebrochen; die Datei blieb, wie sie war.");
        const QString saveSaid = QStringLiteral("Speichern abgebrochen: die Datei ");
        QTest::newRow("PDF, Abbrechen") << true << false << pdfSaid;
        QTest::newRow("PDF, closing") << true << true << pdfSaid;
        QTest::newRow("save, Abbrechen") << false << false << saveSaid;
        QTest::newRow("save, closing") << false << true << saveSaid;
    }
    void cancelledJobsLeaveTheOldFile() {
        QFETCH(bool, pdf);
        QFETCH(bool, closing);
        QFETCH(QString, said);
        WindowHarness h;
        if (pdf) { // pages enough to stop after the first
            static_cast<DocumentState&>(h.state) = bench::generateInvoice(200);
            h.window->showDocument();
            h.type(customerName, typed); // unsaved
        } else {
            h.fillMandatoryFields();
        }
        const QString file = h.path(pdf ? "alt.pdf" : "alt.xml");
        QVERIFY(writeFile(file, "old"));
        h.dialogs.saveAnswers = {file};
        h.dialogs.questionAnswers = {true}; // the file may be replaced
        // the PDF after its first page, the save once it is written beside the old file
        startPaused(h, pdf ? 1 : 2, pdf ? &app::MainWindow::pdfCommand : &app::MainWindow::saveCommand);
        h.window->jobs()->showProgressNow();
        if (closing) {
            h.window->close(); // asks about the unsaved document: "Abbrechen" keeps the window
            QVERIFY(h.window->isVisible());
        } else {
            QTest::mouseClick(h.find<QPushButton>(QStringLiteral("jobCancel")), Qt::LeftButton);
        }
        waitForEnd(h);
        QCOMPARE(readFile(file), QByteArray("old"));
        QCOMPARE(QDir(h.path("")).entryList(QDir::Files).size(), 1); // nothing half-written beside it
        QVERIFY((h.dialogs.messages.join('\n') + h.window->statusField()->text()).contains(said));
        QVERIFY(h.state.modified);
    }

    // The check before saving runs in the job over the form as it was when
    // "Speichern" was chosen; refused, it writes nothing and asks for no file,
    // and its message is the check's own.
    void aRefusedCheckWritesNothing() {
        WindowHarness h;
        h.type(92, QStringLiteral("RE-1")); // the customer's name is still missing
        const MandatoryCheck expected = checkMandatoryFields(h.state);
        QVERIFY(!expected.ok);
        const QString file = h.path("alt.xml");
        QVERIFY(writeFile(file, "old"));
        h.dialogs.saveAnswers = {file};
        h.dialogs.questionAnswers = {true};
        startPaused(h, 0, &app::MainWindow::saveCommand);
        h.type(customerName, typed); // the name the check finds missing, typed meanwhile
        QCOMPARE(documentCustomer(h), typed);
        waitForEnd(h);
        QCOMPARE(readFile(file), QByteArray("old"));
        QVERIFY(h.dialogs.saveRequests.isEmpty());
        QCOMPARE(h.dialogs.messages, QStringList(QString::fromStdString(expected.title) + '|' +
                                                 QString::fromStdString(expected.text)));
        QCOMPARE(QDir(h.path("")).entryList(QDir::Files).size(), 1);
        QVERIFY(h.state.modified && h.window->windowTitle().contains('*'));
    }

    // With a database, the number is taken and the file archived by the job:
    // the window takes typing meanwhile, and the archive holds exactly the
    // bytes of the file.
    void savingWithTheDatabase() {
        QTemporaryDir folder;
        store::Database db;
        QVERIFY(db.open(folder.filePath(QStringLiteral("tallomir.sqlite")).toStdString()));
        WindowHarness h(defaultCodeLists(), &db);
        const QString proposed = h.text(92);
        h.fillMandatoryFields();
        h.type(92, proposed);
        // Cancelled once the file is written beside the old one: the old file
        // stays, nothing is archived, no number is taken.
        QVERIFY(writeFile(h.path("beleg.xml"), "old"));
        h.dialogs.saveAnswers = {h.path("beleg.xml")};
        h.dialogs.questionAnswers = {true};
        startPaused(h, 2, &app::MainWindow::saveCommand);
        h.window->jobs()->cancel();
        waitForEnd(h);
        QCOMPARE(readFile(h.path("beleg.xml")), QByteArray("old"));
        QVERIFY(store::findArchived(db).empty() && !store::numberHolder(db, proposed.toStdString()));

        // Another program issues the proposed number meanwhile: the file gets
        // the next one, and the form shows it.
        const std::string pattern = store::numberPattern(h.state.lists, h.state.doc.documentTypeCode);
        QVERIFY(db.transaction([&]() -> std::string {
                      const store::NumberOutcome number = store::takeNumber(
                          db, proposed.toStdString(), "", true, pattern, QDate::currentDate().year());
                      if (!number.ok)
                          return number.message;
                      DocumentState other = h.state;
                      other.doc.documentNumber = number.number;
                      const store::ArchiveOutcome archived =
                          store::archiveInvoice(db, "<Invoice>andere</Invoice>", store::Direction::Issued,
                                                store::archiveFactsOf(other));
                      return archived.ok ? store::recordIssuedNumber(db, number.number, archived.id)
                                         : archived.message;
                  }).empty());
        h.dialogs.saveAnswers = {h.path("beleg.xml")};
        h.dialogs.questionAnswers = {true};
        startPaused(h, 1, &app::MainWindow::saveCommand); // the file chosen, nothing written yet
        h.type(customerName, typed);
        QCOMPARE(store::findArchived(db).size(), std::size_t(1)); // the other program's
        waitForEnd(h);
        const QByteArray saved = readFile(h.path("beleg.xml"));
        QVERIFY(saved.contains("Kundin GmbH") && !saved.contains(typed.toUtf8()));
        QCOMPARE(store::findArchived(db).size(), std::size_t(2));
        const QString next = h.text(92);
        QVERIFY(next != proposed && saved.contains(next.toUtf8()));
        QCOMPARE(QString::fromStdString(h.state.doc.documentNumber), next);
        const std::optional<store::ArchiveEntry> holder = store::numberHolder(db, next.toStdString());
        QVERIFY(holder);
        QCOMPARE(store::archivedBytes(db, holder->id).value(), saved);
        QCOMPARE(h.dialogs.messages.size(), 1); // the note on the number
        QVERIFY(h.dialogs.messages[0].contains(next));
        QCOMPARE(documentCustomer(h), typed);
        QVERIFY(h.state.modified);
        keepSavedFile(h.path("beleg.xml"));

        // Saved again, the invoice keeps its number.
        h.dialogs.saveAnswers = {h.path("beleg.xml")};
        h.dialogs.questionAnswers = {true};
        h.window->jobs()->setWaitForEachJob(true);
        h.window->saveCommand();
        QCOMPARE(h.dialogs.messages.size(), 1);
        QCOMPARE(store::findArchived(db).size(), std::size_t(3));
        QVERIFY(readFile(h.path("beleg.xml")).contains(typed.toUtf8()));
        QVERIFY(!h.state.modified);
    }

    // The validator runs as a job: the window takes typing while it runs,
    // "Abbrechen" ends it; a run to its end opens the report.
    void typingWhileTheValidatorRuns() {
        WindowHarness h;
        h.fillMandatoryFields();
        QVERIFY(QDir().mkpath(h.path("validator")));
        for (const CodeLists::ValidatorSetup& setup : h.state.lists.validators)
            QVERIFY(writeFile(h.path("validator/") + QString::fromStdString(setup.jar), "x"));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QByteArray(TALLOMIR_FAKE_JAVA_DIR) + ":" + path);
        qputenv("FAKE_JAVA_RECORD", h.path("java").toUtf8());
        qputenv("FAKE_JAVA_MODE", "hang");
        h.window->jobs()->setWaitForEachJob(false);
        h.dialogs.choiceAnswers = {"Rechnung im Formular"};
        h.window->validateCommand();
        QTRY_VERIFY_WITH_TIMEOUT(!readFile(h.path("java.pid")).isEmpty(), 25000);
        QVERIFY(h.window->jobs()->busy());
        // the form's copy stays while the validator runs
        QVERIFY(QFile::exists(QString::fromUtf8(readFile(h.path("java.args")).trimmed().split('\n').last())));
        h.type(customerName, typed);
        QCOMPARE(documentCustomer(h), typed);
        h.window->jobs()->showProgressNow();
        QTest::mouseClick(h.find<QPushButton>(QStringLiteral("jobCancel")), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!h.window->jobs()->busy(), 25000);
        const int pid = readFile(h.path("java.pid")).trimmed().toInt();
        QVERIFY(pid > 0 && ::kill(pid, 0) != 0); // the validator ended
        QCOMPARE(h.dialogs.messages.size(), 1);  // the confirmation alone
        QVERIFY(h.dialogs.messages[0].startsWith("XRechnung validieren|"));
        QVERIFY(h.dialogs.opened.isEmpty());

        qputenv("FAKE_JAVA_MODE", "report");
        h.dialogs.choiceAnswers = {"Rechnung im Formular"};
        h.window->validateCommand();
        QTRY_VERIFY_WITH_TIMEOUT(!h.window->jobs()->busy(), 25000);
        qputenv("PATH", path);
        QCOMPARE(h.dialogs.opened, QStringList(h.path("validator/Formular-report.html")));
    }
};

std::unique_ptr<QObject> makeBusyTest() {
    return std::make_unique<BusyTest>();
}

#include "busy_test.moc"
