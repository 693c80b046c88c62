// The amounts that follow from an invoice's terms, reckoned by hand.

#include "invoice/invoice_totals.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tallomir;
using namespace tallomir::model;

namespace {

Amount amount(std::string_view text) {
    return parseNumber(text);
}

// "QUANTITY x PRICE[/BASE] CAT[@RATE] [-ALLOWANCE] [+CHARGE]"
Line line(std::string_view quantity, std::string_view price, std::string_view category, std::string_view rate,
          std::string_view base = "", std::vector<std::pair<bool, std::string_view>> adjustments = {}) {
    Line l;
    l.quantity = parseNumber(quantity);
    l.price.netPrice = parseNumber(price);
    if (!base.empty())
        l.price.baseQuantity = amount(base);
    l.vatCategory = category;
    if (!rate.empty())
        l.vatRate = amount(rate);
    for (const auto& [charge, value] : adjustments) {
        AllowanceCharge& entry = l.allowancesCharges.emplace_back();
        entry.charge = charge;
        entry.amount = amount(value);
    }
    return l;
}

AllowanceCharge documentEntry(bool charge, std::string_view value, std::string_view category,
                              std::string_view rate) {
    AllowanceCharge entry;
    entry.charge = charge;
    entry.amount = amount(value);
    entry.vatCategory = category;
    entry.vatRate = amount(rate);
    return entry;
}

std::string breakdownOf(const Totals& totals) {
    std::string text;
    for (const VatGroupTotal& group : totals.breakdown)
        text += group.category + (group.rate ? "@" + group.rate->toPlainString() : "") + " " +
                formatDecimal2(group.taxableAmount) + " " + formatDecimal2(group.taxAmount) + "; ";
    return text;
}

struct Case {
    const char* name;
    Invoice invoice;
    std::vector<std::string> lineNet;
    std::string breakdown;
    std::string withoutVat, vatTotal, withVat, amountDue;
    std::string allowanceSum = "", chargeSum = "";
};

} // namespace

TEST(InvoiceTotals, FollowTheTermsAsReckonedByHand) {
    Invoice twoRates;
    twoRates.lines = {line("2", "12.50", "S", "19"), line("1.5", "39.90", "S", "7")};

    Invoice baseQuantities;
    baseQuantities.lines = {line("3", "10.00", "S", "19", "4"), line("1", "0.333", "S", "19", "2")};

    Invoice lineAdjustments;
    lineAdjustments.lines = {line("10", "9.99", "S", "19", "", {{false, "5.00"}, {true, "1.25"}}),
                             // -0.995 rounds away from zero, once, from the exact value
                             line("1", "0.005", "S", "19", "", {{false, "1.00"}})};

    Invoice documentLevel;
    documentLevel.lines = {line("1", "100", "S", "19")};
    documentLevel.allowancesCharges = {documentEntry(false, "10", "S", "19"),
                                       documentEntry(true, "5", "S", "19")};
    documentLevel.paidAmount = amount("50");
    documentLevel.roundingAmount = amount("0.01");

    Invoice orderedGroups; // by the list's order of categories, then by rate, highest first
    orderedGroups.lines = {line("1", "10", "E", "0"), line("1", "20", "S", "7"), line("1", "30", "S", "19"),
                           line("1", "40", "Z", "0"), line("1", "50", "O", "")};
    orderedGroups.allowancesCharges = {documentEntry(true, "2.50", "AE", "0")};

    const Case cases[] = {
        {"two rates",
         twoRates,
         {"25.00", "59.85"},
         "S@19 25.00 4.75; S@7 59.85 4.19; ",
         "84.85",
         "8.94",
         "93.79",
         "93.79"},
        {"base quantities",
         baseQuantities,
         {"7.50", "0.17"},
         "S@19 7.67 1.46; ",
         "7.67",
         "1.46",
         "9.13",
         "9.13"},
        {"line allowances and charges",
         lineAdjustments,
         {"96.15", "-1.00"},
         "S@19 95.15 18.08; ",
         "95.15",
         "18.08",
         "113.23",
         "113.23"},
        {"document allowance, charge, paid and rounding",
         documentLevel,
         {"100.00"},
         "S@19 95.00 18.05; ",
         "95.00",
         "18.05",
         "113.05",
         "63.06",
         "10.00",
         "5.00"},
        {"ordered groups",
         orderedGroups,
         {"10.00", "20.00", "30.00", "40.00", "50.00"},
         "S@19 30.00 5.70; S@7 20.00 1.40; Z@0 40.00 0.00; E@0 10.00 0.00; AE@0 2.50 0.00; O 50.00 0.00; ",
         "152.50",
         "7.10",
         "159.60",
         "159.60",
         "",
         "2.50"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Totals totals = computeTotals(c.invoice, {"S", "Z", "E", "AE"});
        std::vector<std::string> lineNet;
        for (const Decimal& net : totals.lineNet)
            lineNet.push_back(formatDecimal2(net));
        EXPECT_EQ(lineNet, c.lineNet);
        EXPECT_EQ(breakdownOf(totals), c.breakdown);
        EXPECT_EQ(formatDecimal2(totals.withoutVat), c.withoutVat);
        EXPECT_EQ(formatDecimal2(totals.vatTotal), c.vatTotal);
        EXPECT_EQ(formatDecimal2(totals.withVat), c.withVat);
        EXPECT_EQ(formatDecimal2(totals.amountDue), c.amountDue);
        EXPECT_EQ(totals.allowanceSum ? formatDecimal2(*totals.allowanceSum) : "", c.allowanceSum);
        EXPECT_EQ(totals.chargeSum ? formatDecimal2(*totals.chargeSum) : "", c.chargeSum);
    }
}
