#include "generate.h"

#include "form/fields.h"
#include "form/input_rules.h"
#include "form/line_list.h"
#include "invoice/amounts.h"
#include "syntax/syntax.h"

#include <cstdint>
#include <string>

namespace tallomir::bench {

Form generateInvoice(int lines) {
    Form state = makeForm(defaultCodeLists());
    InvoiceDocument& d = state.doc;
    d.buyerReference = "991-12345-67";
    d.documentNumber = "R-" + std::to_string(lines);
    d.issueDate = "2026-12-01";
    d.deliveryDate = "2026-11-30";
    d.paymentTerms = state.lists.paymentTermsTexts[0];
    d.iban = "DE02120300000000202051";
    const auto party = [](PartyFields& p, const char* id, const char* name, const char* street,
                          const char* city, const char* postalCode, const char* vatId) {
        p.partyId = id;
        p.name = p.registrationName = name;
        p.street = street;
        p.city = city;
        p.postalCode = postalCode;
        p.countryCode = "DE";
        p.vatId = vatId;
        p.taxSchemeId = "VAT";
    };
    party(d.supplier, "L-1", "Lieferant GmbH", "Hauptstraße 1", "Berlin", "10115", "DE123456789");
    d.supplier.registrationId = "HRB 1";
    d.supplier.legalForm = "GmbH";
    d.supplier.contactName = "Erika Muster";
    d.supplier.phone = "030 1234";
    d.supplier.email = "erika@example.org";
    party(d.customer, "K-1", "Kunde AG", "Marktplatz 2", "München", "80331", "");

    // Lines are stored as "Anfügen" stores them, but recomputed once at the
    // end: typing 100,000 lines one by one is not what is measured here.
    static const char* rates[] = {"19.00", "7.00", "0.00"};
    state.lines.reserve(static_cast<std::size_t>(lines));
    for (int i = 1; i <= lines; ++i) {
        LineItem line;
        line.position = std::to_string(i);
        line.quantity = std::to_string(i % 13 + 1) + (i % 4 == 0 ? ".5" : "");
        line.itemNumber = "A-" + std::to_string(10000 + i % 5000);
        line.itemName = "Artikel Nummer " + std::to_string(i) + " für die Werkstatt";
        line.itemDescription = i % 10 == 0 ? "Mehrzeilige Beschreibung\r\nzweite Zeile" : "";
        line.unitPrice = std::to_string(i % 997 + 1) + "." + std::to_string(10 + i % 90);
        line.lineVatPercent = rates[i % 3];
        line.lineTaxCategory = state.documentTaxCategory;
        line.lineTaxScheme = state.defaultTaxScheme;
        line.lineNetAmount = computeLineNetAmount(line);
        state.lines.push_back(std::move(line));
    }
    recomputeLines(state);
    recomputeTotals(state);
    leaveTextField(state, FieldId::AllowanceReason, "Treuerabatt");
    leaveTextField(state, FieldId::AllowanceValue, "-25,50");
    return state;
}

void typeAndAddLine(Form& state) {
    leaveLineField(state, LineField::Position, "neu");
    leaveLineField(state, LineField::Quantity, "2");
    leaveLineField(state, LineField::ItemName, "Nachtrag");
    leaveLineField(state, LineField::UnitPrice, "9,99");
    leaveLineField(state, LineField::VatPercent, "19");
    addLine(state);
}

bool writeGeneratedInvoice(int lines, const std::string& fileName, Syntax syntax) {
    Form state = generateInvoice(lines);
    state.syntax = syntax;
    return syntax::saveInvoiceFile(state, fileName).ok;
}

Form generateInvoiceWithAttachment(std::size_t bytes) {
    Form state = generateInvoice(10);
    // Base64 text of varied characters, four for every three bytes.
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string content((bytes + 2) / 3 * 4, 'A');
    std::uint32_t seed = 12345;
    for (char& c : content) {
        seed = seed * 1664525u + 1013904223u;
        c = alphabet[seed >> 26];
    }
    state.doc.attachments.push_back({.id = "Anlage 1",
                                     .typeCode = "",
                                     .description = "Zeitnachweis",
                                     .content = std::move(content),
                                     .mimeCode = "application/pdf",
                                     .fileName = "zeitnachweis.pdf",
                                     .uri = ""});
    return state;
}

bool writeInvoiceWithAttachment(std::size_t bytes, const std::string& fileName) {
    Form state = generateInvoiceWithAttachment(bytes);
    return syntax::saveInvoiceFile(state, fileName).ok;
}

} // namespace tallomir::bench
