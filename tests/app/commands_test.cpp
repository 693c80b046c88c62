// The menu commands: "Neu", "Laden", "Speichern", "Ansicht", "Lizenzhinweis".
#include "window_harness.h"

#include "app/invoice_view.h"

#include "support/reference.h"

using namespace tallomir;

namespace {

const QString filter = QStringLiteral("XML Dateien (*.xml);;Alle Dateien (*.*)");
const QString discard = QStringLiteral("Tallomir Ver. 1.8|Ungespeicherte Änderungen verwerfen?");

void trigger(WindowHarness& h, const QString& text) {
    for (QAction* top : h.window->menuBar()->actions())
        for (QAction* action : top->menu()->actions())
            if (QString(action->text()).remove('&') == text)
                return action->trigger();
    QFAIL(qPrintable("no menu entry " + text));
}

} // namespace

class CommandsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void infoShowsTitleDisclaimerAndBothLicences() {
        WindowHarness h;
        trigger(h, QStringLiteral("Lizenzhinweis"));
        const QString text = h.dialogs.messages.join('\n');
        QVERIFY(text.startsWith(QStringLiteral("Info|Tallomir Ver. 1.8\n")) &&
                text.contains("Expat XML Parser") && text.contains(QStringLiteral("keinerlei Haftung")) &&
                text.contains("(LGPL-3.0)"));
    }

    // "Neu" asks first, keeps "Lieferant", clears the rest, shows "Belegkopf" unchanged.
    void newKeepsTheSupplierAndClearsTheRest() {
        CodeLists lists = defaultCodeLists(); // only the first three terms are offered
        lists.paymentTermsTexts = {"erste", "zweite", "dritte", "vierte"};
        WindowHarness h(lists);
        h.fillMandatoryFields();
        h.pick(135, 2); // "Überweisung"
        h.typeAll("136=Sparkasse|98=B-1|140=Rabatt|142=-5");
        QVERIFY(h.saveAs(QStringLiteral("erste.xml")).contains("<cbc:Note>erste</cbc:Note>"));
        h.type(92, QStringLiteral("RE-2"));
        h.dialogs.questionAnswers = {false, true};
        trigger(h, QStringLiteral("Neu"));
        QCOMPARE(h.text(92), QStringLiteral("RE-2"));
        QTest::keyClick(h.window.get(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(h.dialogs.questions, QStringList(2, discard));
        QCOMPARE(h.texts({111, 115, 114, 136, 137, 135, 91, 92, 98, 125, 140, 160, 139}),
                 QStringList({"Lieferant & Söhne KG", "0228 123", "Erika Muster", "Sparkasse",
                              "DE02120300000000202051", "Überweisung", "", "", "", "", "", "0,00", "erste"}));
        QCOMPARE(h.field<QComboBox>(139)->count(), 3);
        QCOMPARE(QString::number(h.window->tabs()->currentIndex()) + (h.state.modified ? " geändert " : " ") +
                     QString::fromStdString(h.state.currentFileName) +
                     QString::number(h.window->statusField()->text().contains(
                         QStringLiteral("„Lieferant“ wurden übernommen"))),
                 QStringLiteral("0 1"));
    }

    // Missing fields are named and the first shown before a name is asked; a
    // failed save says why; the file holds the field still being typed in.
    void saveChecksAsksAndWritesWhatIsShown() {
        WindowHarness h;
        h.fillMandatoryFields();
        h.typeAll("115=|122=DEU");
        h.dialogs.messages.clear();
        h.window->tabs()->setCurrentIndex(4);
        trigger(h, QStringLiteral("Speichern"));
        QVERIFY(h.dialogs.saveRequests.isEmpty() && h.window->tabs()->currentIndex() == 1 &&
                h.field(115)->hasFocus());
        h.typeAll("115=0228 1|122=DE");
        const QString target = h.path(QStringLiteral("fehlt/rechnung.xml"));
        h.dialogs.saveAnswers = {QString(), target, h.path("rechnung")}; // ".xml" is added to the last
        trigger(h, QStringLiteral("Speichern"));
        h.window->saveCommand();
        QVERIFY(h.state.modified);
        h.type(92, QStringLiteral("RE-LETZTE"), false);
        QTest::keyClick(h.field(92), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(h.dialogs.saveRequests.first(), "XML Datei speichern||" + filter);
        QCOMPARE(h.dialogs.messages,
                 QStringList({"Pflichtfelder|Die Datei kann so nicht gespeichert werden. Bitte ergänzen oder "
                              "korrigieren:\rLieferant: Telefon fehlt\rKunde: Land (kurz) „DEU“ ist kein "
                              "Ländercode nach ISO 3166 (z.B. DE)",
                              "XML Datei speichern|Es wurde kein Dateiname angegeben.",
                              "XML Datei speichern|Die Datei " + target +
                                  " konnte nicht gespeichert werden: Der Ordner existiert nicht."}));
        QCOMPARE(h.window->statusField()->text(), "Gespeicherte Datei:  " + h.path("rechnung.xml"));
        const QByteArray file = readFile(h.path("rechnung.xml"));
        QVERIFY(file.contains("<cbc:ID>RE-LETZTE</cbc:ID>") && !h.state.modified);

        // The next save proposes the file just written, and asks before replacing it.
        h.type(92, QStringLiteral("RE-NEU"));
        h.dialogs.saveAnswers = {h.path("rechnung")};
        h.dialogs.questionAnswers = {false};
        h.window->saveCommand();
        QCOMPARE(h.dialogs.saveRequests.last() + '|' + h.dialogs.questions.join('|'),
                 "XML Datei speichern|" + h.path("rechnung.xml") + '|' + filter +
                     "|XML Datei speichern|Die Datei " + h.path("rechnung.xml") +
                     " gibt es schon.\rSoll sie ersetzt werden?");
        QVERIFY(readFile(h.path("rechnung.xml")) == file && h.state.modified);
    }

    // "Laden" asks first; declined, or with a file not loaded, the form stays.
    void loadAsksFirstAndAFileNotLoadedLeavesTheForm() {
        WindowHarness h;
        h.type(92, QStringLiteral("RE-9"));
        h.dialogs.questionAnswers = {false, true, true};
        trigger(h, QStringLiteral("Laden")); // declined: no file is asked for
        QTest::keyClick(h.window.get(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(h.dialogs.openRequests, QStringList({"XML Datei laden|" + filter}));
        QVERIFY(writeFile(h.path("fremd.xml"), "<rsm:CrossIndustryInvoice xmlns:rsm=\"urn:cii\"/>"));
        h.dialogs.openAnswers = {h.path("fremd.xml")};
        h.window->tabs()->setCurrentIndex(3);
        h.window->loadCommand();
        QCOMPARE(h.dialogs.questions, QStringList(3, discard));
        QCOMPARE(h.dialogs.messages[0], QStringLiteral("XML Datei laden|Es wurde keine XML Datei geöffnet."));
        QVERIFY(h.dialogs.messages[1].startsWith(
            QStringLiteral("XML Datei laden|Die Datei ist eine Rechnung in der Syntax UN/CEFACT CII")));
        QCOMPARE(h.window->statusField()->text() + h.text(92) +
                     QString::number(h.window->tabs()->currentIndex()),
                 QStringLiteral("RE-93"));
    }

    // What a loaded file holds and the form cannot is named after loading and
    // in the status bar; saving asks before it goes. A file's rounding is shown.
    void loadNamesWhatIsNotCarriedAndSavingAsksFirst() {
        WindowHarness h;
        h.fillMandatoryFields();
        h.typeAll("102=Erste  Zeile\nzweite\n\tdritte");
        QByteArray file = h.saveAs(QStringLiteral("eigen.xml"));
        QVERIFY(file.contains("<cbc:Note>Erste  Zeile\r\nzweite\r\n\tdritte</cbc:Note>"));
        const QByteArray attachment =
            "<cac:AdditionalDocumentReference><cbc:ID>a.pdf</cbc:ID><cac:Attachment>"
            "<cbc:EmbeddedDocumentBinaryObject mimeCode=\"application/pdf\" "
            "filename=\"a.pdf\">QQ==</cbc:EmbeddedDocumentBinaryObject></cac:Attachment>"
            "</cac:AdditionalDocumentReference>";
        file.replace("<cac:AccountingSupplierParty>",
                     attachment + attachment + "<cac:AccountingSupplierParty>");
        file.replace("<cbc:PayableAmount", "<cbc:PayableRoundingAmount currencyID=\"EUR\">0.01"
                                           "</cbc:PayableRoundingAmount><cbc:PayableAmount");
        file.replace("</cbc:IssueDate>", "+01:00</cbc:IssueDate>"); // as other programs write it
        QVERIFY(writeFile(h.path("anhang.xml"), file));
        h.dialogs.openAnswers = {h.path("anhang.xml")};
        h.window->loadCommand();
        QCOMPARE(
            h.dialogs.messages,
            QStringList({"Nicht übernommen|Diese Angaben der Datei kann Tallomir nicht übernehmen; beim "
                         "Speichern fehlen sie:\r– 2 Anhänge\r– Abweichende Beträge laut Datei: Zahlbetrag "
                         "119,00 (berechnet 119,01)"}));
        QCOMPARE(h.window->notCarriedField()->text() + '|' + h.texts({180, 160}).join('|'),
                 QStringLiteral("2 Angaben der Datei nicht übernommen|0,01|119,01"));
        QVERIFY(h.field(180)->isVisibleTo(h.window->tabs()->widget(5)));

        h.dialogs.questionAnswers = {false, true, true};
        QVERIFY(h.saveAs(QStringLiteral("ohne.xml")).isEmpty());
        const QByteArray saved = h.saveAs(QStringLiteral("ohne.xml"));
        QCOMPARE(h.dialogs.questions,
                 QStringList(2, QStringLiteral("XML Datei speichern|Beim Speichern fehlen: 2 Anhänge, "
                                               "Abweichende Beträge laut Datei: Zahlbetrag 119,00 "
                                               "(berechnet 119,01).\rTrotzdem speichern?")));
        QVERIFY(saved.contains("<cbc:PayableRoundingAmount currencyID=\"EUR\">0.01<") &&
                !saved.contains("AdditionalDocumentReference") && !saved.contains("+01:00"));

        // A file of its own loads without a word and shows what it holds.
        h.type(92, QStringLiteral("ANDERS"));
        h.dialogs.openAnswers = {h.path("eigen.xml")};
        h.window->loadCommand();
        QCOMPARE(QString::number(h.dialogs.messages.size()) + h.window->notCarriedField()->text() + '|' +
                     h.texts({92, 102, 160}).join('|'),
                 QStringLiteral("1|RE-2024-001|Erste  Zeile\nzweite\n\tdritte|119,00"));
        QCOMPARE(h.saveAs(QStringLiteral("zweimal.xml")), readFile(h.path("eigen.xml")));
        QVERIFY(!h.field(180)->isVisibleTo(h.window->tabs()->widget(5)));
    }

    // Every official sample loads and saves through the window, keeping each line's unit.
    void everySampleIsAcceptedByTheCheck() {
        if (tallomir::testing::testDataDir().empty())
            QSKIP(tallomir::testing::missingTestDataMessage().c_str());
        WindowHarness h;
        int count = 0;
        for (const char* folder : {"xrechnung-2.1.1-samples", "xrechnung-3.0.2-samples"}) {
            for (const auto& sample : tallomir::testing::sampleFiles(folder)) {
                h.dialogs.openAnswers = {QString::fromStdString(sample.string())};
                h.dialogs.questionAnswers = {true}; // what is not carried may go
                h.window->loadCommand();
                const QByteArray saved = h.saveAs(QStringLiteral("probe.xml"));
                const QRegularExpression unit(QStringLiteral("unitCode=\"[^\"]*\""));
                const auto units = [&](const QByteArray& text) {
                    QStringList list;
                    for (const auto& match : unit.globalMatch(QString::fromUtf8(text)))
                        list << match.captured();
                    return list;
                };
                QVERIFY2(!saved.isEmpty() &&
                             units(saved) == units(readFile(QString::fromStdString(sample.string()))),
                         qPrintable(sample.filename().c_str() + (": " + h.dialogs.messages.join('\n'))));
                ++count;
            }
        }
        QVERIFY(count >= 40);
    }

    // "Ansicht", PDF and printing show the invoice with the number still being typed.
    void viewPdfAndPrintShowTheTypedInvoice() {
        WindowHarness h;
        h.fillMandatoryFields();
        h.type(92, QStringLiteral("RE-9"), false);
        trigger(h, QStringLiteral("Rechnung anzeigen"));
        app::InvoiceView* view = h.window->invoiceView();
        QVERIFY(view && view->isVisible());
        QCOMPARE(view->windowTitle() + ' ' + QString::number(view->pageCount()),
                 QStringLiteral("Rechnung Nr. RE-9 - Tallomir 1"));
        h.dialogs.saveAnswers = {h.path("beleg"), h.path("fehlt/beleg.pdf")};
        trigger(h, QStringLiteral("Als PDF speichern …"));
        trigger(h, QStringLiteral("Als PDF speichern …"));
        QCOMPARE(
            h.dialogs.saveRequests[0],
            QStringLiteral("Als PDF speichern|Rechnung-RE-9.pdf|PDF Dateien (*.pdf);;Alle Dateien (*.*)"));
        h.dialogs.printAnswer = h.path("druck.pdf");
        trigger(h, QStringLiteral("Drucken …"));
        QVERIFY(readFile(h.path("beleg.pdf")).startsWith("%PDF") &&
                readFile(h.path("druck.pdf")).startsWith("%PDF"));
        QVERIFY(h.dialogs.messages.size() == 1 &&
                h.dialogs.messages[0].startsWith("Als PDF speichern|Die PDF-Datei " +
                                                 h.path("fehlt/beleg.pdf") +
                                                 " konnte nicht geschrieben werden"));
    }
};

std::unique_ptr<QObject> makeCommandsTest() {
    return std::make_unique<CommandsTest>();
}

#include "commands_test.moc"
