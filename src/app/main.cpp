#include "after_first_paint.h"
#include "dialogs.h"
#include "fault_report.h"
#include "font_warm_up.h"
#include "main_window.h"
#include "qt_german.h"

#include "form/form.h"
#include "invoice/settings.h"
#include "store/database.h"

#include <QApplication>
#include <QDir>

int main(int argc, char** argv) {
    using namespace tallomir;

    app::SystemDialogs dialogs;
    // A crashed run starts the program again only to show its report.
    const int reportResult = app::runFaultReportMode(argc, argv, dialogs);
    if (reportResult >= 0)
        return reportResult;
    // Waited for before the window's first text.
    app::FontWarmUp fonts;
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

    // The database opens once the window is on screen, before the user's first
    // input is handled; without it the program still types, saves and loads files.
    store::Database database;
    app::MainWindow window(state, dialogs, startDirectory, &database);
    const auto openDatabase = [&] {
        if (database.open(store::databasePath(lists)))
            return window.databaseOpened();
        dialogs.message(
            &window, QStringLiteral("Datenbank"),
            QString::fromStdString(database.message()) +
                QStringLiteral("\rTallomir arbeitet ohne Archiv, Nummernkreise und Stammdaten weiter."));
    };
    // For the start-up benchmark: end as soon as the window is painted, or
    // once the database is open as well.
    const bool exitWhenShown = qEnvironmentVariableIsSet("TALLOMIR_EXIT_WHEN_SHOWN");
    const bool exitWhenReady = qEnvironmentVariableIsSet("TALLOMIR_EXIT_WHEN_READY");
    app::AfterFirstPaint afterPaint(&window, [&] {
        if (!exitWhenShown)
            openDatabase();
        if (exitWhenShown || exitWhenReady)
            QCoreApplication::quit();
    });
    window.show();
    application.exec();

    app::removeFaultHandler();
    return 0;
}
