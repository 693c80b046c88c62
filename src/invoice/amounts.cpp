#include "amounts.h"

#include <cstddef>

namespace tallomir {

namespace {

constexpr std::size_t slotCount = 3;
constexpr std::size_t exemptSlot = 2;

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

// The exemption text for the exempt slot: the display text of the tax
// category the document uses, when it is one of the two tax-free ones.
std::string exemptionReasonFor(const DocumentState& state) {
    const auto& categories = state.lists.taxCategories;
    for (std::size_t i = 1; i < 3 && i < categories.size(); ++i) {
        if (state.documentTaxCategory == categories[i].code) {
            return categories[i].text;
        }
    }
    return {};
}

// A rate for the allowance/charge counts once it was picked, loaded or taken
// over from the shown selection.
bool allowanceRateInEffect(const DocumentState& state) {
    return state.amounts.allowanceRateChosen || !state.doc.allowanceTaxPercent.empty();
}

const char* chargeIndicatorFor(const Decimal& signedValue) {
    return signedValue.isNegative() ? "false" : "true";
}

void applyAllowanceSlot(DocumentState& state, int slot) {
    AmountState& amounts = state.amounts;
    amounts.allowanceRate = state.lists.vatRates[static_cast<std::size_t>(slot)];
    amounts.allowanceRateChosen = true;
    state.doc.allowanceTaxPercent = formatDecimal2(amounts.allowanceRate);
    state.doc.allowanceTaxCategory = state.documentTaxCategory;
    state.doc.allowanceTaxScheme = state.defaultTaxScheme;
    state.footer.allowanceSlot = slot;
}

// An amount or percentage was entered while "USt. %" still shows its initial
// selection: that selection applies as if it had been picked.
void applyShownSlotIfNoneChosen(DocumentState& state) {
    if (allowanceRateInEffect(state)) {
        return;
    }
    int slot = state.footer.allowanceSlot;
    if (slot < 0 || slot >= static_cast<int>(slotCount)) {
        slot = 0;
    }
    applyAllowanceSlot(state, slot);
}

bool slotReceivesAllowance(const DocumentState& state, std::size_t slot) {
    return allowanceRateInEffect(state) && state.amounts.allowanceRate == state.amounts.slots[slot].rate;
}

// The document's allowance/charge texts from the working values.
void updateAllowanceTexts(DocumentState& state) {
    InvoiceDocument& doc = state.doc;
    const AmountState& amounts = state.amounts;
    if (!amounts.allowancePercentValue.isZero()) {
        doc.chargeIndicator = chargeIndicatorFor(amounts.allowancePercentValue);
        doc.allowanceAmount = formatDecimal2(amounts.allowanceValue.abs());
        doc.allowanceBaseAmount = formatDecimal2(amounts.linesTotal);
        doc.allowancePercent = formatDecimal2(amounts.allowancePercentValue.abs());
        return;
    }
    if (!amounts.allowanceValue.isZero()) {
        doc.chargeIndicator = chargeIndicatorFor(amounts.allowanceValue);
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

// What the entry of "Wert" or "Prozent" gives: a negative one lowers the
// amount, a positive one raises it.
const char* allowanceKind(const AmountState& amounts) {
    const Decimal& entry =
        amounts.allowancePercentValue.isZero() ? amounts.allowanceValue : amounts.allowancePercentValue;
    return entry.isNegative() ? "Nachlass" : entry.isZero() ? "" : "Zuschlag";
}

// An amount of the footer as a person reads it: "1.234,56". The editable
// fields show theirs without grouping, so that reading them back is plain.
std::string shown(const Decimal& amount, bool grouping = true) {
    return formatGerman(amount, 2, 2, grouping);
}

VatBreakdownEntry makeEntry(const DocumentState& state, std::size_t slot, const Decimal& base,
                            const Decimal& tax, const Decimal& documentTax) {
    VatBreakdownEntry entry;
    entry.documentTaxTotal = formatDecimal2(documentTax);
    entry.taxableAmount = formatDecimal2(base);
    entry.taxAmount = formatDecimal2(tax);
    entry.exemptionReason = slot == exemptSlot ? exemptionReasonFor(state) : std::string();
    entry.categoryCode = state.documentTaxCategory;
    entry.ratePercent = formatDecimal2(state.amounts.slots[slot].rate);
    entry.schemeId = state.defaultTaxScheme;
    return entry;
}

} // namespace

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

std::string computeLineNetAmount(const LineItem& line) {
    return formatDecimal2((parseNumber(line.quantity) * parseNumber(line.unitPrice)).rounded(2));
}

std::string lineGrossAmount(const LineItem& line) {
    const Decimal net = parseNumber(line.lineNetAmount);
    return formatDecimal2(net + vatOf(net, parseNumber(line.lineVatPercent)));
}

void recomputeLines(DocumentState& state) {
    syncSlotRates(state);
    AmountState& amounts = state.amounts;
    for (auto& slot : amounts.slots) {
        slot.taxSum = Decimal();
        slot.netSum = Decimal();
    }
    amounts.rateBase = {};
    amounts.linesTotal = Decimal();

    for (const LineItem& line : state.lines) {
        const Decimal net = parseNumber(line.lineNetAmount);
        const Decimal rate = parseNumber(line.lineVatPercent);
        const Decimal lineTax = vatOf(net, rate);
        // Each slot is tested on its own; a rate matching no slot counts only
        // in the lines total.
        for (std::size_t i = 0; i < slotCount; ++i) {
            if (amounts.slots[i].rate == rate) {
                if (i != exemptSlot) {
                    amounts.slots[i].taxSum += lineTax;
                }
                amounts.slots[i].netSum += net;
                amounts.rateBase[i] = amounts.slots[i].netSum;
            }
        }
        amounts.linesTotal += net;
    }

    Decimal documentTax;
    for (std::size_t i = 0; i < slotCount; ++i) {
        if (!amounts.rateBase[i].isZero()) {
            documentTax += amounts.slots[i].taxSum;
        }
    }
    state.vatBreakdown.clear();
    for (std::size_t i = 0; i < slotCount; ++i) {
        if (!amounts.rateBase[i].isZero()) {
            state.vatBreakdown.push_back(
                makeEntry(state, i, amounts.slots[i].netSum, amounts.slots[i].taxSum, documentTax));
        }
    }
}

void recomputeTotals(DocumentState& state) {
    syncSlotRates(state);
    AmountState& amounts = state.amounts;
    InvoiceDocument& doc = state.doc;
    FooterView& footer = state.footer;

    // The selection of "USt. %" follows the rate in effect: the highest slot
    // with that rate; a rate no slot has leaves the selection as it is.
    if (allowanceRateInEffect(state)) {
        for (std::size_t i = 0; i < slotCount; ++i) {
            if (amounts.slots[i].rate == amounts.allowanceRate) {
                footer.allowanceSlot = static_cast<int>(i);
            }
        }
    }

    // A percentage applies to the sum of all lines, whatever their rates.
    if (!amounts.allowancePercentValue.isZero()) {
        amounts.allowanceValue = amounts.linesTotal.percentOf(amounts.allowancePercentValue).rounded(2);
    } else {
        amounts.allowanceValue = amounts.allowanceValue.rounded(2);
    }
    amounts.netTotal = amounts.linesTotal + amounts.allowanceValue;

    amounts.taxTotal = Decimal();
    for (std::size_t i = 0; i < slotCount; ++i) {
        Decimal base = amounts.slots[i].netSum;
        if (slotReceivesAllowance(state, i)) {
            base += amounts.allowanceValue;
        }
        amounts.rateBase[i] = base;
        amounts.rateTax[i] =
            (i == exemptSlot || base.isZero()) ? Decimal() : vatOf(base, amounts.slots[i].rate);
        amounts.taxTotal += amounts.rateTax[i];
    }
    amounts.grossTotal = amounts.netTotal + amounts.taxTotal;

    Decimal payable = amounts.grossTotal;
    if (!doc.prepaidAmount.empty()) {
        payable -= parseNumber(doc.prepaidAmount);
    }

    updateAllowanceTexts(state);

    doc.lineExtensionAmount = formatDecimal2(amounts.linesTotal);
    doc.taxExclusiveAmount = formatDecimal2(amounts.netTotal);
    doc.taxTotalAmount = formatDecimal2(amounts.taxTotal);
    doc.taxInclusiveAmount = formatDecimal2(amounts.grossTotal);
    doc.payableAmount = formatDecimal2(payable);

    // One breakdown entry and one footer row per slot with a base, in slot order.
    state.vatBreakdown.clear();
    footer.rows = {};
    std::size_t row = 0;
    for (std::size_t i = 0; i < slotCount; ++i) {
        if (amounts.rateBase[i].isZero()) {
            continue;
        }
        VatBreakdownEntry entry =
            makeEntry(state, i, amounts.rateBase[i], amounts.rateTax[i], amounts.taxTotal);
        footer.rows[row] = FooterRow{shown(parseNumber(entry.ratePercent)), shown(amounts.rateBase[i]),
                                     shown(amounts.rateTax[i])};
        ++row;
        state.vatBreakdown.push_back(std::move(entry));
    }

    footer.linesTotal = shown(amounts.linesTotal);
    footer.allowanceReason = doc.allowanceReason;
    footer.allowanceValue = shown(amounts.allowanceValue, false);
    footer.allowancePercent = shown(amounts.allowancePercentValue, false);
    footer.allowanceKind = allowanceKind(amounts);
    footer.netTotal = shown(amounts.netTotal);
    footer.taxTotal = shown(amounts.taxTotal);
    footer.grossTotal = shown(amounts.grossTotal);
    footer.payableTotal = shown(payable);
    footer.currency = state.documentCurrency;
}

void enterAllowanceReason(DocumentState& state, const std::string& text) {
    if (state.doc.allowanceReason != text) {
        state.modified = true;
    }
    state.doc.allowanceReason = text;
    state.footer.allowanceReason = text;
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
        doc.chargeIndicator = chargeIndicatorFor(value);
        doc.allowanceAmount = formatDecimal2(value.abs());
        amounts.allowancePercentValue = Decimal();
        doc.allowancePercent.clear();
        applyShownSlotIfNoneChosen(state);
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
        doc.chargeIndicator = chargeIndicatorFor(percent);
        doc.allowancePercent = formatDecimal2(percent.abs());
        amounts.allowanceValue = Decimal();
        doc.allowanceAmount = "0.00";
        applyShownSlotIfNoneChosen(state);
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
        state.footer.allowanceSlot != slot) {
        state.modified = true;
    }
    applyAllowanceSlot(state, slot);
    recomputeTotals(state);
}

} // namespace tallomir
