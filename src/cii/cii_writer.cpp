// Writing a CII invoice: CII's table (cii_terms.cpp) walked by the table
// writer, with the hooks for what its rows cannot say.

#include "cii/cii.h"
#include "cii/cii_terms.h"
#include "invoice/amounts.h"
#include "ubl/table_writer.h"

#include <string>

namespace tallomir::cii {
namespace {

using ubl::terms::AttributeText;
using ubl::terms::TableWriter;
using ubl::terms::Term;
using ubl::terms::Write;

bool isVersion3(const DocumentState& state) {
    return state.xrechnungVersion == XRechnungVersion::V3_0;
}

// A date as CII writes it: eight digits, the form's code 102 beside them.
std::string dayText(std::string_view date) {
    std::string day;
    for (const char c : date)
        if (c != '-')
            day += c;
    return day;
}

// The rows whose field and attributes alone do not say what is written.
void writeHook(TableWriter& writer, const Term& row) {
    const DocumentState& state = writer.state();
    const InvoiceDocument& doc = state.doc;
    const std::string_view value = writer.text(row.field);
    // The tax point is the document's: it stands in the first entry of the
    // breakdown only.
    if (row.hook == ubl::terms::Hook::EachSubtotal || row.hook == ubl::terms::Hook::DueDateCode)
        if (writer.objects().subtotal != state.vatBreakdown.data())
            return;
    switch (row.write) {
    case Write::Constant:
        writer.put(row, row.text);
        break;
    case Write::Day: {
        const AttributeText form[] = {{"format", "102", true}};
        writer.put(row, dayText(value), form);
        break;
    }
    case Write::NoteText:
        writer.put(row, ubl::readNote(doc.note).text);
        break;
    case Write::NoteSubject:
        writer.put(row, ubl::readNote(doc.note).subjectCode);
        break;
    case Write::PlainId:
        // An identifier with a scheme is a global one (the next row).
        if (writer.text(row.attribute.field).empty())
            writer.put(row, value);
        break;
    case Write::SchemedId:
        if (!writer.text(row.attribute.field).empty())
            writer.putField(row);
        break;
    case Write::DueDateCode:
        writer.put(row, ubl::dueDateCodeOf(value));
        break;
    case Write::PriceDiscount:
        if (!writer.objects().line->priceDiscount.empty())
            writer.put(row, "false");
        break;
    // Amounts name no currency; only the VAT totals do.
    case Write::Amount:
        writer.put(row, value);
        break;
    case Write::BaseAmount:
        // XRechnung 3.0 has a base amount only beside its percentage.
        if (!isVersion3(state) || !writer.objects().allowance->percent.empty())
            writer.put(row, value);
        break;
    case Write::Total:
        writer.put(row, writer.text(row.written));
        break;
    case Write::Customization:
        writer.put(row, writer.written().rulesId);
        break;
    case Write::Profile:
        writer.put(row, doc.businessProcess.empty() ? ubl::programProfileText(state) : doc.businessProcess);
        break;
    case Write::DocumentCurrency:
        writer.put(row, state.documentCurrency);
        break;
    case Write::TaxCurrency:
        // A VAT accounting currency only where it differs, with its total.
        if (hasOwnTaxCurrency(state))
            writer.put(row, doc.loadedTaxCurrency);
        break;
    case Write::PartyTaxSchemes: {
        // The VAT identifier in the scheme "VA", then the tax number in its
        // own; the tax representative's identifier is a VAT identifier.
        const PartyFields* party = writer.objects().party;
        if (party == nullptr) {
            const AttributeText vat[] = {{"schemeID", "VA", true}};
            writer.put(row, doc.taxRepresentativeVatId, vat);
            break;
        }
        const std::pair<const std::string*, std::string_view> schemes[] = {
            {&party->vatId, "VA"},
            {&party->taxNumber,
             party->taxNumberScheme.empty() ? std::string_view("FC") : party->taxNumberScheme},
        };
        for (const auto& [number, scheme] : schemes) {
            const AttributeText attribute[] = {{"schemeID", scheme, true}};
            if (!number->empty())
                writer.putApart(row, *number, attribute);
        }
        break;
    }
    case Write::PaymentTerms:
        writer.put(row, ubl::paymentTermsText(doc.paymentTerms));
        break;
    // rows of UBL
    case Write::FurtherNote:
    case Write::OrderId:
    case Write::CardNetwork:
    case Write::Field:
    case Write::None:
    // the rows the table writer writes for every syntax
    case Write::NotBlank:
    case Write::Unit:
    case Write::AllowanceRate:
    case Write::Card:
    case Write::Transfer:
    case Write::DirectDebit:
    case Write::AttachedFile:
    case Write::TaxTotal:
    case Write::TaxCurrencyTotal:
        break;
    }
}

} // namespace

CiiProfile profileOf(const DocumentState& state) {
    return state.doc.customizationId == ubl::plainStandardId ? CiiProfile::En16931 : CiiProfile::XRechnung;
}

namespace {

// Writes the document into the empty tree.
void writeCii(xml::XmlDocument& document, const DocumentState& state, CiiProfile profile) {
    xml::XmlNode* main = xml::appendElement(xml::rootNode(document), "rsm:CrossIndustryInvoice");
    xml::setAttribute(main, "xmlns:rsm", invoiceNamespace);
    xml::setAttribute(main, "xmlns:ram", aggregateNamespace);
    xml::setAttribute(main, "xmlns:qdt", qualifiedNamespace);
    xml::setAttribute(main, "xmlns:udt", unqualifiedNamespace);

    ubl::terms::Written written;
    written.allowances = writtenAllowances(state);
    written.allowances.insert(written.allowances.end(), state.doc.furtherAllowances.begin(),
                              state.doc.furtherAllowances.end());
    written.sellerIdentifiers = state.doc.supplier.furtherIds;
    written.rulesId = profile == CiiProfile::En16931 ? std::string(ubl::plainStandardId)
                                                     : ubl::customizationIdOf(state.xrechnungVersion);
    TableWriter(state, written, writeHook).write(main, ciiTerms());
}

// Only the indentation between elements is added to what was typed.
constexpr xml::Layout layout{4, false};

} // namespace

xml::DocumentPtr buildCiiTree(const DocumentState& state, CiiProfile profile) {
    xml::DocumentPtr document = xml::createDocument();
    writeCii(*document, state, profile);
    xml::indentWhenWritten(*document, layout.indentStep);
    return document;
}

xml::DocumentPtr buildCiiTree(const DocumentState& state) {
    return buildCiiTree(state, profileOf(state));
}

ubl::SaveOutcome saveCiiFile(DocumentState& state, const std::string& chosenFileName) {
    return ubl::saveInvoiceFile(state, chosenFileName, layout, [&](xml::XmlDocument& document) {
        writeCii(document, state, profileOf(state));
    });
}

} // namespace tallomir::cii
