// The check before saving: what it names, what it lets through, and which
// fields it marks as required. Whether a file it lets through is valid is
// for the official rules to say (the writer's and the command line's tests).

#include "invoice/amounts.h"
#include "invoice/document_check.h"
#include "invoice/input_rules.h"
#include "invoice/line_list.h"

#include <gtest/gtest.h>

#include <functional>

namespace tallomir {
namespace {

// A plain invoice with what the check asks for, entered through the rules.
DocumentState completeInvoice() {
    DocumentState state = makeDocumentState(defaultCodeLists());
    const std::pair<FieldId, const char*> texts[] = {
        {FieldId::BuyerReference, "991-1"},
        {FieldId::DocumentNumber, "R-1"},
        {FieldId::SupplierPostalCode, "1"},
        {FieldId::SupplierCity, "Bonn"},
        {FieldId::SupplierCountryCode, "DE"},
        {FieldId::SupplierVatId, "DE1"},
        {FieldId::SupplierRegistrationName, "L"},
        {FieldId::SupplierContactName, "E"},
        {FieldId::SupplierPhone, "0228"},
        {FieldId::SupplierEmail, "e@x"},
        {FieldId::Iban, "DE02"},
        {FieldId::CustomerPostalCode, "2"},
        {FieldId::CustomerCity, "Köln"},
        {FieldId::CustomerCountryCode, "AT"},
        {FieldId::CustomerRegistrationName, "K"},
        {FieldId::PaymentTerms, "sofort"},
    };
    for (const auto& [field, text] : texts)
        leaveTextField(state, field, text);
    for (const auto& [field, text] : {std::pair{LineField::Position, "1"},
                                      {LineField::Quantity, "2"},
                                      {LineField::ItemName, "Hammer"},
                                      {LineField::UnitPrice, "10"},
                                      {LineField::VatPercent, "19"}})
        leaveLineField(state, field, text);
    addLine(state);
    return state;
}

std::vector<std::string> findingTexts(const DocumentState& state) {
    std::vector<std::string> texts;
    for (const Finding& finding : checkDocument(state))
        texts.push_back(finding.text);
    return texts;
}

TEST(DocumentCheck, NamesEachProblemByPageAndLabel) {
    ASSERT_EQ(findingTexts(completeInvoice()), std::vector<std::string>{});
    const std::pair<std::function<void(DocumentState&)>, std::vector<std::string>> cases[] = {
        {[](DocumentState& s) { changeDate(s, FieldId::IssueDate, noDate); },
         {"Belegkopf: Belegdatum fehlt"}},
        {[](DocumentState& s) { leaveTextField(s, FieldId::SupplierPhone, ""); },
         {"Lieferant: Telefon fehlt"}},
        {[](DocumentState& s) { s.lines.clear(); }, {"Positionen: Die Rechnung hat keine Position"}},
        // An amount due needs its terms or a due date; a credit note only the terms.
        {[](DocumentState& s) { leaveTextField(s, FieldId::PaymentTerms, ""); },
         {"Belegkopf: Fälligkeit oder Zahlungsbedingung: eines davon wird benötigt"}},
        {[](DocumentState& s) {
             leaveTextField(s, FieldId::PaymentTerms, "");
             changeDate(s, FieldId::DueDate, parseIsoDate("2024-05-01"));
             selectEntry(s, FieldId::DocumentType, 2);
         },
         {"Belegkopf: Zahlungsbedingung fehlt"}},
        {[](DocumentState& s) { selectEntry(s, FieldId::PaymentMeans, 3); }, {}}, // no IBAN needed for 49
        {[](DocumentState& s) { leaveTextField(s, FieldId::Iban, ""); }, {"Lieferant: IBAN fehlt"}},
        {[](DocumentState& s) { leaveTextField(s, FieldId::DeliveryStreet, "Kai 1"); },
         {"Lieferung: PLZ fehlt", "Lieferung: Ort fehlt", "Lieferung: Land (kurz) fehlt"}},
        {[](DocumentState& s) { leaveTextField(s, FieldId::DeliveryName, "Lager"); }, {}},
        {[](DocumentState& s) { leaveTextField(s, FieldId::CustomerCountryCode, "de"); },
         {"Kunde: Land (kurz) \u201Ede\u201C ist kein Ländercode nach ISO 3166 (z.B. DE)"}},
        {[](DocumentState& s) { changeDate(s, FieldId::DeliveryDate, parseIsoDate("2999-01-01")); },
         {"Belegkopf: Lieferdatum 01.01.2999 liegt nicht zwischen 1900 und 2099"}},
        {[](DocumentState& s) { s.doc.dueDate = "2024-02-30"; },
         {"Belegkopf: Fälligkeit \u201E2024-02-30\u201C ist kein gültiges Datum"}},
        {[](DocumentState& s) {
             changeDate(s, FieldId::PeriodStart, parseIsoDate("2024-05-02"));
             changeDate(s, FieldId::PeriodEnd, parseIsoDate("2024-05-01"));
         },
         {"Belegkopf: Der Leistungszeitraum endet vor seinem Beginn"}},
        {[](DocumentState& s) { leaveTextField(s, FieldId::AllowanceValue, "-5"); },
         {"Belegfuss: Nachlass / Zuschlag fehlt"}},
        {[](DocumentState& s) { leaveTextField(s, FieldId::AllowancePercent, "3 %"); },
         {"Belegfuss: Prozent: \u201E3 %\u201C ist keine Zahl"}},
        // Lines: each missing or wrong field, a rate at 0 % under S, a repeated number.
        {[](DocumentState& s) {
             s.lines[0].quantity = "zwei";
             s.lines[0].unitPrice = "-1.00";
             s.lines[0].lineVatPercent = "0.00";
             s.lines[0].itemName = "";
             s.lines.push_back(s.lines[0]);
             s.lines[1].position = "";
         },
         {"Positionen: Pos. 1: Artikel-Bezeichnung fehlt",
          "Positionen: Pos. 1: Anz.: \u201Ezwei\u201C ist keine Zahl",
          "Positionen: Pos. 1: Preis: Ein Preis darf nicht negativ sein",
          "Positionen: Pos. 1: USt. muss bei Standard USt. über 0 % liegen",
          "Positionen: Zeile 2: Pos. fehlt", "Positionen: Zeile 2: Artikel-Bezeichnung fehlt",
          "Positionen: Zeile 2: Anz.: \u201Ezwei\u201C ist keine Zahl",
          "Positionen: Zeile 2: Preis: Ein Preis darf nicht negativ sein",
          "Positionen: Zeile 2: USt. muss bei Standard USt. über 0 % liegen"}},
        {[](DocumentState& s) { s.lines.push_back(s.lines[0]); }, {"Positionen: Pos. 1 kommt mehrfach vor"}},
        // The invoice referred to is named by its number; its date alone is no reference.
        {[](DocumentState& s) { changeDate(s, FieldId::PrecedingInvoiceDate, parseIsoDate("2024-01-31")); },
         {"Belegkopf: Bezug auf Rechnung fehlt"}},
        {[](DocumentState& s) { leaveTextField(s, FieldId::PrecedingInvoiceNumber, "R-0"); }, {}},
        // Neither the supplier's nor the customer's number is required.
        {[](DocumentState& s) { leaveTextField(s, FieldId::CustomerPartyId, ""); }, {}},
    };
    for (const auto& [change, expected] : cases) {
        DocumentState state = completeInvoice();
        change(state);
        EXPECT_EQ(findingTexts(state), expected);
    }
}

// What each tax category asks for: the form's "Steuerkennung" changes every
// line of the plain invoice to that category.
TEST(DocumentCheck, EachTaxCategoryAsksForWhatItNeeds) {
    struct Case {
        int entry; // of the tax category list
        std::function<void(DocumentState&)> change;
        std::vector<std::string> expected;
    };
    const auto text = [](FieldId field, const char* value) {
        return [=](DocumentState& s) { leaveTextField(s, field, value); };
    };
    const std::string sellerNumber = "Lieferant: Für die gewählte Steuerkennung wird die UStID oder die "
                                     "Steuernummer des Lieferanten benötigt";
    const Case cases[] = {
        // Kleinunternehmer: a tax number instead of the VAT identifier is enough,
        // with a number that identifies the seller.
        {3,
         text(FieldId::SupplierVatId, ""),
         {"Lieferant: Lieferanten Nr., HR Nummer oder UStID: eines davon wird benötigt", sellerNumber}},
        {3,
         [](DocumentState& s) {
             leaveTextField(s, FieldId::SupplierVatId, "");
             leaveTextField(s, FieldId::SupplierTaxNumber, "201/113/40209");
             leaveTextField(s, FieldId::SupplierPartyId, "L-1");
         },
         {}},
        {4,
         [](DocumentState& s) {
             s.exemptionReasons["E"] = "";
             s.lists.taxCategories[4].text = "";
         },
         {"Belegkopf: Bei steuerfreien Umsätzen wird ein Befreiungsgrund benötigt (der Text der "
          "Steuerkennung)"}},
        {5,
         [](DocumentState&) {},
         {"Kunde: Für Steuerschuldnerschaft des Leistungsempfängers wird die UStID oder die HR Nummer des "
          "Kunden "
          "benötigt"}},
        {5, text(FieldId::CustomerRegistrationId, "HRB 1"), {}},
        {1,
         [](DocumentState&) {},
         {"Belegkopf: Für innergemeinschaftliche Lieferungen wird das Lieferdatum oder der Leistungszeitraum "
          "benötigt",
          "Kunde: Für innergemeinschaftliche Lieferungen wird die UStID des Kunden benötigt",
          "Lieferung: Für innergemeinschaftliche Lieferungen wird das Land der Lieferung benötigt"}},
        {2,
         text(FieldId::SupplierVatId, ""),
         {"Lieferant: Für steuerfreie Lieferungen (innergemeinschaftlich oder Ausfuhr) wird die UStID des "
          "Lieferanten benötigt"}},
        {6,
         [](DocumentState& s) { s.lines[0].lineVatPercent = "7.00"; },
         {"Positionen: Pos. 1: USt. muss bei Nullsteuersatz 0 % sein"}},
        // Outside the scope of VAT: no VAT identifiers, no rate, no other category.
        {7,
         [](DocumentState& s) {
             leaveTextField(s, FieldId::SupplierPartyId, "L-1");
             s.lines[0].lineVatPercent = "0.00";
         },
         {"Lieferant: Bei nicht steuerbaren Umsätzen darf keine UStID stehen",
          "Positionen: Pos. 1: Bei nicht steuerbaren Umsätzen entfällt die USt."}},
        {7,
         [](DocumentState& s) {
             leaveTextField(s, FieldId::SupplierPartyId, "L-1");
             leaveTextField(s, FieldId::SupplierVatId, "");
             s.lines.push_back(s.lines[0]);
             s.lines[1].position = "2";
             s.lines[1].lineTaxCategory = "S";
             s.lines[1].lineVatPercent = "19.00";
             recomputeLines(s);
             recomputeTotals(s);
         },
         {"Belegkopf: Nicht steuerbare Umsätze dürfen nicht mit anderen Steuerkennungen in einer Rechnung "
          "stehen",
          sellerNumber}},
    };
    for (const Case& c : cases) {
        DocumentState state = completeInvoice();
        selectEntry(state, FieldId::TaxCategory, c.entry);
        c.change(state);
        EXPECT_EQ(findingTexts(state), c.expected) << c.entry;
    }
}

TEST(DocumentCheck, MessageListsEveryFindingAndPointsAtTheFirst) {
    DocumentState state = completeInvoice();
    leaveTextField(state, FieldId::SupplierEmail, "");
    leaveTextField(state, FieldId::DocumentNumber, "");
    const MandatoryCheck check = checkMandatoryFields(state);
    EXPECT_FALSE(check.ok);
    EXPECT_EQ(check.title, "Pflichtfelder");
    EXPECT_EQ(check.text, "Die Datei kann so nicht gespeichert werden. Bitte ergänzen oder korrigieren:"
                          "\rBelegkopf: Belegnummer fehlt\rLieferant: Email fehlt");
    EXPECT_EQ(check.first.field, FieldId::DocumentNumber);
    EXPECT_TRUE(checkMandatoryFields(completeInvoice()).ok);
}

TEST(DocumentCheck, RequiredFieldsFollowTheChoicesAndCarryTheirStar) {
    DocumentState state = makeDocumentState(defaultCodeLists());
    const auto required = [&](FieldId f) { return currentRequirements(state).fields.contains(f); };
    EXPECT_TRUE(required(FieldId::SupplierPhone) && required(FieldId::Iban) && required(FieldId::IssueDate));
    EXPECT_FALSE(required(FieldId::CustomerPartyId) || required(FieldId::DeliveryDate) ||
                 required(FieldId::DeliveryCity) || required(FieldId::DueDate));
    selectEntry(state, FieldId::PaymentMeans, 3);
    leaveTextField(state, FieldId::DeliveryPostalCode, "1010");
    EXPECT_FALSE(required(FieldId::Iban));
    EXPECT_TRUE(required(FieldId::DeliveryCity) && required(FieldId::DeliveryCountryCode));
    EXPECT_EQ(fieldLabel(FieldId::DeliveryCountryCode, true), "Land* (kurz)");
    EXPECT_EQ(fieldLabel(FieldId::SupplierPhone, true) + "|" + fieldLabel(FieldId::SupplierPhone, false),
              "Telefon*|Telefon");
}

} // namespace
} // namespace tallomir
