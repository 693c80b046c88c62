#pragma once

// The invoice XML out of a received hybrid PDF. Needs neither Qt nor the
// invoice: plain bytes in, bytes or a German message out.

#include <cstdint>
#include <string>
#include <string_view>

namespace tallomir::pdf {

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
