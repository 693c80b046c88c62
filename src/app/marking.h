#pragma once

#include <QColor>

class QWidget;

namespace tallomir::app {

// The light yellow of mandatory fields and of the page background.
inline const QColor markColor(0xFF, 0xFF, 0xCC);

// Gives a control the mandatory background, or back the default one.
void markControl(QWidget* control, bool marked);
// Whether the control carries the mandatory background.
bool isMarkedControl(const QWidget* control);

} // namespace tallomir::app
