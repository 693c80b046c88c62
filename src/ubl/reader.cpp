// Loading a UBL invoice or credit note into the document.
//
// The tree is walked once, depth first, in the order of the start tags. Each
// element is recognised by the exact qualified names of itself and of its
// ancestors below the document element. Instead of comparing a table of paths
// for every element, the walk carries one small state per level: the state of
// an element follows from its parent's state and its own name. A state that
// ends a mapping rule is passed on unchanged to everything nested inside the
// element, so a rule fires for its element and for all elements within it,
// each time with the text of the element visited. A subtree whose names lead
// nowhere is skipped as a whole; elements below level 10 match nothing.

#include "ubl/reader.h"
#include "ubl/writer.h"

#include "invoice/amounts.h"
#include "invoice/dates.h"
#include "invoice/input_rules.h"

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
// FirstRule on is the end of a mapping rule and names what it sets.
enum class Node : std::uint8_t {
    Dead, // matches nothing, neither itself nor anything inside
    Document,
    InvoicePeriod,
    OrderReference,
    BillingReference,
    PrecedingInvoice,
    ContractReference,
    ProjectReference,
    AdditionalReference,
    SupplierParty,
    CustomerParty,
    Party,
    PartyIdentification,
    PartyName,
    PostalAddress,
    PartyCountry,
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
    CardAccount,
    PaymentMandate,
    PayerAccount,
    PayeeBranch,
    PaymentTerms,
    AllowanceCharge,
    AllowanceTaxCategory,
    AllowanceTaxScheme,
    TaxTotal,
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
    DocumentNumber = FirstRule,
    CustomizationId,
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
    AdditionalReferenceId,
    AdditionalReferenceType,

    PartyId,
    PartyNameText,
    Street,
    City,
    PostalCode,
    CountryCode,
    PartyTaxSchemeBlock, // read as a whole: the number's scheme follows the number
    EndpointId,
    RegistrationName,
    RegistrationId,
    LegalForm,
    ContactName,
    Phone,
    Email,

    DeliveryDate,
    DeliveryStreet,
    DeliveryCity,
    DeliveryPostalCode,
    DeliveryCountryCode,
    DeliveryName,

    PaymentMeansCode,
    CardNumber,
    CardNetwork,
    CardHolder,
    MandateReference,
    DebitedIban,
    PaymentDueDate,
    Iban,
    BankName,
    Bic,
    PaymentTermsText,

    ChargeIndicator,
    AllowanceReason,
    AllowancePercent,
    AllowanceAmount,
    AllowanceBaseAmount,
    AllowanceTaxCategoryId,
    AllowanceTaxPercent,
    AllowanceTaxSchemeId,

    TaxTotalAmount,
    SubtotalStart,
    SubtotalTaxAmount,
    SubtotalCategoryId,
    SubtotalPercent,
    SubtotalExemptionReason,
    SubtotalExemptionReasonCode,
    SubtotalSchemeId,

    LineExtensionAmount,
    TaxExclusiveAmount,
    TaxInclusiveAmount,
    PrepaidAmount,
    PayableAmount,

    LineStart,
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
};

// The credit note has no element of its own for the project reference: it
// stands in an additional document reference with this type code.
constexpr std::string_view projectReferenceType = "50";

bool isRule(Node node) {
    return node >= Node::FirstRule;
}

// The state of an element together with the party its party rules write to.
struct State {
    Node node = Node::Dead;
    bool customer = false;
};

// The deepest level that takes part in matching (the document element is 0).
constexpr int deepestLevel = 10;

using Edge = std::pair<std::string_view, Node>;

Node pick(std::string_view name, std::initializer_list<Edge> edges) {
    for (const Edge& edge : edges)
        if (edge.first == name)
            return edge.second;
    return Node::Dead;
}

