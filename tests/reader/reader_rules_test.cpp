// The mapping rules of the loader, one behaviour per test, on small files.

#include "reader_test_support.h"

#include "invoice/decimal.h"

#include <gtest/gtest.h>

#include <string>

using readertest::freshState;
using readertest::load;
using readertest::ublFile;
using tallomir::parseNumber;
using Result = tallomir::ubl::LoadOutcome::Result;

namespace {

// The state after loading the children given as the document element's body.
tallomir::DocumentState loaded(std::string_view body, std::string_view root = "ubl:Invoice") {
    tallomir::DocumentState state = freshState();
    const auto outcome = load(state, ublFile(body, root));
    EXPECT_EQ(outcome.result, Result::Loaded) << outcome.message;
    return state;
}

const char* const oneLine =
    "<cac:InvoiceLine><cbc:ID>1</cbc:ID>"
    "<cbc:InvoicedQuantity unitCode=\"C62\">1</cbc:InvoicedQuantity>"
    "<cbc:LineExtensionAmount currencyID=\"EUR\">100.00</cbc:LineExtensionAmount>"
    "<cac:Item><cbc:Name>A</cbc:Name><cac:ClassifiedTaxCategory><cbc:ID>S</cbc:ID>"
    "<cbc:Percent>19.00</cbc:Percent><cac:TaxScheme><cbc:ID>VAT</cbc:ID></cac:TaxScheme>"
    "</cac:ClassifiedTaxCategory></cac:Item>"
    "<cac:Price><cbc:PriceAmount currencyID=\"EUR\">100.00</cbc:PriceAmount></cac:Price>"
    "</cac:InvoiceLine>";

} // namespace

// --- header ---------------------------------------------------------------

TEST(ReaderHeader, MapsEveryHeaderElement) {
    const auto state =
        loaded("<cbc:CustomizationID>urn:other</cbc:CustomizationID>"
               "<cbc:ProfileID>urn:profile</cbc:ProfileID>"
               "<cbc:ID>R-2022-17</cbc:ID>"
               "<cbc:IssueDate>2022-03-01</cbc:IssueDate>"
               "<cbc:DueDate>2022-03-15</cbc:DueDate>"
               "<cbc:InvoiceTypeCode>384</cbc:InvoiceTypeCode>"
               "<cbc:Note>Danke</cbc:Note>"
               "<cbc:DocumentCurrencyCode>CHF</cbc:DocumentCurrencyCode>"
               "<cbc:TaxCurrencyCode>EUR</cbc:TaxCurrencyCode>"
               "<cbc:BuyerReference>04011000-1234512345-35</cbc:BuyerReference>"
               "<cac:InvoicePeriod><cbc:StartDate>2022-02-01</cbc:StartDate>"
               "<cbc:EndDate>2022-02-28</cbc:EndDate></cac:InvoicePeriod>"
               "<cac:OrderReference><cbc:ID>B-7</cbc:ID>"
               "<cbc:SalesOrderID>KA-9</cbc:SalesOrderID></cac:OrderReference>"
               "<cac:ContractDocumentReference><cbc:ID>V-1</cbc:ID></cac:ContractDocumentReference>"
               "<cac:ProjectReference><cbc:ID>P-3</cbc:ID></cac:ProjectReference>");
    const auto& doc = state.doc;
    EXPECT_EQ(doc.documentNumber, "R-2022-17");
    EXPECT_EQ(doc.issueDate, "2022-03-01");
    EXPECT_EQ(doc.dueDate, "2022-03-15");
    EXPECT_EQ(doc.documentTypeCode, "384");
    EXPECT_EQ(doc.note, "Danke");
    EXPECT_EQ(doc.loadedDocumentCurrency, "CHF");
    EXPECT_EQ(state.documentCurrency, "CHF");
    EXPECT_EQ(doc.loadedTaxCurrency, "EUR");
    EXPECT_EQ(doc.buyerReference, "04011000-1234512345-35");
    EXPECT_EQ(doc.periodStart, "2022-02-01");
    EXPECT_EQ(doc.periodEnd, "2022-02-28");
    EXPECT_EQ(doc.orderNumber, "B-7");
    EXPECT_EQ(doc.salesOrderNumber, "KA-9");
    EXPECT_EQ(doc.contractNumber, "V-1");
    EXPECT_EQ(doc.projectNumber, "P-3");
    // Identification of the standard and profile are the writer's own.
    EXPECT_EQ(doc.customizationId, "");
    EXPECT_EQ(doc.profileId, "");
    EXPECT_FALSE(state.modified);
}

TEST(ReaderHeader, HeaderDatesAreCutToTenCharacters) {
    const auto state = loaded("<cbc:IssueDate>2022-03-01+01:00</cbc:IssueDate>"
                              "<cbc:DueDate>2022-04-01Z</cbc:DueDate>"
                              "<cac:InvoicePeriod><cbc:StartDate>2022-01-01+01:00</cbc:StartDate>"
                              "<cbc:EndDate>2022-01-31+01:00</cbc:EndDate></cac:InvoicePeriod>");
    EXPECT_EQ(state.doc.issueDate, "2022-03-01");
    EXPECT_EQ(state.doc.dueDate, "2022-04-01");
    EXPECT_EQ(state.doc.periodStart, "2022-01-01");
    EXPECT_EQ(state.doc.periodEnd, "2022-01-31");
}

