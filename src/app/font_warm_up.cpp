#include "font_warm_up.h"

#ifdef TALLOMIR_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace tallomir::app {

FontWarmUp::FontWarmUp() {
#ifdef TALLOMIR_HAVE_FONTCONFIG
    // The configuration and the caches of the installed fonts; Qt's font
    // database takes the configuration made here.
    thread_ = std::thread([] { FcInit(); });
#endif
}

FontWarmUp::~FontWarmUp() {
    finish();
}

void FontWarmUp::finish() {
    if (thread_.joinable())
        thread_.join();
}

} // namespace tallomir::app
