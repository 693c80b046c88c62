#pragma once

#include <optional>
#include <string>
#include <string_view>

// Qt's moc reads this header through the window's headers and cannot parse
// <compare>; the compiler sees it.
#ifndef Q_MOC_RUN
#include <compare>
#endif

namespace tallomir {

// An exact decimal number: value = mantissa / 10^scale, scale >= 0.
//
// Every amount, quantity, price and percentage of an invoice is computed with
// this type; binary floating point never touches money. The mantissa is a
// 128-bit integer, which holds 38 significant digits. Sums and differences are
// exact. A product is exact as long as its digits fit; where they would not,
// the exact product is rounded (half away from zero) to as many decimals as
// fit, which only touches digits beyond the 38th significant one.
class Decimal {
public:
    constexpr Decimal() = default;

    static Decimal fromInt(long long value);
    // mantissa / 10^scale; a negative scale multiplies instead.
    static Decimal fromParts(__int128 mantissa, int scale);

    __int128 mantissa() const { return mantissa_; }
    int scale() const { return scale_; }

    bool isZero() const { return mantissa_ == 0; }
    bool isNegative() const { return mantissa_ < 0; }

    Decimal operator-() const;
    Decimal abs() const;
    friend Decimal operator+(const Decimal& a, const Decimal& b);
    friend Decimal operator-(const Decimal& a, const Decimal& b);
    friend Decimal operator*(const Decimal& a, const Decimal& b);
    Decimal& operator+=(const Decimal& other) { return *this = *this + other; }
    Decimal& operator-=(const Decimal& other) { return *this = *this - other; }

    // Numeric comparison: 2.50 == 2.5.
    friend bool operator==(const Decimal& a, const Decimal& b);
    friend std::strong_ordering operator<=>(const Decimal& a, const Decimal& b);

    // Rounded to the given number of decimals, exact halves away from zero.
    Decimal rounded(int decimals) const;
    // this × percent / 100, exact (before any rounding).
    Decimal percentOf(const Decimal& percent) const;
    // this / divisor rounded to the given number of decimals, exact halves
    // away from zero; a zero divisor gives zero.
    Decimal dividedBy(const Decimal& divisor, int decimals) const;

    // Plain decimal text with exactly scale() decimals: "2.50", "1.5", "3",
    // "-0.125", "1000". No exponent, no thousands separator.
    std::string toPlainString() const;

private:
    __int128 mantissa_ = 0;
    int scale_ = 0;
};

// Reads a number with a point as the only decimal separator, independent of
// the locale: leading white space, an optional sign, digits, an optional
// fraction and an optional exponent; reading stops at the first character that
// does not fit. No number at the start, "Infinity", "NaN" and values too large
// for the type give 0. The decimals that were typed are kept ("2.50" has scale 2).
Decimal parseNumber(std::string_view text);

// Like parseNumber, but accepts German input: when the text holds a comma,
// points before it are thousands separators and the comma is the decimal
// separator ("1.234,56" is 1234.56, "12,5" is 12.5). Without a comma a point is
// the decimal separator.
Decimal parseDecimal(std::string_view text);

// Two decimals, exact halves away from zero (2.675 gives 2.68, -0.125 gives
// -0.13). A value that rounds to zero prints "0.00".
std::string formatDecimal2(const Decimal& value);

// The German form a person reads: rounded (exact halves away from zero) to at
// most maxDecimals, trailing zeros dropped down to minDecimals, a comma before
// the decimals and a point between groups of three digits: "1.234,56",
// "-0,5", "0,1234". A value that rounds to zero has no sign. Without grouping
// the points are left out ("1234,56"), as in a field the text is read back
// from.
std::string formatGerman(const Decimal& value, int minDecimals, int maxDecimals, bool grouping = true);

// How a point in a typed number was read.
enum class PointRole { None, Thousands, Decimal };
struct TypedNumber {
    Decimal value;
    PointRole point = PointRole::None;
};

// A number as a person types it, read the German way: blanks around it, an
// optional sign, then digits with
// - a decimal comma, points before it between groups of thousands
//   ("1.234,56", "1,5");
// - no comma: points after a first group of 1 to 3 digits other than "0",
//   each followed by exactly three digits, group thousands ("1.000" is 1000,
//   "12.500.000"); any other single point is the decimal point ("0.125",
//   "12.5", "1.2345").
// With percentSign a "%" may follow, with or without a blank ("19%", "19 %").
// Nothing when the text is empty or holds anything else ("abc", "12 Stück",
// "1,2,3", "1.2.3").
std::optional<TypedNumber> readTypedText(std::string_view text, bool percentSign = false);
std::optional<Decimal> readTypedNumber(std::string_view text);

// A number as the document keeps it: blanks around it, an optional sign,
// digits with at most one decimal point ("1.000" is one, "2.50"). Nothing for
// any other text (a typed text that could not be read is kept as it was).
std::optional<Decimal> readStoredNumber(std::string_view text);

} // namespace tallomir