TEST(ReaderHeader, CuttingCountsCharactersNotBytes) {
    // Ten characters of which two take two bytes each: nothing is cut apart.
    const auto state = loaded("<cbc:IssueDate>äöabcdefgh+01:00</cbc:IssueDate>");
    EXPECT_EQ(state.doc.issueDate, "äöabcdefgh");
}

TEST(ReaderHeader, DeliveryDateIsCutOnlyDirectlyBelowTheDocumentElement) {
    auto state = loaded("<cac:Delivery><cbc:ActualDeliveryDate>2022-03-01+01:00</cbc:ActualDeliveryDate>"
                        "</cac:Delivery>");
    EXPECT_EQ(state.doc.deliveryDate, "2022-03-01+01:00");
    state = loaded("<cbc:ActualDeliveryDate>2022-03-01+01:00</cbc:ActualDeliveryDate>");
    EXPECT_EQ(state.doc.deliveryDate, "2022-03-01");
}

TEST(ReaderHeader, UnknownTypeCodeAndCurrencyAreKept) {
    const auto state = loaded("<cbc:InvoiceTypeCode>326</cbc:InvoiceTypeCode>"
                              "<cbc:DocumentCurrencyCode>JPY</cbc:DocumentCurrencyCode>");
    EXPECT_EQ(state.doc.documentTypeCode, "326");
    EXPECT_EQ(state.documentCurrency, "JPY");
    EXPECT_EQ(state.doc.loadedDocumentCurrency, "JPY");
}

TEST(ReaderHeader, MissingElementsKeepTheResetDefaults) {
    const auto reset = freshState();
    const auto state = loaded("<cbc:ID>1</cbc:ID>");
    EXPECT_EQ(state.doc.issueDate, reset.doc.issueDate);
    EXPECT_EQ(state.doc.documentTypeCode, "380");
    EXPECT_EQ(state.doc.paymentMeansCode, "58");
    EXPECT_EQ(state.doc.supplier.taxSchemeId, "VAT");
    EXPECT_EQ(state.documentCurrency, "EUR");
    EXPECT_EQ(state.documentTaxCategory, "S");
    EXPECT_EQ(state.doc.dueDate, "");
}

TEST(ReaderHeader, ProjectReferenceOfACreditNoteIsReadFromAdditionalReferenceOfType50) {
    auto state = loaded("<cac:AdditionalDocumentReference><cbc:ID>P-50</cbc:ID>"
                        "<cbc:DocumentTypeCode>50</cbc:DocumentTypeCode></cac:AdditionalDocumentReference>"
                        "<cac:AdditionalDocumentReference><cbc:ID>Anhang</cbc:ID>"
                        "<cbc:DocumentTypeCode>130</cbc:DocumentTypeCode></cac:AdditionalDocumentReference>"
                        "<cac:AdditionalDocumentReference><cbc:ID>ohne Typ</cbc:ID>"
                        "</cac:AdditionalDocumentReference>",
                        "ubl:CreditNote");
    EXPECT_EQ(state.doc.projectNumber, "P-50");
    state = loaded("<cac:AdditionalDocumentReference><cbc:ID>A</cbc:ID></cac:AdditionalDocumentReference>"
                   "<cac:AdditionalDocumentReference><cbc:DocumentTypeCode>50</cbc:DocumentTypeCode>"
                   "</cac:AdditionalDocumentReference>",
                   "ubl:CreditNote");
    EXPECT_EQ(state.doc.projectNumber, "") << "the ID of another reference does not count";
}

TEST(ReaderHeader, CreditNoteDueDateIsReadFromPaymentMeans) {
    const auto state = loaded("<cbc:CreditNoteTypeCode>381</cbc:CreditNoteTypeCode>"
                              "<cac:PaymentMeans><cbc:PaymentMeansCode>58</cbc:PaymentMeansCode>"
                              "<cbc:PaymentDueDate>2022-05-31+02:00</cbc:PaymentDueDate></cac:PaymentMeans>",
                              "ubl:CreditNote");
    EXPECT_EQ(state.doc.documentTypeCode, "381");
    EXPECT_EQ(state.doc.dueDate, "2022-05-31");
}

// --- the note ---------------------------------------------------------------

TEST(ReaderNote, SecondNoteWins) {
    const auto state = loaded("<cbc:Note>erste</cbc:Note><cbc:Note>zweite</cbc:Note>");
    EXPECT_EQ(state.doc.note, "zweite");
}

TEST(ReaderNote, PairsOfBlanksAreRemovedFromTheLeft) {
    EXPECT_EQ(loaded("<cbc:Note>a  b</cbc:Note>").doc.note, "ab");
    EXPECT_EQ(loaded("<cbc:Note>a   b</cbc:Note>").doc.note, "a b");
    EXPECT_EQ(loaded("<cbc:Note>a    b</cbc:Note>").doc.note, "ab");
    EXPECT_EQ(loaded("<cbc:Note>a     b</cbc:Note>").doc.note, "a b");
    EXPECT_EQ(loaded("<cbc:Note> x </cbc:Note>").doc.note, " x ");
}

