// The menu commands: "Laden", "Speichern", "Validieren", "Ansicht", "Lizenzhinweis".
#include "window_harness.h"

#include "app/invoice_view.h"

#include "invoice/dates.h"
#include "support/reference.h"

#include <QLabel>
#include <QMenuBar>
#include <QRegularExpression>

using namespace tallomir;

namespace {

const QString filter = QStringLiteral("XML Dateien (*.xml);;Alle Dateien (*.*)");

void trigger(WindowHarness& h, const QString& text) {
    for (QAction* top : h.window->menuBar()->actions())
        for (QAction* action : top->menu()->actions())
            if (QString(action->text()).remove('&') == text)
                return action->trigger();
    QFAIL(qPrintable("no menu entry " + text));
}

// The first element of that name in a file, tags included; empty when none.
QByteArray element(const QByteArray& file, const QByteArray& name) {
    const int start = file.indexOf("<" + name + ">");
    const int end = file.indexOf("</" + name + ">", start);
    return start < 0 || end < 0 ? QByteArray() : file.mid(start, end + name.size() + 3 - start);
}

// The unitCode attributes of a file, in file order.
QStringList unitCodes(const QByteArray& file) {
    QStringList codes;
    const QRegularExpression attribute(QStringLiteral("unitCode=\"([^\"]*)\""));
    for (auto match = attribute.globalMatch(QString::fromUtf8(file)); match.hasNext();)
        codes << match.next().captured(1);
    return codes;
}

} // namespace

class CommandsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void infoShowsTitleDisclaimerAndBothLicences() {
        WindowHarness h;
        trigger(h, QStringLiteral("Lizenzhinweis"));
        QCOMPARE(h.dialogs.messages.size(), 1);
        const QString text = h.dialogs.messages[0];
        QVERIFY(text.startsWith(QStringLiteral("Info|Tallomir Ver. 1.8\n")));
        for (const char* part :
             {" 2022", "https://tallomir.example.org", "info@tallomir.example.org",
              "\n\nIch übernehme keinerlei Haftung für Schäden die durch die Benutzung des "
              "Programms entstehen.\nDie Benutzung des Programms geschieht auf eigenes "
              "Risiko.\n\nHinweis zum Modul   Expat XML Parser \n\n",
              "Thai Open Source Software Center Ltd and Clark Cooper",
              "Permission is hereby granted, free of charge", "IN THE SOFTWARE.\n\n\nHinweis zum Modul   Qt ",
              "(LGPL-3.0)", "https://download.qt.io/"})
            QVERIFY2(text.contains(QString::fromUtf8(part)), part);
        QVERIFY(!text.contains('\r'));
    }

    // "Neu" asks about unsaved changes, keeps the page "Lieferant" and starts
    // the rest anew, on "Belegkopf", without the previous file name.
    void newKeepsTheSupplierAndClearsTheRest() {
        WindowHarness h;
        h.fillMandatoryFields();
        h.pick(135, 2); // "Überweisung"
        h.typeAll("136=Sparkasse|98=B-1|140=Rabatt|142=-5");
        QVERIFY(!h.saveAs(QStringLiteral("erste.xml")).isEmpty());
        h.type(92, QStringLiteral("RE-2"));
        h.dialogs.questionAnswers = {false, true};
        trigger(h, QStringLiteral("Neu"));
        QCOMPARE(h.text(92), QStringLiteral("RE-2"));
        trigger(h, QStringLiteral("Neu"));
        QCOMPARE(h.dialogs.questions,
                 QStringList(2, QStringLiteral("Tallomir Ver. 1.8|Ungespeicherte Änderungen verwerfen?")));
        QCOMPARE(h.texts({111, 115, 114, 136, 137, 135, 91, 92, 98, 125, 140, 160, 139}),
                 QStringList({"Lieferant & Söhne KG", "0228 123", "Erika Muster", "Sparkasse",
                              "DE02120300000000202051", "Überweisung", "", "", "", "", "", "0,00",
                              "14 Tage rein netto"}));
        QCOMPARE(h.positions(), QStringList());
        QCOMPARE(h.window->tabs()->currentIndex(), 0);
        QVERIFY(h.window->statusField()->text().contains(QStringLiteral("„Lieferant“ wurden übernommen")));
        QVERIFY(!h.state.modified);
        QCOMPARE(h.state.currentFileName, std::string());
        QCOMPARE(h.window->findChild<QAction*>(QStringLiteral("actionNew"))->shortcut(),
                 QKeySequence(QKeySequence::New));
    }

    void validateAsksForTheFile() {
        WindowHarness h;
        trigger(h, QStringLiteral("Validieren"));
        QCOMPARE(h.dialogs.openRequests, QStringList({"XML Datei validieren|XML Dateien (*.xml)"}));
    }

    // The check names every field it misses and shows the first; only then
    // is the name asked for.
    void saveNamesWhatIsMissingAndShowsTheFirst() {
        WindowHarness h;
        h.fillMandatoryFields();
        h.type(115, QString());
        h.type(122, QStringLiteral("DEU"));
        h.dialogs.messages.clear();
        h.window->tabs()->setCurrentIndex(4);
        trigger(h, QStringLiteral("Speichern"));
        QCOMPARE(h.dialogs.messages,
                 QStringList({"Pflichtfelder|Die Datei kann so nicht gespeichert werden. Bitte ergänzen oder "
                              "korrigieren:\rLieferant: Telefon fehlt\rKunde: Land (kurz) „DEU“ ist kein "
                              "Ländercode nach ISO 3166 (z.B. DE)"}));
        QVERIFY(h.dialogs.saveRequests.isEmpty());
        QCOMPARE(h.window->tabs()->currentIndex(), 1);
        QVERIFY(h.field(115)->hasFocus());
        h.typeAll("115=0228 1|122=DE");
        trigger(h, QStringLiteral("Speichern"));
        QCOMPARE(h.dialogs.saveRequests, QStringList({"XML Datei speichern||" + filter}));
        QCOMPARE(h.dialogs.messages.last(),
                 QStringLiteral("XML Datei speichern|Es wurde kein Dateiname angegeben."));
        QVERIFY(h.state.modified);
    }

    // The file holds what the window showed, even the field still being typed
    // in; an existing file is replaced only when the user says so.
    void saveWritesTheTypedInvoiceAndAsksBeforeReplacing() {
        WindowHarness h;
        h.fillMandatoryFields();
        h.type(92, QStringLiteral("RE-LETZTE"), false);
        QVERIFY(h.field(92)->hasFocus());
        h.dialogs.saveAnswers = {h.path("rechnung")}; // ".xml" is added to a name without it
        QTest::keyClick(h.field(92), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(h.dialogs.messages, QStringList());
        QCOMPARE(h.window->statusField()->text(), "Gespeicherte Datei:  " + h.path("rechnung.xml"));
        const QByteArray file = readFile(h.path("rechnung.xml"));
        for (const QByteArray& part :
             {QByteArray("<cbc:ID>RE-LETZTE</cbc:ID>"), QByteArray("<cbc:BuyerReference>04011000-12345-03<"),
              QByteArray("<cbc:RegistrationName>Lieferant &amp; Söhne KG</cbc:RegistrationName>"),
              "<cbc:IssueDate>" + QByteArray::fromStdString(formatIsoDate(todayDate())) + "</cbc:IssueDate>"})
            QVERIFY2(file.contains(part), part);
        QVERIFY(element(file, "cac:PaymentTerms").contains("<cbc:Note>14 Tage rein netto</cbc:Note>"));
        QVERIFY(!h.state.modified);

        // The next save proposes the file just written, and asks before replacing it.
        h.type(92, QStringLiteral("RE-NEU"));
        h.dialogs.saveAnswers = {h.path("rechnung")};
        h.dialogs.questionAnswers = {false};
        h.window->saveCommand();
        QCOMPARE(h.dialogs.saveRequests.last(),
                 "XML Datei speichern|" + h.path("rechnung.xml") + '|' + filter);
        QCOMPARE(h.dialogs.questions, QStringList({"XML Datei speichern|Die Datei " + h.path("rechnung.xml") +
                                                   " gibt es schon.\rSoll sie ersetzt werden?"}));
        QCOMPARE(readFile(h.path("rechnung.xml")), file);
        QVERIFY(h.state.modified);
    }

    // A save that fails says why in German, names the file, and leaves the
    // document unsaved.
    void aFailedSaveShowsItsReason() {
        WindowHarness h;
        h.fillMandatoryFields();
        const QString target = h.path(QStringLiteral("fehlt/rechnung.xml"));
        h.dialogs.saveAnswers = {target};
        h.window->saveCommand();
        QCOMPARE(h.dialogs.messages,
                 QStringList({"XML Datei speichern|Die Datei " + target +
                              " konnte nicht gespeichert werden: Der Ordner existiert nicht."}));
        QVERIFY(h.state.modified);
    }

    void allowanceTakesTheShownRateAndTheFooterIsGerman() {
        WindowHarness h;
        h.fillMandatoryFields();
        h.addLine("2|1|Kabel|1234,5|19");
        h.typeAll("140=Treuerabatt|142=-10");
        QCOMPARE(h.text(144), QStringLiteral("19,00 %"));
        const QByteArray allowance = element(h.saveAs(QStringLiteral("nachlass.xml")), "cac:AllowanceCharge");
        for (const char* part :
             {"<cbc:ChargeIndicator>false</cbc:ChargeIndicator>",
              "<cbc:AllowanceChargeReason>Treuerabatt</cbc:AllowanceChargeReason>", ">10.00</cbc:Amount>",
              "<cbc:ID>S</cbc:ID>", "<cbc:Percent>19.00</cbc:Percent>"})
            QVERIFY2(allowance.contains(part), part);
        QCOMPARE(h.texts({157, 142, 158, 145, 160}),
                 QStringList({"1.334,50", "-10,00", "1.324,50", "251,66", "1.576,16"}));
    }

    // "Laden" asks before unsaved changes go; cancelled, or with a file that
    // is not loaded, the form stays as it was.
    void loadAsksFirstAndAFileNotLoadedLeavesTheForm() {
        WindowHarness h;
        h.type(92, QStringLiteral("RE-9"));
        h.dialogs.questionAnswers = {false};
        trigger(h, QStringLiteral("Laden"));
        QCOMPARE(h.dialogs.questions,
                 QStringList({QStringLiteral("Tallomir Ver. 1.8|Ungespeicherte Änderungen verwerfen?")}));
        QVERIFY(h.dialogs.openRequests.isEmpty());

        h.dialogs.questionAnswers = {true};
        h.window->tabs()->setCurrentIndex(3);
        QTest::keyClick(h.window.get(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(h.dialogs.openRequests, QStringList({"XML Datei laden|" + filter}));
        QCOMPARE(h.dialogs.messages, QStringList({"XML Datei laden|Es wurde keine XML Datei geöffnet."}));
        QCOMPARE(h.text(92), QStringLiteral("RE-9"));
        QCOMPARE(h.window->tabs()->currentIndex(), 0);

        const std::pair<const char*, QString> files[] = {
            {"<Invoice><cbc:ID>1</cbc:Note></Invoice>", QStringLiteral("Fehler beim Lesen der XML Datei|")},
            {"<rsm:CrossIndustryInvoice xmlns:rsm=\"urn:cii\"/>",
             QStringLiteral("XML Datei laden|Die Datei ist eine Rechnung in der Syntax UN/CEFACT CII")}};
        for (const auto& [bytes, message] : files) {
            QFile file(h.path("fremd.xml"));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) > 0);
            file.close();
            h.dialogs.questionAnswers = {true};
            h.dialogs.openAnswers = {file.fileName()};
            h.window->tabs()->setCurrentIndex(3);
            h.window->loadCommand();
            QVERIFY2(h.dialogs.messages.last().startsWith(message), qPrintable(h.dialogs.messages.last()));
            QCOMPARE(h.window->statusField()->text(), QString());
            QCOMPARE(h.text(92), QStringLiteral("RE-9"));
            QCOMPARE(h.window->tabs()->currentIndex(), 3);
        }
    }

    // What a loaded file holds and the form cannot is named once after
    // loading and kept in the status bar; saving asks before it goes. A
    // rounding the file gives is shown, and an amount due it states otherwise
    // is named.
    void loadNamesWhatIsNotCarriedAndSavingAsksFirst() {
        WindowHarness h;
        h.fillMandatoryFields();
        QByteArray file = h.saveAs(QStringLiteral("eigen.xml"));
        const QByteArray attachment =
            "<cac:AdditionalDocumentReference><cbc:ID>a.pdf</cbc:ID><cac:Attachment>"
            "<cbc:EmbeddedDocumentBinaryObject mimeCode=\"application/pdf\" "
            "filename=\"a.pdf\">QQ==</cbc:EmbeddedDocumentBinaryObject></cac:Attachment>"
            "</cac:AdditionalDocumentReference>";
        file.replace("<cac:AccountingSupplierParty>",
                     attachment + attachment + "<cac:AccountingSupplierParty>");
        file.replace("<cbc:PayableAmount", "<cbc:PayableRoundingAmount currencyID=\"EUR\">0.01"
                                           "</cbc:PayableRoundingAmount><cbc:PayableAmount");
        QFile out(h.path("anhang.xml"));
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file) == file.size());
        out.close();
        h.dialogs.openAnswers = {out.fileName()};
        h.window->loadCommand();
        QCOMPARE(
            h.dialogs.messages,
            QStringList({"Nicht übernommen|Diese Angaben der Datei kann Tallomir nicht übernehmen; beim "
                         "Speichern fehlen sie:\r– 2 Anhänge\r– Abweichende Beträge laut Datei: Zahlbetrag "
                         "119,00 (berechnet 119,01)"}));
        QCOMPARE(h.window->notCarriedField()->text(), QStringLiteral("2 Angaben der Datei nicht übernommen"));
        QCOMPARE(h.texts({180, 160}), QStringList({"0,01", "119,01"}));
        QVERIFY(h.field(180)->isVisibleTo(h.window->tabs()->widget(5)));

        const QString question =
            QStringLiteral("XML Datei speichern|Beim Speichern fehlen: 2 Anhänge, Abweichende "
                           "Beträge laut Datei: Zahlbetrag 119,00 (berechnet 119,01).\r"
                           "Trotzdem speichern?");
        h.dialogs.questionAnswers = {false};
        QVERIFY(h.saveAs(QStringLiteral("ohne.xml")).isEmpty());
        QCOMPARE(h.dialogs.questions, QStringList({question}));
        h.dialogs.questionAnswers = {true};
        const QByteArray saved = h.saveAs(QStringLiteral("ohne.xml"));
        QVERIFY(saved.contains("<cbc:PayableRoundingAmount currencyID=\"EUR\">0.01<"));
        QVERIFY(!saved.contains("AdditionalDocumentReference"));

        h.dialogs.openAnswers = {h.path("eigen.xml")};
        h.window->loadCommand();
        QCOMPARE(h.dialogs.messages.size(), 1);
        QCOMPARE(h.window->notCarriedField()->text(), QString());
        QVERIFY(!h.field(180)->isVisibleTo(h.window->tabs()->widget(5)));
    }

    // Every official sample, loaded and saved through the window, passes the
    // check: it asks for nothing the rules allow to be missing.
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
                const QString name = QString::fromStdString(sample.filename().string());
                const QByteArray saved = h.saveAs(name);
                QVERIFY2(!saved.isEmpty(), qPrintable(name + ": " + h.dialogs.messages.join('\n')));
                // Every line keeps its unit, also one the unit list does not have.
                QCOMPARE(unitCodes(saved), unitCodes(readFile(QString::fromStdString(sample.string()))));
                ++count;
            }
        }
        QVERIFY(count >= 40);
    }

    // A saved file loaded into a changed form shows the saved values again:
    // a note of three lines and a line period with its time zone among them.
    // Saving it unchanged gives the same file.
    void loadShowsTheSavedValues() {
        WindowHarness h;
        h.fillMandatoryFields();
        h.pick(90, 3);  // USD
        h.pick(135, 2); // "Überweisung"
        h.typeAll("136=Sparkasse|138=COLSDE33|102=Erste  Zeile\nzweite\n\tdritte|139=Zahlbar "
                  "sofort|130=Lager Nord");
        h.setDate("95", QDate(2024, 3, 15));
        h.addLine("10|3|Kabel|2,50|19");
        const QByteArray saved = h.saveAs(QStringLiteral("runde.xml"));
        QVERIFY(saved.contains("<cbc:Note>Erste  Zeile\r\nzweite\r\n\tdritte</cbc:Note>"));

        // The line period as another program writes it, with a time zone.
        QByteArray zoned = saved;
        zoned.replace("<cbc:ID>10</cbc:ID>", "<cbc:ID>10</cbc:ID><cac:InvoicePeriod><cbc:StartDate>"
                                             "2016-01-01+01:00</cbc:StartDate></cac:InvoicePeriod>");
        {
            QFile out(h.path("zone.xml"));
            QVERIFY(out.open(QIODevice::WriteOnly) && out.write(zoned) == zoned.size());
        }
        h.type(92, QStringLiteral("ANDERS"));
        h.dialogs.questionAnswers = {true};
        h.dialogs.openAnswers = {h.path("zone.xml")};
        h.window->loadCommand();
        h.clickRow(1);
        QCOMPARE(h.find<app::DatePicker>(QStringLiteral("lineStartDate"))->value(),
                 app::DatePicker::fromQDate(QDate(2016, 1, 1)));

        h.dialogs.questionAnswers = {true};
        h.dialogs.openAnswers = {h.path("runde.xml")};
        h.window->loadCommand();
        QVERIFY(h.dialogs.messages.isEmpty());
        QCOMPARE(h.texts({92, 111, 90, 136, 138, 102, 139, 130, 157, 160}),
                 QStringList({"RE-2024-001", "Lieferant & Söhne KG", "USD", "Sparkasse", "COLSDE33",
                              "Erste  Zeile\nzweite\n\tdritte", "Zahlbar sofort", "Lager Nord", "107,50",
                              "127,93"}));
        QCOMPARE(h.field<QComboBox>(135)->currentIndex(), 2);
        QCOMPARE(h.field<app::DatePicker>(95)->value(), app::DatePicker::fromQDate(QDate(2024, 3, 15)));
        QCOMPARE(h.positions(), QStringList({"1", "10"}));
        QCOMPARE(QStringList({h.cell(1, 6), h.cell(1, 9), h.find<QLabel>(QStringLiteral("label82"))->text()}),
                 QStringList({"7,50", "USD", "USD"}));
        QVERIFY(!h.state.modified);
        QCOMPARE(h.saveAs(QStringLiteral("zweimal.xml")), saved);
    }

    // "Ansicht" with the number still being typed: the view paints the page,
    // the PDF gets ".pdf" and a name with the number, printing writes.
    void viewPdfAndPrintShowTheTypedInvoice() {
        WindowHarness h;
        h.fillMandatoryFields();
        h.addLine(QStringLiteral("1|2|Hammer|12,50|19"));
        h.type(92, QStringLiteral("RE-9"), false);
        trigger(h, QStringLiteral("Rechnung anzeigen"));
        app::InvoiceView* view = h.window->invoiceView();
        QVERIFY(view && view->isVisible());
        QCOMPARE(view->windowTitle(), QStringLiteral("Rechnung Nr. RE-9 - Tallomir"));
        QCOMPARE(view->pageCount(), 1);
        const QImage page = view->findChild<QWidget*>(QStringLiteral("invoicePages"))->grab().toImage();
        int dark = 0;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                dark += qGray(page.pixel(x, y)) < 60;
        QVERIFY2(dark > 1000, "no text painted");

        h.dialogs.saveAnswers = {h.path("beleg"), h.path("fehlt/beleg.pdf")};
        trigger(h, QStringLiteral("Als PDF speichern …"));
        trigger(h, QStringLiteral("Als PDF speichern …"));
        QCOMPARE(
            h.dialogs.saveRequests[0],
            QStringLiteral("Als PDF speichern|Rechnung-RE-9.pdf|PDF Dateien (*.pdf);;Alle Dateien (*.*)"));
        QVERIFY(readFile(h.path("beleg.pdf")).startsWith("%PDF"));
        QCOMPARE(h.dialogs.messages.size(), 1);
        QVERIFY(h.dialogs.messages[0].startsWith("Als PDF speichern|Die PDF-Datei " +
                                                 h.path("fehlt/beleg.pdf") +
                                                 " konnte nicht geschrieben werden"));
        h.dialogs.printAnswer = h.path("druck.pdf");
        trigger(h, QStringLiteral("Drucken …"));
        QVERIFY(readFile(h.path("druck.pdf")).startsWith("%PDF"));
        QCOMPARE(h.dialogs.messages.size(), 1);
    }
};

std::unique_ptr<QObject> makeCommandsTest() {
    return std::make_unique<CommandsTest>();
}

#include "commands_test.moc"
