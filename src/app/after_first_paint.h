#pragma once

// Work the window's first paint need not wait for, such as opening the
// database: it runs right after the window is first painted, or before the
// first key, click or close that reaches the program, whichever comes first.
// So the window is on screen sooner, and nothing the user types or clicks
// reaches a window whose start is not complete.

#include <QObject>

#include <functional>

class QWidget;

namespace tallomir::app {

class AfterFirstPaint : public QObject {
public:
    AfterFirstPaint(QWidget* window, std::function<void()> work);
    ~AfterFirstPaint() override;

    // Runs the work now unless it ran; nothing is watched afterwards.
    void run();
    bool done() const { return !work_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    std::function<void()> work_;
    bool painted_ = false;
};

} // namespace tallomir::app
