// Every control of the six pages: identity, label and buddy, kind, place,
// read-only state, mandatory marking and what it shows at start-up (the
// marking of a new invoice: what the check requires of it).
#include "window_harness.h"

#include "app/marking.h"
#include "invoice/dates.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenuBar>
#include <QStyleOption>
#include <QTabBar>

using namespace tallomir;
using app::DatePicker;

namespace {

// page|kind|marked|control|label|label text|label x y w h|control x y w h
// A number names "field<n>" or "label<n>"; "=" is the label "labelForField<n>".
const char* const controls = R"(
0|combo||89|10|XBelegart*|30 53 120 25|150 50 170 25
0|combo||90|11|Währung*|330 53 70 25|400 50 70 25
0|editcombo||139|59|Zahlungsbedingung|500 53 120 25|500 80 380 25
0|combo||146|66|Steuerkennung|500 113 120 25|500 140 380 25
0|text||176|=|Bezug auf Rechnung|500 173 130 25|630 170 250 25
0|date||177|=|vom|500 203 130 25|630 200 140 25
0|text|*|91|12|Leit ID*|30 83 120 25|150 80 300 25
0|text|*|92|13|Belegnummer*|30 113 120 25|150 110 300 25
0|date|*|93|14|Belegdatum*|30 143 120 25|150 140 140 25
0|date||94|15|Fälligkeit|30 173 120 25|150 170 140 25
0|date||95|16|Lieferdatum|30 203 120 25|150 200 140 25
0|date||96|17|Leistungszeitraum|30 233 120 25|150 230 140 25
0|date||97||||305 230 140 25
0|text||98|18|Bestellnummer|30 263 120 25|150 260 300 25
0|text||99|19|Kundenauftrag|30 293 120 25|150 290 300 25
0|text||100|20|Vertragsnummer|30 323 120 25|150 320 300 25
0|text||101|21|Projektnummer|30 353 120 25|150 350 300 25
0|multi||102|22|Notiz|30 383 120 25|150 380 600 200
1|text|*|103|23|Lieferanten Nr.*|30 53 120 25|150 50 300 25
1|text||104|24|Lieferant|30 83 120 25|150 80 300 25
1|text||105|25|Straße|30 113 120 25|150 110 300 25
1|text|*|107|27|PLZ*|30 143 120 25|150 140 300 25
1|text|*|106|26|Ort*|30 173 120 25|150 170 300 25
1|text|*|108|28|Land* (kurz)|30 203 120 25|150 200 300 25
1|text|*|109|29|UStID*|30 233 120 25|150 230 300 25
1|text|*|170|=|Steuernummer*|30 263 120 25|150 260 300 25
1|text|*|111|31|HR Name*|30 293 120 25|150 290 300 25
1|text|*|112|32|HR Nummer*|30 323 120 25|150 320 300 25
1|text||113|33|Gesellschaftsform|30 353 120 25|150 350 300 25
1|text|*|114|34|Ansprechpartner*|30 383 120 25|150 380 300 25
1|text|*|115|35|Telefon*|30 413 120 25|150 410 300 25
1|text|*|116|36|Email*|30 443 120 25|150 440 300 25
1|combo||135|55|Bank-Transfer|500 53 80 25|580 50 300 25
1|text||136|56|Bankname|500 83 80 25|580 80 300 25
1|text|*|137|57|IBAN*|500 113 80 25|580 110 160 25
1|text||138|58|BIC|745 113 25 25|780 110 100 25
2|text||117|37|Kunden Nr.|30 53 120 25|150 50 300 25
2|text||118|38|Kunde|30 83 120 25|150 80 300 25
2|text||119|39|Straße|30 113 120 25|150 110 300 25
2|text|*|121|41|PLZ*|30 143 120 25|150 140 300 25
2|text|*|120|40|Ort*|30 173 120 25|150 170 300 25
2|text|*|122|42|Land* (kurz)|30 203 120 25|150 200 300 25
2|text||123|43|UStID|30 233 120 25|150 230 300 25
2|text|*|125|45|HR Name*|30 293 120 25|150 290 300 25
2|text||126|46|HR Nummer|30 323 120 25|150 320 300 25
2|text||127|47|Ansprechpartner|30 353 120 25|150 350 300 25
2|text||128|48|Telefon|30 383 120 25|150 380 300 25
2|text||129|49|Email|30 413 120 25|150 410 300 25
3|text||130|50|Kunde|30 83 120 25|150 80 300 25
3|text||131|51|Straße|30 113 120 25|150 110 300 25
3|text||133|53|PLZ|30 143 120 25|150 140 300 25
3|text||132|52|Ort|30 173 120 25|150 170 300 25
3|text||134|54|Land (kurz)|30 203 120 25|150 200 300 25
4|text|*|linePosition|labelLinePosition|Pos.*|25 50 45 25|25 70 45 25
4|text|*|lineQuantity|labelLineQuantity|Anz.*|80 50 45 25|75 70 45 25
4|text||lineItemNumber|labelLineItemNumber|Artikel-Nr.|130 50 95 25|125 70 95 25
4|text|*|lineItemName|labelLineItemName|Artikel-Bezeichnung*|230 50 245 25|225 70 245 25
4|text|*|lineUnitPrice|labelLineUnitPrice|Preis*|480 50 95 25|475 70 95 25
4|text|*|lineVatPercent|labelLineVatPercent|USt.*|580 50 45 25|575 70 45 25
4|multi||lineDescription|labelLineDescription|Artikelbeschreibung|25 100 150 20|25 120 375 75
4|date||lineStartDate|labelLinePeriod|Leistungszeitraum  von               bis|410 100 250 25|410 120 140 25
4|date||lineEndDate||||570 120 140 25
4|combo||lineUnit|labelLineUnit|Einheit|720 100 160 20|720 120 160 25
4|button||buttonAdd||Anfügen||630 68 80 30
4|button||buttonChange||Ändern||720 68 80 30
4|button||buttonDelete||Löschen||810 68 80 30
5|readonly||157|=|Summe aller Positionen|220 50 150 25|370 50 80 25
5|text||140|60|Nachlass / Zuschlag|30 80 330 25|30 100 330 25
5|text||142|62|Wert|370 80 80 25|370 100 80 25
5|text||141|61|Prozent|460 80 50 25|460 100 50 25
5|combo||144|64|USt. %|520 80 65 25|520 100 80 25
5|label||allowanceKind||||610 103 90 25
5|readonly||158|=|Netto Betrag|275 140 150 25|370 140 80 25
5|readonly||150|68|davon USt.-Satz|30 193 100 25|120 190 40 25
5|readonly||147|70|% aus|170 194 40 25|210 190 60 25
5|readonly||148||||280 190 60 25
5|readonly||155|73|davon USt.-Satz|30 223 100 25|120 220 40 25
5|readonly||152|75|% aus|170 224 40 25|210 220 60 25
5|readonly||153||||280 220 60 25
5|readonly||156|77|davon USt.-Satz|30 253 100 25|120 250 40 25
5|readonly||151|78|% aus|170 254 40 25|210 250 60 25
5|readonly||154||||280 250 60 25
5|readonly||145|65|USt. gesamt|275 293 100 25|370 290 80 25
5|readonly||159|79|Brutto-Betrag|270 323 150 25|370 320 80 25
5|readonly||160|80|Zahlbetrag|285 353 150 25|370 350 80 25
5|label||label81||EUR||455 324 35 25
5|label||label82||EUR||455 354 35 25
5|readmulti||181|=|Weitere Nachlässe / Zuschläge|460 140 420 20|460 160 420 110
5|readonly||182|=|USt. in Buchungswährung|500 293 150 25|650 290 80 25
5|readonly||183|=|Bereits gezahlt|500 323 150 25|650 320 80 25
5|readonly||180|=|Rundung|500 353 150 25|650 350 80 25
)";

