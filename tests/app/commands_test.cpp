// The menu commands: "Laden", "Speichern", "Validieren", "Lizenzhinweis".
#include "window_harness.h"

#include "invoice/dates.h"

#include <QLabel>
#include <QMenuBar>

using namespace tallomir;

namespace {

const QString filter = QStringLiteral("XML Dateien (*.xml);;Alle Dateien (*.*)");

void trigger(WindowHarness& h, const QString& text) {
    for (QAction* top : h.window->menuBar()->actions())
        for (QAction* action : top->menu()->actions())
            if (action->text() == text)
                return action->trigger();
    QFAIL(qPrintable("no menu entry " + text));
}

// The first element of that name in a file, tags included; empty when none.
QByteArray block(const QByteArray& file, const QByteArray& name) {
    const int start = file.indexOf("<" + name + ">");
    const int end = file.indexOf("</" + name + ">", start);
    return start < 0 || end < 0 ? QByteArray() : file.mid(start, end + name.size() + 3 - start);
}

} // namespace

class CommandsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void infoShowsTitleDisclaimerAndParserLicence() {
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
              "Permission is hereby granted, free of charge"})
            QVERIFY2(text.contains(QString::fromUtf8(part)), part);
        QVERIFY(text.endsWith(QStringLiteral("IN THE SOFTWARE.\n")));
        QVERIFY(!text.contains('\r'));
    }

    void validateAsksForTheFile() {
        WindowHarness h;
        trigger(h, QStringLiteral("Validieren"));
        QCOMPARE(h.dialogs.openRequests, QStringList({"XML Datei validieren|XML Dateien (*.xml)"}));
    }

    void saveChecksTheMandatoryFieldsFirst() {
        WindowHarness h;
        trigger(h, QStringLiteral("Speichern"));
        QCOMPARE(h.dialogs.messages, QStringList({"Pflichtfelder|nicht alle Pflichtfelder ausgefüllt"}));
        QVERIFY(h.dialogs.saveRequests.isEmpty());
        // A country field emptied again fails the check too.
        h.fillMandatoryFields();
        h.type(108, QString());
        trigger(h, QStringLiteral("Speichern"));
        QCOMPARE(h.dialogs.messages, QStringList(2, "Pflichtfelder|nicht alle Pflichtfelder ausgefüllt"));
        QVERIFY(h.dialogs.saveRequests.isEmpty());
    }

    void saveCancelledNamesNoFile() {
        WindowHarness h;
        h.fillMandatoryFields();
        trigger(h, QStringLiteral("Speichern"));
        QCOMPARE(h.dialogs.saveRequests, QStringList({"XML Datei speichern||" + filter}));
        QCOMPARE(h.dialogs.messages, QStringList({"XML Datei speichern|Es wurde kein Dateiname angegeben."}));
        QVERIFY(h.state.modified);
    }

    // All sixteen fields typed, "Telefon*" left empty: the file is written,
    // with what the window showed without being touched.
    void saveWritesTheTypedInvoiceAndTheShownDefaults() {
        WindowHarness h;
        h.fillMandatoryFields();
        QCOMPARE(h.text(115), QString());
        // What is on the screen is saved, even while the cursor is still in the field.
        h.type(92, QStringLiteral("RE-LETZTE"), false);
        QVERIFY(h.field(92)->hasFocus());
        h.saveAs(QStringLiteral("rechnung")); // ".xml" is added to a name without it
        QVERIFY(h.dialogs.messages.isEmpty());
        const QByteArray file = readFile(h.path("rechnung.xml"));
        for (const QByteArray& element : {
                 QByteArray("<cbc:ID>RE-LETZTE</cbc:ID>"),
                 QByteArray("<cbc:BuyerReference>04011000-12345-03<"),
                 QByteArray("<cbc:RegistrationName>Lieferant &amp; Söhne KG</cbc:RegistrationName>"),
                 QByteArray("<cbc:CityName>Köln</cbc:CityName>"),
                 QByteArray("<cbc:ID>DE02120300000000202051<"),
                 "<cbc:IssueDate>" + QByteArray::fromStdString(formatIsoDate(todayDate())) +
                     "</cbc:IssueDate>",
             })
            QVERIFY2(file.contains(element), element);
        QVERIFY(block(file, "cac:PaymentTerms").contains("<cbc:Note>14 Tage rein netto</cbc:Note>"));
        QVERIFY(!h.state.modified);
        // The next save proposes the file just written.
        h.dialogs.saveAnswers.clear();
        h.window->saveCommand();
        QCOMPARE(h.dialogs.saveRequests.last(),
                 "XML Datei speichern|" + h.path("rechnung.xml") + '|' + filter);
    }

    void allowanceTakesTheShownRate() {
        WindowHarness h;
        h.fillMandatoryFields();
        h.addLine("1", "2", "Schrauben", "50,00", "19");
        h.type(140, QStringLiteral("Treuerabatt"));
        h.type(142, QStringLiteral("-10"));
        QCOMPARE(h.text(144), QStringLiteral("19.00%"));
        const QByteArray file = h.saveAs(QStringLiteral("nachlass.xml"));
        const QByteArray allowance = block(file, "cac:AllowanceCharge");
        for (const char* element :
             {"<cbc:ChargeIndicator>false</cbc:ChargeIndicator>",
              "<cbc:AllowanceChargeReason>Treuerabatt</cbc:AllowanceChargeReason>", ">10.00</cbc:Amount>",
              "<cbc:ID>S</cbc:ID>", "<cbc:Percent>19.00</cbc:Percent>"})
            QVERIFY2(allowance.contains(element), element);
        const std::pair<int, const char*> footer[] = {
            {157, "100.00"}, {158, "90.00"}, {145, "17.10"}, {160, "107.10"}};
        for (const auto& [id, amount] : footer)
            QCOMPARE(h.text(id), QString(amount));
    }

    void loadCancelledOrBrokenFile() {
        WindowHarness h;
        h.type(92, QStringLiteral("RE-9"));
        h.window->tabs()->setCurrentIndex(3);
        trigger(h, QStringLiteral("Laden"));
        QCOMPARE(h.dialogs.openRequests, QStringList({"XML Datei laden|" + filter}));
        QCOMPARE(h.dialogs.messages, QStringList({"XML Datei laden|Es wurde keine XML Datei geöffnet."}));
        QCOMPARE(h.state.doc.documentNumber, std::string("RE-9"));
        QCOMPARE(h.text(92), QStringLiteral("RE-9"));
        QCOMPARE(h.window->tabs()->currentIndex(), 0);
        QCOMPARE(h.window->statusField()->text(), QString());

        // A broken file: the parser's message, and an empty form.
        QFile broken(h.path("kaputt.xml"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("<Invoice><cbc:ID>1</cbc:Note></Invoice>");
        broken.close();
        h.dialogs.messages.clear();
        h.dialogs.openAnswers = {broken.fileName()};
        h.window->loadCommand();
        QCOMPARE(h.dialogs.messages.size(), 1);
        QVERIFY(h.dialogs.messages[0].startsWith(QStringLiteral("Fehler beim Lesen der XML Datei|")));
        QVERIFY(h.dialogs.messages[0].contains(QStringLiteral("mismatched tag")));
        QCOMPARE(h.window->statusField()->text(), "Geladene Datei:  " + broken.fileName());
        QCOMPARE(h.text(92), QString());
    }

    // A saved file loaded into a changed form shows the saved values again.
    void loadShowsTheSavedValues() {
        WindowHarness h;
        h.fillMandatoryFields();
        h.pick(90, 3); // USD
        h.pick(146, 1);
        h.pick(135, 2); // "Überweisung"
        h.type(136, QStringLiteral("Sparkasse"));
        h.type(138, QStringLiteral("COLSDE33"));
        h.type(102, QStringLiteral("Erste Zeile"));
        h.type(139, QStringLiteral("Zahlbar sofort"));
        h.setDate(95, QDate(2024, 3, 15));
        h.type(130, QStringLiteral("Lager Nord"));
        h.addLine("10", "3", "Kabel", "2,50", "0");
        h.addLine("20", "1", "Stecker", "4.00", "0");
        const QByteArray saved = h.saveAs(QStringLiteral("runde.xml"));
        QVERIFY(!saved.isEmpty());

        h.type(92, QStringLiteral("ANDERS"));
        h.pick(90, 0);
        h.pick(135, 0);
        h.window->tabs()->setCurrentIndex(4);
        h.dialogs.openAnswers = {h.path("runde.xml")};
        h.window->loadCommand();
        QVERIFY(h.dialogs.messages.isEmpty());
        QCOMPARE(h.window->statusField()->text(), "Geladene Datei:  " + h.path("runde.xml"));
        QCOMPARE(h.window->tabs()->currentIndex(), 0);
        const std::pair<int, const char*> shown[] = {{92, "RE-2024-001"},
                                                     {111, "Lieferant & Söhne KG"},
                                                     {90, "USD"},
                                                     {136, "Sparkasse"},
                                                     {138, "COLSDE33"},
                                                     {102, "Erste Zeile"},
                                                     {139, "Zahlbar sofort"},
                                                     {130, "Lager Nord"},
                                                     {157, "11.50"},
                                                     {160, "11.50"}};
        for (const auto& [id, text] : shown)
            QCOMPARE(h.text(id), QString::fromUtf8(text));
        QCOMPARE(h.field<QComboBox>(146)->currentIndex(), 1);
        QCOMPARE(h.field<QComboBox>(135)->currentIndex(), 2);
        QCOMPARE(h.field<app::DatePicker>(95)->value(), app::DatePicker::fromQDate(QDate(2024, 3, 15)));
        QCOMPARE(h.field<app::DatePicker>(94)->value(), noDate);
        QCOMPARE(h.positions(), QStringList({"10", "20"}));
        QCOMPARE(h.cell(0, 5), QStringLiteral("7.50"));
        QCOMPARE(h.cell(0, 8), QStringLiteral("USD"));
        QCOMPARE(h.find<QLabel>(QStringLiteral("label82"))->text(), QStringLiteral("USD"));
        QVERIFY(!h.state.modified);
        // Saving again without a change gives the same file.
        QCOMPARE(h.saveAs(QStringLiteral("zweimal.xml")), saved);
    }
};

std::unique_ptr<QObject> makeCommandsTest() {
    return std::make_unique<CommandsTest>();
}

#include "commands_test.moc"
