#include "invoice/dates.h"
#include "invoice/model.h"

#include <gtest/gtest.h>

using namespace tallomir;

TEST(ProgramTexts, WindowTitle) {
    EXPECT_EQ(windowTitle(), "Tallomir Ver. 1.8");
}

TEST(CodeLists, BuiltInEntries) {
    const CodeLists lists = defaultCodeLists();
    ASSERT_EQ(lists.documentTypes.size(), 3u);
    EXPECT_EQ(lists.documentTypes[0].text, "Rechnung");
    EXPECT_EQ(lists.documentTypes[0].code, "380");
    EXPECT_EQ(lists.documentTypes[1].text, "korrigierte Rechnung");
    EXPECT_EQ(lists.documentTypes[1].code, "384");
    EXPECT_EQ(lists.documentTypes[2].text, "Gutschrift");
    EXPECT_EQ(lists.documentTypes[2].code, "381");

    ASSERT_EQ(lists.paymentMeans.size(), 4u);
    EXPECT_EQ(lists.paymentMeans[0].text, "SEPA-\xC3\x9C"
                                          "berweisung");
    EXPECT_EQ(lists.paymentMeans[0].code, "58");
    EXPECT_EQ(lists.paymentMeans[1].text, "SEPA-Lastschrift");
    EXPECT_EQ(lists.paymentMeans[1].code, "59");
    EXPECT_EQ(lists.paymentMeans[2].text, "\xC3\x9C"
                                          "berweisung");
    EXPECT_EQ(lists.paymentMeans[2].code, "30");
    EXPECT_EQ(lists.paymentMeans[3].text, "Lastschrift");
    EXPECT_EQ(lists.paymentMeans[3].code, "49");

    ASSERT_EQ(lists.taxCategories.size(), 3u);
    EXPECT_EQ(lists.taxCategories[0].text, "Standard USt.");
    EXPECT_EQ(lists.taxCategories[0].code, "S");
    EXPECT_EQ(lists.taxCategories[1].text, "steuerfreie innergem. Lieferung");
    EXPECT_EQ(lists.taxCategories[1].code, "K");
    EXPECT_EQ(lists.taxCategories[2].text, "steuerfreie nicht EU Lieferung");
    EXPECT_EQ(lists.taxCategories[2].code, "G");

    ASSERT_EQ(lists.unitCodes.size(), 1u);
    EXPECT_EQ(lists.unitCodes[0].code, "C62");

    EXPECT_EQ(lists.currencies, (std::vector<std::string>{"EUR", "CHF", "GBP", "USD"}));
    EXPECT_EQ(lists.vatRates[0].toPlainString(), "19");
    EXPECT_EQ(lists.vatRates[1].toPlainString(), "7");
    EXPECT_EQ(lists.vatRates[2].toPlainString(), "0");
    EXPECT_EQ(lists.paymentTermsTexts,
              (std::vector<std::string>{"14 Tage rein netto", "14 Tage 2% Skonto",
                                        "Nach Rechnungsstellung rein netto", "", ""}));
}

TEST(CodeLists, FindCode) {
    const CodeLists lists = defaultCodeLists();
    EXPECT_EQ(findCode(lists.documentTypes, "381"), 2);
    EXPECT_EQ(findCode(lists.paymentMeans, "58"), 0);
    EXPECT_EQ(findCode(lists.taxCategories, "G"), 2);
    EXPECT_EQ(findCode(lists.taxCategories, "g"), -1); // codes are case-sensitive
    EXPECT_EQ(findCode(lists.documentTypes, "326"), -1);
    EXPECT_EQ(findCode(lists.documentTypes, ""), -1);
}

