#include "form/footer.h"

#include "invoice/amounts.h"

namespace tallomir {

namespace {

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

// One further allowance or charge as the footer lists it:
// "Nachlass Treuerabatt: -10,00 (19,00 %)".
std::string furtherAllowanceText(const AllowanceCharge& entry) {
    std::string text = isCharge(entry.chargeIndicator) ? "Zuschlag" : "Nachlass";
    const std::string& reason = entry.reason.empty() ? entry.reasonCode : entry.reason;
    if (!reason.empty())
        text += " " + reason;
    text += ": " + formatGerman(signedAmount(entry), 2, 2);
    std::string vat =
        entry.taxPercent.empty() ? "" : formatGerman(parseNumber(entry.taxPercent), 2, 2) + " %";
    if (entry.taxCategory != "S" && !entry.taxCategory.empty())
        vat += (vat.empty() ? "" : " ") + entry.taxCategory;
    return vat.empty() ? text : text + " (" + vat + ")";
}

// A text of the document as the footer shows it; "" stays "".
std::string shownIfGiven(const std::string& text) {
    return text.empty() ? std::string() : formatGerman(parseNumber(text), 2, 2);
}
} // namespace

FooterView footerView(const DocumentState& state) {
    const AmountState& amounts = state.amounts;
    const InvoiceDocument& doc = state.doc;
    FooterView footer;
    for (const VatGroup& group : amounts.groups)
        footer.rows.push_back(FooterRow{shown(group.rate), shown(group.base), shown(group.tax),
                                        group.category == "S" ? std::string() : group.category});
    footer.linesTotal = shown(amounts.linesTotal);
    footer.allowanceReason = doc.allowanceReason;
    footer.allowanceValue = shown(amounts.allowanceValue, false);
    footer.allowancePercent = shown(amounts.allowancePercentValue, false);
    footer.allowanceKind = allowanceKind(amounts);
    footer.allowanceSlot = allowanceSlotShown(amounts);
    for (const AllowanceCharge& part : amounts.allowanceSplit)
        footer.allowanceSplit += (footer.allowanceSplit.empty() ? "aufgeteilt: " : ", ") +
                                 formatGerman(signedAmount(part), 2, 2) + " (" +
                                 shown(parseNumber(part.taxPercent)) + " %" +
                                 (part.taxCategory == "S" ? "" : " " + part.taxCategory) + ")";
    footer.netTotal = shown(amounts.netTotal);
    footer.taxTotal = shown(amounts.taxTotal);
    footer.grossTotal = shown(amounts.grossTotal);
    footer.payableTotal = shown(amounts.payable);
    footer.currency = state.documentCurrency;
    for (const AllowanceCharge& entry : doc.furtherAllowances)
        footer.furtherAllowances +=
            (footer.furtherAllowances.empty() ? "" : "\n") + furtherAllowanceText(entry);
    footer.prepaidTotal = shownIfGiven(doc.prepaidAmount);
    footer.roundingAmount = shownIfGiven(doc.roundingAmount);
    footer.taxCurrencyTotal = hasOwnTaxCurrency(state) ? shownIfGiven(doc.taxCurrencyTaxAmount) : "";
    footer.taxCurrency = hasOwnTaxCurrency(state) ? doc.loadedTaxCurrency : "";
    return footer;
}

} // namespace tallomir
