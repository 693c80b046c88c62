#include "decimal.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tallomir {

namespace {

using i128 = __int128;
using u128 = unsigned __int128;

// The largest mantissa; its negation is the smallest. The one value below it
// (-2^127) is never used, so negation and abs() are always safe.
constexpr i128 maxMantissa = static_cast<i128>(~static_cast<u128>(0) >> 1);

// Decimals kept by the parser and by products. Far beyond any cent, and small
// enough that scales never run away under repeated multiplication.
constexpr int maxParsedDecimals = 30;
constexpr int maxProductScale = 36;

// 10^38 is the largest power of ten a mantissa holds.
constexpr int maxPow10 = 38;

constexpr i128 pow10(int k) {
    i128 p = 1;
    for (int i = 0; i < k; ++i)
        p *= 10;
    return p;
}

bool fits(i128 v) {
    return v >= -maxMantissa && v <= maxMantissa;
}

bool checkedAdd(i128 a, i128 b, i128& out) {
    return !__builtin_add_overflow(a, b, &out) && fits(out);
}

bool checkedMul(i128 a, i128 b, i128& out) {
    return !__builtin_mul_overflow(a, b, &out) && fits(out);
}

// m × 10^k, false when it does not fit.
bool scaleUp(i128 m, int k, i128& out) {
    if (m == 0) {
        out = 0;
        return true;
    }
    if (k > maxPow10)
        return false;
    return checkedMul(m, pow10(k), out);
}

// m / 10^k, an exact half rounded away from zero.
i128 divRound(i128 m, int k) {
    if (k <= 0)
        return m;
    if (k > maxPow10)
        return 0; // |m| < 10^38.3 < half of 10^39
    const i128 p = pow10(k);
    i128 q = m / p;
    i128 r = m % p;
    if (r < 0)
        r = -r;
    if (r >= p - r)
        q += (m < 0) ? -1 : 1;
    return q;
}

// Brings both operands to one scale. Where the one with fewer decimals cannot
// be scaled up, the one with more decimals is rounded by one decimal instead,
// until they meet.
void align(i128& am, int& as, i128& bm, int& bs) {
    if (as > bs) {
        align(bm, bs, am, as);
        return;
    }
    while (as != bs) {
        i128 scaled;
        if (scaleUp(am, bs - as, scaled)) {
            am = scaled;
            as = bs;
        } else {
            bm = divRound(bm, 1);
            --bs;
        }
    }
}

std::string unsignedDigits(u128 v) {
    if (v == 0)
        return "0";
    std::string s;
    while (v != 0) {
        s.push_back(static_cast<char>('0' + static_cast<int>(v % 10)));
        v /= 10;
    }
    std::reverse(s.begin(), s.end());
    return s;
}

u128 magnitude(i128 v) {
    return v < 0 ? static_cast<u128>(-v) : static_cast<u128>(v);
}

// An unsigned 256-bit number in four 64-bit limbs, least significant first;
// just enough to hold the exact product of two mantissas.
struct Wide {
    std::uint64_t limb[4] = {0, 0, 0, 0};

    // Divides by 10 in place and gives the remainder.
    int divideBy10() {
        u128 remainder = 0;
        for (int i = 3; i >= 0; --i) {
            const u128 current = (remainder << 64) | limb[i];
            limb[i] = static_cast<std::uint64_t>(current / 10);
            remainder = current % 10;
        }
        return static_cast<int>(remainder);
    }

    void increment() {
        for (auto& l : limb) {
            if (++l != 0)
                break;
        }
    }

    bool fitsMantissa() const { return limb[3] == 0 && limb[2] == 0 && (limb[1] >> 63) == 0; }

