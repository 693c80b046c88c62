// The loader's rules on small files the samples do not show, its working values and its outcomes.

#include "reader_test_support.h"

#include "cii/cii.h"
#include "syntax/syntax.h"

#include "invoice/decimal.h"
#include "ubl/terms.h"
#include "ubl/writer.h"

#include <functional>
#include <ranges>
#include <regex>

using namespace readertest;
using tallomir::formatDecimal2;
using tallomir::parseNumber;

namespace {

const std::string oneLine =
    el("cac:InvoiceLine",
       el("cbc:ID", "1") + el("cbc:InvoicedQuantity", "1") + el("cbc:LineExtensionAmount", "100.00") +
           el("cac:Item/cac:ClassifiedTaxCategory", el("cbc:ID", "S") + el("cbc:Percent", "19.00")) +
           el("cac:Price/cbc:PriceAmount", "100.00"));

std::string lineAllowance(std::string_view indicator, const std::string& fields) {
    return "<cac:AllowanceCharge>" + el("cbc:ChargeIndicator", indicator) + fields + "</cac:AllowanceCharge>";
}

std::string allowance(std::string_view indicator, std::string_view reason, std::string_view more = "") {
    return "<cac:AllowanceCharge>" + el("cbc:ChargeIndicator", indicator) +
           (reason.empty() ? "" : el("cbc:AllowanceChargeReason", reason)) + std::string(more) +
           el("cbc:Amount", "12.50") + el("cac:TaxCategory/cbc:ID", "S") +
           el("cac:TaxCategory/cbc:Percent", "19.00") + "</cac:AllowanceCharge>";
}

} // namespace

