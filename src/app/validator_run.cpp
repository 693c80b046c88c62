// The invoice model comes before any Qt header: Qt's "slots" keyword macro
// would swallow a field of that name.
#include "invoice/model.h"

#include "app/validator_run.h"

#include "app/dialogs.h"
#include "syntax/syntax.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <chrono>

namespace tallomir::app {

namespace {

const QString crlf = QStringLiteral("\r\n");

QString text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// What a report file looked like before the run, to tell a fresh report from
// one that an earlier run left behind.
struct FileStamp {
    bool exists = false;
    QDateTime modified;
    qint64 size = -1;

    static FileStamp of(const QString& path) {
        const QFileInfo info(path);
        FileStamp stamp;
        stamp.exists = info.exists() && info.isFile();
        if (stamp.exists) {
            stamp.modified = info.lastModified();
            stamp.size = info.size();
        }
        return stamp;
    }
    bool operator==(const FileStamp&) const = default;
};

// Runs java until it ends, `stop` says so or the time limit passes; on any
// thread, without an event loop.
ValidatorOutcome runValidator(const QString& workingDirectory, const QStringList& arguments,
                              int timeLimitSeconds, const std::function<bool()>& stop) {
    ValidatorOutcome result;
    QProcess process;
    process.setProgram(QStringLiteral("java"));
    process.setArguments(arguments);
    process.setWorkingDirectory(workingDirectory);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(-1))
        return result;
    result.started = true;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(timeLimitSeconds);
    constexpr int askEveryMs = 50;
    while (!process.waitForFinished(askEveryMs)) {
        if (process.state() == QProcess::NotRunning)
            break;
        result.cancelled = stop && stop();
        result.timedOut = !result.cancelled && std::chrono::steady_clock::now() >= limit;
        if (result.cancelled || result.timedOut) {
            process.kill();
            process.waitForFinished(-1);
            break;
        }
    }
    result.crashed = process.exitStatus() == QProcess::CrashExit;
    result.exitCode = process.exitCode();
    return result;
}

// The report opened, or a message why there is none.
void showOutcome(QWidget* parent, Dialogs& dialogs, const QString& report, const FileStamp& before,
                 int timeLimitSeconds, const ValidatorOutcome& run) {
    if (!run.started) {
        dialogs.message(parent, text("Validator Fehler"),
                        text("Java wurde nicht gefunden oder konnte nicht gestartet werden!") + crlf +
                            text("Der Validator braucht eine Java-Laufzeitumgebung, die als \"java\" über "
                                 "den Suchpfad (PATH) erreichbar ist."));
        return;
    }
    if (run.cancelled)
        return;
    if (run.timedOut) {
        dialogs.message(
            parent, text("Validator Fehler"),
            text("Der Validator wurde nach %1 angehalten, weil er nicht fertig wurde.")
                    .arg(timeLimitSeconds == 1 ? text("1 Sekunde")
                                               : text("%1 Sekunden").arg(timeLimitSeconds)) +
                crlf + text("Die Zeitgrenze steht in %1.ini unter ValidatorZeitlimit.").arg(programName));
        return;
    }

    const FileStamp after = FileStamp::of(report);
    // A report left by an earlier run is not this file's result.
    if (after.exists && !(before.exists && after == before)) {
        dialogs.openDocument(report);
        return;
    }
    const QString reason =
        run.crashed ? text("Der Validator wurde unerwartet beendet und hat keinen Prüfbericht "
                           "erstellt.")
                    : text("Der Validator hat keinen Prüfbericht erstellt (Exitcode %1).").arg(run.exitCode);
    dialogs.message(parent, text("Validator Fehler"), reason + crlf + text("Erwarteter Bericht: ") + report);
}

} // namespace

QString validatorDirectory(const QString& startDirectory) {
    return QDir::cleanPath(startDirectory + QStringLiteral("/validator")) + QLatin1Char('/');
}

QString fileNamePart(const QString& path) {
#if defined(_WIN32)
    const qsizetype separator =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
#else
    // A backslash is an ordinary character of a name here.
    const qsizetype separator = path.lastIndexOf(QLatin1Char('/'));
#endif
    return path.mid(separator + 1);
}

