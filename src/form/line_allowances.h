#pragma once

// The allowances and charges of the line in the editor, as the dialog
// "Nachlässe und Zuschläge" on "Positionen" and the command line give them.

#include "form/form.h"

#include <string>
#include <vector>

namespace tallomir {

// One allowance or charge as typed: one text per column of the dialog.
struct LineAllowanceTexts {
    std::string kind;   // "Nachlass" (also when empty) or "Zuschlag"
    std::string amount; // not used beside a percentage, whose amount is computed
    std::string percent;
    std::string baseAmount; // of the percentage; empty: the line's quantity × price
    std::string reason;
    std::string reasonCode;

    bool operator==(const LineAllowanceTexts&) const = default;
};

// The texts of a line's allowances and charges, numbers in the German form.
std::vector<LineAllowanceTexts> lineAllowanceTexts(const LineItem& line);

// Sets the allowances and charges of the line in the editor (rows with no
// text at all are left out) and computes the amounts of percentages. Gives
// "" when taken, else the German message why not, and the line stays as it
// was: a number that is none or is negative, neither amount nor percentage,
// neither reason nor reason code, allowances larger than the line.
std::string setLineAllowances(Form& form, const std::vector<LineAllowanceTexts>& entries);

// What is wrong with a line's allowances as they stand: allowances larger
// than the line's quantity × price with its charges; "" when nothing.
std::string lineAllowanceProblem(const LineItem& line);

} // namespace tallomir