TEST(ReaderRules, FieldsTakeTheValueOfTheirRule) {
    const std::string inv = "ubl:Invoice", cn = "ubl:CreditNote", line = "cac:InvoiceLine/";
    const std::string reference = "cac:AdditionalDocumentReference", type = "cbc:DocumentTypeCode";
    const std::string taxScheme = "cac:PartyTaxScheme/cbc:CompanyID", totals = "cac:LegalMonetaryTotal/";
    std::string deep, deepEnd;
    for (int i = 0; i < 1'000'000; ++i) {
        deep += "<a>";
        deepEnd += "</a>";
    }
    // clang-format off
    const std::tuple<std::string, std::string, Fields> cases[] = {
        // Every date loses its time zone, lines' dates too; a text that is no date stays as it is.
        {el("cbc:IssueDate", "2022-03-01+01:00") + el("cbc:DueDate", "2022-04-01Z") +
         el("cac:InvoicePeriod", el("cbc:StartDate", "2022-01-01+01:00") + el("cbc:EndDate", "2022-01-31Z")) +
         el("cac:Delivery/cbc:ActualDeliveryDate", "2022-03-01-05:00") +
         el("cac:InvoiceLine", el("cbc:ID", "1") + el("cac:InvoicePeriod", el("cbc:StartDate", "2016-01-01+01:00") +
                                                         el("cbc:EndDate", "2016-01-31Z"))), inv,
         {{"issueDate", "2022-03-01"}, {"dueDate", "2022-04-01"}, {"periodStart", "2022-01-01"},
          {"periodEnd", "2022-01-31"}, {"deliveryDate", "2022-03-01"}, {"lines[0].lineStartDate", "2016-01-01"},
          {"lines[0].lineEndDate", "2016-01-31"}}},
        {el("cbc:IssueDate", "äöabcdefgh+01:00"), inv, {{"issueDate", "äöabcdefgh+01:00"}}},
        // Codes the lists do not know are kept.
        {el("cbc:InvoiceTypeCode", "326") + el("cbc:DocumentCurrencyCode", "JPY"), inv,
         {{"documentTypeCode", "326"}, {"documentCurrency", "JPY"}, {"loadedDocumentCurrency", "JPY"}}},
        // The VAT total in another accounting currency is kept; a third total is named.
        {el("cbc:TaxCurrencyCode", "GBP") + el("cac:TaxTotal/cbc:TaxAmount", "19.00") +
         "<cac:TaxTotal><cbc:TaxAmount currencyID=\"GBP\">16.50</cbc:TaxAmount></cac:TaxTotal>" +
         el("cac:TaxTotal/cbc:TaxAmount", "1.00") + oneLine, inv,
         {{"loadedTaxCurrency", "GBP"}, {"taxCurrencyTaxAmount", "16.50"}, {"notCarried", "Steuersumme 3 von 3"}}},
        // Credit notes: type code, due date in the payment means, project in the reference of type 50, lines.
        {el("cbc:CreditNoteTypeCode", "381") + el(reference, el("cbc:ID", "P-50") + el(type, "50")) +
         el(reference, el("cbc:ID", "Anhang") + el(type, "130")) + el(reference + "/cbc:ID", "ohne Typ") +
         el("cac:PaymentMeans/cbc:PaymentDueDate", "2022-05-31+02:00") +
         el("cac:CreditNoteLine", el("cbc:ID", "1") + el("cbc:CreditedQuantity", "4") +
                                  el("cbc:LineExtensionAmount", "8.00")), cn,
         {{"documentTypeCode", "381"}, {"dueDate", "2022-05-31"}, {"projectNumber", "P-50"}, {"lines", "1"},
          {"lines[0].quantity", "4"}, {"lineExtensionAmount", "8.00"}, {"invoicedObjectIdentifier", "Anhang"},
          {"attachments", "1"}, {"attachments[0].id", "ohne Typ"}, {"notCarried", ""}}},
        // The invoiced object is the reference of type 130, with its scheme; the first one is taken.
        {el(reference, "<cbc:ID schemeID=\"AAG\">Z-0815</cbc:ID>" + el(type, "130")) +
             el(reference, el("cbc:ID", "Z-2") + el(type, "130")),
         inv,
         {{"invoicedObjectIdentifier", "Z-0815"}, {"invoicedObjectScheme", "AAG"}, {"notCarried", "1 Objektkennung"}}},
        {el(reference + "/cbc:ID", "A") + el(reference + "/" + type, "50"), cn, {{"projectNumber", ""}}},
        // The project has one field, whichever of its two elements holds it: the first one wins.
        {el(reference, el("cbc:ID", "P-50") + el(type, "50")) + el("cac:ProjectReference/cbc:ID", "P-2"), inv,
         {{"projectNumber", "P-50"}, {"notCarried", "Projekt"}}},
        // The first note is the form's, the others are further notes with their subject code (three capital
        // letters between hash signs); blanks, tabs and line breaks stay (a break as LF).
        {el("cbc:Note", "erste") + el("cbc:Note", "zweite") + el("cbc:Note", "#AAI#dritte") +
         el("cbc:Note", "#Ab1#vierte") + el("cbc:Note", "#ABCD#fünfte"), inv,
         {{"note", "erste"}, {"notes", "4"}, {"notes[0].subjectCode", ""}, {"notes[0].text", "zweite"},
          {"notes[1].subjectCode", "AAI"}, {"notes[1].text", "dritte"}, {"notes[2].text", "#Ab1#vierte"},
          {"notes[3].text", "#ABCD#fünfte"}, {"notCarried", ""}}},
        // The first payment means is the form's, with its text; every later one is kept whole.
        {"<cac:PaymentMeans><cbc:PaymentMeansCode name=\"Überweisung\">58</cbc:PaymentMeansCode>" +
             el("cac:PayeeFinancialAccount/cbc:ID", "DE02120300000000202051") + "</cac:PaymentMeans>" +
             el("cac:PaymentMeans", el("cbc:PaymentMeansCode", "48") + el("cbc:PaymentID", "V-1") +
                                        el("cac:CardAccount", el("cbc:PrimaryAccountNumberID", "1234") +
                                                                  el("cbc:NetworkID", "VISA") +
                                                                  el("cbc:HolderName", "E. Muster"))) +
             el("cac:PaymentMeans", el("cbc:PaymentMeansCode", "30") +
                                        el("cac:PayeeFinancialAccount", el("cbc:ID", "AT611904300234573201") +
                                                                            el("cbc:Name", "Konto 2") +
                                                                            el("cac:FinancialInstitutionBranch/cbc:ID", "BKAUATWW"))) +
             el("cac:PaymentMeans", el("cbc:PaymentMeansCode", "59") +
                                        el("cac:PaymentMandate", el("cbc:ID", "M-1") +
                                                                     el("cac:PayerFinancialAccount/cbc:ID", "DE75512108001245126199"))),
         inv,
         {{"paymentMeansCode", "58"}, {"paymentMeansText", "Überweisung"}, {"iban", "DE02120300000000202051"},
          {"paymentMeans", "3"}, {"paymentMeans[0].code", "48"}, {"paymentMeans[0].remittanceInformation", "V-1"},
          {"paymentMeans[0].cardNumber", "1234"}, {"paymentMeans[0].cardNetwork", "VISA"},
          {"paymentMeans[0].cardHolder", "E. Muster"}, {"paymentMeans[1].code", "30"},
          {"paymentMeans[1].iban", "AT611904300234573201"}, {"paymentMeans[1].accountName", "Konto 2"},
          {"paymentMeans[1].bic", "BKAUATWW"}, {"paymentMeans[2].code", "59"},
          {"paymentMeans[2].mandateReference", "M-1"}, {"paymentMeans[2].debitedIban", "DE75512108001245126199"},
          {"notCarried", ""}}},
        // A line's order line, booking reference, object (a reference of type 130 with its scheme), the
        // item's identifiers and origin, its classifications (each with its scheme and version) and
        // its properties; another line's reference of another type is named.
        {el("cac:InvoiceLine", el("cbc:ID", "1") + el("cbc:AccountingCost", "KST-1") +
                                   el("cac:OrderLineReference/cbc:LineID", "7") +
                                   el("cac:DocumentReference", "<cbc:ID schemeID=\"AAG\">Z-12</cbc:ID>" +
                                                                   el(type, "130")) +
                                   el("cac:Item", el("cac:BuyersItemIdentification/cbc:ID", "K-100") +
                                                  "<cac:StandardItemIdentification><cbc:ID schemeID=\"0160\">"
                                                  "4012345678901</cbc:ID></cac:StandardItemIdentification>" +
                                                  el("cac:OriginCountry/cbc:IdentificationCode", "DE") +
                                                  "<cac:CommodityClassification><cbc:ItemClassificationCode "
                                                  "listID=\"STI\" listVersionID=\"2\">K-1</cbc:ItemClassificationCode>"
                                                  "</cac:CommodityClassification><cac:CommodityClassification>"
                                                  "<cbc:ItemClassificationCode listID=\"ZZZ\">K-2"
                                                  "</cbc:ItemClassificationCode></cac:CommodityClassification>" +
                                                  el("cac:AdditionalItemProperty", el("cbc:Name", "Farbe") +
                                                                                       el("cbc:Value", "rot")) +
                                                  el("cac:AdditionalItemProperty", el("cbc:Name", "Größe") +
                                                                                       el("cbc:Value", "XL")))) +
         el("cac:InvoiceLine", el("cbc:ID", "2") + el("cac:DocumentReference", el("cbc:ID", "V-1") + el(type, "916"))),
         inv,
         {{"lines[0].orderLineReference", "7"}, {"lines[0].lineAccountingReference", "KST-1"},
          {"lines[0].lineObjectIdentifier", "Z-12"}, {"lines[0].lineObjectIdentifierScheme", "AAG"},
          {"lines[0].buyersItemId", "K-100"}, {"lines[0].standardItemId", "4012345678901"},
          {"lines[0].standardItemIdScheme", "0160"}, {"lines[0].originCountry", "DE"},
          {"lines[0].classifications", "2"},
          {"lines[0].classifications[0].code", "K-1"}, {"lines[0].classifications[0].listId", "STI"},
          {"lines[0].classifications[0].listVersionId", "2"}, {"lines[0].classifications[1].code", "K-2"},
          {"lines[0].classifications[1].listId", "ZZZ"}, {"lines[0].classifications[1].listVersionId", ""},
          {"lines[0].itemAttributes", "2"}, {"lines[0].itemAttributes[0].name", "Farbe"},
          {"lines[0].itemAttributes[0].value", "rot"}, {"lines[0].itemAttributes[1].name", "Größe"},
          {"lines[0].itemAttributes[1].value", "XL"}, {"lines[1].lineObjectIdentifier", ""},
          {"notCarried", "Objektkennung in Position 2"}}},
        // A line's own allowances and charges, each with its fields, in a credit note's line too;
        // the line keeps the net amount the file states. A tax category of its own is named.
        {el("cac:InvoiceLine", el("cbc:ID", "1") + el("cbc:LineExtensionAmount", "92.50") +
                                   lineAllowance("false", el("cbc:AllowanceChargeReasonCode", "95") +
                                                          el("cbc:AllowanceChargeReason", "Treuerabatt") +
                                                          el("cbc:MultiplierFactorNumeric", "5") +
                                                          el("cbc:Amount", "5.00") + el("cbc:BaseAmount", "100.00")) +
                                   lineAllowance(" 0 ", el("cbc:AllowanceChargeReason", "Mengenrabatt") +
                                                        el("cbc:Amount", "10.00")) +
                                   lineAllowance("true", el("cbc:AllowanceChargeReasonCode", "ABL") +
                                                         el("cbc:Amount", "7.50")) +
                                   el("cac:Item/cbc:Name", "Ware")) +
         el("cac:InvoiceLine", el("cbc:ID", "2") + el("cac:Item/cbc:Name", "ohne")),
         inv,
         {{"lines[0].allowances", "3"}, {"lines[0].allowances[0].chargeIndicator", "false"},
          {"lines[0].allowances[0].reasonCode", "95"}, {"lines[0].allowances[0].reason", "Treuerabatt"},
          {"lines[0].allowances[0].percent", "5"}, {"lines[0].allowances[0].amount", "5.00"},
          {"lines[0].allowances[0].baseAmount", "100.00"}, {"lines[0].allowances[1].chargeIndicator", "false"},
          {"lines[0].allowances[1].reason", "Mengenrabatt"}, {"lines[0].allowances[1].amount", "10.00"},
          {"lines[0].allowances[1].percent", ""}, {"lines[0].allowances[2].chargeIndicator", "true"},
          {"lines[0].allowances[2].reasonCode", "ABL"}, {"lines[0].allowances[2].reason", ""},
          {"lines[0].allowances[2].amount", "7.50"}, {"lines[0].lineNetAmount", "92.50"},
          {"lines[1].allowances", "0"}, {"furtherAllowances", "0"}, {"chargeIndicator", ""},
          {"allowanceTotalAmount", ""}, {"chargeTotalAmount", ""}, {"notCarried", ""}}},
        {el("cac:CreditNoteLine", el("cbc:ID", "1") + lineAllowance("true", el("cbc:AllowanceChargeReason", "Fracht") +
                                                                         el("cbc:Amount", "4.00") + el("cbc:Amount", "5.00") +
                                                                         el("cac:TaxCategory/cbc:ID", "S"))),
         cn,
         {{"lines[0].allowances", "1"}, {"lines[0].allowances[0].reason", "Fracht"},
          {"lines[0].allowances[0].amount", "4.00"}, {"notCarried", "Zuschlag in Position 1"}}},
        {el("cbc:Note", " a  b\t c\r\n    eins\r\n  "), inv, {{"note", " a  b\t c\n    eins\n  "}}},
        {el("cbc:Note", "<![CDATA[versteckt]]>"), inv, {{"note", ""}}},
        // Names count by their namespace, whatever the prefix; what matches nothing is named.
        {el("cbc:ID", "U-1"), "Invoice", {{"documentNumber", "U-1"}}},
        {"<b:ID xmlns:b=\"urn:oasis:names:specification:ubl:schema:xsd:CommonBasicComponents-2\">N-1</b:ID>"
         "<cbc:Note xmlns:cbc=\"urn:anders\">fremd</cbc:Note><ns2:Note>n</ns2:Note>", inv,
         {{"documentNumber", "N-1"}, {"note", ""}, {"notCarried", "Notiz 1 von 2|Notiz 2 von 2"}}},
        {"<cbc:id>klein</cbc:id><cbc:ID >mit Blank</cbc:ID >", inv,
         {{"documentNumber", "mit Blank"}, {"notCarried", "Angabe „id“"}}},
        {el("cbc:Note", "außen" + el("x:Inner", "innen")), inv,
         {{"note", "außen"}, {"notCarried", "Notiz: Angabe „Inner“"}}},
        // Parties: the first VAT identifier is taken; the customer has no legal form.
        {el("cac:AccountingSupplierParty/cac:Party", el(taxScheme, "DE1") + el(taxScheme, "12/34")), inv,
         {{"supplier.vatId", "DE1"}, {"notCarried", "Lieferant: Angabe „PartyTaxScheme“"}}},
        {el("cac:AccountingCustomerParty/cac:Party/cac:PartyLegalEntity/cbc:CompanyLegalForm", "AG") +
         el("cac:TaxRepresentativeParty/cac:PartyName/cbc:Name", "P") +
             el("cac:TaxRepresentativeParty/cac:PartyName/cbc:Name", "Q"), inv,
         {{"customer.legalForm", ""}, {"taxRepresentativeName", "P"}, {"notCarried", "Kunde|Steuervertreter 2 von 2"}}},
        // The first allowance or charge with a reason is edited, the others are carried as they are;
        // an indicator is the schema's boolean, kept as "true" or "false", anything else is named.
        {allowance("0", "", el("cbc:AllowanceChargeReasonCode", "95")) + allowance(" 1\n", "Fracht") +
         allowance("false", "Rabatt"), inv,
         {{"chargeIndicator", "true"}, {"allowanceReason", "Fracht"}, {"allowanceAmount", "12.50"},
          {"furtherAllowances", "2"}, {"taxExclusiveAmount", "-12.50"}, {"allowanceTotalAmount", "25.00"},
          {"chargeTotalAmount", "12.50"}, {"notCarried", ""}}},
        {allowance("ja", "Fracht") + allowance(" false ", "Rabatt"), inv,
         {{"chargeIndicator", "true"}, {"notCarried", "Nachlass oder Zuschlag 1 von 2: unlesbare Art „ja“"}}},
        // Each line element is one line, whatever its ID; its net amount, unit and base quantity are kept.
        {el(line + "cbc:ID", "9") + el(line + "cbc:ID", "2") +
         el("cac:InvoiceLine", el("cbc:Note", "eins") + el("cbc:ID", "1") + el("cbc:Note", "zwei") +
                               "<cbc:InvoicedQuantity unitCode=\"HUR\">3</cbc:InvoicedQuantity>" +
                               el("cbc:LineExtensionAmount", "25.00") +
                               el("cac:Price", el("cbc:PriceAmount", "10.00") + el("cbc:BaseQuantity", "2"))), inv,
         {{"lines", "3"}, {"lines[0].position", "9"}, {"lines[1].position", "2"}, {"lines[2].lineNote", "eins"},
          {"lines[2].lineNetAmount", "25.00"}, {"lineExtensionAmount", "25.00"}, {"lines[2].unitCode", "HUR"},
          {"lines[2].baseQuantity", "2"}, {"notCarried", "weitere Notiz in Position 1"}}},
        // Attached files are kept, also one without content that names its type and name; what the form
        // cannot hold is named as a user knows it.
        {el(reference, el("cbc:ID", "a.pdf") + el("cac:Attachment/cbc:EmbeddedDocumentBinaryObject", "QQ==")) +
         el(reference, "<cbc:ID>b.pdf</cbc:ID><cac:Attachment><cbc:EmbeddedDocumentBinaryObject mimeCode="
                       "\"application/pdf\" filename=\"b.pdf\"/></cac:Attachment>") +
         el("cac:InvoiceLine", el("cbc:ID", "4") + allowance("false", "Mengenrabatt")) +
         el("cac:InvoiceLine", el("cbc:ID", "5") + allowance(" 1", "Eilzuschlag") + allowance("0", "Bonus")) +
         el("cac:InvoiceLine", el("cbc:ID", "6") + allowance("true", "Verpackung")) +
         el("cac:AccountingSupplierParty/cac:Party",
            "<cac:PartyIdentification><cbc:ID>4000001</cbc:ID></cac:PartyIdentification>" +
            el("cac:PartyIdentification/cbc:ID", "4000002") +
            "<cac:PartyIdentification><cbc:ID schemeID=\"SEPA\">DE98ZZZ09999999999</cbc:ID></cac:PartyIdentification>"),
         inv,
         {{"supplier.partyId", "4000001"}, {"attachments", "2"}, {"attachments[0].id", "a.pdf"},
          {"attachments[0].content", "QQ=="}, {"attachments[0].mimeCode", ""}, {"attachments[1].id", "b.pdf"},
          {"attachments[1].content", ""}, {"attachments[1].mimeCode", "application/pdf"},
          {"attachments[1].fileName", "b.pdf"},
          {"supplier.furtherIds", "1"}, {"supplier.furtherIds[0].id", "4000002"},
          {"creditorId", "DE98ZZZ09999999999"},
          {"notCarried", "Nachlass in Positionen 4, 5|Zuschlag in Positionen 5, 6"}}},
        // The seller's identifier in the SEPA scheme is the creditor's, whichever comes first; the other
        // keeps its scheme. The second address line stays apart from the third.
        {el("cac:AccountingSupplierParty/cac:Party",
            "<cac:PartyIdentification><cbc:ID schemeID=\"SEPA\">DE98ZZZ09999999999</cbc:ID></cac:PartyIdentification>"
            "<cac:PartyIdentification><cbc:ID schemeID=\"0088\">4000001123452</cbc:ID></cac:PartyIdentification>" +
            el("cac:PostalAddress", el("cbc:AdditionalStreetName", "Hof") + el("cac:AddressLine/cbc:Line", "Tor 2") +
                                    el("cac:AddressLine/cbc:Line", "Tor 3"))), inv,
         {{"creditorId", "DE98ZZZ09999999999"}, {"supplier.partyId", "4000001123452"},
          {"supplier.partyIdScheme", "0088"}, {"supplier.additionalStreet", "Hof"},
          {"supplier.addressLine3", "Tor 2"}, {"notCarried", "Lieferant: weitere Adresszeile"}}},
        // The invoice referred to: the first reference whole, its date without time zone; a further one
        // in the list.
        {el("cac:BillingReference/cac:InvoiceDocumentReference", el("cbc:ID", "R-1") + el("cbc:IssueDate", "2022-01-05+01:00")) +
         el("cac:BillingReference/cac:InvoiceDocumentReference", el("cbc:ID", "R-2")), cn,
         {{"precedingInvoiceNumber", "R-1"}, {"precedingInvoiceDate", "2022-01-05"}, {"notCarried", ""}}},
        {el("cac:BillingReference/cac:InvoiceDocumentReference/cbc:IssueDate", "2022-01-05") +
         el("cac:BillingReference/cac:InvoiceDocumentReference/cbc:ID", "R-2"), cn,
         {{"precedingInvoiceNumber", ""}, {"precedingInvoiceDate", "2022-01-05"}, {"notCarried", ""}}},
        // Totals follow from the lines, keep prepaid and rounding, and name a differing stated total.
        {el("cac:TaxTotal", el("cbc:TaxAmount", "19.00") + el("cac:TaxSubtotal/cbc:TaxableAmount", "1.00") +
                            el("cac:TaxSubtotal/cbc:TaxableAmount", "2.00")) +
         el(totals + "cbc:LineExtensionAmount", "100.00") + el(totals + "cbc:TaxExclusiveAmount", "100") +
         el(totals + "cbc:TaxInclusiveAmount", "119.00") + el(totals + "cbc:PrepaidAmount", "50.00") +
         el(totals + "cbc:PayableRoundingAmount", "0.01") + el(totals + "cbc:PayableAmount", "69.00") + oneLine, inv,
         {{"vatBreakdown", "1"}, {"vatBreakdown[0].taxableAmount", "100.00"}, {"vatBreakdown[0].taxAmount", "19.00"},
          {"prepaidAmount", "50.00"}, {"roundingAmount", "0.01"}, {"lineExtensionAmount", "100.00"},
          {"taxExclusiveAmount", "100.00"}, {"taxInclusiveAmount", "119.00"}, {"payableAmount", "69.01"},
          {"notCarried", "Abweichende Beträge laut Datei: Zahlbetrag 69,00 (berechnet 69,01)"}}},
        // A million levels of nesting are no harm.
        {el("cbc:ID", "T") + el("cbc:Note", deep + "tief" + deepEnd), inv,
         {{"documentNumber", "T"}, {"note", ""}, {"notCarried", "Notiz"}}},
    };
    // clang-format on
    for (const auto& [body, root, fields] : cases) {
        SCOPED_TRACE(root + " " + body);
        expectFields(loaded(body, root), fields);
    }
}

