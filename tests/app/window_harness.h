#pragma once
// A real main window over a fresh document with scripted dialogs, moved as a user moves it.
#include "app/date_picker.h"
#include "app/dialogs.h"
#include "app/job_runner.h"
#include "app/main_window.h"
#include "form/form.h"
#include "store/database.h"

#include <QPrinter>
#include <QtTest>
#include <QtWidgets>

#include <functional>
#include <memory>

// Answers every dialog from a script and records each as "title|text".
class ScriptedDialogs : public tallomir::app::Dialogs {
public:
    QStringList messages, questions, choices, saveRequests, openRequests;
    QStringList saveAnswers, openAnswers; // taken from the front; none left: cancelled
    QList<bool> questionAnswers;
    QStringList choiceAnswers;           // button texts, taken from the front; none left: the last button
    QString printAnswer;                 // the PDF printed into; empty: cancelled
    int printFrom = 0, printTo = 0;      // the pages chosen, from 1; none: all
    std::function<void()> printerChosen; // run when the printer is chosen, if set

    void message(QWidget*, const QString& title, const QString& text) override {
        messages << title + '|' + text;
    }
    bool question(QWidget*, const QString& title, const QString& text) override {
        questions << title + '|' + text;
        return !questionAnswers.isEmpty() && questionAnswers.takeFirst();
    }
    int choose(QWidget*, const QString& title, const QString& text, const QStringList& buttons) override {
        choices << title + '|' + text + '|' + buttons.join('/');
        return static_cast<int>(choiceAnswers.isEmpty() ? buttons.size() - 1
                                                        : buttons.indexOf(choiceAnswers.takeFirst()));
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
    QStringList opened;             // each file or address opened
    QList<QStringList> textAnswers; // taken from the front; none left: cancelled
    void openDocument(const QString& path) override { opened << path; }
    void openAddress(const QString& address) override { opened << address; }
    QStringList askTexts(QWidget*, const QString& title, const QStringList& labels) override {
        questions << title + '|' + labels.join('/');
        return textAnswers.isEmpty() ? QStringList() : textAnswers.takeFirst();
    }
    QStringList itemAnswers; // taken from the front; none left: cancelled
    int chooseItem(QWidget*, const QString& title, const QString& label, const QStringList& items) override {
        choices << title + '|' + label + '|' + items.join('/');
        return itemAnswers.isEmpty() ? -1 : static_cast<int>(items.indexOf(itemAnswers.takeFirst()));
    }
    bool choosePrinter(QWidget*, QPrinter& printer, int) override {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printAnswer);
        if (printFrom > 0) {
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(printFrom, printTo);
        }
        if (printerChosen && !printAnswer.isEmpty())
            printerChosen();
        return !printAnswer.isEmpty();
    }
};

// Where the harness keeps a copy of each file the window saved, for the
// checker's run after all groups: TALLOMIR_SAVED_DIR/<group>.
inline QString& savedFilesGroup() {
    static QString group;
    return group;
}
inline QString savedFilesFolder() {
    return QStringLiteral(TALLOMIR_SAVED_DIR "/") + savedFilesGroup();
}
inline void keepSavedFile(const QString& path) {
    static int count = 0;
    QDir().mkpath(savedFilesFolder());
    QFile::copy(path, savedFilesFolder() + QStringLiteral("/%1-").arg(++count, 3, 10, QLatin1Char('0')) +
                          QFileInfo(path).fileName());
}

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

class WindowHarness {
public:
    explicit WindowHarness(const tallomir::CodeLists& lists = tallomir::defaultCodeLists(),
                           tallomir::store::Database* database = nullptr)
        : state(makeForm(lists)),
          window(std::make_unique<tallomir::app::MainWindow>(state, dialogs, dir.path() + '/', database)) {
        // Commands driven one after the other: each job ends before the next
        // step (the tests of jobs running meanwhile turn this off).
        window->jobs()->setWaitForEachJob(true);
        window->show();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            QTest::qFail("the window did not become active", __FILE__, __LINE__);
    }
    ~WindowHarness() { state.modified = false; } // nothing may ask when the window goes

    // A control by its name; a number names "field<n>". A page not built yet
    // is built to look for it, as a command reaching it would.
    template <class T = QWidget> T* find(const QString& name) const {
        const QString full = name[0].isDigit() ? "field" + name : name;
        T* found = window->findChild<T*>(full);
        for (int index = 0; !found && index < window->tabs()->count(); ++index)
            if (!window->pageBuilt(index))
                found = window->page(index)->findChild<T*>(full);
        return found;
    }
    // Chooses the menu entry with this text, as a click on it would.
    void trigger(const QString& text) const {
        for (QAction* top : window->menuBar()->actions())
            for (QAction* action : top->menu()->actions())
                if (QString(action->text()).remove('&') == text)
                    return action->trigger();
        QFAIL(qPrintable("no menu entry " + text));
    }
    void buildAllPages() const {
        for (int index = 0; index < window->tabs()->count(); ++index)
            window->page(index);
    }
    template <class T = QWidget> T* field(int id) const { return find<T>(QString::number(id)); }
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
    // The text a field or a line editor's control shows.
    QString text(const QString& name) const {
        if (auto* edit = find<QLineEdit>(name))
            return edit->text();
        if (auto* plain = find<QPlainTextEdit>(name))
            return plain->toPlainText();
        return find<QComboBox>(name)->currentText();
    }
    QString text(int id) const { return text(QString::number(id)); }
    QStringList texts(std::initializer_list<int> ids) const {
        QStringList list;
        for (int id : ids)
            list << text(id);
        return list;
    }

