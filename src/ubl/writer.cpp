#include "writer.h"

#include "invoice/amounts.h"
#include "invoice/identifiers.h"
#include "invoice/texts.h"
#include "ubl/table_writer.h"

#include <cctype>
#include <cerrno>
#include <string>

namespace tallomir::ubl {

namespace {

constexpr const char* joiningText = ", erstellt mit ";

constexpr const char* creditNoteCode = "381";

// The system's reason for a failed save, in German for the common cases.
std::string systemErrorText(int error, const std::string& systemText) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return "Der Ordner existiert nicht.";
    case EACCES:
    case EPERM:
        return "Keine Berechtigung, in diesen Ordner zu schreiben.";
    case ENOSPC:
    case EDQUOT:
        return "Auf dem Datenträger ist kein Platz mehr frei.";
    case EROFS:
        return "Der Datenträger ist schreibgeschützt.";
    case EISDIR:
        return "Unter diesem Namen gibt es schon einen Ordner.";
    case ENAMETOOLONG:
        return "Der Dateiname ist zu lang.";
    default:
        return "Systemfehler " + std::to_string(error) + " (" + systemText + ").";
    }
}

bool isCreditNote(const DocumentState& state) {
    return state.doc.documentTypeCode == creditNoteCode;
}

} // namespace

// Payment terms with entries of cash discount ("#SKONTO#TAGE=14#PROZENT=2.00#")
// have each entry on a line of its own, ending in a line break, as receivers
// read them; a text before the first entry stays as the first line. Other
// terms are written as typed.
std::string paymentTermsText(const std::string& terms) {
    const std::size_t first = terms.find("#SKONTO#");
    if (first == std::string::npos) {
        return terms;
    }
    std::string text;
    const std::size_t end = terms.find_last_not_of(" \t\r\n", first == 0 ? std::string::npos : first - 1);
    if (first > 0 && end != std::string::npos) {
        text = terms.substr(0, end + 1) + "\n";
    }
    for (const std::string& entry : discountEntries(terms)) {
        text += entry + "\n";
    }
    return text;
}

namespace {

bool isVersion3(const DocumentState& state) {
    return state.xrechnungVersion == XRechnungVersion::V3_0;
}

// The VAT accounting currency: a loaded file's own, with its VAT total in
// that currency; otherwise the document currency.
const std::string& taxCurrency(const DocumentState& state) {
    return hasOwnTaxCurrency(state) ? state.doc.loadedTaxCurrency : state.documentCurrency;
}

const char* standardName(XRechnungVersion version) {
    return version == XRechnungVersion::V3_0 ? "XRechnung 3.0.2." : "XRechnung 2.1.1.";
}

} // namespace

std::string programProfileText(const DocumentState& state) {
    return std::string(standardName(state.xrechnungVersion)) + joiningText + programName + " " +
           programVersion + " (" + makerWebAddress + ")";
}

std::string_view dueDateCodeOf(std::string_view code) {
    static constexpr std::pair<std::string_view, std::string_view> codes[] = {
        {"3", "5"}, {"35", "29"}, {"432", "72"}};
    for (const auto& [kept, own] : codes)
        if (code == kept)
            return own;
    return {};
}

std::string customizationIdOf(XRechnungVersion version) {
    return version == XRechnungVersion::V3_0
               ? "urn:cen.eu:en16931:2017#compliant#urn:xeinkauf.de:kosit:xrechnung_3.0"
               : "urn:cen.eu:en16931:2017#compliant#urn:xoev-de:kosit:standard:xrechnung_2.1";
}

std::string noteText(const NoteEntry& note) {
    return note.subjectCode.empty() ? note.text : "#" + note.subjectCode + "#" + note.text;
}

NoteEntry readNote(std::string_view text) {
    const bool coded =
        text.size() >= 5 && text[0] == '#' && text[4] == '#' && isNoteSubjectCode(text.substr(1, 3));
    if (!coded)
        return {{}, std::string(text)};
    return {std::string(text.substr(1, 3)), std::string(text.substr(5))};
}

bool isWrittenCustomizationId(std::string_view text) {
    return text == customizationIdOf(XRechnungVersion::V2_1_1) ||
           text == customizationIdOf(XRechnungVersion::V3_0);
}

