#include "dialogs.h"
#include "fault_report.h"
#include "main_window.h"
#include "qt_german.h"

#include "form/form.h"
#include "invoice/settings.h"
#include "store/database.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

int main(int argc, char** argv) {
    using namespace tallomir;

    app::SystemDialogs dialogs;
    // A crashed run starts the program again only to show its report.
    const int reportResult = app::runFaultReportMode(argc, argv, dialogs);
    if (reportResult >= 0)
        return reportResult;
    app::installFaultHandler(argv[0]);

    QApplication application(argc, argv);
    // The database lies in the program's data folder, the same for tallomir-cli.
    QCoreApplication::setApplicationName(programName);
    app::useGermanQtTexts(application);

    QString startDirectory = QDir::currentPath();
    if (!startDirectory.endsWith(QLatin1Char('/')))
        startDirectory += QLatin1Char('/');

    CodeLists lists = defaultCodeLists();
    loadSettings(lists, settingsFilePath(startDirectory.toStdString(),
                                         QCoreApplication::applicationDirPath().toStdString()));
    Form state = makeForm(lists);

    // Without its database the program still types, saves and loads files.
    store::Database database;
    const bool withDatabase = database.open(store::databasePath(lists));
    app::MainWindow window(state, dialogs, startDirectory, &database);
    window.show();
    if (!withDatabase)
        dialogs.message(
            &window, QStringLiteral("Datenbank"),
            QString::fromStdString(database.message()) +
                QStringLiteral("\rTallomir arbeitet ohne Archiv, Nummernkreise und Stammdaten weiter."));
    // For the start-up benchmark: end as soon as the window is on screen.
    if (qEnvironmentVariableIsSet("TALLOMIR_EXIT_WHEN_SHOWN"))
        QTimer::singleShot(0, &application, &QCoreApplication::quit);
    application.exec();

    app::removeFaultHandler();
    return 0;
}
