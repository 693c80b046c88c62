#pragma once

// What follows from an invoice's own terms: each line's net amount (BT-131),
// the VAT breakdown (BG-23) and the document totals (BG-22). One function
// computes them all; nothing of it is stored in the invoice.

#include "invoice.h"

#include <string>
#include <vector>

namespace tallomir::model {

// BG-23: one group of a VAT category and rate.
struct VatGroupTotal {
    std::string category;  // BT-118
    Amount rate;           // BT-119; none outside the scope of VAT (O)
    Decimal taxableAmount; // BT-116
    Decimal taxAmount;     // BT-117: taxable amount × rate, rounded to the cent

    bool operator==(const VatGroupTotal&) const = default;
};

struct Totals {
    std::vector<Decimal> lineNet; // BT-131, one per line
    Decimal lineNetSum;           // BT-106
    Amount allowanceSum;          // BT-107; none when there is no allowance
    Amount chargeSum;             // BT-108; none when there is no charge
    Decimal withoutVat;           // BT-109
    Decimal vatTotal;             // BT-110
    Decimal withVat;              // BT-112
    Decimal amountDue;            // BT-115
    std::vector<VatGroupTotal> breakdown;

    bool operator==(const Totals&) const = default;
};

// A line's net amount: quantity × net price ÷ base quantity (when one is
// given), less the line's allowances, plus its charges, rounded to the cent
// (half away from zero).
Decimal lineNetAmount(const Line& line);

// Every derived amount of the invoice. The breakdown has one group per
// category and rate a line, allowance or charge uses, ordered by
// `categoryOrder` (categories it does not name after it, by code), then by
// rate, highest first.
Totals computeTotals(const Invoice& invoice, const std::vector<std::string>& categoryOrder = {});

} // namespace tallomir::model
