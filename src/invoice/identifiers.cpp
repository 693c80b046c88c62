#include "identifiers.h"

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

bool isCountryCode(std::string_view code) {
    static constexpr std::string_view codes = " 1A AD AE AF AG AI AL AM AO AQ AR AS AT AU AW AX AZ BA BB BD "
                                              "BE BF BG BH BI BJ BL BM BN BO BQ BR BS BT"
                                              " BV BW BY BZ CA CC CD CF CG CH CI CK CL CM CN CO CR CU CV CW "
                                              "CX CY CZ DE DJ DK DM DO DZ EC EE EG EH ER"
                                              " ES ET FI FJ FK FM FO FR GA GB GD GE GF GG GH GI GL GM GN GP "
                                              "GQ GR GS GT GU GW GY HK HM HN HR HT HU ID"
                                              " IE IL IM IN IO IQ IR IS IT JE JM JO JP KE KG KH KI KM KN KP "
                                              "KR KW KY KZ LA LB LC LI LK LR LS LT LU LV"
                                              " LY MA MC MD ME MF MG MH MK ML MM MN MO MP MQ MR MS MT MU MV "
                                              "MW MX MY MZ NA NC NE NF NG NI NL NO NP NR"
                                              " NU NZ OM PA PE PF PG PH PK PL PM PN PR PS PT PW PY QA RE RO "
                                              "RS RU RW SA SB SC SD SE SG SH SI SJ SK SL"
                                              " SM SN SO SR SS ST SV SX SY SZ TC TD TF TG TH TJ TK TL TM TN "
                                              "TO TR TT TV TW TZ UA UG UM US UY UZ VA VC"
                                              " VE VG VI VN VU WF WS XI YE YT ZA ZM ZW ";
    return code.size() == 2 && codes.find(" " + std::string(code) + " ") != std::string_view::npos;
}

bool isEndpointScheme(std::string_view code) {
    static constexpr std::string_view codes =
        " 0002 0007 0009 0037 0060 0088 0096 0097 0106 0130 0135 0142 0147 0151 0154 0158 0170 0177 0183 0184"
        " 0188 0190 0191 0192 0193 0194 0195 0196 0198 0199 0200 0201 0202 0203 0204 0205 0208 0209 0210 0211"
        " 0212 0213 0215 0216 0217 0218 0219 0220 0221 0225 0230 0235 0240 0244 9910 9913 9914 9915 9918 9919"
        " 9920 9922 9923 9924 9925 9926 9927 9928 9929 9930 9931 9932 9933 9934 9935 9936 9937 9938 9939 9940"
        " 9941 9942 9943 9944 9945 9946 9947 9948 9949 9950 9951 9952 9953 9957 9959 AN AQ AS AU EM ";
    return !code.empty() && code.find(' ') == std::string_view::npos &&
           codes.find(" " + std::string(code) + " ") != std::string_view::npos;
}

const char* taxPointCodeName(std::string_view code) {
    if (code == "3")
        return "Rechnungsdatum";
    if (code == "35")
        return "Liefer- oder Leistungsdatum";
    if (code == "432")
        return "Zahlungsdatum";
    return nullptr;
}

bool isNoteSubjectCode(std::string_view code) {
    return code.size() == 3 &&
           std::all_of(code.begin(), code.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

bool hasIcdForm(std::string_view code) {
    return code.size() == 4 && std::all_of(code.begin(), code.end(), isDigit);
}

} // namespace tallomir
