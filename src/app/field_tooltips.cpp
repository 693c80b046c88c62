#include "field_tooltips.h"

#include "invoice/fields.h"

#include <QRegularExpression>
#include <QWidget>

namespace tallomir::app {

namespace {

struct Tip {
    QString name;
    const char* text;
    Tip(FieldId id, const char* tip) : name(QStringLiteral("field%1").arg(static_cast<int>(id))), text(tip) {}
    Tip(const char* control, const char* tip) : name(QString::fromLatin1(control)), text(tip) {}
};

// Every field of the form: what it holds, and an example. The VAT rows beyond
// the third ("footerRowTax4") take the tips of the rows' columns.
const Tip tips[] = {
    // "Belegkopf"
    {FieldId::DocumentType, "Art des Belegs: Rechnung, korrigierte Rechnung oder Gutschrift, z.B. Rechnung"},
    {FieldId::Currency, "Währung aller Beträge des Belegs, z.B. EUR"},
    {FieldId::BuyerReference,
     "Leitweg-ID oder die Referenz, die der Kunde für seine Rechnungen vorgibt, z.B. 04011000-12345-03"},
    {FieldId::DocumentNumber, "Die eindeutige Nummer dieses Belegs, z.B. RE-2024-001"},
    {FieldId::IssueDate, "Ausstellungsdatum des Belegs, z.B. 30.06.2024"},
    {FieldId::DueDate, "Bis zu diesem Tag ist der Betrag zu zahlen, z.B. 14.07.2024"},
    {FieldId::DeliveryDate, "Tag der Lieferung oder Leistung, z.B. 28.06.2024"},
    {FieldId::PeriodStart, "Beginn des Leistungszeitraums, z.B. 01.06.2024"},
    {FieldId::PeriodEnd, "Ende des Leistungszeitraums, z.B. 30.06.2024"},
    {FieldId::OrderNumber, "Die Bestellnummer des Kunden, z.B. B-4711"},
    {FieldId::SalesOrderNumber, "Ihre Auftragsnummer zu dieser Bestellung, z.B. AU-2024-17"},
    {FieldId::ContractNumber, "Nummer des Vertrags, auf dem der Beleg beruht, z.B. V-2023-05"},
    {FieldId::ProjectNumber, "Die Projektnummer des Kunden, z.B. PRJ-88"},
    {FieldId::Note, "Freier Text zum Beleg, z.B. Vielen Dank für Ihren Auftrag."},
    {FieldId::PaymentTerms,
     "Die Zahlungsbedingungen als Text, z.B. Zahlbar innerhalb von 14 Tagen ohne Abzug"},
    {FieldId::TaxCategory, "Umsatzsteuer-Kategorie, die neue Positionen erhalten, z.B. Standard USt."},
    {FieldId::PrecedingInvoiceNumber,
     "Nummer der Rechnung, auf die sich eine Gutschrift oder korrigierte Rechnung bezieht, z.B. RE-2024-001"},
    {FieldId::PrecedingInvoiceDate, "Datum der Rechnung, auf die sich der Beleg bezieht, z.B. 30.06.2024"},
    {FieldId::DocumentFormat, "Version der XRechnung, in der die Datei geschrieben wird, z.B. XRechnung 3.0"},
    // "Lieferant"
    {FieldId::SupplierPartyId, "Ihre Nummer als Lieferant beim Kunden, z.B. L-10023"},
    {FieldId::SupplierName, "Ihr Handelsname, wie er auf dem Beleg stehen soll, z.B. Muster Werkzeuge"},
    {FieldId::SupplierStreet, "Straße und Hausnummer, z.B. Hauptstraße 5"},
    {FieldId::SupplierCity, "Ort, z.B. Bonn"},
    {FieldId::SupplierPostalCode, "Postleitzahl, z.B. 53111"},
    {FieldId::SupplierCountryCode, "Ländercode nach ISO 3166 aus 2 Buchstaben, z.B. DE"},
    {FieldId::SupplierVatId, "Umsatzsteuer-Identifikationsnummer, z.B. DE123456789"},
    {FieldId::SupplierTaxNumber, "Steuernummer beim Finanzamt, z.B. 201/123/45678"},
    {FieldId::SupplierRegistrationName,
     "Name Ihres Unternehmens, wie er im Handelsregister steht; er erscheint als „Firma“, z.B. Lieferant & "
     "Söhne KG (nicht das Registergericht)"},
    {FieldId::SupplierRegistrationId,
     "Handelsregisternummer mit Registergericht, z.B. HRB 12345, Amtsgericht Bonn"},
    {FieldId::SupplierLegalForm,
     "Rechtsform und weitere rechtliche Angaben, z.B. GmbH, Geschäftsführer: Erika Muster"},
    {FieldId::SupplierContactName, "Die Ansprechperson für Rückfragen, z.B. Erika Muster"},
    {FieldId::SupplierPhone, "Telefonnummer der Ansprechperson, z.B. 0228 123456"},
    {FieldId::SupplierEmail, "E-Mail-Adresse der Ansprechperson, z.B. rechnung@example.org"},
    {FieldId::SupplierEndpoint, "Ihre elektronische Adresse für Belege, z.B. rechnung@example.org"},
    {FieldId::SupplierEndpointScheme, "Art der elektronischen Adresse, z.B. EM für eine E-Mail-Adresse"},
    {FieldId::PaymentMeans, "Wie gezahlt wird: Überweisung, Lastschrift oder Karte, z.B. SEPA-Überweisung"},
    {FieldId::BankName, "Name der Bank, z.B. Sparkasse KölnBonn"},
    {FieldId::Iban, "IBAN des Kontos, auf das gezahlt wird, z.B. DE02120300000000202051"},
    {FieldId::Bic, "BIC der Bank, z.B. BYLADEM1001"},
    {FieldId::MandateReference, "Referenz des SEPA-Lastschriftmandats, z.B. M-2024-001"},
    {FieldId::CreditorId, "Gläubiger-Identifikationsnummer, z.B. DE98ZZZ09999999999"},
    {FieldId::DebitedIban, "IBAN des Kontos, das belastet wird, z.B. DE02120300000000202051"},
    {FieldId::CardNumber,
     "Nur die letzten 4 bis 6 Ziffern der Karte: mehr darf eine Rechnung nicht enthalten, z.B. 1234"},
    {FieldId::CardHolder, "Name des Karteninhabers, z.B. Erika Muster"},
    // "Kunde"
    {FieldId::CustomerPartyId, "Ihre Nummer für den Kunden, z.B. K-20417"},
    {FieldId::CustomerName, "Name des Kunden, wie er auf dem Beleg stehen soll, z.B. Kundin GmbH"},
    {FieldId::CustomerStreet, "Straße und Hausnummer, z.B. Domstraße 1"},
    {FieldId::CustomerCity, "Ort, z.B. Köln"},
    {FieldId::CustomerPostalCode, "Postleitzahl, z.B. 50667"},
    {FieldId::CustomerCountryCode, "Ländercode nach ISO 3166 aus 2 Buchstaben, z.B. DE"},
    {FieldId::CustomerVatId, "Umsatzsteuer-Identifikationsnummer des Kunden, z.B. DE987654321"},
    {FieldId::CustomerRegistrationName,
     "Name des Kunden, wie er im Handelsregister steht; er erscheint als „Firma“, z.B. Kundin GmbH"},
    {FieldId::CustomerRegistrationId,
     "Handelsregisternummer mit Registergericht, z.B. HRB 54321, Amtsgericht Köln"},
    {FieldId::CustomerContactName, "Die Ansprechperson beim Kunden, z.B. Max Mustermann"},
    {FieldId::CustomerPhone, "Telefonnummer beim Kunden, z.B. 0221 98765"},
    {FieldId::CustomerEmail, "E-Mail-Adresse beim Kunden, z.B. einkauf@kundin.example"},
    {FieldId::CustomerEndpoint,
     "Elektronische Adresse des Kunden für Belege, z.B. die Leitweg-ID 04011000-12345-03"},
    {FieldId::CustomerEndpointScheme, "Art der elektronischen Adresse, z.B. 0204 für eine Leitweg-ID"},
    // "Lieferung"
    {FieldId::DeliveryName, "Empfänger der Lieferung, z.B. Kundin GmbH, Lager Nord"},
    {FieldId::DeliveryStreet, "Straße der Lieferanschrift, z.B. Industriestraße 7"},
    {FieldId::DeliveryCity, "Ort der Lieferanschrift, z.B. Köln"},
    {FieldId::DeliveryPostalCode, "Postleitzahl der Lieferanschrift, z.B. 50667"},
    {FieldId::DeliveryCountryCode, "Ländercode der Lieferanschrift, z.B. DE"},
    // "Positionen"
    {"linePosition", "Nummer der Position, z.B. 1"},
    {"lineQuantity", "Menge in der gewählten Einheit, z.B. 2,5"},
    {"lineItemNumber", "Ihre Artikelnummer, z.B. A-100"},
    {"lineItemName", "Bezeichnung des Artikels oder der Leistung, z.B. Schrauben M6"},
    {"lineUnitPrice", "Nettopreis je Einheit, z.B. 12,50"},
    {"lineVatPercent", "USt.-Satz der Position in Prozent, z.B. 19"},
    {"lineDescription", "Beschreibung, auch über mehrere Zeilen, z.B. verzinkt, 100 Stück je Packung"},
    {"lineTaxCategory", "Umsatzsteuer-Kategorie der Position, z.B. Standard USt."},
    {"lineUnit", "Einheit der Menge, z.B. Stück"},
    {"lineStartDate", "Beginn des Leistungszeitraums der Position, z.B. 01.06.2024"},
    {"lineEndDate", "Ende des Leistungszeitraums der Position, z.B. 30.06.2024"},
    // "Belegfuss"
    {FieldId::LinesTotal, "Summe der Nettobeträge aller Positionen, z.B. 1.250,00"},
    {FieldId::AllowanceReason, "Grund des Nachlasses oder Zuschlags, z.B. Treuerabatt"},
    {FieldId::AllowanceValue,
     "Nachlass oder Zuschlag als Betrag: negativ (z.B. -3) ist ein Nachlass, positiv (z.B. 3) ein Zuschlag"},
    {FieldId::AllowancePercent,
     "Nachlass oder Zuschlag in Prozent: negativ (z.B. -3) ist ein Nachlass, positiv (z.B. 3) ein Zuschlag"},
    {"allowanceKind", "Negativ (z.B. -3) ist ein Nachlass, positiv (z.B. 3) ein Zuschlag"},
    {FieldId::AllowanceSlot, "USt.-Satz des Nachlasses oder Zuschlags, z.B. 19,00 %"},
    {FieldId::NetTotal, "Summe der Positionen mit Nachlass oder Zuschlag, z.B. 1.240,00"},
    {"footerRowRate", "USt.-Satz dieser Gruppe in Prozent, z.B. 19,00"},
    {"footerRowTaxable", "Nettobetrag, auf den dieser Satz angewandt wird, z.B. 1.000,00"},
    {"footerRowTax", "Umsatzsteuer dieser Gruppe, z.B. 190,00"},
    {"footerRowCategory",
     "Steuerkategorie der Gruppe, wo sie nicht S (Standard) ist, z.B. E für steuerbefreit"},
    {FieldId::TaxTotal, "Umsatzsteuer aller Gruppen, z.B. 235,60"},
    {FieldId::GrossTotal, "Netto Betrag und Umsatzsteuer zusammen, z.B. 1.475,60"},
    {FieldId::PayableTotal, "Der zu zahlende Betrag, z.B. 1.475,60"},
    {FieldId::FurtherAllowances, "Weitere Nachlässe und Zuschläge der geladenen Datei, z.B. Skonto -20,00"},
    {FieldId::TaxCurrencyTotal, "Umsatzsteuer in der Abrechnungswährung laut Datei, z.B. 210,50"},
    {FieldId::PrepaidTotal, "Bereits gezahlter Betrag laut Datei, z.B. 500,00"},
    {FieldId::RoundingAmount, "Rundungsbetrag laut Datei, z.B. 0,01"},
};

// The fixed VAT rows' fields are named by their field ids; they hold what
// the rows' columns hold.
QString columnOf(const QString& objectName) {
    static const std::pair<FieldId, const char*> fixedRows[] = {
        {FieldId::Row1Rate, "footerRowRate"},       {FieldId::Row2Rate, "footerRowRate"},
        {FieldId::Row3Rate, "footerRowRate"},       {FieldId::Row1Taxable, "footerRowTaxable"},
        {FieldId::Row2Taxable, "footerRowTaxable"}, {FieldId::Row3Taxable, "footerRowTaxable"},
        {FieldId::Row1Tax, "footerRowTax"},         {FieldId::Row2Tax, "footerRowTax"},
        {FieldId::Row3Tax, "footerRowTax"},
    };
    for (const auto& [id, column] : fixedRows)
        if (objectName == QStringLiteral("field%1").arg(static_cast<int>(id)))
            return QString::fromLatin1(column);
    static const QRegularExpression numbered(QStringLiteral("^(footerRow[A-Za-z]+)[0-9]+$"));
    const QRegularExpressionMatch match = numbered.match(objectName);
    return match.hasMatch() ? match.captured(1) : objectName;
}

} // namespace

QString fieldTooltip(const QString& objectName) {
    const QString name = columnOf(objectName);
    for (const Tip& tip : tips)
        if (tip.name == name)
            return QString::fromUtf8(tip.text);
    return {};
}

void setFieldTooltips(QWidget* root) {
    for (QWidget* control : root->findChildren<QWidget*>())
        if (const QString tip = fieldTooltip(control->objectName()); !tip.isEmpty())
            control->setToolTip(tip);
}

} // namespace tallomir::app
