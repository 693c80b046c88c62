// Loading a CII invoice: the same walk as UBL's over CII's table.

#include "cii/cii.h"
#include "cii/cii_terms.h"

namespace tallomir::cii {
namespace {

constexpr ubl::NamespacePrefix prefixes[] = {
    {invoiceNamespace, "rsm"},
    {aggregateNamespace, "ram"},
    {qualifiedNamespace, "qdt"},
    {unqualifiedNamespace, "udt"},
};

// The namespace the prefix of the element's name stands for, as the element
// itself declares it (a document element declares its own).
std::string_view namespaceOf(xml::NodeView element) {
    const std::string_view name = element.name();
    const std::size_t colon = name.find(':');
    const std::string declaration = colon == std::string_view::npos
                                        ? std::string("xmlns")
                                        : "xmlns:" + std::string(name.substr(0, colon));
    for (std::size_t i = 0; i < element.attributeCount(); ++i)
        if (element.attributeName(i) == declaration)
            return element.attributeValue(i);
    return {};
}

std::string refusalOf(xml::NodeView root) {
    if (isCiiInvoice(root))
        return {};
    return "Die Datei ist keine CII-Rechnung: ihr Wurzelelement ist \u201E" + std::string(root.name()) +
           "\u201C.";
}

} // namespace

bool isCiiInvoice(xml::NodeView root) {
    return root.localName() == "CrossIndustryInvoice" && namespaceOf(root) == invoiceNamespace;
}

const ubl::TableSyntax& ciiSyntax() {
    static const ubl::TableSyntax syntax{ciiTree, prefixes, refusalOf};
    return syntax;
}

namespace {
const ubl::TableSyntax& alwaysCii(xml::NodeView) {
    return ciiSyntax();
}
} // namespace

ubl::LoadOutcome loadCiiFile(DocumentState& state, const std::string& fileName) {
    return ubl::loadWhileParsed(state, &fileName, alwaysCii, [&](xml::LoadWatcher* watcher) {
        return xml::loadDocument(fileName, xml::Doctypes::Refuse, watcher);
    });
}

ubl::LoadOutcome loadCiiBytes(DocumentState& state, std::string_view bytes) {
    return ubl::loadWhileParsed(state, nullptr, alwaysCii, [&](xml::LoadWatcher* watcher) {
        return xml::loadDocumentFromBytes(bytes, xml::Doctypes::Refuse, watcher);
    });
}

} // namespace tallomir::cii
