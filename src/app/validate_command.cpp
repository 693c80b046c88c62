#include "validate_command.h"

#include "dialogs.h"

#include <QStringList>
#include <QTemporaryDir>

namespace tallomir::app {

int askWhatToValidate(QWidget* parent, Dialogs& dialogs) {
    return dialogs.choose(parent, QStringLiteral("XML Datei validieren"),
                          QStringLiteral("Was soll validiert werden?"),
                          {QStringLiteral("Rechnung im Formular"), QStringLiteral("Datei wählen …"),
                           QStringLiteral("Abbrechen")});
}

syntax::SaveOutcome saveFormForValidation(const DocumentState& form, const QTemporaryDir& folder) {
    if (!folder.isValid())
        return {false, {}, "Es konnte kein temporärer Ordner angelegt werden."};
    DocumentState copy = form;
    return syntax::saveInvoiceFile(copy, folder.filePath(QStringLiteral("Formular.xml")).toStdString());
}

} // namespace tallomir::app