    u128 low128() const { return (static_cast<u128>(limb[1]) << 64) | limb[0]; }
};

Wide wideProduct(u128 a, u128 b) {
    const std::uint64_t a0 = static_cast<std::uint64_t>(a), a1 = static_cast<std::uint64_t>(a >> 64);
    const std::uint64_t b0 = static_cast<std::uint64_t>(b), b1 = static_cast<std::uint64_t>(b >> 64);
    const u128 p00 = static_cast<u128>(a0) * b0;
    const u128 p01 = static_cast<u128>(a0) * b1;
    const u128 p10 = static_cast<u128>(a1) * b0;
    const u128 p11 = static_cast<u128>(a1) * b1;

    Wide w;
    w.limb[0] = static_cast<std::uint64_t>(p00);
    const u128 middle = (p00 >> 64) + static_cast<std::uint64_t>(p01) + static_cast<std::uint64_t>(p10);
    w.limb[1] = static_cast<std::uint64_t>(middle);
    const u128 upper = (middle >> 64) + (p01 >> 64) + (p10 >> 64) + static_cast<std::uint64_t>(p11);
    w.limb[2] = static_cast<std::uint64_t>(upper);
    w.limb[3] = static_cast<std::uint64_t>((upper >> 64) + (p11 >> 64));
    return w;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

Decimal Decimal::fromInt(long long value) {
    return fromParts(value, 0);
}

Decimal Decimal::fromParts(__int128 mantissa, int scale) {
    Decimal d;
    if (!fits(mantissa))
        return d;
    if (scale < 0) {
        i128 scaled;
        if (!scaleUp(mantissa, -scale, scaled))
            return d;
        d.mantissa_ = scaled;
        d.scale_ = 0;
        return d;
    }
    d.mantissa_ = mantissa;
    d.scale_ = scale;
    return d;
}

Decimal Decimal::operator-() const {
    Decimal d = *this;
    d.mantissa_ = -mantissa_;
    return d;
}

Decimal Decimal::abs() const {
    return isNegative() ? -*this : *this;
}

Decimal operator+(const Decimal& a, const Decimal& b) {
    i128 am = a.mantissa_, bm = b.mantissa_;
    int as = a.scale_, bs = b.scale_;
    align(am, as, bm, bs);
    for (;;) {
        i128 sum;
        if (checkedAdd(am, bm, sum))
            return Decimal::fromParts(sum, as);
        if (as == 0)
            return Decimal(); // beyond ±1.7e38: no such amount exists
        am = divRound(am, 1);
        bm = divRound(bm, 1);
        --as;
    }
}

Decimal operator-(const Decimal& a, const Decimal& b) {
    return a + (-b);
}

Decimal operator*(const Decimal& a, const Decimal& b) {
    const bool negative = (a.mantissa_ < 0) != (b.mantissa_ < 0);
    Wide product = wideProduct(magnitude(a.mantissa_), magnitude(b.mantissa_));
    int scale = a.scale_ + b.scale_;
    // Drop decimals until the product fits (and stays within the scale
    // limit); the last digit dropped decides the rounding.
    int lastDropped = 0;
    for (;;) {
        if (scale <= maxProductScale) {
            Wide rounded = product;
            if (lastDropped >= 5)
                rounded.increment();
            if (rounded.fitsMantissa()) {
                const i128 m = static_cast<i128>(rounded.low128());
                return Decimal::fromParts(negative ? -m : m, scale);
            }
        }
        if (scale == 0)
            return Decimal(); // beyond ±1.7e38: no such amount exists
        lastDropped = product.divideBy10();
        --scale;
    }
}

std::strong_ordering operator<=>(const Decimal& a, const Decimal& b) {
    const bool an = a.mantissa_ < 0, bn = b.mantissa_ < 0;
    if (an != bn)
        return an ? std::strong_ordering::less : std::strong_ordering::greater;
    i128 am = a.mantissa_, bm = b.mantissa_;
    if (a.scale_ < b.scale_) {
        i128 scaled;
        if (!scaleUp(am, b.scale_ - a.scale_, scaled))
            // |a| is beyond what a mantissa holds, so beyond |b|
            return an ? std::strong_ordering::less : std::strong_ordering::greater;
        am = scaled;
    } else if (b.scale_ < a.scale_) {
        i128 scaled;
        if (!scaleUp(bm, a.scale_ - b.scale_, scaled))
            return bn ? std::strong_ordering::greater : std::strong_ordering::less;
        bm = scaled;
    }
    if (am < bm)
        return std::strong_ordering::less;
    if (am > bm)
        return std::strong_ordering::greater;
    return std::strong_ordering::equal;
}

bool operator==(const Decimal& a, const Decimal& b) {
    return (a <=> b) == 0;
}

Decimal Decimal::rounded(int decimals) const {
    decimals = std::max(decimals, 0);
    if (decimals >= scale_) {
        i128 scaled;
        if (scaleUp(mantissa_, decimals - scale_, scaled))
            return fromParts(scaled, decimals);
        return *this; // too large to carry more decimals; already exact
    }
    return fromParts(divRound(mantissa_, scale_ - decimals), decimals);
}

Decimal Decimal::percentOf(const Decimal& percent) const {
    Decimal product = *this * percent;
    if (product.mantissa_ == 0)
        return Decimal::fromParts(0, std::min(product.scale_ + 2, maxProductScale));
    if (product.scale_ + 2 <= maxProductScale)
        return fromParts(product.mantissa_, product.scale_ + 2);
    // keep within the product scale limit: drop digits far beyond any cent
    const int keep = maxProductScale - 2;
    return fromParts(divRound(product.mantissa_, product.scale_ - keep), maxProductScale);
}

Decimal Decimal::dividedBy(const Decimal& divisor, int decimals) const {
    decimals = std::max(decimals, 0);
    i128 numerator = mantissa_;
    i128 denominator = divisor.mantissa_;
    // (n / 10^ns) / (d / 10^ds) with `decimals` decimals is
    // n × 10^(ds + decimals - ns) / d; the power goes to whichever side it fits.
    int shift = divisor.scale_ + decimals - scale_;
    // A numerator too large to carry the shift loses decimals of the divisor first.
    i128 scaled = 0;
    int divisorDecimals = divisor.scale_;
    while (shift > 0 && !scaleUp(numerator, shift, scaled)) {
        if (divisorDecimals-- == 0 || denominator == 0)
            return fromParts(0, decimals);
        denominator = divRound(denominator, 1);
        --shift;
    }
    if (shift > 0)
        numerator = scaled;
    if (shift < 0) {
        if (!scaleUp(denominator, -shift, scaled))
            return fromParts(0, decimals); // a divisor that large leaves nothing
        denominator = scaled;
    }
    if (denominator == 0)
        return fromParts(0, decimals);
    i128 quotient = numerator / denominator;
    i128 remainder = numerator % denominator;
    const i128 absRemainder = remainder < 0 ? -remainder : remainder;
    const i128 absDenominator = denominator < 0 ? -denominator : denominator;
    if (absRemainder >= absDenominator - absRemainder)
        quotient += ((numerator < 0) != (denominator < 0)) ? -1 : 1;
    return fromParts(quotient, decimals);
}

std::string Decimal::toPlainString() const {
    const bool negative = mantissa_ < 0;
    const u128 magnitude = negative ? static_cast<u128>(-mantissa_) : static_cast<u128>(mantissa_);
    std::string digits = unsignedDigits(magnitude);
    if (scale_ > 0) {
        const std::size_t scale = static_cast<std::size_t>(scale_);
        if (digits.size() <= scale)
            digits.insert(0, scale + 1 - digits.size(), '0');
        digits.insert(digits.size() - scale, 1, '.');
    }
    if (negative)
        digits.insert(0, 1, '-');
    return digits;
}

Decimal parseNumber(std::string_view text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n'))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }

    // All digits typed, leading zeros dropped; `point` counts the digits that
    // stand before the decimal point (it may be negative or beyond the digits).
    std::string digits;
    long long point = 0;
    long long fractionLength = 0;
    bool anyDigit = false;
    while (i < n && isDigit(text[i])) {
        anyDigit = true;
        if (!digits.empty() || text[i] != '0') {
            digits.push_back(text[i]);
            ++point;
        }
        ++i;
    }
    if (i < n && text[i] == '.') {
        std::size_t j = i + 1;
        bool fractionDigit = false;
        while (j < n && isDigit(text[j])) {
            fractionDigit = true;
            ++fractionLength;
            if (!digits.empty() || text[j] != '0')
                digits.push_back(text[j]);
            else
                --point;
            ++j;
        }
        if (anyDigit || fractionDigit) {
            anyDigit = true;
            i = j;
        }
    }
    if (!anyDigit)
        return Decimal();

    long long exponent = 0;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        bool expNegative = false;
        if (j < n && (text[j] == '+' || text[j] == '-')) {
            expNegative = text[j] == '-';
            ++j;
        }
        if (j < n && isDigit(text[j])) {
            // Anything beyond a few thousand only gives 0 or a value too large.
            while (j < n && isDigit(text[j])) {
                if (exponent < 100000)
                    exponent = exponent * 10 + (text[j] - '0');
                ++j;
            }
            if (expNegative)
                exponent = -exponent;
        }
    }
    point += exponent;

    // The decimals the text stands for, as typed ("2.50" has two).
    const long long wantedScale = std::max(0LL, fractionLength - exponent);
    const auto digitAt = [&](long long pos) -> int {
        // digit at position pos counted from the first significant digit
        if (pos < 0 || pos >= static_cast<long long>(digits.size()))
            return 0;
        return digits[static_cast<std::size_t>(pos)] - '0';
    };

    // The integer part must fit.
    if (point > maxPow10 + 1)
        return Decimal();
    i128 integerPart = 0;
    for (long long pos = 0; pos < point; ++pos) {
        if (!checkedMul(integerPart, 10, integerPart) || !checkedAdd(integerPart, digitAt(pos), integerPart))
            return Decimal();
    }

    // Keep as many decimals as were typed, at most maxParsedDecimals and at
    // most as many as fit; the rest is rounded away.
    for (long long keep = std::min<long long>(wantedScale, maxParsedDecimals); keep >= 0; --keep) {
        i128 m = integerPart;
        bool ok = true;
        for (long long k = 0; k < keep && ok; ++k)
            ok = checkedMul(m, 10, m) && checkedAdd(m, digitAt(point + k), m);
        if (ok && keep < wantedScale && digitAt(point + keep) >= 5)
            ok = checkedAdd(m, 1, m);
        if (ok)
            return Decimal::fromParts(negative ? -m : m, static_cast<int>(keep));
    }
    return Decimal();
}

Decimal parseDecimal(std::string_view text) {
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos)
        return parseNumber(text);
    std::string converted;
    converted.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && i < comma)
            continue; // thousands separator
        converted.push_back(c == ',' ? '.' : c);
    }
    return parseNumber(converted);
}

