// What "Neu" leaves of the open document.

#include "form/footer.h"
#include "form/form.h"
#include "invoice/dates.h"

#include <gtest/gtest.h>

using namespace tallomir;

// "Neu" keeps exactly the page "Lieferant"; the rest starts anew with the settings' defaults.
TEST(StartNewDocument, KeepsTheSupplierPageAndResetsTheRest) {
    CodeLists lists = defaultCodeLists();
    lists.currencies[0] = "CHF";
    lists.vatRates[0] = Decimal::fromInt(16);
    lists.defaultSyntax = Syntax::Cii;
    Form state = makeForm(lists);
    EXPECT_EQ(state.syntax, Syntax::Cii);
    const LineItem newLine = state.lineEditBuffer;
    InvoiceDocument expected; // every other field empty
    expected.documentTypeCode = "380";
    expected.issueDate = formatIsoDate(todayDate());
    expected.supplier.taxSchemeId = expected.customer.taxSchemeId = "VAT";
    expected.taxCategoryCode = "S";
    expected.lineExtensionAmount = expected.taxExclusiveAmount = expected.taxTotalAmount =
        expected.taxInclusiveAmount = expected.payableAmount = "0.00";
    for (InvoiceDocument* doc : {&state.doc, &expected}) {
        doc->supplier.name = doc->supplier.email = doc->bankName = doc->iban = doc->bic = doc->creditorId =
            "x";
        doc->paymentMeansCode = "49";
    }
    // Of the further payment means the accounts stay, without what belongs to the invoice.
    state.doc.furtherPaymentMeans = {{"58", "x", "x", "x", "x", "x", "DE1", "y", "z", "x", "x"},
                                     {"58", "x", "x", "1234", "x", "x", "", "", "", "x", "x"}};
    expected.furtherPaymentMeans = {{"58", "", "", "", "", "", "DE1", "y", "z", "", ""}};
    state.doc.documentTypeCode = state.doc.documentNumber = state.doc.customer.name =
        state.doc.delivery.city = "x";
    state.doc.note = state.doc.dueDate = state.doc.issueDate = state.doc.customer.taxSchemeId = "x";
    state.documentCurrency = "USD";
    state.documentTaxCategory = "K";
    state.lines.emplace_back().lineNetAmount = "10.00";
    state.notCarried.push_back({"1 Anhang", {"AdditionalDocumentReference[1]"}});
    state.lineEditBuffer.itemName = "halb fertig";
    state.currentLineIndex = 3;
    state.amounts.allowanceValue = Decimal::fromInt(-5);
    state.lastUnitCode = "HUR";
    state.currentFileName = "alt.xml";
    state.syntax = Syntax::Ubl; // a loaded file's
    state.modified = true;
    state.invalidInputs = {{FieldId::SupplierVatId, "UStID falsch"},
                           {FieldId::CustomerVatId, "UStID falsch"}};

    startNewDocument(state);

    EXPECT_TRUE(state.doc == expected);
    EXPECT_EQ(state.documentCurrency + state.documentTaxCategory + state.unitCode + state.lastUnitCode + " " +
                  state.currentFileName + footerView(state).payableTotal + "|" +
                  footerView(state).allowanceKind,
              "CHFSC62C62 0,00|");
    EXPECT_EQ(state.amounts.slots[0].rate, Decimal::fromInt(16));
    EXPECT_EQ(state.syntax, Syntax::Cii);
    EXPECT_TRUE(state.lines.empty() && state.vatBreakdown.empty() && state.notCarried.empty() &&
                !state.modified && state.currentLineIndex == -1);
    EXPECT_EQ(state.lineEditBuffer, newLine);
    // What could not be taken on "Lieferant" stays named; the rest is gone with its page.
    EXPECT_EQ(state.invalidInputs,
              (std::map<FieldId, std::string>{{FieldId::SupplierVatId, "UStID falsch"}}));
}
