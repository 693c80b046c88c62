#pragma once

#include <QString>

namespace tallomir::app {

// The main window's title: the name of the file the form was loaded from or
// saved to ("Neuer Beleg" before either), a star while the form holds changes
// not saved, and the program: "rechnung.xml* – Tallomir Ver. 1.8".
QString documentWindowTitle(const QString& filePath, bool modified);

} // namespace tallomir::app
