#pragma once

#include "scripted_dialogs.h"

#include "app/date_picker.h"
#include "app/main_window.h"
#include "invoice/model.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QLineEdit>
#include <QTemporaryDir>

#include <memory>

class QPushButton;
class QTableView;

// A real main window over a fresh document, with scripted dialogs, and the
// moves of a user: typing, leaving a field, picking entries, clicking.
class WindowHarness {
public:
    explicit WindowHarness(const tallomir::CodeLists& lists = tallomir::defaultCodeLists());
    ~WindowHarness();

    // Shows the window and waits until it is active (focus changes need that).
    bool open();

    template <class T = QWidget> T* find(const QString& name) const { return window->findChild<T*>(name); }
    template <class T = QWidget> T* field(int id) const { return find<T>(QStringLiteral("field%1").arg(id)); }
    QTableView* lineList() const;

    // Brings the page holding the control to the front.
    void showPageOf(QWidget* control);
    // Focuses the control, replaces its text by typing, then presses Tab to
    // leave it unless leave is false.
    void type(QWidget* control, const QString& text, bool leave = true);
    void type(int id, const QString& text, bool leave = true) { type(field(id), text, leave); }
    void typeLine(const QString& name, const QString& text) { type(find(name), text); }
    // Picks an entry with the arrow keys.
    void pick(QComboBox* combo, int index);
    void pick(int id, int index) { pick(field<QComboBox>(id), index); }
    // Picks a date in the picker's calendar part.
    void setDate(tallomir::app::DatePicker* picker, const QDate& date);
    void click(const QString& buttonName);
    void clickRow(int row);
    void clickBelowRows();

    // Types the sixteen fields the check before saving asks for.
    void fillMandatoryFields();
    // Adds one line through the editor and "Anfügen".
    void addLine(const QString& position, const QString& quantity, const QString& name, const QString& price,
                 const QString& vat);

    QString path(const QString& name) const { return dir.filePath(name); }
    // Saves through "Speichern" into the named file; the file's bytes, or
    // empty when nothing was written.
    QByteArray saveAs(const QString& name);

    QString text(int id) const;

    tallomir::DocumentState state;
    ScriptedDialogs dialogs;
    QTemporaryDir dir;
    std::unique_ptr<tallomir::app::MainWindow> window;
};

QByteArray readFile(const QString& path);