QRect place(const QString& numbers) {
    const QStringList n = numbers.split(' ');
    return QRect(n[0].toInt(), n[1].toInt(), n[2].toInt(), n[3].toInt());
}

QStringList comboTexts(QComboBox* combo) {
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

// The texts of a page that are not shown whole, each with the control's name:
// a label's text must lie inside the label and under no control drawn over
// it; a button's and every combo entry's text inside the part the style
// leaves for it (other buttons: their size hint within their width).
QStringList cutTexts(QWidget* page) {
    QStringList cut;
    for (QLabel* label : page->findChildren<QLabel*>()) {
        const QRect inner = label->contentsRect();
        const QRect text = QFontMetrics(label->font())
                               .boundingRect(inner, static_cast<int>(label->alignment()), label->text());
        if (!inner.contains(text))
            cut << label->objectName() + " too small";
        const QObjectList siblings = label->parentWidget()->children();
        for (qsizetype i = siblings.indexOf(label) + 1; i < siblings.size(); ++i)
            if (auto* over = qobject_cast<QWidget*>(siblings[i]);
                over && over->isVisibleTo(page) && over->geometry().intersects(text.translated(label->pos())))
                cut << label->objectName() + " under " + over->objectName();
    }
    for (QAbstractButton* button : page->findChildren<QAbstractButton*>()) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const int text = QFontMetrics(button->font()).size(Qt::TextShowMnemonic, button->text()).width();
        const bool fits =
            qobject_cast<QPushButton*>(button)
                ? text <=
                      button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width()
                : button->sizeHint().width() <= button->width();
        if (!button->text().isEmpty() && !fits)
            cut << button->objectName();
    }
    for (QComboBox* combo : page->findChildren<QComboBox*>()) {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.editable = combo->isEditable();
        const QRect room =
            combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
        for (int i = 0; i < combo->count(); ++i)
            if (QFontMetrics(combo->font()).horizontalAdvance(combo->itemText(i)) > room.width() - 2)
                cut << combo->objectName() + ": " + combo->itemText(i);
    }
    return cut;
}

