#pragma once

class QCoreApplication;

namespace tallomir::app {

// Qt's own texts (file dialogs, standard buttons, the context menus of text
// fields, month and day names of the calendar) in German like the rest of the
// program: loads Qt's German translation from Qt's translation folder and
// makes German the default locale. Without the translation file Qt's texts
// stay English. Returns whether it was found.
bool useGermanQtTexts(QCoreApplication& application);

} // namespace tallomir::app