bool nameHasBlank(const QString& path) {
    return fileNamePart(path).contains(QLatin1Char(' '));
}

QString reportPath(const QString& workingDirectory, const QString& chosenFile) {
    QString base = fileNamePart(chosenFile);
    const qsizetype point = base.lastIndexOf(QLatin1Char('.'));
    if (point >= 0 && point != base.size() - 1)
        base.truncate(point);
    return workingDirectory + base + QStringLiteral("-report.html");
}

QStringList validatorArguments(const QString& chosenFile, const std::string& jar,
                               const std::string& scenarios, const std::string& repository) {
    QStringList arguments{QStringLiteral("-jar"), QString::fromStdString(jar), QStringLiteral("-s"),
                          QString::fromStdString(scenarios)};
    if (!repository.empty())
        arguments << QStringLiteral("-r") << QString::fromStdString(repository);
    return arguments << QStringLiteral("-h") << chosenFile;
}

QString confirmationText() {
    return text("Hinweis: Die Validierung dauert etwas!         ") + crlf +
           text("Der Prüfbericht wird dann im Browser angezeigt.") + crlf + crlf +
           text("Um die Validierung zu starten auf  OK  klicken.");
}

void validateFile(QWidget* parent, Dialogs& dialogs, const QString& startDirectory, DocumentState& state,
                  const ValidatorRunHooks& hooks) {
    const QString chosen =
        dialogs.openFileName(parent, text("XML Datei validieren"), text("XML Dateien (*.xml)"));
    state.currentFileName = chosen.toStdString();
    validateChosenFile(parent, dialogs, startDirectory, state, chosen, hooks);
}

void validateChosenFile(QWidget* parent, Dialogs& dialogs, const QString& startDirectory,
                        const DocumentState& state, const QString& chosen, const ValidatorRunHooks& hooks) {
    if (fileNamePart(chosen).isEmpty()) {
        dialogs.message(parent, text("XML Datei validieren"), text("Es wurde keine Datei ausgewählt."));
        return;
    }
    if (nameHasBlank(chosen)) {
        dialogs.message(parent, text("Dateiname fehlerhaft"),
                        text("Im Dateinamen dürfen keine Leerzeichen enthalten sein!"));
        return;
    }
    // The validator of the version the file names; for a file that names
    // none, the one of the version shown.
    const XRechnungVersion version =
        syntax::fileVersion(chosen.toStdString()).value_or(state.xrechnungVersion);
    const CodeLists::ValidatorSetup& setup = state.lists.validators[static_cast<std::size_t>(version)];
    const QString workingDirectory = validatorDirectory(startDirectory);
    // A relative jar lies in the validator folder, where java runs.
    if (!QFileInfo::exists(QDir(workingDirectory).filePath(QString::fromStdString(setup.jar)))) {
        dialogs.message(parent, text("Validator Fehler"),
                        QString::fromStdString(setup.jar) + text(" wurde nicht gefunden!"));
        return;
    }
    // The run starts when this box is closed, however it is closed.
    dialogs.message(parent, text("XRechnung validieren"), confirmationText());

    const QString report = reportPath(workingDirectory, chosen);
    const FileStamp before = FileStamp::of(report);
    const int timeLimit = state.lists.validatorTimeLimitSeconds;
    ValidatorRunHooks::Run run =
        [workingDirectory, timeLimit,
         arguments = validatorArguments(chosen, setup.jar, setup.scenarios, setup.repository)](
            const std::function<bool()>& stop) {
            return runValidator(workingDirectory, arguments, timeLimit, stop);
        };
    ValidatorRunHooks::Ended ended = [parent, &dialogs, report, before,
                                      timeLimit](const ValidatorOutcome& run) {
        showOutcome(parent, dialogs, report, before, timeLimit, run);
    };
    if (hooks.start)
        return hooks.start(std::move(run), std::move(ended));
    ended(run({}));
}

} // namespace tallomir::app
