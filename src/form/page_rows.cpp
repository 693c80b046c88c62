#include "form/page_rows.h"

namespace tallomir {

namespace {

using F = FieldId;
using L = LineField;
using C = Choices;
using I = Input;
using P = Place;

// The text of the document a row edits.
#define AT(member) [](InvoiceDocument& d) { return &d.member; }
constexpr TextOf none = nullptr;

// A row of a document field.
constexpr PageRow row(F field, TextOf text, const char* labelName, const char* label, I input, int chars,
                      P place, const char* tooltip, C choices = C::None, int lines = 1) {
    return {field,   nullptr, std::nullopt, labelName, label, input,
            choices, chars,   place,        tooltip,   lines, text};
}

// A row of a control named on its own: of the line editor, a VAT row, a caption.
constexpr PageRow namedRow(const char* name, std::optional<L> lineField, const char* labelName,
                           const char* label, I input, int chars, P place, const char* tooltip,
                           C choices = C::None, int lines = 1) {
    return {F{}, name, lineField, labelName, label, input, choices, chars, place, tooltip, lines};
}

// Amounts up to -11.899.999,98 show whole.
constexpr int amountChars = 16;
constexpr int dateChars = 10;

constexpr PageRow headerRows[] = {
    row(F::DocumentType, none, "label10", "XBelegart*", I::Choice, 20, P::Row,
        "Art des Belegs: Rechnung, korrigierte Rechnung oder Gutschrift, z.B. Rechnung", C::DocumentTypes),
    row(F::Currency, none, "label11", "Währung*", I::Choice, 4, P::Beside,
        "Währung aller Beträge des Belegs, z.B. EUR", C::Currencies),
    row(F::BuyerReference, AT(buyerReference), "label12", "Leit ID*", I::Text, 36, P::Row,
        "Leitweg-ID oder die Referenz, die der Kunde für seine Rechnungen vorgibt, z.B. 04011000-12345-03"),
    row(F::DocumentNumber, AT(documentNumber), "label13", "Belegnummer*", I::Text, 36, P::Row,
        "Die eindeutige Nummer dieses Belegs, z.B. RE-2024-001"),
    row(F::IssueDate, AT(issueDate), "label14", "Belegdatum*", I::Date, dateChars, P::Row,
        "Ausstellungsdatum des Belegs, z.B. 30.06.2024"),
    row(F::DueDate, AT(dueDate), "label15", "Fälligkeit", I::Date, dateChars, P::Row,
        "Bis zu diesem Tag ist der Betrag zu zahlen, z.B. 14.07.2024"),
    row(F::DeliveryDate, AT(deliveryDate), "label16", "Lieferdatum*", I::Date, dateChars, P::Row,
        "Tag der Lieferung oder Leistung, z.B. 28.06.2024"),
    row(F::PeriodStart, AT(periodStart), "label17", "Leistungszeitraum", I::Date, dateChars, P::Row,
        "Beginn des Leistungszeitraums, z.B. 01.06.2024"),
    row(F::PeriodEnd, AT(periodEnd), nullptr, "Leistungszeitraum (bis)", I::Date, dateChars, P::Beside,
        "Ende des Leistungszeitraums, z.B. 30.06.2024"),
    row(F::OrderNumber, AT(orderNumber), "label18", "Bestellnummer", I::Text, 36, P::Row,
        "Die Bestellnummer des Kunden, z.B. B-4711"),
    row(F::SalesOrderNumber, AT(salesOrderNumber), "label19", "Kundenauftrag", I::Text, 36, P::Row,
        "Ihre Auftragsnummer zu dieser Bestellung, z.B. AU-2024-17"),
    row(F::ContractNumber, AT(contractNumber), "label20", "Vertragsnummer", I::Text, 36, P::Row,
        "Nummer des Vertrags, auf dem der Beleg beruht, z.B. V-2023-05"),
    row(F::ProjectNumber, AT(projectNumber), "label21", "Projektnummer", I::Text, 36, P::Row,
        "Die Projektnummer des Kunden, z.B. PRJ-88"),
    row(F::Note, AT(note), "label22", "Notiz", I::MultiLine, 80, P::Wide,
        "Freier Text zum Beleg, z.B. Vielen Dank für Ihren Auftrag.", C::None, 10),
    row(F::PaymentTerms, AT(paymentTerms), "label59", "Zahlungsbedingung", I::Proposals, 50, P::NextColumn,
        "Die Zahlungsbedingungen als Text, z.B. Zahlbar innerhalb von 14 Tagen ohne Abzug", C::PaymentTerms),
    row(F::TaxCategory, none, "label66", "Steuerkennung", I::Choice, 50, P::Above,
        "Umsatzsteuer-Kategorie, die neue Positionen erhalten, z.B. Standard USt.", C::TaxCategories),
    row(F::PrecedingInvoiceNumber, AT(precedingInvoiceNumber), "labelForField176", "Bezug auf Rechnung",
        I::Text, 24, P::Row,
        "Nummer der Rechnung, auf die sich eine Gutschrift oder korrigierte Rechnung bezieht, z.B. "
        "RE-2024-001"),
    row(F::PrecedingInvoiceDate, AT(precedingInvoiceDate), "labelForField177", "vom", I::Date, dateChars,
        P::Row, "Datum der Rechnung, auf die sich der Beleg bezieht, z.B. 30.06.2024"),
    row(F::DocumentFormat, none, "labelForField171", "Format", I::Choice, 16, P::Row,
        "Version der XRechnung, in der die Datei geschrieben wird, z.B. XRechnung 3.0", C::DocumentFormats),
    row(F::DocumentSyntax, none, "labelForField242", "Syntax", I::Choice, 6, P::Beside,
        "Syntax, in der die Datei geschrieben wird: UBL oder UN/CEFACT CII, z.B. CII", C::Syntaxes),
};

constexpr PageRow supplierRows[] = {
    row(F::SupplierPartyId, AT(supplier.partyId), "label23", "Lieferanten Nr.*", I::Text, 36, P::Row,
        "Ihre Nummer als Lieferant beim Kunden, z.B. L-10023"),
    row(F::SupplierPartyIdScheme, AT(supplier.partyIdScheme), "labelForField219", "Schema der Kennung",
        I::Text, 5, P::Beside,
        "Code des Schemas Ihrer Kennung nach ISO 6523, wo sie einem folgt, z.B. 0088 für eine GLN"),
    row(F::SupplierName, AT(supplier.name), "label24", "Lieferant", I::Text, 36, P::Row,
        "Ihr Handelsname, wie er auf dem Beleg stehen soll, z.B. Muster Werkzeuge"),
    row(F::SupplierStreet, AT(supplier.street), "label25", "Straße", I::Text, 36, P::Row,
        "Straße und Hausnummer, z.B. Hauptstraße 5"),
    row(F::SupplierAdditionalStreet, AT(supplier.additionalStreet), "labelForField216", "Adresszusatz",
        I::Text, 36, P::Row, "Zweite Zeile der Anschrift, z.B. Gebäude B"),
    row(F::SupplierAddressLine3, AT(supplier.addressLine3), "labelForField217", "Adresszeile 3", I::Text, 36,
        P::Row, "Dritte Zeile der Anschrift, z.B. 3. Etage"),
    row(F::SupplierPostalCode, AT(supplier.postalCode), "label27", "PLZ*", I::Text, 10, P::Row,
        "Postleitzahl, z.B. 53111"),
    row(F::SupplierCity, AT(supplier.city), "label26", "Ort*", I::Text, 36, P::Row, "Ort, z.B. Bonn"),
    row(F::SupplierRegion, AT(supplier.region), "labelForField218", "Region", I::Text, 36, P::Row,
        "Region oder Bundesland, wo die Anschrift eine braucht, z.B. Tirol"),
    row(F::SupplierCountryCode, AT(supplier.countryCode), "label28", "Land* (kurz)", I::Text, 4, P::Row,
        "Ländercode nach ISO 3166 aus 2 Buchstaben, z.B. DE"),
    row(F::SupplierVatId, AT(supplier.vatId), "label29", "UStID*", I::Text, 20, P::Row,
        "Umsatzsteuer-Identifikationsnummer, z.B. DE123456789"),
    row(F::SupplierTaxNumber, AT(supplier.taxNumber), "labelForField170", "Steuernummer", I::Text, 20, P::Row,
        "Steuernummer beim Finanzamt, z.B. 201/123/45678"),
    row(F::SupplierRegistrationName, AT(supplier.registrationName), "label31", "Firmenname* (lt. Register)",
        I::Text, 36, P::Row,
        "Name Ihres Unternehmens, wie er im Handelsregister steht; er erscheint als „Firma“, z.B. Lieferant "
        "& "
        "Söhne KG (nicht das Registergericht)"),
    row(F::SupplierRegistrationId, AT(supplier.registrationId), "label32", "HR Nummer", I::Text, 36, P::Row,
        "Handelsregisternummer mit Registergericht, z.B. HRB 12345, Amtsgericht Bonn"),
    row(F::SupplierRegistrationIdScheme, AT(supplier.registrationIdScheme), "labelForField220",
        "Schema der Registernummer", I::Text, 5, P::Beside,
        "Code des Schemas der Registernummer nach ISO 6523, wo sie einem folgt, z.B. 0060"),
    row(F::SupplierLegalForm, AT(supplier.legalForm), "label33", "Gesellschaftsform", I::Text, 36, P::Row,
        "Rechtsform und weitere rechtliche Angaben, z.B. GmbH, Geschäftsführer: Erika Muster"),
    row(F::SupplierContactName, AT(supplier.contactName), "label34", "Ansprechpartner*", I::Text, 36, P::Row,
        "Die Ansprechperson für Rückfragen, z.B. Erika Muster"),
    row(F::SupplierPhone, AT(supplier.phone), "label35", "Telefon*", I::Text, 24, P::Row,
        "Telefonnummer der Ansprechperson, z.B. 0228 123456"),
    row(F::SupplierEmail, AT(supplier.email), "label36", "Email*", I::Text, 36, P::Row,
        "E-Mail-Adresse der Ansprechperson, z.B. rechnung@example.org"),
    row(F::SupplierEndpoint, AT(supplier.endpointId), "labelForField172", "Elektron. Adresse", I::Text, 24,
        P::Row, "Ihre elektronische Adresse für Belege, z.B. rechnung@example.org"),
    row(F::SupplierEndpointScheme, none, nullptr, "Art der Elektron. Adresse", I::Choice, 10, P::Beside,
        "Art der elektronischen Adresse, z.B. EM für eine E-Mail-Adresse", C::EndpointSchemes),
    row(F::PaymentMeans, none, "label55", "Zahlungsart", I::Choice, 20, P::NextColumn,
        "Wie gezahlt wird: Überweisung, Lastschrift oder Karte, z.B. SEPA-Überweisung", C::PaymentMeans),
    row(F::BankName, AT(bankName), "label56", "Bankname", I::Text, 36, P::Row,
        "Name der Bank, z.B. Sparkasse KölnBonn"),
    row(F::Iban, AT(iban), "label57", "IBAN*", I::Text, 24, P::Row,
        "IBAN des Kontos, auf das gezahlt wird, z.B. DE02120300000000202051"),
    row(F::Bic, AT(bic), "label58", "BIC", I::Text, 11, P::Beside, "BIC der Bank, z.B. BYLADEM1001"),
    row(F::MandateReference, AT(mandateReference), "labelForField190", "Mandatsreferenz", I::Text, 36,
        P::AfterGap, "Referenz des SEPA-Lastschriftmandats, z.B. M-2024-001"),
    row(F::CreditorId, AT(creditorId), "labelForField191", "Gläubiger-ID", I::Text, 24, P::Row,
        "Gläubiger-Identifikationsnummer, z.B. DE98ZZZ09999999999"),
    row(F::DebitedIban, AT(debitedIban), "labelForField192", "IBAN des Zahlers", I::Text, 24, P::Row,
        "IBAN des Kontos, das belastet wird, z.B. DE02120300000000202051"),
    row(F::CardNumber, AT(cardNumber), "labelForField193", "Kartennummer", I::Text, 8, P::AfterGap,
        "Nur die letzten 4 bis 6 Ziffern der Karte: mehr darf eine Rechnung nicht enthalten, z.B. 1234"),
    row(F::CardHolder, AT(cardHolder), "labelForField194", "Karteninhaber", I::Text, 36, P::Row,
        "Name des Karteninhabers, z.B. Erika Muster"),
};

constexpr PageRow customerRows[] = {
    row(F::CustomerPartyId, AT(customer.partyId), "label37", "Kunden Nr.*", I::Text, 36, P::Row,
        "Ihre Nummer für den Kunden, z.B. K-20417"),
    row(F::CustomerPartyIdScheme, AT(customer.partyIdScheme), "labelForField224", "Schema der Kennung",
        I::Text, 5, P::Beside,
        "Code des Schemas der Kennung nach ISO 6523, wo sie einem folgt, z.B. 0088 für eine GLN"),
    row(F::CustomerName, AT(customer.name), "label38", "Kunde", I::Text, 36, P::Row,
        "Name des Kunden, wie er auf dem Beleg stehen soll, z.B. Kundin GmbH"),
    row(F::CustomerStreet, AT(customer.street), "label39", "Straße", I::Text, 36, P::Row,
        "Straße und Hausnummer, z.B. Domstraße 1"),
    row(F::CustomerAdditionalStreet, AT(customer.additionalStreet), "labelForField221", "Adresszusatz",
        I::Text, 36, P::Row, "Zweite Zeile der Anschrift, z.B. Abteilung Einkauf"),
    row(F::CustomerAddressLine3, AT(customer.addressLine3), "labelForField222", "Adresszeile 3", I::Text, 36,
        P::Row, "Dritte Zeile der Anschrift, z.B. Raum 204"),
    row(F::CustomerPostalCode, AT(customer.postalCode), "label41", "PLZ*", I::Text, 10, P::Row,
        "Postleitzahl, z.B. 50667"),
    row(F::CustomerCity, AT(customer.city), "label40", "Ort*", I::Text, 36, P::Row, "Ort, z.B. Köln"),
    row(F::CustomerRegion, AT(customer.region), "labelForField223", "Region", I::Text, 36, P::Row,
        "Region oder Bundesland, wo die Anschrift eine braucht, z.B. Tirol"),
    row(F::CustomerCountryCode, AT(customer.countryCode), "label42", "Land* (kurz)", I::Text, 4, P::Row,
        "Ländercode nach ISO 3166 aus 2 Buchstaben, z.B. DE"),
    row(F::CustomerVatId, AT(customer.vatId), "label43", "UStID", I::Text, 20, P::Row,
        "Umsatzsteuer-Identifikationsnummer des Kunden, z.B. DE987654321"),
    // Below the gap, level with the same rows of "Lieferant".
    row(F::CustomerRegistrationName, AT(customer.registrationName), "label45", "Firmenname* (lt. Register)",
        I::Text, 36, P::AfterGap,
        "Name des Kunden, wie er im Handelsregister steht; er erscheint als „Firma“, z.B. Kundin GmbH"),
    row(F::CustomerRegistrationId, AT(customer.registrationId), "label46", "HR Nummer", I::Text, 36, P::Row,
        "Handelsregisternummer mit Registergericht, z.B. HRB 54321, Amtsgericht Köln"),
    row(F::CustomerRegistrationIdScheme, AT(customer.registrationIdScheme), "labelForField225",
        "Schema der Registernummer", I::Text, 5, P::Beside,
        "Code des Schemas der Registernummer nach ISO 6523, wo sie einem folgt, z.B. 0060"),
    row(F::CustomerContactName, AT(customer.contactName), "label47", "Ansprechpartner", I::Text, 36, P::Row,
        "Die Ansprechperson beim Kunden, z.B. Max Mustermann"),
    row(F::CustomerPhone, AT(customer.phone), "label48", "Telefon", I::Text, 24, P::Row,
        "Telefonnummer beim Kunden, z.B. 0221 98765"),
    row(F::CustomerEmail, AT(customer.email), "label49", "Email", I::Text, 36, P::Row,
        "E-Mail-Adresse beim Kunden, z.B. einkauf@kundin.example"),
    row(F::CustomerEndpoint, AT(customer.endpointId), "labelForField174", "Elektron. Adresse", I::Text, 24,
        P::Row, "Elektronische Adresse des Kunden für Belege, z.B. die Leitweg-ID 04011000-12345-03"),
    row(F::CustomerEndpointScheme, none, nullptr, "Art der Elektron. Adresse", I::Choice, 10, P::Beside,
        "Art der elektronischen Adresse, z.B. 0204 für eine Leitweg-ID", C::EndpointSchemes),
};

// Level with the rows of "Kunde" below its first.
constexpr PageRow deliveryRows[] = {
    row(F::DeliveryName, AT(delivery.name), "label50", "Kunde", I::Text, 36, P::AfterGap,
        "Empfänger der Lieferung, z.B. Kundin GmbH, Lager Nord"),
    row(F::DeliveryStreet, AT(delivery.street), "label51", "Straße", I::Text, 36, P::Row,
        "Straße der Lieferanschrift, z.B. Industriestraße 7"),
    row(F::DeliveryAdditionalStreet, AT(delivery.additionalStreet), "labelForField226", "Adresszusatz",
        I::Text, 36, P::Row, "Zweite Zeile der Lieferanschrift, z.B. Tor 3"),
    row(F::DeliveryAddressLine3, AT(delivery.addressLine3), "labelForField227", "Adresszeile 3", I::Text, 36,
        P::Row, "Dritte Zeile der Lieferanschrift, z.B. Rampe 2"),
    row(F::DeliveryPostalCode, AT(delivery.postalCode), "label53", "PLZ", I::Text, 10, P::Row,
        "Postleitzahl der Lieferanschrift, z.B. 50667"),
    row(F::DeliveryCity, AT(delivery.city), "label52", "Ort", I::Text, 36, P::Row,
        "Ort der Lieferanschrift, z.B. Köln"),
    row(F::DeliveryRegion, AT(delivery.region), "labelForField228", "Region", I::Text, 36, P::Row,
        "Region oder Bundesland der Lieferanschrift, wo sie eine braucht, z.B. Tirol"),
    row(F::DeliveryCountryCode, AT(delivery.countryCode), "label54", "Land (kurz)", I::Text, 4, P::Row,
        "Ländercode der Lieferanschrift, z.B. DE"),
    row(F::DeliveryLocationId, AT(delivery.locationId), "labelForField229", "Lieferort-Kennung", I::Text, 24,
        P::Row, "Kennung des Orts, an den geliefert wird, z.B. die GLN 4000001123452"),
    row(F::DeliveryLocationIdScheme, AT(delivery.locationIdScheme), "labelForField230", "Schema der Kennung",
        I::Text, 5, P::Beside,
        "Code des Schemas der Lieferort-Kennung nach ISO 6523, z.B. 0088 für eine GLN"),
};

// The line editor; "Anfügen", "Ändern", "Löschen" follow its first line, the
// list of lines its last.
constexpr PageRow lineEditorRows[] = {
    namedRow("linePosition", L::Position, "labelLinePosition", "Pos.", I::Text, 4, P::Above,
             "Nummer der Position, z.B. 1"),
    namedRow("lineQuantity", L::Quantity, "labelLineQuantity", "Anz.", I::Text, 8, P::Beside,
             "Menge in der gewählten Einheit, z.B. 2,5"),
    namedRow("lineItemNumber", L::ItemNumber, "labelLineItemNumber", "Artikel-Nr.", I::Text, 12, P::Beside,
             "Ihre Artikelnummer, z.B. A-100"),
    namedRow("lineItemName", L::ItemName, "labelLineItemName", "Artikel-Bezeichnung", I::Text, 30, P::Beside,
             "Bezeichnung des Artikels oder der Leistung, z.B. Schrauben M6"),
    namedRow("lineUnitPrice", L::UnitPrice, "labelLineUnitPrice", "Preis", I::Text, 12, P::Beside,
             "Nettopreis je Einheit, z.B. 12,50"),
    namedRow("lineVatPercent", L::VatPercent, "labelLineVatPercent", "USt.", I::Text, 6, P::Beside,
             "USt.-Satz der Position in Prozent, z.B. 19"),
    namedRow("lineDescription", L::Description, "labelLineDescription", "Artikelbeschreibung", I::MultiLine,
             50, P::Above, "Beschreibung, auch über mehrere Zeilen, z.B. verzinkt, 100 Stück je Packung",
             C::None, 4),
    namedRow("lineStartDate", std::nullopt, "labelLinePeriod", "Leistungszeitraum  von               bis",
             I::Date, dateChars, P::Beside, "Beginn des Leistungszeitraums der Position, z.B. 01.06.2024"),
    namedRow("lineEndDate", std::nullopt, nullptr, nullptr, I::Date, dateChars, P::Beside,
             "Ende des Leistungszeitraums der Position, z.B. 30.06.2024"),
    namedRow("lineUnit", std::nullopt, "labelLineUnit", "Einheit", I::Choice, 16, P::Beside,
             "Einheit der Menge, z.B. Stück", C::Units),
    namedRow("lineTaxCategory", std::nullopt, "labelLineTaxCategory", "Steuerkennung", I::Choice, 50, P::Row,
             "Umsatzsteuer-Kategorie der Position, z.B. Standard USt.", C::TaxCategories),
};

// The amounts and the allowance or charge; what only a loaded file has in
// the column on the right.
constexpr PageRow footerRows[] = {
    row(F::LinesTotal, none, "labelForField157", "Summe aller Positionen", I::Amount, amountChars, P::Row,
        "Summe der Nettobeträge aller Positionen, z.B. 1.250,00"),
    row(F::AllowanceReason, none, "label60", "Nachlass / Zuschlag", I::Text, 40, P::Above,
        "Grund des Nachlasses oder Zuschlags, z.B. Treuerabatt"),
    row(F::AllowanceValue, none, "label62", "Wert", I::Text, amountChars, P::Beside,
        "Nachlass oder Zuschlag als Betrag: negativ (z.B. -3) ist ein Nachlass, positiv (z.B. 3) ein "
        "Zuschlag"),
    row(F::AllowancePercent, none, "label61", "Prozent", I::Text, 7, P::Beside,
        "Nachlass oder Zuschlag in Prozent: negativ (z.B. -3) ist ein Nachlass, positiv (z.B. 3) ein "
        "Zuschlag"),
    row(F::AllowanceSlot, none, "label64", "USt. %", I::Choice, 8, P::Beside,
        "USt.-Satz des Nachlasses oder Zuschlags, z.B. 19,00 %", C::VatRates),
    // What the entry gives ("Nachlass", "Zuschlag"); the sign of "Wert" or "Prozent" decides.
    namedRow("allowanceKind", std::nullopt, nullptr, nullptr, I::Caption, 0, P::Beside,
             "Negativ (z.B. -3) ist ein Nachlass, positiv (z.B. 3) ein Zuschlag"),
    // A percentage over lines of several groups: its part in each.
    namedRow("allowanceSplit", std::nullopt, nullptr, nullptr, I::Caption, 40, P::Row, nullptr, C::None, 2),
    row(F::NetTotal, none, "labelForField158", "Netto Betrag", I::Amount, amountChars, P::Row,
        "Summe der Positionen mit Nachlass oder Zuschlag, z.B. 1.240,00"),
    // The VAT rows stand here.
    row(F::TaxTotal, none, "label65", "USt. gesamt", I::Amount, amountChars, P::Row,
        "Umsatzsteuer aller Gruppen, z.B. 235,60"),
    row(F::GrossTotal, none, "label79", "Brutto-Betrag", I::Amount, amountChars, P::Row,
        "Netto Betrag und Umsatzsteuer zusammen, z.B. 1.475,60"),
    namedRow("label81", std::nullopt, nullptr, nullptr, I::Caption, 0, P::Beside, nullptr),
    row(F::PayableTotal, none, "label80", "Zahlbetrag", I::Amount, amountChars, P::Row,
        "Der zu zahlende Betrag, z.B. 1.475,60"),
    namedRow("label82", std::nullopt, nullptr, nullptr, I::Caption, 0, P::Beside, nullptr),
    row(F::FurtherAllowances, none, "labelForField181", "Weitere Nachlässe / Zuschläge", I::ShownLines, 36,
        P::NextColumn, "Weitere Nachlässe und Zuschläge der geladenen Datei, z.B. Skonto -20,00", C::None, 5),
    row(F::TaxCurrencyTotal, none, "labelForField182", "USt. in Buchungswährung", I::Amount, amountChars,
        P::Row, "Umsatzsteuer in der Abrechnungswährung laut Datei, z.B. 210,50"),
    namedRow("labelTaxCurrency", std::nullopt, nullptr, nullptr, I::Caption, 0, P::Beside, nullptr),
    row(F::PrepaidTotal, none, "labelForField183", "Bereits gezahlt", I::Amount, amountChars, P::Row,
        "Bereits gezahlter Betrag laut Datei, z.B. 500,00"),
    row(F::RoundingAmount, none, "labelForField180", "Rundung", I::Amount, amountChars, P::Row,
        "Rundungsbetrag laut Datei, z.B. 0,01"),
};

constexpr PageRow vatColumns[] = {
    namedRow("footerRowRate", std::nullopt, "labelFooterRowRate", "davon USt.-Satz", I::Amount, 7, P::Row,
             "USt.-Satz dieser Gruppe in Prozent, z.B. 19,00"),
    namedRow("footerRowTaxable", std::nullopt, "labelFooterRowAmount", "% aus", I::Amount, amountChars,
             P::Beside, "Nettobetrag, auf den dieser Satz angewandt wird, z.B. 1.000,00"),
    namedRow("footerRowTax", std::nullopt, "labelFooterRowTax", "USt.", I::Amount, amountChars, P::Beside,
             "Umsatzsteuer dieser Gruppe, z.B. 190,00"),
    namedRow("footerRowCategory", std::nullopt, "labelFooterRowCategory", "Kategorie", I::Amount, 4,
             P::Beside,
             "Steuerkategorie der Gruppe, wo sie nicht S (Standard) ist, z.B. E für steuerbefreit"),
};

// What a business states besides: references of the buyer's, the tax point, the payment's purpose.
constexpr PageRow moreRows[] = {
    row(F::BuyerAccountingReference, AT(buyerAccountingReference), "labelForField200", "Buchungsreferenz",
        I::Text, 36, P::Row, "Die Kostenstelle oder das Konto, auf das der Kunde bucht, z.B. KST-4711"),
    row(F::TenderOrLotReference, AT(tenderOrLotReference), "labelForField201", "Vergabenummer", I::Text, 36,
        P::Row, "Die Nummer der Ausschreibung oder des Loses, z.B. VG-2024-017"),
    row(F::InvoicedObjectIdentifier, AT(invoicedObjectIdentifier), "labelForField215", "Objektkennung",
        I::Text, 36, P::Row,
        "Kennung des Gegenstands, für den Sie abrechnen, z.B. ein Zähler oder ein Abonnement: Z-0815"),
    row(F::ReceivingAdviceReference, AT(receivingAdviceReference), "labelForField202", "Wareneingangsmeldung",
        I::Text, 36, P::Row, "Die Nummer der Wareneingangsmeldung des Kunden, z.B. WE-3301"),
    row(F::DespatchAdviceReference, AT(despatchAdviceReference), "labelForField203", "Versandanzeige",
        I::Text, 36, P::Row, "Die Nummer Ihrer Versandanzeige oder Ihres Lieferscheins, z.B. LS-2024-118"),
    row(F::TaxPointDate, AT(taxPointDate), "labelForField204", "Steuerfälligkeit", I::Date, dateChars, P::Row,
        "Tag, an dem die Umsatzsteuer entsteht, wo er vom Belegdatum abweicht, z.B. 30.06.2024"),
    row(F::TaxPointDateCode, AT(taxPointDateCode), "labelForField234", "Steuerfälligkeit (Code)", I::Text, 4,
        P::Row,
        "Statt eines Datums: 3 = Rechnungsdatum, 35 = Liefer- oder Leistungsdatum, 432 = Zahlungsdatum, z.B. "
        "35"),
    row(F::RemittanceInformation, AT(remittanceInformation), "labelForField205", "Verwendungszweck", I::Text,
        36, P::Row, "Text, den der Kunde bei der Überweisung angeben soll, z.B. RE-2024-001"),
    row(F::PayeeName, AT(payeeName), "labelForField206", "Zahlungsempfänger", I::Text, 36, P::Row,
        "Wer die Zahlung erhält, wo es nicht Sie selbst sind, z.B. Factoring Bank AG"),
    row(F::PayeeIdentifier, AT(payeeIdentifier), "labelForField207", "Kennung des Zahlungsempfängers",
        I::Text, 36, P::Row, "Eine Kennung des Zahlungsempfängers, z.B. seine Kundennummer bei Ihnen: ZE-12"),
    row(F::PayeeRegistrationId, AT(payeeRegistrationId), "labelForField208",
        "Registernummer des Zahlungsempfängers", I::Text, 36, P::Row,
        "Die Handelsregisternummer des Zahlungsempfängers, z.B. HRB 12345"),
    row(F::TaxRepresentativeName, AT(taxRepresentativeName), "labelForField209", "Steuervertreter", I::Text,
        36, P::Row,
        "Ihr Steuervertreter im Land des Kunden, wo Sie einen haben, z.B. Fiskal Vertretung GmbH"),
    row(F::TaxRepresentativeStreet, AT(taxRepresentativeStreet), "labelForField210",
        "Straße des Steuervertreters", I::Text, 36, P::Row,
        "Straße und Hausnummer des Steuervertreters, z.B. Ringstraße 3"),
    row(F::TaxRepresentativeAdditionalStreet, AT(taxRepresentativeAdditionalStreet), "labelForField231",
        "Adresszusatz des Steuervertreters", I::Text, 36, P::Row,
        "Zweite Zeile der Anschrift des Steuervertreters, z.B. Gebäude C"),
    row(F::TaxRepresentativeAddressLine3, AT(taxRepresentativeAddressLine3), "labelForField232",
        "Adresszeile 3 des Steuervertreters", I::Text, 36, P::Row,
        "Dritte Zeile der Anschrift des Steuervertreters, z.B. 2. Etage"),
    row(F::TaxRepresentativePostalCode, AT(taxRepresentativePostalCode), "labelForField211",
        "PLZ des Steuervertreters", I::Text, 10, P::Row, "Postleitzahl des Steuervertreters, z.B. 10115"),
    row(F::TaxRepresentativeCity, AT(taxRepresentativeCity), "labelForField212", "Ort des Steuervertreters",
        I::Text, 36, P::Row, "Ort des Steuervertreters, z.B. Berlin"),
    row(F::TaxRepresentativeRegion, AT(taxRepresentativeRegion), "labelForField233",
        "Region des Steuervertreters", I::Text, 36, P::Row,
        "Region oder Bundesland des Steuervertreters, wo die Anschrift eine braucht, z.B. Tirol"),
    row(F::TaxRepresentativeCountryCode, AT(taxRepresentativeCountryCode), "labelForField213",
        "Land des Steuervertreters", I::Text, 4, P::Row,
        "Ländercode des Steuervertreters nach ISO 3166, z.B. DE"),
    row(F::TaxRepresentativeVatId, AT(taxRepresentativeVatId), "labelForField214",
        "UStID des Steuervertreters", I::Text, 20, P::Row,
        "Die Umsatzsteuer-Identifikationsnummer des Steuervertreters, z.B. DE123456789"),
};

#undef AT

// "Anhänge" is a list with its buttons, no rows.
const PageRows pages[pageCount] = {headerRows,     supplierRows, customerRows, deliveryRows,
                                   lineEditorRows, footerRows,   moreRows,     PageRows()};

} // namespace

const char* pageTitle(int page) {
    return pageTitles[page];
}

PageRows pageRows(int page) {
    return pages[page];
}

const PageRow* pageRowOf(FieldId field) {
    for (const PageRows rows : pages)
        for (const PageRow& row : rows)
            if (row.name == nullptr && row.field == field)
                return &row;
    return nullptr;
}

PageRows vatRowColumns() {
    return vatColumns;
}

} // namespace tallomir
