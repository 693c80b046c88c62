// Opening goes to the qpdf module (qpdf_open.cpp), loaded on first use.

#include "hybrid_pdf_open.h"

#include "qpdf_link.h"
#include "qpdf_module.h"

namespace tallomir::pdf {

namespace {

OpenedPdf missing(const std::string& name) {
    OpenedPdf result;
    result.error = "Die Datei " + name + " konnte nicht geöffnet werden: " + qpdfMissing();
    return result;
}

} // namespace

OpenedPdf openHybridPdfData(std::string_view bytes, const std::string& displayName,
                            const OpenLimits& limits) {
    const QpdfFunctions* module = qpdfModule();
    return module ? module->openData(bytes, displayName, limits) : missing(displayName);
}

OpenedPdf openHybridPdf(const std::string& fileName, const OpenLimits& limits) {
    const QpdfFunctions* module = qpdfModule();
    return module ? module->open(fileName, limits) : missing(fileName);
}

} // namespace tallomir::pdf
