// Loading a UBL invoice or credit note into the document.
//
// A file is judged before anything changes: one with a document type
// declaration, one that is not well-formed and one whose document element is
// not a UBL invoice or credit note leave the document as it is.
//
// The tree is then walked once, depth first, in the order of the start tags.
// Each element is recognised by its namespace and local name and those of its
// ancestors below the document element, whatever prefixes the file uses.
// Instead of comparing a table of paths for every element, the walk carries
// one small state per level: the state of an element follows from its
// parent's state and its own name. A state from FirstRule on is a rule: it
// takes the element's text into the document. A rule takes the first text of
// its field within its record (the document, a party, a line, a tax subtotal,
// an allowance or charge); a later one is not taken.
//
// Whatever no rule takes is recorded: an element whose name leads nowhere,
// with all it holds, a repeated or foreign value, an attribute that carries a
// value no rule reads. After the walk these records become the not-carried
// list (not_carried.cpp).

#include "ubl/reader.h"

#include "invoice/amounts.h"
#include "invoice/dates.h"
#include "invoice/input_rules.h"
#include "ubl/not_carried.h"
#include "ubl/writer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <utility>

namespace tallomir::ubl {
namespace {

using xml::XmlNode;

// Where an element stands. Inner states lead further down; every state from
// FirstRule on is a rule and names what it sets.
enum class Node : std::uint8_t {
    Dead, // matches nothing, neither itself nor anything inside
    Document,
    InvoicePeriod,
    OrderReference,
    BillingReference,
    PrecedingInvoice,
    ContractReference,
    ProjectReference,
    AdditionalReference, // a project reference of the credit note, else nothing
    SupplierParty,
    CustomerParty,
    Party,
    PartyIdentification,
    PartyName,
    PostalAddress,
    PartyCountry,
    PartyTaxScheme, // read as a whole: the number's scheme follows the number
    PartyTaxSchemeScheme,
    PartyLegalEntity,
    Contact,
    Delivery,
    DeliveryLocation,
    DeliveryAddress,
    DeliveryCountry,
    DeliveryParty,
    DeliveryPartyName,
    PaymentMeans,
    PayeeAccount,
    PayeeBranch,
    CardAccount,
    PaymentMandate,
    PayerAccount,
    PaymentTerms,
    AllowanceCharge,
    AllowanceTaxCategory,
    AllowanceTaxScheme,
    TaxTotal,
    TaxCurrencyTotal, // the VAT total in the accounting currency
    TaxSubtotal,
    SubtotalCategory,
    SubtotalScheme,
    MonetaryTotal,
    Line,
    LinePeriod,
    LineItem,
    LineItemId,
    LineTaxCategory,
    LineTaxScheme,
    LinePrice,

    // rules
    FirstRule,
    Taken = FirstRule, // read with its block
    CustomizationId,
    ProfileId,
    DocumentNumber,
    IssueDate,
    DueDate,
    HeaderDeliveryDate,
    TypeCode,
    DocumentCurrency,
    TaxCurrency,
    BuyerReference,
    Note,
    PeriodStart,
    PeriodEnd,
    OrderNumber,
    SalesOrderNumber,
    PrecedingInvoiceNumber,
    PrecedingInvoiceDate,
    ContractNumber,
    ProjectNumber,

    FirstPartyRule,
    PartyId = FirstPartyRule,
    PartyNameText,
    Street,
    City,
    PostalCode,
    CountryCode,
    EndpointId,
    RegistrationName,
    RegistrationId,
    LegalForm,
    ContactName,
    Phone,
    Email,
    LastPartyRule = Email,

    DeliveryDate,
    DeliveryStreet,
    DeliveryCity,
    DeliveryPostalCode,
    DeliveryCountryCode,
    DeliveryName,

    PaymentMeansCode,
    PaymentDueDate,
    Iban,
    BankName,
    Bic,
    CreditorId, // the seller's identifier in the SEPA scheme
    CardNumber,
    CardNetwork,
    CardHolder,
    MandateReference,
    DebitedIban,
    PaymentTermsText,

    FirstAllowanceRule,
    ChargeIndicator = FirstAllowanceRule,
    AllowanceReasonCode,
    AllowanceReason,
    AllowancePercent,
    AllowanceAmount,
    AllowanceBaseAmount,
    AllowanceTaxCategoryId,
    AllowanceTaxPercent,
    AllowanceTaxSchemeId,
    LastAllowanceRule = AllowanceTaxSchemeId,

    TaxTotalAmount,
    TaxCurrencyAmount,
    FirstSubtotalRule,
    SubtotalTaxableAmount = FirstSubtotalRule,
    SubtotalTaxAmount,
    SubtotalCategoryId,
    SubtotalPercent,
    SubtotalExemptionReason,
    SubtotalExemptionReasonCode,
    SubtotalSchemeId,
    LastSubtotalRule = SubtotalSchemeId,

    LineExtensionAmount,
    TaxExclusiveAmount,
    TaxInclusiveAmount,
    AllowanceTotalAmount,
    ChargeTotalAmount,
    PrepaidAmount,
    RoundingAmount,
    PayableAmount,

    FirstLineRule,
    LinePosition = FirstLineRule,
    LineNote,
    LineQuantity,
    LineNetAmount,
    LineStartDate,
    LineEndDate,
    ItemDescription,
    ItemName,
    ItemNumber,
    LineTaxCategoryId,
    LineVatPercent,
    LineTaxSchemeId,
    UnitPrice,
    BaseQuantity,
    LastLineRule = BaseQuantity,

