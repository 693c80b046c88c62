#include "job_runner.h"

#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QThread>
#include <QTimer>

#include <exception>

namespace tallomir::app {

namespace {

// The progress bar shows after this long; shorter jobs pass unseen.
constexpr int showAfterMs = 500;
constexpr int updateEveryMs = 100;

} // namespace

bool JobControl::progress(int done, int total) {
    done_ = done;
    total_ = total;
    std::unique_lock lock(mutex_);
    if (pauseAt_ >= 0 && done >= pauseAt_ && !cancelled_) {
        pauseAt_ = -1;
        paused_ = true;
        wake_.wait(lock, [this] { return !paused_ || cancelled_; });
        paused_ = false;
    }
    return !cancelled_;
}

bool JobControl::ask(std::function<void()> question) {
    {
        std::lock_guard lock(mutex_);
        if (cancelled_)
            return false;
        question_ = std::move(question);
        asking_ = Asking::Waiting;
        wake_.notify_all(); // a window's thread waiting in finish() answers it
    }
    post_();
    std::unique_lock lock(mutex_);
    wake_.wait(lock,
               [this] { return asking_ == Asking::None || (cancelled_ && asking_ == Asking::Waiting); });
    if (asking_ == Asking::Waiting) { // cancelled before the window came to it
        asking_ = Asking::None;
        question_ = nullptr;
        return false;
    }
    return true;
}

void JobControl::answer() {
    std::function<void()> question;
    {
        std::lock_guard lock(mutex_);
        if (asking_ != Asking::Waiting)
            return;
        asking_ = Asking::Answering;
        question = std::move(question_);
        question_ = nullptr;
    }
    const auto answered = [this] {
        std::lock_guard lock(mutex_);
        asking_ = Asking::None;
        wake_.notify_all();
    };
    try {
        question();
    } catch (...) {
        answered();
        throw;
    }
    answered();
}

JobRunner::JobRunner(QStatusBar* statusBar) : QObject(statusBar) {
    bar_ = new QProgressBar(statusBar);
    bar_->setObjectName(QStringLiteral("jobProgress"));
    bar_->setMaximumWidth(260);
    bar_->setTextVisible(true);
    cancelButton_ = new QPushButton(QStringLiteral("Abbrechen"), statusBar);
    cancelButton_->setObjectName(QStringLiteral("jobCancel"));
    statusBar->addPermanentWidget(bar_);
    statusBar->addPermanentWidget(cancelButton_);
    bar_->hide();
    cancelButton_->hide();
    connect(cancelButton_, &QPushButton::clicked, this, &JobRunner::cancel);
    showTimer_ = new QTimer(this);
    showTimer_->setSingleShot(true);
    connect(showTimer_, &QTimer::timeout, this, &JobRunner::showProgress);
    updateTimer_ = new QTimer(this);
    connect(updateTimer_, &QTimer::timeout, this, &JobRunner::updateProgress);
}

JobRunner::~JobRunner() {
    if (!worker_)
        return;
    cancel();
    worker_->wait();
    delete worker_;
}

QString JobRunner::refusal() const {
    return QStringLiteral("Bitte warten: „%1“ läuft noch. Es kann mit „Abbrechen“ in der Statuszeile "
                          "abgebrochen werden.")
        .arg(title_);
}

bool JobRunner::startErased(const QString& title, Erased work) {
    if (worker_)
        return false;
    title_ = title;
    control_ = std::make_shared<JobControl>();
    control_->pauseAt_ = std::exchange(pauseAt_, -1);
    control_->post_ = [this, control = std::weak_ptr<JobControl>(control_)] {
        QMetaObject::invokeMethod(
            this,
            [control] {
                if (const std::shared_ptr<JobControl> asking = control.lock())
                    asking->answer();
            },
            Qt::QueuedConnection);
    };
    auto end = std::make_shared<std::function<void(bool)>>();
    end_ = end;
    worker_ = QThread::create([control = control_, end, work = std::move(work)] {
        try {
            control->progress(0, 0);
            *end = work(*control);
        } catch (const std::exception&) {
            *end = nullptr; // the window says it failed
        }
        std::lock_guard lock(control->mutex_);
        control->ended_ = true;
        control->wake_.notify_all();
    });
    // The end runs on the window's thread, after the worker's last step
    // (unless closing the window ran it already).
    connect(worker_, &QThread::finished, this, [this, id = ++jobId_] {
        if (id == jobId_)
            workerEnded();
    });
    showTimer_->start(showAfterMs);
    worker_->start();
    if (waitForEachJob_)
        finish();
    return true;
}

void JobRunner::workerEnded() {
    if (!worker_)
        return;
    // A question the job asks meanwhile is answered here: it waits for it.
    for (JobControl* control = control_.get();;) {
        std::unique_lock lock(control->mutex_);
        control->wake_.wait(lock, [control] {
            return control->ended_ ||
                   (control->asking_ == JobControl::Asking::Waiting && !control->cancelled_);
        });
        if (control->ended_)
            break;
        lock.unlock();
        control->answer();
    }
    worker_->wait();
    delete std::exchange(worker_, nullptr);
    showTimer_->stop();
    updateTimer_->stop();
    bar_->hide();
    cancelButton_->hide();
    const bool cancelled = control_->cancelled();
    control_.reset();
    // Written by the worker, which has ended.
    const std::function<void(bool)> end = std::move(*std::exchange(end_, nullptr));
    if (end)
        end(cancelled);
    else if (auto* bar = qobject_cast<QStatusBar*>(parent()))
        bar->showMessage(QStringLiteral("„%1“ ist fehlgeschlagen.").arg(title_), 15000);
    Q_EMIT finished();
}

void JobRunner::cancel() {
    if (!control_)
        return;
    std::lock_guard lock(control_->mutex_);
    control_->cancelled_ = true;
    control_->wake_.notify_all();
}

void JobRunner::finish() {
    // The worker's end signal may still be queued; it finds the job ended.
    workerEnded();
}

void JobRunner::cancelAndWait() {
    cancel();
    finish();
}

void JobRunner::showProgressNow() {
    if (worker_)
        showProgress();
}

void JobRunner::showProgress() {
    bar_->show();
    cancelButton_->show();
    updateProgress();
    updateTimer_->start(updateEveryMs);
}

void JobRunner::updateProgress() {
    if (!control_)
        return;
    const int total = control_->total_;
    bar_->setRange(0, total); // 0 of 0: busy without a measure
    bar_->setValue(control_->done_);
    bar_->setFormat(total > 0 ? title_ + QStringLiteral(": %v von %m") : title_);
}

void JobRunner::pauseAt(int done) {
    pauseAt_ = done;
}

void JobRunner::resume() {
    if (!control_)
        return;
    std::lock_guard lock(control_->mutex_);
    control_->paused_ = false;
    control_->wake_.notify_all();
}

bool JobRunner::paused() {
    if (!control_)
        return false;
    std::lock_guard lock(control_->mutex_);
    return control_->paused_;
}

} // namespace tallomir::app
