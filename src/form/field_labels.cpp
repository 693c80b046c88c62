// Every form field with a label, and the page it stands on.

#include "form/field_labels.h"

namespace tallomir {

namespace {

struct FieldInfo {
    FieldId field;
    int page;
    const char* label;
};

// Every form field with a label, page by page.
constexpr FieldInfo fieldInfos[] = {
    {FieldId::DocumentType, 0, "XBelegart"},
    {FieldId::DocumentFormat, 0, "Format"},
    {FieldId::Currency, 0, "Währung"},
    {FieldId::PaymentTerms, 0, "Zahlungsbedingung"},
    {FieldId::TaxCategory, 0, "Steuerkennung"},
    {FieldId::BuyerReference, 0, "Leit ID"},
    {FieldId::DocumentNumber, 0, "Belegnummer"},
    {FieldId::IssueDate, 0, "Belegdatum"},
    {FieldId::DueDate, 0, "Fälligkeit"},
    {FieldId::DeliveryDate, 0, "Lieferdatum"},
    {FieldId::PeriodStart, 0, "Leistungszeitraum"},
    {FieldId::PeriodEnd, 0, "Leistungszeitraum (bis)"},
    {FieldId::OrderNumber, 0, "Bestellnummer"},
    {FieldId::SalesOrderNumber, 0, "Kundenauftrag"},
    {FieldId::ContractNumber, 0, "Vertragsnummer"},
    {FieldId::ProjectNumber, 0, "Projektnummer"},
    {FieldId::Note, 0, "Notiz"},
    {FieldId::PrecedingInvoiceNumber, 0, "Bezug auf Rechnung"},
    {FieldId::PrecedingInvoiceDate, 0, "vom"},
    {FieldId::SupplierPartyId, 1, "Lieferanten Nr."},
    {FieldId::SupplierPartyIdScheme, 1, "Schema der Kennung"},
    {FieldId::SupplierName, 1, "Lieferant"},
    {FieldId::SupplierStreet, 1, "Straße"},
    {FieldId::SupplierAdditionalStreet, 1, "Adresszusatz"},
    {FieldId::SupplierAddressLine3, 1, "Adresszeile 3"},
    {FieldId::SupplierPostalCode, 1, "PLZ"},
    {FieldId::SupplierCity, 1, "Ort"},
    {FieldId::SupplierRegion, 1, "Region"},
    {FieldId::SupplierCountryCode, 1, "Land (kurz)"},
    {FieldId::SupplierVatId, 1, "UStID"},
    {FieldId::SupplierTaxNumber, 1, "Steuernummer"},
    {FieldId::SupplierRegistrationName, 1, "Firmenname (lt. Register)"},
    {FieldId::SupplierRegistrationId, 1, "HR Nummer"},
    {FieldId::SupplierRegistrationIdScheme, 1, "Schema der Registernummer"},
    {FieldId::SupplierLegalForm, 1, "Gesellschaftsform"},
    {FieldId::SupplierContactName, 1, "Ansprechpartner"},
    {FieldId::SupplierPhone, 1, "Telefon"},
    {FieldId::SupplierEmail, 1, "Email"},
    {FieldId::SupplierEndpoint, 1, "Elektron. Adresse"},
    {FieldId::SupplierEndpointScheme, 1, "Art der Elektron. Adresse"},
    {FieldId::PaymentMeans, 1, "Zahlungsart"},
    {FieldId::BankName, 1, "Bankname"},
    {FieldId::Iban, 1, "IBAN"},
    {FieldId::Bic, 1, "BIC"},
    {FieldId::MandateReference, 1, "Mandatsreferenz"},
    {FieldId::CreditorId, 1, "Gläubiger-ID"},
    {FieldId::DebitedIban, 1, "IBAN des Zahlers"},
    {FieldId::CardNumber, 1, "Kartennummer"},
    {FieldId::CardHolder, 1, "Karteninhaber"},
    {FieldId::CustomerPartyId, 2, "Kunden Nr."},
    {FieldId::CustomerPartyIdScheme, 2, "Schema der Kennung"},
    {FieldId::CustomerName, 2, "Kunde"},
    {FieldId::CustomerStreet, 2, "Straße"},
    {FieldId::CustomerAdditionalStreet, 2, "Adresszusatz"},
    {FieldId::CustomerAddressLine3, 2, "Adresszeile 3"},
    {FieldId::CustomerPostalCode, 2, "PLZ"},
    {FieldId::CustomerCity, 2, "Ort"},
    {FieldId::CustomerRegion, 2, "Region"},
    {FieldId::CustomerCountryCode, 2, "Land (kurz)"},
    {FieldId::CustomerVatId, 2, "UStID"},
    {FieldId::CustomerRegistrationName, 2, "Firmenname (lt. Register)"},
    {FieldId::CustomerRegistrationId, 2, "HR Nummer"},
    {FieldId::CustomerRegistrationIdScheme, 2, "Schema der Registernummer"},
    {FieldId::CustomerContactName, 2, "Ansprechpartner"},
    {FieldId::CustomerPhone, 2, "Telefon"},
    {FieldId::CustomerEmail, 2, "Email"},
    {FieldId::CustomerEndpoint, 2, "Elektron. Adresse"},
    {FieldId::CustomerEndpointScheme, 2, "Art der Elektron. Adresse"},
    {FieldId::DeliveryName, 3, "Kunde"},
    {FieldId::DeliveryStreet, 3, "Straße"},
    {FieldId::DeliveryAdditionalStreet, 3, "Adresszusatz"},
    {FieldId::DeliveryAddressLine3, 3, "Adresszeile 3"},
    {FieldId::DeliveryPostalCode, 3, "PLZ"},
    {FieldId::DeliveryCity, 3, "Ort"},
    {FieldId::DeliveryRegion, 3, "Region"},
    {FieldId::DeliveryCountryCode, 3, "Land (kurz)"},
    {FieldId::DeliveryLocationId, 3, "Lieferort-Kennung"},
    {FieldId::DeliveryLocationIdScheme, 3, "Schema der Kennung"},
    {FieldId::AllowanceReason, 5, "Nachlass / Zuschlag"},
    {FieldId::AllowanceValue, 5, "Wert"},
    {FieldId::AllowancePercent, 5, "Prozent"},
    {FieldId::AllowanceSlot, 5, "USt. %"},
    {FieldId::FurtherAllowances, 5, "Weitere Nachlässe / Zuschläge"},
    {FieldId::TaxCurrencyTotal, 5, "USt. in Buchungswährung"},
    {FieldId::PrepaidTotal, 5, "Bereits gezahlt"},
    {FieldId::RoundingAmount, 5, "Rundung"},
    {FieldId::BuyerAccountingReference, 6, "Buchungsreferenz"},
    {FieldId::TenderOrLotReference, 6, "Vergabenummer"},
    {FieldId::InvoicedObjectIdentifier, 6, "Objektkennung"},
    {FieldId::ReceivingAdviceReference, 6, "Wareneingangsmeldung"},
    {FieldId::DespatchAdviceReference, 6, "Versandanzeige"},
    {FieldId::TaxPointDate, 6, "Steuerfälligkeit"},
    {FieldId::RemittanceInformation, 6, "Verwendungszweck"},
    {FieldId::PayeeName, 6, "Zahlungsempfänger"},
    {FieldId::PayeeIdentifier, 6, "Kennung des Zahlungsempfängers"},
    {FieldId::PayeeRegistrationId, 6, "Registernummer des Zahlungsempfängers"},
    {FieldId::TaxRepresentativeName, 6, "Steuervertreter"},
    {FieldId::TaxRepresentativeStreet, 6, "Straße des Steuervertreters"},
    {FieldId::TaxRepresentativeAdditionalStreet, 6, "Adresszusatz des Steuervertreters"},
    {FieldId::TaxRepresentativeAddressLine3, 6, "Adresszeile 3 des Steuervertreters"},
    {FieldId::TaxRepresentativePostalCode, 6, "PLZ des Steuervertreters"},
    {FieldId::TaxRepresentativeCity, 6, "Ort des Steuervertreters"},
    {FieldId::TaxRepresentativeRegion, 6, "Region des Steuervertreters"},
    {FieldId::TaxRepresentativeCountryCode, 6, "Land des Steuervertreters"},
    {FieldId::TaxRepresentativeVatId, 6, "UStID des Steuervertreters"},
    {FieldId::FurtherNotes, 6, "Weitere Notizen"},
    {FieldId::Attachments, 6, "Anhänge"},
};

const FieldInfo* infoOf(FieldId field) {
    for (const FieldInfo& info : fieldInfos)
        if (info.field == field)
            return &info;
    return nullptr;
}

} // namespace

std::string fieldLabel(FieldId field, bool required) {
    const FieldInfo* info = infoOf(field);
    std::string label = info ? info->label : "";
    if (!required || label.empty())
        return label;
    // The star stands before a bracketed addition: "Land* (kurz)".
    const std::size_t bracket = label.find(" (");
    label.insert(bracket == std::string::npos ? label.size() : bracket, "*");
    return label;
}

std::string pageOf(FieldId field) {
    const FieldInfo* info = infoOf(field);
    return info ? pageTitles[info->page] : "";
}

int pageIndexOf(FieldId field) {
    const FieldInfo* info = infoOf(field);
    return info ? info->page : 4;
}

} // namespace tallomir
