// The module's one exported symbol: the table of its functions.

#include "qpdf_module.h"

extern "C" __attribute__((visibility("default"))) const tallomir::pdf::QpdfFunctions*
tallomir_qpdf_functions() {
    static const tallomir::pdf::QpdfFunctions functions{tallomir::pdf::qpdfOpen, tallomir::pdf::qpdfOpenData,
                                                        tallomir::pdf::qpdfComplete};
    return &functions;
}
