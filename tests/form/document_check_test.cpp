// The check before saving: what it names, what it lets through, which fields it marks as required.

#include "form/document_check.h"
#include "form/input_rules.h"
#include "form/line_details.h"
#include "form/line_list.h"
#include "invoice/amounts.h"

#include <gtest/gtest.h>

#include <functional>

namespace tallomir {
namespace {

// A plain invoice with what the check asks for, entered through the rules.
Form completeInvoice() {
    Form state = makeForm(defaultCodeLists());
    using enum FieldId;
    for (FieldId field : {BuyerReference, DocumentNumber, SupplierPostalCode, SupplierCity,
                          SupplierRegistrationName, SupplierContactName, SupplierPhone, SupplierEmail,
                          CustomerPostalCode, CustomerCity, CustomerRegistrationName, PaymentTerms})
        leaveTextField(state, field, "1");
    leaveTextField(state, SupplierVatId, "DE123456789");
    leaveTextField(state, Iban, "DE02120300000000202051");
    leaveTextField(state, SupplierCountryCode, "DE");
    leaveTextField(state, CustomerCountryCode, "AT");
    for (LineField field :
         {LineField::Position, LineField::Quantity, LineField::ItemName, LineField::UnitPrice})
        leaveLineField(state, field, "1");
    leaveLineField(state, LineField::VatPercent, "19");
    addLine(state);
    return state;
}

std::vector<std::string> findingTexts(const Form& state) {
    std::vector<std::string> texts;
    for (const Finding& finding : checkDocument(state))
        texts.push_back(finding.text);
    return texts;
}

using Change = std::function<void(Form&)>;
Change text(FieldId field, const char* value) {
    return [=](Form& s) { leaveTextField(s, field, value); };
}
Change date(FieldId field, const char* value) {
    return [=](Form& s) { changeDate(s, field, parseIsoDate(value)); };
}
Change entry(FieldId field, int index) {
    return [=](Form& s) { selectEntry(s, field, index); };
}
// The first line's further details changed as the dialog does it, then "Ändern".
Change details(std::function<void(LineDetails&)> edit) {
    return [=](Form& s) {
        selectLine(s, 0);
        LineDetails d = lineDetailsOf(s.lineEditBuffer);
        edit(d);
        takeLineDetails(s, d);
        changeLine(s);
    };
}
Change operator+(const Change& first, const Change& then) {
    return [=](Form& s) {
        first(s);
        then(s);
    };
}

// A line's allowance ("false") or charge ("true") as a file may hold it.
AllowanceCharge lineEntry(const char* indicator, const char* reason, const char* amount,
                          const char* reasonCode = "", const char* percent = "") {
    AllowanceCharge entry;
    entry.chargeIndicator = indicator;
    entry.reason = reason;
    entry.amount = amount;
    entry.reasonCode = reasonCode;
    entry.percent = percent;
    return entry;
}

TEST(DocumentCheck, NamesEachProblemByPageAndLabelAndTheMessageListsThem) {
    ASSERT_EQ(findingTexts(completeInvoice()), std::vector<std::string>{});
    using enum FieldId;
    const std::string sellerNumber = "Lieferant: Für die gewählte Steuerkennung wird die UStID oder die "
                                     "Steuernummer des Lieferanten benötigt";
    // An entry of "Steuerkennung" changes every line to that category.
    const std::pair<Change, std::vector<std::string>> cases[] = {
        {date(IssueDate, ""), {"Belegkopf: Belegdatum fehlt"}},
        {[](Form& s) { s.lines.clear(); }, {"Positionen: Die Rechnung hat keine Position"}},
        // An amount due needs its terms or a due date; a credit note only the terms.
        {text(PaymentTerms, ""), {"Belegkopf: Fälligkeit oder Zahlungsbedingung: eines davon wird benötigt"}},
        {text(PaymentTerms, "") + date(DueDate, "2024-05-01") + entry(DocumentType, 2),
         {"Belegkopf: Zahlungsbedingung fehlt"}},
        {text(Iban, ""), {"Lieferant: IBAN fehlt"}},
        {text(DeliveryStreet, "Kai 1"),
         {"Lieferung: PLZ fehlt", "Lieferung: Ort fehlt", "Lieferung: Land (kurz) fehlt"}},
        {text(CustomerCountryCode, "de"),
         {"Kunde: Land (kurz) \u201Ede\u201C ist kein Ländercode nach ISO 3166 (z.B. DE)"}},
        {date(PeriodStart, "2024-05-02") + date(PeriodEnd, "2024-05-01"),
         {"Belegkopf: Der Leistungszeitraum endet vor seinem Beginn"}},
        {text(AllowanceValue, "-5"), {"Belegfuss: Nachlass / Zuschlag fehlt"}},
        {text(AllowancePercent, "3 %"), {"Belegfuss: Prozent: \u201E3 %\u201C ist keine Zahl"}},
        // A payee is named: by an identifier or its registration alone it is not known.
        {text(PayeeIdentifier, "ZE-12"), {"Weitere Angaben: Zahlungsempfänger fehlt"}},
        {text(PayeeRegistrationId, "HRB 1"), {"Weitere Angaben: Zahlungsempfänger fehlt"}},
        {text(PayeeName, "Factoring AG"), {}},
        // A tax representative has its country and its VAT identifier.
        {text(TaxRepresentativeName, "Fiskal GmbH"),
         {"Weitere Angaben: Land des Steuervertreters fehlt",
          "Weitere Angaben: UStID des Steuervertreters fehlt"}},
        {text(TaxRepresentativeVatId, "DE123456789") + text(TaxRepresentativeCountryCode, "de"),
         {"Weitere Angaben: Steuervertreter fehlt",
          "Weitere Angaben: Land des Steuervertreters \u201Ede\u201C ist kein Ländercode nach ISO 3166 (z.B. "
          "DE)"}},
        // Identifiers: typed ones by form, the IBAN also as loaded; one not written is not checked.
        {text(SupplierVatId, "DE12345678"),
         {"Lieferant: UStID \u201EDE12345678\u201C hat nach DE 8 statt 9 Zeichen"}},
        {[](Form& s) { s.doc.iban = "DE02 1203 0000 0000 2020 15"; },
         {"Lieferant: IBAN \u201EDE02 1203 0000 0000 2020 15\u201C hat falsche Prüfziffern (Tippfehler?)"}},
        {[](Form& s) { s.doc.iban = "DE02 1203 0000 0000 2020 51"; }, {}},
        {text(Iban, "DE03120300000000202051") + entry(PaymentMeans, 5) + text(CardNumber, "4711"), {}},
        // An identifier's scheme is a code of four digits, kept without blanks, and names an identifier's.
        {text(SupplierPartyId, "L-1") + text(SupplierPartyIdScheme, "SEPA") +
             text(CustomerRegistrationIdScheme, " 00 88 ") + text(DeliveryLocationIdScheme, "88"),
         {"Lieferant: Schema der Kennung \u201ESEPA\u201C ist kein Code nach ISO 6523 (vier Ziffern, z.B. "
          "0088)",
          "Kunde: HR Nummer fehlt zum Schema der Registernummer",
          "Lieferung: Schema der Kennung \u201E88\u201C ist kein Code nach ISO 6523 (vier Ziffern, z.B. "
          "0088)"}},
        {text(SupplierRegistrationId, "HRB 1") + text(SupplierRegistrationIdScheme, "0088") +
             text(CustomerPartyIdScheme, "0204"),
         {"Kunde: Kunden Nr. fehlt zum Schema der Kennung"}},
        // A delivery address of a further line or a region alone names its place.
        {text(DeliveryRegion, "Tirol"),
         {"Lieferung: PLZ fehlt", "Lieferung: Ort fehlt", "Lieferung: Land (kurz) fehlt"}},
        {text(TaxRepresentativeAddressLine3, "Postfach 7"),
         {"Weitere Angaben: Steuervertreter fehlt", "Weitere Angaben: Land des Steuervertreters fehlt",
          "Weitere Angaben: UStID des Steuervertreters fehlt"}},
        // Card, cash discount and electronic address in the forms a receiver reads.
        {entry(PaymentMeans, 5) + text(CardNumber, "1234567"),
         {"Lieferant: Kartennummer: nur die letzten 4 bis 6 Ziffern der Karte"}},
        {text(PaymentTerms, "#SKONTO#TAGE=14#PROZENT=2.00#\n#SKONTO#TAGE=7#PROZENT=3#"),
         {"Belegkopf: Skonto \u201E#SKONTO#TAGE=7#PROZENT=3#\u201C hat nicht die Form "
          "#SKONTO#TAGE=14#PROZENT=2.00#"}},
        {text(SupplierEndpoint, "rechnung@example.org") +
             [](Form& s) { s.doc.supplier.endpointScheme = "EX"; },
         {"Lieferant: Art der Elektron. Adresse \u201EEX\u201C ist kein Schema der EAS-Liste"}},
        // The allowance belongs to a rate of the lines: 0 % is none of them.
        {[](Form& s) {
             for (LineField field : {LineField::Quantity, LineField::ItemName, LineField::UnitPrice})
                 leaveLineField(s, field, "1");
             leaveLineField(s, LineField::Position, "2"), leaveLineField(s, LineField::VatPercent, "7");
             addLine(s);
         } + entry(AllowanceSlot, 2) +
             text(AllowanceReason, "Rabatt") + text(AllowanceValue, "-5"),
         {"Belegfuss: USt. % fehlt: der Nachlass / Zuschlag gehört zum Satz einer Position"}},
        // Lines: each missing or wrong field, a rate at 0 % under S, a repeated number.
        {[](Form& s) {
             s.lines.push_back(s.lines[0]);
             s.lines[0].quantity = s.lines[0].itemName = s.lines[1].position = "";
             s.lines[0].lineVatPercent = "0.00";
         },
         {"Positionen: Pos. 1: Anz. fehlt", "Positionen: Pos. 1: Artikel-Bezeichnung fehlt",
          "Positionen: Pos. 1: USt. muss bei Standard USt. über 0 % liegen",
          "Positionen: Zeile 2: Pos. fehlt"}},
        {[](Form& s) { s.lines.push_back(s.lines[0]); }, {"Positionen: Pos. 1 kommt mehrfach vor"}},
        {[](Form& s) { s.lines[0].lineVatPercent = ""; }, {"Positionen: Pos. 1: USt. fehlt"}},
        // A line's allowance or charge (as a file may hold it) needs its amount and a reason or its code;
        // allowances and charges are counted apart.
        {[](Form& s) {
             s.lines[0].allowances = {lineEntry("false", "", "1.00", "95"), lineEntry("false", "", "zwei"),
                                      lineEntry("true", "Fracht", "", "", "5")};
         },
         {"Positionen: Position 1, Nachlass 2: Betrag ist keine Zahl",
          "Positionen: Position 1, Nachlass 2: Grund oder Grund-Code fehlt",
          "Positionen: Position 1, Zuschlag 1: Betrag fehlt"}},
        // The invoice referred to is named by its number; its date alone is no reference.
        {date(PrecedingInvoiceDate, "2024-01-31"), {"Belegkopf: Bezug auf Rechnung fehlt"}},
        // Kleinunternehmer: a tax number instead of the VAT identifier is enough,
        // with a number that identifies the seller.
        {entry(TaxCategory, 3) + text(SupplierVatId, ""),
         {"Lieferant: Lieferanten Nr., HR Nummer oder UStID: eines davon wird benötigt", sellerNumber}},
        {entry(TaxCategory, 3) + text(SupplierVatId, "") + text(SupplierTaxNumber, "201/113/40209") +
             text(SupplierPartyId, "L-1"),
         {}},
        {entry(TaxCategory, 4) +
             [](Form& s) { s.exemptionReasons["E"] = s.lists.taxCategories[4].text = ""; },
         {"Belegkopf: Bei steuerfreien Umsätzen wird ein Befreiungsgrund benötigt (der Text der "
          "Steuerkennung)"}},
        {entry(TaxCategory, 5),
         {"Kunde: Für Steuerschuldnerschaft des Leistungsempfängers wird die UStID oder die HR Nummer des "
          "Kunden benötigt"}},
        {entry(TaxCategory, 1),
         {"Belegkopf: Für innergemeinschaftliche Lieferungen wird das Lieferdatum oder der Leistungszeitraum "
          "benötigt",
          "Kunde: Für innergemeinschaftliche Lieferungen wird die UStID des Kunden benötigt",
          "Lieferung: Für innergemeinschaftliche Lieferungen wird das Land der Lieferung benötigt"}},
        {entry(TaxCategory, 2) + text(SupplierVatId, ""),
         {"Lieferant: Für steuerfreie Lieferungen (innergemeinschaftlich oder Ausfuhr) wird die UStID des "
          "Lieferanten benötigt"}},
        {entry(TaxCategory, 6) + [](Form& s) { s.lines[0].lineVatPercent = "7.00"; },
         {"Positionen: Pos. 1: USt. muss bei Nullsteuersatz 0 % sein"}},
        // Outside the scope of VAT: no VAT identifiers, no rate, no other category.
        {entry(TaxCategory, 7) + text(SupplierPartyId, "L-1") +
             [](Form& s) { s.lines[0].lineVatPercent = "0.00"; },
         {"Lieferant: Bei nicht steuerbaren Umsätzen darf keine UStID stehen",
          "Positionen: Pos. 1: Bei nicht steuerbaren Umsätzen entfällt die USt."}},
        // A line's further details: a classification has its code and scheme, a property its name and
        // value, an item identifier and its scheme go together, the origin is a country; rows left empty
        // are no entries.
        {details([](LineDetails& d) {
             d.classifications = {{"44111", "", ""}, {"", "STI", "2"}, {" ", "", ""}};
             d.attributes = {{"Farbe", ""}, {"", "rot"}, {}};
             d.standardItemIdScheme = "0160";
             d.lineObjectIdentifierScheme = "AAG";
             d.originCountry = "de";
         }),
         {"Positionen: Position 1: Artikelkennung fehlt zum Schema \u201E0160\u201C",
          "Positionen: Position 1: Objektkennung fehlt zum Schema \u201EAAG\u201C",
          "Positionen: Position 1: Herkunftsland \u201Ede\u201C ist kein Ländercode nach ISO 3166 (z.B. DE)",
          "Positionen: Position 1: Klassifizierung 1: Schema fehlt",
          "Positionen: Position 1: Klassifizierung 2: Code fehlt",
          "Positionen: Position 1: Eigenschaft 1: Wert fehlt",
          "Positionen: Position 1: Eigenschaft 2: Name fehlt"}},
        {details([](LineDetails& d) { d.standardItemId = "4012345678901"; }),
         {"Positionen: Position 1: Schema der Artikelkennung fehlt"}},
        {details([](LineDetails& d) {
             d.standardItemId = "4012345678901";
             d.standardItemIdScheme = "0160";
             d.originCountry = "DE";
             d.classifications = {{"44111", "STI", ""}};
             d.attributes = {{"Farbe", "rot"}};
         }),
         {}},
        {entry(TaxCategory, 7) + text(SupplierPartyId, "L-1") + text(SupplierVatId, ""), {}}, // and no rate
        {entry(TaxCategory, 7) + text(SupplierPartyId, "L-1") + text(SupplierVatId, "") +
             [](Form& s) {
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
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        Form state = completeInvoice();
        cases[i].first(state);
        EXPECT_EQ(findingTexts(state), cases[i].second) << "case " << i;
    }
    // The message before saving lists every finding and points at the first.
    Form state = completeInvoice();
    leaveTextField(state, SupplierEmail, "");
    leaveTextField(state, DocumentNumber, "");
    const MandatoryCheck check = checkMandatoryFields(state);
    EXPECT_FALSE(check.ok);
    EXPECT_EQ(check.title + "|" + check.text,
              "Pflichtfelder|Die Datei kann so nicht gespeichert werden. Bitte ergänzen oder korrigieren:"
              "\rBelegkopf: Belegnummer fehlt\rLieferant: Email fehlt");
    EXPECT_EQ(check.first.field, DocumentNumber);
}

} // namespace
} // namespace tallomir
