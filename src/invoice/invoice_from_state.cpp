#include "invoice_from_state.h"

#include "amounts.h"

namespace tallomir::model {

namespace {

Day day(const std::string& text) {
    const DateValue value = parseIsoDate(text);
    return value == noDate ? Day() : Day(value);
}

Amount amount(const std::string& text) {
    return text.empty() ? Amount() : Amount(parseNumber(text));
}

Party partyFrom(const PartyFields& fields) {
    Party party;
    party.name = fields.registrationName;
    party.tradingName = fields.name;
    if (!fields.partyId.empty())
        party.identifiers.push_back({fields.partyId, ""});
    party.legalRegistrationId = {fields.registrationId, ""};
    party.vatId = fields.vatId;
    party.taxRegistrationId = fields.taxNumber;
    party.additionalLegalInformation = fields.legalForm;
    party.electronicAddress = {fields.endpointId, fields.endpointScheme};
    party.address.line1 = fields.street;
    party.address.city = fields.city;
    party.address.postCode = fields.postalCode;
    party.address.countryCode = fields.countryCode;
    party.contact = {fields.contactName, fields.phone, fields.email};
    return party;
}

AllowanceCharge entryFrom(const tallomir::AllowanceCharge& entry) {
    AllowanceCharge converted;
    converted.charge = entry.chargeIndicator != "false";
    converted.amount = amount(entry.amount);
    converted.baseAmount = amount(entry.baseAmount);
    converted.percentage = amount(entry.percent);
    converted.vatCategory = entry.taxCategory;
    converted.vatRate = amount(entry.taxPercent);
    converted.reason = entry.reason;
    converted.reasonCode = entry.reasonCode;
    return converted;
}

} // namespace

Invoice invoiceFrom(const DocumentState& state) {
    const InvoiceDocument& doc = state.doc;
    Invoice invoice;
    invoice.number = doc.documentNumber;
    invoice.issueDate = day(doc.issueDate);
    invoice.typeCode = doc.documentTypeCode;
    invoice.currencyCode = state.documentCurrency;
    invoice.dueDate = day(doc.dueDate);
    invoice.buyerReference = doc.buyerReference;
    invoice.projectReference = doc.projectNumber;
    invoice.contractReference = doc.contractNumber;
    invoice.purchaseOrderReference = doc.orderNumber;
    invoice.salesOrderReference = doc.salesOrderNumber;
    invoice.paymentTerms = doc.paymentTerms;
    if (!doc.note.empty())
        invoice.notes.push_back({"", doc.note});
    if (!doc.precedingInvoiceNumber.empty() || !doc.precedingInvoiceDate.empty())
        invoice.precedingInvoices.push_back({doc.precedingInvoiceNumber, day(doc.precedingInvoiceDate)});
    invoice.seller = partyFrom(doc.supplier);
    invoice.buyer = partyFrom(doc.customer);
    invoice.delivery.partyName = doc.delivery.name;
    invoice.delivery.actualDate = day(doc.deliveryDate);
    invoice.delivery.address.line1 = doc.delivery.street;
    invoice.delivery.address.city = doc.delivery.city;
    invoice.delivery.address.postCode = doc.delivery.postalCode;
    invoice.delivery.address.countryCode = doc.delivery.countryCode;
    invoice.period = {day(doc.periodStart), day(doc.periodEnd)};
    invoice.payment.meansCode = doc.paymentMeansCode;
    if (!doc.iban.empty())
        invoice.payment.creditTransfers.push_back({doc.iban, doc.bankName, doc.bic});
    if (!doc.cardNumber.empty() || !doc.cardHolder.empty())
        invoice.payment.card = PaymentCard{doc.cardNumber, doc.cardHolder};
    if (!doc.mandateReference.empty() || !doc.creditorId.empty() || !doc.debitedIban.empty())
        invoice.payment.directDebit = DirectDebit{doc.mandateReference, doc.creditorId, doc.debitedIban};
    for (const tallomir::AllowanceCharge& entry : writtenAllowances(state))
        invoice.allowancesCharges.push_back(entryFrom(entry));
    for (const tallomir::AllowanceCharge& entry : doc.furtherAllowances)
        invoice.allowancesCharges.push_back(entryFrom(entry));
    invoice.paidAmount = amount(doc.prepaidAmount);
    invoice.roundingAmount = amount(doc.roundingAmount);
    for (const auto& [category, reason] : state.exemptionReasons) {
        const auto code = state.exemptionReasonCodes.find(category);
        invoice.exemptions.push_back(
            {category, reason, code == state.exemptionReasonCodes.end() ? std::string() : code->second});
    }
    invoice.lines.reserve(state.lines.size());
    for (const LineItem& item : state.lines) {
        Line& line = invoice.lines.emplace_back();
        line.id = item.position;
        line.note = item.lineNote;
        line.quantity = parseNumber(item.quantity);
        line.unitCode = lineUnitCode(state, item);
        line.period = {day(item.lineStartDate), day(item.lineEndDate)};
        line.price.netPrice = parseNumber(item.unitPrice);
        line.price.baseQuantity = amount(item.baseQuantity);
        line.vatCategory = item.lineTaxCategory;
        line.vatRate = amount(item.lineVatPercent);
        line.item.name = item.itemName;
        line.item.description = item.itemDescription;
        line.item.sellersId = item.itemNumber;
        for (const tallomir::AllowanceCharge& entry : item.allowances)
            line.allowancesCharges.push_back(entryFrom(entry));
    }
    return invoice;
}

std::vector<std::string> categoryOrder(const DocumentState& state) {
    std::vector<std::string> order;
    for (const CodeEntry& entry : state.lists.taxCategories)
        order.push_back(entry.code);
    return order;
}

} // namespace tallomir::model
