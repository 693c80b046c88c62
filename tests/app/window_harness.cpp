#include "window_harness.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

using namespace tallomir;

WindowHarness::WindowHarness(const CodeLists& lists) : state(makeDocumentState(lists)) {
    window = std::make_unique<app::MainWindow>(state, dialogs, dir.path() + QLatin1Char('/'));
}

WindowHarness::~WindowHarness() {
    // Nothing may ask at the end of a test.
    state.modified = false;
    window.reset();
}

bool WindowHarness::open() {
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window.get());
}

QTableView* WindowHarness::lineList() const {
    return find<QTableView>(QStringLiteral("lineList"));
}

void WindowHarness::showPageOf(QWidget* control) {
    QTabWidget* tabs = window->tabs();
    for (int index = 0; index < tabs->count(); ++index)
        if (tabs->widget(index)->isAncestorOf(control))
            tabs->setCurrentIndex(index);
}

void WindowHarness::type(QWidget* control, const QString& text, bool leave) {
    showPageOf(control);
    control->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(control, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(control, Qt::Key_Delete);
    for (const QChar character : text) {
        if (character == QLatin1Char('\n'))
            QTest::keyClick(control, Qt::Key_Return);
        else if (character.unicode() > 0x20 && character.unicode() < 0x7F)
            QTest::keyClick(control, character.toLatin1());
        else // blanks and letters beyond ASCII arrive as text
            QTest::sendKeyEvent(QTest::Click, control,
                                character == QLatin1Char(' ') ? Qt::Key_Space : Qt::Key_unknown,
                                QString(character), Qt::NoModifier);
    }
    if (leave)
        QTest::keyClick(control, Qt::Key_Tab);
}

void WindowHarness::pick(QComboBox* combo, int index) {
    showPageOf(combo);
    combo->setFocus(Qt::MouseFocusReason);
    if (combo->currentIndex() == index) {
        // Picking the shown entry again still counts as a choice.
        const bool last = index == combo->count() - 1;
        QTest::keyClick(combo, last ? Qt::Key_Up : Qt::Key_Down);
    }
    while (combo->currentIndex() < index)
        QTest::keyClick(combo, Qt::Key_Down);
    while (combo->currentIndex() > index)
        QTest::keyClick(combo, Qt::Key_Up);
}

void WindowHarness::setDate(app::DatePicker* picker, const QDate& date) {
    showPageOf(picker);
    picker->dateEdit()->setDate(date);
}

void WindowHarness::click(const QString& buttonName) {
    auto* button = find<QPushButton>(buttonName);
    showPageOf(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

void WindowHarness::clickRow(int row) {
    QTableView* list = lineList();
    showPageOf(list);
    const QRect cell = list->visualRect(list->model()->index(row, 3));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
}

void WindowHarness::clickBelowRows() {
    QTableView* list = lineList();
    showPageOf(list);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(20, list->viewport()->height() - 5));
}

void WindowHarness::fillMandatoryFields() {
    type(91, QStringLiteral("04011000-12345-03"));
    type(92, QStringLiteral("RE-2024-001"));
    type(117, QStringLiteral("K-100"));
    type(125, QStringLiteral("Kundin GmbH"));
    type(120, QStringLiteral("Köln"));
    type(121, QStringLiteral("50667"));
    type(122, QStringLiteral("DE"));
    type(103, QStringLiteral("L-7"));
    type(111, QStringLiteral("Lieferant & Söhne KG"));
    type(109, QStringLiteral("DE123456789"));
    type(106, QStringLiteral("Bonn"));
    type(107, QStringLiteral("53111"));
    type(108, QStringLiteral("DE"));
    type(116, QStringLiteral("rechnung@example.org"));
    type(114, QStringLiteral("Erika Muster"));
    type(137, QStringLiteral("DE02120300000000202051"));
}

void WindowHarness::addLine(const QString& position, const QString& quantity, const QString& name,
                            const QString& price, const QString& vat) {
    typeLine(QStringLiteral("linePosition"), position);
    typeLine(QStringLiteral("lineQuantity"), quantity);
    typeLine(QStringLiteral("lineItemName"), name);
    typeLine(QStringLiteral("lineUnitPrice"), price);
    typeLine(QStringLiteral("lineVatPercent"), vat);
    click(QStringLiteral("buttonAdd"));
}

QByteArray WindowHarness::saveAs(const QString& name) {
    const QString file = path(name);
    QFile::remove(file);
    dialogs.saveAnswers = {file};
    window->saveCommand();
    return readFile(file);
}

QString WindowHarness::text(int id) const {
    QWidget* control = field(id);
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        return edit->text();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(control))
        return plain->toPlainText();
    if (auto* combo = qobject_cast<QComboBox*>(control))
        return combo->currentText();
    return {};
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}
