#include "identifiers.h"

#include "document_check.h"

#include <algorithm>
#include <array>

namespace tallomir {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isCapital(char c) {
    return c >= 'A' && c <= 'Z';
}

std::string quoted(std::string_view text) {
    return "\u201E" + std::string(text) + "\u201C";
}

// The lengths a VAT identifier has after its country code, one bit per length.
struct VatIdLength {
    std::string_view prefix;
    unsigned lengths;
};

constexpr unsigned len(int n) {
    return 1u << n;
}

// Every country of the EU by the code its VAT identifiers begin with, and
// Northern Ireland.
constexpr std::array<VatIdLength, 28> vatIdLengths = {{
    {"AT", len(9)},                    // U and 8 digits
    {"BE", len(10)},                   //
    {"BG", len(9) | len(10)},          //
    {"CY", len(9)},                    //
    {"CZ", len(8) | len(9) | len(10)}, //
    {"DE", len(9)},                    //
    {"DK", len(8)},                    //
    {"EE", len(9)},                    //
    {"EL", len(9)},                    // Greece
    {"ES", len(9)},                    //
    {"FI", len(8)},                    //
    {"FR", len(11)},                   //
    {"HR", len(11)},                   //
    {"HU", len(8)},                    //
    {"IE", len(8) | len(9)},           //
    {"IT", len(11)},                   //
    {"LT", len(9) | len(12)},          //
    {"LU", len(8)},                    //
    {"LV", len(11)},                   //
    {"MT", len(8)},                    //
    {"NL", len(12)},                   // 9 digits, B, 2 digits
    {"PL", len(10)},                   //
    {"PT", len(9)},                    //
    {"RO", 0x7FCu},                    // 2 to 10 digits
    {"SE", len(12)},                   //
    {"SI", len(8)},                    //
    {"SK", len(10)},                   //
    {"XI", len(5) | len(9) | len(12)}, // Northern Ireland: GD or HA and 3 digits, 9 or 12 digits
}};

// "9", "9 oder 12", "8 bis 10", "5, 9 oder 12".
std::string lengthsText(unsigned lengths) {
    std::string text;
    int shown = 0, total = 0, first = -1, last = -1;
    for (int n = 0; n < 32; ++n)
        if (lengths & len(n)) {
            ++total;
            first = first < 0 ? n : first;
            last = n;
        }
    if (total > 2 && last - first + 1 == total)
        return std::to_string(first) + " bis " + std::to_string(last);
    for (int n = 0; n < 32; ++n)
        if (lengths & len(n)) {
            if (shown > 0)
                text += shown + 1 == total ? " oder " : ", ";
            text += std::to_string(n);
            ++shown;
        }
    return text;
}

} // namespace

std::string compactIdentifier(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.substr(i, 2) == "\u00A0") // a no-break space, as copied from a PDF
            ++i;
        else if (text[i] != ' ' && text[i] != '\t')
            result.push_back(text[i]);
    }
    return result;
}

std::string ibanProblem(std::string_view typed) {
    const std::string iban = compactIdentifier(typed);
    const bool form =
        iban.size() >= 15 && iban.size() <= 34 && isCountryCode(iban.substr(0, 2)) && isDigit(iban[2]) &&
        isDigit(iban[3]) &&
        std::all_of(iban.begin() + 4, iban.end(), [](char c) { return isDigit(c) || isCapital(c); });
    if (!form)
        return quoted(typed) + " hat nicht die Form einer IBAN (z.B. DE02 1203 0000 0000 2020 51)";
    // The country and check digits move to the end; letters count as 10 to
    // 35; the remainder by 97 must be 1.
    int remainder = 0;
    for (std::size_t i = 0; i < iban.size(); ++i) {
        const char c = iban[(i + 4) % iban.size()];
        const int value = isDigit(c) ? c - '0' : c - 'A' + 10;
        remainder = (remainder * (value < 10 ? 10 : 100) + value) % 97;
    }
    return remainder == 1 ? "" : quoted(typed) + " hat falsche Prüfziffern (Tippfehler?)";
}

std::string vatIdProblem(std::string_view typed) {
    const std::string vatId = compactIdentifier(typed);
    const std::string_view prefix = std::string_view(vatId).substr(0, 2);
    const std::string_view rest = std::string_view(vatId).substr(prefix.size());
    if (prefix == "GR")
        return quoted(typed) + " beginnt für Griechenland mit EL";
    if ((!isCountryCode(prefix) && prefix != "EL") || rest.empty())
        return quoted(typed) + " beginnt nicht mit einem Ländercode (z.B. DE123456789)";
    const auto known = std::find_if(vatIdLengths.begin(), vatIdLengths.end(),
                                    [&](const VatIdLength& entry) { return entry.prefix == prefix; });
    if (known == vatIdLengths.end())
        return {};
    if (!std::all_of(rest.begin(), rest.end(), [](char c) { return isDigit(c) || isCapital(c); }))
        return quoted(typed) + " enthält nach " + std::string(prefix) +
               " andere Zeichen als Ziffern und Großbuchstaben";
    if (rest.size() >= 32 || !(known->lengths & len(static_cast<int>(rest.size()))))
        return quoted(typed) + " hat nach " + std::string(prefix) + " " + std::to_string(rest.size()) +
               " statt " + lengthsText(known->lengths) + " Zeichen";
    return {};
}

} // namespace tallomir
