#include "form/line_allowances.h"

#include "invoice/amounts.h"

#include <optional>

namespace tallomir {

namespace {

constexpr const char* allowanceKind = "Nachlass";
constexpr const char* chargeKind = "Zuschlag";

bool blank(const std::string& text) {
    return text.find_first_not_of(" \t") == std::string::npos;
}

std::string trimmedText(const std::string& text) {
    if (blank(text))
        return {};
    const std::size_t first = text.find_first_not_of(" \t");
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A number of the dialog: nothing when empty; the message when it is no
// number or negative.
struct Number {
    std::optional<Decimal> value;
    std::string problem;
};

Number readNumber(const std::string& label, const std::string& text, bool percent) {
    if (blank(text))
        return {};
    const std::optional<TypedNumber> read = readTypedText(text, percent);
    if (!read)
        return {std::nullopt, label + " \u201E" + trimmedText(text) + "\u201C ist keine Zahl"};
    if (read->value.isNegative())
        return {std::nullopt, label + " darf nicht negativ sein"};
    return {read->value, {}};
}

std::string shown(const std::string& stored, int minDecimals, int maxDecimals) {
    const std::optional<Decimal> value = readStoredNumber(stored);
    return value ? formatGerman(*value, minDecimals, maxDecimals, false) : stored;
}

// The entry of one row, or the message why it cannot be one.
std::string entryOf(const LineAllowanceTexts& row, std::size_t number, AllowanceCharge& entry) {
    const std::string kind = trimmedText(row.kind);
    const bool charge = kind == chargeKind;
    std::string where =
        std::string(charge ? chargeKind : allowanceKind) + " in Zeile " + std::to_string(number);
    if (!kind.empty() && !charge && kind != allowanceKind)
        return "Zeile " + std::to_string(number) + ": Art \u201E" + kind +
               "\u201C ist weder Nachlass noch Zuschlag";
    where += ": ";
    const Number amount = readNumber("Betrag", row.amount, false);
    const Number percent = readNumber("Prozent", row.percent, true);
    const Number base = readNumber("Basis", row.baseAmount, false);
    for (const Number* number : {&amount, &percent, &base})
        if (!number->problem.empty())
            return where + number->problem;
    if (!amount.value && !percent.value)
        return where + "Betrag oder Prozent fehlt";
    entry.chargeIndicator = charge ? "true" : "false";
    entry.reason = trimmedText(row.reason);
    entry.reasonCode = trimmedText(row.reasonCode);
    if (entry.reason.empty() && entry.reasonCode.empty())
        return where + "Grund oder Grund-Code fehlt";
    if (percent.value) {
        entry.percent = percent.value->toPlainString();
        entry.baseAmount = base.value ? formatDecimal2(*base.value) : std::string();
    } else {
        entry.amount = formatDecimal2(*amount.value);
        entry.baseAmount = base.value ? formatDecimal2(*base.value) : std::string();
    }
    return {};
}

} // namespace

std::vector<LineAllowanceTexts> lineAllowanceTexts(const LineItem& line) {
    std::vector<LineAllowanceTexts> rows;
    for (const AllowanceCharge& entry : line.allowances)
        rows.push_back({isCharge(entry.chargeIndicator) ? chargeKind : allowanceKind,
                        shown(entry.amount, 2, 2), shown(entry.percent, 0, 30), shown(entry.baseAmount, 2, 2),
                        entry.reason, entry.reasonCode});
    return rows;
}

std::string setLineAllowances(Form& form, const std::vector<LineAllowanceTexts>& rows) {
    LineItem line = form.lineEditBuffer;
    line.allowances.clear();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const LineAllowanceTexts& row = rows[i];
        if (blank(row.kind) && blank(row.amount) && blank(row.percent) && blank(row.baseAmount) &&
            blank(row.reason) && blank(row.reasonCode))
            continue;
        AllowanceCharge entry;
        if (std::string problem = entryOf(row, i + 1, entry); !problem.empty())
            return problem;
        line.allowances.push_back(std::move(entry));
    }
    settleLineAllowances(line);
    if (std::string problem = lineAllowanceProblem(line); !problem.empty())
        return problem;
    form.lineEditBuffer = std::move(line);
    return {};
}

std::string lineAllowanceProblem(const LineItem& line) {
    Decimal allowances, charges;
    for (const AllowanceCharge& entry : line.allowances)
        (isCharge(entry.chargeIndicator) ? charges : allowances) += lineAllowanceAmount(line, entry);
    // The line's own amount, exact: quantity × price ÷ base quantity.
    const Decimal price = parseNumber(line.quantity) * parseNumber(line.unitPrice);
    const Decimal baseQuantity = parseNumber(line.baseQuantity);
    const Decimal amount = baseQuantity > Decimal() ? price.dividedBy(baseQuantity, 2) : price.rounded(2);
    if (allowances.isZero() || amount.isNegative() || allowances <= amount + charges)
        return {};
    return "Die Nachlässe (" + formatGerman(allowances, 2, 2) + ") sind größer als die Position (" +
           formatGerman(amount + charges, 2, 2) + ")";
}

} // namespace tallomir