TEST(ReaderNote, TabsAreRemovedAfterThePairs) {
    EXPECT_EQ(loaded("<cbc:Note>a\tb\t</cbc:Note>").doc.note, "ab");
    // The blanks around the tab are no pair until the tab is gone.
    EXPECT_EQ(loaded("<cbc:Note>a \t b</cbc:Note>").doc.note, "a  b");
}

TEST(ReaderNote, LineBreaksStayAsInTheFile) {
    const auto state = loaded("<cbc:Note>\r\n        erste\r\n        zweite\r\n    </cbc:Note>");
    EXPECT_EQ(state.doc.note, "\r\nerste\r\nzweite\r\n");
}

TEST(ReaderNote, NoteOfOnlyCdataIsEmpty) {
    const auto state = loaded("<cbc:Note><![CDATA[versteckt]]></cbc:Note>");
    EXPECT_EQ(state.doc.note, "");
}

TEST(ReaderNote, ReferencesAreResolved) {
    const auto state = loaded("<cbc:Note>a &lt;b&gt; &amp; &#228;</cbc:Note>");
    EXPECT_EQ(state.doc.note, "a <b> & ä");
}

// --- matching ---------------------------------------------------------------

TEST(ReaderMatching, UnprefixedInvoiceRootLoads) {
    const auto state = loaded("<cbc:ID>U-1</cbc:ID>", "Invoice");
    EXPECT_EQ(state.doc.documentNumber, "U-1");
}

TEST(ReaderMatching, CreditNoteRootsLoad) {
    EXPECT_EQ(loaded("<cbc:ID>C-1</cbc:ID>", "ubl:CreditNote").doc.documentNumber, "C-1");
    EXPECT_EQ(loaded("<cbc:ID>C-2</cbc:ID>", "CreditNote").doc.documentNumber, "C-2");
}

TEST(ReaderMatching, ForeignPrefixLoadsAsEmptyDocument) {
    const auto reset = freshState();
    const auto state = loaded("<ns2:ID>X-1</ns2:ID><ns2:Note>n</ns2:Note>"
                              "<cac:AccountingSupplierParty><cac:Party><cac:PartyName>"
                              "<ns2:Name>Firma</ns2:Name></cac:PartyName></cac:Party>"
                              "</cac:AccountingSupplierParty>",
                              "Invoice");
    EXPECT_EQ(state.doc.documentNumber, "");
    EXPECT_EQ(state.doc.note, "");
    EXPECT_EQ(state.doc.supplier.name, "");
    EXPECT_EQ(state.doc.documentTypeCode, reset.doc.documentTypeCode);
    EXPECT_TRUE(state.lines.empty());
}

TEST(ReaderMatching, OtherDocumentElementMatchesNothing) {
    for (const char* root : {"ns2:Invoice", "ubl:Order", "invoice"}) {
        const auto state = loaded("<cbc:ID>X</cbc:ID>", root);
        EXPECT_EQ(state.doc.documentNumber, "") << root;
    }
}

TEST(ReaderMatching, NamesAreComparedExactly) {
    const auto state = loaded("<cbc:id>klein</cbc:id><cbc:ID >mit Blank</cbc:ID >");
    // "cbc:ID " with a blank is the same name to the parser; "cbc:id" is not.
    EXPECT_EQ(state.doc.documentNumber, "mit Blank");
}

TEST(ReaderMatching, RuleFiresForElementsNestedInside) {
    const auto state = loaded("<cbc:Note>außen<x:Inner>innen</x:Inner></cbc:Note>");
    EXPECT_EQ(state.doc.note, "innen");
}

TEST(ReaderMatching, ElementsBelowLevelTenMatchNothing) {
    // cbc:Note is level 1, so the innermost element of nine nested ones is level 10.
    std::string open;
    std::string close;
    for (int i = 2; i <= 10; ++i) {
        open += "<e" + std::to_string(i) + ">";
        close = "</e" + std::to_string(i) + ">" + close;
    }
    auto state = loaded("<cbc:Note>" + open + "zehn" + close + "</cbc:Note>");
    EXPECT_EQ(state.doc.note, "zehn");
    state = loaded("<cbc:Note>" + open + "zehn<e11>elf</e11>" + close + "</cbc:Note>");
    EXPECT_EQ(state.doc.note, "zehn");
}

TEST(ReaderMatching, CommentsAndProcessingInstructionsAreSkipped) {
    const auto state = loaded("<!-- <cbc:ID>no</cbc:ID> --><?pi data?><cbc:ID>ja<!-- x --></cbc:ID>");
    EXPECT_EQ(state.doc.documentNumber, "ja");
}

// --- parties, delivery, payment -------------------------------------------------

