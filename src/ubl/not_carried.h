#pragma once

// What a loaded file holds that the document cannot: the reader records every
// element and data attribute no rule took while it walks the file, and turns
// them, once the walk is done, into the items a user reads ("2 Anhänge",
// "Nachlass in Position 4").

#include "invoice/model.h"
#include "xml/xml.h"

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tallomir::ubl {

// An element that no rule took, with all it holds, or (`attribute` given)
// one attribute of an element that a rule took.
struct Unconsumed {
    xml::NodeView node;
    std::string_view attribute;
    // The element below the document element it stands in: local name and
    // place among the elements of that name (from 1).
    std::string_view block;
    int blockPlace = 0;
    // The line it stands in (index into the line list), or -1.
    std::ptrdiff_t line = -1;
};

// How many elements of each local name stand below the document element.
using BlockCounts = std::map<std::string, int, std::less<>>;

// A total as the file states it, compared with the one the program computes.
struct StatedTotal {
    const char* label;    // "Zahlbetrag"
    std::string fileText; // as the file gives it
    std::string computed; // as the program computed it
    std::string element;  // "LegalMonetaryTotal[1]/PayableAmount"
};

// Attributes that carry a value of the invoice (not the namespace
// declarations, code list agencies and the like).
bool isDataAttribute(std::string_view name);

// The items of the not-carried list: elements grouped by the block they stand
// in (line content by its kind, naming the lines' positions), in file order;
// then the totals whose stated value differs from the computed one, in one
// item. The tree the records point into must still exist.
std::vector<NotCarriedItem> describeNotCarried(const std::vector<Unconsumed>& records,
                                               const BlockCounts& counts, const DocumentState& state,
                                               const std::vector<StatedTotal>& totals);

} // namespace tallomir::ubl
