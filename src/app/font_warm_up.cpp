#include "font_warm_up.h"

#ifdef TALLOMIR_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace tallomir::app {

namespace {

// The warm-up that runs, touched only on the window's thread.
FontWarmUp* running = nullptr;

} // namespace

FontWarmUp::FontWarmUp() {
#ifdef TALLOMIR_HAVE_FONTCONFIG
    // The configuration and the caches of the installed fonts; Qt's font
    // database takes the configuration made here.
    thread_ = std::thread([] { FcInit(); });
    running = this;
#endif
}

FontWarmUp::~FontWarmUp() {
    join();
}

void FontWarmUp::finish() {
    if (running != nullptr)
        running->join();
}

void FontWarmUp::join() {
    if (thread_.joinable())
        thread_.join();
    if (running == this)
        running = nullptr;
}

} // namespace tallomir::app
