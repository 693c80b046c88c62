#include "marking.h"

#include <QPalette>
#include <QWidget>

namespace tallomir::app {

void markControl(QWidget* control, Marking marking) {
    QPalette palette = control->palette();
    switch (marking) {
    case Marking::Required:
        palette.setColor(QPalette::Base, markColor);
        break;
    case Marking::Invalid:
        palette.setColor(QPalette::Base, invalidColor);
        break;
    case Marking::None: {
        // Take the base colour of the surroundings again.
        QPalette inherited = control->parentWidget() ? control->parentWidget()->palette() : QPalette();
        palette.setColor(QPalette::Base, inherited.color(QPalette::Base));
        break;
    }
    }
    control->setPalette(palette);
}

Marking markingOf(const QWidget* control) {
    const QColor base = control->palette().color(QPalette::Base);
    if (base == markColor)
        return Marking::Required;
    return base == invalidColor ? Marking::Invalid : Marking::None;
}

} // namespace tallomir::app
