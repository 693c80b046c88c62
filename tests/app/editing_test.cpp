// Editing as a user does: typing, picking, dates, the line editor, closing.
#include "window_harness.h"

#include "app/marking.h"
#include "invoice/dates.h"

using namespace tallomir;
using app::DatePicker;

namespace {

// Each field's label, " gelb" when marked as required, " aus" when it takes no input.
QString shown(const WindowHarness& h, std::initializer_list<int> ids) {
    QStringList list;
    for (int id : ids) {
        QWidget* field = h.field(id);
        auto* picker = qobject_cast<DatePicker*>(field);
        QString text;
        for (QLabel* label : h.window->findChildren<QLabel*>())
            text += label->buddy() == field ? label->text() : QString();
        list << text + (app::isMarkedControl(picker ? picker->dateEdit() : field) ? " gelb" : "") +
                    (field->isEnabled() ? "" : " aus");
    }
    return list.join('|');
}

// The dialog "Weitere Angaben …" of the line editor, opened by its button.
QDialog* openLineDetails(WindowHarness& h) {
    if (!QTest::qWaitFor(
            [&h] { return !h.find(QStringLiteral("lineDetailsDialog")); })) // the last one is gone
        return nullptr;
    h.click("buttonLineDetails");
    auto* dialog = h.find<QDialog>(QStringLiteral("lineDetailsDialog"));
    return dialog != nullptr && dialog->isVisible() && dialog->isModal() ? dialog : nullptr;
}

// A new row of a list of that dialog, typed cell by cell with Tab between them.
void typeListRow(WindowHarness& h, const QString& list, const QStringList& cells) {
    h.click((list + "Add").toLatin1().constData());
    auto* table = h.find<QTableWidget>(list + "Table");
    for (const QString& text : cells) {
        QWidget* editor = table->indexWidget(table->currentIndex());
        QVERIFY(editor != nullptr);
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Tab);
    }
}

} // namespace

class EditingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void leavingAFieldHandsOverItsText() {
        WindowHarness h;
        h.type(91, QStringLiteral("0401 1000 12"), false);
        QCOMPARE(h.state.doc.buyerReference, std::string());
        QTest::keyClick(h.field(91), Qt::Key_Tab);
        h.typeAll("102=Zeile 1\nZeile 2|108=DEU");
        // The Leitweg-ID is stored without blanks; every field keeps what was typed.
        const InvoiceDocument& doc = h.state.doc;
        QCOMPARE(
            QString::fromStdString(doc.buyerReference + '|' + doc.note + '|' + doc.supplier.countryCode) +
                '|' + h.text(91) + '|' + h.text(108),
            QStringLiteral("0401100012|Zeile 1\nZeile 2|DEU|0401 1000 12|DEU"));
        QCOMPARE(h.dialogs.messages.join('/') + (h.state.modified ? " *" : ""),
                 QStringLiteral("Land Kurzbezeichnung|Bitte nur 2 Zeichen z.B.: DE *"));
    }

    void datesAndTheCreditNote() {
        WindowHarness h;
        const auto date = [&](int id, const std::string& value) {
            return QString::fromStdString(value) + '|' +
                   h.field<DatePicker>(id)->dateEdit()->text().trimmed();
        };
        // A change of type drops nothing typed: the due date stays through "Gutschrift" and back.
        h.setDate("94", QDate(2024, 5, 31));
        const QString due = date(94, h.state.doc.dueDate);
        h.pick(89, 2);
        QCOMPARE(due + h.text(89) + date(94, h.state.doc.documentTypeCode + h.state.doc.dueDate),
                 QStringLiteral("2024-05-31|31.05.2024Gutschrift3812024-05-31|31.05.2024"));
        // The preceding invoice takes input for a credit note or a correction only.
        h.type(176, QStringLiteral("RE-2024-001"));
        h.setDate("177", QDate(2024, 1, 31));
        h.pick(89, 0);
        QCOMPARE(date(94, h.state.doc.dueDate) + shown(h, {176, 177}) + h.text(176),
                 QStringLiteral("2024-05-31|31.05.2024Bezug auf Rechnung* gelb aus|vom ausRE-2024-001"));
        h.pick(89, 1); // "korrigierte Rechnung"
        QCOMPARE(shown(h, {176, 177}) + QString::fromStdString(' ' + h.state.doc.precedingInvoiceNumber +
                                                               ' ' + h.state.doc.precedingInvoiceDate),
                 QStringLiteral("Bezug auf Rechnung* gelb|vom RE-2024-001 2024-01-31"));
        // The box switches a date on (today), off, and on again with the last date.
        QCheckBox* box = h.field<DatePicker>(95)->checkBox();
        QTest::mouseClick(box, Qt::LeftButton);
        const std::string today = h.state.doc.deliveryDate;
        h.setDate("95", QDate(2030, 1, 2));
        QTest::mouseClick(box, Qt::LeftButton);
        const QString off = date(95, h.state.doc.deliveryDate);
        QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(QString::fromStdString(today + ' ' + h.state.doc.deliveryDate) + off,
                 QString::fromStdString(formatIsoDate(todayDate()) + " 2030-01-02|"));
    }

    // A date typed is exactly the date typed; anything else is refused in the field.
    void datesTypedDayFirst() {
        WindowHarness h;
        auto* picker = h.field<DatePicker>(93);
        QDateEdit* edit = picker->dateEdit();
        for (const auto& [typed, iso] : {std::pair{"01.11.2026", "2026-11-01"},
                                         {"15032025", "2025-03-15"},
                                         {"1.2.26", "2026-02-01"},
                                         {"29.02.2024", "2024-02-29"}}) {
            h.type(edit, QString::fromLatin1(typed));
            QCOMPARE(QString::fromStdString(h.state.doc.issueDate) + ' ' + edit->text(),
                     QString::fromLatin1(iso) + ' ' +
                         DatePicker::toQDate(parseIsoDate(iso)).toString("dd.MM.yyyy"));
        }
        for (const char* typed : {"29.02.2025", "1.2.3", "01.11.2150"}) {
            h.type(edit, QString::fromLatin1(typed));
            QCOMPARE(QString::fromStdString(h.state.doc.issueDate) + ' ' + edit->text() +
                         (QApplication::focusWidget() == edit ? " bleibt" : "") +
                         (app::markingOf(edit) == app::Marking::Invalid ? " rot" : ""),
                     QString::fromLatin1("2024-02-29 ") + typed + " bleibt rot");
        }
        QCOMPARE(h.window->statusBar()->currentMessage(),
                 QStringLiteral("Belegdatum: „01.11.2150“ liegt nicht zwischen 1900 und 2099"));
        // Leaving by another way brings back the date held; a date field without a date takes one typed.
        h.type(h.field(92), QStringLiteral("RE-1"));
        h.type(h.field<DatePicker>(94)->dateEdit(), QStringLiteral("311226"));
        QCOMPARE(edit->text() + ' ' + QString::fromStdString(h.state.doc.dueDate),
                 QStringLiteral("29.02.2024 2026-12-31"));
    }

    // "Anfügen" refuses a line it cannot store, offers the next number and goes back to "Pos.".
    void lineEditorRefusesAndProposes() {
        WindowHarness h;
        QCOMPARE(h.text("linePosition"), QStringLiteral("1"));
        QWidget* quantity = h.find(QStringLiteral("lineQuantity"));
        h.addLine("1|zwei|Papier|10|19");
        QCOMPARE(h.positions().join(',') + '|' + h.window->statusBar()->currentMessage(),
                 QStringLiteral("|Die Position wurde nicht angefügt: Anz.: „zwei“ ist keine Zahl"));
        QVERIFY(QApplication::focusWidget() == quantity && app::markingOf(quantity) == app::Marking::Invalid);
        h.typeAll("lineQuantity=1.000");
        QCOMPARE(h.window->statusBar()->currentMessage(),
                 QStringLiteral("Anz.: „1.000“ gelesen als 1000 (Punkt als Tausendertrennzeichen)"));
        h.click("buttonAdd");
        QCOMPARE(h.text("linePosition") + '|' + h.cell(0, 1) + '|' + h.cell(0, 6),
                 QStringLiteral("2|1.000|10.000,00"));
        QVERIFY(QApplication::focusWidget() == h.find(QStringLiteral("linePosition")));
        // The next line is typed without the mouse; a repeated "Pos." is refused, also by "Ändern".
        for (const char* key : {"2", "\t", "3", "\t", "\t", "Tinte", "\t", "-2", "\n"})
            *key == '\t' || *key == '\n'
                ? QTest::keyClick(QApplication::focusWidget(), *key == '\t' ? Qt::Key_Tab : Qt::Key_Return)
                : QTest::keyClicks(QApplication::focusWidget(), QString::fromUtf8(key));
        QCOMPARE(
            h.positions().join(',') + '|' + h.window->statusBar()->currentMessage(),
            QStringLiteral("1|Die Position wurde nicht angefügt: Preis: Ein Preis darf nicht negativ sein"));
        h.typeAll("lineUnitPrice=2|lineVatPercent=19 %|linePosition=1");
        h.click("buttonAdd");
        QCOMPARE(h.window->statusBar()->currentMessage(),
                 QStringLiteral("Die Position wurde nicht angefügt: Pos. 1 ist schon vergeben"));
        h.typeAll("linePosition=2");
        h.click("buttonAdd");
        h.clickRow(1);
        h.typeAll("linePosition=1");
        h.click("buttonChange");
        QCOMPARE(h.positions().join(',') + '|' + h.cell(1, 7) + '|' + h.window->statusBar()->currentMessage(),
                 QStringLiteral("1,2|19,00 %|Die Position wurde nicht geändert: Pos. 1 ist schon vergeben"));
    }

    // Marked: what the check requires now; the version and payment means enable fields.
    void requiredAndEnabledFieldsFollowTheInput() {
        WindowHarness h;
        QCOMPARE(shown(h, {117, 95, 115, 137, 103, 172, 190}),
                 QStringLiteral("Kunden Nr.|Lieferdatum|Telefon* gelb|IBAN* gelb|Lieferanten Nr.* "
                                "gelb|Elektron. Adresse|Mandatsreferenz aus"));
        // Terms or a due date once an amount is due.
        h.typeAll("139=");
        h.addLine("1|1|eins|10|19");
        QCOMPARE(shown(h, {139, 94}), QStringLiteral("Zahlungsbedingung* gelb|Fälligkeit* gelb"));
        // 3.0 asks for both electronic addresses; an e-mail fills an empty one.
        h.pick(171, 1);
        h.type(116, QStringLiteral("rechnung@lieferant.example"));
        QCOMPARE(shown(h, {172, 174}) + h.text(172) + "|" + h.text(173),
                 QStringLiteral(
                     "Elektron. Adresse* gelb|Elektron. Adresse* gelbrechnung@lieferant.example|E-Mail"));
        // A direct debit asks for its mandate, creditor and account instead of the IBAN paid into.
        h.pick(135, 1);
        QCOMPARE(
            shown(h, {190, 191, 192, 137, 193}),
            QStringLiteral(
                "Mandatsreferenz* gelb|Gläubiger-ID* gelb|IBAN des Zahlers* gelb|IBAN aus|Kartennummer aus"));
        h.pick(135, 5); // "Kreditkarte"
        QCOMPARE(shown(h, {193, 194, 190}),
                 QStringLiteral("Kartennummer* gelb|Karteninhaber|Mandatsreferenz aus"));
    }

    // List and footer show the lines; beside "Wert" the window says what it gives.
    void addedLinesShowInTheListAndTheFooter() {
        WindowHarness h;
        h.addLine("1|2|Papier|10,00|19");
        QCOMPARE(h.text("lineUnitPrice"), QString()); // emptied
        h.addLine("2|1,5|Toner|3|7");
        h.pick(90, 1); // CHF
        QCOMPARE(
            QStringList({h.cell(0, 5), h.cell(0, 6), h.cell(0, 7), h.cell(0, 8), h.cell(0, 9), h.cell(1, 1),
                         h.cell(1, 6), h.find<QLabel>(QStringLiteral("label81"))->text()}) +
                h.texts({157, 150, 147, 148, 155, 152, 153, 145, 159, 160}),
            QStringList({"10,00", "20,00", "19,00 %", "23,80", "CHF", "1,5", "4,50", "CHF", "24,50", "19,00",
                         "20,00", "3,80", "7,00", "4,50", "0,32", "4,12", "28,62", "28,62"}));
        auto* kind = h.find<QLabel>(QStringLiteral("allowanceKind"));
        for (const auto& [entries, text] : {std::pair{"142=-3", "Nachlass"}, {"141=2", "Zuschlag"}}) {
            h.typeAll(QString::fromLatin1(entries));
            QCOMPARE(kind->text(), QString::fromLatin1(text));
        }
        // What cannot be taken is marked at once and named in the status bar, never turned into 0.
        h.typeAll("142=zehn");
        QCOMPARE(h.window->statusBar()->currentMessage() + '|' + h.text(142),
                 QStringLiteral("Wert: „zehn“ ist keine Zahl|zehn"));
        QVERIFY(app::markingOf(h.field(142)) == app::Marking::Invalid);
    }

    // "Nachlässe und Zuschläge …" edits the line shown: "Abbrechen" changes nothing, "OK" with an
    // allowance larger than the line keeps the dialog open with a message, "Ändern" stores the net amount.
    void lineAllowancesDialogChangesTheLineNet() {
        WindowHarness h;
        h.addLine("1|2|Schrauben|50,00|19");
        h.clickRow(0);
        const auto open = [&](const QStringList& cells) {
            h.click("buttonLineAllowances");
            auto* dialog = h.window->findChild<QDialog*>(QStringLiteral("lineAllowancesDialog"));
            auto* table = dialog->findChild<QTableWidget*>(QStringLiteral("lineAllowancesTable"));
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("lineAllowancesAdd")),
                              Qt::LeftButton);
            for (int column = 0; column < cells.size(); ++column)
                table->item(table->rowCount() - 1, column)->setText(cells[column]);
            return QPointer<QDialog>(dialog);
        };
        QPointer<QDialog> dialog = open({"Nachlass", "5", "", "", "Treuerabatt", ""});
        QVERIFY(dialog->isVisible() && dialog->windowTitle() == QStringLiteral("Nachlässe und Zuschläge"));
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("lineAllowancesCancel")),
                          Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!dialog); // closed and gone
        QVERIFY(h.state.lineEditBuffer.allowances.empty());

        dialog = open({"Nachlass", "150", "", "", "Treuerabatt", ""});
        auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("lineAllowancesOk"));
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(dialog->isVisible() && h.state.lineEditBuffer.allowances.empty());
        QCOMPARE(h.dialogs.messages,
                 QStringList(QStringLiteral("Nachlässe und Zuschläge|Die Nachlässe (150,00) sind "
                                            "größer als die Position (100,00)")));
        dialog->findChild<QTableWidget*>(QStringLiteral("lineAllowancesTable"))->item(0, 1)->setText("5");
        QTest::mouseClick(ok, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!dialog);
        QCOMPARE(h.cell(0, 6) + ' ' + h.text(157), QStringLiteral("100,00 100,00")); // not stored yet
        h.click("buttonChange");
        // 100,00 − 5,00; VAT 18,05
        QCOMPARE(h.cell(0, 6) + ' ' + h.text(157) + ' ' + h.text(160), QStringLiteral("95,00 95,00 113,05"));
        // Opened again, it shows the line's entry.
        dialog = open({});
        QCOMPARE(
            dialog->findChild<QTableWidget*>(QStringLiteral("lineAllowancesTable"))->item(0, 1)->text() +
                ' ' +
                dialog->findChild<QTableWidget*>(QStringLiteral("lineAllowancesTable"))->item(0, 4)->text(),
            QStringLiteral("5,00 Treuerabatt"));
        dialog->reject();
    }

    // A new line takes the unit used last; an unknown unit shows by its code.
    void unitOfEachLine() {
        WindowHarness h;
        auto* unit = h.find<QComboBox>(QStringLiteral("lineUnit"));
        QString seen = unit->currentText();
        h.pick(QStringLiteral("lineUnit"), 1);
        h.addLine("1|8|Montage|45|19");
        h.addLine("2|1|Anfahrt|30|19");
        seen += ' ' + unit->currentText() + ' ' + h.cell(0, 2) + ' ' + h.cell(1, 2);
        h.clickRow(0);
        h.pick(QStringLiteral("lineUnit"), 2);
        h.click("buttonChange");
        seen += ' ' + h.cell(0, 2) +
                QString::fromStdString(h.state.lines[0].unitCode + h.state.lines[1].unitCode);
        h.state.lines[1].unitCode = "XPP"; // as loaded
        h.window->showDocument();
        h.clickRow(1);
        seen += ' ' + unit->currentText() + ' ' + h.cell(1, 2) + ' ' + QString::number(unit->count());
        h.click("buttonChange");
        QCOMPARE(seen + QString::fromStdString(' ' + h.state.lines[1].unitCode),
                 QStringLiteral("Stück Stunde Stunde Stunde TagDAYHUR XPP XPP 11 XPP"));
    }

    // "Anfügen" inserts after the line shown; "Ändern" and "Löschen" act on it.
    void lineEditorButtonsActOnTheLineShown() {
        WindowHarness h;
        h.setDate("lineStartDate", QDate(2024, 2, 1));
        h.typeAll("lineDescription=Wartung");
        for (const char* line : {"1|1|eins|1|19", "2|3|zwei|2,50|19", "3|1|drei|3|19"})
            h.addLine(line);
        const std::vector<LineItem>& lines = h.state.lines;
        QCOMPARE(QString::fromStdString(lines[0].lineStartDate + '|' + lines[0].itemDescription + '|' +
                                        lines[1].lineStartDate),
                 QStringLiteral("2024-02-01|Wartung|"));
        h.clickRow(0);
        QCOMPARE(h.find<DatePicker>(QStringLiteral("lineStartDate"))->value(),
                 DatePicker::fromQDate(QDate(2024, 2, 1)));
        h.addLine("4|1|vier|1|19");
        QCOMPARE(h.positions(), QStringList({"1", "4", "2", "3"}));
        h.clickRow(2);
        // The price field shows the price, not the line's net amount (7,50).
        QCOMPARE(h.text("lineQuantity") + ' ' + h.text("lineUnitPrice"), QStringLiteral("3 2,50"));
        h.typeAll("lineItemName=zwei neu|lineDescription=mit Text");
        h.click("buttonChange");
        h.typeAll("lineQuantity=4");
        h.click("buttonChange");
        QCOMPARE(QString::fromStdString(lines[2].itemName + '|' + lines[2].quantity + '|' +
                                        lines[2].unitPrice + '|' + lines[3].itemName + '|' +
                                        lines[3].itemDescription),
                 QStringLiteral("zwei neu|4|2.50|drei|"));
        h.click("buttonDelete");
        QCOMPARE(h.positions(), QStringList({"1", "4", "3"}));
        QCOMPARE(h.text("lineItemName"), QStringLiteral("drei"));
        // Return in an editor field changes the line shown, or adds a new one.
        h.type(h.find(QStringLiteral("lineQuantity")), QStringLiteral("5"), Qt::Key_Return);
        QCOMPARE(lines[2].quantity, std::string("5"));
        h.clickRow(-1);
        QVERIFY(!h.find(QStringLiteral("buttonChange"))->isEnabled() &&
                !h.find(QStringLiteral("buttonDelete"))->isEnabled());
        h.typeAll("linePosition=5|lineItemName=fünf|lineQuantity=1|lineUnitPrice=1");
        h.type(h.find(QStringLiteral("lineVatPercent")), QStringLiteral("7"), Qt::Key_Return);
        QCOMPARE(h.positions(), QStringList({"1", "4", "3", "5"}));
    }

    // A category per line, a footer row per group; "Steuerkennung" takes lines along.
    void taxCategoriesPerLineAndAFooterRowPerGroup() {
        WindowHarness h;
        // Where "USt. gesamt" stands as the user sees the page: below the three rows, or below a fourth.
        h.showPageOf(h.field(145));
        const int belowThree = h.field(145)->y();
        const auto totals = [&] {
            h.showPageOf(h.field(145));
            QWidget* fourth = h.find(QStringLiteral("footerRowRate4"));
            return h.field(145)->y() == belowThree                                          ? "unter Zeile 3"
                   : fourth->isVisible() && h.field(145)->y() > fourth->geometry().bottom() ? "unter Zeile 4"
                                                                                            : "?";
        };
        h.addLine("1|1|Beratung|100|19");
        h.addLine("2|1|Buch|10|7");
        for (const auto& [line, entry] : {std::pair{"3|1|Module|1000|0", 6}, {"4|1|Kurs|50|0", 4}}) {
            h.pick(QStringLiteral("lineTaxCategory"), entry);
            QCOMPARE(h.text("lineVatPercent"), QStringLiteral("0,00"));
            h.addLine(line);
        }
        QCOMPARE(h.cell(2, 7) + "|" + h.cell(3, 7), QStringLiteral("0,00 % Z|0,00 % E"));
        // Groups in category list order; row 3 is fields 156, 151, 154, row 4 is made.
        const auto row = [&](const QString& n) {
            QStringList texts;
            for (const char* part : {"Rate", "Taxable", "Tax", "Category"})
                if (auto* edit = h.find<QLineEdit>("footerRow" + QLatin1String(part) + n))
                    texts << edit->text();
            return texts.join(' ');
        };
        QCOMPARE(h.texts({150, 147, 148, 156, 151, 154}).join(' ') + '|' + row("1") + '|' + row("3") + '|' +
                     row("4"),
                 QStringLiteral("19,00 100,00 19,00 0,00 50,00 0,00||E|0,00 1.000,00 0,00 Z"));
        QCOMPARE(h.text(160) + ' ' + totals() +
                     (h.find(QStringLiteral("footerRowRate4"))->isHidden() ? " aus" : ""),
                 QStringLiteral("1.179,70 unter Zeile 4"));

        h.pick(146, 3); // "Kleinunternehmer": the standard-rated lines become exempt
        QCOMPARE(QStringList({h.cell(0, 7), h.cell(1, 7), h.cell(2, 7), h.text(160), totals(),
                              h.find(QStringLiteral("footerRowRate4"))->isHidden() ? "aus" : "an"}),
                 QStringList({"0,00 % E", "0,00 % E", "0,00 % Z", "1.160,00", "unter Zeile 3", "aus"}));
        // A stored line shows its category in the editor.
        h.clickRow(2);
        QCOMPARE(h.find<QComboBox>(QStringLiteral("lineTaxCategory"))->currentIndex(), 6);
    }

    // A field that takes no input looks it: it has the colour of its page, not
    // the white of a field that does.
    void aFieldWithoutInputLooksDisabled() {
        WindowHarness h;
        const QColor page = h.window->tabs()->widget(0)->palette().color(QPalette::Window);
        const auto pageColoured = [&](int id = 176) {
            const QImage image = h.field(id)->grab().toImage();
            return image.pixelColor(image.width() / 2, image.height() / 2) == page;
        };
        QStringList seen;
        for (int type : {0, 2, 0}) { // "Rechnung", "Gutschrift", "Rechnung"
            h.pick(89, type);
            seen << QString::number(h.field(176)->isEnabled()) + QString::number(pageColoured());
        }
        // So does a field that only shows a value; Tab passes it by.
        seen << QString::number(h.field(160)->focusPolicy() & Qt::TabFocus) +
                    QString::number(pageColoured(160));
        QCOMPARE(seen, QStringList({"01", "10", "01", "01"}));
    }

    // The allowance takes a group of the lines: a Kleinunternehmer's discount carries no VAT
    // whatever "USt. %" showed or is given, and no row of another rate stays behind; a
    // percentage over two rates is split.
    void allowanceFollowsTheGroupsOfTheLines() {
        WindowHarness h;
        h.pick(146, 3); // "Kleinunternehmer"
        h.addLine("1|1|Beratung|380|0");
        h.typeAll("140=Rabatt|142=-10");
        const auto footer = [&] {
            return (h.texts({144, 150, 147, 148, 155, 152, 153, 156, 151, 154, 145, 160}) +
                    QStringList(h.find<QLabel>(QStringLiteral("allowanceSplit"))->text()))
                .join(' ')
                .simplified();
        };
        const QString exempt = QStringLiteral("0,00 % 0,00 370,00 0,00 0,00 370,00");
        QCOMPARE(footer(), exempt);
        // Each rate picked with the keys: the one group stays.
        auto* rate = h.field<QComboBox>(144);
        rate->setFocus(Qt::MouseFocusReason);
        for (Qt::Key key : {Qt::Key_Home, Qt::Key_Up, Qt::Key_End}) {
            QTest::keyClick(rate, key);
            QCOMPARE(footer(), exempt);
        }
        WindowHarness split;
        split.addLine("1|1|Beratung|1448,29|19");
        split.addLine("2|1|Buch|126,92|7");
        split.typeAll("140=Skonto|141=-3");
        QCOMPARE((split.texts({144, 150, 147, 148, 155, 152, 153, 145, 160}) +
                  QStringList(split.find<QLabel>(QStringLiteral("allowanceSplit"))->text()))
                     .join('|'),
                 QStringLiteral("|19,00|1.404,84|266,92|7,00|123,11|8,62|275,54|1.803,49|"
                                "aufgeteilt: -43,45 (19,00 %), -3,81 (7,00 %)"));
    }

    // "Weitere Angaben …": "OK" puts the details into the line being typed, which "Anfügen" stores and
    // "Speichern" writes; "Abbrechen" keeps nothing; a stored line shows its own.
    void lineDetailsTravelWithTheLine() {
        WindowHarness h;
        h.fillMandatoryFields(false);
        QVERIFY(openLineDetails(h) != nullptr);
        h.type(h.find(QStringLiteral("lineOriginCountry")), QStringLiteral("AT"));
        typeListRow(h, QStringLiteral("lineAttributes"), {"Farbe", "blau"});
        h.click("lineDetailsCancel");
        QVERIFY(h.state.lineEditBuffer.originCountry.empty() &&
                h.state.lineEditBuffer.itemAttributes.empty());

        QVERIFY(openLineDetails(h) != nullptr);
        QCOMPARE(h.text(QStringLiteral("lineOriginCountry")), QString());
        h.typeAll("lineStandardItemId=4012345678901|lineStandardItemIdScheme=0160|lineOriginCountry=DE");
        typeListRow(h, QStringLiteral("lineClassifications"), {"44111", "STI", "2"});
        typeListRow(h, QStringLiteral("lineAttributes"), {"Farbe", "rot"});
        h.click("lineDetailsOk");
        h.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
        h.addLine("1|2|Schrauben|50,00|19");
        const QByteArray file = h.saveAs(QStringLiteral("details.xml"));
        for (const char* part : {"<cbc:ID schemeID=\"0160\">4012345678901</cbc:ID>",
                                 "<cbc:IdentificationCode>DE</cbc:IdentificationCode>",
                                 "<cbc:ItemClassificationCode listID=\"STI\" "
                                 "listVersionID=\"2\">44111</cbc:ItemClassificationCode>",
                                 "<cbc:Name>Farbe</cbc:Name>", "<cbc:Value>rot</cbc:Value>"})
            QVERIFY2(file.contains(part), part);

        h.clickRow(0);
        QVERIFY(openLineDetails(h) != nullptr);
        QCOMPARE(h.text(QStringLiteral("lineStandardItemId")) + ' ' +
                     h.find<QTableWidget>(QStringLiteral("lineAttributesTable"))->item(0, 1)->text(),
                 QStringLiteral("4012345678901 rot"));
        h.click("lineDetailsCancel");
    }

    void closeAsksOnlyWhenChanged() {
        WindowHarness unchanged;
        QVERIFY(unchanged.window->close());
        QVERIFY(unchanged.dialogs.questions.isEmpty());

        WindowHarness h;
        h.type(104, QStringLiteral("Neu"), false); // still being typed, yet a change
        // "Speichern" that does not save (here: fields missing) keeps the window, as "Abbrechen" does.
        h.dialogs.choiceAnswers = {"Speichern", "Abbrechen", "Verwerfen"};
        QVERIFY(!h.window->close() && h.window->isVisible());
        QVERIFY(!h.window->close() && h.window->isVisible());
        QTest::keyClick(h.field(104), Qt::Key_Q, Qt::ControlModifier); // ends the program like closing
        QVERIFY(!h.window->isVisible());
        QCOMPARE(h.dialogs.choices,
                 QStringList(3, QStringLiteral("Tallomir Ver. 1.8|Der Beleg hat ungespeicherte "
                                               "Änderungen.|Speichern/Verwerfen/Abbrechen")));
        QVERIFY(h.dialogs.messages.size() == 1 && h.dialogs.messages[0].startsWith("Pflichtfelder|"));
    }
};

std::unique_ptr<QObject> makeEditingTest() {
    return std::make_unique<EditingTest>();
}

#include "editing_test.moc"
