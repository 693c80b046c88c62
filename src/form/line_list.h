#pragma once

#include "form/form.h"
#include "invoice/dates.h"

#include <optional>
#include <string>
#include <vector>

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
// with two to four decimals, the VAT percentage with two, the quantity as the
// plain decimal text of the value read). A number that cannot be read is kept
// as typed, never taken as 0. Gives a short note for the status bar: what is
// wrong with the text, or how an ambiguous number was read ("" when nothing).
std::string leaveLineField(Form& state, LineField field, const std::string& text);
// The label of a line editor field ("Pos.", "Anz.", ...).
const char* lineFieldLabel(LineField field);
// What is wrong with a field of a line as it stands: a number that is no
// number, a negative price, a rate other than 0 % outside the scope of VAT
// ("O", where 0 % and none both mean no rate); "" when nothing. An empty field is not a problem
// here (whether it must be filled is the check's to say).
std::string lineFieldProblem(const LineItem& line, LineField field);
// Why "Anfügen" (adding) or "Ändern" cannot store the line in the editor: a
// "Pos." another line has, a number that is no number, a negative price, a
// rate outside the scope of VAT, allowances larger than the line. Names the
// field to mark; nothing when the line can be stored.
struct LineRefusal {
    LineField field;
    std::string text; // "Die Position wurde nicht angefügt: Anz.: „zwei“ ist keine Zahl"
};
std::optional<LineRefusal> lineRefusal(const Form& state, bool adding);
// The "Pos." a new line is offered: one more than the highest number among
// the lines ("1" for the first).
std::string nextFreePosition(const Form& state);
// While the editor holds a new line without a number, it takes that one.
void proposeLinePosition(Form& state);
// Whether another stored line than `except` has this "Pos." number.
bool positionTaken(const Form& state, const std::string& position, int except);
// The tax category of the line being edited was chosen (an entry of the
// tax category list): its code goes into the buffer with the rate that fits,
// and its text becomes the exemption reason of that category's group.
void chooseLineCategory(Form& state, int index);
// The entry of the tax category list a line's category stands for: the
// entry whose text is the category's reason, else the first with its code;
// -1 for a code the list does not have.
int categoryEntryOf(const Form& state, const std::string& category);

// A line period picker changed (first = start date); noDate when cleared.
void changeLineDate(Form& state, bool first, DateValue date);
// "Einheit" was chosen: the unit code of the line in the editor.
void changeLineUnit(Form& state, const std::string& code);
// The units "Einheit" offers for the line in the editor: the unit list, and
// after it the line's own unit when the list does not have it (a loaded
// line); with the index of the line's unit among them.
struct UnitChoice {
    std::vector<CodeEntry> entries;
    int current = -1;
};
UnitChoice lineUnitChoice(const Form& state);

// The current line is always the stored line the editor shows; while the
// editor holds a new line there is none (currentLineIndex -1).
//
// "Anfügen": insert the buffer after the current line (at the end when there
// is none), clear the editor for the next new line (which takes the unit of
// the line stored), recompute.
// Gives the index of the new line.
int addLine(Form& state);
// "Ändern": overwrite the current line, which stays current (into an empty
// list the buffer goes as the first line), recompute. With lines present and
// no current line it does nothing and returns false.
bool changeLine(Form& state);
// "Löschen": remove the current line; the line that moves into its place (or
// the one before it, at the end) becomes current and is put into the editor;
// recompute. Returns whether a line was removed.
bool deleteLine(Form& state);
// A click in the list: row -1 means no row was hit. Returns true when a line
// became current (its texts are then in lineEditBuffer).
bool selectLine(Form& state, int row);
// An empty editor for a new line, with the unit stored last.
void clearLineEditor(Form& state);

// The description as the editor field shows it: leading blanks removed from
// its lines, an empty first line dropped.
std::string tidyDescriptionForDisplay(const std::string& description);

// The columns of the list view, in order; the last one stays invisible.
enum LineColumn : int {
    PositionColumn,
    QuantityColumn,
    UnitColumn,
    ItemNumberColumn,
    ItemNameColumn,
    UnitPriceColumn,
    NetAmountColumn,
    VatPercentColumn,
    GrossAmountColumn,
    CurrencyColumn,
    HiddenColumn,
    lineColumnCount
};
// Texts of one row of the list view, by LineColumn.
std::string lineListCell(const Form& state, int row, int column);

} // namespace tallomir
