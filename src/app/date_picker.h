#pragma once

#include "marking.h"

#include <QDate>
#include <QWidget>

class QCheckBox;
class QDateEdit;
class QKeyEvent;
class QLineEdit;

namespace tallomir {
// Seconds since 1970-01-01, a multiple of 86400; -1 for no date.
using DateValue = long long;
} // namespace tallomir

namespace tallomir::app {

// A date field with a check box that switches the date off. Without a date
// the field shows nothing; ticking the box brings back the last date shown,
// or today's, and picking a date ticks it. Dates are shown as "dd.MM.yyyy" and can be
// picked from a calendar; only dates from 1900 to 2099 can be chosen.
//
// With the keyboard: Tab stops at the check box (Space ticks it) and, when a
// date is shown, in the date, where the arrow keys move between day, month and
// year; Tab always moves on to the next field. A date typed is read day first,
// with points, as digits alone or with a two-digit year ("01.11.2026",
// "01112026", "1.11.26"), when Tab or Return is pressed or the field is left;
// a text that gives no date is refused: Tab and Return keep it in the marked
// field, leaving it brings back the date shown before.
class DatePicker : public QWidget {
    Q_OBJECT
public:
    explicit DatePicker(QWidget* parent = nullptr);

    // The date shown, or noDate when the box is cleared.
    DateValue value() const;
    // Shows a date (noDate: none) without reporting it as a change.
    void setValue(DateValue date);

    // The background of the field's marking (see marking.h).
    void setMarking(Marking marking);
    Marking marking() const { return marking_; }

    QCheckBox* checkBox() const { return check_; }
    QDateEdit* dateEdit() const { return edit_; }

    static QDate toQDate(DateValue date);
    static DateValue fromQDate(const QDate& date);

Q_SIGNALS:
    // The user chose a date or cleared the box (noDate).
    void changed(tallomir::DateValue date);
    // A typed text was refused; why, in German.
    void refused(const QString& why);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showNoDate();
    void showDate(const QDate& date);
    void boxToggled(bool on);
    void dateEdited(const QDate& date);
    bool typeKey(QKeyEvent* key);
    bool takeTyped(bool leaving);
    void showShownDate();

    QCheckBox* check_;
    QDateEdit* edit_;
    QLineEdit* text_;     // the edit's text, typed into freely
    bool typing_ = false; // text_ holds what was typed, not yet read
    QDate lastDate_;
    bool updating_ = false;
    Marking marking_ = Marking::None;
    // The calendar is made only when it is first opened: it is the costliest
    // part of the window to build.
    bool calendarWatched_ = false;
};

} // namespace tallomir::app