// The control of the page (one of its own children) that holds a widget.
QWidget* controlOf(QWidget* page, QWidget* widget) {
    while (widget != nullptr && widget->parentWidget() != page)
        widget = widget->parentWidget();
    return widget;
}

// The column of each control of a page. Columns are divided by a gap of at
// least 20 pixels that nothing on the page (labels included) on its left
// reaches into within the height of what lies right of it.
QHash<QWidget*, int> columnsOf(QWidget* page) {
    const QList<QWidget*> all = page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    QList<int> gaps;
    for (QWidget* start : all) {
        const int edge = start->x();
        int top = INT_MAX, bottom = INT_MIN, reach = INT_MIN;
        for (QWidget* w : all)
            if (w->x() >= edge) {
                top = std::min(top, w->geometry().top());
                bottom = std::max(bottom, w->geometry().bottom());
            }
        for (QWidget* w : all)
            if (w->x() < edge && w->geometry().top() <= bottom && w->geometry().bottom() >= top)
                reach = std::max(reach, w->geometry().right());
        if (reach > INT_MIN && edge - reach > 20 && !gaps.contains(edge))
            gaps << edge;
    }
    QHash<QWidget*, int> columns;
    for (QWidget* w : all)
        columns[w] =
            static_cast<int>(std::count_if(gaps.begin(), gaps.end(), [&](int g) { return g <= w->x(); }));
    return columns;
}

} // namespace

class LayoutTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void windowFrameAndMenus() {
        WindowHarness h;
        QCOMPARE(h.window->windowTitle(), QStringLiteral("Tallomir Ver. 1.8"));
        QCOMPARE(h.window->size(), QSize(1000, 700));
        QVERIFY(!(h.window->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(h.window->statusField()->text(), QString());
        QTabWidget* tabs = h.window->tabs();
        QCOMPARE(tabs->geometry(), QRect(50, 10, 900, 630));
        QCOMPARE(tabs->palette().color(QPalette::Window), QColor(0xFF, 0xFF, 0xCC));
        QStringList titles;
        for (int i = 0; i < tabs->count(); ++i)
            titles << tabs->tabText(i);
        QCOMPARE(titles,
                 QStringList({"Belegkopf", "Lieferant", "Kunde", "Lieferung", "Positionen", "Belegfuss"}));
        QCOMPARE(tabs->currentIndex(), 0);
        QStringList menus;
        for (QAction* top : h.window->menuBar()->actions())
            for (QAction* action : top->menu()->actions())
                menus << top->text() + '/' + action->text() + ' ' +
                             action->shortcut().toString(QKeySequence::NativeText);
        QCOMPARE(menus, QStringList({"&XML Datei/&Neu Strg+N", "&XML Datei/&Laden Strg+O",
                                     "&XML Datei/&Speichern Strg+S", "&XML Datei/&Validieren ",
                                     "&Ansicht/&Rechnung anzeigen ", "&Ansicht/&Drucken … Strg+P",
                                     "&Ansicht/Als &PDF speichern … ", "&Info/&Lizenzhinweis "}));
        // Qt's own texts are German too.
        QDialogButtonBox buttons(QDialogButtonBox::Open | QDialogButtonBox::Cancel);
        QCOMPARE(buttons.button(QDialogButtonBox::Open)->text() + '|' +
                     buttons.button(QDialogButtonBox::Cancel)->text(),
                 QStringLiteral("Öffnen|Abbrechen"));
    }

    // On the platform's fonts, and on fonts a little larger as other
    // platforms have them.
    void noTextIsCut() {
        const QFont original = QApplication::font();
        for (const double scale : {1.0, 1.15}) {
            QFont font = original;
            font.setPointSizeF(original.pointSizeF() * scale);
            QApplication::setFont(font);
            {
                WindowHarness h;
                QTabWidget* tabs = h.window->tabs();
                QStringList cut;
                for (int i = 0; i < tabs->count(); ++i) {
                    cut << cutTexts(tabs->widget(i));
                    QStyleOptionTab option;
                    option.initFrom(tabs->tabBar());
                    option.rect = tabs->tabBar()->tabRect(i);
                    const QRect room =
                        tabs->style()->subElementRect(QStyle::SE_TabBarTabText, &option, tabs->tabBar());
                    if (option.fontMetrics.horizontalAdvance(tabs->tabText(i)) > room.width())
                        cut << "tab " + tabs->tabText(i);
                }
                QVERIFY2(cut.isEmpty(), qPrintable(QString::number(scale) + ": " + cut.join(", ")));
            }
            QApplication::setFont(original);
        }
    }

    // Tab walks each page top to bottom and left to right within a row, the
    // left column before the right one, and reaches every control once.
    void tabWalksEachPageInReadingOrder() {
        WindowHarness h;
        QTabWidget* tabs = h.window->tabs();
        for (int index = 0; index < tabs->count(); ++index) {
            QWidget* page = tabs->widget(index);
            tabs->setCurrentIndex(index);
            tabs->tabBar()->setFocus(Qt::TabFocusReason);
            QList<QWidget*> walk;
            for (int presses = 0; presses < 300; ++presses) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                QWidget* control = controlOf(page, QApplication::focusWidget());
                if (control == nullptr)
                    break;
                if (walk.isEmpty() || walk.last() != control)
                    walk << control;
            }
            QStringList names;
            for (QWidget* control : walk)
                names << control->objectName();
            const QString where = tabs->tabText(index) + ": " + names.join(' ');
            QList<QWidget*> reachable;
            for (QWidget* control : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (!control->isVisibleTo(page))
                    continue; // shown only when it holds something
                QList<QWidget*> parts = control->findChildren<QWidget*>();
                parts << control;
                if (std::any_of(parts.begin(), parts.end(), [](QWidget* w) {
                        return (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && !w->focusProxy();
                    }))
                    reachable << control;
            }
            QCOMPARE(QSet<QWidget*>(walk.begin(), walk.end()),
                     QSet<QWidget*>(reachable.begin(), reachable.end()));
            QVERIFY2(walk.size() == reachable.size(), qPrintable(where));

            const QHash<QWidget*, int> column = columnsOf(page);
            for (qsizetype i = 1; i < walk.size(); ++i) {
                const QRect a = walk[i - 1]->geometry(), b = walk[i]->geometry();
                const bool below = b.top() > a.bottom();
                const bool rightInRow =
                    b.top() <= a.bottom() && b.bottom() >= a.top() && b.left() > a.right();
                // The next column starts with its topmost control.
                bool startsColumn = column[walk[i]] == column[walk[i - 1]] + 1;
                for (QWidget* other : reachable)
                    if (column[other] == column[walk[i]] && other->y() < b.y())
                        startsColumn = false;
                QVERIFY2(column[walk[i]] == column[walk[i - 1]] ? below || rightInRow : startsColumn,
                         qPrintable(where + " at " + walk[i]->objectName()));
            }
            QCOMPARE(column[walk.first()], 0);
        }
    }

    void everyControlOfThePages() {
        WindowHarness h;
        for (const QString& line : QString::fromUtf8(controls).split('\n', Qt::SkipEmptyParts)) {
            const QStringList c = line.split('|');
            QVERIFY2(c.size() == 8, qPrintable(line));
            const QString& kind = c[1];
            const bool marked = c[2] == "*";
            QWidget* control = h.find(c[3][0].isDigit() ? "field" + c[3] : c[3]);
            QVERIFY2(control, qPrintable(line));
            QVERIFY2(h.window->tabs()->widget(c[0].toInt())->isAncestorOf(control), qPrintable(line));
            QCOMPARE(control->geometry(), place(c[7]));
            if (!c[4].isEmpty()) {
                auto* label = h.find<QLabel>(c[4] == "="         ? "labelForField" + c[3]
                                             : c[4][0].isDigit() ? "label" + c[4]
                                                                 : c[4]);
                QVERIFY2(label, qPrintable(line));
                QCOMPARE(label->text(), c[5]);
                QCOMPARE(label->geometry(), place(c[6]));
                QCOMPARE(label->buddy(), control);
            }
            const QByteArray what = line.toUtf8();
            if (auto* edit = qobject_cast<QLineEdit*>(control)) {
                QVERIFY2(kind == "text" || kind == "readonly", what);
                QCOMPARE(edit->isReadOnly(), kind == "readonly");
                QCOMPARE(app::isMarkedControl(edit), marked);
                if (kind == "text")
                    QCOMPARE(edit->text(), QString());
            } else if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
                QVERIFY2(kind == (plain->isReadOnly() ? "readmulti" : "multi") &&
                             plain->toPlainText().isEmpty(),
                         what);
                QCOMPARE(app::isMarkedControl(plain), marked);
            } else if (auto* picker = qobject_cast<DatePicker*>(control)) {
                QVERIFY2(kind == "date", what);
                QCOMPARE(app::isMarkedControl(picker->dateEdit()), marked);
                QCOMPARE(picker->dateEdit()->displayFormat(), QStringLiteral("dd.MM.yyyy"));
                QVERIFY(picker->dateEdit()->calendarPopup());
                // "Belegdatum*" shows today, the others nothing.
                const bool today = c[3] == "93";
                QCOMPARE(picker->value(), today ? todayDate() : noDate);
                QCOMPARE(picker->dateEdit()->text().trimmed(),
                         today ? QDate::currentDate().toString("dd.MM.yyyy") : QString());
            } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
                QVERIFY2(kind == (combo->isEditable() ? "editcombo" : "combo"), what);
                QCOMPARE(combo->currentIndex(), 0);
            } else if (auto* button = qobject_cast<QPushButton*>(control)) {
                QVERIFY2(kind == "button", what);
                QCOMPARE(button->text(), c[5]);
            } else {
                QVERIFY2(kind == "label" && qobject_cast<QLabel*>(control), what);
                QCOMPARE(qobject_cast<QLabel*>(control)->text(), c[5]);
            }
        }
        // Nothing on "Kunde" for a field the customer does not have.
        QVERIFY(!h.field(124));
    }

    void comboEntriesAndTheLineList() {
        CodeLists lists = defaultCodeLists();
        lists.paymentTermsTexts = {"erste", "zweite", "dritte", "vierte", "fünfte"};
        lists.taxCategories[1].text = "umbenannt";
        WindowHarness h(lists);
        QStringList types;
        for (const CodeEntry& entry : lists.documentTypes)
            types << QString::fromStdString(entry.text);
        QCOMPARE(comboTexts(h.field<QComboBox>(89)), types);
        QCOMPARE(h.text(89), QStringLiteral("Rechnung"));
        QCOMPARE(comboTexts(h.field<QComboBox>(90)), QStringList({"EUR", "CHF", "GBP", "USD"}));
        // Only the first three payment terms are offered; the first is the document's.
        QCOMPARE(comboTexts(h.field<QComboBox>(139)), QStringList({"erste", "zweite", "dritte"}));
        QCOMPARE(h.state.doc.paymentTerms, std::string("erste"));
        QCOMPARE(comboTexts(h.field<QComboBox>(146)).size(), 8);
        QCOMPARE(comboTexts(h.field<QComboBox>(146))[1], QStringLiteral("umbenannt"));
        QCOMPARE(comboTexts(h.field<QComboBox>(135)),
                 QStringList({"SEPA-Überweisung", "SEPA-Lastschrift", "Überweisung", "Lastschrift",
                              "Bankkarte", "Kreditkarte", "Debitkarte"}));
        QCOMPARE(comboTexts(h.field<QComboBox>(144)), QStringList({"19,00 %", "7,00 %", "0,00 %"}));
        QVERIFY(!h.state.modified);

        QTableView* list = h.lineList();
        QCOMPARE(list->geometry(), QRect(25, 200, 855, 360));
        QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(list->model()->rowCount(), 0);
        QStringList columns;
        for (int column = 0; column < list->model()->columnCount(); ++column)
            columns << list->model()->headerData(column, Qt::Horizontal).toString() + ':' +
                           QString::number(list->columnWidth(column));
        QCOMPARE(columns, QStringList({"Pos.:50", "Anz.:50", "Einheit:80", "Art-Nr.:70", "Bezeichnung:170",
                                       "Preis:100", "Netto:100", "USt.:80", "Brutto:100", ":50", ":0"}));
    }
};

std::unique_ptr<QObject> makeLayoutTest() {
    return std::make_unique<LayoutTest>();
}

#include "layout_test.moc"
