#pragma once

// What the invoice looks like as a document: every rule of what is shown and
// in which form lives here, as a function from the document to HTML for
// QTextDocument. Nothing in this header needs a window or a paint device.

#include "invoice/model.h"

#include <string>
#include <string_view>
#include <vector>

namespace tallomir::view {

// The document's title by its type code: 380 "Rechnung", 381 "Gutschrift",
// 384 "Korrekturrechnung"; any other code "Beleg (Belegart <code>)".
std::string documentTitle(std::string_view typeCode);

// The heading of the document: its title and number, "Rechnung Nr. RE-1".
std::string documentHeading(const InvoiceDocument& doc);

// A number of the file in German form with at least two decimals and every
// decimal it has ("1.234,56", "0,125"), followed by the currency: "€" for EUR,
// otherwise its code ("1.234,56 CHF"). A text that is no plain number is
// shown as it is; an empty text stays empty.
std::string germanAmount(std::string_view amountText, std::string_view currency);

// "%yyyy-%mm-%dd" as "%dd.%mm.%yyyy"; a text that is no such date is shown as
// it is.
std::string germanDate(std::string_view isoText);

// The PDF file name proposed for the document: the title and the document
// number, "Rechnung-RE-2024-001.pdf"; characters a file name cannot hold
// become "_". Without a number just "Rechnung.pdf".
std::string proposedPdfName(const InvoiceDocument& doc);

// The whole document as HTML for QTextDocument: letterhead, address block and
// header facts, the title, the line table (one header row, repeated on every
// page), allowance or charge and totals, the VAT breakdown, the notes, the
// footer with payment, contact, VAT identifiers and register entries, and at
// the end the content the loader could not carry (`notCarried`, one text
// each). Every text taken from the document is escaped.
std::string invoiceHtml(const DocumentState& state, const std::vector<std::string>& notCarried);

} // namespace tallomir::view
