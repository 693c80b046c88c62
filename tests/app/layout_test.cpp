// The window's frame, menus and pages: no text is cut, Tab reaches every control.
#include "window_harness.h"

#include "app/page_builder.h"
#include "form/page_rows.h"
#include "invoice/amounts.h"

using namespace tallomir;

namespace {

// The texts of a page not shown whole, by control name: outside their label or
// under a later control, or wider than the room the style leaves.
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
    // A field shows its whole text.
    for (QLineEdit* edit : page->findChildren<QLineEdit*>()) {
        QStyleOptionFrame option;
        option.initFrom(edit);
        const QRect room = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
        const int width = QFontMetrics(edit->font()).horizontalAdvance(edit->text());
        if (edit->isVisibleTo(page) && width > room.width() - 4)
            cut << QStringLiteral("%1: %2 (%3 > %4)")
                       .arg(edit->objectName(), edit->text())
                       .arg(width)
                       .arg(room.width() - 4);
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

} // namespace

class LayoutTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void windowFrameAndMenus() {
        WindowHarness h;
        QStringList texts = {h.window->windowTitle()};
        for (int i = 0; i < h.window->tabs()->count(); ++i)
            texts << h.window->tabs()->tabText(i);
        for (QAction* top : h.window->menuBar()->actions())
            for (QAction* action : top->menu()->actions())
                texts << top->text() + '/' + action->text() + ' ' +
                             action->shortcut().toString(QKeySequence::NativeText);
        // Qt's own texts are German too.
        QDialogButtonBox buttons(QDialogButtonBox::Open | QDialogButtonBox::Cancel);
        texts << buttons.button(QDialogButtonBox::Open)->text() + '|' +
                     buttons.button(QDialogButtonBox::Cancel)->text();
        QCOMPARE(texts, QStringList({"Neuer Beleg – Tallomir Ver. 1.8",
                                     "Belegkopf",
                                     "Lieferant",
                                     "Kunde",
                                     "Lieferung",
                                     "Positionen",
                                     "Belegfuss",
                                     "Weitere Angaben",
                                     "Anhänge",
                                     "&XML Datei/&Neu Strg+N",
                                     "&XML Datei/&Laden Strg+O",
                                     "&XML Datei/&Speichern Strg+S",
                                     "&XML Datei/Als &ZUGFeRD-PDF speichern … ",
                                     "&XML Datei/&Validieren ",
                                     "&XML Datei/&Archiv ",
                                     "&Ansicht/&Rechnung anzeigen ",
                                     "&Ansicht/&Drucken … Strg+P",
                                     "&Ansicht/Als &PDF speichern … ",
                                     "&Info/&Lizenzhinweis ",
                                     "Öffnen|Abbrechen"}));
    }

