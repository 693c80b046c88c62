#pragma once

// The invoice as a hybrid PDF: the pages a person reads, with the invoice's
// XML embedded for a machine, in one PDF/A-3b file.
//
//   std::string error = pdf::writeHybridPdf(pages, xml, pdf::Profile::XRechnung, "RE-1.pdf");
//   pdf::OpenedPdf opened = pdf::openHybridPdf("RE-1.pdf");   // hybrid_pdf_open.h
//   if (opened.error.empty()) use(opened.xml, opened.embeddedName);
//
// Every error is a German message for the user; empty means success.

#include "pdf/hybrid_pdf_open.h"
#include "view/invoice_pages.h"

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
// written. Empty on success, otherwise a German message naming the file;
// `progress` is told of each page painted and may stop the writing, which
// leaves the file as it was.
std::string writeHybridPdf(const view::InvoicePages& pages, std::string_view xml, Profile profile,
                           const std::string& fileName, const view::PageProgress& progress = {});

} // namespace tallomir::pdf
