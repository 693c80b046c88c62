#pragma once

#include "model.h"

#include <string>
#include <vector>

namespace tallomir {

// A unit price as it is kept: at most four decimals (more are rounded, exact
// halves away from zero), at least two: "9.99", "0.1234", "10.00".
std::string formatUnitPrice(const Decimal& price);

// The exemption reason written for a tax category's group: the one last
// chosen from the list or loaded, else the text of the first list entry with
// that code.
std::string exemptionReasonOf(const DocumentState& state, const std::string& category);

// The rate a line of a category takes when it is given that category: none
// outside the scope of VAT (O), 0 % for the exempt and zero-rated categories;
// the standard rate keeps the line's own.
void fitRateToCategory(LineItem& line);

// A loaded file's VAT accounting currency (`loadedTaxCurrency`) is not the
// document's, and its VAT total in that currency is known: both are kept.
bool hasOwnTaxCurrency(const DocumentState& state);

// Net amount of a line: quantity × unit price (for its base quantity when it
// has one), less its allowances, plus its charges, rounded to two decimals
// once.
std::string computeLineNetAmount(const LineItem& line);
// The amount of a line's allowance or charge: of a percentage, its base (the
// line's quantity × price ÷ base quantity when none is given) × percentage ÷
// 100, rounded to cents; else the amount given.
Decimal lineAllowanceAmount(const LineItem& line, const AllowanceCharge& entry);
// The amount of each percentage allowance or charge of the line, from its base.
void settleLineAllowances(LineItem& line);
// A line's allowance or charge as the file holds it: a percentage without a
// base of its own names the line's quantity × price ÷ base quantity, rounded
// to cents, as its base.
AllowanceCharge writtenLineAllowance(const LineItem& line, const AllowanceCharge& entry);

// Gross amount of a line for the list view: net + net × rate / 100 rounded.
std::string lineGrossAmount(const LineItem& line);

// Rebuilds the slot sums, the bases and the VAT breakdown list from the lines.
void recomputeLines(DocumentState& state);

// Computes the allowance/charge effect, the VAT per slot and the totals; fills
// the breakdown entries and the monetary-total texts.
void recomputeTotals(DocumentState& state);
// An allowance lowers the amounts, a charge raises them; "false" marks the
// allowance. The amount of an entry with its sign.
bool isCharge(const std::string& indicator);
Decimal signedAmount(const AllowanceCharge& entry);
// The slot of "USt. %" that shows the allowance's rate: the highest slot with
// the rate in effect; -1 while none is chosen or a percentage is split.
int allowanceSlotShown(const AmountState& amounts);

// The allowance or charge of the form as the file holds it: none without a
// reason; one per group of the lines for a percentage over several groups
// (`AmountState::allowanceSplit`); else one, in the group chosen for it.
std::vector<AllowanceCharge> writtenAllowances(const DocumentState& state);

// Entry rules of the allowance/charge row ("Nachlass / Zuschlag", "Wert",
// "Prozent", "USt. %"). Each runs recomputeTotals where the row demands it.
void enterAllowanceReason(DocumentState& state, const std::string& text);
void enterAllowanceValue(DocumentState& state, const std::string& text);
void enterAllowancePercent(DocumentState& state, const std::string& text);
void chooseAllowanceSlot(DocumentState& state, int slot);

} // namespace tallomir
