#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace tallomir {
struct Form;
struct CheckTarget;
} // namespace tallomir

namespace tallomir::app {

class Dialogs;
struct ValidatorRunHooks;

// "Validieren": asks whether the invoice in the form or a file is to be
// validated. The form's invoice is checked as "Speichern" checks it (a
// finding is shown through `showTarget`) and saved to a temporary file for
// the run; the form and its file name stay as they are.
void validateCommand(QWidget* parent, Dialogs& dialogs, const QString& startDirectory, Form& state,
                     const std::function<void(const CheckTarget&)>& showTarget,
                     const ValidatorRunHooks& hooks);

} // namespace tallomir::app
