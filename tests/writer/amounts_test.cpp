// Amount calculation: line amounts, slot sums, the allowance or charge, the
// VAT breakdown and the totals, all in exact decimals.

#include "documents.h"

#include <gtest/gtest.h>

namespace tallomir {
namespace {

using writertest::addLine;
using writertest::newState;
using writertest::recompute;

LineItem lineOf(const std::string& quantity, const std::string& price, const std::string& rate = "19.00") {
    LineItem line;
    line.quantity = quantity;
    line.unitPrice = price;
    line.lineVatPercent = rate;
    line.lineNetAmount = computeLineNetAmount(line);
    return line;
}

VatBreakdownEntry entry(const std::string& total, const std::string& taxable, const std::string& tax,
                        const std::string& rate, const std::string& category = "S",
                        const std::string& reason = "") {
    return VatBreakdownEntry{total, taxable, tax, reason, category, rate, "VAT"};
}

// --- Line amounts -------------------------------------------------------------

TEST(LineAmounts, NetIsQuantityTimesPriceRoundedToCents) {
    EXPECT_EQ(computeLineNetAmount(lineOf("3", "9.99")), "29.97");
    EXPECT_EQ(computeLineNetAmount(lineOf("1.5", "10.00")), "15.00");
    EXPECT_EQ(computeLineNetAmount(lineOf("3", "0.13")), "0.39");
    EXPECT_EQ(computeLineNetAmount(lineOf("0.333", "10.00")), "3.33");
}

TEST(LineAmounts, HalfCentsRoundAwayFromZero) {
    EXPECT_EQ(computeLineNetAmount(lineOf("0.5", "0.05")), "0.03");
    EXPECT_EQ(computeLineNetAmount(lineOf("-0.5", "0.05")), "-0.03");
    EXPECT_EQ(computeLineNetAmount(lineOf("2.675", "1.00")), "2.68");
}

TEST(LineAmounts, LargeAmountsAndManyDecimalsStayExact) {
    EXPECT_EQ(computeLineNetAmount(lineOf("1234567.891", "1.11")), "1370370.36");
    EXPECT_EQ(computeLineNetAmount(lineOf("0.000001", "1000000.00")), "1.00");
    // float32 would give 16777216.00 for this product
    EXPECT_EQ(computeLineNetAmount(lineOf("16777217", "1.00")), "16777217.00");
    EXPECT_EQ(computeLineNetAmount(lineOf("12345.6789", "20000.00")), "246913578.00");
}

TEST(LineAmounts, TextsWithoutNumberCountAsZero) {
    EXPECT_EQ(computeLineNetAmount(lineOf("abc", "10.00")), "0.00");
    EXPECT_EQ(computeLineNetAmount(lineOf("2", "")), "0.00");
}

TEST(LineAmounts, GrossAddsTheRoundedLineVat) {
    EXPECT_EQ(lineGrossAmount(lineOf("3", "9.99", "19.00")), "35.66");
    EXPECT_EQ(lineGrossAmount(lineOf("1", "0.05", "7.00")), "0.05");  // 0.0035 VAT rounds to 0.00
    EXPECT_EQ(lineGrossAmount(lineOf("1", "0.50", "19.00")), "0.60"); // 0.095 rounds up
    EXPECT_EQ(lineGrossAmount(lineOf("1", "100.00", "0.00")), "100.00");
}

// --- Slot sums and the breakdown from the lines -------------------------------

TEST(RecomputeLines, SumsLinesPerSlotAndPointsAtTheLastLine) {
    DocumentState state = newState();
    addLine(state, "1", "100", "19");
    addLine(state, "1", "0.50", "19");
    addLine(state, "2", "25", "7");
    recomputeLines(state);
    EXPECT_EQ(state.amounts.slots[0].netSum, parseNumber("100.50"));
    EXPECT_EQ(state.amounts.slots[0].taxSum, parseNumber("19.10")); // 19.00 + 0.10, each line rounded
    EXPECT_EQ(state.amounts.slots[1].netSum, parseNumber("50"));
    EXPECT_EQ(state.amounts.slots[1].taxSum, parseNumber("3.50"));
    EXPECT_TRUE(state.amounts.slots[2].netSum.isZero());
    EXPECT_EQ(state.amounts.linesTotal, parseNumber("150.50"));
    EXPECT_EQ(state.amounts.rateBase[0], parseNumber("100.50"));
    EXPECT_EQ(state.currentLineIndex, 2);
    ASSERT_EQ(state.vatBreakdown.size(), 2u);
    EXPECT_EQ(state.vatBreakdown[0], entry("22.60", "100.50", "19.10", "19.00"));
    EXPECT_EQ(state.vatBreakdown[1], entry("22.60", "50.00", "3.50", "7.00"));
}

TEST(RecomputeLines, NoLinesLeaveNoEntryAndNoCurrentLine) {
    DocumentState state = newState();
    addLine(state, "1", "10", "19");
    recomputeLines(state);
    state.lines.clear();
    recomputeLines(state);
    EXPECT_TRUE(state.vatBreakdown.empty());
    EXPECT_EQ(state.currentLineIndex, -1);
    EXPECT_TRUE(state.amounts.linesTotal.isZero());
}

TEST(RecomputeLines, SlotRatesFollowTheCodeLists) {
    DocumentState state = newState();
    state.lists.vatRates = {parseNumber("16"), parseNumber("5"), parseNumber("0")};
    addLine(state, "1", "100", "16");
    recompute(state);
    ASSERT_EQ(state.vatBreakdown.size(), 1u);
    EXPECT_EQ(state.vatBreakdown[0], entry("16.00", "100.00", "16.00", "16.00"));
}

// --- Totals: the edge cases of the footer -------------------------------------

DocumentState nineteenAndSeven() {
    DocumentState state = newState();
    addLine(state, "1", "100", "19");
    addLine(state, "1", "50", "7");
    recompute(state);
    return state;
}

TEST(Totals, TwoRatesWithoutAllowance) {
    DocumentState state = nineteenAndSeven();
    ASSERT_EQ(state.vatBreakdown.size(), 2u);
    EXPECT_EQ(state.vatBreakdown[0], entry("22.50", "100.00", "19.00", "19.00"));
    EXPECT_EQ(state.vatBreakdown[1], entry("22.50", "50.00", "3.50", "7.00"));
    EXPECT_EQ(state.footer.taxTotal, "22.50");
    EXPECT_EQ(state.footer.grossTotal, "172.50");
    EXPECT_EQ(state.footer.payableTotal, "172.50");
    EXPECT_EQ(state.footer.linesTotal, "150.00");
    EXPECT_EQ(state.footer.netTotal, "150.00");
    EXPECT_EQ(state.doc.lineExtensionAmount, "150.00");
    EXPECT_EQ(state.doc.taxExclusiveAmount, "150.00");
    EXPECT_EQ(state.doc.taxTotalAmount, "22.50");
    EXPECT_EQ(state.doc.taxInclusiveAmount, "172.50");
    EXPECT_EQ(state.doc.payableAmount, "172.50");
    EXPECT_EQ(state.footer.rows[0].ratePercent, "19.00");
    EXPECT_EQ(state.footer.rows[1].taxableAmount, "50.00");
    EXPECT_EQ(state.footer.rows[2].ratePercent, "");
    EXPECT_EQ(state.footer.currency, "EUR");
}

TEST(Totals, AllowanceByValueAtNineteen) {
    DocumentState state = nineteenAndSeven();
    chooseAllowanceSlot(state, 0);
    enterAllowanceValue(state, "-10");
    EXPECT_EQ(state.doc.chargeIndicator, "false");
    EXPECT_EQ(state.doc.allowanceAmount, "10.00");
    EXPECT_EQ(state.doc.allowancePercent, "");
    EXPECT_EQ(state.doc.allowanceTaxPercent, "19.00");
    EXPECT_EQ(state.doc.allowanceTaxCategory, "S");
    EXPECT_EQ(state.doc.allowanceTaxScheme, "VAT");
    EXPECT_EQ(state.footer.netTotal, "140.00");
    EXPECT_EQ(state.footer.rows[0].ratePercent, "19.00");
    EXPECT_EQ(state.footer.rows[0].taxableAmount, "90.00");
    EXPECT_EQ(state.footer.rows[0].taxAmount, "17.10");
    EXPECT_EQ(state.footer.taxTotal, "20.60");
    EXPECT_EQ(state.footer.grossTotal, "160.60");
    EXPECT_EQ(state.doc.payableAmount, "160.60");
    EXPECT_EQ(state.footer.allowanceValue, "-10.00");
    EXPECT_EQ(state.footer.allowancePercent, "0.00");
    EXPECT_EQ(state.vatBreakdown[0].documentTaxTotal, "20.60");
}

TEST(Totals, ChargeByPercentageAtSeven) {
    DocumentState state = nineteenAndSeven();
    chooseAllowanceSlot(state, 1);
    enterAllowancePercent(state, "10");
    EXPECT_EQ(state.doc.chargeIndicator, "true");
    EXPECT_EQ(state.doc.allowancePercent, "10.00");
    EXPECT_EQ(state.doc.allowanceAmount, "15.00");
    EXPECT_EQ(state.doc.allowanceBaseAmount, "150.00");
    EXPECT_EQ(state.amounts.allowanceValue, parseNumber("15"));
    EXPECT_EQ(state.footer.allowanceValue, "15.00"); // the fresh amount, not the previous one
    EXPECT_EQ(state.footer.netTotal, "165.00");
    EXPECT_EQ(state.footer.rows[1].ratePercent, "7.00");
    EXPECT_EQ(state.footer.rows[1].taxableAmount, "65.00");
    EXPECT_EQ(state.footer.rows[1].taxAmount, "4.55");
    EXPECT_EQ(state.footer.taxTotal, "23.55");
    EXPECT_EQ(state.footer.grossTotal, "188.55");
}

TEST(Totals, PercentageFollowsTheLinesTotal) {
    DocumentState state = nineteenAndSeven();
    chooseAllowanceSlot(state, 0);
    enterAllowancePercent(state, "-3,5");
    EXPECT_EQ(state.doc.chargeIndicator, "false");
    EXPECT_EQ(state.doc.allowanceAmount, "5.25");
    addLine(state, "1", "50", "7");
    recompute(state);
    EXPECT_EQ(state.doc.allowanceAmount, "7.00");
    EXPECT_EQ(state.doc.allowanceBaseAmount, "200.00");
    EXPECT_EQ(state.doc.taxExclusiveAmount, "193.00");
}

TEST(Totals, PercentageAmountIsRoundedToCents) {
    DocumentState state = newState();
    addLine(state, "1", "33.33", "19");
    recompute(state);
    chooseAllowanceSlot(state, 0);
    enterAllowancePercent(state, "-2.5"); // 0.83325
    EXPECT_EQ(state.doc.allowanceAmount, "0.83");
    EXPECT_EQ(state.doc.taxExclusiveAmount, "32.50");
    EXPECT_EQ(state.vatBreakdown[0].taxableAmount, "32.50");
    EXPECT_EQ(state.vatBreakdown[0].taxAmount, "6.18"); // 6.175 rounds away from zero
}

TEST(Totals, ValueAfterPercentageLeavesPercentageMode) {
    DocumentState state = nineteenAndSeven();
    chooseAllowanceSlot(state, 1);
    enterAllowancePercent(state, "10");
    enterAllowanceValue(state, "-5");
    EXPECT_EQ(state.doc.chargeIndicator, "false");
    EXPECT_EQ(state.doc.allowanceAmount, "5.00");
    EXPECT_EQ(state.doc.allowancePercent, "");
    EXPECT_EQ(state.doc.allowanceBaseAmount, "");
    EXPECT_TRUE(state.amounts.allowancePercentValue.isZero());
    EXPECT_EQ(state.footer.netTotal, "145.00");
}

TEST(Totals, LoadedBaseAmountStaysInValueMode) {
    DocumentState state = nineteenAndSeven();
    state.doc.allowanceBaseAmount = "200.00";
    chooseAllowanceSlot(state, 0);
    enterAllowanceValue(state, "-10");
    EXPECT_EQ(state.doc.allowanceBaseAmount, "200.00");
}

TEST(Totals, ZeroValueKeepsTheKindAndGivesAZeroAmount) {
    DocumentState state = nineteenAndSeven();
    chooseAllowanceSlot(state, 0);
    enterAllowanceValue(state, "25");
    enterAllowanceValue(state, "0");
    EXPECT_EQ(state.doc.allowanceAmount, "0.00");
    EXPECT_EQ(state.doc.chargeIndicator, "true");
    EXPECT_EQ(state.footer.netTotal, "150.00");
}

TEST(Totals, GermanNumberInputAndCentRounding) {
    DocumentState state = nineteenAndSeven();
    chooseAllowanceSlot(state, 0);
    enterAllowanceValue(state, "1.000,005");
    EXPECT_EQ(state.doc.chargeIndicator, "true");
    EXPECT_EQ(state.doc.allowanceAmount, "1000.01");
    EXPECT_EQ(state.doc.taxExclusiveAmount, "1150.01");
}

TEST(Totals, ShownRateAppliesWhenNoneWasPicked) {
    DocumentState state = nineteenAndSeven();
    ASSERT_FALSE(state.amounts.allowanceRateChosen);
    EXPECT_EQ(state.footer.allowanceSlot, 0);
    EXPECT_TRUE(state.doc.allowanceTaxPercent.empty());
    enterAllowanceValue(state, "-10");
    EXPECT_TRUE(state.amounts.allowanceRateChosen);
    EXPECT_EQ(state.amounts.allowanceRate, parseNumber("19"));
    EXPECT_EQ(state.doc.allowanceTaxPercent, "19.00");
    EXPECT_EQ(state.doc.allowanceTaxCategory, "S");
    EXPECT_EQ(state.doc.allowanceTaxScheme, "VAT");
    EXPECT_EQ(state.footer.rows[0].taxableAmount, "90.00");
}

TEST(Totals, ShownRateOtherThanTheFirstApplies) {
    DocumentState state = nineteenAndSeven();
    state.footer.allowanceSlot = 1;
    enterAllowancePercent(state, "10");
    EXPECT_EQ(state.doc.allowanceTaxPercent, "7.00");
    EXPECT_EQ(state.footer.rows[1].taxableAmount, "65.00");
}

TEST(Totals, NoRateInEffectWithoutAnAllowance) {
    DocumentState state = nineteenAndSeven();
    enterAllowanceValue(state, "0");
    EXPECT_FALSE(state.amounts.allowanceRateChosen);
    EXPECT_TRUE(state.doc.allowanceTaxPercent.empty());
    EXPECT_EQ(state.footer.allowanceSlot, 0); // not moved to the 0 % slot
}

TEST(Totals, SelectionFollowsALoadedRate) {
    DocumentState state = nineteenAndSeven();
    state.doc.allowanceTaxPercent = "7.00";
    state.amounts.allowanceRate = parseNumber("7");
    state.amounts.allowanceValue = parseNumber("-10");
    recomputeTotals(state);
    EXPECT_EQ(state.footer.allowanceSlot, 1);
    EXPECT_EQ(state.footer.rows[1].taxableAmount, "40.00");
}

TEST(Totals, AllowanceAtARateWithoutLinesGetsItsOwnSubtotal) {
    DocumentState state = newState();
    addLine(state, "1", "100", "19");
    recompute(state);
    chooseAllowanceSlot(state, 1);
    enterAllowanceValue(state, "15");
    ASSERT_EQ(state.vatBreakdown.size(), 2u);
    EXPECT_EQ(state.vatBreakdown[0], entry("20.05", "100.00", "19.00", "19.00"));
    EXPECT_EQ(state.vatBreakdown[1], entry("20.05", "15.00", "1.05", "7.00"));
    EXPECT_EQ(state.footer.netTotal, "115.00");
    EXPECT_EQ(state.footer.grossTotal, "135.05");
}

TEST(Totals, ExemptLinesWithCategoryK) {
    DocumentState state = newState();
    state.documentTaxCategory = "K";
    addLine(state, "4", "25", "0");
    recompute(state);
    ASSERT_EQ(state.vatBreakdown.size(), 1u);
    EXPECT_EQ(state.vatBreakdown[0],
              entry("0.00", "100.00", "0.00", "0.00", "K", "steuerfreie innergem. Lieferung"));
    EXPECT_EQ(state.footer.taxTotal, "0.00");
    EXPECT_EQ(state.footer.grossTotal, "100.00");
}

TEST(Totals, ExemptLinesWithCategoryGAndRenamedCategories) {
    DocumentState state = newState();
    state.lists.taxCategories[2] = CodeEntry{"Ausfuhr", "G"};
    state.documentTaxCategory = "G";
    addLine(state, "1", "80", "0");
    recompute(state);
    ASSERT_EQ(state.vatBreakdown.size(), 1u);
    EXPECT_EQ(state.vatBreakdown[0].exemptionReason, "Ausfuhr");
    EXPECT_EQ(state.vatBreakdown[0].categoryCode, "G");
}

TEST(Totals, EveryUsedSlotIsReported) {
    DocumentState state = newState();
    addLine(state, "1", "100", "19");
    addLine(state, "1", "50", "7");
    addLine(state, "1", "30", "0");
    recompute(state);
    ASSERT_EQ(state.vatBreakdown.size(), 3u);
    EXPECT_EQ(state.vatBreakdown[2], entry("22.50", "30.00", "0.00", "0.00"));
    EXPECT_EQ(state.footer.rows[2].taxableAmount, "30.00");
    EXPECT_EQ(state.footer.taxTotal, "22.50");
    EXPECT_EQ(state.footer.grossTotal, "202.50");
}

TEST(Totals, ExemptSlotMixedWithOneTaxedSlot) {
    DocumentState state = newState();
    addLine(state, "1", "30", "0");
    addLine(state, "1", "50", "7");
    recompute(state);
    ASSERT_EQ(state.vatBreakdown.size(), 2u);
    EXPECT_EQ(state.vatBreakdown[0].ratePercent, "7.00");
    EXPECT_EQ(state.vatBreakdown[1].ratePercent, "0.00");
    EXPECT_EQ(state.footer.rows[0].ratePercent, "7.00");
    EXPECT_EQ(state.footer.rows[1].ratePercent, "0.00");
    EXPECT_EQ(state.footer.taxTotal, "3.50");
}

TEST(Totals, RateMatchingNoSlotCountsOnlyInTheNetTotals) {
    DocumentState state = newState();
    addLine(state, "1", "100", "19");
    addLine(state, "1", "10", "16");
    recompute(state);
    EXPECT_EQ(state.footer.linesTotal, "110.00");
    EXPECT_EQ(state.footer.netTotal, "110.00");
    EXPECT_EQ(state.footer.taxTotal, "19.00");
    ASSERT_EQ(state.vatBreakdown.size(), 1u);
    EXPECT_EQ(state.vatBreakdown[0].taxableAmount, "100.00");
}

TEST(Totals, NetsCancellingToZeroLeaveTheSlotEmpty) {
    DocumentState state = newState();
    addLine(state, "1", "100", "19");
    addLine(state, "-1", "100", "19");
    addLine(state, "1", "20", "7");
    recompute(state);
    ASSERT_EQ(state.vatBreakdown.size(), 1u);
    EXPECT_EQ(state.vatBreakdown[0].ratePercent, "7.00");
    EXPECT_EQ(state.footer.rows[0].ratePercent, "7.00");
    EXPECT_EQ(state.footer.rows[1].ratePercent, "");
}

TEST(Totals, TaxTotalIsTheSumOfRoundedSlotTaxes) {
    DocumentState state = newState();
    // Each line's VAT is 0.095; the slot VAT is computed once from the base.
    for (int i = 0; i < 3; ++i) {
        addLine(state, "1", "0.50", "19");
    }
    recompute(state);
    EXPECT_EQ(state.vatBreakdown[0].taxAmount, "0.29"); // 1.50 x 19 % = 0.285
    EXPECT_EQ(state.doc.taxTotalAmount, "0.29");
    EXPECT_EQ(state.doc.taxInclusiveAmount, "1.79");
}

TEST(Totals, PrepaidAmountIsDeductedFromThePayable) {
    DocumentState state = nineteenAndSeven();
    state.doc.prepaidAmount = "72.50";
    recomputeTotals(state);
    EXPECT_EQ(state.doc.taxInclusiveAmount, "172.50");
    EXPECT_EQ(state.doc.payableAmount, "100.00");
    EXPECT_EQ(state.footer.payableTotal, "100.00");
}

TEST(Totals, CurrencyLabelFollowsTheDocumentCurrency) {
    DocumentState state = nineteenAndSeven();
    state.documentCurrency = "CHF";
    recomputeTotals(state);
    EXPECT_EQ(state.footer.currency, "CHF");
}

TEST(Totals, EmptyDocumentHasZeroTotalsAndNoBreakdown) {
    DocumentState state = newState();
    recompute(state);
    EXPECT_TRUE(state.vatBreakdown.empty());
    EXPECT_EQ(state.doc.lineExtensionAmount, "0.00");
    EXPECT_EQ(state.doc.payableAmount, "0.00");
    EXPECT_EQ(state.doc.allowanceAmount, ""); // no allowance row, nothing invented
    EXPECT_EQ(state.doc.chargeIndicator, "");
}

// --- Entry rules of the allowance row ------------------------------------------

TEST(AllowanceEntry, ReasonIsTakenAsTypedWithoutRecomputation) {
    DocumentState state = nineteenAndSeven();
    state.amounts.allowanceValue = parseNumber("-10");
    enterAllowanceReason(state, " Rabatt ");
    EXPECT_EQ(state.doc.allowanceReason, " Rabatt ");
    EXPECT_EQ(state.footer.allowanceReason, " Rabatt ");
    EXPECT_EQ(state.footer.netTotal, "150.00");
    EXPECT_TRUE(state.modified);
}

TEST(AllowanceEntry, ChoosingASlotSetsTheTaxFields) {
    DocumentState state = nineteenAndSeven();
    state.documentTaxCategory = "S";
    chooseAllowanceSlot(state, 2);
    EXPECT_EQ(state.amounts.allowanceRate, parseNumber("0"));
    EXPECT_TRUE(state.amounts.allowanceRateChosen);
    EXPECT_EQ(state.doc.allowanceTaxPercent, "0.00");
    EXPECT_EQ(state.footer.allowanceSlot, 2);
    chooseAllowanceSlot(state, 7); // no such slot
    EXPECT_EQ(state.footer.allowanceSlot, 2);
}

TEST(AllowanceEntry, ZeroPercentageAfterPercentageKeepsTheShownAmount) {
    DocumentState state = nineteenAndSeven();
    chooseAllowanceSlot(state, 1);
    enterAllowancePercent(state, "10");
    enterAllowancePercent(state, "0");
    // "Wert" showed the computed 15.00; it stays as a value, the percentage goes.
    EXPECT_EQ(state.doc.allowancePercent, "");
    EXPECT_EQ(state.doc.allowanceBaseAmount, "");
    EXPECT_EQ(state.doc.allowanceAmount, "15.00");
    EXPECT_EQ(state.footer.netTotal, "165.00");
}

} // namespace
} // namespace tallomir
