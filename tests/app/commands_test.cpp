// The menu commands: "Neu", "Laden", "Speichern", "Ansicht", "Lizenzhinweis".
#include "window_harness.h"

#include "app/invoice_view.h"

#include "support/reference.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

using namespace tallomir;

namespace {

const QString filter = QStringLiteral("XML Dateien (*.xml);;Alle Dateien (*.*)");
const QString discard = QStringLiteral(
    "Tallomir Ver. 1.8|Der Beleg hat ungespeicherte Änderungen.|Speichern/Verwerfen/Abbrechen");

} // namespace

class CommandsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void infoShowsTitleDisclaimerAndBothLicences() {
        WindowHarness h;
        h.trigger(QStringLiteral("Lizenzhinweis"));
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
        h.dialogs.choiceAnswers = {"Abbrechen", "Verwerfen"};
        h.trigger(QStringLiteral("Neu"));
        QCOMPARE(h.text(92), QStringLiteral("RE-2"));
        QTest::keyClick(h.window.get(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(h.dialogs.choices, QStringList(2, discard));
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
        h.trigger(QStringLiteral("Speichern"));
        QVERIFY(h.dialogs.saveRequests.isEmpty() && h.window->tabs()->currentIndex() == 1 &&
                h.field(115)->hasFocus());
        h.typeAll("115=0228 1|122=DE");
        const QString target = h.path(QStringLiteral("fehlt/rechnung.xml"));
        h.dialogs.saveAnswers = {QString(), target, h.path("rechnung")}; // cancelled; ".xml" is added
        h.trigger(QStringLiteral("Speichern"));
        h.window->saveCommand();
        QVERIFY(h.state.modified);
        h.type(92, QStringLiteral("RE-LETZTE"), false);
        QTest::keyClick(h.field(92), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(h.dialogs.saveRequests.first(), "XML Datei speichern||" + filter);
        QCOMPARE(h.dialogs.messages,
                 QStringList({"Pflichtfelder|Die Datei kann so nicht gespeichert werden. Bitte ergänzen oder "
                              "korrigieren:\rLieferant: Telefon fehlt\rKunde: Land (kurz) „DEU“ ist kein "
                              "Ländercode nach ISO 3166 (z.B. DE)",
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
        h.dialogs.choiceAnswers = {"Abbrechen", "Verwerfen", "Verwerfen"};
        h.trigger(QStringLiteral("Laden"));                              // declined: no file is asked for
        QTest::keyClick(h.window.get(), Qt::Key_O, Qt::ControlModifier); // cancelled without a word
        QCOMPARE(h.dialogs.openRequests, QStringList({"XML Datei laden|" + filter}));
        QVERIFY(writeFile(h.path("fremd.xml"), "<rsm:CrossIndustryInvoice xmlns:rsm=\"urn:cii\"/>"));
        h.dialogs.openAnswers = {h.path("fremd.xml")};
        h.window->tabs()->setCurrentIndex(3);
        h.window->loadCommand();
        QCOMPARE(h.dialogs.choices, QStringList(3, discard));
        QVERIFY(h.dialogs.messages.size() == 1 &&
                h.dialogs.messages[0].startsWith(
                    QStringLiteral("XML Datei laden|Die Datei ist keine UBL-Rechnung: ihr Wurzelelement ist "
                                   "„rsm:CrossIndustryInvoice“ im Namensraum urn:cii.")));
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
        file.replace("<cac:AccountingSupplierParty>", attachment +
                                                          QByteArray(attachment).replace("a.pdf", "b.pdf") +
                                                          "<cac:AccountingSupplierParty>");
        file.replace("</cbc:PriceAmount>",
                     "</cbc:PriceAmount><cac:AllowanceCharge><cbc:ChargeIndicator>true"
                     "</cbc:ChargeIndicator><cbc:Amount currencyID=\"EUR\">1.00</cbc:Amount>"
                     "</cac:AllowanceCharge>");
        file.replace("<cbc:PayableAmount", "<cbc:PayableRoundingAmount currencyID=\"EUR\">0.01"
                                           "</cbc:PayableRoundingAmount><cbc:PayableAmount");
        file.replace("</cbc:IssueDate>", "+01:00</cbc:IssueDate>"); // as other programs write it
        QVERIFY(writeFile(h.path("anhang.xml"), file));
        h.dialogs.openAnswers = {h.path("anhang.xml")};
        h.window->loadCommand();
        QCOMPARE(h.dialogs.messages,
                 QStringList({"Nicht übernommen|Diese Angaben der Datei kann Tallomir nicht übernehmen; beim "
                              "Speichern fehlen sie:\r– Preisnachlass in Position 1\r– Abweichende Beträge "
                              "laut Datei: Zahlbetrag "
                              "119,00 (berechnet 119,01)"}));
        QCOMPARE(h.window->notCarriedField()->text() + '|' + h.texts({180, 160}).join('|'),
                 QStringLiteral("2 Angaben der Datei nicht übernommen|0,01|119,01"));
        QVERIFY(h.field(180)->isVisibleTo(h.window->tabs()->widget(5)));
        const auto* attached = h.find<QTableWidget>(QStringLiteral("field241Table"));
        QVERIFY(attached->rowCount() == 2 && attached->item(1, 2)->text() == "b.pdf" &&
                attached->item(1, 4)->text() == "1 KB");

        h.dialogs.questionAnswers = {false, true, true};
        QVERIFY(h.saveAs(QStringLiteral("ohne.xml")).isEmpty());
        const QByteArray saved = h.saveAs(QStringLiteral("ohne.xml"));
        QCOMPARE(h.dialogs.questions,
                 QStringList(2, QStringLiteral(
                                    "XML Datei speichern|Beim Speichern fehlen: Preisnachlass in Position 1, "
                                    "Abweichende Beträge laut Datei: Zahlbetrag 119,00 "
                                    "(berechnet 119,01).\rTrotzdem speichern?")));
        QVERIFY(saved.contains("<cbc:PayableRoundingAmount currencyID=\"EUR\">0.01<") &&
                saved.contains("<cbc:EmbeddedDocumentBinaryObject mimeCode=\"application/pdf\" "
                               "filename=\"a.pdf\">QQ==<") &&
                saved.contains("<cbc:EmbeddedDocumentBinaryObject mimeCode=\"application/pdf\" "
                               "filename=\"b.pdf\">QQ==<") &&
                !saved.contains("<cac:Price>\r\n                <cac:AllowanceCharge>") &&
                !saved.contains("+01:00"));

        // A file of its own loads without a word and shows what it holds; a
        // half-typed line and a text not taken go with the document replaced.
        h.type(92, QStringLiteral("ANDERS"));
        h.state.lineEditBuffer.itemName = "halb";
        h.state.currentLineIndex = 7;
        h.state.invalidInputs[tallomir::FieldId::Iban] = "falsch";
        h.dialogs.choiceAnswers = {"Verwerfen"};
        h.dialogs.openAnswers = {h.path("eigen.xml")};
        h.window->loadCommand();
        QCOMPARE(QString::number(h.dialogs.messages.size()) + h.window->notCarriedField()->text() + '|' +
                     h.texts({92, 102, 160}).join('|'),
                 QStringLiteral("1|RE-2024-001|Erste  Zeile\nzweite\n\tdritte|119,00"));
        QVERIFY(h.state.lineEditBuffer.itemName.empty() && h.state.currentLineIndex == -1 &&
                h.state.invalidInputs.empty());
        QCOMPARE(h.saveAs(QStringLiteral("zweimal.xml")), readFile(h.path("eigen.xml")));
        QVERIFY(!h.field(180)->isVisibleTo(h.window->tabs()->widget(5)));
    }

    // Every official sample loads and saves through the window, in its own syntax, keeping each line's
    // unit.
    void everySampleIsAcceptedByTheCheck() {
        if (tallomir::testing::testDataDir().empty())
            QSKIP(tallomir::testing::missingTestDataMessage().c_str());
        WindowHarness h;
        int count = 0;
        // (CII in one version: the rules of each further version make the check of the saved files longer)
        for (const char* folder :
             {"xrechnung-2.1.1-samples", "xrechnung-3.0.2-samples", "xrechnung-3.0.2-cii-samples"}) {
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
                             units(saved) == units(readFile(QString::fromStdString(sample.string()))) &&
                             saved.contains("<rsm:CrossIndustryInvoice") ==
                                 QByteArray(folder).contains("cii"),
                         qPrintable(sample.filename().c_str() + (": " + h.dialogs.messages.join('\n'))));
                QCOMPARE(h.text(242), QByteArray(folder).contains("cii") ? "CII" : "UBL");
                ++count;
            }
        }
        QVERIFY(count >= 61);
    }

    // After "Laden" every combo shows the code the invoice holds, as `dump`
    // reads it; a code of no list as "CODE (unbekannt)", kept when saving.
    void loadedCodesShowInEveryCombo() {
        WindowHarness h;
        h.fillMandatoryFields();
        h.typeAll("172=rechnung@example.org|174=04011000-12345-03");
        const QByteArray v2 = h.saveAs(QStringLiteral("v2.xml"));
        h.pick(171, 1); // "XRechnung 3.0"
        const QByteArray v3 = h.saveAs(QStringLiteral("v3.xml"));
        h.pick(242, 1); // "CII"
        QVERIFY(h.saveAs(QStringLiteral("cii.xml")).contains("<rsm:CrossIndustryInvoice"));
        QVERIFY(!v2.isEmpty() && !v3.isEmpty());
        const auto variant = [&](const QString& name, QByteArray file, const QList<QByteArray>& changes) {
            for (qsizetype i = 0; i + 1 < changes.size(); i += 2)
                file.replace(changes[i], changes[i + 1]);
            QVERIFY(writeFile(h.path(name), file));
        };
        variant("fremd.xml", v3,
                {"<cbc:InvoiceTypeCode>380<", "<cbc:InvoiceTypeCode>326<", "currencyID=\"EUR\"",
                 "currencyID=\"SEK\"", "CurrencyCode>EUR<", "CurrencyCode>SEK<", "<cbc:PaymentMeansCode>58<",
                 "<cbc:PaymentMeansCode>42<", "schemeID=\"EM\"", "schemeID=\"9930\""});
        variant("eins.xml", v2, {"<cbc:PaymentMeansCode>58<", "<cbc:PaymentMeansCode>1<"});
        const QStringList combos = {"89", "90", "146", "135", "171", "173", "242"};
        const auto shown = [&](const QString& name) {
            auto* combo = h.find<QComboBox>(name);
            const CodeLists& l = h.state.lists;
            const int i = combo->currentIndex();
            const std::vector<CodeEntry>* lists[] = {&l.documentTypes, nullptr, &l.taxCategories,
                                                     &l.paymentMeans,  nullptr, &l.endpointSchemes,
                                                     nullptr};
            const std::vector<CodeEntry>* list = lists[combos.indexOf(name)];
            if (name == "90" && i >= 0 && i < static_cast<int>(l.currencies.size()))
                return QString::fromStdString(l.currencies[i]);
            if (name == "171")
                return combo->currentText().remove("XRechnung ");
            if (name == "242")
                return combo->currentText().toLower();
            if (list && i >= 0 && i < static_cast<int>(list->size()))
                return QString::fromStdString((*list)[i].code);
            return combo->currentText().remove(QStringLiteral(" (unbekannt)"));
        };
        // Each file loaded over one that shows other codes.
        for (const char* name :
             {"fremd.xml", "v2.xml", "cii.xml", "eins.xml", "v3.xml", "cii.xml", "v2.xml"}) {
            h.dialogs.openAnswers = {h.path(name)};
            h.window->loadCommand();
            QProcess cli;
            cli.start(QStringLiteral(TALLOMIR_CLI), {"dump", h.path(name)});
            QVERIFY(cli.waitForFinished(60000) && cli.exitCode() == 0);
            const QJsonObject dump = QJsonDocument::fromJson(cli.readAllStandardOutput()).object();
            const QStringList expected = {dump["documentTypeCode"].toString(),
                                          dump["documentCurrency"].toString(),
                                          dump["documentTaxCategory"].toString(),
                                          dump["paymentMeansCode"].toString(),
                                          dump["xrechnungVersion"].toString(),
                                          dump["supplier"].toObject()["electronicAddressScheme"].toString(),
                                          dump["syntax"].toString()};
            QStringList seen;
            for (const QString& combo : combos)
                seen << shown(combo);
            QCOMPARE(name + (' ' + seen.join(' ')), name + (' ' + expected.join(' ')));
        }
        h.dialogs.openAnswers = {h.path("fremd.xml")};
        h.window->loadCommand();
        QCOMPARE(QStringList({h.text(89), h.text(90), h.text(135)}),
                 QStringList({"326 (unbekannt)", "SEK (unbekannt)", "42 (unbekannt)"}));
        QVERIFY2(h.saveAs(QStringLiteral("wieder.xml")).contains("<cbc:PaymentMeansCode>42<"),
                 qPrintable(h.dialogs.messages.join('\n')));
        h.pick(135, 0); // another entry chosen: the unknown one goes
        QCOMPARE(h.find<QComboBox>("135")->count(), static_cast<int>(h.state.lists.paymentMeans.size()));
    }

    // The title names the file and marks unsaved changes; the status bar
    // forgets the previous document; "Validieren" offers the form's invoice.
    void titleStatusAndValidationFollowTheDocument() {
        WindowHarness h;
        QStringList titles = {h.window->windowTitle()};
        h.fillMandatoryFields();
        titles << h.window->windowTitle();
        h.saveAs(QStringLiteral("titel.xml"));
        titles << h.window->windowTitle();
        h.type(92, QStringLiteral("RE-2"));
        titles << h.window->windowTitle();
        h.dialogs.choiceAnswers = {"Verwerfen"};
        h.dialogs.openAnswers = {h.path("titel.xml")};
        h.window->statusBar()->showMessage(QStringLiteral("alt"));
        h.window->loadCommand();
        titles << h.window->windowTitle() + '|' + h.window->statusBar()->currentMessage();
        h.window->statusBar()->showMessage(QStringLiteral("alt"));
        h.trigger(QStringLiteral("Neu"));
        titles << h.window->windowTitle() + '|' + h.window->statusBar()->currentMessage();
        QCOMPARE(titles, QStringList({"Neuer Beleg – Tallomir Ver. 1.8", "Neuer Beleg* – Tallomir Ver. 1.8",
                                      "titel.xml – Tallomir Ver. 1.8", "titel.xml* – Tallomir Ver. 1.8",
                                      "titel.xml – Tallomir Ver. 1.8|", "Neuer Beleg – Tallomir Ver. 1.8|"}));

        // The form's invoice is checked, saved aside and handed to the validator
        // (missing here); the form keeps its state. "Datei wählen …" asks for a file.
        h.dialogs.choiceAnswers = {"Rechnung im Formular", "Rechnung im Formular", "Datei wählen …"};
        h.trigger(QStringLiteral("Validieren"));
        h.fillMandatoryFields();
        h.trigger(QStringLiteral("Validieren"));
        h.trigger(QStringLiteral("Validieren"));
        QCOMPARE(h.dialogs.choices.last(), QStringLiteral("XML Datei validieren|Was soll validiert werden?|"
                                                          "Rechnung im Formular/Datei wählen …/Abbrechen"));
        QCOMPARE(h.dialogs.messages.size(), 3);
        QVERIFY(h.dialogs.messages[0].startsWith("Pflichtfelder|") &&
                h.dialogs.messages[1].startsWith("Validator Fehler|") &&
                h.dialogs.messages[2] == "XML Datei validieren|Es wurde keine Datei ausgewählt.");
        QCOMPARE(h.dialogs.openRequests.last(), QStringLiteral("XML Datei validieren|XML Dateien (*.xml)"));
        QVERIFY(h.state.modified && h.window->windowTitle().startsWith("Neuer Beleg*"));
    }

    // "Ansicht", PDF and printing show the invoice with the number still being typed.
    void viewPdfAndPrintShowTheTypedInvoice() {
        WindowHarness h;
        h.fillMandatoryFields();
        h.type(92, QStringLiteral("RE-9"), false);
        h.trigger(QStringLiteral("Rechnung anzeigen"));
        app::InvoiceView* view = h.window->invoiceView();
        QVERIFY(view && view->isVisible());
        QCOMPARE(view->windowTitle() + ' ' + QString::number(view->pageCount()),
                 QStringLiteral("Rechnung Nr. RE-9 - Tallomir 1"));
        // Painted on the window's thread, after the thread that laid it out has ended.
        const QImage shown = view->grab().toImage();
        QVERIFY(shown.pixelColor(shown.rect().center()) != shown.pixelColor(0, 0));
        // Esc and Ctrl+W close it.
        for (const QKeyCombination keys : {QKeyCombination(Qt::Key_Escape), Qt::CTRL | Qt::Key_W}) {
            h.trigger(QStringLiteral("Rechnung anzeigen"));
            QVERIFY(QTest::qWaitForWindowActive(view));
            QTest::keyClick(view, keys.key(), keys.keyboardModifiers());
            QVERIFY(!view->isVisible());
        }
        h.dialogs.saveAnswers = {h.path("beleg"), h.path("fehlt/beleg.pdf")};
        h.trigger(QStringLiteral("Als PDF speichern …"));
        h.trigger(QStringLiteral("Als PDF speichern …"));
        QCOMPARE(
            h.dialogs.saveRequests[0],
            QStringLiteral("Als PDF speichern|Rechnung-RE-9.pdf|PDF Dateien (*.pdf);;Alle Dateien (*.*)"));
        h.dialogs.printAnswer = h.path("druck.pdf");
        h.trigger(QStringLiteral("Drucken …"));
        QVERIFY(readFile(h.path("beleg.pdf")).startsWith("%PDF") &&
                readFile(h.path("druck.pdf")).startsWith("%PDF"));
        // An existing file stays unless the user says it may be replaced.
        QVERIFY(writeFile(h.path("beleg.pdf"), "alt"));
        h.dialogs.saveAnswers = {h.path("beleg.pdf")};
        h.trigger(QStringLiteral("Als PDF speichern …"));
        QCOMPARE(h.dialogs.questions.last(), "Als PDF speichern|Die Datei " + h.path("beleg.pdf") +
                                                 " gibt es schon.\rSoll sie ersetzt werden?");
        QCOMPARE(readFile(h.path("beleg.pdf")), QByteArray("alt"));
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
