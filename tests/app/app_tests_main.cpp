// Runs one group of window tests (layout, commands, editing, cli), or all.
#include <QApplication>
#include <QTest>

#include <cstring>
#include <memory>
#include <vector>

std::unique_ptr<QObject> makeLayoutTest();
std::unique_ptr<QObject> makeCommandsTest();
std::unique_ptr<QObject> makeEditingTest();
std::unique_ptr<QObject> makeCliAgreementTest();

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    struct Group {
        const char* name;
        std::unique_ptr<QObject> (*make)();
    };
    const Group groups[] = {{"layout", makeLayoutTest},
                            {"commands", makeCommandsTest},
                            {"editing", makeEditingTest},
                            {"cli", makeCliAgreementTest}};
    const char* chosen = argc > 1 ? argv[1] : nullptr;
    std::vector<char*> rest{argv[0]};
    for (int i = 2; i < argc; ++i)
        rest.push_back(argv[i]);
    int failures = 0;
    bool found = false;
    for (const Group& group : groups) {
        if (chosen && std::strcmp(chosen, group.name) != 0)
            continue;
        found = true;
        std::unique_ptr<QObject> test = group.make();
        failures += QTest::qExec(test.get(), static_cast<int>(rest.size()), rest.data());
    }
    return found ? failures : 2;
}
