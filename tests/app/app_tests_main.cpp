// Runs one group of window tests (layout, commands, editing, cli), or all.
#include <QApplication>
#include <QTest>

#include <memory>
#include <vector>

std::unique_ptr<QObject> makeLayoutTest();
std::unique_ptr<QObject> makeCommandsTest();
std::unique_ptr<QObject> makeEditingTest();
std::unique_ptr<QObject> makeCliAgreementTest();

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const std::pair<QString, std::unique_ptr<QObject> (*)()> groups[] = {{"layout", makeLayoutTest},
                                                                         {"commands", makeCommandsTest},
                                                                         {"editing", makeEditingTest},
                                                                         {"cli", makeCliAgreementTest}};
    const QString chosen = argc > 1 ? QString(argv[1]) : QString();
    std::vector<char*> rest{argv[0]};
    rest.insert(rest.end(), argv + std::min(argc, 2), argv + argc);
    int failures = 0;
    bool found = false;
    for (const auto& [name, make] : groups) {
        if (!chosen.isEmpty() && chosen != name)
            continue;
        found = true;
        failures += QTest::qExec(make().get(), static_cast<int>(rest.size()), rest.data());
    }
    return found ? failures : 2;
}