    Count
};

constexpr std::size_t nodeCount = static_cast<std::size_t>(Node::Count);

// The credit note has no element of its own for the project reference: it
// stands in an additional document reference with this type code.
constexpr std::string_view projectReferenceType = "50";

bool isRule(Node node) {
    return node >= Node::FirstRule;
}

bool between(Node node, Node first, Node last) {
    return node >= first && node <= last;
}

// The state of an element together with the party its party rules write to.
struct State {
    Node node = Node::Dead;
    bool customer = false;
};

// The deepest level that takes part in matching (the document element is 0).
// No rule lies below level 6; what stands deeper is held by an element no
// rule takes, and is recorded with it.
constexpr int deepestLevel = 10;

using Edge = std::pair<std::string_view, Node>;

Node pick(std::string_view name, std::initializer_list<Edge> edges) {
    for (const Edge& edge : edges)
        if (edge.first == name)
            return edge.second;
    return Node::Dead;
}

State step(State parent, std::string_view name) {
    State next{Node::Dead, parent.customer};
    switch (parent.node) {
    case Node::Document:
        next.node = pick(name, {{"cbc:CustomizationID", Node::CustomizationId},
                                {"cbc:ProfileID", Node::ProfileId},
                                {"cbc:ID", Node::DocumentNumber},
                                {"cbc:IssueDate", Node::IssueDate},
                                {"cbc:DueDate", Node::DueDate},
                                {"cbc:InvoiceTypeCode", Node::TypeCode},
                                {"cbc:CreditNoteTypeCode", Node::TypeCode},
                                {"cbc:Note", Node::Note},
                                {"cbc:DocumentCurrencyCode", Node::DocumentCurrency},
                                {"cbc:TaxCurrencyCode", Node::TaxCurrency},
                                {"cbc:BuyerReference", Node::BuyerReference},
                                {"cbc:ActualDeliveryDate", Node::HeaderDeliveryDate},
                                {"cac:InvoicePeriod", Node::InvoicePeriod},
                                {"cac:OrderReference", Node::OrderReference},
                                {"cac:BillingReference", Node::BillingReference},
                                {"cac:ContractDocumentReference", Node::ContractReference},
                                {"cac:ProjectReference", Node::ProjectReference},
                                {"cac:AdditionalDocumentReference", Node::AdditionalReference},
                                {"cac:AccountingSupplierParty", Node::SupplierParty},
                                {"cac:AccountingCustomerParty", Node::CustomerParty},
                                {"cac:Delivery", Node::Delivery},
                                {"cac:PaymentMeans", Node::PaymentMeans},
                                {"cac:PaymentTerms", Node::PaymentTerms},
                                {"cac:AllowanceCharge", Node::AllowanceCharge},
                                {"cac:TaxTotal", Node::TaxTotal},
                                {"cac:LegalMonetaryTotal", Node::MonetaryTotal},
                                {"cac:InvoiceLine", Node::Line},
                                {"cac:CreditNoteLine", Node::Line}});
        next.customer = next.node == Node::CustomerParty;
        break;
    case Node::InvoicePeriod:
        next.node = pick(name, {{"cbc:StartDate", Node::PeriodStart}, {"cbc:EndDate", Node::PeriodEnd}});
        break;
    case Node::OrderReference:
        next.node = pick(name, {{"cbc:ID", Node::OrderNumber}, {"cbc:SalesOrderID", Node::SalesOrderNumber}});
        break;
    case Node::BillingReference:
        next.node = pick(name, {{"cac:InvoiceDocumentReference", Node::PrecedingInvoice}});
        break;
    case Node::PrecedingInvoice:
        next.node = pick(
            name, {{"cbc:ID", Node::PrecedingInvoiceNumber}, {"cbc:IssueDate", Node::PrecedingInvoiceDate}});
        break;
    case Node::ContractReference:
        next.node = pick(name, {{"cbc:ID", Node::ContractNumber}});
        break;
    case Node::ProjectReference:
        next.node = pick(name, {{"cbc:ID", Node::ProjectNumber}});
        break;
    case Node::AdditionalReference:
        next.node = pick(name, {{"cbc:ID", Node::ProjectNumber}, {"cbc:DocumentTypeCode", Node::Taken}});
        break;
    case Node::SupplierParty:
    case Node::CustomerParty:
        next.node = pick(name, {{"cac:Party", Node::Party}});
        break;
    case Node::Party:
        next.node = pick(name, {{"cbc:EndpointID", Node::EndpointId},
                                {"cac:PartyIdentification", Node::PartyIdentification},
                                {"cac:PartyName", Node::PartyName},
                                {"cac:PostalAddress", Node::PostalAddress},
                                {"cac:PartyTaxScheme", Node::PartyTaxScheme},
                                {"cac:PartyLegalEntity", Node::PartyLegalEntity},
                                {"cac:Contact", Node::Contact}});
        break;
    case Node::PartyIdentification:
        next.node = pick(name, {{"cbc:ID", Node::PartyId}});
        break;
    case Node::PartyName:
        next.node = pick(name, {{"cbc:Name", Node::PartyNameText}});
        break;
    case Node::PostalAddress:
        next.node = pick(name, {{"cbc:StreetName", Node::Street},
                                {"cbc:CityName", Node::City},
                                {"cbc:PostalZone", Node::PostalCode},
                                {"cac:Country", Node::PartyCountry}});
        break;
    case Node::PartyCountry:
        next.node = pick(name, {{"cbc:IdentificationCode", Node::CountryCode}});
        break;
    case Node::PartyTaxScheme:
        next.node =
            pick(name, {{"cbc:CompanyID", Node::Taken}, {"cac:TaxScheme", Node::PartyTaxSchemeScheme}});
        break;
    case Node::PartyTaxSchemeScheme:
        next.node = pick(name, {{"cbc:ID", Node::Taken}});
        break;
    case Node::PartyLegalEntity:
        next.node = pick(name, {{"cbc:RegistrationName", Node::RegistrationName},
                                {"cbc:CompanyID", Node::RegistrationId},
                                {"cbc:CompanyLegalForm", Node::LegalForm}});
        if (next.node == Node::LegalForm && parent.customer)
            next.node = Node::Dead; // the customer has no legal form
        break;
    case Node::Contact:
        next.node = pick(name, {{"cbc:Name", Node::ContactName},
                                {"cbc:Telephone", Node::Phone},
                                {"cbc:ElectronicMail", Node::Email}});
        break;
    case Node::Delivery:
        next.node = pick(name, {{"cbc:ActualDeliveryDate", Node::DeliveryDate},
                                {"cac:DeliveryLocation", Node::DeliveryLocation},
                                {"cac:DeliveryParty", Node::DeliveryParty}});
        break;
    case Node::DeliveryLocation:
        next.node = pick(name, {{"cac:Address", Node::DeliveryAddress}});
        break;
    case Node::DeliveryAddress:
        next.node = pick(name, {{"cbc:StreetName", Node::DeliveryStreet},
                                {"cbc:CityName", Node::DeliveryCity},
                                {"cbc:PostalZone", Node::DeliveryPostalCode},
                                {"cac:Country", Node::DeliveryCountry}});
        break;
    case Node::DeliveryCountry:
        next.node = pick(name, {{"cbc:IdentificationCode", Node::DeliveryCountryCode}});
        break;
    case Node::DeliveryParty:
        next.node = pick(name, {{"cac:PartyName", Node::DeliveryPartyName}});
        break;
    case Node::DeliveryPartyName:
        next.node = pick(name, {{"cbc:Name", Node::DeliveryName}});
        break;
    case Node::PaymentMeans:
        next.node = pick(name, {{"cac:CardAccount", Node::CardAccount},
                                {"cac:PaymentMandate", Node::PaymentMandate},
                                {"cbc:PaymentMeansCode", Node::PaymentMeansCode},
                                {"cbc:PaymentDueDate", Node::PaymentDueDate},
                                {"cac:PayeeFinancialAccount", Node::PayeeAccount}});
        break;
    case Node::PayeeAccount:
        next.node = pick(name, {{"cbc:ID", Node::Iban},
                                {"cbc:Name", Node::BankName},
                                {"cac:FinancialInstitutionBranch", Node::PayeeBranch}});
        break;
    case Node::PayeeBranch:
        next.node = pick(name, {{"cbc:ID", Node::Bic}});
        break;
    case Node::CardAccount:
        next.node = pick(name, {{"cbc:PrimaryAccountNumberID", Node::CardNumber},
                                {"cbc:NetworkID", Node::CardNetwork},
                                {"cbc:HolderName", Node::CardHolder}});
        break;
    case Node::PaymentMandate:
        next.node = pick(
            name, {{"cbc:ID", Node::MandateReference}, {"cac:PayerFinancialAccount", Node::PayerAccount}});
        break;
    case Node::PayerAccount:
        next.node = pick(name, {{"cbc:ID", Node::DebitedIban}});
        break;
    case Node::PaymentTerms:
        next.node = pick(name, {{"cbc:Note", Node::PaymentTermsText}});
        break;
    case Node::AllowanceCharge:
        next.node = pick(name, {{"cbc:ChargeIndicator", Node::ChargeIndicator},
                                {"cbc:AllowanceChargeReasonCode", Node::AllowanceReasonCode},
                                {"cbc:AllowanceChargeReason", Node::AllowanceReason},
                                {"cbc:MultiplierFactorNumeric", Node::AllowancePercent},
                                {"cbc:Amount", Node::AllowanceAmount},
                                {"cbc:BaseAmount", Node::AllowanceBaseAmount},
                                {"cac:TaxCategory", Node::AllowanceTaxCategory}});
        break;
    case Node::AllowanceTaxCategory:
        next.node = pick(name, {{"cbc:ID", Node::AllowanceTaxCategoryId},
                                {"cbc:Percent", Node::AllowanceTaxPercent},
                                {"cac:TaxScheme", Node::AllowanceTaxScheme}});
        break;
    case Node::AllowanceTaxScheme:
        next.node = pick(name, {{"cbc:ID", Node::AllowanceTaxSchemeId}});
        break;
    case Node::TaxTotal:
        next.node =
            pick(name, {{"cbc:TaxAmount", Node::TaxTotalAmount}, {"cac:TaxSubtotal", Node::TaxSubtotal}});
        break;
    case Node::TaxCurrencyTotal:
        next.node = pick(name, {{"cbc:TaxAmount", Node::TaxCurrencyAmount}});
        break;
    case Node::TaxSubtotal:
        next.node = pick(name, {{"cbc:TaxableAmount", Node::SubtotalTaxableAmount},
                                {"cbc:TaxAmount", Node::SubtotalTaxAmount},
                                {"cac:TaxCategory", Node::SubtotalCategory}});
        break;
    case Node::SubtotalCategory:
        next.node = pick(name, {{"cbc:ID", Node::SubtotalCategoryId},
                                {"cbc:Percent", Node::SubtotalPercent},
                                {"cbc:TaxExemptionReasonCode", Node::SubtotalExemptionReasonCode},
                                {"cbc:TaxExemptionReason", Node::SubtotalExemptionReason},
                                {"cac:TaxScheme", Node::SubtotalScheme}});
        break;
    case Node::SubtotalScheme:
        next.node = pick(name, {{"cbc:ID", Node::SubtotalSchemeId}});
        break;
    case Node::MonetaryTotal:
        next.node = pick(name, {{"cbc:LineExtensionAmount", Node::LineExtensionAmount},
                                {"cbc:TaxExclusiveAmount", Node::TaxExclusiveAmount},
                                {"cbc:TaxInclusiveAmount", Node::TaxInclusiveAmount},
                                {"cbc:AllowanceTotalAmount", Node::AllowanceTotalAmount},
                                {"cbc:ChargeTotalAmount", Node::ChargeTotalAmount},
                                {"cbc:PrepaidAmount", Node::PrepaidAmount},
                                {"cbc:PayableRoundingAmount", Node::RoundingAmount},
                                {"cbc:PayableAmount", Node::PayableAmount}});
        break;
    case Node::Line:
        next.node = pick(name, {{"cbc:ID", Node::LinePosition},
                                {"cbc:Note", Node::LineNote},
                                {"cbc:InvoicedQuantity", Node::LineQuantity},
                                {"cbc:CreditedQuantity", Node::LineQuantity},
                                {"cbc:LineExtensionAmount", Node::LineNetAmount},
                                {"cac:InvoicePeriod", Node::LinePeriod},
                                {"cac:Item", Node::LineItem},
                                {"cac:Price", Node::LinePrice}});
        break;
    case Node::LinePeriod:
        next.node = pick(name, {{"cbc:StartDate", Node::LineStartDate}, {"cbc:EndDate", Node::LineEndDate}});
        break;
    case Node::LineItem:
        next.node = pick(name, {{"cbc:Description", Node::ItemDescription},
                                {"cbc:Name", Node::ItemName},
                                {"cac:SellersItemIdentification", Node::LineItemId},
                                {"cac:ClassifiedTaxCategory", Node::LineTaxCategory}});
        break;
    case Node::LineItemId:
        next.node = pick(name, {{"cbc:ID", Node::ItemNumber}});
        break;
    case Node::LineTaxCategory:
        next.node = pick(name, {{"cbc:ID", Node::LineTaxCategoryId},
                                {"cbc:Percent", Node::LineVatPercent},
                                {"cac:TaxScheme", Node::LineTaxScheme}});
        break;
    case Node::LineTaxScheme:
        next.node = pick(name, {{"cbc:ID", Node::LineTaxSchemeId}});
        break;
    case Node::LinePrice:
        next.node =
            pick(name, {{"cbc:PriceAmount", Node::UnitPrice}, {"cbc:BaseQuantity", Node::BaseQuantity}});
        break;
    default:
        break; // a rule's element holds nothing further to read
    }
    return next;
}

bool hasData(std::string_view text) {
    return text.find_first_not_of(" \t\r\n") != std::string_view::npos;
}

std::string_view localName(std::string_view qualifiedName) {
    const std::size_t colon = qualifiedName.find(':');
    return colon == std::string_view::npos ? qualifiedName : qualifiedName.substr(colon + 1);
}

// The value of the element's attribute of that name, "" when it has none.
std::string_view attribute(const XmlNode* element, std::string_view name) {
    for (std::size_t i = 0; i < xml::attributeCount(element); ++i)
        if (xml::attributeName(element, i) == name)
            return xml::attributeValue(element, i);
    return {};
}

// The first child element of that local name, or nullptr.
const XmlNode* childNamed(const XmlNode* parent, std::string_view name) {
    for (const XmlNode* child = xml::firstChild(parent); child != nullptr; child = xml::nextSibling(child))
        if (xml::nodeKind(child) == static_cast<int>(xml::NodeKind::Element) &&
            localName(xml::nodeName(child)) == name)
            return child;
    return nullptr;
}

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// The namespace declarations in scope at the level being walked, each with
// the prefix the rules know its names by ("cbc", "cac", "" for any other).
class Namespaces {
public:
    struct Binding {
        std::string_view prefix;
        std::string_view uri;
        std::string_view rulePrefix;
    };

