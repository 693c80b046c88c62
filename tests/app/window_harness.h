#pragma once
// A real main window over a fresh document with scripted dialogs, moved the
// way a user moves it: typing, leaving fields, picking entries, clicking.
#include "app/date_picker.h"
#include "app/dialogs.h"
#include "app/main_window.h"
#include "invoice/model.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Answers every dialog from a script and records each as "title|text".
class ScriptedDialogs : public tallomir::app::Dialogs {
public:
    QStringList messages, questions, saveRequests, openRequests;
    QStringList saveAnswers, openAnswers; // taken from the front; none left: cancelled
    QList<bool> questionAnswers;

    void message(QWidget*, const QString& title, const QString& text) override {
        messages << title + '|' + text;
    }
    bool question(QWidget*, const QString& title, const QString& text) override {
        questions << title + '|' + text;
        return !questionAnswers.isEmpty() && questionAnswers.takeFirst();
    }
    QString saveFileName(QWidget*, const QString& title, const QString& proposal,
                         const QString& filter) override {
        saveRequests << title + '|' + proposal + '|' + filter;
        return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
    }
    QString openFileName(QWidget*, const QString& title, const QString& filter) override {
        openRequests << title + '|' + filter;
        return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
    }
    void openDocument(const QString&) override {}
};

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class WindowHarness {
public:
    explicit WindowHarness(const tallomir::CodeLists& lists = tallomir::defaultCodeLists())
        : state(makeDocumentState(lists)),
          window(std::make_unique<tallomir::app::MainWindow>(state, dialogs, dir.path() + '/')) {
        // Focus changes need an active window.
        window->show();
        window->activateWindow();
        active = QTest::qWaitForWindowActive(window.get());
    }
    ~WindowHarness() {
        state.modified = false; // nothing may ask at the end of a test
        window.reset();
    }

    template <class T = QWidget> T* find(const QString& name) const { return window->findChild<T*>(name); }
    template <class T = QWidget> T* field(int id) const { return find<T>(QStringLiteral("field%1").arg(id)); }
    QTableView* lineList() const { return find<QTableView>(QStringLiteral("lineList")); }
    QString cell(int row, int column) const {
        return lineList()->model()->index(row, column).data().toString();
    }
    QStringList positions() const {
        QStringList list;
        for (int row = 0; row < lineList()->model()->rowCount(); ++row)
            list << cell(row, 0);
        return list;
    }
    QString text(int id) const {
        if (auto* edit = field<QLineEdit>(id))
            return edit->text();
        if (auto* plain = field<QPlainTextEdit>(id))
            return plain->toPlainText();
        return field<QComboBox>(id)->currentText();
    }

    void showPageOf(QWidget* control) {
        for (int index = 0; index < window->tabs()->count(); ++index)
            if (window->tabs()->widget(index)->isAncestorOf(control))
                window->tabs()->setCurrentIndex(index);
    }
    // Focuses the control, replaces its text key by key, then leaves it with
    // Tab unless leave is false.
    void type(QWidget* control, const QString& text, bool leave = true) {
        showPageOf(control);
        control->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(control, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(control, Qt::Key_Delete);
        for (const QChar c : text) {
            if (c == '\n')
                QTest::keyClick(control, Qt::Key_Return);
            else if (c.unicode() > 0x20 && c.unicode() < 0x7F)
                QTest::keyClick(control, c.toLatin1());
            else // blanks and letters beyond ASCII arrive as text
                QTest::sendKeyEvent(QTest::Click, control, c == ' ' ? Qt::Key_Space : Qt::Key_unknown,
                                    QString(c), Qt::NoModifier);
        }
        if (leave)
            QTest::keyClick(control, Qt::Key_Tab);
    }
    void type(int id, const QString& text, bool leave = true) { type(field(id), text, leave); }
    void typeLine(const char* name, const QString& text) { type(find(QString::fromLatin1(name)), text); }
    // Picks an entry with the arrow keys; the entry already shown is picked anew.
    void pick(int id, int index) {
        auto* combo = field<QComboBox>(id);
        showPageOf(combo);
        combo->setFocus(Qt::MouseFocusReason);
        if (combo->currentIndex() == index)
            QTest::keyClick(combo, index == combo->count() - 1 ? Qt::Key_Up : Qt::Key_Down);
        while (combo->currentIndex() != index)
            QTest::keyClick(combo, combo->currentIndex() < index ? Qt::Key_Down : Qt::Key_Up);
    }
    // Opens the picker's calendar with a click on its arrow and picks the date there.
    void setDate(tallomir::app::DatePicker* picker, const QDate& date) {
        showPageOf(picker);
        QDateEdit* edit = picker->dateEdit();
        QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(edit->width() - 4, edit->height() / 2));
        QCalendarWidget* calendar = edit->calendarWidget();
        QVERIFY(calendar->isVisible());
        calendar->setSelectedDate(date);
        QTest::keyClick(calendar->focusWidget() ? calendar->focusWidget() : calendar, Qt::Key_Return);
        QVERIFY(!calendar->isVisible());
    }
    void setDate(int id, const QDate& date) { setDate(field<tallomir::app::DatePicker>(id), date); }
    void click(const char* buttonName) {
        auto* button = find<QPushButton>(QString::fromLatin1(buttonName));
        showPageOf(button);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    // Clicks into the list at a row, or below the rows for -1.
    void clickRow(int row) {
        QTableView* list = lineList();
        showPageOf(list);
        const QPoint at = row < 0 ? QPoint(20, list->viewport()->height() - 5)
                                  : list->visualRect(list->model()->index(row, 3)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    // The sixteen fields the check before saving asks for; "Telefon*" is not one.
    void fillMandatoryFields() {
        const std::pair<int, const char*> texts[] = {{91, "04011000-12345-03"},
                                                     {92, "RE-2024-001"},
                                                     {117, "K-100"},
                                                     {125, "Kundin GmbH"},
                                                     {120, "Köln"},
                                                     {121, "50667"},
                                                     {122, "DE"},
                                                     {103, "L-7"},
                                                     {111, "Lieferant & Söhne KG"},
                                                     {109, "DE123456789"},
                                                     {106, "Bonn"},
                                                     {107, "53111"},
                                                     {108, "DE"},
                                                     {116, "rechnung@example.org"},
                                                     {114, "Erika Muster"},
                                                     {137, "DE02120300000000202051"}};
        for (const auto& [id, text] : texts)
            type(id, QString::fromUtf8(text));
    }
    // Adds one line through the editor and "Anfügen".
    void addLine(const char* position, const char* quantity, const char* name, const char* price,
                 const char* vat) {
        typeLine("linePosition", position);
        typeLine("lineQuantity", quantity);
        typeLine("lineItemName", QString::fromUtf8(name));
        typeLine("lineUnitPrice", price);
        typeLine("lineVatPercent", vat);
        click("buttonAdd");
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    // Saves through "Speichern" into the named file; its bytes, or empty when
    // nothing was written.
    QByteArray saveAs(const QString& name) {
        QFile::remove(path(name));
        dialogs.saveAnswers = {path(name)};
        window->saveCommand();
        return readFile(path(name));
    }

    tallomir::DocumentState state;
    ScriptedDialogs dialogs;
    QTemporaryDir dir;
    std::unique_ptr<tallomir::app::MainWindow> window;
    bool active = false;
};