// The version a file names, standard or extension, whatever was shown before; an identifier the program
// does not write again is named.
TEST(ReaderVersion, TheFileNamesItsVersion) {
    using enum tallomir::XRechnungVersion;
    const std::string en = "urn:cen.eu:en16931:2017#";
    const std::tuple<std::string, tallomir::XRechnungVersion, tallomir::XRechnungVersion, std::string>
        cases[] = {
            {en + "compliant#urn:xeinkauf.de:kosit:xrechnung_3.0", V2_1_1, V3_0, ""},
            {" " + en + "conformant#urn:xeinkauf.de:kosit:extension:xrechnung_3.0\n", V2_1_1, V3_0,
             "Spezifikationskennung"},
            {en + "compliant#urn:xoev-de:kosit:standard:xrechnung_2.1", V3_0, V2_1_1, ""},
            {en + "conformant#urn:xoev-de:kosit:extension:xrechnung_2.1", V3_0, V2_1_1,
             "Spezifikationskennung"},
        };
    for (const auto& [id, shown, version, notCarried] : cases) {
        SCOPED_TRACE(id);
        auto state = freshState();
        state.xrechnungVersion = shown;
        ASSERT_EQ(tallomir::ubl::loadInvoiceBytes(state, ublFile(el("cbc:CustomizationID", id))).result,
                  Result::Loaded);
        EXPECT_EQ(state.xrechnungVersion, version);
        expectFields(state, {{"notCarried", notCarried}});
    }
}

