#pragma once

// Reads the font configuration on a thread of its own from the program's
// start, while Qt loads its platform and makes the application: the first
// text the window measures needs it, and reading it otherwise waits until
// then. What the thread does is what Qt would do first on the window's thread
// (fontconfig's set-up), so the result is the same.

#include <thread>

namespace tallomir::app {

class FontWarmUp {
public:
    // Begins at once.
    FontWarmUp();
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

    // Waits until the configuration is read. Called before the first text is
    // measured: were the window's thread to come first, both would read it.
    void finish();

private:
    std::thread thread_;
};

} // namespace tallomir::app
