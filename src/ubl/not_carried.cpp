#include "ubl/not_carried.h"

#include "invoice/decimal.h"
#include "ubl/reader.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace tallomir::ubl {

namespace {

using xml::NodeView;

bool hasData(std::string_view text) {
    return text.find_first_not_of(" \t\r\n") != std::string_view::npos;
}

// The element directly below the document element that holds the node.
NodeView blockElement(NodeView node) {
    while (!node.parent().isDocumentElement())
        node = node.parent();
    return node;
}

// The local names from below the block element down to the node: "Party/EndpointID".
std::string pathInBlock(NodeView node) {
    std::vector<std::string_view> names;
    for (; !node.parent().isDocumentElement(); node = node.parent())
        names.push_back(node.localName());
    std::string path;
    for (auto it = names.rbegin(); it != names.rend(); ++it)
        path.append(path.empty() ? "" : "/").append(*it);
    return path;
}

// How far below a recorded element its content is told apart; what stands
// deeper counts under the element at that depth.
constexpr std::size_t deepestNamed = 16;

// The elements and attributes holding a value, within the recorded element
// (or the recorded attribute): "Block[2]/path/Element", ".../Element@name".
std::vector<std::string> elementsOf(const Unconsumed& record) {
    std::string head = std::string(record.block) + "[" + std::to_string(record.blockPlace) + "]";
    const std::string inBlock = pathInBlock(record.node);
    if (!inBlock.empty())
        head += "/" + inBlock;
    std::vector<std::string> found;
    if (!record.attribute.empty()) {
        found.push_back(head + "@" + std::string(record.attribute));
        return found;
    }
    // Depth first through the element, without recursion; `names` holds the
    // path below it as far as it is told apart.
    std::vector<std::string_view> names;
    std::size_t depth = 0;
    const auto key = [&] {
        std::string text = head;
        for (const std::string_view name : names)
            text.append("/").append(name);
        return text;
    };
    const auto note = [&](std::string text) {
        if (found.empty() || found.back() != text)
            found.push_back(std::move(text));
    };
    NodeView node = record.node;
    while (!node.empty()) {
        if (hasData(node.text()))
            note(key());
        for (std::size_t i = 0; i < node.attributeCount(); ++i)
            if (isDataAttribute(node.attributeName(i)) && hasData(node.attributeValue(i)))
                note(key() + "@" + std::string(node.attributeName(i)));
        // the next element: the first child, else the next sibling of the
        // nearest element that has one, within the recorded element
        NodeView next = node.firstChild();
        while (!next.empty() && !next.isElement())
            next = next.nextSibling();
        if (!next.empty()) {
            if (++depth <= deepestNamed)
                names.push_back(next.localName());
            node = next;
            continue;
        }
        while (node != record.node) {
            next = node.nextSibling();
            while (!next.empty() && !next.isElement())
                next = next.nextSibling();
            if (!next.empty()) {
                if (depth <= deepestNamed)
                    names.back() = next.localName();
                break;
            }
            node = node.parent();
            if (depth-- <= deepestNamed)
                names.pop_back();
        }
        node = node == record.node ? NodeView() : next;
    }
    return found;
}

// The names of whole blocks below the document element.
constexpr std::pair<std::string_view, const char*> blockTitles[] = {
    {"AccountingSupplierParty", "Lieferant"},
    {"AccountingCustomerParty", "Kunde"},
    {"Delivery", "Lieferung"},
    {"PaymentMeans", "Zahlungsart"},
    {"PaymentTerms", "Zahlungsbedingung"},
    {"TaxTotal", "Steuersumme"},
    {"LegalMonetaryTotal", "Summen"},
    {"PayeeParty", "Zahlungsempfänger"},
    {"TaxRepresentativeParty", "Steuervertreter"},
    {"TaxPointDate", "Datum der Steuerfälligkeit"},
    {"AccountingCost", "Buchungsreferenz"},
    {"OriginatorDocumentReference", "Vergabenummer"},
    {"BillingReference", "Vorausgegangene Rechnung"},
    {"DespatchDocumentReference", "Versandanzeige"},
    {"ReceiptDocumentReference", "Wareneingangsmeldung"},
    {"Note", "Notiz"},
    {"CustomizationID", "Spezifikationskennung"},
    {"ProfileID", "Geschäftsprozess"},
    {"UBLExtensions", "Erweiterungen"},
    {"InvoicePeriod", "Leistungszeitraum"},
    {"OrderReference", "Bestellung"},
    {"ContractDocumentReference", "Vertrag"},
    {"ProjectReference", "Projekt"},
    {"AdditionalDocumentReference", "Projektverweis"},
};

// The names of content within a block, by a piece of its path (first match).
// "AllowanceCharge" is named by its kind: "Nachlass" or "Zuschlag".
constexpr std::pair<std::string_view, const char*> contentNames[] = {
    {"PaymentMandate", "Lastschriftmandat"},
    {"CardAccount", "Kartendaten"},
    {"PaymentID", "Verwendungszweck"},
    {"InstructionNote", "Zahlungshinweis"},
    {"PaymentMeansCode@name", "Bezeichnung der Zahlungsart"},
    {"EndpointID", "Elektronische Adresse"},
    {"DeliveryLocation/ID", "Lieferort-Kennung"},
    {"AdditionalStreetName", "Adresszusatz"},
    {"AddressLine", "weitere Adresszeile"},
    {"CountrySubentity", "Region"},
    {"PartyIdentification/ID@schemeID", "Schema der Kennung"},
    {"PartyLegalEntity/CompanyID@schemeID", "Schema der Registernummer"},
    {"PartyIdentification", "weitere Kennung"},
    {"Price/AllowanceCharge", "Preisnachlass"},
    {"AllowanceCharge", nullptr},
    {"CommodityClassification", "Artikelklassifizierung"},
    {"StandardItemIdentification", "Artikelkennung"},
    {"BuyersItemIdentification", "Artikelnummer des Kunden"},
    {"AdditionalItemProperty", "Artikeleigenschaft"},
    {"OriginCountry", "Herkunftsland"},
    {"OrderLineReference", "Bestellposition"},
    {"DocumentReference", "Objektkennung"},
    {"AccountingCost", "Buchungsreferenz"},
    {"Note", "weitere Notiz"},
};

std::string quoted(std::string_view text) {
    return "\u201E" + std::string(text) + "\u201C";
}

// "Nachlass" or "Zuschlag", by the indicator of an allowance/charge element
// as the reader reads it; "Nachlass oder Zuschlag" when it is unreadable.
const char* allowanceKind(NodeView allowanceCharge) {
    const std::optional<bool> charge = readChargeIndicator(allowanceCharge.child("ChargeIndicator").text());
    if (!charge)
        return "Nachlass oder Zuschlag";
    return *charge ? "Zuschlag" : "Nachlass";
}

// Where a piece of a path stands in it, whole names only; npos when not.
std::size_t findPiece(std::string_view path, std::string_view piece) {
    for (std::size_t at = path.find(piece); at != std::string_view::npos; at = path.find(piece, at + 1)) {
        const std::size_t end = at + piece.size();
        if ((at == 0 || path[at - 1] == '/') &&
            (end == path.size() || path[end] == '/' || (path[end] == '@' && piece.find('@') == piece.npos)))
            return at;
    }
    return std::string_view::npos;
}

// What a recorded element or attribute within a block is, as a user knows it.
std::string contentName(const Unconsumed& record, std::string_view path) {
    if (path == "ChargeIndicator" && !readChargeIndicator(record.node.text()))
        return "unlesbare Art " + quoted(record.node.text());
    for (const auto& [piece, name] : contentNames) {
        const std::size_t at = findPiece(path, piece);
        if (at == std::string_view::npos)
            continue;
        if (name != nullptr)
            return name;
        // the allowance/charge element: up from the record to the depth of the piece
        NodeView element = record.node;
        for (std::size_t levels = std::count(path.begin() + static_cast<std::ptrdiff_t>(at), path.end(), '/');
             levels > 0; --levels)
            element = element.parent();
        return allowanceKind(element);
    }
    if (!record.attribute.empty())
        return "Angabe " + quoted(std::string(record.node.localName()) + "@" + std::string(record.attribute));
    return "Angabe " + quoted(record.node.localName());
}

std::string blockTitle(const Unconsumed& record, const BlockCounts& counts) {
    std::string title = "Angabe " + quoted(record.block);
    for (const auto& [block, name] : blockTitles)
        if (block == record.block)
            title = name;
    if (record.block == "AllowanceCharge")
        title = allowanceKind(blockElement(record.node));
    const auto count = counts.find(record.block);
    if (count != counts.end() && count->second > 1)
        title += " " + std::to_string(record.blockPlace) + " von " + std::to_string(count->second);
    return title;
}

// A further document of the file, counted: an attachment, the object
// identifier (type 130), or a reference to a document kept elsewhere.
std::pair<const char*, const char*> documentKind(NodeView reference) {
    if (reference.child("Attachment"))
        return {"Anhang", "Anhänge"};
    const std::string_view type = reference.child("DocumentTypeCode").text();
    if (type.find("130") != std::string_view::npos)
        return {"Objektkennung", "Objektkennungen"};
    return {"Unterlagenverweis", "Unterlagenverweise"};
}

// The lines' positions as the list shows them: "in Position 4", "in
// Positionen 1, 2, 5", "in 12 Positionen".
std::string inPositions(const std::vector<std::string>& positions) {
    constexpr std::size_t namedAtMost = 5;
    if (positions.size() == 1)
        return "in Position " + positions.front();
    if (positions.size() > namedAtMost)
        return "in " + std::to_string(positions.size()) + " Positionen";
    std::string text = "in Positionen ";
    for (std::size_t i = 0; i < positions.size(); ++i)
        text += (i == 0 ? "" : ", ") + positions[i];
    return text;
}

std::string german(const std::string& amount) {
    return formatGerman(parseNumber(amount), 2, 2);
}

// The profile below EN 16931 a recorded CII guideline identifier names: the
// record is the identifier, its parameter or the whole context block.
std::optional<std::string_view> profileBelowTheStandard(const Unconsumed& record) {
    NodeView node = record.node;
    if (!record.attribute.empty())
        return std::nullopt;
    if (node.localName() == "ExchangedDocumentContext")
        node = node.child("GuidelineSpecifiedDocumentContextParameter");
    if (node.localName() == "GuidelineSpecifiedDocumentContextParameter")
        node = node.child("ID");
    if (node.localName() != "ID" || node.parent().localName() != "GuidelineSpecifiedDocumentContextParameter")
        return std::nullopt;
    return profileBelowEn16931(node.text());
}

} // namespace

