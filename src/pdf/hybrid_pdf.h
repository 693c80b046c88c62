#pragma once

// The invoice as a hybrid PDF: the pages a person reads, with the invoice's
// XML embedded for a machine, in one PDF/A-3b file.
//
//   std::string error = pdf::writeHybridPdf(pages, xml, pdf::Profile::XRechnung, "RE-1.pdf");
//   pdf::OpenedPdf opened = pdf::openHybridPdf("RE-1.pdf");
//   if (opened.error.empty()) use(opened.xml, opened.embeddedName);
//
// Every error is a German message for the user; empty means success.

#include "view/invoice_pages.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tallomir::pdf {

// What the embedded XML claims to be: the rules of the European standard
// alone, or those of XRechnung on top of them.
enum class Profile { En16931, XRechnung };

// The name the XML is embedded under: "factur-x.xml" or "xrechnung.xml".
std::string embeddedFileName(Profile profile);
// The profile's name in the file's metadata: "EN 16931" or "XRECHNUNG".
std::string conformanceLevel(Profile profile);

// Writes the pages with `xml` embedded as the invoice as a PDF/A-3b file:
// fonts embedded, an sRGB output intent, the XML as the pages' alternative
// (text/xml, with its modification date, listed in the document's associated
// files) and XMP metadata naming the embedded file and the profile. Title
// (the pages' heading), author (the seller) and the dates are the same in the
// document information and the XMP. The file is replaced only when all was
// written. Empty on success, otherwise a German message naming the file.
std::string writeHybridPdf(const view::InvoicePages& pages, std::string_view xml, Profile profile,
                           const std::string& fileName);

// What a received PDF is allowed to be before it is refused unread.
struct OpenLimits {
    std::uint64_t fileBytes = 100ull << 20;    // the PDF file itself
    std::uint64_t embeddedBytes = 50ull << 20; // the embedded XML, stored and decoded
};

// The invoice XML embedded in a PDF, or the German message why there is none.
struct OpenedPdf {
    std::string xml;
    std::string embeddedName; // the name it was embedded under, e.g. "factur-x.xml"
    std::string error;        // empty when xml holds the invoice
};

// Opens a PDF and returns its embedded invoice XML: the first embedded file
// named "factur-x.xml", "xrechnung.xml", "zugferd-invoice.xml" or
// "ZUGFeRD-invoice.xml", in that order. Nothing the PDF points to outside
// itself is followed and no script is run; a damaged or encrypted file, or
// one beyond the limits, is refused with a message.
OpenedPdf openHybridPdf(const std::string& fileName, const OpenLimits& limits = {});
// The same for a PDF in memory; `displayName` names it in messages.
OpenedPdf openHybridPdfData(std::string_view bytes, const std::string& displayName,
                            const OpenLimits& limits = {});

} // namespace tallomir::pdf
