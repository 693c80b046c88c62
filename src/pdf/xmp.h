#pragma once

// The XMP metadata packet of a hybrid invoice PDF.

#include <string>

namespace tallomir::pdf {

struct XmpFields {
    std::string title;
    std::string author;      // empty: no creator is named
    std::string creatorTool; // the program that made the content
    std::string producer;    // the program that wrote the PDF
    std::string date;        // creation and modification, ISO 8601 with time zone
    std::string fileName;    // the embedded invoice's name
    std::string level;       // the profile's name, "EN 16931" or "XRECHNUNG"
};

// The packet claims PDF/A-3 level B, describes the invoice properties in an
// extension schema and states them: document type INVOICE, version 1.0, the
// embedded file's name and the profile.
std::string hybridXmp(const XmpFields& fields);

} // namespace tallomir::pdf
