#pragma once

// What of the hybrid PDF needs qpdf: reading a received file and completing
// the pages Qt painted. It lives in a module of its own, libtallomir_qpdf.so,
// which a program loads the first time it opens or writes a PDF
// (qpdf_link.h), so that qpdf and the libraries it pulls in (gnutls among
// them) cost the program's start nothing. The module is built from the same
// compiler and standard library as the program; the two pass C++ values.

#include "pdf/hybrid_pdf_open.h"

#include <string>
#include <string_view>

namespace tallomir::pdf {

// What the written file's document information and XMP packet say.
struct PdfFacts {
    std::string title;
    std::string author;    // empty: no author is named
    std::string creator;   // the program and its version
    std::string qtVersion; // of the Qt that painted the pages
    std::string pdfDate;   // "D:yyyyMMddHHmmssZ", creation and modification
    std::string isoDate;   // the same in ISO 8601
    std::string fileName;  // the name the XML is embedded under
    std::string level;     // the profile's name
};

// The pages as Qt painted them, completed: the XML embedded as the pages'
// alternative, the document information and the XMP metadata set. Empty on
// success with the file's bytes in `bytes`, otherwise the reason in German.
std::string qpdfComplete(std::string_view painted, std::string_view xml, const PdfFacts& facts,
                         std::string& bytes);

// openHybridPdf and openHybridPdfData (hybrid_pdf_open.h), done with qpdf.
OpenedPdf qpdfOpen(const std::string& fileName, const OpenLimits& limits);
OpenedPdf qpdfOpenData(std::string_view bytes, const std::string& displayName, const OpenLimits& limits);

// The module's functions, as the program finds them.
struct QpdfFunctions {
    OpenedPdf (*open)(const std::string& fileName, const OpenLimits& limits);
    OpenedPdf (*openData)(std::string_view bytes, const std::string& displayName, const OpenLimits& limits);
    std::string (*complete)(std::string_view painted, std::string_view xml, const PdfFacts& facts,
                            std::string& bytes);
};

// The name of the module's one exported function, which gives its functions.
inline constexpr const char* qpdfFunctionsSymbol = "tallomir_qpdf_functions";

} // namespace tallomir::pdf