bool isDataAttribute(std::string_view name) {
    static constexpr std::array<std::string_view, 8> names = {
        "schemeID", "listID", "listVersionID", "mimeCode", "filename", "name", "currencyID", "unitCode"};
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::vector<NotCarriedItem> describeNotCarried(const std::vector<Unconsumed>& records,
                                               const BlockCounts& counts, const DocumentState& state,
                                               const std::vector<StatedTotal>& totals) {
    // Items by a key of what they gather, in the order they first appear:
    // a block of the document, one kind of line content, or one kind of
    // further document.
    struct Gathered {
        NotCarriedItem item;
        std::vector<std::string> parts; // content of a block, positions of lines
        bool lines = false;
        std::pair<const char*, const char*> counted{};
        int count = 0;
    };
    std::vector<Gathered> gathered;
    std::map<std::string, std::size_t> byKey;
    const auto gather = [&](const std::string& key, const std::string& text) -> Gathered& {
        const auto [found, added] = byKey.try_emplace(key, gathered.size());
        if (added)
            gathered.emplace_back().item.text = text;
        return gathered[found->second];
    };
    const auto addPart = [](Gathered& g, const std::string& part) {
        if (std::find(g.parts.begin(), g.parts.end(), part) == g.parts.end())
            g.parts.push_back(part);
    };

    for (const Unconsumed& record : records) {
        std::vector<std::string> elements = elementsOf(record);
        if (elements.empty())
            continue; // empty elements lose nothing
        const std::string path =
            pathInBlock(record.node) + (record.attribute.empty() ? "" : "@" + std::string(record.attribute));
        const bool wholeBlock = record.attribute.empty() && record.node.parent().isDocumentElement();
        Gathered* target = nullptr;
        const std::optional<std::string_view> lowProfile = profileBelowTheStandard(record);
        if (lowProfile) {
            // A file of a profile below the standard is named as what it is.
            target = &gather("profile", "Profil ZUGFeRD " + std::string(*lowProfile) +
                                            " (in Deutschland keine E-Rechnung)");
        } else if (record.line >= 0) {
            // Content of lines, by its kind, naming the lines' positions.
            const std::string name = contentName(record, path);
            target = &gather("line " + name, name);
            target->lines = true;
            const auto& line = state.lines[static_cast<std::size_t>(record.line)];
            addPart(*target,
                    line.position.empty() ? "Zeile " + std::to_string(record.line + 1) : line.position);
        } else if (wholeBlock && record.block == "AdditionalDocumentReference") {
            const auto kind = documentKind(record.node);
            target = &gather(std::string("documents ") + kind.first, {});
            target->counted = kind;
            ++target->count;
        } else {
            target = &gather(std::string(record.block) + "[" + std::to_string(record.blockPlace) + "]",
                             blockTitle(record, counts));
            if (!wholeBlock)
                addPart(*target, contentName(record, path));
        }
        for (std::string& element : elements)
            target->item.elements.push_back(std::move(element));
    }

    std::vector<NotCarriedItem> items;
    for (Gathered& g : gathered) {
        if (g.count > 0) {
            g.item.text = std::to_string(g.count) + " " + (g.count == 1 ? g.counted.first : g.counted.second);
        } else if (g.lines) {
            g.item.text += " " + inPositions(g.parts);
        } else if (!g.parts.empty()) {
            g.item.text += ":";
            for (std::size_t i = 0; i < g.parts.size(); ++i)
                g.item.text += (i == 0 ? " " : ", ") + g.parts[i];
        }
        items.push_back(std::move(g.item));
    }

    // A VAT accounting currency without its VAT total cannot be written.
    const InvoiceDocument& doc = state.doc;
    if (!doc.loadedTaxCurrency.empty() && doc.loadedTaxCurrency != state.documentCurrency &&
        doc.taxCurrencyTaxAmount.empty())
        items.push_back(
            {"USt.-Buchungswährung " + doc.loadedTaxCurrency + " (ohne USt.-Betrag in dieser Währung)",
             {"TaxCurrencyCode[1]"}});

    // Totals the file states otherwise than they follow from its content.
    NotCarriedItem differences{"Abweichende Beträge laut Datei:", {}};
    for (const StatedTotal& total : totals) {
        if (parseNumber(total.fileText) == parseNumber(total.computed))
            continue;
        differences.text += std::string(differences.elements.empty() ? " " : ", ") + total.label + " " +
                            german(total.fileText) + " (berechnet " + german(total.computed) + ")";
        differences.elements.push_back(total.element);
    }
    if (!differences.elements.empty())
        items.push_back(std::move(differences));
    return items;
}

} // namespace tallomir::ubl
