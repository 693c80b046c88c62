#include "generate.h"

#include "invoice/amounts.h"
#include "invoice/fields.h"
#include "invoice/input_rules.h"
#include "invoice/line_list.h"
#include "ubl/writer.h"

#include <string>

namespace tallomir::bench {

DocumentState generateInvoice(int lines) {
    DocumentState state = makeDocumentState(defaultCodeLists());
    InvoiceDocument& d = state.doc;
    d.buyerReference = "991-12345-67";
    d.documentNumber = "R-" + std::to_string(lines);
    d.issueDate = "2026-12-01";
    d.deliveryDate = "2026-11-30";
    d.paymentTerms = state.lists.paymentTermsTexts[0];
    d.iban = "DE02120300000000202051";
    d.supplier = {"L-1",   "Lieferant GmbH", "Hauptstraße 1", "Berlin",   "10115",
                  "DE",    "DE123456789",    "VAT",           "",         "Lieferant GmbH",
                  "HRB 1", "GmbH",           "Erika Muster",  "030 1234", "erika@example.org",
                  ""};
    d.customer = {"K-1", "Kunde AG", "Marktplatz 2", "München", "80331", "DE", "",
                  "VAT", "",         "Kunde AG",     "",        "",      "",   "",
                  "",    ""};

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

void typeAndAddLine(DocumentState& state) {
    leaveLineField(state, LineField::Position, "neu");
    leaveLineField(state, LineField::Quantity, "2");
    leaveLineField(state, LineField::ItemName, "Nachtrag");
    leaveLineField(state, LineField::UnitPrice, "9,99");
    leaveLineField(state, LineField::VatPercent, "19");
    addLine(state);
}

bool writeGeneratedInvoice(int lines, const std::string& fileName) {
    DocumentState state = generateInvoice(lines);
    return ubl::saveInvoiceFile(state, fileName).ok;
}

} // namespace tallomir::bench
