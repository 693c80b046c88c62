// Reading and writing invoices and credit notes in the syntax UN/CEFACT CII
// (CrossIndustryInvoice D16B) over the same document as UBL. A credit note
// is an invoice of type 381; dates have eight digits; only the VAT totals
// name their currency.

#pragma once

#include "invoice/model.h"
#include "ubl/reader.h"
#include "ubl/writer.h"
#include "xml/xml.h"

#include <string>
#include <string_view>

namespace tallomir::cii {

// The namespaces of a CII invoice and of its parts.
inline constexpr std::string_view invoiceNamespace =
    "urn:un:unece:uncefact:data:standard:CrossIndustryInvoice:100";
inline constexpr std::string_view aggregateNamespace =
    "urn:un:unece:uncefact:data:standard:ReusableAggregateBusinessInformationEntity:100";
inline constexpr std::string_view qualifiedNamespace =
    "urn:un:unece:uncefact:data:standard:QualifiedDataType:100";
inline constexpr std::string_view unqualifiedNamespace =
    "urn:un:unece:uncefact:data:standard:UnqualifiedDataType:100";

// The rules a written file names it follows: the document's version of
// XRechnung, or the standard alone (the identifier a PDF with an embedded
// invoice of that profile carries).
enum class CiiProfile { XRechnung, En16931 };

// The profile of the document: the standard alone where a loaded file named
// it, else XRechnung.
CiiProfile profileOf(const DocumentState& state);

// Whether the document element is a CII invoice.
bool isCiiInvoice(xml::NodeView root);

// The reader's view of CII: its path tree, its namespaces and its document element.
const ubl::TableSyntax& ciiSyntax();

// As ubl::loadInvoiceFile, for a CII file.
ubl::LoadOutcome loadCiiFile(DocumentState& state, const std::string& fileName);
ubl::LoadOutcome loadCiiBytes(DocumentState& state, std::string_view bytes);

// The whole CII tree of the document, indented when written, as it is saved.
xml::DocumentPtr buildCiiTree(const DocumentState& state, CiiProfile profile);
// The tree in the document's own profile.
xml::DocumentPtr buildCiiTree(const DocumentState& state);

// As ubl::saveInvoiceFile, writing CII in the document's profile.
ubl::SaveOutcome saveCiiFile(DocumentState& state, const std::string& chosenFileName);

} // namespace tallomir::cii
