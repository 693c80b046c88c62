// The invoices the command-line tests build, each a change of the minimal
// invoice, with what its dump and its files must show.

#include "built_cases.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace tallomir::testing {

// An invoice with what the check requires, and one line.
json minimalInvoice() {
    return json::parse(R"({
      "buyerReference": "991-12345-67", "documentNumber": "R-1", "issueDate": "2022-03-01",
      "deliveryDate": "2022-03-01", "iban": "DE02120300000000202051",
      "supplier": {"name": "Lieferant GmbH", "postalCode": "10115", "city": "Berlin", "countryCode": "DE",
                   "vatId": "DE123456789", "registrationName": "Lieferant GmbH", "contactName": "Erika Muster",
                   "phone": "030 1234", "email": "erika@example.org"},
      "customer": {"name": "Kunde AG", "postalCode": "80331", "city": "München", "countryCode": "DE",
                   "registrationName": "Kunde AG"},
      "lines": [{"position": "1", "quantity": "2", "itemName": "Hammer", "unitPrice": "10",
                 "lineVatPercent": "19"}]})");
}

json line(const std::string& position, const std::string& quantity, const std::string& price,
          const std::string& rate) {
    return json{{"position", position},
                {"quantity", quantity},
                {"itemName", "Artikel " + position},
                {"unitPrice", price},
                {"lineVatPercent", rate}};
}

