#include "amounts.h"

#include <algorithm>
#include <cstddef>

namespace tallomir {

namespace {

constexpr std::size_t slotCount = 3;

// The slots take their rates from the code lists, which the settings file may
// have changed after the state was made.
void syncSlotRates(DocumentState& state) {
    for (std::size_t i = 0; i < slotCount; ++i) {
        state.amounts.slots[i].rate = state.lists.vatRates[i];
    }
}

// VAT of a base at a rate, rounded to cents.
Decimal vatOf(const Decimal& base, const Decimal& rate) {
    return base.percentOf(rate).rounded(2);
}

// The allowance or charge of the form exists once an amount, a percentage or
// a reason is entered.
bool allowanceExists(const DocumentState& state) {
    return !state.amounts.allowanceValue.isZero() || !state.amounts.allowancePercentValue.isZero() ||
           !state.doc.allowanceReason.empty();
}

const char* chargeIndicatorFor(const Decimal& signedValue) {
    return signedValue.isNegative() ? "false" : "true";
}

// The reason code of a loaded allowance names an allowance, of a charge a
// charge: it goes when the one becomes the other.
void setChargeIndicator(InvoiceDocument& doc, const char* indicator) {
    if (doc.chargeIndicator != indicator)
        doc.allowanceReasonCode.clear();
    doc.chargeIndicator = indicator;
}

void applyAllowanceSlot(DocumentState& state, int slot) {
    AmountState& amounts = state.amounts;
    amounts.allowanceRate = state.lists.vatRates[static_cast<std::size_t>(slot)];
    amounts.allowanceRateChosen = true;
    state.doc.allowanceTaxPercent = formatDecimal2(amounts.allowanceRate);
    // The category follows from the rate when the totals are computed.
    state.doc.allowanceTaxCategory.clear();
    state.doc.allowanceTaxScheme = state.defaultTaxScheme;
}

// The rate an allowance or charge of a group carries: none outside the scope
// of VAT (O).
std::string ratePercentOf(const VatGroup& group) {
    return group.category == "O" ? std::string() : formatDecimal2(group.rate);
}

// The group of the lines the allowance or charge belongs to; none while it is
// to be chosen. With one group it is that group; else the group of the chosen
// rate: of the category it has (a loaded one, or the one it had), else of
// the document's "Steuerkennung", else the first category other than the
// standard rate's (several share 0 %), else the first.
const VatGroup* allowanceGroup(const DocumentState& state) {
    const std::vector<VatGroup>& groups = state.amounts.lineGroups;
    if (groups.size() == 1)
        return &groups.front();
    if (!state.amounts.allowanceRateChosen)
        return nullptr;
    const Decimal& rate = state.amounts.allowanceRate;
    const auto find = [&](auto fits) -> const VatGroup* {
        for (const VatGroup& group : groups)
            if (group.rate == rate && fits(group.category))
                return &group;
        return nullptr;
    };
    const std::string& kept = state.doc.allowanceTaxCategory;
    if (const VatGroup* group = find([&](const std::string& c) { return c == kept; }))
        return group;
    if (const VatGroup* group = find([&](const std::string& c) { return c == state.documentTaxCategory; }))
        return group;
    if (const VatGroup* group = find([](const std::string& c) { return c != "S"; }))
        return group;
    return find([](const std::string&) { return true; });
}

// The document's allowance/charge texts from the working values.
void updateAllowanceTexts(DocumentState& state) {
    InvoiceDocument& doc = state.doc;
    const AmountState& amounts = state.amounts;
    if (!amounts.allowancePercentValue.isZero()) {
        setChargeIndicator(doc, chargeIndicatorFor(amounts.allowancePercentValue));
        doc.allowanceAmount = formatDecimal2(amounts.allowanceValue.abs());
        doc.allowanceBaseAmount = formatDecimal2(amounts.linesTotal);
        doc.allowancePercent = formatDecimal2(amounts.allowancePercentValue.abs());
        return;
    }
    if (!amounts.allowanceValue.isZero()) {
        setChargeIndicator(doc, chargeIndicatorFor(amounts.allowanceValue));
        doc.allowanceAmount = formatDecimal2(amounts.allowanceValue.abs());
        doc.allowancePercent.clear();
        return;
    }
    // Nothing entered: an allowance row that exists (a reason or an amount)
    // still says what kind it is and carries a zero amount.
    if (!doc.allowanceReason.empty() || !doc.allowanceAmount.empty()) {
        if (doc.chargeIndicator.empty()) {
            doc.chargeIndicator = "false";
        }
        doc.allowanceAmount = "0.00";
        doc.allowancePercent.clear();
    }
}

// Where a category stands in the order of the breakdown: in the order of the
// code list, categories the list does not know after it.
std::size_t categoryRank(const DocumentState& state, const std::string& category) {
    const int index = findCode(state.lists.taxCategories, category);
    return index < 0 ? state.lists.taxCategories.size() : static_cast<std::size_t>(index);
}

// The order of the breakdown: by category as the list has them, then by
// rate, highest first.
void sortGroups(const DocumentState& state, std::vector<VatGroup>& groups) {
    std::stable_sort(groups.begin(), groups.end(), [&](const VatGroup& a, const VatGroup& b) {
        const std::size_t rankA = categoryRank(state, a.category), rankB = categoryRank(state, b.category);
        if (rankA != rankB)
            return rankA < rankB;
        if (a.category != b.category)
            return a.category < b.category;
        return a.rate > b.rate;
    });
}

// The group of a category and rate, made when there is none yet.
VatGroup& groupOf(std::vector<VatGroup>& groups, const std::string& category, const Decimal& rate) {
    for (VatGroup& group : groups)
        if (group.category == category && group.rate == rate)
            return group;
    VatGroup& group = groups.emplace_back();
    group.category = category;
    group.rate = rate;
    return group;
}

// A line's rate; a line outside the scope of VAT has none and counts as 0 %.
Decimal lineRate(const LineItem& line) {
    return parseNumber(line.lineVatPercent);
}

// Standard-rated and zero-rated groups carry no exemption reason.
bool hasExemptionReason(const std::string& category) {
    return category != "S" && category != "Z";
}

VatBreakdownEntry makeEntry(const DocumentState& state, const VatGroup& group, const Decimal& documentTax) {
    VatBreakdownEntry entry;
    entry.documentTaxTotal = formatDecimal2(documentTax);
    entry.taxableAmount = formatDecimal2(group.base);
    entry.taxAmount = formatDecimal2(group.tax);
    if (hasExemptionReason(group.category)) {
        entry.exemptionReason = exemptionReasonOf(state, group.category);
        const auto code = state.exemptionReasonCodes.find(group.category);
        if (code != state.exemptionReasonCodes.end())
            entry.exemptionReasonCode = code->second;
    }
    entry.categoryCode = group.category;
    entry.ratePercent = formatDecimal2(group.rate);
    entry.schemeId = state.defaultTaxScheme;
    return entry;
}

} // namespace

std::vector<AllowanceCharge> writtenAllowances(const DocumentState& state) {
    const InvoiceDocument& doc = state.doc;
    if (doc.allowanceReason.empty())
        return {};
    if (!state.amounts.allowanceSplit.empty())
        return state.amounts.allowanceSplit;
    return {{doc.chargeIndicator, doc.allowanceReasonCode, doc.allowanceReason, doc.allowancePercent,
             doc.allowanceAmount, doc.allowanceBaseAmount, doc.allowanceTaxCategory, doc.allowanceTaxPercent,
             doc.allowanceTaxScheme}};
}

std::string exemptionReasonOf(const DocumentState& state, const std::string& category) {
    const auto chosen = state.exemptionReasons.find(category);
    if (chosen != state.exemptionReasons.end())
        return chosen->second;
    const int index = findCode(state.lists.taxCategories, category);
    return index < 0 ? std::string() : state.lists.taxCategories[static_cast<std::size_t>(index)].text;
}

void fitRateToCategory(LineItem& line) {
    if (line.lineTaxCategory == "O")
        line.lineVatPercent.clear();
    else if (line.lineTaxCategory != "S")
        line.lineVatPercent = "0.00";
}

std::string formatUnitPrice(const Decimal& price) {
    std::string text = price.rounded(4).toPlainString();
    std::size_t point = text.find('.');
    if (point == std::string::npos) {
        point = text.size();
        text += '.';
    }
    while (text.size() - point - 1 > 2 && text.back() == '0')
        text.pop_back();
    while (text.size() - point - 1 < 2)
        text += '0';
    return text == "-0.00" ? "0.00" : text;
}

bool hasOwnTaxCurrency(const DocumentState& state) {
    const InvoiceDocument& doc = state.doc;
    return !doc.loadedTaxCurrency.empty() && doc.loadedTaxCurrency != state.documentCurrency &&
           !doc.taxCurrencyTaxAmount.empty();
}

Decimal lineAllowanceAmount(const LineItem& line, const AllowanceCharge& entry) {
    if (entry.percent.empty())
        return parseNumber(entry.amount);
    const Decimal percent = parseNumber(entry.percent);
    if (!entry.baseAmount.empty())
        return parseNumber(entry.baseAmount).percentOf(percent).rounded(2);
    // Of quantity × price ÷ base quantity, exact, rounded once.
    const Decimal part = (parseNumber(line.quantity) * parseNumber(line.unitPrice)).percentOf(percent);
    const Decimal base = parseNumber(line.baseQuantity);
    return base > Decimal() ? part.dividedBy(base, 2) : part.rounded(2);
}

void settleLineAllowances(LineItem& line) {
    for (AllowanceCharge& entry : line.allowances)
        if (!entry.percent.empty())
            entry.amount = formatDecimal2(lineAllowanceAmount(line, entry));
}

AllowanceCharge writtenLineAllowance(const LineItem& line, const AllowanceCharge& entry) {
    AllowanceCharge written = entry;
    if (!entry.percent.empty() && entry.baseAmount.empty()) {
        const Decimal price = parseNumber(line.quantity) * parseNumber(line.unitPrice);
        const Decimal base = parseNumber(line.baseQuantity);
        written.baseAmount = formatDecimal2(base > Decimal() ? price.dividedBy(base, 2) : price);
    }
    return written;
}

std::string computeLineNetAmount(const LineItem& line) {
    Decimal adjustments;
    for (const AllowanceCharge& entry : line.allowances) {
        const Decimal amount = lineAllowanceAmount(line, entry);
        adjustments += isCharge(entry.chargeIndicator) ? amount : -amount;
    }
    // quantity × price ÷ base quantity + adjustments, rounded once:
    // (quantity × price + base quantity × adjustments) ÷ base quantity.
    const Decimal price = parseNumber(line.quantity) * parseNumber(line.unitPrice);
    const Decimal base = parseNumber(line.baseQuantity);
    return formatDecimal2(base > Decimal() ? (price + base * adjustments).dividedBy(base, 2)
                                           : (price + adjustments).rounded(2));
}

std::string lineGrossAmount(const LineItem& line) {
    const Decimal net = parseNumber(line.lineNetAmount);
    return formatDecimal2(net + vatOf(net, lineRate(line)));
}

void recomputeLines(DocumentState& state) {
    syncSlotRates(state);
    AmountState& amounts = state.amounts;
    amounts.lineGroups.clear();
    amounts.linesTotal = Decimal();
    // Few groups and many lines: the last group found is tried first.
    VatGroup* last = nullptr;
    for (const LineItem& line : state.lines) {
        const Decimal net = parseNumber(line.lineNetAmount);
        const Decimal rate = lineRate(line);
        if (last == nullptr || last->category != line.lineTaxCategory || last->rate != rate)
            last = &groupOf(amounts.lineGroups, line.lineTaxCategory, rate);
        last->netSum += net;
        amounts.linesTotal += net;
    }
    sortGroups(state, amounts.lineGroups);
}

void recomputeTotals(DocumentState& state) {
    syncSlotRates(state);
    AmountState& amounts = state.amounts;
    InvoiceDocument& doc = state.doc;

    // The groups of the lines, made anew from them each time, with the
    // allowances and charges in theirs; the VAT is rounded per group before
    // it is summed.
    std::vector<VatGroup>& groups = amounts.groups;
    groups = amounts.lineGroups;
    for (VatGroup& group : groups)
        group.base = group.netSum;
    amounts.allowanceSplit.clear();
    const bool exists = allowanceExists(state);
    if (exists && doc.allowanceTaxScheme.empty())
        doc.allowanceTaxScheme = state.defaultTaxScheme;
    if (exists && !amounts.allowancePercentValue.isZero() && groups.size() > 1) {
        // A percentage over lines of several groups: one part per group, on
        // its base, rounded to cents each.
        amounts.allowanceValue = Decimal();
        for (VatGroup& group : groups) {
            const Decimal part = group.netSum.percentOf(amounts.allowancePercentValue).rounded(2);
            amounts.allowanceValue += part;
            group.base += part;
            amounts.allowanceSplit.push_back(
                {chargeIndicatorFor(part), doc.allowanceReasonCode, doc.allowanceReason,
                 formatDecimal2(amounts.allowancePercentValue.abs()), formatDecimal2(part.abs()),
                 formatDecimal2(group.netSum), group.category, ratePercentOf(group), doc.allowanceTaxScheme});
        }
        doc.allowanceTaxCategory.clear();
        doc.allowanceTaxPercent.clear();
    } else {
        // A percentage applies to the sum of all lines.
        amounts.allowanceValue = amounts.allowancePercentValue.isZero()
                                     ? amounts.allowanceValue.rounded(2)
                                     : amounts.linesTotal.percentOf(amounts.allowancePercentValue).rounded(2);
        // An allowance or charge belongs to a group of the lines, also while
        // its amount is zero; without one the choice is cleared and the check
        // asks for it. Without lines the choice waits for them.
        const VatGroup* chosen = exists ? allowanceGroup(state) : nullptr;
        if (chosen != nullptr) {
            amounts.allowanceRate = chosen->rate;
            amounts.allowanceRateChosen = true;
            doc.allowanceTaxCategory = chosen->category;
            doc.allowanceTaxPercent = ratePercentOf(*chosen);
            groupOf(groups, chosen->category, chosen->rate).base += amounts.allowanceValue;
        } else if (exists && !groups.empty()) {
            amounts.allowanceRateChosen = false;
            doc.allowanceTaxCategory.clear();
            doc.allowanceTaxPercent.clear();
        }
    }
    amounts.netTotal = amounts.linesTotal + amounts.allowanceValue;

    // The further allowances and charges of a loaded file count as they stand,
    // each in the group of its category and rate.
    for (const AllowanceCharge& entry : doc.furtherAllowances) {
        const Decimal value = signedAmount(entry);
        amounts.netTotal += value;
        groupOf(groups, entry.taxCategory, parseNumber(entry.taxPercent)).base += value;
    }
    sortGroups(state, groups);
    amounts.taxTotal = Decimal();
    for (VatGroup& group : groups) {
        group.tax = vatOf(group.base, group.rate);
        amounts.taxTotal += group.tax;
    }
    amounts.grossTotal = amounts.netTotal + amounts.taxTotal;

    // The amount due: the gross total less what was paid before, plus the
    // rounding a loaded file gives.
    amounts.payable = amounts.grossTotal - parseNumber(doc.prepaidAmount) + parseNumber(doc.roundingAmount);

    updateAllowanceTexts(state);

    // The sums of the allowances and of the charges that are written.
    Decimal allowanceSum, chargeSum;
    bool anyAllowance = false, anyCharge = false;
    const auto count = [&](const std::string& indicator, const std::string& amount) {
        (isCharge(indicator) ? chargeSum : allowanceSum) += parseNumber(amount);
        (isCharge(indicator) ? anyCharge : anyAllowance) = true;
    };
    for (const AllowanceCharge& entry : writtenAllowances(state))
        count(entry.chargeIndicator, entry.amount);
    for (const AllowanceCharge& entry : doc.furtherAllowances)
        count(entry.chargeIndicator, entry.amount);
    doc.allowanceTotalAmount = anyAllowance ? formatDecimal2(allowanceSum) : "";
    doc.chargeTotalAmount = anyCharge ? formatDecimal2(chargeSum) : "";

    doc.lineExtensionAmount = formatDecimal2(amounts.linesTotal);
    doc.taxExclusiveAmount = formatDecimal2(amounts.netTotal);
    doc.taxTotalAmount = formatDecimal2(amounts.taxTotal);
    doc.taxInclusiveAmount = formatDecimal2(amounts.grossTotal);
    doc.payableAmount = formatDecimal2(amounts.payable);

    // One breakdown entry per group, also when its amounts are zero.
    state.vatBreakdown.clear();
    for (const VatGroup& group : groups)
        state.vatBreakdown.push_back(makeEntry(state, group, amounts.taxTotal));
}

// An allowance lowers the amounts, a charge raises them; "false" marks the
// allowance.
bool isCharge(const std::string& indicator) {
    return indicator != "false";
}

Decimal signedAmount(const AllowanceCharge& entry) {
    const Decimal amount = parseNumber(entry.amount);
    return isCharge(entry.chargeIndicator) ? amount : -amount;
}

int allowanceSlotShown(const AmountState& amounts) {
    if (!amounts.allowanceSplit.empty() || !amounts.allowanceRateChosen)
        return -1;
    int slot = -1;
    for (std::size_t i = 0; i < slotCount; ++i)
        if (amounts.slots[i].rate == amounts.allowanceRate)
            slot = static_cast<int>(i);
    return slot;
}

void enterAllowanceReason(DocumentState& state, const std::string& text) {
    if (state.doc.allowanceReason != text) {
        state.modified = true;
    }
    state.doc.allowanceReason = text;
    recomputeTotals(state);
}

void enterAllowanceValue(DocumentState& state, const std::string& text) {
    AmountState& amounts = state.amounts;
    InvoiceDocument& doc = state.doc;
    const Decimal value = parseDecimal(text).rounded(2);
    if (value != amounts.allowanceValue || !amounts.allowancePercentValue.isZero()) {
        state.modified = true;
    }
    amounts.allowanceValue = value;
    if (!value.isZero()) {
        // Switching from percentage to value mode: the base belonged to the percentage.
        if (!amounts.allowancePercentValue.isZero()) {
            doc.allowanceBaseAmount.clear();
        }
        setChargeIndicator(doc, chargeIndicatorFor(value));
        doc.allowanceAmount = formatDecimal2(value.abs());
        amounts.allowancePercentValue = Decimal();
        doc.allowancePercent.clear();
    } else {
        doc.allowanceAmount = "0.00";
    }
    recomputeTotals(state);
}

void enterAllowancePercent(DocumentState& state, const std::string& text) {
    AmountState& amounts = state.amounts;
    InvoiceDocument& doc = state.doc;
    const Decimal percent = parseDecimal(text).rounded(2);
    if (percent != amounts.allowancePercentValue) {
        state.modified = true;
    }
    if (!percent.isZero()) {
        amounts.allowancePercentValue = percent;
        setChargeIndicator(doc, chargeIndicatorFor(percent));
        doc.allowancePercent = formatDecimal2(percent.abs());
        amounts.allowanceValue = Decimal();
        doc.allowanceAmount = "0.00";
    } else {
        if (!amounts.allowancePercentValue.isZero()) {
            doc.allowanceBaseAmount.clear();
        }
        amounts.allowancePercentValue = Decimal();
        doc.allowancePercent.clear();
    }
    recomputeTotals(state);
}

void chooseAllowanceSlot(DocumentState& state, int slot) {
    if (slot < 0 || slot >= static_cast<int>(slotCount)) {
        return;
    }
    const Decimal rate = state.lists.vatRates[static_cast<std::size_t>(slot)];
    if (!state.amounts.allowanceRateChosen || state.amounts.allowanceRate != rate ||
        allowanceSlotShown(state.amounts) != slot) {
        state.modified = true;
    }
    applyAllowanceSlot(state, slot);
    recomputeTotals(state);
}

} // namespace tallomir
