#pragma once

// The qpdf module (qpdf_module.h), loaded the first time it is asked for and
// kept for the rest of the run. The program finds it by its own path: the
// executable's run path names the module's folder.

#include <string>

namespace tallomir::pdf {

struct QpdfFunctions;

// The module's functions, or null when it cannot be loaded. Safe from any
// thread.
const QpdfFunctions* qpdfModule();

// Why the module could not be loaded, in German.
std::string qpdfMissing();

} // namespace tallomir::pdf