State step(State parent, std::string_view name) {
    if (isRule(parent.node))
        return parent;
    State next{Node::Dead, parent.customer};
    switch (parent.node) {
    case Node::Document:
        next.node = pick(name, {{"cbc:CustomizationID", Node::CustomizationId},
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
        next.node = pick(name, {{"cbc:ID", Node::AdditionalReferenceId},
                                {"cbc:DocumentTypeCode", Node::AdditionalReferenceType}});
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
                                {"cac:PartyTaxScheme", Node::PartyTaxSchemeBlock},
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
    case Node::PaymentTerms:
        next.node = pick(name, {{"cbc:Note", Node::PaymentTermsText}});
        break;
    case Node::AllowanceCharge:
        next.node = pick(name, {{"cbc:ChargeIndicator", Node::ChargeIndicator},
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
    case Node::TaxSubtotal:
        next.node = pick(name, {{"cbc:TaxableAmount", Node::SubtotalStart},
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
                                {"cbc:PrepaidAmount", Node::PrepaidAmount},
                                {"cbc:PayableAmount", Node::PayableAmount}});
        break;
    case Node::Line:
        next.node = pick(name, {{"cbc:ID", Node::LineStart},
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
        next.node = pick(name, {{"cbc:PriceAmount", Node::UnitPrice}});
        break;
    default:
        break;
    }
    return next;
}

// What the walk writes to, besides the document: the entries appended last.
struct Target {
    DocumentState& state;
    // The ID of the additional document reference being read.
    std::string referenceId;
    std::ptrdiff_t currentLineItem = -1;
    std::ptrdiff_t currentVatEntry = -1;

    tallomir::LineItem* line() {
        return currentLineItem < 0 ? nullptr : &state.lines[static_cast<std::size_t>(currentLineItem)];
    }
    VatBreakdownEntry* entry() {
        return currentVatEntry < 0 ? nullptr : &state.vatBreakdown[static_cast<std::size_t>(currentVatEntry)];
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

// The value of an element's attribute; "" when it has none of that name.
std::string_view attributeOf(const XmlNode* element, std::string_view name) {
    for (std::size_t i = 0; i < xml::attributeCount(element); ++i)
        if (xml::attributeName(element, i) == name)
            return xml::attributeValue(element, i);
    return {};
}

// A line's unit is the unitCode attribute of its quantity, kept whatever it is.
void takeUnitCode(Target& target, const XmlNode* quantity) {
    for (std::size_t i = 0; i < xml::attributeCount(quantity); ++i)
        if (xml::attributeName(quantity, i) == "unitCode")
            setLine(target, &tallomir::LineItem::unitCode, xml::attributeValue(quantity, i));
}

void apply(Target& target, State where, std::string_view text) {
    DocumentState& state = target.state;
    InvoiceDocument& doc = state.doc;
    PartyFields& party = where.customer ? doc.customer : doc.supplier;
    switch (where.node) {
    case Node::DocumentNumber:
        doc.documentNumber.assign(text);
        break;
    case Node::CustomizationId:
        // The version the file names; a file that names neither keeps the one shown.
        for (const XRechnungVersion version : {XRechnungVersion::V2_1_1, XRechnungVersion::V3_0})
            if (text == customizationIdOf(version))
                state.xrechnungVersion = version;
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
    case Node::AdditionalReferenceId:
        target.referenceId.assign(text);
        break;
    case Node::AdditionalReferenceType:
        if (text == projectReferenceType)
            doc.projectNumber = target.referenceId;
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
    case Node::PaymentTermsText:
        doc.paymentTerms.assign(text);
        break;

    case Node::ChargeIndicator:
        doc.chargeIndicator.assign(text);
        break;
    case Node::AllowanceReason:
        doc.allowanceReason.assign(text);
        break;
    case Node::AllowancePercent:
        doc.allowancePercent.assign(text);
        break;
    case Node::AllowanceAmount:
        doc.allowanceAmount.assign(text);
        break;
    case Node::AllowanceBaseAmount:
        doc.allowanceBaseAmount.assign(text);
        break;
    case Node::AllowanceTaxCategoryId:
        doc.allowanceTaxCategory.assign(text);
        break;
    case Node::AllowanceTaxPercent:
        doc.allowanceTaxPercent.assign(text);
        break;
    case Node::AllowanceTaxSchemeId:
        doc.allowanceTaxScheme.assign(text);
        break;

    case Node::TaxTotalAmount:
        doc.taxTotalAmount.assign(text);
        break;
    case Node::SubtotalStart: {
        VatBreakdownEntry& entry = state.vatBreakdown.emplace_back();
        entry.documentTaxTotal = doc.taxTotalAmount;
        entry.taxableAmount.assign(text);
        target.currentVatEntry = static_cast<std::ptrdiff_t>(state.vatBreakdown.size()) - 1;
        break;
    }
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
        doc.lineExtensionAmount.assign(text);
        break;
    case Node::TaxExclusiveAmount:
        doc.taxExclusiveAmount.assign(text);
        break;
    case Node::TaxInclusiveAmount:
        doc.taxInclusiveAmount.assign(text);
        break;
    case Node::PrepaidAmount:
        doc.prepaidAmount.assign(text);
        break;
    case Node::PayableAmount:
        doc.payableAmount.assign(text);
        break;

    case Node::LineStart: {
        tallomir::LineItem& line = state.lines.emplace_back();
        line.position.assign(text);
        target.currentLineItem = static_cast<std::ptrdiff_t>(state.lines.size()) - 1;
        break;
    }
    case Node::LineNote:
        setLine(target, &tallomir::LineItem::lineNote, text);
        break;
    case Node::LineQuantity:
        setLine(target, &tallomir::LineItem::quantity, text);
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
    default:
        break;
    }
}

// The first child element of that name, or nullptr.
const XmlNode* childNamed(const XmlNode* parent, std::string_view name) {
    for (const XmlNode* child = xml::firstChild(parent); child != nullptr; child = xml::nextSibling(child))
        if (xml::nodeKind(child) == static_cast<int>(xml::NodeKind::Element) && xml::nodeName(child) == name)
            return child;
    return nullptr;
}

// A party's tax scheme: the number under "VAT" is the VAT identifier, under
// any other scheme the tax number ("FC" for the German Steuernummer).
void readPartyTaxScheme(PartyFields& party, const XmlNode* block) {
    const std::string_view number = xml::nodeText(childNamed(block, "cbc:CompanyID"));
    const std::string_view scheme = xml::nodeText(childNamed(childNamed(block, "cac:TaxScheme"), "cbc:ID"));
    if (scheme.empty() || scheme == "VAT")
        party.vatId.assign(number);
    else
        party.taxNumber.assign(number);
}

bool isDocumentElementName(std::string_view name) {
    return name == "ubl:Invoice" || name == "Invoice" || name == "ubl:CreditNote" || name == "CreditNote";
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
    const bool allowance = doc.chargeIndicator == "false";
    const Decimal value = parseDecimal(doc.allowanceAmount);
    const Decimal percent = parseDecimal(doc.allowancePercent);
    amounts.allowanceValue = allowance ? -value : value;
    amounts.allowancePercentValue = allowance ? -percent : percent;
    amounts.allowanceRate = parseDecimal(doc.allowanceTaxPercent);
    amounts.allowanceRateChosen = true;
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

void finishLoad(DocumentState& state) {
    takeCategoriesFromDocument(state);
    takeAllowanceFromDocument(state);
    recomputeLines(state);
    recomputeTotals(state);
    state.modified = false;
}

std::string parseErrorMessage(const xml::XmlDocument& tree) {
    return "Fehler in der XML Datei:\r"
           "Meldung: " +
           xml::loadErrorMessage(tree) + "\rZeile:   " + std::to_string(xml::loadErrorLine(tree)) +
           "   Zeichen: " + std::to_string(xml::loadErrorColumn(tree));
}

LoadOutcome loadParsed(DocumentState& state, const xml::XmlDocument* tree) {
    LoadOutcome outcome;
    if (tree == nullptr) {
        outcome.result = LoadOutcome::Result::NoDocument;
    } else if (xml::loadStatus(*tree) != 0) {
        outcome.result = LoadOutcome::Result::ParseError;
        outcome.message = parseErrorMessage(*tree);
    } else {
        outcome.result = LoadOutcome::Result::Loaded;
        walkDocument(state, *tree);
    }
    finishLoad(state);
    return outcome;
}

} // namespace

void walkDocument(DocumentState& state, const xml::XmlDocument& tree) {
    const XmlNode* documentElement = xml::mainElement(tree);
    if (documentElement == nullptr || !isDocumentElementName(xml::nodeName(documentElement)))
        return;

    Target target{state, std::string(), -1, -1};
    // stateAt[level] is the state of the element open at that level;
    // cursor[level] the element visited next at that level.
    std::array<State, deepestLevel + 1> stateAt{};
    std::array<const XmlNode*, deepestLevel + 1> cursor{};
    stateAt[0].node = Node::Document;
    int level = 1;
    cursor[1] = xml::firstChild(documentElement);
    while (level > 0) {
        const XmlNode* node = cursor[level];
        if (node == nullptr) {
            --level; // that level's cursor already stands on the next sibling
            continue;
        }
        cursor[level] = xml::nextSibling(node);
        if (xml::nodeKind(node) != static_cast<int>(xml::NodeKind::Element))
            continue; // comments, CDATA sections and the like, with all they hold
        const State where = step(stateAt[level - 1], xml::nodeName(node));
        if (where.node == Node::Dead)
            continue;
        if (where.node == Node::AdditionalReference)
            target.referenceId.clear();
        // The seller's identifier in the SEPA scheme is the creditor identifier of a direct debit.
        if (where.node == Node::PartyId && !where.customer && attributeOf(node, "schemeID") == "SEPA") {
            state.doc.creditorId.assign(xml::nodeText(node));
            continue;
        }
        if (where.node == Node::EndpointId) {
            PartyFields& party = where.customer ? state.doc.customer : state.doc.supplier;
            party.endpointId.assign(xml::nodeText(node));
            party.endpointScheme.assign(attributeOf(node, "schemeID"));
            continue;
        }
        if (where.node == Node::PartyTaxSchemeBlock) {
            readPartyTaxScheme(where.customer ? state.doc.customer : state.doc.supplier, node);
            continue;
        }
        // Of several references to preceding invoices the last one is kept
        // whole, never a number of one with the date of another.
        if (where.node == Node::PrecedingInvoice) {
            state.doc.precedingInvoiceNumber.clear();
            state.doc.precedingInvoiceDate.clear();
        }
        if (where.node == Node::LineQuantity)
            takeUnitCode(target, node);
        if (isRule(where.node)) {
            // Every line break as one LF, as a parser gives it.
            const std::string_view text = xml::nodeText(node);
            if (text.find('\r') == std::string_view::npos)
                apply(target, where, text);
            else
                apply(target, where, multiLineText(text));
        }
        if (level < deepestLevel) {
            const XmlNode* child = xml::firstChild(node);
            if (child != nullptr) {
                stateAt[level] = where;
                ++level;
                cursor[level] = child;
            }
        }
    }
}

LoadOutcome loadInvoiceFile(DocumentState& state, const std::string& fileName) {
    state.currentFileName = fileName;
    resetDocument(state);
    const xml::DocumentPtr tree = xml::loadDocument(fileName);
    return loadParsed(state, tree.get());
}

LoadOutcome loadInvoiceBytes(DocumentState& state, std::string_view bytes) {
    resetDocument(state);
    const xml::DocumentPtr tree = xml::loadDocumentFromBytes(bytes);
    return loadParsed(state, tree.get());
}

std::optional<XRechnungVersion> fileVersion(const std::string& fileName) {
    const xml::DocumentPtr tree = xml::loadDocument(fileName);
    if (!tree || xml::loadStatus(*tree) != 0)
        return std::nullopt;
    const std::string_view named = xml::nodeText(childNamed(xml::mainElement(*tree), "cbc:CustomizationID"));
    for (const XRechnungVersion version : {XRechnungVersion::V2_1_1, XRechnungVersion::V3_0})
        if (named == customizationIdOf(version))
            return version;
    return std::nullopt;
}

} // namespace tallomir::ubl