// The sender's business process is kept and written again; the one the program writes names a version
// and is written anew for the version saved.
TEST(ReaderProfile, TheSendersProcessIsKept) {
    using enum tallomir::XRechnungVersion;
    const std::string peppol = "urn:fdc:peppol.eu:2017:poacc:billing:01:1.0";
    const std::string own211 = "XRechnung 2.1.1., erstellt mit Tallomir 1.8 (https://tallomir.example.org)";
    const std::string own30 = "XRechnung 3.0.2., erstellt mit Tallomir 1.8 (https://tallomir.example.org)";
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {peppol, peppol, peppol},
        {own211, "", own30},
    };
    for (const auto& [id, kept, written] : cases) {
        SCOPED_TRACE(id);
        auto state = loaded(el("cbc:ProfileID", id));
        state.xrechnungVersion = V3_0;
        expectFields(state, {{"notCarried", ""}});
        EXPECT_EQ(state.doc.businessProcess, kept);
        const auto tree = tallomir::ubl::buildInvoiceTree(state);
        EXPECT_EQ(tallomir::xml::mainElement(*tree).child("ProfileID").text(), written);
    }
}

// "false" or "0" is an allowance, "true" or "1" a charge, an unreadable indicator a charge; without a
// reason there is none. Nothing stays.
TEST(ReaderAllowance, WorkingValuesComeFromTheFileAlone) {
    const std::string percent = el("cbc:MultiplierFactorNumeric", "10");
    // Value, percentage, rate, whether the rate is chosen, net total.
    const std::pair<std::string, std::string> cases[] = {
        {allowance("false", "Rabatt"), "-12.50 0.00 19.00 chosen 87.50"},
        {allowance("FALSE", "Fracht"), "12.50 0.00 19.00 chosen 112.50"},
        {allowance(" 0 ", "Rabatt"), "-12.50 0.00 19.00 chosen 87.50"},
        {allowance("1", "Fracht"), "12.50 0.00 19.00 chosen 112.50"},
        {allowance("false", "Skonto", percent), "-10.00 -10.00 19.00 chosen 90.00"},
        {allowance("false", ""), "0.00 0.00 0.00 shown 87.50"}, // a further one
    };
    for (const auto& [block, expected] : cases) {
        SCOPED_TRACE(block);
        auto state = freshState();
        auto& a = state.amounts;
        a.allowanceValue = parseNumber("-30");
        a.allowancePercentValue = parseNumber("5");
        a.allowanceRate = parseNumber("7");
        a.allowanceRateChosen = expected.find("chosen") == expected.npos;
        ASSERT_EQ(tallomir::ubl::loadInvoiceBytes(state, ublFile(block + oneLine)).result, Result::Loaded);
        EXPECT_EQ(formatDecimal2(a.allowanceValue) + " " + formatDecimal2(a.allowancePercentValue) + " " +
                      formatDecimal2(a.allowanceRate) + (a.allowanceRateChosen ? " chosen " : " shown ") +
                      state.doc.taxExclusiveAmount,
                  expected);
    }
}

