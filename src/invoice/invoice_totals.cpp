#include "invoice_totals.h"

#include <algorithm>

namespace tallomir::model {

namespace {

Decimal signedAmount(const AllowanceCharge& entry) {
    const Decimal amount = entry.amount.value_or(Decimal());
    return entry.charge ? amount : -amount;
}

VatGroupTotal& groupOf(std::vector<VatGroupTotal>& groups, const std::string& category, const Amount& rate) {
    for (VatGroupTotal& group : groups)
        if (group.category == category && group.rate.value_or(Decimal()) == rate.value_or(Decimal()))
            return group;
    VatGroupTotal& group = groups.emplace_back();
    group.category = category;
    group.rate = rate;
    return group;
}

std::size_t rankOf(const std::vector<std::string>& order, const std::string& category) {
    return static_cast<std::size_t>(std::find(order.begin(), order.end(), category) - order.begin());
}

} // namespace

Decimal lineNetAmount(const Line& line) {
    Decimal adjustments;
    for (const AllowanceCharge& entry : line.allowancesCharges)
        adjustments += signedAmount(entry);
    // Rounded once, from the exact value: (quantity × price + base ×
    // adjustments) ÷ base.
    const Decimal base = line.price.baseQuantity.value_or(Decimal());
    if (base > Decimal())
        return (line.quantity * line.price.netPrice + base * adjustments).dividedBy(base, 2);
    return (line.quantity * line.price.netPrice + adjustments).rounded(2);
}

Totals computeTotals(const Invoice& invoice, const std::vector<std::string>& categoryOrder) {
    Totals totals;
    std::vector<VatGroupTotal>& groups = totals.breakdown;
    totals.lineNet.reserve(invoice.lines.size());
    VatGroupTotal* last = nullptr; // many lines, few groups: the last one is tried first
    for (const Line& line : invoice.lines) {
        const Decimal net = lineNetAmount(line);
        totals.lineNet.push_back(net);
        totals.lineNetSum += net;
        if (last == nullptr || last->category != line.vatCategory ||
            last->rate.value_or(Decimal()) != line.vatRate.value_or(Decimal()))
            last = &groupOf(groups, line.vatCategory, line.vatRate);
        last->taxableAmount += net;
    }
    totals.withoutVat = totals.lineNetSum;
    for (const AllowanceCharge& entry : invoice.allowancesCharges) {
        const Decimal amount = entry.amount.value_or(Decimal());
        Amount& sum = entry.charge ? totals.chargeSum : totals.allowanceSum;
        sum = sum.value_or(Decimal()) + amount;
        totals.withoutVat += signedAmount(entry);
        groupOf(groups, entry.vatCategory, entry.vatRate).taxableAmount += signedAmount(entry);
    }
    std::stable_sort(groups.begin(), groups.end(), [&](const VatGroupTotal& a, const VatGroupTotal& b) {
        const std::size_t rankA = rankOf(categoryOrder, a.category),
                          rankB = rankOf(categoryOrder, b.category);
        if (rankA != rankB)
            return rankA < rankB;
        if (a.category != b.category)
            return a.category < b.category;
        return a.rate.value_or(Decimal()) > b.rate.value_or(Decimal());
    });
    for (VatGroupTotal& group : groups) {
        group.taxAmount = group.taxableAmount.percentOf(group.rate.value_or(Decimal())).rounded(2);
        totals.vatTotal += group.taxAmount;
    }
    totals.withVat = totals.withoutVat + totals.vatTotal;
    totals.amountDue =
        totals.withVat - invoice.paidAmount.value_or(Decimal()) + invoice.roundingAmount.value_or(Decimal());
    return totals;
}

} // namespace tallomir::model