namespace {
std::string party(std::string_view outer) {
    std::string p = "<" + std::string(outer) + "><cac:Party>";
    p += "<cac:PartyIdentification><cbc:ID>ID</cbc:ID></cac:PartyIdentification>"
         "<cac:PartyName><cbc:Name>Name</cbc:Name></cac:PartyName>"
         "<cac:PostalAddress><cbc:StreetName>Straße 1</cbc:StreetName><cbc:CityName>Ort</cbc:CityName>"
         "<cbc:PostalZone>12345</cbc:PostalZone><cac:Country><cbc:IdentificationCode>DE"
         "</cbc:IdentificationCode></cac:Country></cac:PostalAddress>"
         "<cac:PartyTaxScheme><cbc:CompanyID>DE123</cbc:CompanyID><cac:TaxScheme><cbc:ID>VAT</cbc:ID>"
         "</cac:TaxScheme></cac:PartyTaxScheme>"
         "<cac:PartyLegalEntity><cbc:RegistrationName>Reg</cbc:RegistrationName>"
         "<cbc:CompanyID>HRB 1</cbc:CompanyID><cbc:CompanyLegalForm>GmbH</cbc:CompanyLegalForm>"
         "</cac:PartyLegalEntity>"
         "<cac:Contact><cbc:Name>Kontakt</cbc:Name><cbc:Telephone>0123</cbc:Telephone>"
         "<cbc:ElectronicMail>a@b.de</cbc:ElectronicMail></cac:Contact>";
    p += "</cac:Party></" + std::string(outer) + ">";
    return p;
}

void expectParty(const tallomir::PartyFields& p, const std::string& legalForm) {
    EXPECT_EQ(p.partyId, "ID");
    EXPECT_EQ(p.name, "Name");
    EXPECT_EQ(p.street, "Straße 1");
    EXPECT_EQ(p.city, "Ort");
    EXPECT_EQ(p.postalCode, "12345");
    EXPECT_EQ(p.countryCode, "DE");
    EXPECT_EQ(p.vatId, "DE123");
    EXPECT_EQ(p.taxSchemeId, "VAT");
    EXPECT_EQ(p.registrationName, "Reg");
    EXPECT_EQ(p.registrationId, "HRB 1");
    EXPECT_EQ(p.legalForm, legalForm);
    EXPECT_EQ(p.contactName, "Kontakt");
    EXPECT_EQ(p.phone, "0123");
    EXPECT_EQ(p.email, "a@b.de");
}
} // namespace

TEST(ReaderParties, SupplierAndCustomerFieldsAreMapped) {
    const auto state = loaded(party("cac:AccountingSupplierParty") + party("cac:AccountingCustomerParty"));
    expectParty(state.doc.supplier, "GmbH");
    expectParty(state.doc.customer, ""); // the customer has no legal form
}

TEST(ReaderParties, SecondPartyTaxSchemeWins) {
    const auto state = loaded("<cac:AccountingSupplierParty><cac:Party>"
                              "<cac:PartyTaxScheme><cbc:CompanyID>DE123456789</cbc:CompanyID>"
                              "<cac:TaxScheme><cbc:ID>VAT</cbc:ID></cac:TaxScheme></cac:PartyTaxScheme>"
                              "<cac:PartyTaxScheme><cbc:CompanyID>123/456/7890</cbc:CompanyID>"
                              "<cac:TaxScheme><cbc:ID>FC</cbc:ID></cac:TaxScheme></cac:PartyTaxScheme>"
                              "</cac:Party></cac:AccountingSupplierParty>");
    EXPECT_EQ(state.doc.supplier.vatId, "123/456/7890");
    EXPECT_EQ(state.doc.supplier.taxSchemeId, "FC");
}

TEST(ReaderParties, PartyElementsElsewhereAreNotRead) {
    const auto state = loaded("<cac:PayeeParty><cac:PartyName><cbc:Name>Payee</cbc:Name></cac:PartyName>"
                              "</cac:PayeeParty>"
                              "<cac:AccountingSupplierParty><cac:PartyName><cbc:Name>ohne Party</cbc:Name>"
                              "</cac:PartyName></cac:AccountingSupplierParty>");
    EXPECT_EQ(state.doc.supplier.name, "");
    EXPECT_EQ(state.doc.customer.name, "");
    EXPECT_EQ(state.doc.delivery.name, "");
}

TEST(ReaderDeliveryAndPayment, FieldsAreMapped) {
    const auto state =
        loaded("<cac:Delivery><cbc:ActualDeliveryDate>2022-02-02</cbc:ActualDeliveryDate>"
               "<cac:DeliveryLocation><cac:Address><cbc:StreetName>Lager 2</cbc:StreetName>"
               "<cbc:CityName>Hafen</cbc:CityName><cbc:PostalZone>20000</cbc:PostalZone>"
               "<cac:Country><cbc:IdentificationCode>AT</cbc:IdentificationCode></cac:Country></cac:Address>"
               "</cac:DeliveryLocation><cac:DeliveryParty><cac:PartyName><cbc:Name>Empfänger</cbc:Name>"
               "</cac:PartyName></cac:DeliveryParty></cac:Delivery>"
               "<cac:PaymentMeans><cbc:PaymentMeansCode>30</cbc:PaymentMeansCode>"
               "<cac:PayeeFinancialAccount><cbc:ID>DE02120300000000202051</cbc:ID><cbc:Name>Bank</cbc:Name>"
               "<cac:FinancialInstitutionBranch><cbc:ID>BYLADEM1001</cbc:ID></cac:FinancialInstitutionBranch>"
               "</cac:PayeeFinancialAccount></cac:PaymentMeans>"
               "<cac:PaymentTerms><cbc:Note>14 Tage</cbc:Note></cac:PaymentTerms>");
    const auto& doc = state.doc;
    EXPECT_EQ(doc.deliveryDate, "2022-02-02");
    EXPECT_EQ(doc.delivery.street, "Lager 2");
    EXPECT_EQ(doc.delivery.city, "Hafen");
    EXPECT_EQ(doc.delivery.postalCode, "20000");
    EXPECT_EQ(doc.delivery.countryCode, "AT");
    EXPECT_EQ(doc.delivery.name, "Empfänger");
    EXPECT_EQ(doc.paymentMeansCode, "30");
    EXPECT_EQ(doc.iban, "DE02120300000000202051");
    EXPECT_EQ(doc.bankName, "Bank");
    EXPECT_EQ(doc.bic, "BYLADEM1001");
    EXPECT_EQ(doc.paymentTerms, "14 Tage");
}

