#include "font_warm_up.h"

#include <QFontDatabase>
#include <QStringList>

#ifdef TALLOMIR_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace tallomir::app {

FontWarmUp::FontWarmUp() : thread_([this] { run(); }) {}

FontWarmUp::~FontWarmUp() {
    finish();
}

void FontWarmUp::applicationReady() {
    {
        std::lock_guard lock(mutex_);
        if (application_ == Application::Coming)
            application_ = Application::Ready;
    }
    changed_.notify_one();
}

void FontWarmUp::finish() {
    {
        std::lock_guard lock(mutex_);
        if (application_ == Application::Coming)
            application_ = Application::NotComing;
    }
    changed_.notify_one();
    if (thread_.joinable())
        thread_.join();
}

void FontWarmUp::run() {
#ifdef TALLOMIR_HAVE_FONTCONFIG
    // Reading the configuration and the caches of the installed fonts; the
    // font database's first use would do it otherwise.
    FcInit();
#endif
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return application_ != Application::Coming; });
    if (application_ == Application::Ready) {
        lock.unlock();
        // Every function of the font database may be called from any thread;
        // the first one fills it, and the window's thread waits for that
        // only where it measures text before it is done.
        QFontDatabase::families();
    }
}

} // namespace tallomir::app
