#pragma once

#include "syntax/syntax.h"

#include <QString>

class QTemporaryDir;
class QWidget;

namespace tallomir {
struct DocumentState;
} // namespace tallomir

namespace tallomir::app {

class Dialogs;

// "Validieren" (the window's job in main_window_jobs.cpp): asks whether the
// invoice in the form or a file is to be validated; 0 the form's invoice,
// 1 a file, anything else neither.
int askWhatToValidate(QWidget* parent, Dialogs& dialogs);

// The form's invoice, checked as "Speichern" checks it, saved into `folder`
// for the run, so that the form keeps its file name and its changes.
syntax::SaveOutcome saveFormForValidation(const DocumentState& form, const QTemporaryDir& folder);

} // namespace tallomir::app