    void showPageOf(QWidget* control) {
        for (int index = 0; index < window->tabs()->count(); ++index)
            if (window->tabs()->widget(index)->isAncestorOf(control))
                window->tabs()->setCurrentIndex(index);
    }
    // Types the text key by key.
    static void keys(QWidget* control, const QString& text) {
        for (const QChar c : text) {
            if (c == '\n')
                QTest::keyClick(control, Qt::Key_Return);
            else if (c.unicode() > 0x20 && c.unicode() < 0x7F)
                QTest::keyClick(control, c.toLatin1());
            else // blanks and letters beyond ASCII arrive as text
                QTest::sendKeyEvent(QTest::Click, control, c == ' ' ? Qt::Key_Space : Qt::Key_unknown,
                                    QString(c), Qt::NoModifier);
        }
    }
    // Replaces the control's text key by key, then presses `leave` (0: none).
    void type(QWidget* control, const QString& text, int leave = Qt::Key_Tab) {
        showPageOf(control);
        control->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(control, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(control, Qt::Key_Delete);
        keys(control, text);
        if (leave)
            QTest::keyClick(control, Qt::Key(leave));
    }
    void type(int id, const QString& text, int leave = Qt::Key_Tab) { type(field(id), text, leave); }
    // Picks an entry with the arrow keys; the entry already shown is picked anew.
    void pick(int id, int index) { pick(QString::number(id), index); }
    void pick(const QString& name, int index) {
        auto* combo = find<QComboBox>(name);
        showPageOf(combo);
        combo->setFocus(Qt::MouseFocusReason);
        if (combo->currentIndex() == index)
            QTest::keyClick(combo, index == combo->count() - 1 ? Qt::Key_Up : Qt::Key_Down);
        while (combo->currentIndex() != index)
            QTest::keyClick(combo, combo->currentIndex() < index ? Qt::Key_Down : Qt::Key_Up);
    }
    // Picks the date in the calendar opened by a click on the picker's arrow.
    void setDate(const QString& name, const QDate& date) {
        auto* picker = find<tallomir::app::DatePicker>(name);
        showPageOf(picker);
        QDateEdit* edit = picker->dateEdit();
        QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(edit->width() - 4, edit->height() / 2));
        QCalendarWidget* calendar = edit->calendarWidget();
        QVERIFY(calendar->isVisible());
        calendar->setSelectedDate(date);
        QTest::keyClick(calendar->focusWidget() ? calendar->focusWidget() : calendar, Qt::Key_Return);
        QVERIFY(!calendar->isVisible());
    }
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
    // Adds a row to a list editor with "Hinzufügen" and types its cells, each
    // opened with F2 and left with Return.
    void addListRow(const QString& editor, const QStringList& cells) {
        click((editor + "Add").toLatin1().constData());
        auto* table = find<QTableWidget>(editor + "Table");
        // the cell opened for typing is closed: each cell is opened alike below
        QCoreApplication::processEvents();
        if (QWidget* open = QApplication::focusWidget(); open && table->viewport()->isAncestorOf(open))
            QTest::keyClick(open, Qt::Key_Escape);
        const int row = table->rowCount() - 1;
        for (int column = 0; column < cells.size(); ++column) {
            if (cells[column].isEmpty())
                continue;
            // what is queued (a closed editor, a popup gone) is done first
            QCoreApplication::processEvents();
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window.get()));
            table->setFocus(Qt::MouseFocusReason);
            table->setCurrentCell(row, column);
            QTest::keyClick(table, Qt::Key_F2);
            QCoreApplication::processEvents();
            QWidget* cellEditor = QApplication::focusWidget();
            QVERIFY(table->viewport()->isAncestorOf(cellEditor));
            keys(cellEditor, cells[column]);
            QTest::keyClick(cellEditor, Qt::Key_Return);
            QCoreApplication::processEvents();
        }
    }
    // Types each "name=text" of the list in turn and leaves the field.
    void typeAll(const QString& entries) {
        for (const QString& entry : entries.split('|'))
            type(find(entry.section('=', 0, 0)), entry.mid(entry.indexOf('=') + 1));
    }
    // What saving asks for of a plain invoice.
    void fillMandatoryFields(bool withLine = true) {
        typeAll("91=04011000-12345-03|92=RE-2024-001|125=Kundin GmbH|120=Köln|121=50667|122=DE|"
                "111=Lieferant & Söhne KG|109=DE123456789|106=Bonn|107=53111|108=DE|115=0228 123|"
                "116=rechnung@example.org|114=Erika Muster|137=DE02120300000000202051");
        if (withLine)
            addLine("1|2|Schrauben|50,00|19");
    }
    // Adds one line, "position|quantity|name|price|vat", through the editor and "Anfügen".
    void addLine(const QString& line) {
        const QStringList v = line.split('|');
        typeAll("linePosition=" + v[0] + "|lineQuantity=" + v[1] + "|lineItemName=" + v[2] +
                "|lineUnitPrice=" + v[3] + "|lineVatPercent=" + v[4]);
        click("buttonAdd");
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    // Saves through "Speichern"; the file's bytes, or empty when nothing was written.
    QByteArray saveAs(const QString& name) {
        QFile::remove(path(name));
        dialogs.saveAnswers = {path(name)};
        window->saveCommand();
        // A copy of each file saved goes to the checker's run.
        if (QFile::exists(path(name)))
            keepSavedFile(path(name));
        return readFile(path(name));
    }

    tallomir::Form state;
    ScriptedDialogs dialogs;
    QTemporaryDir dir;
    std::unique_ptr<tallomir::app::MainWindow> window;
};
