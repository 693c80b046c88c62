// Editing as a user does: typing and leaving fields, picking entries, dates,
// the line editor's buttons and clicks into the line list, closing.
#include "window_harness.h"

#include "invoice/dates.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include "app/marking.h"

#include <memory>

using namespace tallomir;
using app::DatePicker;

namespace {

QString cell(WindowHarness& h, int row, int column) {
    return h.lineList()->model()->index(row, column).data().toString();
}

QStringList positions(WindowHarness& h) {
    QStringList list;
    for (int row = 0; row < h.lineList()->model()->rowCount(); ++row)
        list << cell(h, row, 0);
    return list;
}

} // namespace

class EditingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void leavingAFieldHandsOverItsText() {
        WindowHarness h;
        QVERIFY(h.open());
        h.type(91, QStringLiteral("0401 1000 12"), false);
        QCOMPARE(h.state.doc.buyerReference, std::string());
        QTest::keyClick(h.field(91), Qt::Key_Tab);
        // Stored without blanks; the field keeps what was typed.
        QCOMPARE(h.state.doc.buyerReference, std::string("0401100012"));
        QCOMPARE(h.text(91), QStringLiteral("0401 1000 12"));
        h.type(102, QStringLiteral("Zeile 1\nZeile 2"));
        QCOMPARE(h.state.doc.note, std::string("Zeile 1\nZeile 2"));
        h.type(131, QStringLiteral("Hafenstraße 1"));
        QCOMPARE(h.state.doc.delivery.street, std::string("Hafenstraße 1"));
        QVERIFY(h.state.modified);
    }

    void typedPaymentTermsAreKept() {
        WindowHarness h;
        QVERIFY(h.open());
        h.type(139, QStringLiteral("Zahlbar in 10 Tagen"));
        QCOMPARE(h.state.doc.paymentTerms, std::string("Zahlbar in 10 Tagen"));
        h.pick(139, 1);
        QCOMPARE(h.state.doc.paymentTerms, std::string("14 Tage 2% Skonto"));
    }

    void threeLetterCountryShowsTheBoxAndIsKept() {
        WindowHarness h;
        QVERIFY(h.open());
        h.type(108, QStringLiteral("DEU"));
        QCOMPARE(h.dialogs.messages.size(), 1);
        QCOMPARE(h.dialogs.messages[0].title, QStringLiteral("Land Kurzbezeichnung"));
        QCOMPARE(h.dialogs.messages[0].text, QStringLiteral("Bitte nur 2 Zeichen z.B.: DE"));
        QCOMPARE(h.state.doc.supplier.countryCode, std::string("DEU"));
        QCOMPARE(h.text(108), QStringLiteral("DEU"));
        // Again at the next focus loss; two letters and an empty field pass.
        h.type(108, QStringLiteral("DEU"));
        QCOMPARE(h.dialogs.messages.size(), 2);
        h.type(122, QStringLiteral("AT"));
        h.type(134, QString());
        QCOMPARE(h.dialogs.messages.size(), 2);
        QCOMPARE(h.state.doc.customer.countryCode, std::string("AT"));
    }

    void creditNoteEmptiesTheDueDate() {
        WindowHarness h;
        QVERIFY(h.open());
        auto* due = h.field<DatePicker>(94);
        h.setDate(due, QDate(2024, 5, 31));
        QCOMPARE(h.state.doc.dueDate, std::string("2024-05-31"));
        QCOMPARE(due->dateEdit()->text(), QStringLiteral("31.05.2024"));
        h.pick(89, 2);
        QCOMPARE(h.field<QComboBox>(89)->currentText(), QStringLiteral("Gutschrift"));
        QCOMPARE(h.state.doc.documentTypeCode, std::string("381"));
        QCOMPARE(h.state.doc.dueDate, std::string());
        QCOMPARE(due->value(), noDate);
        QCOMPARE(due->dateEdit()->text().trimmed(), QString());
        // Another type afterwards does not bring it back.
        h.pick(89, 0);
        QCOMPARE(h.state.doc.dueDate, std::string());
        QCOMPARE(due->value(), noDate);
    }

    void datePickerBoxSwitchesTheDateOff() {
        WindowHarness h;
        QVERIFY(h.open());
        auto* delivery = h.field<DatePicker>(95);
        h.showPageOf(delivery);
        QTest::mouseClick(delivery->checkBox(), Qt::LeftButton);
        QCOMPARE(h.state.doc.deliveryDate, formatIsoDate(todayDate()));
        h.setDate(delivery, QDate(2030, 1, 2));
        QCOMPARE(h.state.doc.deliveryDate, std::string("2030-01-02"));
        QTest::mouseClick(delivery->checkBox(), Qt::LeftButton);
        QCOMPARE(h.state.doc.deliveryDate, std::string());
        QCOMPARE(delivery->dateEdit()->text().trimmed(), QString());
        // Ticking again brings back the last date.
        QTest::mouseClick(delivery->checkBox(), Qt::LeftButton);
        QCOMPARE(h.state.doc.deliveryDate, std::string("2030-01-02"));
    }

    void bankTransferMarksTheBankFields() {
        WindowHarness h;
        QVERIFY(h.open());
        QWidget* bank = h.field(136);
        QWidget* bic = h.field(138);
        for (int index : {2, 3}) { // "Überweisung" 30, "Lastschrift" 49
            h.pick(135, index);
            QCOMPARE(h.text(136), QStringLiteral("Bankname !"));
            QCOMPARE(h.text(138), QStringLiteral("BIC !"));
            QVERIFY(app::isMarkedControl(bank));
            QVERIFY(app::isMarkedControl(bic));
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
        QVERIFY(!app::isMarkedControl(bank));
        QVERIFY(!app::isMarkedControl(bic));
    }

    void currencyFollowsIntoFooterAndList() {
        WindowHarness h;
        QVERIFY(h.open());
        h.addLine("1", "1", "Tasse", "8", "19");
        h.pick(90, 1);
        QCOMPARE(h.state.documentCurrency, std::string("CHF"));
        QCOMPARE(cell(h, 0, 8), QStringLiteral("CHF"));
        QCOMPARE(h.find<QLabel>(QStringLiteral("label81"))->text(), QStringLiteral("CHF"));
    }

    void addedLinesShowInTheListAndTheFooter() {
        WindowHarness h;
        QVERIFY(h.open());
        h.addLine("1", "2", "Papier", "10,00", "19");
        // The editor is emptied after "Anfügen".
        QCOMPARE(h.find<QLineEdit>(QStringLiteral("linePosition"))->text(), QString());
        QCOMPARE(h.find<QLineEdit>(QStringLiteral("lineUnitPrice"))->text(), QString());
        h.addLine("2", "1,5", "Toner", "3", "7");
        QCOMPARE(positions(h), QStringList({"1", "2"}));
        QCOMPARE(cell(h, 0, 4), QStringLiteral("10.00"));
        QCOMPARE(cell(h, 0, 5), QStringLiteral("20.00"));
        QCOMPARE(cell(h, 0, 6), QStringLiteral("19.00%"));
        QCOMPARE(cell(h, 0, 7), QStringLiteral("23.80"));
        QCOMPARE(cell(h, 1, 1), QStringLiteral("1.5"));
        QCOMPARE(cell(h, 1, 5), QStringLiteral("4.50"));
        QCOMPARE(h.text(157), QStringLiteral("24.50"));
        QCOMPARE(h.text(150), QStringLiteral("19.00"));
        QCOMPARE(h.text(147), QStringLiteral("20.00"));
        QCOMPARE(h.text(148), QStringLiteral("3.80"));
        QCOMPARE(h.text(155), QStringLiteral("7.00"));
        QCOMPARE(h.text(152), QStringLiteral("4.50"));
        QCOMPARE(h.text(153), QStringLiteral("0.32"));
        QCOMPARE(h.text(145), QStringLiteral("4.12"));
        QCOMPARE(h.text(159), QStringLiteral("28.62"));
        QCOMPARE(h.text(160), QStringLiteral("28.62"));
    }

    void addInsertsAfterTheClickedLine() {
        WindowHarness h;
        QVERIFY(h.open());
        h.addLine("1", "1", "eins", "1", "19");
        h.addLine("2", "1", "zwei", "1", "19");
        h.addLine("3", "1", "drei", "1", "19");
        h.clickRow(0);
        QCOMPARE(h.state.currentLineIndex, 0);
        QCOMPARE(h.find<QLineEdit>(QStringLiteral("lineItemName"))->text(), QStringLiteral("eins"));
        h.addLine("4", "1", "vier", "1", "19");
        QCOMPARE(positions(h), QStringList({"1", "4", "2", "3"}));
        QCOMPARE(h.state.lines[1].itemName, std::string("vier"));
    }

    void changeOnAnEmptyListStoresTheFirstLine() {
        WindowHarness h;
        QVERIFY(h.open());
        h.typeLine(QStringLiteral("linePosition"), QStringLiteral("7"));
        h.typeLine(QStringLiteral("lineQuantity"), QStringLiteral("2"));
        h.typeLine(QStringLiteral("lineUnitPrice"), QStringLiteral("9,99"));
        h.typeLine(QStringLiteral("lineVatPercent"), QStringLiteral("19"));
        h.click(QStringLiteral("buttonChange"));
        QCOMPARE(positions(h), QStringList({"7"}));
        QCOMPARE(h.state.lines[0].unitPrice, std::string("9.99"));
        QCOMPARE(cell(h, 0, 5), QStringLiteral("19.98"));
        // The editor keeps what was typed.
        QCOMPARE(h.find<QLineEdit>(QStringLiteral("lineUnitPrice"))->text(), QStringLiteral("9,99"));
        QCOMPARE(h.find<QLineEdit>(QStringLiteral("linePosition"))->text(), QStringLiteral("7"));
        // Changing again overwrites that line instead of adding one.
        h.typeLine(QStringLiteral("lineQuantity"), QStringLiteral("3"));
        h.click(QStringLiteral("buttonChange"));
        QCOMPARE(positions(h), QStringList({"7"}));
        QCOMPARE(cell(h, 0, 5), QStringLiteral("29.97"));
    }

    void changeWithNoLineClickedWritesNowhere() {
        WindowHarness h;
        QVERIFY(h.open());
        h.addLine("1", "1", "eins", "1", "19");
        h.addLine("2", "1", "zwei", "1", "19");
        h.clickBelowRows();
        QCOMPARE(h.state.currentLineIndex, -1);
        h.typeLine(QStringLiteral("linePosition"), QStringLiteral("9"));
        h.click(QStringLiteral("buttonChange"));
        QCOMPARE(positions(h), QStringList({"1", "2"}));
    }

    void clickedLineShowsItsTidiedDescription() {
        WindowHarness h;
        QVERIFY(h.open());
        LineItem line;
        line.position = "1";
        line.itemName = "Beratung";
        line.itemDescription = "\n   erste Zeile\n  zweite Zeile";
        line.lineStartDate = "2024-01-01";
        h.state.lines.push_back(line);
        h.window->showDocument();
        h.clickRow(0);
        QCOMPARE(h.find<QPlainTextEdit>(QStringLiteral("lineDescription"))->toPlainText(),
                 QStringLiteral("erste Zeile\nzweite Zeile"));
        QCOMPARE(h.state.lines[0].itemDescription, line.itemDescription);
        QCOMPARE(h.find<DatePicker>(QStringLiteral("lineStartDate"))->value(),
                 DatePicker::fromQDate(QDate(2024, 1, 1)));
        QCOMPARE(h.find<DatePicker>(QStringLiteral("lineEndDate"))->value(), noDate);
    }

    void lineDatesGoIntoTheEditedLine() {
        WindowHarness h;
        QVERIFY(h.open());
        h.setDate(h.find<DatePicker>(QStringLiteral("lineStartDate")), QDate(2024, 2, 1));
        h.setDate(h.find<DatePicker>(QStringLiteral("lineEndDate")), QDate(2024, 2, 29));
        h.type(h.find(QStringLiteral("lineDescription")), QStringLiteral("Wartung"));
        h.addLine("1", "1", "Monat", "100", "19");
        QCOMPARE(h.state.lines[0].lineStartDate, std::string("2024-02-01"));
        QCOMPARE(h.state.lines[0].lineEndDate, std::string("2024-02-29"));
        QCOMPARE(h.state.lines[0].itemDescription, std::string("Wartung"));
        QCOMPARE(h.find<DatePicker>(QStringLiteral("lineStartDate"))->value(), noDate);
    }

    void deletingTheOnlyLineDisablesDelete() {
        WindowHarness h;
        QVERIFY(h.open());
        h.addLine("1", "2", "eins", "5", "19");
        auto* remove = h.find<QPushButton>(QStringLiteral("buttonDelete"));
        QVERIFY(remove->isEnabled());
        h.click(QStringLiteral("buttonDelete"));
        QCOMPARE(h.lineList()->model()->rowCount(), 0);
        QVERIFY(!remove->isEnabled());
        // The footer drops to zero with the last line.
        QCOMPARE(h.text(157), QStringLiteral("0.00"));
        QCOMPARE(h.text(160), QStringLiteral("0.00"));
        h.addLine("2", "1", "zwei", "1", "19");
        h.clickRow(0);
        QVERIFY(remove->isEnabled());
    }

    void deleteRemovesTheClickedLineAndShowsTheLast() {
        WindowHarness h;
        QVERIFY(h.open());
        h.addLine("1", "1", "eins", "1", "19");
        h.addLine("2", "1", "zwei", "2", "19");
        h.addLine("3", "1", "drei", "3", "19");
        h.clickRow(1);
        h.click(QStringLiteral("buttonDelete"));
        QCOMPARE(positions(h), QStringList({"1", "3"}));
        QCOMPARE(h.find<QLineEdit>(QStringLiteral("lineItemName"))->text(), QStringLiteral("drei"));
        QCOMPARE(h.text(157), QStringLiteral("4.00"));
    }

    void closeAsksOnlyWhenChanged() {
        {
            WindowHarness h;
            QVERIFY(h.open());
            QVERIFY(h.window->close());
            QVERIFY(h.dialogs.questions.isEmpty());
        }
        WindowHarness h;
        QVERIFY(h.open());
        h.type(92, QStringLiteral("RE-1"));
        h.dialogs.questionAnswers = {false};
        QVERIFY(!h.window->close());
        QVERIFY(h.window->isVisible());
        QCOMPARE(h.dialogs.questions.size(), 1);
        QCOMPARE(h.dialogs.questions[0].title, QStringLiteral("Tallomir Ver. 1.8"));
        QCOMPARE(h.dialogs.questions[0].text, QStringLiteral("Ungespeicherte Änderungen verwerfen?"));
        h.dialogs.questionAnswers = {true};
        QVERIFY(h.window->close());
        QVERIFY(!h.window->isVisible());
    }

    void closeCountsTheFieldStillBeingTyped() {
        WindowHarness h;
        QVERIFY(h.open());
        h.type(104, QStringLiteral("Neu"), false);
        h.dialogs.questionAnswers = {false};
        QVERIFY(!h.window->close());
        QCOMPARE(h.dialogs.questions.size(), 1);
    }
};

std::unique_ptr<QObject> makeEditingTest() {
    return std::make_unique<EditingTest>();
}

#include "editing_test.moc"
