// The menu commands: "Laden", "Speichern", "Validieren", "Lizenzhinweis".
#include "window_harness.h"

#include "invoice/dates.h"

#include <QLabel>
#include <QMenuBar>

using namespace tallomir;

namespace {

const QString filter = QStringLiteral("XML Dateien (*.xml);;Alle Dateien (*.*)");
const QString mandatory = QStringLiteral("Pflichtfelder|nicht alle Pflichtfelder ausgefüllt");

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

    void saveChecksTheMandatoryFieldsThenAsksForTheName() {
        WindowHarness h;
        trigger(h, QStringLiteral("Speichern"));
        // An emptied country field fails the check too.
        h.fillMandatoryFields();
        h.type(108, QString());
        trigger(h, QStringLiteral("Speichern"));
        QCOMPARE(h.dialogs.messages, QStringList({mandatory, mandatory}));
        QVERIFY(h.dialogs.saveRequests.isEmpty());
        h.type(108, QStringLiteral("DE"));
        trigger(h, QStringLiteral("Speichern"));
        QCOMPARE(h.dialogs.saveRequests, QStringList({"XML Datei speichern||" + filter}));
        QCOMPARE(h.dialogs.messages.last(),
                 QStringLiteral("XML Datei speichern|Es wurde kein Dateiname angegeben."));
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
        h.dialogs.saveAnswers = {h.path("rechnung")}; // ".xml" is added to a name without it
        QTest::keyClick(h.field(92), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(h.dialogs.messages.isEmpty());
        const QByteArray file = readFile(h.path("rechnung.xml"));
        for (const QByteArray& part :
             {QByteArray("<cbc:ID>RE-LETZTE</cbc:ID>"), QByteArray("<cbc:BuyerReference>04011000-12345-03<"),
              QByteArray("<cbc:RegistrationName>Lieferant &amp; Söhne KG</cbc:RegistrationName>"),
              QByteArray("<cbc:CityName>Köln</cbc:CityName>"), QByteArray("<cbc:ID>DE02120300000000202051<"),
              "<cbc:IssueDate>" + QByteArray::fromStdString(formatIsoDate(todayDate())) + "</cbc:IssueDate>"})
            QVERIFY2(file.contains(part), part);
        QVERIFY(element(file, "cac:PaymentTerms").contains("<cbc:Note>14 Tage rein netto</cbc:Note>"));
        QVERIFY(!h.state.modified);
        // The next save proposes the file just written.
        h.window->saveCommand();
        QCOMPARE(h.dialogs.saveRequests.last(),
                 "XML Datei speichern|" + h.path("rechnung.xml") + '|' + filter);
    }

    // A save that fails says so, names the file, and leaves the document unsaved.
    void aFailedSaveShowsItsReason() {
        WindowHarness h;
        h.fillMandatoryFields();
        const QString target = h.path(QStringLiteral("fehlt/rechnung.xml"));
        h.dialogs.saveAnswers = {target};
        h.window->saveCommand();
        QCOMPARE(h.dialogs.messages.size(), 1);
        QVERIFY2(h.dialogs.messages[0].startsWith(QStringLiteral("XML Datei speichern|")),
                 qPrintable(h.dialogs.messages[0]));
        QVERIFY2(h.dialogs.messages[0].contains(target), qPrintable(h.dialogs.messages[0]));
        QVERIFY(!QFile::exists(target));
        QVERIFY(h.state.modified);
    }

    void allowanceTakesTheShownRate() {
        WindowHarness h;
        h.fillMandatoryFields();
        h.addLine("1|2|Schrauben|50,00|19");
        h.typeAll("140=Treuerabatt|142=-10");
        QCOMPARE(h.text(144), QStringLiteral("19.00%"));
        const QByteArray allowance = element(h.saveAs(QStringLiteral("nachlass.xml")), "cac:AllowanceCharge");
        for (const char* part :
             {"<cbc:ChargeIndicator>false</cbc:ChargeIndicator>",
              "<cbc:AllowanceChargeReason>Treuerabatt</cbc:AllowanceChargeReason>", ">10.00</cbc:Amount>",
              "<cbc:ID>S</cbc:ID>", "<cbc:Percent>19.00</cbc:Percent>"})
            QVERIFY2(allowance.contains(part), part);
        QCOMPARE(h.texts({157, 158, 145, 160}), QStringList({"100.00", "90.00", "17.10", "107.10"}));
    }

    void loadCancelledOrBrokenFile() {
        WindowHarness h;
        h.type(92, QStringLiteral("RE-9"));
        h.window->tabs()->setCurrentIndex(3);
        QTest::keyClick(h.window.get(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(h.dialogs.openRequests, QStringList({"XML Datei laden|" + filter}));
        QCOMPARE(h.dialogs.messages, QStringList({"XML Datei laden|Es wurde keine XML Datei geöffnet."}));
        QCOMPARE(h.state.doc.documentNumber, std::string("RE-9"));
        QCOMPARE(h.text(92), QStringLiteral("RE-9"));
        QCOMPARE(h.window->tabs()->currentIndex(), 0);
        QCOMPARE(h.window->statusField()->text(), QString());

        // A broken file: the parser's message, and an empty form.
        QFile broken(h.path("kaputt.xml"));
        QVERIFY(broken.open(QIODevice::WriteOnly) &&
                broken.write("<Invoice><cbc:ID>1</cbc:Note></Invoice>") > 0);
        broken.close();
        h.dialogs.openAnswers = {broken.fileName()};
        h.window->loadCommand();
        QCOMPARE(h.dialogs.messages.size(), 2);
        QVERIFY(h.dialogs.messages[1].startsWith(QStringLiteral("Fehler beim Lesen der XML Datei|")));
        QVERIFY(h.dialogs.messages[1].contains(QStringLiteral("mismatched tag")));
        QCOMPARE(h.window->statusField()->text(), "Geladene Datei:  " + broken.fileName());
        QCOMPARE(h.text(92), QString());
    }

    // A saved file loaded into a changed form shows the saved values again,
    // and saving it unchanged gives the same file.
    void loadShowsTheSavedValues() {
        WindowHarness h;
        h.fillMandatoryFields();
        h.pick(90, 3);  // USD
        h.pick(135, 2); // "Überweisung"
        h.typeAll("136=Sparkasse|138=COLSDE33|102=Erste Zeile|139=Zahlbar sofort|130=Lager Nord");
        h.setDate("95", QDate(2024, 3, 15));
        h.addLine("10|3|Kabel|2,50|0");
        h.addLine("20|1|Stecker|4.00|0");
        const QByteArray saved = h.saveAs(QStringLiteral("runde.xml"));
        QVERIFY(!saved.isEmpty());

        h.type(92, QStringLiteral("ANDERS"));
        h.pick(90, 0);
        h.pick(135, 0);
        h.dialogs.openAnswers = {h.path("runde.xml")};
        h.window->loadCommand();
        QVERIFY(h.dialogs.messages.isEmpty());
        QCOMPARE(h.texts({92, 111, 90, 136, 138, 102, 139, 130, 157, 160}),
                 QStringList({"RE-2024-001", "Lieferant & Söhne KG", "USD", "Sparkasse", "COLSDE33",
                              "Erste Zeile", "Zahlbar sofort", "Lager Nord", "11.50", "11.50"}));
        QCOMPARE(h.field<QComboBox>(135)->currentIndex(), 2);
        QCOMPARE(h.field<app::DatePicker>(95)->value(), app::DatePicker::fromQDate(QDate(2024, 3, 15)));
        QCOMPARE(h.field<app::DatePicker>(94)->value(), noDate);
        QCOMPARE(h.positions(), QStringList({"10", "20"}));
        QCOMPARE(QStringList({h.cell(0, 5), h.cell(0, 8), h.find<QLabel>(QStringLiteral("label82"))->text()}),
                 QStringList({"7.50", "USD", "USD"}));
        QVERIFY(!h.state.modified);
        QCOMPARE(h.saveAs(QStringLiteral("zweimal.xml")), saved);
    }
};

std::unique_ptr<QObject> makeCommandsTest() {
    return std::make_unique<CommandsTest>();
}

#include "commands_test.moc"