// --- allowance or charge ----------------------------------------------------------

namespace {
std::string allowance(std::string_view indicator, std::string_view reason) {
    std::string a =
        "<cac:AllowanceCharge><cbc:ChargeIndicator>" + std::string(indicator) + "</cbc:ChargeIndicator>";
    if (!reason.empty())
        a += "<cbc:AllowanceChargeReason>" + std::string(reason) + "</cbc:AllowanceChargeReason>";
    a += "<cbc:Amount currencyID=\"EUR\">12.50</cbc:Amount><cbc:BaseAmount currencyID=\"EUR\">100.00"
         "</cbc:BaseAmount><cac:TaxCategory><cbc:ID>S</cbc:ID><cbc:Percent>19.00</cbc:Percent>"
         "<cac:TaxScheme><cbc:ID>VAT</cbc:ID></cac:TaxScheme></cac:TaxCategory></cac:AllowanceCharge>";
    return a;
}
} // namespace

TEST(ReaderAllowance, TextsAreCopied) {
    const auto state = loaded(allowance("false", "Rabatt") + oneLine);
    const auto& doc = state.doc;
    EXPECT_EQ(doc.chargeIndicator, "false");
    EXPECT_EQ(doc.allowanceReason, "Rabatt");
    EXPECT_EQ(doc.allowanceBaseAmount, "100.00");
    EXPECT_EQ(doc.allowanceTaxCategory, "S");
    EXPECT_EQ(doc.allowanceTaxPercent, "19.00");
    EXPECT_EQ(doc.allowanceTaxScheme, "VAT");
}

TEST(ReaderAllowance, FalseIsAnAllowance) {
    const auto state = loaded(allowance("false", "Rabatt") + oneLine);
    EXPECT_EQ(state.amounts.allowanceValue, parseNumber("-12.5"));
    EXPECT_EQ(state.amounts.allowanceRate, parseNumber("19"));
    EXPECT_TRUE(state.amounts.allowanceRateChosen);
    EXPECT_EQ(state.doc.taxExclusiveAmount, "87.50");
}

TEST(ReaderAllowance, AnyOtherIndicatorIsACharge) {
    for (const char* indicator : {"true", "", "FALSE"}) {
        const auto state = loaded(allowance(indicator, "Fracht") + oneLine);
        EXPECT_EQ(state.amounts.allowanceValue, parseNumber("12.5")) << indicator;
    }
}

TEST(ReaderAllowance, PercentageIsSigned) {
    const auto state = loaded("<cac:AllowanceCharge><cbc:ChargeIndicator>false</cbc:ChargeIndicator>"
                              "<cbc:AllowanceChargeReason>Skonto</cbc:AllowanceChargeReason>"
                              "<cbc:MultiplierFactorNumeric>10</cbc:MultiplierFactorNumeric>"
                              "<cbc:Amount>10.00</cbc:Amount></cac:AllowanceCharge>" +
                              std::string(oneLine));
    EXPECT_EQ(state.amounts.allowancePercentValue, parseNumber("-10"));
    EXPECT_EQ(state.doc.taxExclusiveAmount, "90.00");
}

TEST(ReaderAllowance, NoReasonMeansNoAllowanceAndNothingStale) {
    auto state = freshState();
    state.amounts.allowanceValue = parseNumber("-30");
    state.amounts.allowancePercentValue = parseNumber("5");
    state.amounts.allowanceRate = parseNumber("7");
    state.amounts.allowanceRateChosen = true;
    ASSERT_EQ(load(state, ublFile(allowance("false", "") + oneLine)).result, Result::Loaded);
    EXPECT_TRUE(state.amounts.allowanceValue.isZero());
    EXPECT_TRUE(state.amounts.allowancePercentValue.isZero());
    EXPECT_TRUE(state.amounts.allowanceRate.isZero());
    EXPECT_FALSE(state.amounts.allowanceRateChosen);
    EXPECT_EQ(state.doc.taxExclusiveAmount, "100.00");
    EXPECT_EQ(state.doc.payableAmount, "119.00");
}

TEST(ReaderAllowance, LastBlockWinsPerElement) {
    const auto state = loaded(allowance("true", "Fracht") +
                              "<cac:AllowanceCharge><cbc:ChargeIndicator>false</cbc:ChargeIndicator>"
                              "<cbc:Amount>3.00</cbc:Amount></cac:AllowanceCharge>" +
                              oneLine);
    EXPECT_EQ(state.doc.chargeIndicator, "false");
    EXPECT_EQ(state.doc.allowanceReason, "Fracht");
    EXPECT_EQ(state.doc.allowanceAmount, "3.00");
}