    // The element's own declarations (xmlns, xmlns:p) join those of its
    // ancestors; those of its earlier siblings are gone.
    void enter(int level, const XmlNode* element) {
        bindings_.resize(level == 0 ? 0 : sizeAt_[static_cast<std::size_t>(level - 1)]);
        for (std::size_t i = 0; i < xml::attributeCount(element); ++i) {
            const std::string_view name = xml::attributeName(element, i);
            if (name == "xmlns" || name.starts_with("xmlns:")) {
                const std::string_view uri = xml::attributeValue(element, i);
                bindings_.push_back({name.substr(name.size() == 5 ? 5 : 6), uri,
                                     uri == basicNamespace       ? "cbc"
                                     : uri == aggregateNamespace ? "cac"
                                                                 : ""});
            }
        }
        sizeAt_[static_cast<std::size_t>(level)] = bindings_.size();
    }
    // The declaration a qualified name's prefix stands for; an empty one
    // when the prefix is not declared.
    Binding of(std::string_view qualifiedName) const {
        const std::size_t colon = qualifiedName.find(':');
        const std::string_view prefix =
            colon == std::string_view::npos ? std::string_view() : qualifiedName.substr(0, colon);
        for (auto it = bindings_.rbegin(); it != bindings_.rend(); ++it)
            if (it->prefix == prefix)
                return *it;
        return {};
    }

private:
    std::vector<Binding> bindings_;
    std::array<std::size_t, deepestLevel + 1> sizeAt_{};
};

// The name the rules know an element by: "cbc:" or "cac:" and its local name
// when it stands in the namespace of the basic or the aggregate components,
// whatever prefix the file gives it; "" in any other namespace.
std::string_view ruleName(std::string_view qualifiedName, const Namespaces& namespaces, std::string& buffer) {
    const Namespaces::Binding binding = namespaces.of(qualifiedName);
    if (binding.rulePrefix.empty())
        return {};
    if (binding.prefix == binding.rulePrefix)
        return qualifiedName;
    buffer.assign(binding.rulePrefix).append(":").append(localName(qualifiedName));
    return buffer;
}

// Why a file is not read: its document element is not a UBL 2.1 invoice or
// credit note. "" when it is one.
std::string refusalOf(const XmlNode* root) {
    Namespaces namespaces;
    namespaces.enter(0, root);
    const std::string_view name = xml::nodeName(root);
    const std::string_view uri = namespaces.of(name).uri;
    const std::string_view local = localName(name);
    if ((local == "Invoice" && uri == invoiceNamespace) ||
        (local == "CreditNote" && uri == creditNoteNamespace))
        return {};
    const std::string onlyUbl = " Tallomir liest nur Rechnungen und Gutschriften in der Syntax UBL 2.1.";
    if (local == "CrossIndustryInvoice")
        return "Die Datei ist eine Rechnung in der Syntax UN/CEFACT CII (CrossIndustryInvoice)." + onlyUbl;
    return "Die Datei ist keine UBL-Rechnung: ihr Wurzelelement ist \u201E" + std::string(name) + "\u201C" +
           (uri.empty() ? std::string(" ohne Namensraum") : " im Namensraum " + std::string(uri)) + "." +
           onlyUbl;
}

constexpr const char* doctypeRefusal =
    "Die Datei enthält eine Dokumenttyp-Deklaration (DOCTYPE). Rechnungen "
    "brauchen keine; eine solche Datei wird zum Schutz vor eingeschleusten "
    "Inhalten nicht gelesen.";

// What the walk writes to, besides the document.
struct Target {
    explicit Target(DocumentState& documentState) : state(documentState) {}