bool isWrittenProfileId(std::string_view text) {
    for (const XRechnungVersion version : {XRechnungVersion::V2_1_1, XRechnungVersion::V3_0})
        if (text.starts_with(std::string(standardName(version)) + joiningText + programName + " "))
            return true;
    return false;
}

std::string completeXmlExtension(const std::string& fileName) {
    // The extension is what follows the last point of the last name part; a
    // blank, a slash or a backslash ends the search, and a point that starts
    // the name part does not begin an extension.
    std::string extension;
    bool found = false;
    for (std::size_t i = fileName.size(); i > 0; --i) {
        const char c = fileName[i - 1];
        if (c == ' ' || c == '/' || c == '\\') {
            break;
        }
        if (c == '.') {
            const std::size_t point = i - 1;
            if (point > 0 && fileName[point - 1] != '/' && fileName[point - 1] != '\\') {
                extension = fileName.substr(point + 1);
                found = true;
            }
            break;
        }
    }
    // "XML" and "Xml" name the same type of file as "xml".
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (found && extension == "xml") {
        return fileName;
    }
    return fileName + ".xml";
}

namespace {

using terms::AttributeText;
using terms::TableWriter;
using terms::Term;
using terms::Write;

// A party's tax scheme below its number (the row after the number's).
constexpr Term taxSchemeRow{.path = "cac:PartyTaxScheme/cac:TaxScheme/cbc:ID"};

// What the file holds beyond the document's entries: the allowances and
// charges as written, and the seller's identifiers after the first, for a
// direct debit ending in the creditor identifier of the SEPA scheme.
terms::Written writtenOf(const DocumentState& state) {
    terms::Written written;
    written.creditNote = isCreditNote(state);
    // The one the form edits exists by its reason, split per group where its
    // percentage covers several; the further ones of a loaded file follow as
    // they were read.
    written.allowances = writtenAllowances(state);
    written.allowances.insert(written.allowances.end(), state.doc.furtherAllowances.begin(),
                              state.doc.furtherAllowances.end());
    written.sellerIdentifiers = state.doc.supplier.furtherIds;
    if (paymentKind(state.doc.paymentMeansCode) == PaymentKind::DirectDebit && !state.doc.creditorId.empty())
        written.sellerIdentifiers.push_back({state.doc.creditorId, "SEPA"});
    return written;
}

// The rows whose field and attributes alone do not say what is written.
void writeHook(TableWriter& writer, const Term& row) {
    const DocumentState& state = writer.state();
    const InvoiceDocument& doc = state.doc;
    const std::string_view value = writer.text(row.field);
    const AttributeText currency[] = {{"currencyID", state.documentCurrency, true}};
    switch (row.write) {
    case Write::Constant:
        writer.put(row, row.text);
        break;
    case Write::PriceDiscount:
        if (!writer.objects().line->priceDiscount.empty())
            writer.put(row, "false");
        break;
    case Write::Amount:
        writer.put(row, value, currency);
        break;
    case Write::BaseAmount:
        // XRechnung 3.0 has a base amount only beside its percentage.
        if (!isVersion3(state) || !writer.objects().allowance->percent.empty())
            writer.put(row, value, currency);
        break;
    case Write::Total:
        writer.put(row, writer.text(row.written), currency);
        break;
    case Write::Customization:
        writer.put(row, customizationIdOf(state.xrechnungVersion));
        break;
    case Write::Profile:
        writer.put(row, doc.businessProcess.empty() ? programProfileText(state) : doc.businessProcess);
        break;
    case Write::DocumentCurrency:
        writer.put(row, state.documentCurrency);
        break;
    case Write::TaxCurrency:
        // XRechnung 3.0 names a VAT accounting currency only where it differs.
        if (!isVersion3(state) || hasOwnTaxCurrency(state))
            writer.put(row, taxCurrency(state));
        break;
    case Write::FurtherNote:
        writer.put(row, noteText(*writer.objects().note));
        break;
    case Write::OrderId:
        // The order reference needs its ID; a sales order number alone gets "NA".
        writer.put(row, doc.orderNumber.empty() && !doc.salesOrderNumber.empty() ? "NA" : value);
        break;
    case Write::PartyTaxSchemes: {
        // The VAT identifier, then the tax number under its own scheme; a
        // scheme without its number is not written.
        const PartyFields& party = *writer.objects().party;
        const std::pair<const std::string*, std::string_view> schemes[] = {
            {&party.vatId, party.taxSchemeId.empty() ? std::string_view("VAT") : party.taxSchemeId},
            {&party.taxNumber, party.taxNumberScheme.empty() ? taxNumberScheme : party.taxNumberScheme},
        };
        for (const auto& [number, scheme] : schemes) {
            if (number->empty())
                continue;
            writer.putApart(row, *number);
            writer.put(taxSchemeRow, scheme);
        }
        break;
    }
    case Write::CardNetwork:
        // The card's network is not asked for; the file must name one.
        writer.put(row, value.empty() ? std::string_view("NA") : value);
        break;
    case Write::PaymentTerms:
        writer.put(row, paymentTermsText(doc.paymentTerms));
        break;
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
    // the rows of another syntax
    case Write::Day:
    case Write::NoteText:
    case Write::NoteSubject:
    case Write::PlainId:
    case Write::SchemedId:
    case Write::DueDateCode:
        break;
    }
}

} // namespace

