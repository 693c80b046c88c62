// Exact decimal numbers: reading typed texts, two-decimal texts and arithmetic.

#include "invoice/decimal.h"

#include <gtest/gtest.h>

#include <string>

using namespace tallomir;

namespace {

Decimal dec(std::string_view text) {
    return parseNumber(text);
}

struct TextCase {
    std::string_view in;
    std::string_view out;
};

template <std::size_t N, typename Convert> void expectEach(const TextCase (&cases)[N], Convert convert) {
    for (const auto& c : cases) {
        EXPECT_EQ(convert(c.in), c.out) << c.in;
    }
}

} // namespace

TEST(ParseNumber, ReadsWhatFitsAndKeepsTheTypedDecimals) {
    // clang-format off
    const TextCase cases[] = {
        {"2.50", "2.50"}, {"007.10", "7.10"}, {"+5", "5"}, {" \t\r\n3.5", "3.5"}, {"-0.00", "0.00"}, {"- 5", "0"},
        {"12.5 EUR", "12.5"}, {"1.234,56", "1.234"}, {"1.2.3", "1.2"}, {"-.25", "-0.25"}, {"EUR 12", "0"},
        // the exponent folds into the scale; an incomplete one is not read
        {"1.5e-1", "0.15"}, {"1.5E+2", "150"}, {"2.50e1", "25.0"}, {"2e+", "2"}, {"+Infinity", "0"}, {"-nan", "0"},
        // values of 10^39 and more read as 0; leading zeros do not count
        {"100000000000000000000000000000000000000", "100000000000000000000000000000000000000"},
        {"1000000000000000000000000000000000000000", "0"}, {"1e999999999999999999", "0"},
        {"0000000000000000000000000000000000000000000042.5", "42.5"},
        // at most 30 decimals, and fewer after a large integer part; the rest rounds half away from zero
        {"-0.0000000000000000000000000000005", "-0.000000000000000000000000000001"},
        {"0.0000000000000000000000000000004", "0.000000000000000000000000000000"},
        {"923456789012345678901234567890123456.6789", "923456789012345678901234567890123456.68"},
    };
    // clang-format on
    expectEach(cases, [](std::string_view in) { return parseNumber(in).toPlainString(); });
}

TEST(ParseDecimal, WithACommaPointsBeforeItGroupThousands) {
    // clang-format off
    const TextCase cases[] = {
        {"1.234,56", "1234.56"}, {"1.234.567,8", "1234567.8"}, {"-0,99", "-0.99"}, {",5", "0.5"},
        {"1,2,3", "1.2"}, {"1,5.3", "1.5"}, {"1.234", "1.234"}, {"abc", "0"},
    };
    // clang-format on
    expectEach(cases, [](std::string_view in) { return parseDecimal(in).toPlainString(); });
}

// Typed the German way: with a comma points group thousands; without one only in groups of three.
TEST(ReadTypedText, PointsGroupThousandsOnlyInGroupsOfThreeWithoutAComma) {
    // clang-format off
    const TextCase cases[] = {
        {"1.000", "1000 T"}, {"1.500", "1500 T"}, {"12.500.000", "12500000 T"}, {"-1.000", "-1000 T"},
        {"1,5", "1.5 -"}, {"1.234,56", "1234.56 T"}, {"0.125", "0.125 D"}, {"12.5", "12.5 D"},
        {"1.2345", "1.2345 D"}, {"1234.567", "1234.567 D"}, {"0.000", "0.000 D"}, {" 7 ", "7 -"},
        {"1.2.3", "keine Zahl"}, {"1.000.5", "keine Zahl"}, {"1,2,3", "keine Zahl"}, {"abc", "keine Zahl"},
        {"19 %", "keine Zahl"}, {".", "keine Zahl"}, {"", "keine Zahl"},
    };
    // clang-format on
    expectEach(cases, [](std::string_view in) -> std::string {
        const std::optional<TypedNumber> read = readTypedText(in);
        if (!read)
            return "keine Zahl";
        const char* roles[] = {"-", "T", "D"};
        return read->value.toPlainString() + " " + roles[static_cast<int>(read->point)];
    });
    // A rate may carry its percent sign; what the document keeps is read with a decimal point.
    EXPECT_EQ(readTypedText("19%", true)->value.toPlainString() +
                  readTypedText(" 7,5 % ", true)->value.toPlainString(),
              "197.5");
    EXPECT_EQ(readStoredNumber("1.000")->toPlainString() + readStoredNumber("-2.50")->toPlainString(),
              "1.000-2.50");
    EXPECT_FALSE(readStoredNumber("1.234,5") || readStoredNumber("abc") || readStoredNumber("") ||
                 readStoredNumber("1.2.3"));
}

