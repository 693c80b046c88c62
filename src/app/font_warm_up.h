#pragma once

// Sets up the fonts on a thread of their own while the window is built: the
// font configuration is read from the start, and the list of fonts is made as
// soon as the application exists. The window's first text waits only for what
// is not done yet. Every part is what Qt would otherwise do on the window's
// thread at the first text it measures, so the result is the same.

#include <condition_variable>
#include <mutex>
#include <thread>

namespace tallomir::app {

class FontWarmUp {
public:
    // Begins at once; before the application exists only what needs no
    // application is done.
    FontWarmUp();
    // Waits for the thread: it must end while the application exists.
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

    // The application exists: the list of fonts may be made.
    void applicationReady();
    // Waits until everything is done (also if the application never came).
    void finish();

private:
    void run();

    std::mutex mutex_;
    std::condition_variable changed_;
    enum class Application { Coming, Ready, NotComing } application_ = Application::Coming;
    std::thread thread_;
};

} // namespace tallomir::app