    DocumentState& state;
    // every allowance or charge of the file; which one the form edits is
    // decided after the walk
    std::vector<AllowanceCharge> allowances;
    std::ptrdiff_t currentLine = -1;
    std::ptrdiff_t currentEntry = -1;
    // Each record (line, subtotal, allowance) has its own number; a rule
    // takes a text only once per record (the document and each party are one
    // record each).
    std::uint32_t lineRecord = 0;
    std::uint32_t entryRecord = 0;
    std::uint32_t allowanceRecord = 0;
    std::array<std::uint32_t, 2 * nodeCount> takenIn{};
    // the block being walked, for the totals the file states
    std::string_view block;
    int blockPlace = 0;
    std::vector<StatedTotal> totals;

    tallomir::LineItem* line() {
        return currentLine < 0 ? nullptr : &state.lines[static_cast<std::size_t>(currentLine)];
    }
    VatBreakdownEntry* entry() {
        return currentEntry < 0 ? nullptr : &state.vatBreakdown[static_cast<std::size_t>(currentEntry)];
    }
    AllowanceCharge* allowance() { return allowances.empty() ? nullptr : &allowances.back(); }

    // False when the rule already took a text in the current record.
    bool firstInRecord(State where) {
        const Node node = where.node;
        std::uint32_t record = 1;
        if (between(node, Node::FirstLineRule, Node::LastLineRule))
            record = lineRecord;
        else if (between(node, Node::FirstSubtotalRule, Node::LastSubtotalRule))
            record = entryRecord;
        else if (between(node, Node::FirstAllowanceRule, Node::LastAllowanceRule))
            record = allowanceRecord;
        std::uint32_t& taken =
            takenIn[static_cast<std::size_t>(node) + (where.customer ? nodeCount : std::size_t{0})];
        if (taken == record)
            return false;
        taken = record;
        return true;
    }

