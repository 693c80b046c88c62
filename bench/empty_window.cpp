// The baseline of the start-up benchmark: a Qt main window of the same size
// showing one line of text in the program's font (so that it pays the font
// set-up as the program does), ended as soon as it is painted, measured like
// the program itself.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>

namespace {

// Ends the program once the window's first paint is done.
class QuitWhenPainted : public QObject {
public:
    explicit QuitWhenPainted(QWidget* window) : window_(window) { qApp->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::Paint) {
            qApp->removeEventFilter(this);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* window_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.setGeometry(200, 150, 1000, 700);
    window.setCentralWidget(new QLabel(QStringLiteral("Neuer Beleg – Tallomir"), &window));
    QuitWhenPainted quit(&window);
    window.show();
    return application.exec();
}
