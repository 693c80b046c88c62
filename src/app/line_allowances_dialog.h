#pragma once

// "Nachlässe und Zuschläge …" on "Positionen": the allowances and charges of
// the line in the editor, one row each. "OK" takes them into the editor's
// line (refused with a message when one cannot be right, the dialog stays
// open); "Anfügen" or "Ändern" then stores the line with its new net amount.
// "Abbrechen" changes nothing.

#include <QDialog>

namespace tallomir {
struct Form;
}

namespace tallomir::app {

class Dialogs;
class ListEditor;

class LineAllowancesDialog : public QDialog {
    Q_OBJECT
public:
    LineAllowancesDialog(Form& form, Dialogs& dialogs, QWidget* parent = nullptr);

    ListEditor* editor() const { return editor_; }

    void accept() override;

private:
    Form& form_;
    Dialogs& dialogs_;
    ListEditor* editor_;
};

// Opens the dialog over `parent` without waiting for it (window-modal, no
// event loop of its own); it deletes itself when it closes. Named
// "lineAllowancesDialog", its table "lineAllowances".
LineAllowancesDialog* openLineAllowancesDialog(QWidget* parent, Form& form, Dialogs& dialogs);

} // namespace tallomir::app
