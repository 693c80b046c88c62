#pragma once

// "Validieren": runs the external validator (a Java program in the folder
// "validator" below the start directory) on a file the user picks and opens
// the HTML report it writes.

#include <QString>
#include <QStringList>

#include <functional>
#include <string>

class QWidget;

namespace tallomir {
struct DocumentState;
}

namespace tallomir::app {

class Dialogs;

// The folder the validator runs in: startDirectory + "/validator/".
QString validatorDirectory(const QString& startDirectory);

// The name part of a path: the text after its last separator.
QString fileNamePart(const QString& path);

// True when the name part (not the folders) of the path holds a blank.
bool nameHasBlank(const QString& path);

// The report the validator writes for the chosen file: the working directory,
// the file's name without its last extension, and "-report.html"
// ("R17.final.xml" gives "R17.final-report.html"). A name ending in a point
// keeps it.
QString reportPath(const QString& workingDirectory, const QString& chosenFile);

// The arguments of "java" for a validator, one list entry each, the chosen
// path unchanged: "-jar", the jar, "-s", the scenarios, ("-r", the folder of
// the rules,) "-h" and the file.
QStringList validatorArguments(const QString& chosenFile, const std::string& jar,
                               const std::string& scenarios, const std::string& repository);

// The text of the box "XRechnung validieren" shown before the run.
QString confirmationText();

// How a run ended.
struct ValidatorOutcome {
    bool started = false;
    bool cancelled = false;
    bool timedOut = false; // stopped at the time limit
    bool crashed = false;
    int exitCode = 0;
};

// What a run waits for: `run` runs the validator until it ends (or until
// `stop` says so, asked every few milliseconds), and `ended` shows its
// outcome. The window runs `run` as a job on a worker thread, with the job's
// "Abbrechen" as `stop`, and `ended` on its own thread afterwards; without a
// `start`, both run here one after the other and nothing stops the run but
// the time limit.
struct ValidatorRunHooks {
    using Run = std::function<ValidatorOutcome(const std::function<bool()>& stop)>;
    using Ended = std::function<void(const ValidatorOutcome&)>;
    std::function<void(Run run, Ended ended)> start;
};

// The whole command: choose the file (stored in state.currentFileName), check
// it, confirm, run the validator (the run also ends at the time limit of the
// settings, with a message), then open the report through the dialogs.
void validateFile(QWidget* parent, Dialogs& dialogs, const QString& startDirectory, DocumentState& state,
                  const ValidatorRunHooks& hooks);
// The same for a file already chosen (the invoice of the form, saved for the run).
void validateChosenFile(QWidget* parent, Dialogs& dialogs, const QString& startDirectory,
                        const DocumentState& state, const QString& chosen,
                        const ValidatorRunHooks& hooks = {});

} // namespace tallomir::app
