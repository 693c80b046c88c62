#include "invoice/dates.h"
#include "invoice/model.h"

#include <gtest/gtest.h>

using namespace tallomir;

namespace {

// The record as a reset leaves it: only the defaults are filled.
InvoiceDocument defaultDocument() {
    InvoiceDocument d;
    d.documentTypeCode = "380";
    d.paymentMeansCode = "58";
    d.issueDate = formatIsoDate(todayDate());
    d.supplier.taxSchemeId = "VAT";
    d.customer.taxSchemeId = "VAT";
    d.taxCategoryCode = "S";
    return d;
}

} // namespace

TEST(ProgramTexts, WindowTitle) {
    EXPECT_EQ(windowTitle(), "Tallomir Ver. 1.8");
}

TEST(CodeLists, BuiltInEntries) {
    const CodeLists lists = defaultCodeLists();
    EXPECT_EQ(lists.documentTypes,
              (std::vector<CodeEntry>{
                  {"Rechnung", "380"}, {"korrigierte Rechnung", "384"}, {"Gutschrift", "381"}}));
    EXPECT_EQ(lists.paymentMeans, (std::vector<CodeEntry>{{"SEPA-Überweisung", "58"},
                                                          {"SEPA-Lastschrift", "59"},
                                                          {"Überweisung", "30"},
                                                          {"Lastschrift", "49"}}));
    EXPECT_EQ(lists.taxCategories, (std::vector<CodeEntry>{{"Standard USt.", "S"},
                                                           {"steuerfreie innergem. Lieferung", "K"},
                                                           {"steuerfreie nicht EU Lieferung", "G"}}));
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
    EXPECT_TRUE(state.doc == defaultDocument()); // every other field empty
    EXPECT_EQ(state.doc.issueDate.size(), 10u);
    EXPECT_EQ(state.documentCurrency, "EUR");
    EXPECT_EQ(state.unitCode, "C62");
    EXPECT_EQ(state.documentTaxCategory, "S");
    EXPECT_EQ(state.defaultTaxScheme, "VAT");
    EXPECT_FALSE(state.modified);
    EXPECT_EQ(state.amounts.slots[0].rate, Decimal::fromInt(19));
    EXPECT_EQ(state.amounts.slots[1].rate, Decimal::fromInt(7));
    EXPECT_EQ(state.amounts.slots[2].rate, Decimal::fromInt(0));
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

    EXPECT_TRUE(state.doc == defaultDocument());
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

    resetDocument(state);

    EXPECT_EQ(state.documentCurrency, "CHF"); // first entry of the settings' currencies
    EXPECT_EQ(state.amounts.slots[0].rate, Decimal::fromInt(16));
    EXPECT_EQ(state.lists.currencies[0], "CHF");
    EXPECT_EQ(state.lineEditBuffer.itemName, "halb fertig");
    EXPECT_EQ(state.currentLineIndex, 3);
    EXPECT_EQ(state.amounts.allowanceValue, Decimal::fromInt(-5));
}