// A missing or broken file, one with a document type declaration or no UBL invoice or credit note leaves
// the document and its name, expanding or fetching nothing; a loaded file leaves what a fresh load leaves.
TEST(ReaderHostile, RefusedFilesLeaveTheDocument) {
    const std::string invoice = ublFile(el("cbc:ID", "&l9;") + el("cbc:Note", "&co; &e;"));
    const std::string body = invoice.substr(invoice.find("<ubl:Invoice"));
    std::string laughs = "<!DOCTYPE ubl:Invoice [<!ENTITY l0 \"ha\">";
    for (char level = '1'; level <= '9'; ++level) {
        laughs += std::string("<!ENTITY l") + level + " \"";
        for (int i = 0; i < 10; ++i)
            laughs += std::string("&l") + static_cast<char>(level - 1) + ";";
        laughs += "\">";
    }
    const std::string doctype =
        "Die Datei enthält eine Dokumenttyp-Deklaration (DOCTYPE). Rechnungen brauchen "
        "keine; eine solche Datei wird zum Schutz vor eingeschleusten Inhalten nicht gelesen.";
    const std::string notUbl = "Die Datei ist keine UBL-Rechnung: ihr Wurzelelement ist ";
    const std::string onlyUbl =
        " Tallomir liest nur Rechnungen und Gutschriften in den Syntaxen UBL 2.1 und UN/CEFACT CII.";
    const std::string cii = ciiFile(el("rsm:ExchangedDocument/ram:ID", "F-1"));
    const std::string ciiBody = cii.substr(cii.find("<rsm:CrossIndustryInvoice"));
    using enum Result;
    const std::tuple<std::string, Result, std::string> cases[] = {
        {"", NoDocument, ""}, // no file yet
        {"<?xml version=\"1.0\"?>\n<ubl:Invoice>\n  <cbc:ID>A1</cbc:ID>\n  "
         "<cbc:Note>x</cbc:ID>\n</ubl:Invoice>\n",
         ParseError, "Fehler in der XML Datei:\rMeldung: mismatched tag\rZeile:   4   Zeichen: 16"},
        {"<!DOCTYPE ubl:Invoice [<!ENTITY co \"Firma GmbH\">]>\n" + body, Refused, doctype},
        {laughs + "]>\n" + body, Refused, doctype},
        {"<!DOCTYPE ubl:Invoice [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>\n" + body, Refused, doctype},
        {"<!DOCTYPE rsm:CrossIndustryInvoice [<!ENTITY co \"Firma GmbH\">]>\n" + ciiBody, Refused, doctype},
        {std::regex_replace(laughs, std::regex("ubl:Invoice"), "rsm:CrossIndustryInvoice") + "]>\n" + ciiBody,
         Refused, doctype},
        {"<rsm:CrossIndustryInvoice "
         "xmlns:rsm=\"urn:un:unece:uncefact:data:standard:CrossIndustryInvoice:99\"/>",
         Refused,
         notUbl +
             "„rsm:CrossIndustryInvoice“ im Namensraum "
             "urn:un:unece:uncefact:data:standard:CrossIndustryInvoice:99." +
             onlyUbl},
        {cii, Loaded, ""},
        {"<Order xmlns=\"urn:oasis:names:specification:ubl:schema:xsd:Order-2\"><ID>1</ID></Order>", Refused,
         notUbl + "„Order“ im Namensraum urn:oasis:names:specification:ubl:schema:xsd:Order-2." + onlyUbl},
        {"<ubl:Invoice><cbc:ID>1</cbc:ID></ubl:Invoice>", Refused,
         notUbl + "„ubl:Invoice“ ohne Namensraum." + onlyUbl},
        {"<html><body>Rechnung</body></html>", Refused, notUbl + "„html“ ohne Namensraum." + onlyUbl},
        {ublFile("", "Invoice").replace(ublFile("", "Invoice").find("Invoice-2"), 9, "CreditNote-2"), Refused,
         notUbl + "„Invoice“ im Namensraum urn:oasis:names:specification:ubl:schema:xsd:CreditNote-2." +
             onlyUbl},
        {ublFile(el("cbc:ID", "F-1")), Loaded, ""},
    };
    const TempDir dir;
    const std::string path = (dir.path / "rechnung.xml").string();
    for (const auto& [bytes, result, message] : cases) {
        SCOPED_TRACE(bytes.substr(0, 80));
        if (!bytes.empty())
            writeBytes(path, bytes);
        auto state =
            loaded(el("cac:AccountingSupplierParty/cac:Party/cac:PartyName/cbc:Name", "Alt") +
                   el("cbc:Note", "alt") + el("cbc:Note", "zwei") + el("cbc:ID", "vorher") + oneLine);
        state.currentFileName = "vorher.xml";
        state.modified = true;
        const auto before = state;
        const auto outcome = tallomir::syntax::loadInvoiceFile(state, path);
        EXPECT_EQ(outcome.result, result);
        EXPECT_EQ(outcome.message, message);
        const bool loadedNow = result == Loaded;
        EXPECT_EQ(state.currentFileName, loadedNow ? path : "vorher.xml");
        expectFields(state, fieldsOf(loadedNow ? loaded(el("cbc:ID", "F-1")) : before));
        EXPECT_EQ(state.modified, !loadedNow);
    }
}

