// Editing as a user does: typing and leaving fields, picking entries, dates,
// the line editor's buttons and clicks into the line list, closing.
#include "window_harness.h"

#include "app/marking.h"
#include "invoice/dates.h"

#include <QApplication>
#include <QLabel>
#include <QStatusBar>

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
        // Line breaks pasted into a single-line field reach the document as blanks.
        h.field<QLineEdit>(101)->setText(QStringLiteral("P-1\r\nTeil\t2"));
        h.field(101)->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(h.field(101), Qt::Key_Tab);
        QCOMPARE(h.state.doc.projectNumber, std::string("P-1 Teil 2"));
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

    // Star and yellow mark what the check requires now, and follow changes.
    void markingFollowsWhatTheCheckRequires() {
        WindowHarness h;
        const auto label = [&](int id) {
            for (QLabel* l : h.window->findChildren<QLabel*>())
                if (l->buddy() == h.field(id))
                    return l->text();
            return QString();
        };
        const auto marked = [&](int id) {
            auto* picker = h.field<DatePicker>(id);
            return app::isMarkedControl(picker ? picker->dateEdit() : h.field(id));
        };
        // "Kunden Nr." and "Lieferdatum" are not required, "Telefon" is.
        QCOMPARE(QStringList({label(117), label(95), label(115), label(137), label(103)}),
                 QStringList({"Kunden Nr.", "Lieferdatum", "Telefon*", "IBAN*", "Lieferanten Nr.*"}));
        QVERIFY(!marked(117) && !marked(95) && marked(115) && marked(137) && marked(103));
        // A VAT identifier identifies the seller and is what the standard rate asks for.
        h.typeAll("109=DE123456789");
        QCOMPARE(QStringList({label(103), label(112), label(170)}),
                 QStringList({"Lieferanten Nr.", "HR Nummer", "Steuernummer"}));
        // The IBAN only for a transfer; a delivery address needs its place;
        // terms or a due date once an amount is due.
        h.typeAll("131=Am Hafen 3|139=");
        h.pick(135, 3); // "Lastschrift" 49
        QCOMPARE(QStringList({label(137), label(132), label(134), label(139)}),
                 QStringList({"IBAN", "Ort*", "Land* (kurz)", "Zahlungsbedingung"}));
        QVERIFY(!marked(137) && marked(132) && !marked(139));
        h.addLine("1|1|eins|10|19");
        QCOMPARE(QStringList({label(139), label(94)}), QStringList({"Zahlungsbedingung*", "Fälligkeit*"}));
        QVERIFY(marked(139) && marked(94));
        // The yellow stands out against the page.
        QVERIFY(app::markColor != h.window->tabs()->palette().color(QPalette::Window));
    }

    // The version and the payment means decide which fields there are to fill.
    void formatAndPaymentMeansDecideTheirFields() {
        WindowHarness h;
        QCOMPARE(h.labelOf(172) + "|" + h.labelOf(174),
                 QStringLiteral("Elektron. Adresse|Elektron. Adresse"));
        QVERIFY(!h.marked(172) && !h.marked(174));
        h.pick(171, 1); // XRechnung 3.0 reaches both parties by their electronic addresses
        QCOMPARE(h.state.xrechnungVersion, XRechnungVersion::V3_0);
        QCOMPARE(h.labelOf(172) + "|" + h.labelOf(174),
                 QStringLiteral("Elektron. Adresse*|Elektron. Adresse*"));
        QVERIFY(h.marked(172) && h.marked(174));
        // An e-mail fills an empty address, as an e-mail address, where the user sees it.
        h.type(116, QStringLiteral("rechnung@lieferant.example"));
        QCOMPARE(h.text(172) + "|" + h.text(173), QStringLiteral("rechnung@lieferant.example|E-Mail"));
        QCOMPARE(h.state.doc.supplier.endpointScheme, std::string("EM"));

        // A direct debit asks for its mandate, creditor and account instead of the IBAN paid into.
        h.pick(135, 1);
        QVERIFY(h.field(190)->isEnabled() && !h.field(137)->isEnabled() && !h.field(193)->isEnabled());
        QVERIFY(h.marked(190) && h.marked(191) && h.marked(192) && !h.marked(137));
        h.pick(135, 5); // Kreditkarte
        QVERIFY(h.field(193)->isEnabled() && h.field(194)->isEnabled() && !h.field(190)->isEnabled());
        QVERIFY(h.marked(193) && !h.marked(194));
        QVERIFY(h.field(193)->toolTip().contains(QStringLiteral("4 bis 6 Ziffern")));
    }

    void addedLinesShowInTheListAndTheFooter() {
        WindowHarness h;
        h.addLine("1|2|Papier|10,00|19");
        QCOMPARE(h.find<QLineEdit>(QStringLiteral("lineUnitPrice"))->text(), QString()); // emptied
        h.addLine("2|1,5|Toner|3|7");
        h.pick(90, 1); // CHF
        QCOMPARE(QStringList({h.cell(0, 5), h.cell(0, 6), h.cell(0, 7), h.cell(0, 8), h.cell(0, 9),
                              h.cell(1, 1), h.cell(1, 6)}),
                 QStringList({"10,00", "20,00", "19,00 %", "23,80", "CHF", "1,5", "4,50"}));
        QCOMPARE(h.texts({157, 150, 147, 148, 155, 152, 153, 145, 159, 160}),
                 QStringList(
                     {"24,50", "19,00", "20,00", "3,80", "7,00", "4,50", "0,32", "4,12", "28,62", "28,62"}));
        // A price keeps four decimals: 1000 kWh at 0,1234 cost 123,40.
        h.addLine("3|1000|Strom|0,1234|19");
        QCOMPARE(h.cell(2, 5) + " " + h.cell(2, 6), QStringLiteral("0,1234 123,40"));
        QCOMPARE(h.find<QLabel>(QStringLiteral("label81"))->text(), QStringLiteral("CHF"));
    }

    // "Einheit": a new line takes the unit used last; the list and the editor
    // show a line's unit, one the list does not have by its code.
    void unitOfEachLine() {
        WindowHarness h;
        auto* unit = h.find<QComboBox>(QStringLiteral("lineUnit"));
        QCOMPARE(unit->currentText(), QStringLiteral("Stück"));
        h.pick(QStringLiteral("lineUnit"), 1);
        h.addLine("1|8|Montage|45|19");
        QCOMPARE(unit->currentText(), QStringLiteral("Stunde"));
        h.addLine("2|1|Anfahrt|30|19");
        QCOMPARE(QStringList({h.cell(0, 2), h.cell(1, 2)}), QStringList({"Stunde", "Stunde"}));
        h.clickRow(0);
        h.pick(QStringLiteral("lineUnit"), 2);
        h.click("buttonChange");
        QCOMPARE(h.cell(0, 2), QStringLiteral("Tag"));
        QCOMPARE(h.state.lines[0].unitCode + h.state.lines[1].unitCode, std::string("DAYHUR"));
        h.state.lines[1].unitCode = "XPP"; // as loaded
        h.window->showDocument();
        h.clickRow(1);
        QCOMPARE(unit->currentText() + ' ' + h.cell(1, 2), QStringLiteral("XPP XPP"));
        QCOMPARE(unit->count(), 11);
        h.click("buttonChange");
        QCOMPARE(h.state.lines[1].unitCode, std::string("XPP"));
    }

    // "Bezug auf Rechnung" and "vom" take input only on a credit note or a
    // corrected invoice, and keep their values on the other types.
    void referenceFieldsFollowTheType() {
        WindowHarness h;
        const auto enabled = [&] { return h.field(176)->isEnabled() && h.field(177)->isEnabled(); };
        QVERIFY(!h.field(176)->isEnabled() && !h.field(177)->isEnabled());
        h.pick(89, 2); // "Gutschrift"
        QVERIFY(enabled());
        h.type(176, QStringLiteral("RE-2024-001"));
        h.setDate("177", QDate(2024, 1, 31));
        h.pick(89, 0);
        QVERIFY(!h.field(176)->isEnabled() && !h.field(177)->isEnabled());
        QCOMPARE(h.text(176), QStringLiteral("RE-2024-001"));
        h.pick(89, 1); // "korrigierte Rechnung"
        QVERIFY(enabled());
        QCOMPARE(h.state.doc.precedingInvoiceNumber + ' ' + h.state.doc.precedingInvoiceDate,
                 std::string("RE-2024-001 2024-01-31"));
    }

    // Beside "Wert" and "Prozent": what the entry gives, by its sign.
    void allowanceSaysWhatItIs() {
        WindowHarness h;
        h.addLine("1|1|eins|100|19");
        auto* kind = h.find<QLabel>(QStringLiteral("allowanceKind"));
        QVERIFY(kind->toolTip().contains(QStringLiteral("Nachlass")));
        const std::pair<const char*, const char*> cases[] = {
            {"142=-3", "Nachlass"}, {"142=3", "Zuschlag"}, {"141=-2", "Nachlass"}, {"141=0|142=0", ""}};
        for (const auto& [entries, shown] : cases) {
            h.typeAll(QString::fromLatin1(entries));
            QCOMPARE(kind->text(), QString::fromLatin1(shown));
        }
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
        // With no stored line shown, "Ändern" and "Löschen" cannot be used.
        h.clickRow(-1);
        QCOMPARE(h.state.currentLineIndex, -1);
        QVERIFY(!h.find<QPushButton>(QStringLiteral("buttonChange"))->isEnabled());
        QVERIFY(!h.find<QPushButton>(QStringLiteral("buttonDelete"))->isEnabled());
    }

    // The line the editor shows is the one "Ändern" and "Löschen" act on:
    // select line 2, change it, "Ändern" twice, "Löschen".
    void changeAndDeleteActOnTheLineShown() {
        WindowHarness h;
        for (const char* line : {"1|1|eins|1|19", "2|3|zwei|2,50|19", "3|1|drei|3|19"})
            h.addLine(line);
        h.clickRow(1);
        // The price field shows the price, not the line's net amount.
        QCOMPARE(h.texts({}) + QStringList({h.find<QLineEdit>(QStringLiteral("lineQuantity"))->text(),
                                            h.find<QLineEdit>(QStringLiteral("lineUnitPrice"))->text()}),
                 QStringList({"3", "2,50"}));
        h.typeAll("lineItemName=zwei neu|lineDescription=mit Text");
        h.click("buttonChange");
        h.typeAll("lineQuantity=4");
        h.click("buttonChange");
        QCOMPARE(h.state.currentLineIndex, 1);
        QCOMPARE(QString::fromStdString(h.state.lines[1].itemName + "|" + h.state.lines[1].quantity + "|" +
                                        h.state.lines[2].itemName + "|" + h.state.lines[2].itemDescription),
                 QStringLiteral("zwei neu|4|drei|"));
        h.click("buttonDelete");
        QCOMPARE(h.positions(), QStringList({"1", "3"}));
        QCOMPARE(h.find<QLineEdit>(QStringLiteral("lineItemName"))->text(), QStringLiteral("drei"));
        // Return in an editor field changes the line shown, or adds a new one.
        h.type(h.find(QStringLiteral("lineQuantity")), QStringLiteral("5"), false);
        QTest::keyClick(h.find(QStringLiteral("lineQuantity")), Qt::Key_Return);
        QCOMPARE(h.state.lines[1].quantity, std::string("5"));
        h.clickRow(-1);
        h.typeAll("linePosition=4|lineItemName=vier|lineQuantity=1|lineUnitPrice=1");
        h.type(h.find(QStringLiteral("lineVatPercent")), QStringLiteral("7"), false);
        QTest::keyClick(h.find(QStringLiteral("lineVatPercent")), Qt::Key_Return);
        QCOMPARE(h.positions(), QStringList({"1", "3", "4"}));
    }

    // What cannot be taken is marked at once and named in the status bar,
    // never turned into 0.
    void badInputIsShownAtOnce() {
        WindowHarness h;
        h.addLine("1|1|eins|1|19");
        const auto status = [&] { return h.window->statusBar()->currentMessage(); };
        const auto invalid = [&](const QString& name) {
            return app::markingOf(h.find(name)) == app::Marking::Invalid;
        };
        const std::tuple<const char*, const char*, const char*> cases[] = {
            {"lineQuantity", "zwei", "Anz.: „zwei“ ist keine Zahl"},
            {"lineUnitPrice", "-3", "Preis: Ein Preis darf nicht negativ sein"},
            {"linePosition", "1", "Pos. 1 ist schon vergeben"},
        };
        for (const auto& [name, text, message] : cases) {
            h.type(h.find(QString::fromLatin1(name)), QString::fromUtf8(text));
            QCOMPARE(status(), QString::fromUtf8(message));
            QVERIFY2(invalid(QString::fromLatin1(name)), name);
        }
        QCOMPARE(h.state.lineEditBuffer.quantity, std::string("zwei"));
        h.type(h.find(QStringLiteral("lineQuantity")), QStringLiteral("1.234"));
        QCOMPARE(status(), QStringLiteral("Anz.: „1.234“ gelesen als 1,234 (Dezimalkomma: 1.234,00)"));
        QVERIFY(!invalid(QStringLiteral("lineQuantity")));
        h.type(142, QStringLiteral("zehn"));
        QCOMPARE(status(), QStringLiteral("Wert: „zehn“ ist keine Zahl"));
        QCOMPARE(app::markingOf(h.field(142)), app::Marking::Invalid);
        QCOMPARE(h.text(142), QStringLiteral("zehn"));
        // A date beyond 2099 cannot be entered.
        QCOMPARE(h.field<DatePicker>(93)->dateEdit()->maximumDate(), QDate(2099, 12, 31));
    }

    // Tab leaves every field; an empty date field is passed by.
    void tabLeavesDateFields() {
        WindowHarness h;
        QDateEdit* issue = h.field<DatePicker>(93)->dateEdit();
        issue->setFocus(Qt::TabFocusReason);
        QTest::keyClick(issue, Qt::Key_Tab);
        QVERIFY(!h.field(93)->isAncestorOf(QApplication::focusWidget()));
        QCheckBox* due = h.field<DatePicker>(94)->checkBox();
        due->setFocus(Qt::TabFocusReason);
        QTest::keyClick(due, Qt::Key_Tab);
        QVERIFY(!h.field(94)->isAncestorOf(QApplication::focusWidget()));
    }

    void changeOnAnEmptyListStoresTheFirstLine() {
        WindowHarness h;
        h.typeAll("linePosition=7|lineQuantity=2|lineUnitPrice=9,99|lineVatPercent=19");
        h.click("buttonChange");
        QCOMPARE(h.positions(), QStringList({"7"}));
        QCOMPARE(h.state.lines[0].unitPrice, std::string("9.99"));
        QCOMPARE(h.cell(0, 6), QStringLiteral("19,98"));
        // The editor keeps what was typed; changing again overwrites that line.
        QCOMPARE(h.find<QLineEdit>(QStringLiteral("lineUnitPrice"))->text(), QStringLiteral("9,99"));
        h.typeAll("lineQuantity=3");
        h.click("buttonChange");
        QCOMPARE(h.positions(), QStringList({"7"}));
        QCOMPARE(h.cell(0, 6), QStringLiteral("29,97"));
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

    // Each line has its category; the footer has a row per group, more than
    // three when needed; "Steuerkennung" takes the lines of its previous
    // category along.
    void taxCategoriesPerLineAndAFooterRowPerGroup() {
        WindowHarness h;
        auto* lineCategory = h.find<QComboBox>(QStringLiteral("lineTaxCategory"));
        h.addLine("1|1|Beratung|100|19");
        h.addLine("2|1|Buch|10|7");
        for (const auto& [line, entry] : {std::pair{"3|1|Module|1000", 6}, {"4|1|Kurs|50", 4}}) {
            const QStringList v = QString::fromLatin1(line).split('|');
            h.typeAll("linePosition=" + v[0] + "|lineQuantity=" + v[1] + "|lineItemName=" + v[2] +
                      "|lineUnitPrice=" + v[3]);
            h.pick(QStringLiteral("lineTaxCategory"), entry);
            QCOMPARE(h.find<QLineEdit>(QStringLiteral("lineVatPercent"))->text(), QStringLiteral("0,00"));
            h.click("buttonAdd");
        }
        QCOMPARE(h.cell(2, 7) + "|" + h.cell(3, 7), QStringLiteral("0,00 % Z|0,00 % E"));
        // Groups in the order of the category list; the third row is the page's
        // own (fields 156, 151, 154), the fourth one made for it.
        const auto category = [&](int n) {
            return h.find<QLineEdit>(QStringLiteral("footerRowCategory%1").arg(n))->text();
        };
        QCOMPARE(h.texts({150, 147, 148, 156, 151, 154}) + QStringList({category(1), category(3)}),
                 QStringList({"19,00", "100,00", "19,00", "0,00", "50,00", "0,00", "", "E"}));
        QStringList fourth;
        for (const char* part : {"Rate", "Taxable", "Tax", "Category"})
            fourth
                << h.find<QLineEdit>(QStringLiteral("footerRow%1%2").arg(QLatin1String(part)).arg(4))->text();
        QCOMPARE(fourth, QStringList({"0,00", "1.000,00", "0,00", "Z"}));
        QVERIFY(!h.find(QStringLiteral("footerRowRate4"))->isHidden());
        QCOMPARE(h.field(145)->y(), 320); // "USt. gesamt" below the fourth row
        QCOMPARE(h.text(160), QStringLiteral("1.179,70"));

        h.pick(146, 3); // "Kleinunternehmer": the standard-rated lines become exempt
        QCOMPARE(QStringList({h.cell(0, 7), h.cell(1, 7), h.cell(2, 7)}),
                 QStringList({"0,00 % E", "0,00 % E", "0,00 % Z"}));
        QVERIFY(h.find(QStringLiteral("footerRowRate4"))->isHidden());
        QCOMPARE(h.text(160), QStringLiteral("1.160,00"));
        QCOMPARE(h.field(145)->y(), 290);
        // A stored line shows its category in the editor.
        h.clickRow(2);
        QCOMPARE(lineCategory->currentIndex(), 6);
    }

    void deletingTheOnlyLineLeavesZeroTotals() {
        WindowHarness h;
        h.addLine("1|1|eins|4|19");
        h.clickRow(0);
        h.click("buttonDelete");
        QCOMPARE(h.positions(), QStringList());
        QVERIFY(!h.find<QPushButton>(QStringLiteral("buttonDelete"))->isEnabled());
        QCOMPARE(h.texts({157, 160}), QStringList({"0,00", "0,00"}));
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
