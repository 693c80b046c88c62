// Amount calculation in exact decimals: line amounts, then whole documents with
// their VAT breakdown, footer, allowance or charge and totals. Each complete
// document is also saved, and the files must pass the official rules.

#include "documents.h"
#include "form/footer.h"
#include "invoice/invoice_from_state.h"
#include "invoice/invoice_totals.h"
#include "support/reference.h"
#include "ubl/writer.h"

#include <sstream>

namespace tallomir {
namespace {

using namespace writertest;

TEST(LineAmounts, NetAndGrossAreRoundedHalfAwayFromZero) {
    struct Case {
        const char *quantity, *price, *rate, *net, *gross;
    };
    const Case cases[] = {
        {"0.5", "0.05", "19.00", "0.03", "0.04"},                    // 0.025 and its VAT 0.0057 round up
        {"-0.5", "0.05", "19.00", "-0.03", "-0.04"},                 // and away from zero below it
        {"1", "0.50", "19.00", "0.50", "0.60"},                      // VAT 0.095 rounds to 0.10
        {"16777217", "1.00", "19.00", "16777217.00", "19964888.23"}, // float32 gives 16777216
        {"abc", "10.00", "19.00", "0.00", "0.00"}};

    for (const Case& c : cases) {
        LineItem line;
        line.quantity = c.quantity;
        line.unitPrice = c.price;
        line.lineVatPercent = c.rate;
        EXPECT_EQ(computeLineNetAmount(line), c.net) << c.quantity << " x " << c.price;
        line.lineNetAmount = computeLineNetAmount(line);
        EXPECT_EQ(lineGrossAmount(line), c.gross) << c.quantity << " x " << c.price;
    }
    // A price for a base quantity: 3 × 10.00 per 2 units, 1 × 0.05 per 8 units.
    for (const auto& [quantity, price, base, net] :
         {std::tuple{"3", "10.00", "2", "15.00"}, {"1", "0.05", "8", "0.01"}}) {
        LineItem line;
        line.quantity = quantity;
        line.unitPrice = price;
        line.baseQuantity = base;
        EXPECT_EQ(computeLineNetAmount(line), net);
    }
}

// A line's own allowance ("-5.00") or charge ("+2.50"), or a percentage of
// it ("-10%"), of a base ("-10%@20.00"); with a reason.
AllowanceCharge ownEntry(const std::string& spec) {
    AllowanceCharge entry;
    entry.chargeIndicator = spec[0] == '+' ? "true" : "false";
    entry.reason = "Grund";
    const std::size_t percent = spec.find('%'), at = spec.find('@');
    if (percent == std::string::npos) {
        entry.amount = spec.substr(1);
        return entry;
    }
    entry.percent = spec.substr(1, percent - 1);
    if (at != std::string::npos)
        entry.baseAmount = spec.substr(at + 1);
    return entry;
}

// quantity × price ÷ base quantity − allowances + charges, rounded once; a
// percentage's amount rounded to cents from its base (the line's exact
// amount when none is given).
TEST(LineAmounts, OwnAllowancesAndChargesCountInTheNetAmount) {
    struct Case {
        const char *quantity, *price, *base, *entries, *net, *amounts;
    };
    const Case cases[] = {
        {"3", "9.99", "", "-5.00 +2.50", "27.47", "5.00 2.50"}, // 29.97 − 5.00 + 2.50
        {"1", "33.33", "", "-10%", "30.00", "3.33"},            // 10 % of 33.33 = 3.333
        {"1", "33.33", "", "-10%@20.00", "31.33", "2.00"},      // 10 % of the base 20.00
        {"1", "0.05", "", "+10%", "0.06", "0.01"},              // 0.005 rounds up
        {"1", "0.05", "", "-10%", "0.04", "0.01"},              // and so does the allowance
        {"1", "1.00", "3", "-1.5%", "0.32", "0.01"},      // 1.5 % of 0.3333… = 0.005 (not of 0.33: 0.00495)
        {"1", "0.015", "3", "-0.01", "-0.01", "0.01"},    // 0.005 − 0.01 rounded once, not 0.01 − 0.01
        {"1", "100.00", "", "-5%@0.10", "99.99", "0.01"}, // 0.005 rounded before it counts, not 99.995
        {"2", "10.00", "", "-20.00", "0.00", "20.00"},
        {"1", "100.00", "", "-10% -5.00 +3%@50.00", "86.50", "10.00 5.00 1.50"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.quantity) + " x " + c.price + " " + c.entries);
        LineItem line;
        line.quantity = c.quantity;
        line.unitPrice = c.price;
        line.baseQuantity = c.base;
        std::istringstream specs(c.entries);
        for (std::string spec; specs >> spec;)
            line.allowances.push_back(ownEntry(spec));
        EXPECT_EQ(computeLineNetAmount(line), c.net);
        settleLineAllowances(line);
        std::string amounts;
        for (const AllowanceCharge& entry : line.allowances)
            amounts += (amounts.empty() ? "" : " ") + entry.amount;
        EXPECT_EQ(amounts, c.amounts);
    }
}

// --- Whole documents ------------------------------------------------------------

// Enters a document as the form would, step by step ("; " between steps):
// "3x9.99@19" adds a line; "value -10" or "percent 10" enters the allowance
// row (with a reason); "slot 1" picks its rate;
// "category K" sets the tax category and "label Ausfuhr" renames it;
// "loaded 7.00 -10 Z" sets the allowance rate, value and category (S when
// none is given) as a loaded file does;
// "prepaid 50.00" sets the amount paid before; "own -5.00" gives the last line
// an allowance of its own (see ownEntry).
void enter(Form& state, const std::string& script) {

    std::istringstream steps(script);
    for (std::string step; std::getline(steps, step, ';');) {
        std::istringstream words(step);
        std::string word, a, b, c;
        words >> word >> a >> b >> c;
        if (const std::size_t x = word.find('x'), at = word.find('@'); x != std::string::npos && at > x) {
            addLine(state, word.substr(0, x), word.substr(x + 1, at - x - 1), word.substr(at + 1));
            recompute(state);
        } else if (word == "own") {
            LineItem& line = state.lines.back();
            line.allowances.push_back(ownEntry(a));
            settleLineAllowances(line);
            line.lineNetAmount = computeLineNetAmount(line);
            recompute(state);
        } else if (word == "prepaid") {
            state.doc.prepaidAmount = a;
        } else if (word == "category") {
            state.documentTaxCategory = a;
        } else if (word == "label") {
            state.lists
                .taxCategories[static_cast<std::size_t>(
                    findCode(state.lists.taxCategories, state.documentTaxCategory))]
                .text = a;
        } else if (word == "slot") {
            chooseAllowanceSlot(state, std::stoi(a));
        } else if (word == "value" || word == "percent") {
            enterAllowanceReason(state, "Grund");
            (word == "value" ? enterAllowanceValue : enterAllowancePercent)(state, a);
        } else if (word == "loaded") {
            state.doc.allowanceTaxPercent = a;
            state.doc.allowanceTaxCategory = c.empty() ? "S" : c;
            state.amounts.allowanceRateChosen = true;
            state.amounts.allowanceRate = parseNumber(a);
            state.amounts.allowanceValue = parseNumber(b);
            recomputeTotals(state);
        } else {
            ADD_FAILURE() << "unknown step " << step;
        }
    }
}

void thousandLines(Form& state) {
    for (int i = 0; i < 1000; ++i) {
        addLine(state, std::to_string(i % 7 + 1) + ".5", std::to_string(i) + ".37",
                i % 3 == 0 ? "19" : (i % 3 == 1 ? "7" : "0"))
            .lineTaxCategory = i % 3 == 2 ? "Z" : "S";
    }
    recompute(state);
}

// "rate/taxable/tax" per breakdown entry, followed by category and exemption
// reason when the category is not S.
std::string breakdownText(const Form& state) {
    std::string text;
    for (const VatBreakdownEntry& e : state.vatBreakdown) {
        text += (text.empty() ? "" : " ") + e.ratePercent + "/" + e.taxableAmount + "/" + e.taxAmount;
        if (e.categoryCode != "S" || !e.exemptionReason.empty()) {
            text += " " + e.categoryCode + (e.exemptionReason.empty() ? "" : " " + e.exemptionReason);
        }
    }
    return text;
}

// Every "1234.56" of a text of amounts in the form the footer shows, "1.234,56".
std::string german(const std::string& amounts) {
    std::istringstream words(amounts);
    std::string result;
    for (std::string word; words >> word;)
        result += (result.empty() ? "" : " ") + formatGerman(parseNumber(word), 2, 2);
    return result;
}

std::string orDash(const std::string& text) {
    return text.empty() ? "-" : text;
}

// Charge indicator, amount, percentage, base, tax percent, category, scheme,
// then what the footer shows, then the parts of a split percentage
// ("amount/base/rate category" each); "" when the document has no allowance or charge.
std::string allowanceText(const Form& state) {
    const InvoiceDocument& d = state.doc;
    if (d.chargeIndicator.empty() && d.allowanceAmount.empty() && d.allowanceTaxPercent.empty()) {
        return "";
    }
    std::string parts;
    for (const AllowanceCharge& part : state.amounts.allowanceSplit)
        parts += " " + part.amount + "/" + part.baseAmount + "/" + part.taxPercent + " " + part.taxCategory;
    return orDash(d.chargeIndicator) + " " + orDash(d.allowanceAmount) + " " + orDash(d.allowancePercent) +
           " " + orDash(d.allowanceBaseAmount) + " " + orDash(d.allowanceTaxPercent) + " " +
           orDash(d.allowanceTaxCategory) + " " + orDash(d.allowanceTaxScheme) + "; Wert " +
           formatDecimal2(parseDecimal(footerView(state).allowanceValue)) + " Prozent " +
           formatDecimal2(parseDecimal(footerView(state).allowancePercent)) + " slot " +
           std::to_string(footerView(state).allowanceSlot) + parts;
}

struct Document {
    const char* name;
    const char* steps;
    bool complete; // a document to save and check
    const char* breakdown;
    const char* totals; // lines, net, VAT, gross, payable
    const char* allowance;
    void (*before)(Form&) = nullptr;
};
void PrintTo(const Document& document, std::ostream* out) {
    *out << document.steps;
}

const Document documents[] = {
    {"OneRate", "3x9.99@19; 1x0.50@19", true, "19.00/30.47/5.79", "30.47 30.47 5.79 36.26 36.26", ""},
    {"OnlyExemptLinesWithRenamedGAndAnAllowance", "category G; label Ausfuhr; 4x25@0; slot 2; value -5", true,
     "0.00/95.00/0.00 G Ausfuhr", "100.00 95.00 0.00 95.00 95.00",
     "false 5.00 - - 0.00 G VAT; Wert -5.00 Prozent 0.00 slot 2"},
    // Zero-rated lines beside standard-rated ones; each category and rate its group.
    {"ZeroRatedBesideTwoStandardRates", "1x100@19; 2x25@7; category Z; 3x10@0", true,
     "19.00/100.00/19.00 7.00/50.00/3.50 0.00/30.00/0.00 Z", "180.00 180.00 22.50 202.50 202.50", ""},
    {"ExemptBesideStandard", "category E; 1x30@0; category S; 1x50@7", true,
     "7.00/50.00/3.50 0.00/30.00/0.00 E Keine Umsatzsteuer, da Kleinunternehmer gemäß § 19 UStG",
     "80.00 80.00 3.50 83.50 83.50", ""},
    // Any rate has its group, not only the three of "USt. %".
    {"RateOfNoSlotHasItsOwnGroup", "1x100@19; 1x10@16", true, "19.00/100.00/19.00 16.00/10.00/1.60",
     "110.00 110.00 20.60 130.60 130.60", ""},
    {"VatIsRoundedPerRateBeforeSumming", "1x0.50@19; 1x0.50@7", true, "19.00/0.50/0.10 7.00/0.50/0.04",
     "1.00 1.00 0.14 1.14 1.14", ""},
    {"PrepaidAmountIsDeducted", "prepaid 50.00; 1x100@19", true, "19.00/100.00/19.00",
     "100.00 100.00 19.00 119.00 69.00", ""},
    {"AllowanceByValueAtNineteen", "1x100@19; 1x50@7; slot 0; value -10", true,
     "19.00/90.00/17.10 7.00/50.00/3.50", "150.00 140.00 20.60 160.60 160.60",
     "false 10.00 - - 19.00 S VAT; Wert -10.00 Prozent 0.00 slot 0"},
    // A percentage over several groups is split: each part on its group's base, rounded per group
    // (3 % of 1448.29 = 43.4487, of 126.92 = 3.8076); a rate chosen before does not count.
    {"PercentageOverTwoRatesIsSplitPerGroup", "1x1448.29@19; 1x126.92@7; slot 1; percent -3", true,
     "19.00/1404.84/266.92 7.00/123.11/8.62", "1575.21 1527.95 275.54 1803.49 1803.49",
     "false 47.26 3.00 1575.21 - - VAT; Wert -47.26 Prozent -3.00 slot -1 43.45/1448.29/19.00 S "
     "3.81/126.92/7.00 S"},
    // 10 % of 0.05 is 0.005 in each group: 0.01 each, 0.02 in all (not 0.01 from the sum).
    {"SplitPartsAreRoundedPerGroup", "1x0.05@19; 1x0.05@7; percent -10", true,
     "19.00/0.04/0.01 7.00/0.04/0.00", "0.10 0.08 0.01 0.09 0.09",
     "false 0.02 10.00 0.10 - - VAT; Wert -0.02 Prozent -10.00 slot -1 0.01/0.05/19.00 S 0.01/0.05/7.00 S"},
    {"ChargeByPercentageOverThreeGroups", "1x100@19; 1x50@7; category Z; 1x30@0; percent 10", true,
     "19.00/110.00/20.90 7.00/55.00/3.85 0.00/33.00/0.00 Z", "180.00 198.00 24.75 222.75 222.75",
     "true 18.00 10.00 180.00 - - VAT; Wert 18.00 Prozent 10.00 slot -1 10.00/100.00/19.00 S 5.00/50.00/7.00 "
     "S "
     "3.00/30.00/0.00 Z"},
    {"PercentageAmountIsRoundedToCents", "1x33.33@19; slot 0; percent -2.5", true, "19.00/32.50/6.18",
     "33.33 32.50 6.18 38.68 38.68", "false 0.83 2.50 33.33 19.00 S VAT; Wert -0.83 Prozent -2.50 slot 0"},
    {"GermanNumberInputRoundedToCents", "1x100@19; 1x50@7; slot 0; value 1.000,005", true,
     "19.00/1100.01/209.00 7.00/50.00/3.50", "150.00 1150.01 212.50 1362.51 1362.51",
     "true 1000.01 - - 19.00 S VAT; Wert 1000.01 Prozent 0.00 slot 0"},
    {"SelectionFollowsALoadedRate", "1x100@19; 1x50@7; loaded 7.00 -10", false,
     "19.00/100.00/19.00 7.00/40.00/2.80", "150.00 140.00 21.80 161.80 161.80",
     "false 10.00 - - 7.00 S VAT; Wert -10.00 Prozent 0.00 slot 1"},
    // The allowance belongs to a group of the lines: with one group that one, whatever was
    // shown or picked (a Kleinunternehmer's discount carries no VAT); it stays there when a
    // group comes; a rate no line has is no choice, and the check asks for one.
    {"WithOneGroupTheAllowanceTakesIt", "1x100@19; slot 1; value 15", true, "19.00/115.00/21.85",
     "100.00 115.00 21.85 136.85 136.85", "true 15.00 - - 19.00 S VAT; Wert 15.00 Prozent 0.00 slot 0"},
    {"KleinunternehmerDiscountCarriesNoVat", "category E; 1x380@0; slot 0; value -10; slot 0", true,
     "0.00/370.00/0.00 E Keine Umsatzsteuer, da Kleinunternehmer gemäß § 19 UStG",
     "380.00 370.00 0.00 370.00 370.00", "false 10.00 - - 0.00 E VAT; Wert -10.00 Prozent 0.00 slot 2"},
    {"TheGroupStaysWhenAnotherComes", "1x100@19; value -10; 1x50@7", true,
     "19.00/90.00/17.10 7.00/50.00/3.50", "150.00 140.00 20.60 160.60 160.60",
     "false 10.00 - - 19.00 S VAT; Wert -10.00 Prozent 0.00 slot 0"},
    {"ARateNoLineHasIsCleared", "1x100@19; 1x50@7; slot 2; value -10", false,
     "19.00/100.00/19.00 7.00/50.00/3.50", "150.00 140.00 22.50 162.50 162.50",
     "false 10.00 - - - - VAT; Wert -10.00 Prozent 0.00 slot -1"},
    // At 0 % several categories may have lines: the document's "Steuerkennung" first, a
    // loaded category before it.
    {"ZeroRateTakesTheDocumentCategory",
     "category E; 1x20@0; category S; 1x100@19; category Z; 1x10@0; "
     "slot 2; value -5",
     true,
     "19.00/100.00/19.00 0.00/20.00/0.00 E Keine Umsatzsteuer, da Kleinunternehmer gemäß § 19 UStG "
     "0.00/5.00/0.00 Z",
     "130.00 125.00 19.00 144.00 144.00", "false 5.00 - - 0.00 Z VAT; Wert -5.00 Prozent 0.00 slot 2"},
    {"ZeroRateKeepsALoadedCategory",
     "category E; 1x20@0; category S; 1x100@19; category Z; 1x10@0; "
     "loaded 0.00 -5 E",
     false,
     "19.00/100.00/19.00 0.00/15.00/0.00 E Keine Umsatzsteuer, da Kleinunternehmer gemäß § 19 UStG "
     "0.00/10.00/0.00 Z",
     "130.00 125.00 19.00 144.00 144.00", "false 5.00 - - 0.00 E VAT; Wert -5.00 Prozent 0.00 slot 2"},
    {"LargeAmountsAndManyDecimals",
     "1234.56789x987.65@19; 0.333333x3000000@7; 17.125x1000000.01@19; slot 0; percent -1.75", true,
     "19.00/18023295.53/3424426.15 7.00/982499.02/68774.93",
     "19344320.15 19005794.55 3493201.08 22498995.63 22498995.63",
     "false 338525.60 1.75 19344320.15 - - VAT; Wert -338525.60 Prozent -1.75 slot -1 "
     "321025.62/18344321.15/19.00 S 17499.98/999999.00/7.00 S"},
    // A line's own allowances and charges are in its net amount, not in the
    // document's sums of allowances and charges.
    {"LineAllowancesAndChargesInTheLineNet", "3x9.99@19; own -5.00; own +2.50; 1x33.33@7; own -10%", true,
     "19.00/27.47/5.22 7.00/30.00/2.10", "57.47 57.47 7.32 64.79 64.79", ""},
    {"ADocumentAllowanceBesideLineAllowances", "1x100@19; own -10%@50.00; value -10", true,
     "19.00/85.00/16.15", "95.00 85.00 16.15 101.15 101.15",
     "false 10.00 - - 19.00 S VAT; Wert -10.00 Prozent 0.00 slot 0"},
    {"ThousandLines", "slot 1; value -123,45", true,
     "19.00/753313.65/143129.59 7.00/746189.68/52233.28 0.00/750796.11/0.00 Z",
     "2250422.89 2250299.44 195362.87 2445662.31 2445662.31",
     "false 123.45 - - 7.00 S VAT; Wert -123.45 Prozent 0.00 slot 1", thousandLines},
};

Form entered(const Document& document) {
    Form state = newState();
    fillParties(state);
    recompute(state);
    if (document.before != nullptr)
        document.before(state);
    enter(state, document.steps);
    return state;
}

class Documents : public ::testing::TestWithParam<Document> {};

TEST_P(Documents, AmountsAndFooter) {
    const Document& expected = GetParam();
    Form state = entered(expected);

    EXPECT_EQ(breakdownText(state), expected.breakdown);
    const InvoiceDocument& d = state.doc;
    const std::string totals = d.lineExtensionAmount + " " + d.taxExclusiveAmount + " " + d.taxTotalAmount +
                               " " + d.taxInclusiveAmount + " " + d.payableAmount;
    EXPECT_EQ(totals, expected.totals);
    EXPECT_EQ(allowanceText(state), expected.allowance);
    // The typed invoice's one computation comes to the same lines and amount due (a complete
    // document: the others hold working values no form sets).
    const model::Totals typed = model::computeTotals(model::invoiceFrom(state), model::categoryOrder(state));
    std::string lineNets;
    for (std::size_t i = 0; i < state.lines.size(); ++i)
        lineNets += formatDecimal2(typed.lineNet[i]) == state.lines[i].lineNetAmount
                        ? ""
                        : state.lines[i].position + " ";
    if (expected.complete) {
        EXPECT_EQ(lineNets + formatDecimal2(typed.amountDue), d.payableAmount);
    }
    // Only the document's own allowances and charges are summed.
    if (std::string(expected.allowance).empty()) {
        EXPECT_EQ(d.allowanceTotalAmount + d.chargeTotalAmount, "");
    }

    // The footer shows what is saved, in German form.
    const FooterView f = footerView(state);
    EXPECT_EQ(f.linesTotal + " " + f.netTotal + " " + f.taxTotal + " " + f.grossTotal + " " + f.payableTotal,
              german(totals));
    std::string rows, groups;
    for (const FooterRow& r : f.rows)
        rows += r.ratePercent + " " + r.taxableAmount + " " + r.taxAmount + " " + r.category + ";";
    for (const VatBreakdownEntry& e : state.vatBreakdown)
        groups += german(e.ratePercent + " " + e.taxableAmount + " " + e.taxAmount) + " " +
                  (e.categoryCode == "S" ? "" : e.categoryCode) + ";";
    EXPECT_EQ(rows, groups);
}

// Every complete document of the table, saved, passes the official rules.
TEST_F(ScratchDir, CompleteDocumentsPassTheOfficialRules) {
    TALLOMIR_REQUIRE_TESTDATA();
    std::vector<std::filesystem::path> files;
    for (const Document& document : documents) {
        if (!document.complete)
            continue;
        Form state = entered(document);
        const ubl::SaveOutcome outcome =
            ubl::saveInvoiceFile(state, (dir / (std::string(document.name) + ".xml")).string());
        ASSERT_TRUE(outcome.ok) << outcome.message;
        files.push_back(outcome.fileName);
    }
    // And the golden file of the full invoice, with every address line and scheme.
    files.push_back(dir / "invoice_full.xml");
    std::filesystem::copy_file(std::filesystem::path(TALLOMIR_WRITER_TEST_DATA) / "invoice_full.golden",
                               files.back());
    testing::expectAllValid(files);
}

INSTANTIATE_TEST_SUITE_P(All, Documents, ::testing::ValuesIn(documents),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace tallomir
