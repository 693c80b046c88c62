#pragma once

#include "dates.h"
#include "model.h"

#include <string>

namespace tallomir {

// The fields of the line editor on "Positionen".
enum class LineField {
    Position,
    Quantity,
    ItemNumber,
    ItemName,
    UnitPrice,
    VatPercent,
    Description,
};

// A line editor field was left: its text goes into lineEditBuffer (the price
// and VAT percentage as two-decimal texts, the quantity as the plain decimal
// text of the value read).
void leaveLineField(DocumentState& state, LineField field, const std::string& text);
// A line period picker changed (first = start date); noDate when cleared.
void changeLineDate(DocumentState& state, bool first, DateValue date);

// "Anfügen": insert the buffer after the current line, clear the editor,
// recompute.
void addLine(DocumentState& state);
// "Ändern": overwrite the current line (or create the first one), recompute.
// With lines present and no current line it does nothing and returns false.
bool changeLine(DocumentState& state);
// "Löschen": remove the current line, recompute (to zero amounts when the list
// is empty). Returns whether a line was removed.
bool deleteLine(DocumentState& state);
// A click in the list: row -1 means no row was hit. Returns true when a line
// became current (its texts are then in lineEditBuffer).
bool selectLine(DocumentState& state, int row);
void clearLineEditor(DocumentState& state);

// The description as the editor field shows it: leading blanks removed from
// its lines, an empty first line dropped.
std::string tidyDescriptionForDisplay(const std::string& description);

// Texts of one row of the list view, columns 0 to 9.
std::string lineListCell(const DocumentState& state, int row, int column);

} // namespace tallomir
