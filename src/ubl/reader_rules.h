// The internals the reader's walk (reader.cpp) shares with its rules
// (reader_rules.cpp): the states an element can stand in, what the walk
// writes to, and the rules that lead from state to state and take texts.

#pragma once

#include "invoice/model.h"
#include "ubl/not_carried.h"
#include "xml/xml.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tallomir::ubl::reading {

using xml::NodeView;

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

inline bool isRule(Node node) {
    return node >= Node::FirstRule;
}

inline bool between(Node node, Node first, Node last) {
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

// The state of an element with that name (its rule name, "cbc:..." or
// "cac:...") below an element in state `parent`.
State step(State parent, std::string_view name);

// Whether the text holds anything but blanks.
bool hasData(std::string_view text);
// A qualified name without its prefix.
std::string_view localName(std::string_view qualifiedName);
// The text without blanks around it.
std::string_view trimmed(std::string_view text);

// Takes the element's text into the document; false when the rule does not
// take it (a repeated value, a foreign identifier), so that it is recorded.
bool apply(Target& target, State where, std::string_view text, NodeView element);

// Entering an element: a record begins with its line, subtotal or allowance
// element; some blocks are judged as a whole before they are walked. Gives
// the state the element keeps, Dead when nothing in it is taken.
Node enter(Target& target, State where, NodeView element);

// The attribute is a value a rule takes together with its element: the
// currency of an amount, the unit of a quantity, the scheme of an electronic
// address or of the creditor identifier.
bool takenWith(Node node, std::string_view attributeName);

} // namespace tallomir::ubl::reading