// What a CII file holds and the document cannot is named, in the line it stands in or none; the
// identifier of the standard itself is carried as the document's own.
TEST(ReaderCii, WhatTheDocumentCannotHoldIsNamed) {
    const std::string head = "rsm:ExchangedDocument/ram:ID",
                      settlement = "ram:ApplicableHeaderTradeSettlement/";
    const std::string line = el("ram:IncludedSupplyChainTradeLineItem",
                                el("ram:AssociatedDocumentLineDocument/ram:LineID", "1") +
                                    el("ram:SpecifiedLineTradeAgreement/ram:GrossPriceProductTradePrice/"
                                       "ram:AppliedTradeAllowanceCharge/ram:ChargeIndicator/udt:Indicator",
                                       "true"));
    const auto guideline = [](const std::string& id) {
        return el("rsm:ExchangedDocumentContext/ram:GuidelineSpecifiedDocumentContextParameter/ram:ID", id);
    };
    const std::tuple<std::string, std::string, std::string> cases[] = {
        // body, the items named, the document's identifier of the rules
        {guideline("urn:cen.eu:en16931:2017"), "", "urn:cen.eu:en16931:2017"},
        {guideline("urn:cen.eu:en16931:2017#compliant#urn:factur-x.eu:1p0:basic"),
         "Angabe „ExchangedDocumentContext“", ""},
        // a charge on a price, then a second VAT identifier and a second preceding invoice after the line
        {el(head, "1") +
             el("rsm:SupplyChainTradeTransaction",
                line +
                    el("ram:ApplicableHeaderTradeAgreement/ram:SellerTradeParty",
                       "<ram:SpecifiedTaxRegistration><ram:ID schemeID=\"VA\">DE1</ram:ID><ram:ID "
                       "schemeID=\"VA\">DE2</ram:ID></ram:SpecifiedTaxRegistration>") +
                    el("ram:ApplicableHeaderTradeSettlement",
                       el("ram:InvoiceReferencedDocument/ram:IssuerAssignedID", "R-1") +
                           el("ram:InvoiceReferencedDocument/ram:IssuerAssignedID", "R-2"))),
         "Angabe „AppliedTradeAllowanceCharge“ in Position 1|Angabe „SupplyChainTradeTransaction“: Angabe "
         "„ID“, Angabe „IssuerAssignedID“",
         ""},
        // the tax point as a code of CII's list (29, the delivery date) is the document's 35
        {el("rsm:SupplyChainTradeTransaction/ram:ApplicableHeaderTradeSettlement/ram:ApplicableTradeTax",
            el("ram:CategoryCode", "S") + el("ram:DueDateTypeCode", "29")),
         "", ""},
    };
    for (const auto& [body, named, id] : cases) {
        SCOPED_TRACE(body);
        auto state = freshState();
        ASSERT_EQ(tallomir::syntax::loadInvoiceBytes(state, ciiFile(body)).result, Result::Loaded);
        std::string items;
        for (const auto& item : state.notCarried)
            if (!item.text.starts_with("Abweichende"))
                items += (items.empty() ? "" : "|") + item.text;
        EXPECT_EQ(items, named);
        EXPECT_EQ(state.doc.customizationId, id);
        // written again as it was read, or as XRechnung when asked for
        const std::string written =
            tallomir::xml::serializeDocument(*tallomir::syntax::buildInvoiceTree(state));
        const std::string asked = tallomir::xml::serializeDocument(
            *tallomir::cii::buildCiiTree(state, tallomir::cii::CiiProfile::XRechnung));
        EXPECT_EQ(written.find("<ram:ID>urn:cen.eu:en16931:2017</ram:ID>") != std::string::npos, !id.empty());
        EXPECT_NE(asked.find("xrechnung_2.1</ram:ID>"), std::string::npos);
        EXPECT_EQ(state.doc.taxPointDateCode, body.find("DueDate") != std::string::npos ? "35" : "");
    }
}