// --- tax total and subtotals -----------------------------------------------------

TEST(ReaderTax, SubtotalsAreReadInFileOrderBeforeRecomputation) {
    auto state = freshState();
    tallomir::resetDocument(state);
    const auto tree = tallomir::xml::loadDocumentFromBytes(ublFile(
        "<cac:TaxTotal><cbc:TaxAmount>22.50</cbc:TaxAmount>"
        "<cac:TaxSubtotal><cbc:TaxableAmount>100.00</cbc:TaxableAmount><cbc:TaxAmount>19.00</cbc:TaxAmount>"
        "<cac:TaxCategory><cbc:ID>S</cbc:ID><cbc:Percent>19.00</cbc:Percent>"
        "<cac:TaxScheme><cbc:ID>VAT</cbc:ID></cac:TaxScheme></cac:TaxCategory></cac:TaxSubtotal>"
        "<cac:TaxSubtotal><cbc:TaxableAmount>50.00</cbc:TaxableAmount><cbc:TaxAmount>0.00</cbc:TaxAmount>"
        "<cac:TaxCategory><cbc:ID>K</cbc:ID><cbc:Percent>0.00</cbc:Percent>"
        "<cbc:TaxExemptionReason>innergem.</cbc:TaxExemptionReason>"
        "<cac:TaxScheme><cbc:ID>VAT</cbc:ID></cac:TaxScheme></cac:TaxCategory></cac:TaxSubtotal>"
        "</cac:TaxTotal><cac:TaxTotal><cbc:TaxAmount>99.99</cbc:TaxAmount></cac:TaxTotal>"));
    ASSERT_TRUE(tree);
    tallomir::ubl::walkDocument(state, *tree);
    ASSERT_EQ(state.vatBreakdown.size(), 2u);
    EXPECT_EQ(state.vatBreakdown[0],
              (tallomir::VatBreakdownEntry{"22.50", "100.00", "19.00", "", "S", "19.00", "VAT"}));
    EXPECT_EQ(state.vatBreakdown[1],
              (tallomir::VatBreakdownEntry{"22.50", "50.00", "0.00", "innergem.", "K", "0.00", "VAT"}));
    EXPECT_EQ(state.doc.taxTotalAmount, "99.99");
    EXPECT_EQ(state.documentTaxCategory, "K");
    EXPECT_EQ(state.doc.taxCategoryCode, "K");
}

TEST(ReaderTax, SubtotalElementsBeforeTheFirstEntryWriteNowhere) {
    auto state = freshState();
    tallomir::resetDocument(state);
    const auto tree = tallomir::xml::loadDocumentFromBytes(
        ublFile("<cac:TaxTotal><cac:TaxSubtotal><cbc:TaxAmount>1.00</cbc:TaxAmount>"
                "<cac:TaxCategory><cbc:ID>G</cbc:ID></cac:TaxCategory></cac:TaxSubtotal></cac:TaxTotal>"));
    ASSERT_TRUE(tree);
    tallomir::ubl::walkDocument(state, *tree);
    EXPECT_TRUE(state.vatBreakdown.empty());
    EXPECT_EQ(state.documentTaxCategory, "G");
}

TEST(ReaderTax, LoadedSubtotalsAreReplacedByTheLines) {
    const auto state = loaded("<cac:TaxTotal><cbc:TaxAmount>5.00</cbc:TaxAmount><cac:TaxSubtotal>"
                              "<cbc:TaxableAmount>1.00</cbc:TaxableAmount></cac:TaxSubtotal>"
                              "<cac:TaxSubtotal><cbc:TaxableAmount>2.00</cbc:TaxableAmount></cac:TaxSubtotal>"
                              "</cac:TaxTotal>" +
                              std::string(oneLine));
    ASSERT_EQ(state.vatBreakdown.size(), 1u);
    EXPECT_EQ(state.vatBreakdown[0].taxableAmount, "100.00");
    EXPECT_EQ(state.vatBreakdown[0].taxAmount, "19.00");
}

// --- totals -------------------------------------------------------------------------

TEST(ReaderTotals, PrepaidAmountIsKeptAndTheRestRecomputed) {
    const auto state = loaded(std::string("<cac:LegalMonetaryTotal>"
                                          "<cbc:LineExtensionAmount>1.00</cbc:LineExtensionAmount>"
                                          "<cbc:TaxExclusiveAmount>2.00</cbc:TaxExclusiveAmount>"
                                          "<cbc:TaxInclusiveAmount>3.00</cbc:TaxInclusiveAmount>"
                                          "<cbc:PrepaidAmount>50.00</cbc:PrepaidAmount>"
                                          "<cbc:PayableAmount>4.00</cbc:PayableAmount>"
                                          "</cac:LegalMonetaryTotal>") +
                              oneLine);
    EXPECT_EQ(state.doc.prepaidAmount, "50.00");
    EXPECT_EQ(state.doc.lineExtensionAmount, "100.00");
    EXPECT_EQ(state.doc.taxExclusiveAmount, "100.00");
    EXPECT_EQ(state.doc.taxInclusiveAmount, "119.00");
    EXPECT_NE(state.doc.payableAmount, "4.00");
}