const std::vector<BuiltCase>& builtCases() {
    static const std::vector<BuiltCase> cases = {
        {"minimal", [](json&) {}, {{"/payableAmount", "23.80"}}},
        {"one-rate",
         [](json& j) {
             j["lines"] = json::array({line("1", "3", "9,99", "19"), line("2", "1", "0,125", "19")});
             j["lines"][0]["unitCode"] = "KWH";
         },
         // 30.10 + 5.72 (19 % of 30.10 = 5.719); the price keeps its decimals; a line
         // without unit takes the one used last
         {{"/lines/0/lineNetAmount", "29.97"},
          {"/lines/1/unitPrice", "0.125"},
          {"/payableAmount", "35.82"},
          {"/lines/1/unitCode", "KWH"}}},
        {"allowance-by-value",
         [](json& j) {
             j["lines"] = json::array({line("1", "1", "100", "19"), line("2", "1", "50", "7")});
             j["allowance"] = {{"reason", "Rabatt"}, {"value", "-10"}, {"vatSlot", 0}};
         },
         {{"/taxExclusiveAmount", "140.00"}, {"/payableAmount", "160.60"}, {"/chargeIndicator", "false"}}},
        {"charge-by-percent",
         [](json& j) {
             j["lines"] = json::array({line("1", "1", "100", "19"), line("2", "1", "50", "7")});
             j["allowance"] = {{"reason", "Fracht"}, {"percent", "10"}, {"vatSlot", 1}};
         },
         // 10 % of each rate's lines: 10.00 at 19 %, 5.00 at 7 %
         {{"/payableAmount", "189.75"}, {"/allowanceAmount", "15.00"}, {"/allowanceBaseAmount", "150.00"}}},
        // A line's own allowances and charges: 29.97 − 5.00 − 3.00 (10 % of 29.97) + 2.50 = 24.47,
        // VAT 4.65 (19 % of 24.47 = 4.6493); the document's sums of allowances and charges stay empty.
        {"line-allowances",
         [](json& j) {
             j["lines"] = json::array({line("1", "3", "9,99", "19")});
             j["lines"][0]["lineAllowances"] = {
                 {{"amount", "5,00"}, {"reason", "Treuerabatt"}},
                 {{"percent", "10"}, {"reason", "Mengenrabatt"}, {"reasonCode", "95"}}};
             j["lines"][0]["lineCharges"] = {
                 {{"amount", 2.5}, {"reason", "Verpackung"}, {"reasonCode", "ABL"}}};
         },
         {{"/lines/0/lineNetAmount", "24.47"},
          {"/lines/0/lineAllowances/0/amount", "5.00"},
          {"/lines/0/lineAllowances/1/amount", "3.00"},
          {"/lines/0/lineAllowances/1/percent", "10"},
          {"/lines/0/lineAllowances/1/baseAmount", "29.97"}, // the line's amount is written as its base
          {"/lines/0/lineAllowances/1/reasonCode", "95"},
          {"/lines/0/lineCharges/0/reason", "Verpackung"},
          {"/lineExtensionAmount", "24.47"},
          {"/allowanceTotalAmount", ""},
          {"/payableAmount", "29.12"}}},
        {"only-a-sales-order", [](json& j) { j["salesOrderNumber"] = "KA-5"; }, {{"/orderNumber", "NA"}}},
        // Another than the seller receives the payment.
        {"payee",
         [](json& j) {
             j["payee"] = {
                 {"name", "Factoring AG"}, {"identifier", "ZE-12"}, {"legalRegistrationId", "HRB 1"}};
         },
         {{"/payee/name", "Factoring AG"},
          {"/payee/identifier", "ZE-12"},
          {"/payee/legalRegistrationId", "HRB 1"},
          {"/payee/identifierScheme", ""}}},
        // The seller's tax representative, with its address and VAT identifier.
        {"tax-representative",
         [](json& j) {
             j["taxRepresentative"] = {{"name", "Fiskal GmbH"}, {"street", "Ringstraße 3"},
                                       {"postalCode", "10115"}, {"city", "Berlin"},
                                       {"countryCode", "DE"},   {"vatId", "DE123456789"}};
         },
         {{"/taxRepresentative/name", "Fiskal GmbH"},
          {"/taxRepresentative/street", "Ringstraße 3"},
          {"/taxRepresentative/postalCode", "10115"},
          {"/taxRepresentative/city", "Berlin"},
          {"/taxRepresentative/countryCode", "DE"},
          {"/taxRepresentative/vatId", "DE123456789"}}},
        // Every address with its further lines and region, every identifier with its scheme, the
        // delivery location; each where the schema orders it.
        {"addresses",
         [](json& j) {
             j.merge_patch(json::parse(R"({
               "supplier": {"partyId": "4000001123452", "partyIdScheme": "0088", "additionalStreet": "Hinterhaus",
                            "addressLine3": "2. Etage", "region": "Berlin", "registrationId": "123456789",
                            "registrationIdScheme": "0060"},
               "customer": {"partyId": "04011000-12345-34", "partyIdScheme": "0204", "street": "Marienplatz 1",
                            "additionalStreet": "Zimmer 12", "addressLine3": "Eingang B", "region": "Bayern",
                            "registrationId": "4000001000005", "registrationIdScheme": "0088"},
               "delivery": {"additionalStreet": "Tor 3", "addressLine3": "Rampe 2", "postalCode": "85748",
                            "city": "Garching", "region": "Bayern", "countryCode": "DE",
                            "locationId": "4000001987658", "locationIdScheme": "0088"},
               "taxRepresentative": {"name": "Fiskal GmbH", "additionalStreet": "Aufgang A",
                                     "addressLine3": "Postfach 7", "postalCode": "1010", "city": "Wien",
                                     "region": "Wien", "countryCode": "AT", "vatId": "ATU12345678"}})"));
         },
         {{"/supplier/partyIdScheme", "0088"},
          {"/supplier/additionalStreet", "Hinterhaus"},
          {"/customer/addressLine3", "Eingang B"},
          {"/customer/region", "Bayern"},
          {"/customer/registrationIdScheme", "0088"},
          {"/delivery/locationId", "4000001987658"},
          {"/delivery/locationIdScheme", "0088"},
          {"/taxRepresentative/addressLine3", "Postfach 7"}},
         {"<cac:PartyIdentification><cbc:ID "
          "schemeID=\"0088\">4000001123452</cbc:ID></cac:PartyIdentification>"
          "<cac:PartyName><cbc:Name>Lieferant GmbH</cbc:Name></cac:PartyName><cac:PostalAddress>"
          "<cbc:AdditionalStreetName>Hinterhaus</cbc:AdditionalStreetName><cbc:CityName>Berlin</cbc:CityName>"
          "<cbc:PostalZone>10115</cbc:PostalZone><cbc:CountrySubentity>Berlin</cbc:CountrySubentity>"
          "<cac:AddressLine><cbc:Line>2. Etage</cbc:Line></cac:AddressLine><cac:Country>",
          "<cbc:RegistrationName>Lieferant GmbH</cbc:RegistrationName><cbc:CompanyID "
          "schemeID=\"0060\">123456789"
          "</cbc:CompanyID></cac:PartyLegalEntity>",
          "<cbc:ID schemeID=\"0204\">04011000-12345-34</cbc:ID></cac:PartyIdentification><cac:PartyName>"
          "<cbc:Name>Kunde AG</cbc:Name></cac:PartyName><cac:PostalAddress><cbc:StreetName>Marienplatz 1"
          "</cbc:StreetName><cbc:AdditionalStreetName>Zimmer "
          "12</cbc:AdditionalStreetName><cbc:CityName>München"
          "</cbc:CityName><cbc:PostalZone>80331</cbc:PostalZone><cbc:CountrySubentity>Bayern</"
          "cbc:CountrySubentity>"
          "<cac:AddressLine><cbc:Line>Eingang B</cbc:Line></cac:AddressLine><cac:Country>",
          "<cbc:RegistrationName>Kunde AG</cbc:RegistrationName><cbc:CompanyID "
          "schemeID=\"0088\">4000001000005"
          "</cbc:CompanyID></cac:PartyLegalEntity>",
          "<cac:TaxRepresentativeParty><cac:PartyName><cbc:Name>Fiskal GmbH</cbc:Name></cac:PartyName>"
          "<cac:PostalAddress><cbc:AdditionalStreetName>Aufgang "
          "A</cbc:AdditionalStreetName><cbc:CityName>Wien"
          "</cbc:CityName><cbc:PostalZone>1010</cbc:PostalZone><cbc:CountrySubentity>Wien</"
          "cbc:CountrySubentity>"
          "<cac:AddressLine><cbc:Line>Postfach 7</cbc:Line></cac:AddressLine><cac:Country>"
          "<cbc:IdentificationCode>AT</cbc:IdentificationCode></cac:Country></cac:PostalAddress>",
          "<cac:DeliveryLocation><cbc:ID schemeID=\"0088\">4000001987658</cbc:ID><cac:Address>"
          "<cbc:AdditionalStreetName>Tor 3</cbc:AdditionalStreetName><cbc:CityName>Garching</cbc:CityName>"
          "<cbc:PostalZone>85748</cbc:PostalZone><cbc:CountrySubentity>Bayern</cbc:CountrySubentity>"
          "<cac:AddressLine><cbc:Line>Rampe "
          "2</cbc:Line></cac:AddressLine><cac:Country><cbc:IdentificationCode>DE"
          "</cbc:IdentificationCode></cac:Country></cac:Address></cac:DeliveryLocation>"}},
        // The invoiced object, with the scheme of its identifier.
        {"invoiced-object",
         [](json& j) {
             j["invoicedObjectIdentifier"] = "Z-0815";
             j["invoicedObjectIdentifierScheme"] = "AAG";
         },
         {{"/invoicedObjectIdentifier", "Z-0815"}, {"/invoicedObjectIdentifierScheme", "AAG"}}},
        // The tax point named by a code instead of a date, beside the period it closes.
        {"tax-point-code",
         [](json& j) {
             j["periodStart"] = "2022-02-01";
             j["periodEnd"] = "2022-02-28";
             j["taxPointDateCode"] = "35";
         },
         {{"/taxPointDateCode", "35"}},
         {"<cac:InvoicePeriod><cbc:StartDate>2022-02-01</cbc:StartDate><cbc:EndDate>2022-02-28</cbc:EndDate>"
          "<cbc:DescriptionCode>35</cbc:DescriptionCode></cac:InvoicePeriod>"}},
        // Further notes after the first, with and without a subject; an empty entry is left out.
        {"further-notes",
         [](json& j) {
             j["note"] = "Erste";
             j["notes"] = json::array({{{"subjectCode", "AAI"}, {"text", "Zweite"}},
                                       {{"subjectCode", ""}, {"text", ""}},
                                       {{"text", "Dritte\nmit Zeile"}}});
         },
         {{"/note", "Erste"},
          {"/notes/0/subjectCode", "AAI"},
          {"/notes/0/text", "Zweite"},
          {"/notes/1/subjectCode", ""},
          {"/notes/1/text", "Dritte\nmit Zeile"}}},
        // Further accounts to pay into after the form's own, kept whole.
        {"further-payment-means",
         [](json& j) {
             j["paymentMeansText"] = "Überweisung";
             j["furtherPaymentMeans"] = json::array({{{"code", "58"},

                                                      {"iban", "AT611904300234573201"},
                                                      {"accountName", "Konto Wien"},
                                                      {"bic", "BKAUATWW"},
                                                      {"remittanceInformation", "RE-1"}},
                                                     {{"code", "58"}, {"iban", "DE75512108001245126199"}}});
         },
         {{"/paymentMeansText", "Überweisung"},
          {"/furtherPaymentMeans/0/text", ""},
          {"/furtherPaymentMeans/0/iban", "AT611904300234573201"},
          {"/furtherPaymentMeans/0/accountName", "Konto Wien"},
          {"/furtherPaymentMeans/0/bic", "BKAUATWW"},
          {"/furtherPaymentMeans/0/remittanceInformation", "RE-1"},
          {"/furtherPaymentMeans/1/code", "58"},
          {"/furtherPaymentMeans/1/iban", "DE75512108001245126199"}}},
        // A line's further details, each written in its place and given back; texts are tidied,
        // empty rows left out.
        {"line-details",
         [](json& j) {
             j["lines"][0].update(
                 {{"orderLineReference", "7"},
                  {"lineAccountingReference", "KST-4711"},
                  {"lineObjectIdentifier", "Z-12"},
                  {"lineObjectIdentifierScheme", "AAG"},
                  {"buyersItemId", " K-100 "},
                  {"standardItemId", "4012345678901"},
                  {"standardItemIdScheme", "0160"},
                  {"originCountry", "DE"},
                  {"grossPrice", "12,50"},
                  {"priceDiscount", "2,5"},
                  {"itemClassifications",
                   {{{"code", "44111"}, {"listId", "STI"}, {"listVersionId", "2"}}, json::object()}},
                  {"itemAttributes",
                   {{{"name", "Farbe"}, {"value", "rot"}}, {{"name", "Größe"}, {"value", "XL"}}}}});
         },
         {{"/lines/0/orderLineReference", "7"},
          {"/lines/0/lineAccountingReference", "KST-4711"},
          {"/lines/0/lineObjectIdentifier", "Z-12"},
          {"/lines/0/lineObjectIdentifierScheme", "AAG"},
          {"/lines/0/buyersItemId", "K-100"},
          {"/lines/0/standardItemId", "4012345678901"},
          {"/lines/0/standardItemIdScheme", "0160"},
          {"/lines/0/originCountry", "DE"},
          {"/lines/0/grossPrice", "12.50"},
          {"/lines/0/priceDiscount", "2.5"},
          {"/lines/0/itemClassifications/0/code", "44111"},
          {"/lines/0/itemClassifications/0/listId", "STI"},
          {"/lines/0/itemClassifications/0/listVersionId", "2"},
          {"/lines/0/itemAttributes/0/name", "Farbe"},
          {"/lines/0/itemAttributes/1/value", "XL"}},
         // the price as the net price below its gross price
         {"</cbc:PriceAmount><cac:AllowanceCharge>"
          "<cbc:ChargeIndicator>false</cbc:ChargeIndicator><cbc:Amount currencyID=\"EUR\">2.5</cbc:Amount>"
          "<cbc:BaseAmount currencyID=\"EUR\">12.50</cbc:BaseAmount></cac:AllowanceCharge></cac:Price>"}},
        // The seller's identifiers after the first, with and without a scheme.
        {"further-seller-ids",
         [](json& j) {
             j["supplier"]["partyId"] = "4000001";
             j["supplier"]["furtherPartyIds"] = json::array(
                 {{{"id", "4000002"}, {"scheme", "0088"}}, {{"id", "L-7"}}, {{"scheme", "0088"}}});
         },
         {{"/supplier/partyId", "4000001"},
          {"/supplier/furtherPartyIds/0/id", "4000002"},
          {"/supplier/furtherPartyIds/0/scheme", "0088"},
          {"/supplier/furtherPartyIds/1/id", "L-7"},
          {"/supplier/furtherPartyIds/1/scheme", ""}}},
        // Attached files (a PDF and a PNG in Base64) and a reference to one elsewhere.
        {"attachments",
         [](json& j) {
             j["attachments"] = json::array(
                 {{{"id", "Z-1"},
                   {"description", "Zeitnachweis"},
                   {"fileName", "zeiten.pdf"},
                   {"mimeType", "application/pdf"},
                   {"content", "JVBERi0xLjQK"}},
                  {{"id", "F-2"},
                   {"fileName", "foto.png"},
                   {"mimeType", "image/png"},
                   {"content", "iVBORw0KGgo="}},
                  {{"id", "L-3"}, {"description", "Lieferschein"}, {"uri", "https://example.org/ls/3"}}});
         },
         {{"/attachments/0/id", "Z-1"},
          {"/attachments/0/description", "Zeitnachweis"},
          {"/attachments/0/fileName", "zeiten.pdf"},
          {"/attachments/0/mimeType", "application/pdf"},
          {"/attachments/0/content", "JVBERi0xLjQK"},
          {"/attachments/1/mimeType", "image/png"},
          {"/attachments/1/content", "iVBORw0KGgo="},
          {"/attachments/2/uri", "https://example.org/ls/3"},
          {"/attachments/2/content", ""}}},
        // A business process given is written instead of the program's own.
        // Everything at once, as a public buyer receives it. Line 1: 3 × 9,99 = 29,97 − 5,00 − 3,00
        // (10 % of 29,97) + 2,50 = 24,47 at 19 %; line 2: 2 × 50,00 = 100,00 at 7 %; the freight charge
        // 10,00 at 19 %. VAT 19 % of 34,47 = 6,5493 → 6,55 and 7 % of 100,00 = 7,00; due 134,47 + 13,55.
        {"whole-invoice",
         [](json& j) {
             std::ifstream in(fs::path(TALLOMIR_CLI_TEST_DATA) / "whole_invoice.json");
             j.merge_patch(json::parse(in));
         },
         {{"/lines/0/lineNetAmount", "24.47"},
          {"/lines/1/lineNetAmount", "100.00"},
          {"/lineExtensionAmount", "124.47"},
          {"/chargeTotalAmount", "10.00"},
          {"/taxExclusiveAmount", "134.47"},
          {"/taxTotalAmount", "13.55"},
          {"/payableAmount", "148.02"},
          {"/lines/0/lineAllowances/1/amount", "3.00"},
          {"/lines/0/lineCharges/0/amount", "2.50"},
          {"/notes/1/subjectCode", "SUR"},
          {"/attachments/1/fileName", "lieferung.png"},
          {"/payee/name", "Factoring AG"},
          {"/taxRepresentative/vatId", "DE111111125"},
          {"/buyerAccountingReference", "KST-4711"},
          {"/tenderOrLotReference", "VG-2022-17"}},
         {},
         {"Nachlass Treuerabatt \u22125,00", "Nachlass Mengenrabatt", "Zuschlag Verpackung 2,50",
          "Zuschlag: Fracht (USt. 19 %) 10,00 €", "zeiten.pdf (1 KB): Zeitnachweis",
          "lieferung.png (1 KB): Foto der Lieferung", "Zahlungsempfänger Factoring AG",
          "Steuervertreter Fiskal GmbH", "Buchungsreferenz KST-4711", "Vergabenummer VG-2022-17",
          "Vielen Dank für Ihren Auftrag.", "Lieferung in zwei Teilen.", "Rückfragen an die Buchhaltung.",
          "Zahlbetrag 148,02 €"}},
        {"business-process",
         [](json& j) { j["businessProcess"] = "urn:fdc:peppol.eu:2017:poacc:billing:01:1.0"; },
         {{"/businessProcess", "urn:fdc:peppol.eu:2017:poacc:billing:01:1.0"}}},
        {"credit-note",
         [](json& j) {
             j["documentTypeCode"] = "381";
             j["dueDate"] = "2022-04-01";
             j["precedingInvoiceNumber"] = "R-0";
             j["precedingInvoiceDate"] = "2022-02-01";
             j["furtherPrecedingInvoices"] = {
                 {{"number", "R-00"}, {"issueDate", "2022-01-15"}}, {{"number", "R-000"}}, json::object()};
             j["lines"][0]["unitCode"] = "HUR";
             // a credit note has its tax point before its type code and the tender reference last
             j["taxPointDate"] = "2022-03-31";
             j["tenderOrLotReference"] = "VG-9";
             j["projectNumber"] = "PRJ-1";
             j["despatchAdviceReference"] = "LS-4";
             j["remittanceInformation"] = "Gutschrift R-0";
         },
         {{"/dueDate", "2022-04-01"},
          {"/precedingInvoiceDate", "2022-02-01"},
          {"/furtherPrecedingInvoices/0/issueDate", "2022-01-15"},
          {"/furtherPrecedingInvoices/1/number", "R-000"},
          {"/lines/0/unitCode", "HUR"},
          {"/taxPointDate", "2022-03-31"},
          {"/tenderOrLotReference", "VG-9"},
          {"/despatchAdviceReference", "LS-4"},
          {"/remittanceInformation", "Gutschrift R-0"}},
         // the invoices it refers to after the first, each in a block of its own, an empty one left out
         {"</cac:InvoiceDocumentReference></cac:BillingReference><cac:BillingReference>"
          "<cac:InvoiceDocumentReference><cbc:ID>R-00</cbc:ID><cbc:IssueDate>2022-01-15</cbc:IssueDate>"
          "</cac:InvoiceDocumentReference></cac:BillingReference><cac:BillingReference>"
          "<cac:InvoiceDocumentReference><cbc:ID>R-000</cbc:ID></cac:InvoiceDocumentReference>"
          "</cac:BillingReference><cac:DespatchDocumentReference>"}},
        // Paid by SEPA direct debit or by card: no account to pay into is written.
        {"direct-debit",
         [](json& j) {
             j["paymentMeansCode"] = "59";
             j["mandateReference"] = "MANDAT-7";
             j["creditorId"] = "DE98ZZZ09999999999";
             j["debitedIban"] = "DE75512108001245126199";
         },
         {{"/mandateReference", "MANDAT-7"}, {"/creditorId", "DE98ZZZ09999999999"}, {"/iban", ""}}},
        {"card",
         [](json& j) {
             j["paymentMeansCode"] = "54";
             j["cardNumber"] = "4711";
             j["cardHolder"] = "Erika Muster";
         },
         {{"/cardNumber", "4711"}, {"/iban", ""}}},
        {"credit-note-without-due-date", [](json& j) { j["documentTypeCode"] = "381"; }, {{"/dueDate", ""}}},
        {"cash-discount",
         [](json& j) { j["paymentTerms"] = "Zahlbar in 30 Tagen #SKONTO#TAGE=14#PROZENT=2.00#"; },
         {{"/paymentTerms", "Zahlbar in 30 Tagen\n#SKONTO#TAGE=14#PROZENT=2.00#\n"}}},
        // Every VAT situation: the lines take the document's category and its rate.
        {"kleinunternehmer",
         [](json& j) {
             j["documentTaxCategory"] = "E";
             j["supplier"].erase("vatId");
             j["supplier"]["taxNumber"] = "201/113/40209";
             j["supplier"]["partyId"] = "L-1";
             j["lines"][0].erase("lineVatPercent");
         },
         {{"/payableAmount", "20.00"},
          {"/lines/0/lineTaxCategory", "E"},
          {"/vatBreakdown/0/exemptionReason", "Keine Umsatzsteuer, da Kleinunternehmer gemäß § 19 UStG"}}},
        {"reverse-charge",
         [](json& j) {
             j["documentTaxCategory"] = "AE";
             j["customer"]["vatId"] = "DE987654321";
             j["lines"][0].erase("lineVatPercent");
         },
         {{"/payableAmount", "20.00"}, {"/vatBreakdown/0/categoryCode", "AE"}}},
        {"zero-rated-and-exempt-beside-standard",
         [](json& j) {
             j["lines"].push_back(line("2", "1", "100", "0"));
             j["lines"][1]["taxCategory"] = "Z";
             j["lines"].push_back(line("3", "1", "50", "0"));
             j["lines"][2]["taxCategory"] = "E";
         },
         {{"/payableAmount", "173.80"},
          {"/vatBreakdown/1/categoryCode", "E"},
          {"/vatBreakdown/1/taxableAmount", "50.00"},
          {"/vatBreakdown/2/categoryCode", "Z"}}},
        {"outside-the-scope-of-vat",
         [](json& j) {
             j["documentTaxCategory"] = "O";
             j["supplier"].erase("vatId");
             j["supplier"]["partyId"] = "L-1";
             j["lines"][0].erase("lineVatPercent");
         },
         {{"/lines/0/lineVatPercent", ""}, {"/vatBreakdown/0/ratePercent", "0.00"}}},
        {"intra-community-supply",
         [](json& j) {
             j["documentTaxCategory"] = "K";
             j["customer"]["vatId"] = "ATU12345678";
             j["customer"]["countryCode"] = "AT";
             j["delivery"] = {{"city", "Wien"}, {"postalCode", "1010"}, {"countryCode", "AT"}};
             j["lines"][0].erase("lineVatPercent");
         },
         {{"/vatBreakdown/0/categoryCode", "K"}}},
        {"export",
         [](json& j) {
             j["documentTaxCategory"] = "G";
             j["customer"]["countryCode"] = "CH";
             j["lines"][0].erase("lineVatPercent");
         },
         {{"/vatBreakdown/0/categoryCode", "G"}}},
    };
    return cases;
}

json builtInput(const BuiltCase& c, const std::string& version, const std::string& syntax) {
    json input = minimalInvoice();
    input["xrechnungVersion"] = version;
    input["syntax"] = syntax;
    // XRechnung 3.0 with both electronic addresses.
    if (version == "3.0") {
        input["supplier"]["electronicAddress"] = "rechnung@lieferant.example";
        input["customer"]["electronicAddress"] = "991-12345-67";
        input["customer"]["electronicAddressScheme"] = "0204";
    }
    c.change(input);
    return input;
}

} // namespace tallomir::testing
