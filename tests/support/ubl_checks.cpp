#include "ubl_checks.h"

#include "reference.h"
#include "xml/xml.h"

#include <array>
#include <cstdio>
#include <optional>
#include <string_view>
#include <sys/wait.h>

namespace tallomir::testing {

namespace {

// Amounts read from the file as whole millionths, independent of the
// program's own decimal type, so the check does not share its faults.
using Fixed = __int128;
constexpr int fixedDecimals = 6;
constexpr Fixed fixedOne = 1'000'000;

std::optional<Fixed> parseFixed(std::string_view text) {
    while (!text.empty() &&
           (text.front() == ' ' || text.front() == '\t' || text.front() == '\r' || text.front() == '\n')) {
        text.remove_prefix(1);
    }
    while (!text.empty() &&
           (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n')) {
        text.remove_suffix(1);
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    Fixed value = 0;
    int decimals = -1;
    bool digits = false;
    for (char c : text) {
        if (c == '.' && decimals < 0) {
            decimals = 0;
            continue;
        }
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        digits = true;
        if (decimals >= 0) {
            if (decimals == fixedDecimals) {
                return std::nullopt; // more decimals than any amount or rate of an invoice has
            }
            ++decimals;
        }
        value = value * 10 + (c - '0');
    }
    if (!digits) {
        return std::nullopt;
    }
    for (int i = decimals < 0 ? 0 : decimals; i < fixedDecimals; ++i) {
        value *= 10;
    }
    return negative ? -value : value;
}

std::string formatFixed(Fixed value) {
    const bool negative = value < 0;
    if (negative) {
        value = -value;
    }
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(value % 10)));
        value /= 10;
    } while (value != 0);
    while (digits.size() <= fixedDecimals) {
        digits.insert(digits.begin(), '0');
    }
    digits.insert(digits.end() - fixedDecimals, '.');
    while (digits.back() == '0' && digits[digits.size() - 2] != '.') {
        digits.pop_back();
    }
    return (negative ? "-" : "") + digits;
}

// Whether `tax` is `base` × `percent` / 100 rounded to two decimals (an exact
// half may go either way, as the rounding direction of negative halves differs
// between tools).
bool isRoundedVat(Fixed tax, Fixed base, Fixed percent) {
    const Fixed exactTimes100 = base * percent; // scale 12, times 100
    const Fixed taxTimes100 = tax * fixedOne * 100;
    Fixed difference = taxTimes100 - exactTimes100;
    if (difference < 0) {
        difference = -difference;
    }
    const Fixed halfCentTimes100 = fixedOne * fixedOne / 200 * 100;
    return difference <= halfCentTimes100 && tax % (fixedOne / 100) == 0;
}

const xml::XmlNode* child(const xml::XmlNode* node, std::string_view name) {
    for (const xml::XmlNode* c = xml::firstChild(node); c != nullptr; c = xml::nextSibling(c)) {
        if (xml::nodeKind(c) == static_cast<int>(xml::NodeKind::Element) && xml::nodeName(c) == name) {
            return c;
        }
    }
    return nullptr;
}

std::vector<const xml::XmlNode*> children(const xml::XmlNode* node, std::string_view name) {
    std::vector<const xml::XmlNode*> result;
    for (const xml::XmlNode* c = xml::firstChild(node); c != nullptr; c = xml::nextSibling(c)) {
        if (xml::nodeKind(c) == static_cast<int>(xml::NodeKind::Element) && xml::nodeName(c) == name) {
            result.push_back(c);
        }
    }
    return result;
}

std::string trimmedText(const xml::XmlNode* node) {
    std::string text(xml::nodeText(node));
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

struct Reader {
    std::vector<std::string>& problems;

    // The amount of a child element; a missing or unreadable one is a problem
    // when required, else 0.
    std::optional<Fixed> amount(const xml::XmlNode* parent, std::string_view name, std::string_view where,
                                bool required) {
        const xml::XmlNode* node = child(parent, name);
        if (node == nullptr) {
            if (required) {
                problems.push_back(std::string(where) + ": " + std::string(name) + " is missing");
            }
            return std::nullopt;
        }
        const auto value = parseFixed(xml::nodeText(node));
        if (!value) {
            problems.push_back(std::string(where) + ": " + std::string(name) + " is no number: \"" +
                               std::string(xml::nodeText(node)) + "\"");
        }
        return value;
    }
};

struct TaxedAmount {
    Fixed amount = 0;
    std::string category;
    std::optional<Fixed> percent;
};

void expectEqual(std::vector<std::string>& problems, const char* rule, const std::string& what, Fixed actual,
                 Fixed expected) {
    if (actual != expected) {
        problems.push_back(std::string(rule) + ": " + what + " is " + formatFixed(actual) + ", expected " +
                           formatFixed(expected));
    }
}

// Net of everything in the category (and, where given, at the rate):
// lines + charges - allowances.
Fixed categoryNet(const std::vector<TaxedAmount>& lines, const std::vector<TaxedAmount>& allowances,
                  const std::vector<TaxedAmount>& charges, const std::string& category,
                  std::optional<Fixed> rate) {
    auto matches = [&](const TaxedAmount& a) {
        return a.category == category && (!rate || (a.percent && *a.percent == *rate));
    };
    Fixed sum = 0;
    for (const auto& l : lines) {
        if (matches(l)) {
            sum += l.amount;
        }
    }
    for (const auto& c : charges) {
        if (matches(c)) {
            sum += c.amount;
        }
    }
    for (const auto& a : allowances) {
        if (matches(a)) {
            sum -= a.amount;
        }
    }
    return sum;
}

} // namespace

std::vector<std::string> checkSumRules(const std::string& path) {
    std::vector<std::string> problems;
    const xml::DocumentPtr document = xml::loadDocument(path);
    if (!document) {
        problems.push_back("file " + path + " cannot be read");
        return problems;
    }
    if (xml::loadStatus(*document) != 0) {
        problems.push_back("file " + path + " is not well-formed: " + xml::loadErrorMessage(*document));
        return problems;
    }
    const xml::XmlNode* main = xml::mainElement(*document);
    const bool creditNote = xml::nodeName(main) == "ubl:CreditNote";
    if (!creditNote && xml::nodeName(main) != "ubl:Invoice") {
        problems.push_back("document element is " + std::string(xml::nodeName(main)));
        return problems;
    }
    Reader read{problems};

    // Lines.
    std::vector<TaxedAmount> lines;
    Fixed lineSum = 0;
    for (const xml::XmlNode* line : children(main, creditNote ? "cac:CreditNoteLine" : "cac:InvoiceLine")) {
        TaxedAmount entry;
        entry.amount = read.amount(line, "cbc:LineExtensionAmount", "line", true).value_or(0);
        const xml::XmlNode* category = child(child(line, "cac:Item"), "cac:ClassifiedTaxCategory");
        entry.category = trimmedText(child(category, "cbc:ID"));
        entry.percent = read.amount(category, "cbc:Percent", "line tax category", false);
        lineSum += entry.amount;
        lines.push_back(entry);
    }

    // Document-level allowances and charges.
    std::vector<TaxedAmount> allowances;
    std::vector<TaxedAmount> charges;
    for (const xml::XmlNode* ac : children(main, "cac:AllowanceCharge")) {
        TaxedAmount entry;
        entry.amount = read.amount(ac, "cbc:Amount", "allowance/charge", true).value_or(0);
        const xml::XmlNode* category = child(ac, "cac:TaxCategory");
        entry.category = trimmedText(child(category, "cbc:ID"));
        entry.percent = read.amount(category, "cbc:Percent", "allowance/charge tax category", false);
        const std::string indicator = trimmedText(child(ac, "cbc:ChargeIndicator"));
        if (indicator == "true") {
            charges.push_back(entry);
        } else if (indicator == "false") {
            allowances.push_back(entry);
        } else {
            problems.push_back("allowance/charge: ChargeIndicator is \"" + indicator + "\"");
        }
    }
    Fixed allowanceSum = 0;
    for (const auto& a : allowances) {
        allowanceSum += a.amount;
    }
    Fixed chargeSum = 0;
    for (const auto& c : charges) {
        chargeSum += c.amount;
    }

    // Totals.
    const xml::XmlNode* total = child(main, "cac:LegalMonetaryTotal");
    if (total == nullptr) {
        problems.push_back("cac:LegalMonetaryTotal is missing");
        return problems;
    }
    const Fixed lineExtension = read.amount(total, "cbc:LineExtensionAmount", "total", true).value_or(0);
    const Fixed taxExclusive = read.amount(total, "cbc:TaxExclusiveAmount", "total", true).value_or(0);
    const Fixed taxInclusive = read.amount(total, "cbc:TaxInclusiveAmount", "total", true).value_or(0);
    const auto allowanceTotal = read.amount(total, "cbc:AllowanceTotalAmount", "total", false);
    const auto chargeTotal = read.amount(total, "cbc:ChargeTotalAmount", "total", false);
    const Fixed prepaid = read.amount(total, "cbc:PrepaidAmount", "total", false).value_or(0);
    const Fixed rounding = read.amount(total, "cbc:PayableRoundingAmount", "total", false).value_or(0);
    const Fixed payable = read.amount(total, "cbc:PayableAmount", "total", true).value_or(0);

    expectEqual(problems, "BR-CO-10", "LineExtensionAmount", lineExtension, lineSum);
    if (allowanceTotal) {
        expectEqual(problems, "BR-CO-11", "AllowanceTotalAmount", *allowanceTotal, allowanceSum);
    } else if (!allowances.empty()) {
        problems.push_back("BR-CO-11: AllowanceTotalAmount is missing beside " +
                           std::to_string(allowances.size()) + " allowance(s)");
    }
    if (chargeTotal) {
        expectEqual(problems, "BR-CO-12", "ChargeTotalAmount", *chargeTotal, chargeSum);
    } else if (!charges.empty()) {
        problems.push_back("BR-CO-12: ChargeTotalAmount is missing beside " + std::to_string(charges.size()) +
                           " charge(s)");
    }
    expectEqual(problems, "BR-CO-13", "TaxExclusiveAmount", taxExclusive,
                lineExtension - allowanceTotal.value_or(0) + chargeTotal.value_or(0));

    // Tax total and breakdown.
    Fixed documentTax = 0;
    const xml::XmlNode* taxTotal = child(main, "cac:TaxTotal");
    if (taxTotal != nullptr) {
        documentTax = read.amount(taxTotal, "cbc:TaxAmount", "tax total", true).value_or(0);
        Fixed subtotalSum = 0;
        for (const xml::XmlNode* subtotal : children(taxTotal, "cac:TaxSubtotal")) {
            const Fixed taxable =
                read.amount(subtotal, "cbc:TaxableAmount", "tax subtotal", true).value_or(0);
            const Fixed tax = read.amount(subtotal, "cbc:TaxAmount", "tax subtotal", true).value_or(0);
            const xml::XmlNode* category = child(subtotal, "cac:TaxCategory");
            const std::string code = trimmedText(child(category, "cbc:ID"));
            const auto percent = read.amount(category, "cbc:Percent", "tax subtotal category", false);
            subtotalSum += tax;
            const std::string label =
                "subtotal " + code + " " + (percent ? formatFixed(*percent) : "-") + " %";
            if (percent && !isRoundedVat(tax, taxable, *percent)) {
                problems.push_back("BR-CO-17: " + label + ": tax " + formatFixed(tax) + " is not " +
                                   formatFixed(taxable) + " x " + formatFixed(*percent) + " % rounded");
            }
            if (code == "S") {
                expectEqual(problems, "BR-S-08", label + " TaxableAmount", taxable,
                            categoryNet(lines, allowances, charges, "S", percent.value_or(-1)));
                if (percent && !isRoundedVat(tax, taxable, *percent)) {
                    problems.push_back("BR-S-09: " + label + ": tax " + formatFixed(tax) +
                                       " does not follow");
                }
            } else if (code == "K" || code == "G") {
                const char* baseRule = code == "K" ? "BR-IC-08" : "BR-G-08";
                const char* taxRule = code == "K" ? "BR-IC-09" : "BR-G-09";
                expectEqual(problems, baseRule, label + " TaxableAmount", taxable,
                            categoryNet(lines, allowances, charges, code, std::nullopt));
                expectEqual(problems, taxRule, label + " TaxAmount", tax, 0);
            }
        }
        expectEqual(problems, "BR-CO-14", "TaxTotal/TaxAmount", documentTax, subtotalSum);
    }
    expectEqual(problems, "BR-CO-15", "TaxInclusiveAmount", taxInclusive, taxExclusive + documentTax);
    expectEqual(problems, "BR-CO-16", "PayableAmount", payable, taxInclusive - prepaid + rounding);
    return problems;
}

std::string validateWithXmllint(const std::string& path, bool isCreditNote) {
    if (testDataDir().empty())
        return missingTestDataMessage();
    const std::string schema = (testDataDir() / "ubl-2.1-xsd" / "maindoc" /
                                (isCreditNote ? "UBL-CreditNote-2.1.xsd" : "UBL-Invoice-2.1.xsd"))
                                   .string();
    auto quoted = [](const std::string& text) {
        std::string result = "'";
        for (char c : text) {
            if (c == '\'') {
                result += "'\\''";
            } else {
                result += c;
            }
        }
        return result + "'";
    };
    const std::string command = "xmllint --noout --schema " + quoted(schema) + " " + quoted(path) + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return "xmllint could not be started";
    }
    std::string output;
    std::array<char, 4096> buffer{};
    std::size_t count = 0;
    while ((count = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        output.append(buffer.data(), count);
    }
    const int status = ::pclose(pipe);
    if (status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        return {};
    }
    return output.empty() ? "xmllint failed with status " + std::to_string(status) : output;
}

} // namespace tallomir::testing