TEST(ReaderTotals, MonetaryTotalsAreReadBeforeRecomputation) {
    auto state = freshState();
    tallomir::resetDocument(state);
    const auto tree = tallomir::xml::loadDocumentFromBytes(
        ublFile("<cac:LegalMonetaryTotal><cbc:LineExtensionAmount>1.00</cbc:LineExtensionAmount>"
                "<cbc:TaxExclusiveAmount>2.00</cbc:TaxExclusiveAmount>"
                "<cbc:TaxInclusiveAmount>3.00</cbc:TaxInclusiveAmount>"
                "<cbc:AllowanceTotalAmount>7.00</cbc:AllowanceTotalAmount>"
                "<cbc:PayableAmount>4.00</cbc:PayableAmount></cac:LegalMonetaryTotal>"));
    ASSERT_TRUE(tree);
    tallomir::ubl::walkDocument(state, *tree);
    EXPECT_EQ(state.doc.lineExtensionAmount, "1.00");
    EXPECT_EQ(state.doc.taxExclusiveAmount, "2.00");
    EXPECT_EQ(state.doc.taxInclusiveAmount, "3.00");
    EXPECT_EQ(state.doc.payableAmount, "4.00");
    EXPECT_EQ(state.doc.allowanceAmount, "");
}

// --- lines -------------------------------------------------------------------------

TEST(ReaderLines, EveryLineFieldIsMapped) {
    const auto state =
        loaded("<cac:InvoiceLine><cbc:ID>7</cbc:ID><cbc:Note>Hinweis</cbc:Note>"
               "<cbc:InvoicedQuantity unitCode=\"HUR\">2.5</cbc:InvoicedQuantity>"
               "<cbc:LineExtensionAmount>25.00</cbc:LineExtensionAmount>"
               "<cac:InvoicePeriod><cbc:StartDate>2022-01-01+01:00</cbc:StartDate>"
               "<cbc:EndDate>2022-01-31+01:00</cbc:EndDate></cac:InvoicePeriod>"
               "<cac:Item><cbc:Description>Beschreibung</cbc:Description><cbc:Name>Artikel</cbc:Name>"
               "<cac:SellersItemIdentification><cbc:ID>A-1</cbc:ID></cac:SellersItemIdentification>"
               "<cac:ClassifiedTaxCategory><cbc:ID>S</cbc:ID><cbc:Percent>7.00</cbc:Percent>"
               "<cac:TaxScheme><cbc:ID>VAT</cbc:ID></cac:TaxScheme></cac:ClassifiedTaxCategory></cac:Item>"
               "<cac:Price><cbc:PriceAmount>10.00</cbc:PriceAmount><cbc:BaseQuantity>1</cbc:BaseQuantity>"
               "</cac:Price></cac:InvoiceLine>");
    ASSERT_EQ(state.lines.size(), 1u);
    EXPECT_EQ(state.lines[0],
              (tallomir::LineItem{"7", "Hinweis", "2.5", "25.00", "2022-01-01+01:00", "2022-01-31+01:00",
                                  "Artikel", "Beschreibung", "A-1", "S", "7.00", "VAT", "10.00"}));
}

TEST(ReaderLines, LineNetIsKeptAsLoaded) {
    const auto state =
        loaded("<cac:InvoiceLine><cbc:ID>1</cbc:ID><cbc:InvoicedQuantity>3</cbc:InvoicedQuantity>"
               "<cbc:LineExtensionAmount>25.00</cbc:LineExtensionAmount>"
               "<cac:Item><cac:ClassifiedTaxCategory><cbc:Percent>19.00</cbc:Percent>"
               "</cac:ClassifiedTaxCategory></cac:Item>"
               "<cac:Price><cbc:PriceAmount>10.00</cbc:PriceAmount></cac:Price>"
               "</cac:InvoiceLine>");
    ASSERT_EQ(state.lines.size(), 1u);
    EXPECT_EQ(state.lines[0].lineNetAmount, "25.00");
    EXPECT_EQ(state.doc.lineExtensionAmount, "25.00");
}

TEST(ReaderLines, CreditNoteLinesLoadLikeInvoiceLines) {
    const auto state = loaded("<cbc:CreditNoteTypeCode>381</cbc:CreditNoteTypeCode>"
                              "<cac:CreditNoteLine><cbc:ID>1</cbc:ID>"
                              "<cbc:CreditedQuantity unitCode=\"C62\">4</cbc:CreditedQuantity>"
                              "<cbc:LineExtensionAmount>8.00</cbc:LineExtensionAmount>"
                              "<cac:Item><cbc:Name>Gutschrift</cbc:Name></cac:Item>"
                              "<cac:Price><cbc:PriceAmount>2.00</cbc:PriceAmount></cac:Price>"
                              "</cac:CreditNoteLine>",
                              "ubl:CreditNote");
    ASSERT_EQ(state.lines.size(), 1u);
    EXPECT_EQ(state.lines[0].quantity, "4");
    EXPECT_EQ(state.lines[0].lineNetAmount, "8.00");
    EXPECT_EQ(state.lines[0].itemName, "Gutschrift");
    EXPECT_EQ(state.doc.documentTypeCode, "381");
}