    // On the platform's fonts, and on the larger ones of other platforms; the
    // fields hold the longest values they may: amounts to -9.999.999,99 net.
    void noTextIsCut() {
        const QFont original = QApplication::font();
        for (const double scale : {1.0, 1.15}) {
            QFont font = original;
            font.setPointSizeF(original.pointSizeF() * scale);
            QApplication::setFont(font);
            {
                WindowHarness h;
                h.addLine("1|-1|Anlage|9999999,99|19");
                // What only a loaded file has shows too.
                InvoiceDocument& doc = h.state.doc;
                doc.prepaidAmount = doc.roundingAmount = doc.taxCurrencyTaxAmount = "-9999999.99";
                doc.loadedTaxCurrency = "CHF";
                doc.furtherAllowances = {{"false", "", "Skonto", "", "20.00", "", "S", "19", "VAT"}};
                recomputeTotals(h.state);
                h.window->showDocument();
                QTabWidget* tabs = h.window->tabs();
                QStringList cut;
                for (int i = 0; i < tabs->count(); ++i) {
                    tabs->setCurrentIndex(i); // laid out as the user sees it
                    QApplication::processEvents();
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

    // Every field says what it holds, with an example; two labels say it plainly.
    void everyFieldHasATooltipWithAnExample() {
        WindowHarness h;
        h.buildAllPages();
        QStringList without;
        for (QWidget* control : h.window->tabs()->findChildren<QWidget*>())
            if (control->objectName().contains(QRegularExpression("^(field|line|footerRow)")) &&
                control->objectName() != "lineList" && !control->toolTip().contains("z.B. "))
                without << control->objectName();
        QVERIFY2(without.isEmpty(), qPrintable(without.join(", ")));
        QCOMPARE(h.find<QLabel>("label31")->text() + '|' + h.find<QLabel>("label45")->text() + '|' +
                     h.find<QLabel>("label55")->text(),
                 QStringLiteral("Firmenname* (lt. Register)|Firmenname* (lt. Register)|Zahlungsart"));
    }

    // Each page is built from its rows: every row's input stands on its page under its name, with
    // its label (the star aside, which follows the check), its tooltip, the room of its characters
    // and lines; Tab walks the rows in their order.
    void pagesAreBuiltFromTheirRows() {
        WindowHarness h;
        QTabWidget* tabs = h.window->tabs();
        QStringList wrong;
        QList<QWidget*> rowInputs, tabStops;
        for (int index = 0; index < pageCount; ++index) {
            QWidget* page = tabs->widget(index);
            tabs->setCurrentIndex(index);
            QApplication::processEvents();
            wrong << (tabs->tabText(index) == QString::fromUtf8(pageTitle(index)) ? ""
                                                                                  : tabs->tabText(index));
            for (const PageRow& row : pageRows(index)) {
                auto* input = page->findChild<QWidget*>(app::inputName(row));
                auto* label =
                    page->findChild<QLabel*>(QString::fromLatin1(row.labelName ? row.labelName : "-"));
                const QFontMetrics metrics(input ? input->font() : page->font());
                if (!input ||
                    (row.labelName &&
                     (!label || label->buddy() != input ||
                      label->text().remove('*') != QString::fromUtf8(row.label).remove('*'))) ||
                    input->toolTip() != QString::fromUtf8(row.tooltip) ||
                    input->width() < row.chars * metrics.averageCharWidth() ||
                    (row.lines > 1 && !qobject_cast<QLabel*>(input) &&
                     input->height() < row.lines * metrics.lineSpacing()))
                    wrong << app::inputName(row);
                rowInputs << input;
                if (input && (input->focusPolicy() & Qt::TabFocus))
                    tabStops << input;
            }
        }
        wrong.removeAll(QString());
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(", ")));
        // The order Tab takes from the tab bar on, each input once where its parts follow each other.
        QList<QWidget*> walked;
        QWidget* at = tabs->tabBar();
        for (int step = 0; step < 2000 && walked.size() < tabStops.size(); ++step) {
            at = at->nextInFocusChain();
            for (QWidget* w = at; w; w = w->parentWidget())
                if (rowInputs.contains(w)) {
                    if (tabStops.contains(w) && (walked.isEmpty() || walked.last() != w))
                        walked << w;
                    break;
                }
        }
        QCOMPARE(walked, tabStops);
    }

    // Tab reaches every control of a page that takes input, each once.
    void tabReachesEveryControlOnce() {
        WindowHarness h;
        QTabWidget* tabs = h.window->tabs();
        for (int index = 0; index < tabs->count(); ++index) {
            QWidget* page = tabs->widget(index);
            tabs->setCurrentIndex(index);
            tabs->tabBar()->setFocus(Qt::TabFocusReason);
            QList<QWidget*> walk;
            for (int presses = 0; presses < 300; ++presses) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                QWidget* control = QApplication::focusWidget();
                while (control != nullptr && control->parentWidget() != page)
                    control = control->parentWidget();
                if (control == nullptr)
                    break;
                if (walk.isEmpty() || walk.last() != control)
                    walk << control;
            }
            QList<QWidget*> reachable;
            for (QWidget* control : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                QList<QWidget*> parts = control->findChildren<QWidget*>() << control;
                if (control->isVisibleTo(page) && std::any_of(parts.begin(), parts.end(), [](QWidget* w) {
                        return (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && !w->focusProxy();
                    }))
                    reachable << control;
            }
            std::sort(walk.begin(), walk.end());
            std::sort(reachable.begin(), reachable.end());
            QCOMPARE(walk, reachable);
        }
    }
};

std::unique_ptr<QObject> makeLayoutTest() {
    return std::make_unique<LayoutTest>();
}

#include "layout_test.moc"