    void stateTotal(const char* label, std::string_view text, std::string_view element) {
        totals.push_back(
            {label,
             std::string(text),
             {},
             std::string(block) + "[" + std::to_string(blockPlace) + "]/" + std::string(element)});
    }
};

void setLine(Target& target, std::string tallomir::LineItem::*field, std::string_view text) {
    if (tallomir::LineItem* line = target.line())
        (line->*field).assign(text);
}

void setEntry(Target& target, std::string VatBreakdownEntry::*field, std::string_view text) {
    if (VatBreakdownEntry* entry = target.entry())
        (entry->*field).assign(text);
}

void setAllowance(Target& target, std::string AllowanceCharge::*field, std::string_view text) {
    if (AllowanceCharge* allowance = target.allowance())
        (allowance->*field).assign(text);
}

// Takes the element's text into the document; false when the rule does not
// take it (a repeated value, a foreign identifier), so that it is recorded.
bool apply(Target& target, State where, std::string_view text, const XmlNode* element) {
    if (where.node == Node::Taken || text.empty())
        return true; // nothing of its own to take
    if (!target.firstInRecord(where))
        return false;
    DocumentState& state = target.state;
    InvoiceDocument& doc = state.doc;
    PartyFields& party = where.customer ? doc.customer : doc.supplier;
    switch (where.node) {
    case Node::CustomizationId:
        // The version the file names; a file that names neither keeps the one
        // shown. An identifier the program does not write (an extension's) is
        // lost, since the program writes its own.
        if (const std::optional<XRechnungVersion> version = versionNamedBy(text))
            state.xrechnungVersion = *version;
        return isWrittenCustomizationId(trimmed(text));
    case Node::ProfileId:
        return isWrittenProfileId(trimmed(text));
    case Node::DocumentNumber:
        doc.documentNumber.assign(text);
        break;
    case Node::IssueDate:
        doc.issueDate.assign(withoutTimeZone(text));
        break;
    case Node::DueDate:
        doc.dueDate.assign(withoutTimeZone(text));
        break;
    case Node::HeaderDeliveryDate:
        doc.deliveryDate.assign(withoutTimeZone(text));
        break;
    case Node::TypeCode:
        doc.documentTypeCode.assign(text);
        break;
    case Node::DocumentCurrency:
        doc.loadedDocumentCurrency.assign(text);
        state.documentCurrency.assign(text);
        break;
    case Node::TaxCurrency:
        doc.loadedTaxCurrency.assign(text);
        break;
    case Node::BuyerReference:
        doc.buyerReference.assign(text);
        break;
    case Node::Note:
        doc.note.assign(text);
        break;
    case Node::PeriodStart:
        doc.periodStart.assign(withoutTimeZone(text));
        break;
    case Node::PeriodEnd:
        doc.periodEnd.assign(withoutTimeZone(text));
        break;
    case Node::OrderNumber:
        doc.orderNumber.assign(text);
        break;
    case Node::SalesOrderNumber:
        doc.salesOrderNumber.assign(text);
        break;
    case Node::PrecedingInvoiceNumber:
        doc.precedingInvoiceNumber.assign(text);
        break;
    case Node::PrecedingInvoiceDate:
        doc.precedingInvoiceDate.assign(withoutTimeZone(text));
        break;
    case Node::ContractNumber:
        doc.contractNumber.assign(text);
        break;
    case Node::ProjectNumber:
        doc.projectNumber.assign(text);
        break;

    case Node::PartyId:
        party.partyId.assign(text);
        break;
    case Node::PartyNameText:
        party.name.assign(text);
        break;
    case Node::Street:
        party.street.assign(text);
        break;
    case Node::City:
        party.city.assign(text);
        break;
    case Node::PostalCode:
        party.postalCode.assign(text);
        break;
    case Node::CountryCode:
        party.countryCode.assign(text);
        break;
    case Node::EndpointId:
        party.endpointId.assign(text);
        party.endpointScheme.assign(attribute(element, "schemeID"));
        break;
    case Node::RegistrationName:
        party.registrationName.assign(text);
        break;
    case Node::RegistrationId:
        party.registrationId.assign(text);
        break;
    case Node::LegalForm:
        party.legalForm.assign(text);
        break;
    case Node::ContactName:
        party.contactName.assign(text);
        break;
    case Node::Phone:
        party.phone.assign(text);
        break;
    case Node::Email:
        party.email.assign(text);
        break;

    case Node::DeliveryDate:
        doc.deliveryDate = withoutTimeZone(text);
        break;
    case Node::DeliveryStreet:
        doc.delivery.street.assign(text);
        break;
    case Node::DeliveryCity:
        doc.delivery.city.assign(text);
        break;
    case Node::DeliveryPostalCode:
        doc.delivery.postalCode.assign(text);
        break;
    case Node::DeliveryCountryCode:
        doc.delivery.countryCode.assign(text);
        break;
    case Node::DeliveryName:
        doc.delivery.name.assign(text);
        break;

    case Node::PaymentMeansCode:
        doc.paymentMeansCode.assign(text);
        break;
    case Node::PaymentDueDate:
        doc.dueDate.assign(withoutTimeZone(text));
        break;
    case Node::Iban:
        doc.iban.assign(text);
        break;
    case Node::BankName:
        doc.bankName.assign(text);
        break;
    case Node::Bic:
        doc.bic.assign(text);
        break;
    case Node::CreditorId:
        doc.creditorId.assign(text);
        break;
    case Node::CardNumber:
        doc.cardNumber.assign(text);
        break;
    case Node::CardNetwork:
        doc.cardNetwork.assign(text);
        break;
    case Node::CardHolder:
        doc.cardHolder.assign(text);
        break;
    case Node::MandateReference:
        doc.mandateReference.assign(text);
        break;
    case Node::DebitedIban:
        doc.debitedIban.assign(text);
        break;
    case Node::PaymentTermsText:
        doc.paymentTerms.assign(text);
        break;

    case Node::ChargeIndicator: {
        // Kept in one form, "true" or "false"; an unreadable indicator is named.
        const std::optional<bool> charge = readChargeIndicator(text);
        if (!charge)
            return false;
        setAllowance(target, &AllowanceCharge::chargeIndicator, *charge ? "true" : "false");
        break;
    }
    case Node::AllowanceReasonCode:
        setAllowance(target, &AllowanceCharge::reasonCode, text);
        break;
    case Node::AllowanceReason:
        setAllowance(target, &AllowanceCharge::reason, text);
        break;
    case Node::AllowancePercent:
        setAllowance(target, &AllowanceCharge::percent, text);
        break;
    case Node::AllowanceAmount:
        setAllowance(target, &AllowanceCharge::amount, text);
        break;
    case Node::AllowanceBaseAmount:
        setAllowance(target, &AllowanceCharge::baseAmount, text);
        break;
    case Node::AllowanceTaxCategoryId:
        setAllowance(target, &AllowanceCharge::taxCategory, text);
        break;
    case Node::AllowanceTaxPercent:
        setAllowance(target, &AllowanceCharge::taxPercent, text);
        break;
    case Node::AllowanceTaxSchemeId:
        setAllowance(target, &AllowanceCharge::taxScheme, text);
        break;

    case Node::TaxTotalAmount:
        doc.taxTotalAmount.assign(text);
        target.stateTotal("USt. gesamt", text, "TaxAmount");
        break;
    case Node::TaxCurrencyAmount:
        doc.taxCurrencyTaxAmount.assign(text);
        break;
    case Node::SubtotalTaxableAmount:
        setEntry(target, &VatBreakdownEntry::taxableAmount, text);
        break;
    case Node::SubtotalTaxAmount:
        setEntry(target, &VatBreakdownEntry::taxAmount, text);
        break;
    case Node::SubtotalCategoryId:
        state.documentTaxCategory.assign(text);
        doc.taxCategoryCode.assign(text);
        setEntry(target, &VatBreakdownEntry::categoryCode, text);
        break;
    case Node::SubtotalPercent:
        setEntry(target, &VatBreakdownEntry::ratePercent, text);
        break;
    case Node::SubtotalExemptionReason:
        setEntry(target, &VatBreakdownEntry::exemptionReason, text);
        break;
    case Node::SubtotalExemptionReasonCode:
        setEntry(target, &VatBreakdownEntry::exemptionReasonCode, text);
        break;
    case Node::SubtotalSchemeId:
        setEntry(target, &VatBreakdownEntry::schemeId, text);
        break;

    case Node::LineExtensionAmount:
        target.stateTotal("Summe der Positionen", text, "LineExtensionAmount");
        break;
    case Node::TaxExclusiveAmount:
        target.stateTotal("Nettobetrag", text, "TaxExclusiveAmount");
        break;
    case Node::TaxInclusiveAmount:
        target.stateTotal("Bruttobetrag", text, "TaxInclusiveAmount");
        break;
    case Node::AllowanceTotalAmount:
        target.stateTotal("Summe der Nachlässe", text, "AllowanceTotalAmount");
        break;
    case Node::ChargeTotalAmount:
        target.stateTotal("Summe der Zuschläge", text, "ChargeTotalAmount");
        break;
    case Node::PrepaidAmount:
        doc.prepaidAmount.assign(text);
        break;
    case Node::RoundingAmount:
        doc.roundingAmount.assign(text);
        break;
    case Node::PayableAmount:
        target.stateTotal("Zahlbetrag", text, "PayableAmount");
        break;

    case Node::LinePosition:
        setLine(target, &tallomir::LineItem::position, text);
        break;
    case Node::LineNote:
        setLine(target, &tallomir::LineItem::lineNote, text);
        break;
    case Node::LineQuantity:
        setLine(target, &tallomir::LineItem::quantity, text);
        setLine(target, &tallomir::LineItem::unitCode, attribute(element, "unitCode"));
        break;
    case Node::LineNetAmount:
        setLine(target, &tallomir::LineItem::lineNetAmount, text);
        break;
    case Node::LineStartDate:
        setLine(target, &tallomir::LineItem::lineStartDate, withoutTimeZone(text));
        break;
    case Node::LineEndDate:
        setLine(target, &tallomir::LineItem::lineEndDate, withoutTimeZone(text));
        break;
    case Node::ItemDescription:
        setLine(target, &tallomir::LineItem::itemDescription, text);
        break;
    case Node::ItemName:
        setLine(target, &tallomir::LineItem::itemName, text);
        break;
    case Node::ItemNumber:
        setLine(target, &tallomir::LineItem::itemNumber, text);
        break;
    case Node::LineTaxCategoryId:
        setLine(target, &tallomir::LineItem::lineTaxCategory, text);
        break;
    case Node::LineVatPercent:
        setLine(target, &tallomir::LineItem::lineVatPercent, text);
        break;
    case Node::LineTaxSchemeId:
        setLine(target, &tallomir::LineItem::lineTaxScheme, text);
        break;
    case Node::UnitPrice:
        setLine(target, &tallomir::LineItem::unitPrice, text);
        break;
    case Node::BaseQuantity:
        setLine(target, &tallomir::LineItem::baseQuantity, text);
        break;
    default:
        break;
    }
    return true;
}

// A party's tax scheme: the number under "VAT" is the VAT identifier, under
// any other scheme the tax number ("FC" for the German Steuernummer). False
// when the party already has that number.
bool readPartyTaxScheme(PartyFields& party, const XmlNode* block) {
    const std::string_view number = xml::nodeText(childNamed(block, "CompanyID"));
    const std::string_view scheme = trimmed(xml::nodeText(childNamed(childNamed(block, "TaxScheme"), "ID")));
    std::string& field = scheme.empty() || scheme == "VAT" ? party.vatId : party.taxNumber;
    if (number.empty())
        return true;
    if (!field.empty())
        return false;
    field.assign(number);
    if (&field == &party.taxNumber && scheme != taxNumberScheme)
        party.taxNumberScheme.assign(scheme);
    return true;
}

// Entering an element: a record begins with its line, subtotal or allowance
// element; some blocks are judged as a whole before they are walked. Gives
// the state the element keeps, Dead when nothing in it is taken.
Node enter(Target& target, State where, const XmlNode* element) {
    DocumentState& state = target.state;
    switch (where.node) {
    case Node::Line:
        state.lines.emplace_back();
        target.currentLine = static_cast<std::ptrdiff_t>(state.lines.size()) - 1;
        ++target.lineRecord;
        break;
    case Node::TaxSubtotal: {
        VatBreakdownEntry& entry = state.vatBreakdown.emplace_back();
        entry.documentTaxTotal = state.doc.taxTotalAmount;
        target.currentEntry = static_cast<std::ptrdiff_t>(state.vatBreakdown.size()) - 1;
        ++target.entryRecord;
        break;
    }
    case Node::AllowanceCharge:
        target.allowances.emplace_back();
        ++target.allowanceRecord;
        break;
    case Node::AdditionalReference:
        // Only the project reference is read; attachments and other
        // references are not.
        if (trimmed(xml::nodeText(childNamed(element, "DocumentTypeCode"))) != projectReferenceType)
            return Node::Dead;
        break;
    case Node::PartyTaxScheme:
        if (!readPartyTaxScheme(where.customer ? state.doc.customer : state.doc.supplier, element))
            return Node::Dead;
        break;
    case Node::PartyId:
        // The seller's identifier in the SEPA scheme is the creditor
        // identifier of a direct debit.
        if (!where.customer && trimmed(attribute(element, "schemeID")) == "SEPA")
            return Node::CreditorId;
        break;
    case Node::BillingReference:
        // The first preceding invoice is read whole; a further one is not
        // mixed into it.
        if (!state.doc.precedingInvoiceNumber.empty() || !state.doc.precedingInvoiceDate.empty())
            return Node::Dead;
        break;
    case Node::TaxTotal: {
        // The total in the VAT accounting currency, when that is not the
        // document's.
        const std::string_view currency = attribute(childNamed(element, "TaxAmount"), "currencyID");
        const std::string& taxCurrency = state.doc.loadedTaxCurrency;
        if (!currency.empty() && currency == taxCurrency && taxCurrency != state.documentCurrency)
            return Node::TaxCurrencyTotal;
        break;
    }
    default:
        break;
    }
    return where.node;
}

// The attribute is a value a rule takes together with its element: the
// currency of an amount, the unit of a quantity, the scheme of an electronic
// address or of the creditor identifier.
bool takenWith(Node node, std::string_view attributeName) {
    if (attributeName == "currencyID")
        return isRule(node);
    if (attributeName == "unitCode")
        return node == Node::LineQuantity || node == Node::BaseQuantity;
    if (attributeName == "schemeID")
        return node == Node::EndpointId || node == Node::CreditorId;
    return false;
}

// The walk over the file, and what it found no rule for.
struct Walk {
    explicit Walk(DocumentState& state) : target(state) {}

