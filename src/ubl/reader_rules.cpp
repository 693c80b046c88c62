// The reader's rules: the state an element takes from its parent's state and
// its own name, what each rule takes into the document, and what entering a
// record or a block does. The walk that applies them is in reader.cpp.

#include "ubl/reader_rules.h"

#include "invoice/dates.h"
#include "ubl/reader.h"
#include "ubl/writer.h"

#include <initializer_list>
#include <utility>

namespace tallomir::ubl::reading {
namespace {

// The credit note has no element of its own for the project reference: it
// stands in an additional document reference with this type code.
constexpr std::string_view projectReferenceType = "50";

using Edge = std::pair<std::string_view, Node>;

Node pick(std::string_view name, std::initializer_list<Edge> edges) {
    for (const Edge& edge : edges)
        if (edge.first == name)
            return edge.second;
    return Node::Dead;
}

} // namespace

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

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

namespace {

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

} // namespace

// Takes the element's text into the document; false when the rule does not
// take it (a repeated value, a foreign identifier), so that it is recorded.
bool apply(Target& target, State where, std::string_view text, NodeView element) {
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
        party.endpointScheme.assign(element.attribute("schemeID").value_or(""));
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
        setLine(target, &tallomir::LineItem::unitCode, element.attribute("unitCode").value_or(""));
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

namespace {

// A party's tax scheme: the number under "VAT" is the VAT identifier, under
// any other scheme the tax number ("FC" for the German Steuernummer). False
// when the party already has that number.
bool readPartyTaxScheme(PartyFields& party, NodeView block) {
    const std::string_view number = block.child("CompanyID").text();
    const std::string_view scheme = trimmed(block.child("TaxScheme").child("ID").text());
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

} // namespace

// Entering an element: a record begins with its line, subtotal or allowance
// element; some blocks are judged as a whole before they are walked. Gives
// the state the element keeps, Dead when nothing in it is taken.
Node enter(Target& target, State where, NodeView element) {
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
        if (trimmed(element.child("DocumentTypeCode").text()) != projectReferenceType)
            return Node::Dead;
        break;
    case Node::PartyTaxScheme:
        if (!readPartyTaxScheme(where.customer ? state.doc.customer : state.doc.supplier, element))
            return Node::Dead;
        break;
    case Node::PartyId:
        // The seller's identifier in the SEPA scheme is the creditor
        // identifier of a direct debit.
        if (!where.customer && trimmed(element.attribute("schemeID").value_or("")) == "SEPA")
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
        const std::string_view currency = element.child("TaxAmount").attribute("currencyID").value_or("");
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

} // namespace tallomir::ubl::reading