TEST(ResetDocument, FreshDocumentHasTheDefaults) {
    const DocumentState state = makeDocumentState(defaultCodeLists());
    const InvoiceDocument& d = state.doc;
    EXPECT_EQ(d.documentTypeCode, "380");
    EXPECT_EQ(d.paymentMeansCode, "58");
    EXPECT_EQ(state.documentCurrency, "EUR");
    EXPECT_EQ(state.unitCode, "C62");
    EXPECT_EQ(state.documentTaxCategory, "S");
    EXPECT_EQ(state.defaultTaxScheme, "VAT");
    EXPECT_EQ(d.issueDate, formatIsoDate(todayDate()));
    EXPECT_EQ(d.supplier.taxSchemeId, "VAT");
    EXPECT_EQ(d.customer.taxSchemeId, "VAT");
    EXPECT_EQ(d.taxCategoryCode, "S");
    EXPECT_FALSE(state.modified);
    EXPECT_EQ(state.amounts.slots[0].rate, Decimal::fromInt(19));
    EXPECT_EQ(state.amounts.slots[1].rate, Decimal::fromInt(7));
    EXPECT_EQ(state.amounts.slots[2].rate, Decimal::fromInt(0));

    // every other field is empty
    InvoiceDocument expected;
    expected.documentTypeCode = "380";
    expected.paymentMeansCode = "58";
    expected.issueDate = d.issueDate;
    expected.supplier.taxSchemeId = "VAT";
    expected.customer.taxSchemeId = "VAT";
    expected.taxCategoryCode = "S";
    EXPECT_TRUE(d == expected);
}

TEST(ResetDocument, EmptiesAFilledDocument) {
    DocumentState state = makeDocumentState(defaultCodeLists());
    state.doc.documentTypeCode = "381";
    state.doc.documentNumber = "R-17";
    state.doc.dueDate = "2022-02-01";
    state.doc.periodStart = "2022-01-01";
    state.doc.supplier.name = "Muster GmbH";
    state.doc.supplier.taxSchemeId = "";
    state.doc.delivery.city = "Berlin";
    state.doc.allowanceAmount = "5.00";
    state.doc.taxCategoryCode = "AE";
    state.documentCurrency = "USD";
    state.documentTaxCategory = "K";
    state.lines.push_back(
        LineItem{"1", "", "2", "10.00", "", "", "Ware", "", "", "S", "19.00", "VAT", "5.00"});
    state.vatBreakdown.push_back(VatBreakdownEntry{"1.90", "10.00", "1.90", "", "S", "19.00", "VAT"});
    state.modified = true;

    resetDocument(state);

    EXPECT_EQ(state.doc.documentTypeCode, "380");
    EXPECT_EQ(state.doc.documentNumber, "");
    EXPECT_EQ(state.doc.dueDate, "");
    EXPECT_EQ(state.doc.periodStart, "");
    EXPECT_EQ(state.doc.supplier.name, "");
    EXPECT_EQ(state.doc.supplier.taxSchemeId, "VAT");
    EXPECT_EQ(state.doc.delivery.city, "");
    EXPECT_EQ(state.doc.allowanceAmount, "");
    EXPECT_EQ(state.doc.taxCategoryCode, "S");
    EXPECT_EQ(state.documentCurrency, "EUR");
    EXPECT_EQ(state.documentTaxCategory, "S");
    EXPECT_TRUE(state.lines.empty());
    EXPECT_TRUE(state.vatBreakdown.empty());
    EXPECT_FALSE(state.modified);
}

TEST(ResetDocument, KeepsCodeListsLineEditorAndAllowanceValues) {
    CodeLists lists = defaultCodeLists();
    lists.currencies[0] = "CHF";
    lists.vatRates[0] = Decimal::fromInt(16);
    DocumentState state = makeDocumentState(lists);
    state.lineEditBuffer.itemName = "halb fertig";
    state.currentLineIndex = 3;
    state.amounts.allowanceValue = Decimal::fromInt(-5);
    state.currentFileName = "/tmp/r.xml";

    resetDocument(state);

    EXPECT_EQ(state.documentCurrency, "CHF"); // first entry of the settings' currencies
    EXPECT_EQ(state.amounts.slots[0].rate, Decimal::fromInt(16));
    EXPECT_EQ(state.lists.currencies[0], "CHF");
    EXPECT_EQ(state.lineEditBuffer.itemName, "halb fertig");
    EXPECT_EQ(state.currentLineIndex, 3);
    EXPECT_EQ(state.amounts.allowanceValue, Decimal::fromInt(-5));
}
