#pragma once

#include <QColor>

class QWidget;

namespace tallomir::app {

// How a field stands out against its page: a field that must be filled is
// yellow, a field whose text could not be taken is red.
enum class Marking { None, Required, Invalid };
inline const QColor markColor(0xFF, 0xE4, 0x7A);
inline const QColor invalidColor(0xFF, 0xB8, 0xB0);
// The light yellow of the pages.
inline const QColor pageColor(0xFF, 0xFF, 0xCC);

// Gives a control the background of its marking.
void markControl(QWidget* control, Marking marking);
inline void markControl(QWidget* control, bool required) {
    markControl(control, required ? Marking::Required : Marking::None);
}
// The marking a control carries.
Marking markingOf(const QWidget* control);
// Whether the control carries the mandatory background.
inline bool isMarkedControl(const QWidget* control) {
    return markingOf(control) == Marking::Required;
}

} // namespace tallomir::app
