#pragma once

// Builders of test documents: fields and lines are filled directly, the
// amounts come from the amount functions, as after "Anfügen".

#include "invoice/amounts.h"
#include "invoice/model.h"

#include <string>

namespace tallomir::writertest {

inline DocumentState newState() {
    DocumentState state = makeDocumentState(defaultCodeLists());
    state.doc.issueDate = "2022-03-14";
    return state;
}

// A line as the line editor stores it: price and rate normalised, net computed.
inline LineItem& addLine(DocumentState& state, const std::string& quantity, const std::string& price,
                         const std::string& rate) {
    LineItem line;
    line.position = std::to_string(state.lines.size() + 1);
    line.quantity = quantity;
    line.unitPrice = formatDecimal2(parseDecimal(price));
    line.lineVatPercent = formatDecimal2(parseDecimal(rate));
    line.lineTaxCategory = state.documentTaxCategory;
    line.lineTaxScheme = state.defaultTaxScheme;
    line.itemName = "Artikel " + line.position;
    line.lineNetAmount = computeLineNetAmount(line);
    state.lines.push_back(line);
    return state.lines.back();
}

inline void recompute(DocumentState& state) {
    recomputeLines(state);
    recomputeTotals(state);
}

// The fields an XRechnung needs besides the amounts.
inline void fillParties(DocumentState& state) {
    InvoiceDocument& doc = state.doc;
    doc.documentNumber = "RE-1";
    doc.buyerReference = "04011000-1234512345-06";
    doc.deliveryDate = "2022-03-10";
    doc.dueDate = "2022-04-13";
    doc.iban = "DE02120300000000202051";
    doc.paymentTerms = "14 Tage rein netto";
    doc.supplier.name = "Lieferant GmbH";
    doc.supplier.street = "Hauptstraße 1";
    doc.supplier.city = "Berlin";
    doc.supplier.postalCode = "10115";
    doc.supplier.countryCode = "DE";
    doc.supplier.vatId = "DE123456789";
    doc.supplier.registrationName = "Lieferant GmbH";
    doc.supplier.contactName = "Anna Muster";
    doc.supplier.phone = "030 123";
    doc.supplier.email = "anna@lieferant.example";
    doc.customer.partyId = "K-1";
    doc.customer.name = "Kunde AG";
    doc.customer.city = "München";
    doc.customer.postalCode = "80331";
    doc.customer.countryCode = "DE";
    doc.customer.vatId = "DE987654321";
    doc.customer.registrationName = "Kunde AG";
}

} // namespace tallomir::writertest
