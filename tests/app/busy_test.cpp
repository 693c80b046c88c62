// Long commands run off the window's thread: the window takes typing while a
// PDF or a save is written, the job writes the document as it was when it
// started, and a cancelled job leaves the old file as it was.
#include "window_harness.h"

#include "form/input_rules.h"
#include "generate.h"

#include <qpdf/QPDF.hh>

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
        // the PDF after its first page, the save as it starts
        startPaused(h, pdf ? 1 : 0, pdf ? &app::MainWindow::pdfCommand : &app::MainWindow::saveCommand);
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
};

std::unique_ptr<QObject> makeBusyTest() {
    return std::make_unique<BusyTest>();
}

#include "busy_test.moc"