TEST(ReaderLines, LinesFollowFileOrderWhateverTheirIds) {
    const auto state = loaded("<cac:InvoiceLine><cbc:ID>9</cbc:ID></cac:InvoiceLine>"
                              "<cac:InvoiceLine><cbc:ID>2</cbc:ID></cac:InvoiceLine>"
                              "<cac:InvoiceLine><cbc:ID>2</cbc:ID></cac:InvoiceLine>");
    ASSERT_EQ(state.lines.size(), 3u);
    EXPECT_EQ(state.lines[0].position, "9");
    EXPECT_EQ(state.lines[1].position, "2");
    EXPECT_EQ(state.lines[2].position, "2");
}

TEST(ReaderLines, ElementsBeforeTheIdGoToTheLineBefore) {
    const auto state = loaded("<cac:InvoiceLine><cbc:Note>verloren</cbc:Note><cbc:ID>1</cbc:ID>"
                              "<cbc:Note>eins</cbc:Note></cac:InvoiceLine>"
                              "<cac:InvoiceLine><cbc:Note>zur ersten</cbc:Note><cbc:ID>2</cbc:ID>"
                              "</cac:InvoiceLine>"
                              "<cac:InvoiceLine><cbc:InvoicedQuantity>5</cbc:InvoicedQuantity>"
                              "</cac:InvoiceLine>");
    ASSERT_EQ(state.lines.size(), 2u);
    EXPECT_EQ(state.lines[0].lineNote, "zur ersten");
    EXPECT_EQ(state.lines[1].lineNote, "");
    EXPECT_EQ(state.lines[1].quantity, "5");
}

TEST(ReaderLines, RepeatedElementInALineOverwrites) {
    const auto state = loaded("<cac:InvoiceLine><cbc:ID>1</cbc:ID><cbc:Note>a</cbc:Note>"
                              "<cbc:Note>b</cbc:Note></cac:InvoiceLine>");
    ASSERT_EQ(state.lines.size(), 1u);
    EXPECT_EQ(state.lines[0].lineNote, "b");
}

// --- outcomes ------------------------------------------------------------------------

TEST(ReaderOutcome, MismatchedTagGivesTheGermanMessageAndAResetDocument) {
    auto state = freshState();
    state.doc.documentNumber = "vorher";
    const std::string file = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                             "<ubl:Invoice>\n"
                             "  <cbc:ID>A1</cbc:ID>\n"
                             "  <cbc:Note>x</cbc:ID>\n"
                             "</ubl:Invoice>\n";
    const auto outcome = load(state, file);
    EXPECT_EQ(outcome.result, Result::ParseError);
    EXPECT_EQ(outcome.message, "Fehler in der XML Datei:\rMeldung: mismatched tag\rZeile:   4   Zeichen: 16");
    EXPECT_EQ(state.doc.documentNumber, "") << "the part parsed before the error is not used";
    EXPECT_EQ(state.doc.payableAmount, "0.00");
}

TEST(ReaderOutcome, MissingFileGivesNoDocumentAndNoMessage) {
    auto state = freshState();
    state.doc.documentNumber = "vorher";
    const readertest::TempDir dir;
    const std::string name = (dir.path() / "fehlt.xml").string();
    const auto outcome = tallomir::ubl::loadInvoiceFile(state, name);
    EXPECT_EQ(outcome.result, Result::NoDocument);
    EXPECT_EQ(outcome.message, "");
    EXPECT_EQ(state.currentFileName, name);
    EXPECT_EQ(state.doc.documentNumber, "");
    EXPECT_EQ(state.doc.payableAmount, "0.00");
}

TEST(ReaderOutcome, EmptyFileGivesNoDocument) {
    auto state = freshState();
    state.lines.push_back(tallomir::LineItem{});
    const readertest::TempDir dir;
    const auto path = dir.path() / "leer.xml";
    readertest::writeFile(path, "");
    const auto outcome = tallomir::ubl::loadInvoiceFile(state, path.string());
    EXPECT_EQ(outcome.result, Result::NoDocument);
    EXPECT_TRUE(state.lines.empty());
    EXPECT_EQ(state.currentFileName, path.string());
}

TEST(ReaderOutcome, FileLoadSetsTheNameAndClearsModified) {
    auto state = freshState();
    state.modified = true;
    const readertest::TempDir dir;
    const auto path = dir.path() / "rechnung.xml";
    readertest::writeFile(path, ublFile("<cbc:ID>F-1</cbc:ID>"));
    const auto outcome = tallomir::ubl::loadInvoiceFile(state, path.string());
    EXPECT_EQ(outcome.result, Result::Loaded);
    EXPECT_EQ(state.doc.documentNumber, "F-1");
    EXPECT_EQ(state.currentFileName, path.string());
    EXPECT_FALSE(state.modified);
}

TEST(ReaderOutcome, LoadReplacesThePreviousDocument) {
    auto state = loaded(party("cac:AccountingSupplierParty") + oneLine + "<cbc:Note>alt</cbc:Note>");
    ASSERT_EQ(load(state, ublFile("<cbc:ID>neu</cbc:ID>")).result, Result::Loaded);
    EXPECT_EQ(state.doc.supplier.name, "");
    EXPECT_EQ(state.doc.note, "");
    EXPECT_TRUE(state.lines.empty());
    EXPECT_EQ(state.doc.documentNumber, "neu");
}