// A million levels of nesting and a text of 100 MB do no harm in a file of either syntax.
TEST(ReaderHostile, DeepAndLargeFilesOfEitherSyntax) {
    std::string deep, deepEnd;
    for (int i = 0; i < 1'000'000; ++i) {
        deep += "<a>";
        deepEnd += "</a>";
    }
    const std::string large(100'000'000, 'x');
    const auto ubl = [](const std::string& note) {
        return ublFile(el("cbc:ID", "T") + el("cbc:Note", note));
    };
    const auto cii = [](const std::string& note) {
        return ciiFile(
            el("rsm:ExchangedDocument", el("ram:ID", "T") + el("ram:IncludedNote/ram:Content", note)));
    };
    const TempDir dir;
    const std::string path = (dir.path / "rechnung.xml").string();
    for (const auto& make : {std::function(ubl), std::function(cii)})
        for (const std::string& note : {deep + "tief" + deepEnd, large}) {
            writeBytes(path, make(note));
            auto state = freshState();
            ASSERT_EQ(tallomir::syntax::loadInvoiceFile(state, path).result, Result::Loaded);
            EXPECT_EQ(state.doc.documentNumber, "T");
            EXPECT_EQ(state.doc.note.size(), note == large ? large.size() : 0U);
            EXPECT_EQ(state.notCarried.empty(), note == large);
        }
}

