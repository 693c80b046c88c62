#pragma once

#include "model.h"

#include <string>

namespace tallomir {

// Net amount of a line: quantity × unit price, rounded to two decimals.
std::string computeLineNetAmount(const LineItem& line);

// Gross amount of a line for the list view: net + net × rate / 100 rounded.
std::string lineGrossAmount(const LineItem& line);

// Rebuilds the slot sums, the bases and the VAT breakdown list from the lines.
// Sets currentLineIndex to the last line (-1 when there is none).
void recomputeLines(DocumentState& state);

// Computes the allowance/charge effect, the VAT per slot and the totals; fills
// the footer view, the breakdown entries and the monetary-total texts.
void recomputeTotals(DocumentState& state);

// Entry rules of the allowance/charge row ("Nachlass / Zuschlag", "Wert",
// "Prozent", "USt. %"). Each runs recomputeTotals where the row demands it.
void enterAllowanceReason(DocumentState& state, const std::string& text);
void enterAllowanceValue(DocumentState& state, const std::string& text);
void enterAllowancePercent(DocumentState& state, const std::string& text);
void chooseAllowanceSlot(DocumentState& state, int slot);

} // namespace tallomir
