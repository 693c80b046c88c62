#include "validate_command.h"

#include "dialogs.h"
#include "validator_run.h"

#include "form/document_check.h"
#include "form/form.h"
#include "syntax/syntax.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace tallomir::app {

void validateCommand(QWidget* parent, Dialogs& dialogs, const QString& startDirectory, Form& state,
                     const std::function<void(const CheckTarget&)>& showTarget,
                     const ValidatorRunHooks& hooks) {
    const QString title = QStringLiteral("XML Datei validieren");
    const int choice = dialogs.choose(parent, title, QStringLiteral("Was soll validiert werden?"),
                                      {QStringLiteral("Rechnung im Formular"),
                                       QStringLiteral("Datei wählen …"), QStringLiteral("Abbrechen")});
    if (choice == 1)
        validateFile(parent, dialogs, startDirectory, state, hooks);
    if (choice != 0)
        return;
    const MandatoryCheck check = checkMandatoryFields(state);
    if (!check.ok) {
        dialogs.message(parent, QString::fromStdString(check.title), QString::fromStdString(check.text));
        showTarget(check.first);
        return;
    }
    // A copy is saved, so that the form keeps its file name and its changes;
    // its folder stays until the run has ended.
    auto folder = std::make_shared<QTemporaryDir>();
    DocumentState copy = state;
    const ubl::SaveOutcome saved =
        folder->isValid()
            ? syntax::saveInvoiceFile(copy, folder->filePath(QStringLiteral("Formular.xml")).toStdString())
            : ubl::SaveOutcome{false, {}, "Es konnte kein temporärer Ordner angelegt werden."};
    if (!saved.ok) {
        dialogs.message(parent, title, QString::fromStdString(saved.message));
        return;
    }
    ValidatorRunHooks keeping = hooks;
    if (hooks.start)
        keeping.start = [start = hooks.start, folder](ValidatorRunHooks::Run run,
                                                      ValidatorRunHooks::Ended ended) {
            start(std::move(run),
                  [ended = std::move(ended), folder](const ValidatorOutcome& outcome) { ended(outcome); });
        };
    validateChosenFile(parent, dialogs, startDirectory, state, QString::fromStdString(saved.fileName),
                       keeping);
}

} // namespace tallomir::app
