#include "syntax/syntax.h"

#include "cii/cii.h"
#include "pdf/hybrid_pdf_open.h"

#include <algorithm>
#include <cctype>
#include <fstream>

namespace tallomir::syntax {
namespace {

const ubl::TableSyntax& syntaxOf(xml::NodeView root) {
    if (cii::isCiiInvoice(root))
        return cii::ciiSyntax();
    // any other document element is judged, and refused, as UBL judges it
    return ubl::ublSyntax();
}

// Loads what `parse` parses, walking it while it is parsed.
LoadOutcome loadParsed(DocumentState& state, const std::string* fileName, const ubl::Parse& parse) {
    const ubl::TableSyntax* read = nullptr;
    const LoadOutcome outcome = ubl::loadWhileParsed(state, fileName, syntaxOf, parse, &read);
    if (outcome.result == LoadOutcome::Result::Loaded)
        state.syntax = read == &cii::ciiSyntax() ? Syntax::Cii : Syntax::Ubl;
    return outcome;
}

ubl::Parse bytesParsed(std::string_view bytes) {
    return [bytes](xml::LoadWatcher* watcher) {
        return xml::loadDocumentFromBytes(bytes, xml::Doctypes::Refuse, watcher);
    };
}

// Whether the file begins as a PDF does.
bool isPdfFile(const std::string& fileName) {
    char head[5] = {};
    std::ifstream in(fileName, std::ios::binary);
    return in.read(head, sizeof head) && std::string_view(head, sizeof head) == "%PDF-";
}

} // namespace

std::string_view syntaxName(Syntax syntax) {
    return syntax == Syntax::Cii ? "CII" : "UBL";
}

std::optional<Syntax> syntaxNamed(std::string_view name) {
    std::string upper(name);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    for (const Syntax syntax : {Syntax::Ubl, Syntax::Cii})
        if (upper == syntaxName(syntax))
            return syntax;
    return std::nullopt;
}

LoadOutcome loadInvoiceFile(DocumentState& state, const std::string& fileName) {
    // A hybrid PDF is read as the invoice it carries; the PDF is the file.
    if (isPdfFile(fileName)) {
        const pdf::OpenedPdf opened = pdf::openHybridPdf(fileName);
        if (!opened.error.empty())
            return {LoadOutcome::Result::Refused, opened.error};
        return loadParsed(state, &fileName, bytesParsed(opened.xml));
    }
    return loadParsed(state, &fileName, [&](xml::LoadWatcher* watcher) {
        return xml::loadDocument(fileName, xml::Doctypes::Refuse, watcher);
    });
}

LoadOutcome loadInvoiceBytes(DocumentState& state, std::string_view bytes, const std::string& name) {
    // stored bytes of a hybrid PDF are read as the invoice the PDF carries
    if (bytes.starts_with("%PDF-")) {
        const pdf::OpenedPdf opened = pdf::openHybridPdfData(bytes, name);
        if (!opened.error.empty())
            return {LoadOutcome::Result::Refused, opened.error};
        return loadParsed(state, nullptr, bytesParsed(opened.xml));
    }
    return loadParsed(state, nullptr, bytesParsed(bytes));
}

xml::DocumentPtr buildInvoiceTree(const DocumentState& state) {
    return state.syntax == Syntax::Cii ? cii::buildCiiTree(state) : ubl::buildInvoiceTree(state);
}

SaveOutcome saveInvoiceFile(DocumentState& state, const std::string& chosenFileName) {
    return state.syntax == Syntax::Cii ? cii::saveCiiFile(state, chosenFileName)
                                       : ubl::saveInvoiceFile(state, chosenFileName);
}

std::vector<std::string> unwritten(const DocumentState& state) {
    return unwritten(state, state.syntax);
}

std::vector<std::string> unwritten(const DocumentState& state, Syntax written) {
    std::vector<std::string> items;
    if (written != Syntax::Cii)
        return items;
    // CII has one preceding invoice, no card network, and a further payment
    // means without remittance information or mandate of its own.
    const InvoiceDocument& doc = state.doc;
    for (std::size_t i = 0; i < doc.furtherPrecedingInvoices.size(); ++i)
        items.push_back("Bezug auf Rechnung " + std::to_string(i + 2));
    if (!doc.cardNetwork.empty() && paymentKind(doc.paymentMeansCode) == PaymentKind::Card)
        items.push_back("Zahlungsart: Kartennetz");
    for (std::size_t i = 0; i < doc.furtherPaymentMeans.size(); ++i) {
        const PaymentMeansEntry& means = doc.furtherPaymentMeans[i];
        const std::pair<const std::string*, const char*> parts[] = {
            {&means.remittanceInformation, "Verwendungszweck"},
            {&means.mandateReference, "Mandatsreferenz"},
            {&means.cardNetwork, "Kartennetz"}};
        for (const auto& [text, name] : parts)
            if (!text->empty())
                items.push_back("Zahlungsart " + std::to_string(i + 2) + ": " + name);
    }
    return items;
}

std::optional<XRechnungVersion> fileVersion(const std::string& fileName) {
    const xml::DocumentPtr tree = xml::loadDocument(fileName, xml::Doctypes::Refuse);
    if (!tree || xml::loadStatus(*tree) != 0 || xml::hasDoctype(*tree))
        return std::nullopt;
    const xml::NodeView root = xml::mainElement(*tree);
    if (cii::isCiiInvoice(root))
        return ubl::versionNamedBy(root.child("ExchangedDocumentContext")
                                       .child("GuidelineSpecifiedDocumentContextParameter")
                                       .child("ID")
                                       .text());
    return ubl::versionNamedBy(root.child("CustomizationID").text());
}

} // namespace tallomir::syntax