std::string formatDecimal2(const Decimal& value) {
    std::string text = value.rounded(2).toPlainString();
    // A value too large to carry two decimals in its mantissa is an integer
    // (or has fewer decimals); complete the text.
    std::size_t dot = text.find('.');
    if (dot == std::string::npos) {
        text += ".00";
    } else {
        while (text.size() - dot - 1 < 2)
            text.push_back('0');
    }
    return text;
}

std::string formatGerman(const Decimal& value, int minDecimals, int maxDecimals, bool grouping) {
    const Decimal shown = value.rounded(maxDecimals);
    std::string plain = shown.abs().toPlainString();
    std::string digits = plain;
    std::string decimals;
    if (const std::size_t dot = plain.find('.'); dot != std::string::npos) {
        digits = plain.substr(0, dot);
        decimals = plain.substr(dot + 1);
    }
    while (static_cast<int>(decimals.size()) > minDecimals && !decimals.empty() && decimals.back() == '0')
        decimals.pop_back();
    while (static_cast<int>(decimals.size()) < minDecimals)
        decimals.push_back('0');

    std::string text = shown.isNegative() ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (grouping && i > 0 && (digits.size() - i) % 3 == 0)
            text.push_back('.');
        text.push_back(digits[i]);
    }
    if (!decimals.empty())
        text += "," + decimals;
    return text;
}

