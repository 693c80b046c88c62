#include "after_first_paint.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace tallomir::app {

namespace {

// What the user does: the work is done before any of it is handled.
bool isInput(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
    case QEvent::Drop:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

} // namespace

AfterFirstPaint::AfterFirstPaint(QWidget* window, std::function<void()> work)
    : window_(window), work_(std::move(work)) {
    qApp->installEventFilter(this);
}

AfterFirstPaint::~AfterFirstPaint() {
    qApp->removeEventFilter(this);
}

void AfterFirstPaint::run() {
    if (!work_)
        return;
    qApp->removeEventFilter(this);
    const std::function<void()> work = std::move(work_);
    work_ = nullptr;
    work();
}

bool AfterFirstPaint::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint && watched == window_ && !painted_) {
        // Once the window's painting is done.
        painted_ = true;
        QTimer::singleShot(0, this, &AfterFirstPaint::run);
    } else if (isInput(event->type())) {
        run();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tallomir::app
