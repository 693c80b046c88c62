#pragma once

// "Weitere Angaben …" of "Positionen": the further details of the line in the
// editor. The dialog is window-modal but never blocks (`open`, not `exec`):
// "OK" hands what it shows to the form's rule (takeLineDetails), which puts it
// into the editor's line; "Abbrechen" changes nothing. Either closes it.

#include <QDialog>

#include <string>
#include <vector>

class QLineEdit;

namespace tallomir {
struct Form;
struct LineDetails;
} // namespace tallomir

namespace tallomir::app {

class ListEditor;

class LineDetailsDialog : public QDialog {
    Q_OBJECT
public:
    LineDetailsDialog(Form& form, QWidget* parent);

private:
    void take();

    Form& form_;
    std::vector<std::pair<QLineEdit*, std::string LineDetails::*>> fields_;
    ListEditor* classifications_;
    ListEditor* attributes_;
};

} // namespace tallomir::app
