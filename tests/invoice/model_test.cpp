// Code look-up and what a reset leaves of the open document.

#include "invoice/dates.h"
#include "invoice/model.h"

#include <gtest/gtest.h>

using namespace tallomir;

TEST(CodeLists, FindCodeIsExactAndCaseSensitive) {
    const CodeLists lists = defaultCodeLists();
    EXPECT_EQ(findCode(lists.documentTypes, "381"), 2);
    EXPECT_EQ(findCode(lists.taxCategories, "G"), 2);
    EXPECT_EQ(findCode(lists.taxCategories, "g"), -1);
    EXPECT_EQ(findCode(lists.documentTypes, "326"), -1);
    EXPECT_EQ(findCode(lists.documentTypes, ""), -1);
}

TEST(ResetDocument, EmptiesTheDocumentAndSetsTheDefaults) {
    CodeLists lists = defaultCodeLists();
    lists.currencies[0] = "CHF";
    lists.vatRates[0] = Decimal::fromInt(16);
    DocumentState state = makeDocumentState(lists);
    state.doc.documentTypeCode = "381";
    state.doc.documentNumber = "R-17";
    state.doc.dueDate = "2022-02-01";
    state.doc.supplier.name = "Muster GmbH";
    state.doc.supplier.taxSchemeId = "";
    state.doc.delivery.city = "Berlin";
    state.doc.allowanceAmount = "5.00";
    state.documentCurrency = "USD";
    state.documentTaxCategory = "K";
    state.lines.push_back(
        LineItem{"1", "", "2", "10.00", "", "", "Ware", "", "", "S", "19.00", "VAT", "5.00", "HUR", "10"});
    state.vatBreakdown.push_back(VatBreakdownEntry{"1.90", "10.00", "1.90", "", "S", "19.00", "VAT", ""});
    state.notCarried.push_back({"1 Anhang", {"AdditionalDocumentReference[1]"}});
    state.modified = true;
    // kept by a reset: the line editor and the allowance working values
    state.lineEditBuffer.itemName = "halb fertig";
    state.currentLineIndex = 3;
    state.amounts.allowanceValue = Decimal::fromInt(-5);

    resetDocument(state);

    InvoiceDocument expected; // every other field empty
    expected.documentTypeCode = "380";
    expected.paymentMeansCode = "58";
    expected.issueDate = formatIsoDate(todayDate());
    expected.supplier.taxSchemeId = "VAT";
    expected.customer.taxSchemeId = "VAT";
    expected.taxCategoryCode = "S";
    EXPECT_TRUE(state.doc == expected);
    EXPECT_EQ(state.documentCurrency, "CHF"); // the first of the settings' currencies
    EXPECT_EQ(state.documentTaxCategory, "S");
    EXPECT_EQ(state.unitCode, "C62");
    EXPECT_EQ(state.defaultTaxScheme, "VAT");
    EXPECT_EQ(state.amounts.slots[0].rate, Decimal::fromInt(16));
    EXPECT_EQ(state.amounts.slots[1].rate, Decimal::fromInt(7));
    EXPECT_TRUE(state.lines.empty());
    EXPECT_TRUE(state.vatBreakdown.empty());
    EXPECT_TRUE(state.notCarried.empty());
    EXPECT_FALSE(state.modified);
    // The editor holds a new, empty line.
    EXPECT_EQ(state.lineEditBuffer.itemName, "");
    EXPECT_EQ(state.currentLineIndex, -1);
    EXPECT_EQ(state.amounts.allowanceValue, Decimal::fromInt(-5));
}

// "Neu" keeps exactly the page "Lieferant" and otherwise starts like a load.
TEST(StartNewDocument, KeepsTheSupplierPageAndResetsTheRest) {
    DocumentState state = makeDocumentState(defaultCodeLists());
    DocumentState expected = state;
    for (InvoiceDocument* doc : {&state.doc, &expected.doc}) {
        doc->supplier.name = doc->supplier.email = doc->bankName = doc->iban = doc->bic = "x";
        doc->paymentMeansCode = "49";
    }
    state.doc.documentNumber = state.doc.customer.name = state.doc.delivery.city = "x";
    state.doc.note = state.doc.precedingInvoiceNumber = state.doc.allowanceReason = "x";
    state.doc.issueDate = "2020-01-01";
    state.lines.emplace_back().lineNetAmount = "10.00";
    state.amounts.allowanceValue = Decimal::fromInt(-5);
    state.lastUnitCode = "HUR";
    state.currentFileName = "alt.xml";
    state.modified = true;

    startNewDocument(state);

    expected.doc.lineExtensionAmount = expected.doc.taxExclusiveAmount = expected.doc.taxTotalAmount =
        expected.doc.taxInclusiveAmount = expected.doc.payableAmount = "0.00";
    EXPECT_TRUE(state.doc == expected.doc);
    EXPECT_TRUE(state.lines.empty());
    EXPECT_EQ(state.lineEditBuffer, expected.lineEditBuffer); // in the default unit
    EXPECT_EQ(state.footer.payableTotal + "|" + state.footer.allowanceKind, "0,00|");
    EXPECT_EQ(state.currentFileName, "");
    EXPECT_FALSE(state.modified);
}
