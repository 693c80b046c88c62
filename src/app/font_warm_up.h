#pragma once

// Reads the font configuration on a thread of its own from the program's
// start, while Qt loads its platform and makes the application and the window
// builds what needs no text (its menus): the first text the window measures
// needs the configuration, and reading it otherwise waits until then. What
// the thread does is what Qt would do first on the window's thread
// (fontconfig's set-up), so the result is the same.

#include <thread>

namespace tallomir::app {

class FontWarmUp {
public:
    // Begins at once. One runs at a time, made on the window's thread.
    FontWarmUp();
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

    // Waits until the configuration is read, if a warm-up runs; at once
    // otherwise. Called on the window's thread before its first text is
    // measured: were that thread to come first, both would read it.
    static void finish();

private:
    void join();

    std::thread thread_;
};

} // namespace tallomir::app