namespace {

using namespace tallomir::ubl::terms;

// The object a row's field lies in after loading; none where the load computes the record anew (the VAT
// breakdown) or moves it (the edited allowance).
std::string* fieldIn(tallomir::Form& state, Record record, const Field& field) {
    auto& doc = state.doc;
    return std::visit(
        [&](auto member) -> std::string* {
            using M = decltype(member);
            if constexpr (std::is_same_v<M, std::string tallomir::InvoiceDocument::*>)
                return &(doc.*member);
            else if constexpr (std::is_same_v<M, std::string tallomir::PartyFields::*>)
                return &((record == Record::Buyer ? doc.customer : doc.supplier).*member);
            else if constexpr (std::is_same_v<M, std::string tallomir::DeliveryFields::*>)
                return &(doc.delivery.*member);
            else if constexpr (std::is_same_v<M, std::string tallomir::LineItem::*>)
                return state.lines.empty() ? nullptr : &(state.lines[0].*member);
            else if constexpr (std::is_same_v<M, std::string tallomir::AllowanceCharge::*>) {
                if (record == Record::LineAllowance)
                    return state.lines.empty() || state.lines[0].allowances.empty()
                               ? nullptr
                               : &(state.lines[0].allowances[0].*member);
                return doc.furtherAllowances.empty() ? nullptr : &(doc.furtherAllowances[0].*member);
            } else
                return nullptr;
        },
        field);
}

// Each row of the table with the path of its element below the document element, one for each alternative.
void eachRow(std::span<const Term> rows, const std::string& above, Record group,
             const std::function<void(const Term&, const std::string&, Record)>& visit) {
    for (const Term& row : rows) {
        const Record record = row.record == Record::Party ? group : row.record;
        if (row.record == Record::Seller && group == Record::Buyer)
            continue;
        std::vector<std::vector<std::string_view>> steps;
        std::size_t most = 1;
        for (const auto step : std::views::split(row.path, '/')) {
            auto& names = steps.emplace_back();
            for (const auto name : std::views::split(step, '|'))
                names.emplace_back(&*name.begin(), static_cast<std::size_t>(std::ranges::distance(name)));
            most = std::max(most, names.size());
        }
        for (std::size_t i = 0; i < most; ++i) {
            std::string path = above;
            for (const auto& names : steps)
                path += (path.empty() ? "" : "/") + std::string(names[std::min(i, names.size() - 1)]);
            if (row.group.empty())
                visit(row, path, record);
            else
                eachRow(row.group, path, record, visit);
        }
    }
}

} // namespace

// The reader follows the table: each row's element, alone in a file with a value and the attribute the row
// names, is taken into the row's field, and nothing of it is listed as not carried. (Variants and the
// project reference need a further element; the cases above hold them.)
TEST(ReaderTable, EveryRowIsTakenWhereTheTableSays) {
    const std::string version = tallomir::ubl::customizationIdOf(tallomir::XRechnungVersion::V3_0);
    int rows = 0;
    eachRow(ublTerms(), "", Record::Document, [&](const Term& row, const std::string& path, Record record) {
        if (isVariant(row.hook) || row.hook == Hook::ProjectReference)
            return;
        ++rows;
        SCOPED_TRACE(path);
        const std::string value = row.hook == Hook::Version           ? version
                                  : row.hook == Hook::ChargeIndicator ? "true"
                                  : row.hook == Hook::PriceDiscount   ? "false"
                                  : row.hook == Hook::TakenWithBlock  ? "50"
                                  : row.form == Form::Date            ? "2024-02-29"
                                  : row.label != nullptr              ? "0.00"
                                                                      : "EUR";
        const std::size_t slash = path.rfind('/');
        const std::string leaf = path.substr(slash + 1);
        std::string element = "<" + leaf;
        if (!row.attribute.name.empty())
            element += " " + std::string(row.attribute.name) + "=\"U\"";
        element += ">" + value + "</" + leaf + ">";
        // a price's allowance is read with its indicator
        if (path.find("cac:Price/cac:AllowanceCharge/") != std::string::npos &&
            row.hook != Hook::PriceDiscount)
            element = "<cbc:ChargeIndicator>false</cbc:ChargeIndicator>" + element;
        auto state = loaded(slash == std::string::npos ? element : el(path.substr(0, slash), element));
        expectFields(state, {{"notCarried", ""}});
        if (std::string* field = fieldIn(state, record, row.field)) {
            EXPECT_EQ(*field, value);
        }
        if (std::string* field = fieldIn(state, record, row.attribute.field)) {
            EXPECT_EQ(*field, "U");
        }
    });
    EXPECT_GT(rows, 100);
}
