#pragma once

// The window's long commands off its thread: a job works on a worker thread
// over a copy of what it needs, taken when it starts (the user goes on
// typing into the live form meanwhile), reports its progress and can be
// cancelled; its end runs on the window's thread again. A job that runs
// longer than half a second shows a progress bar with "Abbrechen" in the
// window's status bar. One job at a time.

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <type_traits>
#include <utility>

class QProgressBar;
class QPushButton;
class QStatusBar;
class QThread;
class QTimer;

namespace tallomir::app {

// What a job sees of the window: whether it was asked to stop, and where it
// reports how far it is. Used from the worker thread.
class JobControl {
public:
    bool cancelled() const { return cancelled_.load(); }
    // `done` of `total` steps (pages, lines); total 0: no measure. False when
    // the job is to stop.
    bool progress(int done, int total);
    // Runs `question` on the window's thread (a message, a question, a file
    // dialog) and waits until it has run. False, and `question` not run, when
    // the job is cancelled before the window comes to it.
    bool ask(std::function<void()> question);

private:
    friend class JobRunner;
    // On the window's thread: runs the question waiting, if any.
    void answer();

    enum class Asking { None, Waiting, Answering };
    std::function<void()> question_;
    Asking asking_ = Asking::None;
    std::function<void()> post_; // has the window's thread call answer()
    bool ended_ = false;         // the work returned
    std::atomic<bool> cancelled_{false};
    std::atomic<int> done_{0};
    std::atomic<int> total_{0};
    // For tests: the job waits at the report of `pauseAt` steps until resumed.
    std::mutex mutex_;
    std::condition_variable wake_;
    int pauseAt_ = -1;
    bool paused_ = false;
};

class JobRunner : public QObject {
    Q_OBJECT
public:
    // The progress bar and "Abbrechen" go into `statusBar`.
    explicit JobRunner(QStatusBar* statusBar);
    // A job still running is cancelled and waited for; its end does not run.
    ~JobRunner() override;

    // Runs `work(snapshot, control)` on a worker thread, `snapshot` being the
    // copy taken here; `done(result, cancelled)` gets what it returned on the
    // window's thread. `title` names the job in the progress bar and in the
    // message that refuses a second job. False (nothing started) while
    // another job runs.
    // The copy is freed on the worker thread once the work is done.
    template <class Snapshot, class Work, class Done>
    bool start(const QString& title, Snapshot snapshot, Work work, Done done) {
        using Result = std::invoke_result_t<Work&, Snapshot&, JobControl&>;
        auto copy =
            std::make_shared<std::unique_ptr<Snapshot>>(std::make_unique<Snapshot>(std::move(snapshot)));
        auto steps = std::make_shared<std::pair<Work, Done>>(std::move(work), std::move(done));
        return startErased(title, [copy, steps](JobControl& control) -> std::function<void(bool)> {
            auto result = std::make_shared<Result>(steps->first(**copy, control));
            copy->reset();
            return [steps, result](bool cancelled) { steps->second(std::move(*result), cancelled); };
        });
    }

    bool busy() const { return worker_ != nullptr; }
    QString title() const { return title_; }
    // "Bitte warten" and why, for a command refused while a job runs.
    QString refusal() const;

    // Asks the job to stop at its next check ("Abbrechen").
    void cancel();
    // The job waited for, and its end run, before this returns (a save asked
    // for before the document is discarded). What the job asks meanwhile is
    // answered here.
    void finish();
    // Closing the window: the job is cancelled and waited for, and its end
    // runs before this returns.
    void cancelAndWait();
    // The progress bar shown at once, not after half a second.
    void showProgressNow();

    // For tests that drive commands one after the other: each job is waited
    // for, and its end run, before start() returns.
    void setWaitForEachJob(bool wait) { waitForEachJob_ = wait; }

    // For tests: the next job waits when it reports `done` steps (the start
    // reports 0) until resume(); cancelling resumes it too.
    void pauseAt(int done);
    void resume();
    // Whether the job waits there now.
    bool paused();

Q_SIGNALS:
    // After a job's end ran on the window's thread.
    void finished();

private:
    using Erased = std::function<std::function<void(bool)>(JobControl&)>;
    bool startErased(const QString& title, Erased work);
    void workerEnded();
    void showProgress();
    void updateProgress();

    QThread* worker_ = nullptr;
    std::shared_ptr<JobControl> control_;
    std::shared_ptr<std::function<void(bool)>> end_; // what the worker leaves for the end
    quint64 jobId_ = 0;
    QString title_;
    int pauseAt_ = -1;
    bool waitForEachJob_ = false;
    QProgressBar* bar_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QTimer* showTimer_ = nullptr;
    QTimer* updateTimer_ = nullptr;
};

} // namespace tallomir::app
