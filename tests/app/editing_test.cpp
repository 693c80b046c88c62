// Editing as a user does: typing and leaving fields, picking entries, dates,
// the line editor's buttons and clicks into the line list, closing.
#include "window_harness.h"

#include "app/marking.h"
#include "invoice/dates.h"

#include <QLabel>

using namespace tallomir;
using app::DatePicker;

class EditingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void leavingAFieldHandsOverItsText() {
        WindowHarness h;
        h.type(91, QStringLiteral("0401 1000 12"), false);
        QCOMPARE(h.state.doc.buyerReference, std::string());
        QTest::keyClick(h.field(91), Qt::Key_Tab);
        // Stored without blanks; the field keeps what was typed.
        QCOMPARE(h.state.doc.buyerReference, std::string("0401100012"));
        QCOMPARE(h.text(91), QStringLiteral("0401 1000 12"));
        h.type(102, QStringLiteral("Zeile 1\nZeile 2"));
        QCOMPARE(h.state.doc.note, std::string("Zeile 1\nZeile 2"));
        h.type(139, QStringLiteral("Zahlbar in 10 Tagen"));
        QCOMPARE(h.state.doc.paymentTerms, std::string("Zahlbar in 10 Tagen"));
        QVERIFY(h.state.modified);
    }

    void threeLetterCountryShowsTheBoxAndIsKept() {
        WindowHarness h;
        const QString box = QStringLiteral("Land Kurzbezeichnung|Bitte nur 2 Zeichen z.B.: DE");
        h.type(108, QStringLiteral("DEU"));
        QCOMPARE(h.dialogs.messages, QStringList({box}));
        QCOMPARE(h.state.doc.supplier.countryCode, std::string("DEU"));
        QCOMPARE(h.text(108), QStringLiteral("DEU"));
        // Again at the next focus loss; two letters and an empty field pass.
        h.type(108, QStringLiteral("DEU"));
        h.type(122, QStringLiteral("AT"));
        h.type(134, QString());
        QCOMPARE(h.dialogs.messages, QStringList({box, box}));
        QCOMPARE(h.state.doc.customer.countryCode, std::string("AT"));
    }

    void datesAndTheCreditNote() {
        WindowHarness h;
        auto* due = h.field<DatePicker>(94);
        h.setDate(due, QDate(2024, 5, 31));
        QCOMPARE(h.state.doc.dueDate, std::string("2024-05-31"));
        QCOMPARE(due->dateEdit()->text(), QStringLiteral("31.05.2024"));
        // "Gutschrift" empties the due date; another type does not bring it back.
        h.pick(89, 2);
        QCOMPARE(h.text(89), QStringLiteral("Gutschrift"));
        QCOMPARE(h.state.doc.documentTypeCode, std::string("381"));
        QCOMPARE(h.state.doc.dueDate, std::string());
        QCOMPARE(due->dateEdit()->text().trimmed(), QString());
        h.pick(89, 0);
        QCOMPARE(h.state.doc.dueDate, std::string());
        QCOMPARE(due->value(), noDate);

        // The box switches a date on (today), off, and on again with the last date.
        auto* delivery = h.field<DatePicker>(95);
        QTest::mouseClick(delivery->checkBox(), Qt::LeftButton);
        QCOMPARE(h.state.doc.deliveryDate, formatIsoDate(todayDate()));
        h.setDate(delivery, QDate(2030, 1, 2));
        QTest::mouseClick(delivery->checkBox(), Qt::LeftButton);
        QCOMPARE(h.state.doc.deliveryDate, std::string());
        QCOMPARE(delivery->dateEdit()->text().trimmed(), QString());
        QTest::mouseClick(delivery->checkBox(), Qt::LeftButton);
        QCOMPARE(h.state.doc.deliveryDate, std::string("2030-01-02"));
    }

    void bankTransferMarksTheBankFields() {
        WindowHarness h;
        for (int index : {2, 3}) { // "Überweisung" 30, "Lastschrift" 49
            h.pick(135, index);
            QCOMPARE(h.text(136), QStringLiteral("Bankname !"));
            QCOMPARE(h.text(138), QStringLiteral("BIC !"));
            QVERIFY(app::isMarkedControl(h.field(136)) && app::isMarkedControl(h.field(138)));
        }
        QCOMPARE(h.state.doc.paymentMeansCode, std::string("49"));
        QCOMPARE(h.state.doc.bankName, std::string());
        // Leaving the field unedited stores what it shows.
        h.field(136)->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(h.field(136), Qt::Key_Tab);
        QCOMPARE(h.state.doc.bankName, std::string("Bankname !"));
        h.pick(135, 0); // "SEPA-Überweisung" 58
        QCOMPARE(h.text(136), QString());
        QCOMPARE(h.text(138), QString());
        QVERIFY(!app::isMarkedControl(h.field(136)) && !app::isMarkedControl(h.field(138)));
    }

    void addedLinesShowInTheListAndTheFooter() {
        WindowHarness h;
        h.addLine("1", "2", "Papier", "10,00", "19");
        // The editor is emptied after "Anfügen".
        QCOMPARE(h.find<QLineEdit>(QStringLiteral("lineUnitPrice"))->text(), QString());
        h.addLine("2", "1,5", "Toner", "3", "7");
        h.pick(90, 1); // CHF
        QCOMPARE(QStringList({h.cell(0, 4), h.cell(0, 5), h.cell(0, 6), h.cell(0, 7), h.cell(0, 8)}),
                 QStringList({"10.00", "20.00", "19.00%", "23.80", "CHF"}));
        QCOMPARE(h.cell(1, 1), QStringLiteral("1.5"));
        QCOMPARE(h.cell(1, 5), QStringLiteral("4.50"));
        const std::pair<int, const char*> footer[] = {
            {157, "24.50"}, {150, "19.00"}, {147, "20.00"}, {148, "3.80"},  {155, "7.00"},
            {152, "4.50"},  {153, "0.32"},  {145, "4.12"},  {159, "28.62"}, {160, "28.62"}};
        for (const auto& [id, amount] : footer)
            QCOMPARE(h.text(id), QString(amount));
        QCOMPARE(h.find<QLabel>(QStringLiteral("label81"))->text(), QStringLiteral("CHF"));
    }

    void addInsertsAfterTheClickedLine() {
        WindowHarness h;
        h.setDate(h.find<DatePicker>(QStringLiteral("lineStartDate")), QDate(2024, 2, 1));
        h.type(h.find(QStringLiteral("lineDescription")), QStringLiteral("Wartung"));
        for (const char* position : {"1", "2", "3"})
            h.addLine(position, "1", position, "1", "19");
        QCOMPARE(h.state.lines[0].lineStartDate, std::string("2024-02-01"));
        QCOMPARE(h.state.lines[0].itemDescription, std::string("Wartung"));
        QCOMPARE(h.state.lines[1].lineStartDate, std::string());
        h.clickRow(0);
        QCOMPARE(h.state.currentLineIndex, 0);
        QCOMPARE(h.find<DatePicker>(QStringLiteral("lineStartDate"))->value(),
                 DatePicker::fromQDate(QDate(2024, 2, 1)));
        h.addLine("4", "1", "vier", "1", "19");
        QCOMPARE(h.positions(), QStringList({"1", "4", "2", "3"}));
        QCOMPARE(h.state.lines[1].itemName, std::string("vier"));
        // "Ändern" with no line clicked writes nowhere.
        h.clickRow(-1);
        QCOMPARE(h.state.currentLineIndex, -1);
        h.typeLine("linePosition", QStringLiteral("9"));
        h.click("buttonChange");
        QCOMPARE(h.positions(), QStringList({"1", "4", "2", "3"}));
    }

    void changeOnAnEmptyListStoresTheFirstLine() {
        WindowHarness h;
        h.typeLine("linePosition", QStringLiteral("7"));
        h.typeLine("lineQuantity", QStringLiteral("2"));
        h.typeLine("lineUnitPrice", QStringLiteral("9,99"));
        h.typeLine("lineVatPercent", QStringLiteral("19"));
        h.click("buttonChange");
        QCOMPARE(h.positions(), QStringList({"7"}));
        QCOMPARE(h.state.lines[0].unitPrice, std::string("9.99"));
        QCOMPARE(h.cell(0, 5), QStringLiteral("19.98"));
        // The editor keeps what was typed; changing again overwrites that line.
        QCOMPARE(h.find<QLineEdit>(QStringLiteral("lineUnitPrice"))->text(), QStringLiteral("9,99"));
        h.typeLine("lineQuantity", QStringLiteral("3"));
        h.click("buttonChange");
        QCOMPARE(h.positions(), QStringList({"7"}));
        QCOMPARE(h.cell(0, 5), QStringLiteral("29.97"));
    }

    void clickedLineShowsItsTidiedDescription() {
        WindowHarness h;
        LineItem line;
        line.position = "1";
        line.itemDescription = "\n   erste Zeile\n  zweite Zeile";
        h.state.lines.push_back(line);
        h.window->showDocument();
        h.clickRow(0);
        QCOMPARE(h.find<QPlainTextEdit>(QStringLiteral("lineDescription"))->toPlainText(),
                 QStringLiteral("erste Zeile\nzweite Zeile"));
        QCOMPARE(h.state.lines[0].itemDescription, line.itemDescription);
    }

    void deleteRemovesTheClickedLineThenTheLast() {
        WindowHarness h;
        for (const char* price : {"1", "2", "3"})
            h.addLine(price, "1", price, price, "19");
        auto* remove = h.find<QPushButton>(QStringLiteral("buttonDelete"));
        h.clickRow(1);
        h.click("buttonDelete");
        QCOMPARE(h.positions(), QStringList({"1", "3"}));
        QCOMPARE(h.find<QLineEdit>(QStringLiteral("lineItemName"))->text(), QStringLiteral("3"));
        QCOMPARE(h.text(157), QStringLiteral("4.00"));
        h.click("buttonDelete");
        QCOMPARE(h.positions(), QStringList({"1"}));
        // Deleting the only line disables "Löschen"; clicking a line enables it.
        h.click("buttonDelete");
        QCOMPARE(h.positions(), QStringList());
        QVERIFY(!remove->isEnabled());
        QCOMPARE(h.text(160), QStringLiteral("0.00"));
        h.addLine("4", "1", "vier", "1", "19");
        h.clickRow(0);
        QVERIFY(remove->isEnabled());
    }

    void closeAsksOnlyWhenChanged() {
        WindowHarness unchanged;
        QVERIFY(unchanged.window->close());
        QVERIFY(unchanged.dialogs.questions.isEmpty());

        WindowHarness h;
        // The field still being typed counts as a change.
        h.type(104, QStringLiteral("Neu"), false);
        h.dialogs.questionAnswers = {false, true};
        QVERIFY(!h.window->close());
        QVERIFY(h.window->isVisible());
        QVERIFY(h.window->close());
        QCOMPARE(h.dialogs.questions,
                 QStringList(2, QStringLiteral("Tallomir Ver. 1.8|Ungespeicherte Änderungen verwerfen?")));
    }
};

std::unique_ptr<QObject> makeEditingTest() {
    return std::make_unique<EditingTest>();
}

#include "editing_test.moc"
