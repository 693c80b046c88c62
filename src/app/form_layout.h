#pragma once

// Two rules every form page keeps, whatever controls it holds: each text is
// shown whole in the font the platform draws it with, and Tab walks the
// controls in the order the eye reads them.

class QWidget;

namespace tallomir::app {

// Every label, button and combo box of the page whose text does not fit its
// room gets a smaller font, just small enough, but never below three quarters
// of the size it had (a control that needs more must be given more room).
// The room of a label ends where a control placed over it begins.
void fitTextsToRoom(QWidget* page);

// Chains the page's controls for Tab after `previous` (may be null): top to
// bottom, and within a row left to right; a column whose controls stand apart
// from everything to their left comes after that. Composite controls keep
// their inner order. Returns the last control of the chain (or `previous`
// when the page has none).
QWidget* chainTabsByPlace(QWidget* previous, QWidget* page);

} // namespace tallomir::app