TEST(FormatDecimal2, RoundsHalvesAwayFromZeroAndNeverPrintsNegativeZero) {
    // clang-format off
    const TextCase cases[] = {
        {"2.675", "2.68"}, {"-0.125", "-0.13"}, {"0.124999", "0.12"}, {"1.995", "2.00"}, {"19", "19.00"},
        {"-0.004999", "0.00"}, {"-0.005", "-0.01"},
        {"100000000000000000000000000000000000000", "100000000000000000000000000000000000000.00"},
    };
    // clang-format on
    expectEach(cases, [](std::string_view in) { return formatDecimal2(dec(in)); });
}

TEST(FormatGerman, GroupsThousandsAndKeepsBetweenTheLeastAndTheMostDecimals) {
    // clang-format off
    const TextCase cases[] = {
        {"1234.5", "1.234,50"}, {"-1234567.891", "-1.234.567,89"}, {"999.995", "1.000,00"}, {"-0.004", "0,00"},
        {"100", "100,00"}, {"123456", "123.456,00"},
    };
    // clang-format on
    expectEach(cases, [](std::string_view in) { return formatGerman(dec(in), 2, 2); });
    EXPECT_EQ(formatGerman(dec("0.12345"), 2, 4) + " " + formatGerman(dec("9.9000"), 2, 4) + " " +
                  formatGerman(dec("1500.000"), 0, 4),
              "0,1235 9,90 1.500");
}

TEST(DecimalArithmetic, ResultsKeepTheirScaleAndRoundOnlyBeyondThirtyEightDigits) {
    // 29 digits × 29 digits do not fit in 38; the exact product is
    // 1219326311370217952261.850327336229233322374638011112635269
    const Decimal a = dec("12345678901.234567890123456789");
    const Decimal b = dec("98765432109.876543210987654321");
    const Decimal nines = dec("0.99999999999999999999999999999");    // 29 nines
    const Decimal big = dec("100000000000000000000000000000000000"); // 10^35
    const std::pair<Decimal, std::string_view> cases[] = {
        // clang-format off
        {dec("1.5") + dec("2.25"), "3.75"}, {dec("1.10") - dec("1.1"), "0.00"}, {dec("3") * dec("19.99"), "59.97"},
        {dec("1.5") * dec("-0.25"), "-0.375"}, {dec("18.50").percentOf(dec("19")), "3.5150"},
        {Decimal::fromParts(12, -3), "12000"}, {-a * b, "-1219326311370217952261.85032733622923332"},
        {nines * nines, "0.999999999999999999999999999980000000"},
        {dec("-5.5") * Decimal::fromParts(1, 37), "-0.000000000000000000000000000000000001"},
        {big + dec("0.6"), "100000000000000000000000000000000000.6"},
        {big + dec("0.000000000000000000000000000001"), "100000000000000000000000000000000000.000"},
        {dec("10000000000000000000000000") * dec("10000000000000000000000000"), "0"}, // 10^50
        {dec("-2.665").rounded(2), "-2.67"}, {dec("2.5").rounded(0), "3"}, {dec("-7.25").abs(), "7.25"},
        {dec("-2").dividedBy(dec("3"), 2), "-0.67"}, {dec("246.9").dividedBy(dec("0.5"), 2), "493.80"},
        {dec("5").dividedBy(dec("0"), 2), "0.00"}, {a.dividedBy(dec("-0.0001"), 4), "-123456789012345.6789"},
        // in 32-bit binary floating point 19 % of these lands just below the half cent
        {dec("0.50").percentOf(dec("19")).rounded(2), "0.10"},
        {dec("16777217.00").percentOf(dec("19")).rounded(2), "3187671.23"},
        // clang-format on
    };
    for (const auto& [result, text] : cases)
        EXPECT_EQ(result.toPlainString(), text);
    EXPECT_TRUE(dec("2.50") == dec("2.5") && dec("-1") > dec("-1.01") &&
                dec("-1e38") < dec("-99.9999999999"));
}
