#pragma once

#include <QString>

class QWidget;

namespace tallomir::app {

// What a control of the form holds, with an example, by the control's object
// name ("field91", "lineQuantity", "footerRowTax4"); empty for other controls.
QString fieldTooltip(const QString& objectName);

// Gives every control below `root` its tooltip from fieldTooltip().
void setFieldTooltips(QWidget* root);

} // namespace tallomir::app
