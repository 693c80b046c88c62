#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tallomir {

// The forms of free text the document keeps.

// A text typed into a single-line field: line breaks and tabs (pasted with
// it) become single blanks.
std::string singleLineText(std::string_view text);
// A text typed into a multi-line field: every line break (CR LF, CR, LF) is
// kept as one LF.
std::string multiLineText(std::string_view text);

// The entries of cash discount in payment terms, each from its "#SKONTO#" to
// the next (blanks and line breaks at their ends left out); and whether an
// entry has the form a receiver reads: "#SKONTO#TAGE=14#PROZENT=2.00#", with
// "#BASISBETRAG=100.00" before the last "#" where the discount has its own base.
std::vector<std::string> discountEntries(std::string_view terms);
bool isDiscountEntry(std::string_view entry);

} // namespace tallomir
