// Runs one group of window tests: layout, commands, editing, attachments, cli, store, start, hybrid
// or busy.
#include "app/qt_german.h"

#include "window_harness.h"

#include <QApplication>
#include <QTest>

#include <memory>

std::unique_ptr<QObject> makeLayoutTest();
std::unique_ptr<QObject> makeCommandsTest();
std::unique_ptr<QObject> makeEditingTest();
std::unique_ptr<QObject> makeAttachmentsTest();
std::unique_ptr<QObject> makeCliAgreementTest();
std::unique_ptr<QObject> makeStoreWindowTest();
std::unique_ptr<QObject> makeStartTest();
std::unique_ptr<QObject> makeHybridWindowTest();
std::unique_ptr<QObject> makeBusyTest();

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (!tallomir::app::useGermanQtTexts(application)) // as the program sets itself up
        return 3;
    const QString group = argc > 1 ? argv[1] : ""; // the rest goes to QTest
    // The files this group saves are kept for one checker run after all groups.
    savedFilesGroup() = group;
    if (!group.isEmpty())
        QDir(savedFilesFolder()).removeRecursively();
    const std::unique_ptr<QObject> test = group == "layout"        ? makeLayoutTest()
                                          : group == "commands"    ? makeCommandsTest()
                                          : group == "editing"     ? makeEditingTest()
                                          : group == "attachments" ? makeAttachmentsTest()
                                          : group == "cli"         ? makeCliAgreementTest()
                                          : group == "store"       ? makeStoreWindowTest()
                                          : group == "start"       ? makeStartTest()
                                          : group == "hybrid"      ? makeHybridWindowTest()
                                          : group == "busy"        ? makeBusyTest()
                                                                   : nullptr;
    return test ? QTest::qExec(test.get(), argc - 1, argv + 1) : 2;
}
