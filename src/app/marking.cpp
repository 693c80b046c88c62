#include "marking.h"

#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QWidget>

namespace tallomir::app {

void markControl(QWidget* control, Marking marking) {
    QPalette palette = control->palette();
    const QPalette inherited = control->parentWidget() ? control->parentWidget()->palette() : QPalette();
    // A field that only shows a value has the colour of its page.
    const auto* edit = qobject_cast<const QLineEdit*>(control);
    const auto* plain = qobject_cast<const QPlainTextEdit*>(control);
    const bool readOnly = (edit && edit->isReadOnly()) || (plain && plain->isReadOnly());
    QColor base = inherited.color(QPalette::Active, readOnly ? QPalette::Window : QPalette::Base);
    if (marking == Marking::Required)
        base = markColor;
    else if (marking == Marking::Invalid)
        base = invalidColor;
    // The marking shows while the field takes input; a field that takes none
    // has the colour of its page, so that it does not look editable.
    palette.setColor(QPalette::Active, QPalette::Base, base);
    palette.setColor(QPalette::Inactive, QPalette::Base, base);
    palette.setColor(QPalette::Disabled, QPalette::Base,
                     inherited.color(QPalette::Disabled, QPalette::Window));
    control->setPalette(palette);
}

Marking markingOf(const QWidget* control) {
    const QColor base = control->palette().color(QPalette::Active, QPalette::Base);
    if (base == markColor)
        return Marking::Required;
    return base == invalidColor ? Marking::Invalid : Marking::None;
}

} // namespace tallomir::app
