#include "marking.h"

#include <QPalette>
#include <QWidget>

namespace tallomir::app {

void markControl(QWidget* control, bool marked) {
    QPalette palette = control->palette();
    if (marked) {
        palette.setColor(QPalette::Base, markColor);
    } else {
        // Take the base colour of the surroundings again.
        QPalette inherited = control->parentWidget() ? control->parentWidget()->palette() : QPalette();
        palette.setColor(QPalette::Base, inherited.color(QPalette::Base));
    }
    control->setPalette(palette);
    control->setProperty("mandatoryMarking", marked);
}

bool isMarkedControl(const QWidget* control) {
    return control->palette().color(QPalette::Base) == markColor;
}

} // namespace tallomir::app
