// The menu commands: "Laden", "Speichern", "Validieren", "Lizenzhinweis".
#include "window_harness.h"

#include "app/program_texts.h"
#include "invoice/dates.h"

#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <memory>

using namespace tallomir;
using app::DatePicker;

namespace {

const QString filter = QStringLiteral("XML Dateien (*.xml);;Alle Dateien (*.*)");

QAction* menuAction(WindowHarness& h, const QString& text) {
    for (QAction* top : h.window->menuBar()->actions())
        for (QAction* action : top->menu()->actions())
            if (action->text() == text)
                return action;
    return nullptr;
}

} // namespace

class CommandsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void infoShowsTitleDisclaimerAndParserLicence() {
        WindowHarness h;
        menuAction(h, QStringLiteral("Lizenzhinweis"))->trigger();
        QCOMPARE(h.dialogs.messages.size(), 1);
        QCOMPARE(h.dialogs.messages[0].title, QStringLiteral("Info"));
        const QString text = h.dialogs.messages[0].text;
        QVERIFY(text.startsWith(QStringLiteral("Tallomir Ver. 1.8\n")));
        QVERIFY(text.contains(QStringLiteral(" 2022")));
        QVERIFY(text.contains(QStringLiteral("https://tallomir.example.org")));
        QVERIFY(text.contains(QStringLiteral("info@tallomir.example.org")));
        QVERIFY(text.contains(QStringLiteral("\n\nIch übernehme keinerlei Haftung für Schäden die durch die "
                                             "Benutzung des Programms entstehen.\n"
                                             "Die Benutzung des Programms geschieht auf eigenes Risiko.\n\n"
                                             "Hinweis zum Modul   Expat XML Parser \n\n")));
        QVERIFY(text.contains(QStringLiteral("Thai Open Source Software Center Ltd and Clark Cooper")));
        QVERIFY(text.contains(QStringLiteral("Permission is hereby granted, free of charge")));
        QVERIFY(text.endsWith(QStringLiteral("IN THE SOFTWARE.\n")));
        QVERIFY(!text.contains(QLatin1Char('\r')));
        QCOMPARE(text, QString::fromStdString(app::infoText()));
    }

    void validateAsksForTheFile() {
        WindowHarness h;
        menuAction(h, QStringLiteral("Validieren"))->trigger();
        QCOMPARE(h.dialogs.openRequests.size(), 1);
        QCOMPARE(h.dialogs.openRequests[0].title, QStringLiteral("XML Datei validieren"));
    }

    void saveWithMissingFieldShowsTheCheckAndWritesNothing() {
        WindowHarness h;
        QVERIFY(h.open());
        menuAction(h, QStringLiteral("Speichern"))->trigger();
        QCOMPARE(h.dialogs.messages.size(), 1);
        QCOMPARE(h.dialogs.messages[0].title, QStringLiteral("Pflichtfelder"));
        QCOMPARE(h.dialogs.messages[0].text, QStringLiteral("nicht alle Pflichtfelder ausgefüllt"));
        QVERIFY(h.dialogs.saveRequests.isEmpty());
    }

    void saveCancelledNamesNoFile() {
        WindowHarness h;
        QVERIFY(h.open());
        h.fillMandatoryFields();
        menuAction(h, QStringLiteral("Speichern"))->trigger();
        QCOMPARE(h.dialogs.saveRequests.size(), 1);
        QCOMPARE(h.dialogs.saveRequests[0].title, QStringLiteral("XML Datei speichern"));
        QCOMPARE(h.dialogs.saveRequests[0].filter, filter);
        QCOMPARE(h.dialogs.saveRequests[0].proposal, QString());
        QCOMPARE(h.dialogs.messages.size(), 1);
        QCOMPARE(h.dialogs.messages[0].title, QStringLiteral("XML Datei speichern"));
        QCOMPARE(h.dialogs.messages[0].text, QStringLiteral("Es wurde kein Dateiname angegeben."));
        QVERIFY(h.state.modified);
    }

    // All sixteen fields typed, "Telefon*" left empty: the file is written.
    void saveWritesTheTypedInvoice() {
        WindowHarness h;
        QVERIFY(h.open());
        h.fillMandatoryFields();
        QCOMPARE(h.text(115), QString());
        // ".xml" is added to a name without it.
        h.saveAs(QStringLiteral("rechnung"));
        QVERIFY(h.dialogs.messages.isEmpty());
        const QByteArray file = readFile(h.path("rechnung.xml"));
        QVERIFY(!file.isEmpty());
        QVERIFY(file.contains("<cbc:ID>RE-2024-001</cbc:ID>"));
        QVERIFY(file.contains("<cbc:BuyerReference>04011000-12345-03</cbc:BuyerReference>"));
        QVERIFY(file.contains("<cbc:RegistrationName>Lieferant &amp; Söhne KG</cbc:RegistrationName>"));
        QVERIFY(file.contains("<cbc:CityName>Köln</cbc:CityName>"));
        QVERIFY(file.contains("<cbc:ID>DE02120300000000202051</cbc:ID>"));
        QVERIFY(!h.state.modified);
        // The next save proposes the file just written.
        h.dialogs.saveAnswers.clear();
        h.window->saveCommand();
        QCOMPARE(h.dialogs.saveRequests.last().proposal, h.path("rechnung.xml"));
    }

    // What is on the screen is saved, even while the cursor is still in the field.
    void fieldWithFocusIsSaved() {
        WindowHarness h;
        QVERIFY(h.open());
        h.fillMandatoryFields();
        h.type(92, QStringLiteral("RE-LETZTE"), false);
        QVERIFY(h.field(92)->hasFocus());
        const QByteArray file = h.saveAs(QStringLiteral("fokus.xml"));
        QVERIFY(file.contains("<cbc:ID>RE-LETZTE</cbc:ID>"));
    }

    void shownDefaultsAreSaved() {
        WindowHarness h;
        QVERIFY(h.open());
        h.fillMandatoryFields();
        const QByteArray file = h.saveAs(QStringLiteral("vorgaben.xml"));
        const QByteArray today = QByteArray::fromStdString(formatIsoDate(todayDate()));
        QVERIFY(file.contains("<cbc:IssueDate>" + today + "</cbc:IssueDate>"));
        QVERIFY(file.contains("<cac:PaymentTerms>"));
        QVERIFY(file.contains("<cbc:Note>14 Tage rein netto</cbc:Note>"));
    }

    void allowanceTakesTheShownRate() {
        WindowHarness h;
        QVERIFY(h.open());
        h.fillMandatoryFields();
        h.addLine("1", "2", "Schrauben", "50,00", "19");
        h.type(140, QStringLiteral("Treuerabatt"));
        h.type(142, QStringLiteral("-10"));
        QCOMPARE(h.field<QComboBox>(144)->currentText(), QStringLiteral("19.00%"));
        const QByteArray file = h.saveAs(QStringLiteral("nachlass.xml"));
        const int start = file.indexOf("<cac:AllowanceCharge>");
        QVERIFY(start > 0);
        const QByteArray block = file.mid(start, file.indexOf("</cac:AllowanceCharge>") - start);
        QVERIFY(block.contains("<cbc:ChargeIndicator>false</cbc:ChargeIndicator>"));
        QVERIFY(block.contains("<cbc:AllowanceChargeReason>Treuerabatt</cbc:AllowanceChargeReason>"));
        QVERIFY(block.contains(">10.00</cbc:Amount>"));
        QVERIFY(block.contains("<cbc:ID>S</cbc:ID>"));
        QVERIFY(block.contains("<cbc:Percent>19.00</cbc:Percent>"));
        // The footer shows the totals with the allowance.
        QCOMPARE(h.text(157), QStringLiteral("100.00"));
        QCOMPARE(h.text(158), QStringLiteral("90.00"));
        QCOMPARE(h.text(145), QStringLiteral("17.10"));
        QCOMPARE(h.text(160), QStringLiteral("107.10"));
    }

    void loadCancelledKeepsTheDocument() {
        WindowHarness h;
        QVERIFY(h.open());
        h.type(92, QStringLiteral("RE-9"));
        h.window->tabs()->setCurrentIndex(3);
        menuAction(h, QStringLiteral("Laden"))->trigger();
        QCOMPARE(h.dialogs.openRequests.size(), 1);
        QCOMPARE(h.dialogs.openRequests[0].title, QStringLiteral("XML Datei laden"));
        QCOMPARE(h.dialogs.openRequests[0].filter, filter);
        QCOMPARE(h.dialogs.messages.size(), 1);
        QCOMPARE(h.dialogs.messages[0].title, QStringLiteral("XML Datei laden"));
        QCOMPARE(h.dialogs.messages[0].text, QStringLiteral("Es wurde keine XML Datei geöffnet."));
        QCOMPARE(h.state.doc.documentNumber, std::string("RE-9"));
        QCOMPARE(h.text(92), QStringLiteral("RE-9"));
        QCOMPARE(h.window->tabs()->currentIndex(), 0);
        QCOMPARE(h.window->statusField()->text(), QString());
    }

    void loadBrokenFileShowsTheParserMessageAndAnEmptyForm() {
        WindowHarness h;
        QVERIFY(h.open());
        h.type(92, QStringLiteral("RE-9"));
        const QString broken = h.path("kaputt.xml");
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<Invoice><cbc:ID>1</cbc:Note></Invoice>");
        file.close();
        h.dialogs.openAnswers = {broken};
        h.window->loadCommand();
        QCOMPARE(h.dialogs.messages.size(), 1);
        QCOMPARE(h.dialogs.messages[0].title, QStringLiteral("Fehler beim Lesen der XML Datei"));
        QVERIFY(h.dialogs.messages[0].text.contains(QStringLiteral("mismatched tag")));
        QCOMPARE(h.window->statusField()->text(), QStringLiteral("Geladene Datei:  ") + broken);
        QCOMPARE(h.text(92), QString());
    }

    // A saved file loaded into a changed form shows the saved values again.
    void loadShowsTheSavedValues() {
        WindowHarness h;
        QVERIFY(h.open());
        h.fillMandatoryFields();
        h.pick(90, 3); // USD
        h.pick(146, 1);
        h.pick(135, 2); // "Überweisung"
        h.type(136, QStringLiteral("Sparkasse"));
        h.type(138, QStringLiteral("COLSDE33"));
        h.type(102, QStringLiteral("Erste Zeile"));
        h.type(139, QStringLiteral("Zahlbar sofort"));
        h.setDate(h.field<DatePicker>(95), QDate(2024, 3, 15));
        h.type(130, QStringLiteral("Lager Nord"));
        h.addLine("10", "3", "Kabel", "2,50", "0");
        h.addLine("20", "1", "Stecker", "4.00", "0");
        const QByteArray saved = h.saveAs(QStringLiteral("runde.xml"));
        QVERIFY(!saved.isEmpty());

        // Change the form, then load.
        h.type(92, QStringLiteral("ANDERS"));
        h.type(117, QString());
        h.pick(90, 0);
        h.pick(135, 0);
        h.window->tabs()->setCurrentIndex(4);
        h.dialogs.openAnswers = {h.path("runde.xml")};
        h.window->loadCommand();
        QVERIFY(h.dialogs.messages.isEmpty());
        QCOMPARE(h.window->statusField()->text(), QStringLiteral("Geladene Datei:  ") + h.path("runde.xml"));
        QCOMPARE(h.window->tabs()->currentIndex(), 0);
        QCOMPARE(h.text(92), QStringLiteral("RE-2024-001"));
        QCOMPARE(h.text(117), QStringLiteral("K-100"));
        QCOMPARE(h.text(111), QStringLiteral("Lieferant & Söhne KG"));
        QCOMPARE(h.field<QComboBox>(90)->currentText(), QStringLiteral("USD"));
        QCOMPARE(h.field<QComboBox>(146)->currentIndex(), 1);
        QCOMPARE(h.field<QComboBox>(135)->currentIndex(), 2);
        QCOMPARE(h.text(136), QStringLiteral("Sparkasse"));
        QCOMPARE(h.text(138), QStringLiteral("COLSDE33"));
        QCOMPARE(h.text(102), QStringLiteral("Erste Zeile"));
        QCOMPARE(h.text(139), QStringLiteral("Zahlbar sofort"));
        QCOMPARE(h.text(130), QStringLiteral("Lager Nord"));
        QCOMPARE(h.field<DatePicker>(95)->value(), DatePicker::fromQDate(QDate(2024, 3, 15)));
        QCOMPARE(h.field<DatePicker>(94)->value(), noDate);
        QCOMPARE(h.field<DatePicker>(93)->value(), todayDate());
        QTableView* list = h.lineList();
        QCOMPARE(list->model()->rowCount(), 2);
        QCOMPARE(list->model()->index(1, 0).data().toString(), QStringLiteral("20"));
        QCOMPARE(list->model()->index(0, 5).data().toString(), QStringLiteral("7.50"));
        QCOMPARE(list->model()->index(0, 8).data().toString(), QStringLiteral("USD"));
        QCOMPARE(h.text(157), QStringLiteral("11.50"));
        QCOMPARE(h.text(160), QStringLiteral("11.50"));
        QCOMPARE(h.find<QLabel>(QStringLiteral("label82"))->text(), QStringLiteral("USD"));
        QVERIFY(!h.state.modified);

        // Saving again without a change gives the same file.
        h.dialogs.saveAnswers = {h.path("zweimal.xml")};
        h.window->saveCommand();
        QCOMPARE(readFile(h.path("zweimal.xml")), saved);
    }
};

std::unique_ptr<QObject> makeCommandsTest() {
    return std::make_unique<CommandsTest>();
}

#include "commands_test.moc"
