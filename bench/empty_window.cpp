// The baseline of the start-up benchmark: an empty Qt main window of the same
// size, ended as soon as it is shown, measured like the program itself.
#include <QApplication>
#include <QMainWindow>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.setGeometry(200, 150, 1000, 700);
    window.show();
    QTimer::singleShot(0, &application, &QCoreApplication::quit);
    return application.exec();
}
