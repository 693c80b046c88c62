#include "date_picker.h"

#include "marking.h"

#include "invoice/dates.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>

namespace tallomir::app {

namespace {
const QDate epoch(1970, 1, 1);
// The edit's lowest value stands for "no date"; its text is then blank.
const QDate blankDate(1899, 12, 31);
const QDate lastDate(2099, 12, 31);
} // namespace

DatePicker::DatePicker(QWidget* parent) : QWidget(parent) {
    check_ = new QCheckBox(this);
    check_->setObjectName(QStringLiteral("dateCheck"));
    edit_ = new QDateEdit(this);
    auto* parts = new QHBoxLayout(this);
    parts->setContentsMargins(0, 0, 0, 0);
    parts->setSpacing(0);
    parts->addWidget(check_);
    parts->addWidget(edit_, 1);
    edit_->setObjectName(QStringLiteral("dateEdit"));
    edit_->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    edit_->setCalendarPopup(true);
    edit_->setMinimumDate(blankDate);
    edit_->setMaximumDate(lastDate);
    edit_->setSpecialValueText(QStringLiteral(" "));
    edit_->installEventFilter(this);
    // Typing goes straight into the text and is read as a whole when it is
    // done, never section by section.
    edit_->setKeyboardTracking(false);
    text_ = edit_->findChild<QLineEdit*>();
    text_->setValidator(nullptr);
    // Tab reaches the box first, then the date; the two move as one control.
    setFocusProxy(check_);
    setFocusPolicy(Qt::StrongFocus);
    connect(check_, &QCheckBox::toggled, this, &DatePicker::boxToggled);
    connect(edit_, &QDateEdit::dateChanged, this, &DatePicker::dateEdited);
    showNoDate();
}

bool DatePicker::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress && typeKey(static_cast<QKeyEvent*>(event)))
        return true;
    if (watched == edit_ && event->type() == QEvent::FocusOut && typing_)
        takeTyped(true);
    // Tab leaves the field with what was typed, instead of walking from day
    // to month to year.
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            edit_->interpretText();
            focusNextPrevChild(key == Qt::Key_Tab);
            return true;
        }
    }
    // The popup opens on a click or a key; make the calendar just before.
    if (watched == edit_ && !calendarWatched_ &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress)) {
        edit_->calendarWidget()->installEventFilter(this);
        calendarWatched_ = true;
    }
    // Without a date the calendar opens on the current month, not on the
    // placeholder behind the blank text.
    if (event->type() == QEvent::Show && calendarWatched_ && watched == edit_->calendarWidget() &&
        edit_->date() <= blankDate) {
        const QDate start = lastDate_.isValid() ? lastDate_ : QDate::currentDate();
        edit_->calendarWidget()->setCurrentPage(start.year(), start.month());
    }
    // Without a date the edit would keep Tab to itself; it moves on instead.
    if (watched == edit_ && event->type() == QEvent::KeyPress && edit_->date() <= blankDate) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (plain && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)) {
            focusNextPrevChild(key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// Digits, points and blanks go into the text as typed; Tab and Return read
// it. Returns whether the key was taken.
bool DatePicker::typeKey(QKeyEvent* key) {
    const QString text = key->text();
    const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    const bool character = plain && text.size() == 1 && text[0].isPrint();
    const bool editing = key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete ||
                         (character && (text[0].isDigit() || text[0] == '.' || text[0] == ' '));
    const bool moving = key->key() == Qt::Key_Left || key->key() == Qt::Key_Right ||
                        key->key() == Qt::Key_Home || key->key() == Qt::Key_End;
    if (editing || key->matches(QKeySequence::SelectAll) || (typing_ && moving)) {
        const QSignalBlocker quiet(text_); // the edit reads the text only when told to
        text_->event(key);
        typing_ = typing_ || editing;
        return true;
    }
    if (character || (typing_ && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)))
        return true; // no letters in a date; no stepping of a half-typed one
    const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
    if (typing_ && (tab || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        if (takeTyped(false) && tab)
            focusNextPrevChild(key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier));
        return true;
    }
    return false;
}

// Reads what was typed: a date is shown and reported; anything else is
// refused, and stays to be corrected unless the field is being left.
bool DatePicker::takeTyped(bool leaving) {
    const std::string typed = text_->text().trimmed().toStdString();
    const std::string problem = typedDateProblem(typed);
    if (typed.empty() || (!problem.empty() && leaving)) {
        typing_ = false;
        showShownDate();
    }
    if (!problem.empty() && !typed.empty()) {
        if (!leaving) {
            markControl(edit_, Marking::Invalid);
            text_->selectAll();
        }
        Q_EMIT refused(QString::fromStdString(problem));
        return false;
    }
    if (typed.empty())
        return true;
    typing_ = false;
    showDate(toQDate(parseTypedDate(typed)));
    showShownDate();
    Q_EMIT changed(fromQDate(edit_->date()));
    return true;
}

// The text of the date the edit holds, also when it was the same before.
void DatePicker::showShownDate() {
    const QSignalBlocker quiet(text_);
    text_->setText(edit_->date() <= blankDate ? QStringLiteral(" ")
                                              : edit_->date().toString(QStringLiteral("dd.MM.yyyy")));
    markControl(edit_, marking_);
}

QDate DatePicker::toQDate(DateValue date) {
    return epoch.addDays(date / 86400);
}

DateValue DatePicker::fromQDate(const QDate& date) {
    return epoch.daysTo(date) * 86400LL;
}

DateValue DatePicker::value() const {
    if (!check_->isChecked() || edit_->date() <= blankDate)
        return noDate;
    return fromQDate(edit_->date());
}

void DatePicker::setValue(DateValue date) {
    if (date == noDate)
        showNoDate();
    else
        showDate(toQDate(date));
}

void DatePicker::setMarking(Marking marking) {
    marking_ = marking;
    markControl(edit_, marking);
}

// Without a date there is nothing to edit: Tab passes the blank field by (a
// click on its arrow still opens the calendar).
void DatePicker::showNoDate() {
    updating_ = true;
    check_->setChecked(false);
    edit_->setDate(blankDate);
    edit_->setFocusPolicy(Qt::NoFocus);
    updating_ = false;
}

void DatePicker::showDate(const QDate& date) {
    updating_ = true;
    check_->setChecked(true);
    edit_->setDate(date);
    edit_->setFocusPolicy(Qt::StrongFocus);
    lastDate_ = date;
    updating_ = false;
}

void DatePicker::boxToggled(bool on) {
    if (updating_)
        return;
    if (on) {
        showDate(lastDate_.isValid() ? lastDate_ : QDate::currentDate());
        Q_EMIT changed(fromQDate(edit_->date()));
    } else {
        showNoDate();
        Q_EMIT changed(noDate);
    }
}

void DatePicker::dateEdited(const QDate& date) {
    if (updating_)
        return;
    if (date <= blankDate) {
        showNoDate();
        Q_EMIT changed(noDate);
        return;
    }
    if (!check_->isChecked()) {
        updating_ = true;
        check_->setChecked(true);
        edit_->setFocusPolicy(Qt::StrongFocus);
        updating_ = false;
    }
    lastDate_ = date;
    Q_EMIT changed(fromQDate(date));
}

} // namespace tallomir::app
