// The typed model's one computation of the amounts agrees with the amounts
// the program shows and writes today, over every official sample.

#include "invoice/invoice_from_state.h"
#include "invoice/invoice_totals.h"
#include "support/reference.h"
#include "ubl/reader.h"

#include <gtest/gtest.h>

using namespace tallomir;

TEST(TypedTotals, AgreeWithTheDocumentsAmountsForEveryOfficialSample) {
    TALLOMIR_REQUIRE_TESTDATA();
    int compared = 0;
    for (const char* folder : {"xrechnung-2.1.1-samples", "xrechnung-3.0.2-samples"})
        for (const auto& sample : tallomir::testing::sampleFiles(folder)) {
            SCOPED_TRACE(sample.string());
            DocumentState state = makeDocumentState(defaultCodeLists());
            ASSERT_EQ(ubl::loadInvoiceFile(state, sample.string()).result, ubl::LoadOutcome::Result::Loaded);
            const model::Invoice invoice = model::invoiceFrom(state);
            const model::Totals totals = model::computeTotals(invoice, model::categoryOrder(state));
            // A line's amount is the file's; a file whose line amounts are not
            // quantity × price − the line's allowances + its charges is not compared.
            bool adjustedLine = false;
            for (std::size_t i = 0; i < state.lines.size(); ++i)
                adjustedLine = adjustedLine || totals.lineNet[i] != parseNumber(state.lines[i].lineNetAmount);
            if (adjustedLine)
                continue;
            ++compared;
            const InvoiceDocument& doc = state.doc;
            EXPECT_EQ(formatDecimal2(totals.lineNetSum), doc.lineExtensionAmount);
            EXPECT_EQ(formatDecimal2(totals.withoutVat), doc.taxExclusiveAmount);
            EXPECT_EQ(formatDecimal2(totals.vatTotal), doc.taxTotalAmount);
            EXPECT_EQ(formatDecimal2(totals.withVat), doc.taxInclusiveAmount);
            EXPECT_EQ(formatDecimal2(totals.amountDue), doc.payableAmount);
            EXPECT_EQ(totals.allowanceSum ? formatDecimal2(*totals.allowanceSum) : "",
                      doc.allowanceTotalAmount);
            EXPECT_EQ(totals.chargeSum ? formatDecimal2(*totals.chargeSum) : "", doc.chargeTotalAmount);
            ASSERT_EQ(totals.breakdown.size(), state.vatBreakdown.size());
            for (std::size_t i = 0; i < totals.breakdown.size(); ++i) {
                EXPECT_EQ(totals.breakdown[i].category, state.vatBreakdown[i].categoryCode);
                EXPECT_EQ(formatDecimal2(totals.breakdown[i].taxableAmount),
                          state.vatBreakdown[i].taxableAmount);
                EXPECT_EQ(formatDecimal2(totals.breakdown[i].taxAmount), state.vatBreakdown[i].taxAmount);
            }
        }
    EXPECT_GE(compared, 30);
}