namespace {

// Writes the document into the empty tree; gives the document element.
xml::XmlNode* writeInvoice(xml::XmlDocument& document, const DocumentState& state) {
    xml::XmlNode* root = xml::rootNode(document);
    // Every type code but the credit note's makes an invoice.
    const bool creditNote = isCreditNote(state);
    xml::XmlNode* main = xml::appendElement(root, creditNote ? "ubl:CreditNote" : "ubl:Invoice");
    xml::setAttribute(main, "xmlns:ubl", creditNote ? creditNoteNamespace : invoiceNamespace);
    xml::setAttribute(main, "xmlns:cac", aggregateNamespace);
    xml::setAttribute(main, "xmlns:cbc", basicNamespace);

    // Every value at its place, by the rows of the table.
    const terms::Written written = writtenOf(state);
    terms::TableWriter(state, written, writeHook).write(main, terms::ublTerms());
    return main;
}

// What was typed is written as it was typed: only the indentation between
// elements is added. XRechnung 3.0 has no empty elements; an element whose
// every part was left out goes too.
xml::Layout layoutOf(const DocumentState& state) {
    return {4, isVersion3(state)};
}

} // namespace

xml::DocumentPtr buildInvoiceTree(const DocumentState& state) {
    xml::DocumentPtr document = xml::createDocument();
    xml::XmlNode* main = writeInvoice(*document, state);
    const xml::Layout layout = layoutOf(state);
    if (layout.dropEmptyElements)
        xml::removeEmptyElements(main);
    xml::indentWhenWritten(*document, layout.indentStep);
    return document;
}

SaveOutcome saveInvoiceFile(DocumentState& state, const std::string& chosenFileName) {
    return saveInvoiceFile(state, chosenFileName, layoutOf(state),
                           [&](xml::XmlDocument& document) { writeInvoice(document, state); });
}

SaveOutcome saveInvoiceFile(DocumentState& state, const std::string& chosenFileName,
                            const xml::Layout& layout, const std::function<void(xml::XmlDocument&)>& write) {
    SaveOutcome outcome;
    if (chosenFileName.empty()) {
        state.currentFileName.clear();
        outcome.message = "Es wurde kein Dateiname angegeben.";
        return outcome;
    }
    state.currentFileName = completeXmlExtension(chosenFileName);
    outcome.fileName = state.currentFileName;

    // Written while it is built: a document of any size needs little memory.
    const xml::SaveResult result = xml::saveDocumentAsBuilt(state.currentFileName, layout, write);
    if (!result.ok) {
        outcome.message = "Die Datei " + state.currentFileName +
                          " konnte nicht gespeichert werden: " + systemErrorText(result.error, result.reason);
        return outcome;
    }
    outcome.ok = true;
    state.modified = false;
    return outcome;
}

} // namespace tallomir::ubl
