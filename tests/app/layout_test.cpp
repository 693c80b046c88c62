// Every control of the six pages: identity, label and buddy, kind, place,
// read-only state, mandatory marking and what it shows at start-up.
#include "window_harness.h"

#include "app/line_table_model.h"
#include "app/marking.h"
#include "invoice/dates.h"

#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <memory>

using namespace tallomir;
using app::DatePicker;

namespace {

enum class Kind { Text, ReadOnly, MultiLine, ListCombo, EditableCombo, Date };

struct ControlSpec {
    int labelId; // -1: the label is named after the control
    const char* label;
    int fieldId;
    QRect labelRect;
    QRect rect;
    Kind kind;
    bool marked;
};

// Left column row: label at x 30, y + 3; input at x 150, y.
ControlSpec row(int labelId, const char* label, int fieldId, int y, bool marked) {
    return {labelId, label, fieldId, QRect(30, y + 3, 100, 25), QRect(150, y, 300, 25), Kind::Text, marked};
}

int pageIndexOf(const WindowHarness& h, QWidget* widget) {
    for (int i = 0; i < h.window->tabs()->count(); ++i)
        if (h.window->tabs()->widget(i)->isAncestorOf(widget))
            return i;
    return -1;
}

void checkControls(WindowHarness& h, int page, const std::vector<ControlSpec>& specs) {
    for (const ControlSpec& spec : specs) {
        const QString name = QStringLiteral("field%1").arg(spec.fieldId);
        QWidget* control = h.find(name);
        QVERIFY2(control, qPrintable(name));
        QCOMPARE(pageIndexOf(h, control), page);
        QCOMPARE(control->geometry(), spec.rect);

        const QString labelName = spec.labelId < 0 ? QStringLiteral("labelForField%1").arg(spec.fieldId)
                                                   : QStringLiteral("label%1").arg(spec.labelId);
        auto* label = h.find<QLabel>(labelName);
        QVERIFY2(label, qPrintable(labelName));
        QCOMPARE(label->text(), QString::fromUtf8(spec.label));
        QCOMPARE(label->geometry(), spec.labelRect);
        QCOMPARE(label->buddy(), control);

        switch (spec.kind) {
        case Kind::Text:
        case Kind::ReadOnly: {
            auto* edit = qobject_cast<QLineEdit*>(control);
            QVERIFY2(edit, qPrintable(name));
            QCOMPARE(edit->isReadOnly(), spec.kind == Kind::ReadOnly);
            QCOMPARE(app::isMarkedControl(edit), spec.marked);
            break;
        }
        case Kind::MultiLine: {
            auto* plain = qobject_cast<QPlainTextEdit*>(control);
            QVERIFY2(plain, qPrintable(name));
            QVERIFY(!plain->isReadOnly());
            QCOMPARE(plain->toPlainText(), QString());
            QCOMPARE(app::isMarkedControl(plain), spec.marked);
            break;
        }
        case Kind::ListCombo:
        case Kind::EditableCombo: {
            auto* combo = qobject_cast<QComboBox*>(control);
            QVERIFY2(combo, qPrintable(name));
            QCOMPARE(combo->isEditable(), spec.kind == Kind::EditableCombo);
            QCOMPARE(combo->currentIndex(), 0);
            break;
        }
        case Kind::Date: {
            auto* picker = qobject_cast<DatePicker*>(control);
            QVERIFY2(picker, qPrintable(name));
            QCOMPARE(picker->isMarked(), spec.marked);
            QCOMPARE(app::isMarkedControl(picker->dateEdit()), spec.marked);
            QCOMPARE(picker->dateEdit()->displayFormat(), QStringLiteral("dd.MM.yyyy"));
            QVERIFY(picker->dateEdit()->calendarPopup());
            break;
        }
        }
    }
}

QStringList comboTexts(QComboBox* combo) {
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

} // namespace

class LayoutTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void windowFrame() {
        WindowHarness h;
        QVERIFY(h.open());
        QCOMPARE(h.window->windowTitle(), QStringLiteral("Tallomir Ver. 1.8"));
        QCOMPARE(h.window->size(), QSize(1000, 700));
        QVERIFY(!(h.window->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(h.window->windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(h.window->statusField());
        QCOMPARE(h.window->statusField()->parentWidget(), h.window->statusBar());
        QCOMPARE(h.window->statusField()->text(), QString());

        QTabWidget* tabs = h.window->tabs();
        QCOMPARE(tabs->geometry(), QRect(50, 10, 900, 630));
        QCOMPARE(tabs->palette().color(QPalette::Window), QColor(0xFF, 0xFF, 0xCC));
        const QStringList titles = {"Belegkopf", "Lieferant",  "Kunde",
                                    "Lieferung", "Positionen", "Belegfuss"};
        QCOMPARE(tabs->count(), 6);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(tabs->tabText(i), titles[i]);
        QCOMPARE(tabs->currentIndex(), 0);
    }

    void menus() {
        WindowHarness h;
        const QList<QAction*> top = h.window->menuBar()->actions();
        QCOMPARE(top.size(), 2);
        QCOMPARE(top[0]->text(), QStringLiteral("XML Datei"));
        QCOMPARE(top[1]->text(), QStringLiteral("Info"));
        QStringList fileItems;
        for (QAction* action : top[0]->menu()->actions())
            fileItems << action->text();
        QCOMPARE(fileItems, QStringList({"Laden", "Speichern", "Validieren"}));
        QCOMPARE(top[1]->menu()->actions().size(), 1);
        QCOMPARE(top[1]->menu()->actions()[0]->text(), QStringLiteral("Lizenzhinweis"));
    }

    void headerPage() {
        WindowHarness h;
        QVERIFY(h.open());
        checkControls(
            h, 0,
            {
                {10, "XBelegart*", 89, {30, 53, 100, 25}, {150, 50, 150, 25}, Kind::ListCombo, false},
                {11, "Währung*", 90, {330, 53, 55, 25}, {400, 50, 50, 25}, Kind::ListCombo, false},
                {59,
                 "Zahlungsbedingung",
                 139,
                 {500, 53, 120, 25},
                 {500, 80, 380, 25},
                 Kind::EditableCombo,
                 false},
                {66, "Steuerkennung", 146, {500, 113, 100, 25}, {610, 110, 270, 25}, Kind::ListCombo, false},
                row(12, "Leit ID*", 91, 80, true),
                row(13, "Belegnummer*", 92, 110, true),
                {14, "Belegdatum*", 93, {30, 143, 100, 25}, {150, 140, 140, 25}, Kind::Date, true},
                {15, "Fälligkeit", 94, {30, 173, 100, 25}, {150, 170, 140, 25}, Kind::Date, true},
                {16, "Lieferdatum*", 95, {30, 203, 100, 25}, {150, 200, 140, 25}, Kind::Date, true},
                {17, "Leistungszeitraum", 96, {30, 233, 100, 25}, {150, 230, 140, 25}, Kind::Date, false},
                row(18, "Bestellnummer", 98, 260, false),
                row(19, "Kundenauftrag", 99, 290, false),
                row(20, "Vertragsnummer", 100, 320, false),
                row(21, "Projektnummer", 101, 350, false),
                {22, "Notiz", 102, {30, 383, 100, 25}, {150, 380, 600, 200}, Kind::MultiLine, false},
            });
        auto* periodEnd = h.field<DatePicker>(97);
        QVERIFY(periodEnd);
        QCOMPARE(periodEnd->geometry(), QRect(305, 230, 140, 25));
        QVERIFY(!periodEnd->isMarked());
    }

    void headerPageInitialContent() {
        CodeLists lists = defaultCodeLists();
        lists.paymentTermsTexts = {"erste", "zweite", "dritte", "vierte", "fünfte"};
        lists.taxCategories[1].text = "umbenannt";
        WindowHarness h(lists);
        QVERIFY(h.open());
        QStringList types;
        for (const CodeEntry& entry : lists.documentTypes)
            types << QString::fromStdString(entry.text);
        QCOMPARE(comboTexts(h.field<QComboBox>(89)), types);
        QCOMPARE(h.field<QComboBox>(89)->currentText(), QStringLiteral("Rechnung"));
        QCOMPARE(comboTexts(h.field<QComboBox>(90)), QStringList({"EUR", "CHF", "GBP", "USD"}));
        // Only the first three payment terms are offered.
        QCOMPARE(comboTexts(h.field<QComboBox>(139)), QStringList({"erste", "zweite", "dritte"}));
        QCOMPARE(h.field<QComboBox>(139)->currentText(), QStringLiteral("erste"));
        QCOMPARE(h.field<QComboBox>(146)->itemText(1), QStringLiteral("umbenannt"));
        QCOMPARE(h.field<QComboBox>(146)->count(), 3);

        // "Belegdatum*" shows the document's date, today; the others none.
        QCOMPARE(h.field<DatePicker>(93)->value(), todayDate());
        QCOMPARE(h.field<DatePicker>(93)->dateEdit()->text(), QDate::currentDate().toString("dd.MM.yyyy"));
        for (int id : {94, 95, 96, 97}) {
            QCOMPARE(h.field<DatePicker>(id)->value(), noDate);
            QVERIFY(!h.field<DatePicker>(id)->checkBox()->isChecked());
            QCOMPARE(h.field<DatePicker>(id)->dateEdit()->text().trimmed(), QString());
        }
        for (int id : {91, 92, 98, 99, 100, 101})
            QCOMPARE(h.text(id), QString());
        // The shown payment terms are the document's.
        QCOMPARE(h.state.doc.paymentTerms, std::string("erste"));
        QVERIFY(!h.state.modified);
    }

    void supplierPage() {
        WindowHarness h;
        QVERIFY(h.open());
        checkControls(
            h, 1,
            {
                row(23, "Lieferanten Nr.*", 103, 50, true),
                row(24, "Lieferant", 104, 80, false),
                row(25, "Straße", 105, 110, false),
                row(27, "PLZ*", 107, 140, true),
                row(26, "Ort*", 106, 170, true),
                row(28, "Land* (kurz)", 108, 200, true),
                row(29, "UStID*", 109, 230, true),
                row(31, "HR Name*", 111, 290, true),
                row(32, "HR Nummer", 112, 320, false),
                row(33, "Gesellschaftsform", 113, 350, false),
                row(34, "Ansprechpartner*", 114, 380, true),
                row(35, "Telefon*", 115, 410, true),
                row(36, "Email*", 116, 440, true),
                {55, "Bank-Transfer", 135, {500, 53, 60, 25}, {580, 50, 300, 25}, Kind::ListCombo, false},
                {56, "Bankname", 136, {500, 83, 60, 25}, {580, 80, 300, 25}, Kind::Text, false},
                {57, "IBAN*", 137, {500, 113, 60, 25}, {580, 110, 160, 25}, Kind::Text, true},
                {58, "BIC", 138, {745, 113, 25, 25}, {780, 110, 100, 25}, Kind::Text, false},
            });
        QCOMPARE(comboTexts(h.field<QComboBox>(135)),
                 QStringList({"SEPA-Überweisung", "SEPA-Lastschrift", "Überweisung", "Lastschrift"}));
        for (int id = 103; id <= 116; ++id)
            if (id != 110)
                QCOMPARE(h.text(id), QString());
    }

    void customerPage() {
        WindowHarness h;
        QVERIFY(h.open());
        checkControls(h, 2,
                      {
                          row(37, "Kunden Nr.*", 117, 50, true),
                          row(38, "Kunde", 118, 80, false),
                          row(39, "Straße", 119, 110, false),
                          row(41, "PLZ*", 121, 140, true),
                          row(40, "Ort*", 120, 170, true),
                          row(42, "Land* (kurz)", 122, 200, true),
                          row(43, "UStID", 123, 230, false),
                          row(45, "HR Name*", 125, 290, true),
                          row(46, "HR Nummer", 126, 320, false),
                          row(47, "Ansprechpartner", 127, 350, false),
                          row(48, "Telefon", 128, 380, false),
                          row(49, "Email", 129, 410, false),
                      });
        QVERIFY(!h.find(QStringLiteral("field124")));
    }

    void deliveryPage() {
        WindowHarness h;
        QVERIFY(h.open());
        checkControls(h, 3,
                      {
                          row(50, "Kunde", 130, 80, false),
                          row(51, "Straße", 131, 110, false),
                          row(53, "PLZ", 133, 140, false),
                          row(52, "Ort", 132, 170, false),
                          row(54, "Land (kurz)", 134, 200, false),
                      });
    }

    void linesPage() {
        WindowHarness h;
        QVERIFY(h.open());
        struct Editor {
            const char* label;
            const char* labelName;
            const char* name;
            QRect labelRect;
            QRect rect;
        };
        const Editor editors[] = {
            {"Pos.", "labelLinePosition", "linePosition", {25, 50, 45, 25}, {25, 70, 45, 25}},
            {"Anz.", "labelLineQuantity", "lineQuantity", {80, 50, 45, 25}, {75, 70, 45, 25}},
            {"Artikel-Nr.", "labelLineItemNumber", "lineItemNumber", {130, 50, 95, 25}, {125, 70, 95, 25}},
            {"Artikel-Bezeichnung",
             "labelLineItemName",
             "lineItemName",
             {230, 50, 245, 25},
             {225, 70, 245, 25}},
            {"Preis", "labelLineUnitPrice", "lineUnitPrice", {480, 50, 95, 25}, {475, 70, 95, 25}},
            {"USt.", "labelLineVatPercent", "lineVatPercent", {580, 50, 45, 25}, {575, 70, 45, 25}},
        };
        for (const Editor& editor : editors) {
            auto* edit = h.find<QLineEdit>(editor.name);
            QVERIFY2(edit, editor.name);
            QCOMPARE(pageIndexOf(h, edit), 4);
            QCOMPARE(edit->geometry(), editor.rect);
            QVERIFY(!edit->isReadOnly());
            QVERIFY(app::isMarkedControl(edit));
            auto* label = h.find<QLabel>(editor.labelName);
            QVERIFY2(label, editor.labelName);
            QCOMPARE(label->text(), QString::fromUtf8(editor.label));
            QCOMPARE(label->geometry(), editor.labelRect);
            QCOMPARE(label->buddy(), edit);
        }
        auto* description = h.find<QPlainTextEdit>(QStringLiteral("lineDescription"));
        QVERIFY(description);
        QCOMPARE(description->geometry(), QRect(25, 120, 375, 75));
        QVERIFY(!app::isMarkedControl(description));
        QCOMPARE(h.find<QLabel>(QStringLiteral("labelLineDescription"))->text(),
                 QStringLiteral("Artikelbeschreibung"));
        QCOMPARE(h.find<QLabel>(QStringLiteral("labelLineDescription"))->geometry(), QRect(25, 100, 150, 20));
        QCOMPARE(h.find<QLabel>(QStringLiteral("labelLineDescription"))->buddy(), description);
        auto* period = h.find<QLabel>(QStringLiteral("labelLinePeriod"));
        QCOMPARE(period->text(), QStringLiteral("Leistungszeitraum  von               bis"));
        QCOMPARE(period->geometry(), QRect(410, 100, 250, 25));
        auto* start = h.find<DatePicker>(QStringLiteral("lineStartDate"));
        auto* end = h.find<DatePicker>(QStringLiteral("lineEndDate"));
        QVERIFY(start && end);
        QCOMPARE(period->buddy(), start);
        QCOMPARE(start->geometry(), QRect(410, 120, 140, 25));
        QCOMPARE(end->geometry(), QRect(570, 120, 140, 25));
        QCOMPARE(start->value(), noDate);
        QCOMPARE(end->value(), noDate);
        QVERIFY(!start->isMarked());

        const std::pair<const char*, QRect> buttons[] = {{"buttonAdd", {630, 68, 80, 30}},
                                                         {"buttonChange", {720, 68, 80, 30}},
                                                         {"buttonDelete", {810, 68, 80, 30}}};
        const QStringList captions = {"Anfügen", "Ändern", "Löschen"};
        for (int i = 0; i < 3; ++i) {
            auto* button = h.find<QPushButton>(buttons[i].first);
            QVERIFY(button);
            QCOMPARE(button->text(), captions[i]);
            QCOMPARE(button->geometry(), buttons[i].second);
        }

        QTableView* list = h.lineList();
        QVERIFY(list);
        QCOMPARE(list->geometry(), QRect(25, 200, 855, 360));
        QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(list->model()->columnCount(), 10);
        QCOMPARE(list->model()->rowCount(), 0);
        const QStringList titles = {"Pos.",   "Anz.", "Art-Nr.", "Bezeichnung", "Preis", "Netto", "USt.",
                                    "Brutto", "",     ""};
        const int widths[] = {50, 50, 100, 250, 100, 100, 50, 100, 50, 0};
        for (int column = 0; column < 10; ++column) {
            QCOMPARE(list->model()->headerData(column, Qt::Horizontal).toString(), titles[column]);
            QCOMPARE(list->columnWidth(column), widths[column]);
        }
    }

    void footerPage() {
        WindowHarness h;
        QVERIFY(h.open());
        auto ro = [](int labelId, const char* label, int fieldId, QRect labelRect, QRect rect) {
            return ControlSpec{labelId, label, fieldId, labelRect, rect, Kind::ReadOnly, false};
        };
        checkControls(
            h, 5,
            {
                ro(-1, "Summe aller Positionen", 157, {220, 50, 150, 25}, {370, 50, 80, 25}),
                {60, "Nachlass / Zuschlag", 140, {30, 80, 330, 25}, {30, 100, 330, 25}, Kind::Text, false},
                {62, "Wert", 142, {370, 80, 80, 25}, {370, 100, 80, 25}, Kind::Text, false},
                {61, "Prozent", 141, {460, 80, 50, 25}, {460, 100, 50, 25}, Kind::Text, false},
                {64, "USt. %", 144, {520, 80, 65, 25}, {520, 100, 65, 25}, Kind::ListCombo, false},
                ro(-1, "Netto Betrag", 158, {275, 140, 150, 25}, {370, 140, 80, 25}),
                ro(68, "davon USt.-Satz", 150, {30, 193, 100, 25}, {120, 190, 40, 25}),
                ro(70, "% aus", 147, {170, 194, 40, 25}, {210, 190, 60, 25}),
                ro(73, "davon USt.-Satz", 155, {30, 223, 100, 25}, {120, 220, 40, 25}),
                ro(75, "% aus", 152, {170, 224, 40, 25}, {210, 220, 60, 25}),
                // The third rate row, directly under the second.
                ro(77, "davon USt.-Satz", 156, {30, 253, 100, 25}, {120, 250, 40, 25}),
                ro(78, "% aus", 151, {170, 254, 40, 25}, {210, 250, 60, 25}),
                // Moved down one row to make room for it.
                ro(65, "USt. gesamt", 145, {275, 293, 100, 25}, {370, 290, 80, 25}),
                ro(79, "Brutto-Betrag", 159, {270, 323, 150, 25}, {370, 320, 80, 25}),
                ro(80, "Zahlbetrag", 160, {285, 353, 150, 25}, {370, 350, 80, 25}),
            });
        const std::pair<int, QRect> taxFields[] = {
            {148, {280, 190, 60, 25}}, {153, {280, 220, 60, 25}}, {154, {280, 250, 60, 25}}};
        for (const auto& [id, rect] : taxFields) {
            QCOMPARE(h.field(id)->geometry(), rect);
            QVERIFY(h.field<QLineEdit>(id)->isReadOnly());
        }
        QCOMPARE(comboTexts(h.field<QComboBox>(144)), QStringList({"19.00%", "7.00%", "0.00%"}));
        QCOMPARE(h.find<QLabel>(QStringLiteral("label81"))->geometry(), QRect(455, 324, 35, 25));
        QCOMPARE(h.find<QLabel>(QStringLiteral("label82"))->geometry(), QRect(455, 354, 35, 25));
        QCOMPARE(h.find<QLabel>(QStringLiteral("label81"))->text(), QStringLiteral("EUR"));
        QCOMPARE(h.find<QLabel>(QStringLiteral("label82"))->text(), QStringLiteral("EUR"));

        // No control of the window overlaps another one on this page.
        QWidget* page = h.window->tabs()->widget(5);
        QList<QWidget*> inputs;
        for (QWidget* child : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (!qobject_cast<QLabel*>(child))
                inputs << child;
        for (int i = 0; i < inputs.size(); ++i)
            for (int j = i + 1; j < inputs.size(); ++j)
                QVERIFY2(!inputs[i]->geometry().intersects(inputs[j]->geometry()),
                         qPrintable(inputs[i]->objectName() + " " + inputs[j]->objectName()));
    }
};

std::unique_ptr<QObject> makeLayoutTest() {
    return std::make_unique<LayoutTest>();
}

#include "layout_test.moc"