    Target target;
    std::vector<Unconsumed> unconsumed;
    BlockCounts counts;
    // The block below the document element being walked: its element, the
    // records made in it, whether a rule took anything, which line it is (or -1).
    const XmlNode* blockNode = nullptr;
    std::size_t blockRecords = 0;
    bool blockTook = false;
    std::ptrdiff_t blockLine = -1;

    void record(const XmlNode* node, std::string_view attributeName = {}) {
        unconsumed.push_back({node, attributeName, target.block, target.blockPlace, blockLine});
    }

    void recordAttributes(Node node, const XmlNode* element) {
        for (std::size_t i = 0; i < xml::attributeCount(element); ++i) {
            const std::string_view name = xml::attributeName(element, i);
            if (isDataAttribute(name) && !takenWith(node, name) && hasData(xml::attributeValue(element, i)))
                record(element, name);
        }
    }

    // A block of which no rule took anything is not carried as a whole: its
    // records become one.
    void endBlock() {
        if (blockNode != nullptr && !blockTook && unconsumed.size() > blockRecords) {
            unconsumed.resize(blockRecords);
            record(blockNode);
        }
    }

    void run(const XmlNode* root) {
        Namespaces namespaces;
        namespaces.enter(0, root);
        std::string buffer;
        // stateAt[level] is the state of the element open at that level;
        // cursor[level] the element visited next at that level.
        std::array<State, deepestLevel + 1> stateAt{};
        std::array<const XmlNode*, deepestLevel + 1> cursor{};
        stateAt[0].node = Node::Document;
        int level = 1;
        cursor[1] = xml::firstChild(root);
        while (level > 0) {
            const XmlNode* node = cursor[level];
            if (node == nullptr) {
                --level; // that level's cursor already stands on the next sibling
                continue;
            }
            cursor[level] = xml::nextSibling(node);
            if (xml::nodeKind(node) != static_cast<int>(xml::NodeKind::Element))
                continue; // comments, CDATA sections and the like, with all they hold
            namespaces.enter(level, node);
            if (level == 1) {
                endBlock();
                const auto found = counts.try_emplace(std::string(localName(xml::nodeName(node))), 0).first;
                target.block = found->first;
                target.blockPlace = ++found->second;
                blockNode = node;
                blockRecords = unconsumed.size();
                blockTook = false;
                blockLine = -1;
            }
            const std::string_view name = ruleName(xml::nodeName(node), namespaces, buffer);
            State where = name.empty() ? State{} : step(stateAt[static_cast<std::size_t>(level - 1)], name);
            where.node = enter(target, where, node);
            if (where.node == Node::Line)
                blockLine = target.currentLine;
            if (where.node == Node::Dead) {
                record(node);
                continue;
            }
            if (isRule(where.node)) {
                // Every line break as one LF, as a parser gives it.
                const std::string_view text = xml::nodeText(node);
                const bool taken = text.find('\r') == std::string_view::npos
                                       ? apply(target, where, text, node)
                                       : apply(target, where, multiLineText(text), node);
                if (!taken) {
                    record(node);
                    continue;
                }
                blockTook = blockTook || hasData(text);
            }
            recordAttributes(where.node, node);
            if (level < deepestLevel && xml::firstChild(node) != nullptr) {
                stateAt[static_cast<std::size_t>(level)] = where;
                ++level;
                cursor[static_cast<std::size_t>(level)] = xml::firstChild(node);
            }
        }
        endBlock();
    }
};

// The allowance or charge the form edits: the first one with a reason, with
// the further parts of its percentage split over the groups (same reason and
// percentage); every other one is carried as it was read.
void takeAllowances(InvoiceDocument& doc, std::vector<AllowanceCharge>& allowances) {
    const auto editable = std::find_if(allowances.begin(), allowances.end(),
                                       [](const AllowanceCharge& entry) { return !entry.reason.empty(); });
    if (editable != allowances.end()) {
        doc.chargeIndicator = editable->chargeIndicator;
        doc.allowanceReasonCode = editable->reasonCode;
        doc.allowanceReason = editable->reason;
        doc.allowancePercent = editable->percent;
        doc.allowanceAmount = editable->amount;
        doc.allowanceBaseAmount = editable->baseAmount;
        doc.allowanceTaxCategory = editable->taxCategory;
        doc.allowanceTaxPercent = editable->taxPercent;
        doc.allowanceTaxScheme = editable->taxScheme;
        allowances.erase(editable);
        std::erase_if(allowances, [&](const AllowanceCharge& entry) {
            return !doc.allowancePercent.empty() && entry.percent == doc.allowancePercent &&
                   entry.reason == doc.allowanceReason && entry.reasonCode == doc.allowanceReasonCode;
        });
    }
    doc.furtherAllowances = std::move(allowances);
}

// The signed allowance/charge working values from the loaded texts. Without a
// reason the document has no allowance or charge, and none of the previous
// document may linger in the totals.
void takeAllowanceFromDocument(DocumentState& state) {
    AmountState& amounts = state.amounts;
    const InvoiceDocument& doc = state.doc;
    if (doc.allowanceReason.empty()) {
        amounts.allowanceValue = Decimal();
        amounts.allowancePercentValue = Decimal();
        amounts.allowanceRate = Decimal();
        amounts.allowanceRateChosen = false;
        return;
    }
    const bool allowance = readChargeIndicator(doc.chargeIndicator) == false;
    const Decimal value = parseDecimal(doc.allowanceAmount);
    const Decimal percent = parseDecimal(doc.allowancePercent);
    amounts.allowanceValue = allowance ? -value : value;
    amounts.allowancePercentValue = allowance ? -percent : percent;
    amounts.allowanceRate = parseDecimal(doc.allowanceTaxPercent);
    amounts.allowanceRateChosen = !doc.allowanceTaxCategory.empty();
}

// What the breakdown read from the file keeps when it is computed anew from
// the lines: each category's exemption reason; and the "Steuerkennung" that
// new lines take, the category most lines have.
void takeCategoriesFromDocument(DocumentState& state) {
    for (const VatBreakdownEntry& entry : state.vatBreakdown) {
        if (!entry.exemptionReason.empty())
            state.exemptionReasons[entry.categoryCode] = entry.exemptionReason;
        if (!entry.exemptionReasonCode.empty())
            state.exemptionReasonCodes[entry.categoryCode] = entry.exemptionReasonCode;
    }
    std::map<std::string, std::size_t> count;
    for (const tallomir::LineItem& line : state.lines)
        ++count[line.lineTaxCategory];
    const auto most = std::max_element(count.begin(), count.end(),
                                       [](const auto& a, const auto& b) { return a.second < b.second; });
    if (most != count.end() && !most->first.empty())
        state.documentTaxCategory = most->first;
}

// The totals the file states beside the ones computed from what was read.
void compareTotals(const DocumentState& state, std::vector<StatedTotal>& totals) {
    const InvoiceDocument& doc = state.doc;
    const std::pair<std::string_view, const std::string*> computed[] = {
        {"Summe der Positionen", &doc.lineExtensionAmount},
        {"Nettobetrag", &doc.taxExclusiveAmount},
        {"Bruttobetrag", &doc.taxInclusiveAmount},
        {"Summe der Nachlässe", &doc.allowanceTotalAmount},
        {"Summe der Zuschläge", &doc.chargeTotalAmount},
        {"Zahlbetrag", &doc.payableAmount},
        {"USt. gesamt", &doc.taxTotalAmount},
    };
    for (StatedTotal& total : totals)
        for (const auto& [label, text] : computed)
            if (label == total.label)
                total.computed = *text;
}

void read(DocumentState& state, const XmlNode* root) {
    Walk walk(state);
    walk.run(root);
    takeAllowances(state.doc, walk.target.allowances);
    takeCategoriesFromDocument(state);
    takeAllowanceFromDocument(state);
    recomputeLines(state);
    recomputeTotals(state);
    compareTotals(state, walk.target.totals);
    state.notCarried = describeNotCarried(walk.unconsumed, walk.counts, state, walk.target.totals);
    state.modified = false;
}

std::string parseErrorMessage(const xml::XmlDocument& tree) {
    return "Fehler in der XML Datei:\r"
           "Meldung: " +
           xml::loadErrorMessage(tree) + "\rZeile:   " + std::to_string(xml::loadErrorLine(tree)) +
           "   Zeichen: " + std::to_string(xml::loadErrorColumn(tree));
}

// The file is judged first; only a file that will be loaded replaces the
// document.
LoadOutcome loadParsed(DocumentState& state, const xml::XmlDocument* tree, const std::string* fileName) {
    LoadOutcome outcome;
    if (tree == nullptr)
        return outcome;
    if (xml::hasDoctype(*tree)) {
        outcome.result = LoadOutcome::Result::Refused;
        outcome.message = doctypeRefusal;
        return outcome;
    }
    if (xml::loadStatus(*tree) != 0) {
        outcome.result = LoadOutcome::Result::ParseError;
        outcome.message = parseErrorMessage(*tree);
        return outcome;
    }
    const XmlNode* root = xml::mainElement(*tree);
    outcome.message = refusalOf(root);
    if (!outcome.message.empty()) {
        outcome.result = LoadOutcome::Result::Refused;
        return outcome;
    }
    resetDocument(state);
    if (fileName != nullptr)
        state.currentFileName = *fileName;
    read(state, root);
    outcome.result = LoadOutcome::Result::Loaded;
    return outcome;
}

} // namespace

LoadOutcome loadInvoiceFile(DocumentState& state, const std::string& fileName) {
    const xml::DocumentPtr tree = xml::loadDocument(fileName, xml::Doctypes::Refuse);
    return loadParsed(state, tree.get(), &fileName);
}

LoadOutcome loadInvoiceBytes(DocumentState& state, std::string_view bytes) {
    const xml::DocumentPtr tree = xml::loadDocumentFromBytes(bytes, xml::Doctypes::Refuse);
    return loadParsed(state, tree.get(), nullptr);
}

std::optional<XRechnungVersion> fileVersion(const std::string& fileName) {
    const xml::DocumentPtr tree = xml::loadDocument(fileName, xml::Doctypes::Refuse);
    if (!tree || xml::loadStatus(*tree) != 0 || xml::hasDoctype(*tree))
        return std::nullopt;
    return versionNamedBy(xml::nodeText(childNamed(xml::mainElement(*tree), "CustomizationID")));
}

std::optional<XRechnungVersion> versionNamedBy(std::string_view customizationId) {
    static constexpr std::pair<std::string_view, XRechnungVersion> ids[] = {
        {"urn:cen.eu:en16931:2017#compliant#urn:xoev-de:kosit:standard:xrechnung_2.1",
         XRechnungVersion::V2_1_1},
        {"urn:cen.eu:en16931:2017#conformant#urn:xoev-de:kosit:extension:xrechnung_2.1",
         XRechnungVersion::V2_1_1},
        {"urn:cen.eu:en16931:2017#compliant#urn:xeinkauf.de:kosit:xrechnung_3.0", XRechnungVersion::V3_0},
        {"urn:cen.eu:en16931:2017#conformant#urn:xeinkauf.de:kosit:extension:xrechnung_3.0",
         XRechnungVersion::V3_0},
    };
    for (const auto& [id, version] : ids)
        if (trimmed(customizationId) == id)
            return version;
    return std::nullopt;
}

std::optional<bool> readChargeIndicator(std::string_view text) {
    const std::string_view value = trimmed(text);
    if (value == "true" || value == "1")
        return true;
    if (value == "false" || value == "0")
        return false;
    return std::nullopt;
}

} // namespace tallomir::ubl
