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
        h.typeAll("102=Zeile 1\nZeile 2|139=Zahlbar in 10 Tagen");
        QCOMPARE(h.state.doc.note, std::string("Zeile 1\nZeile 2"));
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
        h.typeAll("108=DEU|122=AT|134=");
        QCOMPARE(h.dialogs.messages, QStringList({box, box}));
        QCOMPARE(h.state.doc.customer.countryCode, std::string("AT"));
    }

    void datesAndTheCreditNote() {
        WindowHarness h;
        h.setDate("94", QDate(2024, 5, 31));
        QCOMPARE(h.state.doc.dueDate, std::string("2024-05-31"));
        QCOMPARE(h.field<DatePicker>(94)->dateEdit()->text(), QStringLiteral("31.05.2024"));
        // "Gutschrift" empties the due date; another type does not bring it back.
        h.pick(89, 2);
        QCOMPARE(h.text(89), QStringLiteral("Gutschrift"));
        QCOMPARE(h.state.doc.documentTypeCode, std::string("381"));
        QCOMPARE(h.state.doc.dueDate, std::string());
        QCOMPARE(h.field<DatePicker>(94)->dateEdit()->text().trimmed(), QString());
        h.pick(89, 0);
        QCOMPARE(h.state.doc.dueDate, std::string());

        // The box switches a date on (today), off, and on again with the last date.
        QCheckBox* box = h.field<DatePicker>(95)->checkBox();
        QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(h.state.doc.deliveryDate, formatIsoDate(todayDate()));
        h.setDate("95", QDate(2030, 1, 2));
        QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(h.state.doc.deliveryDate, std::string());
        QCOMPARE(h.field<DatePicker>(95)->dateEdit()->text().trimmed(), QString());
        QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(h.state.doc.deliveryDate, std::string("2030-01-02"));
    }

    void bankTransferMarksTheBankFields() {
        WindowHarness h;
        for (int index : {2, 3}) { // "Überweisung" 30, "Lastschrift" 49
            h.pick(135, index);
            QCOMPARE(h.texts({136, 138}), QStringList({"Bankname !", "BIC !"}));
            QVERIFY(app::isMarkedControl(h.field(136)) && app::isMarkedControl(h.field(138)));
        }
        QCOMPARE(h.state.doc.paymentMeansCode, std::string("49"));
        QCOMPARE(h.state.doc.bankName, std::string());
        // Leaving the field unedited stores what it shows.
        h.field(136)->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(h.field(136), Qt::Key_Tab);
        QCOMPARE(h.state.doc.bankName, std::string("Bankname !"));
        h.pick(135, 0); // "SEPA-Überweisung" 58
        QCOMPARE(h.texts({136, 138}), QStringList({"", ""}));
        QVERIFY(!app::isMarkedControl(h.field(136)) && !app::isMarkedControl(h.field(138)));
    }

    void addedLinesShowInTheListAndTheFooter() {
        WindowHarness h;
        h.addLine("1|2|Papier|10,00|19");
        QCOMPARE(h.find<QLineEdit>(QStringLiteral("lineUnitPrice"))->text(), QString()); // emptied
        h.addLine("2|1,5|Toner|3|7");
        h.pick(90, 1); // CHF
        QCOMPARE(QStringList({h.cell(0, 4), h.cell(0, 5), h.cell(0, 6), h.cell(0, 7), h.cell(0, 8),
                              h.cell(1, 1), h.cell(1, 5)}),
                 QStringList({"10.00", "20.00", "19.00%", "23.80", "CHF", "1.5", "4.50"}));
        QCOMPARE(h.texts({157, 150, 147, 148, 155, 152, 153, 145, 159, 160}),
                 QStringList(
                     {"24.50", "19.00", "20.00", "3.80", "7.00", "4.50", "0.32", "4.12", "28.62", "28.62"}));
        QCOMPARE(h.find<QLabel>(QStringLiteral("label81"))->text(), QStringLiteral("CHF"));
    }

    void addInsertsAfterTheClickedLine() {
        WindowHarness h;
        h.setDate("lineStartDate", QDate(2024, 2, 1));
        h.typeAll("lineDescription=Wartung");
        for (const char* line : {"1|1|eins|1|19", "2|1|zwei|1|19", "3|1|drei|1|19"})
            h.addLine(line);
        QCOMPARE(h.state.lines[0].lineStartDate, std::string("2024-02-01"));
        QCOMPARE(h.state.lines[0].itemDescription, std::string("Wartung"));
        QCOMPARE(h.state.lines[1].lineStartDate, std::string());
        h.clickRow(0);
        QCOMPARE(h.state.currentLineIndex, 0);
        QCOMPARE(h.find<DatePicker>(QStringLiteral("lineStartDate"))->value(),
                 DatePicker::fromQDate(QDate(2024, 2, 1)));
        h.addLine("4|1|vier|1|19");
        QCOMPARE(h.positions(), QStringList({"1", "4", "2", "3"}));
        QCOMPARE(h.state.lines[1].itemName, std::string("vier"));
        // "Ändern" with no line clicked writes nowhere.
        h.clickRow(-1);
        QCOMPARE(h.state.currentLineIndex, -1);
        h.typeAll("linePosition=9");
        h.click("buttonChange");
        QCOMPARE(h.positions(), QStringList({"1", "4", "2", "3"}));
    }

    void changeOnAnEmptyListStoresTheFirstLine() {
        WindowHarness h;
        h.typeAll("linePosition=7|lineQuantity=2|lineUnitPrice=9,99|lineVatPercent=19");
        h.click("buttonChange");
        QCOMPARE(h.positions(), QStringList({"7"}));
        QCOMPARE(h.state.lines[0].unitPrice, std::string("9.99"));
        QCOMPARE(h.cell(0, 5), QStringLiteral("19.98"));
        // The editor keeps what was typed; changing again overwrites that line.
        QCOMPARE(h.find<QLineEdit>(QStringLiteral("lineUnitPrice"))->text(), QStringLiteral("9,99"));
        h.typeAll("lineQuantity=3");
        h.click("buttonChange");
        QCOMPARE(h.positions(), QStringList({"7"}));
        QCOMPARE(h.cell(0, 5), QStringLiteral("29.97"));
    }

    void clickedLineShowsItsTidiedDescription() {
        WindowHarness h;
        LineItem line;
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
        for (const char* line : {"1|1|1|1|19", "2|1|2|2|19", "3|1|3|3|19"})
            h.addLine(line);
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
        h.addLine("4|1|vier|1|19");
        h.clickRow(0);
        QVERIFY(remove->isEnabled());
    }

    void closeAsksOnlyWhenChanged() {
        WindowHarness unchanged;
        QVERIFY(unchanged.window->close());
        QVERIFY(unchanged.dialogs.questions.isEmpty());

        WindowHarness h;
        h.type(104, QStringLiteral("Neu"), false); // still being typed, yet a change
        h.dialogs.questionAnswers = {false, true};
        QVERIFY(!h.window->close());
        QVERIFY(h.window->isVisible());
        QTest::keyClick(h.field(104), Qt::Key_Q, Qt::ControlModifier); // ends the program like closing
        QVERIFY(!h.window->isVisible());
        QCOMPARE(h.dialogs.questions,
                 QStringList(2, QStringLiteral("Tallomir Ver. 1.8|Ungespeicherte Änderungen verwerfen?")));
    }
};

std::unique_ptr<QObject> makeEditingTest() {
    return std::make_unique<EditingTest>();
}

#include "editing_test.moc"