namespace {

std::string_view trimmedBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

namespace {

bool allDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), isDigit);
}

// Points between thousands: a first group of 1 to 3 digits other than "0",
// then groups of exactly three.
bool groupsThousands(const std::vector<std::string_view>& groups) {
    if (groups.size() < 2 || groups[0].empty() || groups[0].size() > 3 || groups[0] == "0")
        return false;
    return std::all_of(groups.begin() + 1, groups.end(), [](std::string_view g) { return g.size() == 3; });
}

} // namespace

std::optional<TypedNumber> readTypedText(std::string_view text, bool percentSign) {
    std::string_view body = trimmedBlanks(text);
    if (percentSign && !body.empty() && body.back() == '%')
        body = trimmedBlanks(body.substr(0, body.size() - 1));
    std::string number;
    if (!body.empty() && (body.front() == '-' || body.front() == '+')) {
        number.push_back(body.front());
        body.remove_prefix(1);
    }
    const std::size_t comma = body.find(',');
    const std::string_view fraction =
        comma == std::string_view::npos ? std::string_view() : body.substr(comma + 1);
    std::vector<std::string_view> groups;
    for (std::string_view rest = body.substr(0, comma);;) {
        const std::size_t point = rest.find('.');
        groups.push_back(rest.substr(0, point));
        if (point == std::string_view::npos)
            break;
        rest.remove_prefix(point + 1);
    }
    if (!allDigits(fraction) || !std::all_of(groups.begin(), groups.end(), allDigits))
        return std::nullopt;
    TypedNumber read;
    if (groups.size() > 1)
        read.point = comma != std::string_view::npos || groupsThousands(groups) ? PointRole::Thousands
                                                                                : PointRole::Decimal;
    if (read.point == PointRole::Decimal && groups.size() > 2)
        return std::nullopt; // "1.2.3"
    for (std::size_t i = 0; i < groups.size(); ++i) {
        if (i > 0 && read.point == PointRole::Decimal)
            number.push_back('.');
        number += groups[i];
    }
    if (comma != std::string_view::npos) {
        number.push_back('.');
        number.append(fraction);
    }
    if (number.find_first_of("0123456789") == std::string::npos)
        return std::nullopt;
    read.value = parseNumber(number);
    return read;
}

std::optional<Decimal> readTypedNumber(std::string_view text) {
    const std::optional<TypedNumber> read = readTypedText(text);
    return read ? std::optional<Decimal>(read->value) : std::nullopt;
}

std::optional<Decimal> readStoredNumber(std::string_view text) {
    std::string_view body = trimmedBlanks(text);
    const std::string_view number = body;
    if (!body.empty() && (body.front() == '-' || body.front() == '+'))
        body.remove_prefix(1);
    const std::size_t point = body.find('.');
    const std::string_view whole = body.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : body.substr(point + 1);
    if (whole.size() + fraction.size() == 0 || !allDigits(whole) || !allDigits(fraction))
        return std::nullopt;
    return parseNumber(number);
}

} // namespace tallomir
