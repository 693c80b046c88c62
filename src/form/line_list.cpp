#include "form/line_list.h"

#include "form/input_rules.h"
#include "form/line_allowances.h"
#include "invoice/amounts.h"
#include "invoice/texts.h"

#include <algorithm>

#include <string_view>
#include <utility>
#include <vector>

namespace tallomir {

namespace {

bool hasLine(const Form& state, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < state.lines.size();
}

// Outside the scope of VAT (O) a line has no rate; 0 % means none there.
void withoutZeroRateOutsideVat(LineItem& line) {
    const std::optional<Decimal> rate = readStoredNumber(line.lineVatPercent);
    if (line.lineTaxCategory == "O" && rate && rate->isZero())
        line.lineVatPercent.clear();
}

// What "Anfügen" and "Ändern" do to the buffer before it is stored: the
// document's tax category and scheme, and the net amount of its quantity and
// price. Its unit is the one the next new line starts with.
void prepareBufferForStoring(Form& state) {
    LineItem& buffer = state.lineEditBuffer;
    if (buffer.lineTaxCategory.empty())
        buffer.lineTaxCategory = state.documentTaxCategory;
    withoutZeroRateOutsideVat(buffer);
    buffer.lineTaxScheme = state.defaultTaxScheme;
    settleLineAllowances(buffer);
    buffer.lineNetAmount = computeLineNetAmount(buffer);
    if (!buffer.unitCode.empty())
        state.lastUnitCode = buffer.unitCode;
}

void recomputeAll(Form& state) {
    recomputeLines(state);
    recomputeTotals(state);
}

// A stored number in the German form a person reads; a text that is no
// number is shown as it is.
std::string shownNumber(const std::string& text, int minDecimals, int maxDecimals) {
    const std::optional<Decimal> value = readStoredNumber(text);
    return value ? formatGerman(*value, minDecimals, maxDecimals) : text;
}

std::string_view withoutLeadingBlanks(std::string_view line) {
    const std::size_t first = line.find_first_not_of(" \t");
    return first == std::string_view::npos ? std::string_view() : line.substr(first);
}

} // namespace

const char* lineFieldLabel(LineField field) {
    switch (field) {
    case LineField::Position:
        return "Pos.";
    case LineField::Quantity:
        return "Anz.";
    case LineField::ItemNumber:
        return "Artikel-Nr.";
    case LineField::ItemName:
        return "Artikel-Bezeichnung";
    case LineField::UnitPrice:
        return "Preis";
    case LineField::VatPercent:
        return "USt.";
    case LineField::Description:
        return "Artikelbeschreibung";
    }
    return "";
}

std::string lineFieldProblem(const LineItem& line, LineField field) {
    const std::string* text = nullptr;
    switch (field) {
    case LineField::Quantity:
        text = &line.quantity;
        break;
    case LineField::UnitPrice:
        text = &line.unitPrice;
        break;
    case LineField::VatPercent:
        text = &line.lineVatPercent;
        break;
    default:
        return {};
    }
    if (text->empty())
        return {};
    // The editor keeps a number as the plain decimal text of the value read,
    // and a text it could not read as typed.
    const std::optional<Decimal> value = readStoredNumber(*text);
    if (!value)
        return std::string(lineFieldLabel(field)) + ": \u201E" + *text + "\u201C ist keine Zahl";
    if (field == LineField::UnitPrice && value->isNegative())
        return "Preis: Ein Preis darf nicht negativ sein";
    if (field == LineField::VatPercent && line.lineTaxCategory == "O" && !value->isZero())
        return "Bei nicht steuerbaren Umsätzen entfällt die USt.";
    return {};
}

bool positionTaken(const Form& state, const std::string& position, int except) {
    if (position.empty())
        return false;
    for (std::size_t i = 0; i < state.lines.size(); ++i)
        if (static_cast<int>(i) != except && state.lines[i].position == position)
            return true;
    return false;
}

std::string leaveLineField(Form& state, LineField field, const std::string& typed) {
    LineItem& buffer = state.lineEditBuffer;
    const std::string text = field == LineField::Description ? multiLineText(typed) : singleLineText(typed);
    // A number keeps its text as typed when it cannot be read.
    const NumberReading reading =
        readNumberField(lineFieldLabel(field), text, field == LineField::VatPercent);
    switch (field) {
    case LineField::Position:
        buffer.position = text;
        if (positionTaken(state, text, state.currentLineIndex))
            return "Pos. " + text + " ist schon vergeben";
        return {};
    case LineField::Quantity:
        // The value keeps the decimals typed.
        buffer.quantity = reading.value ? reading.value->toPlainString() : text;
        break;
    case LineField::ItemNumber:
        buffer.itemNumber = text;
        return {};
    case LineField::ItemName:
        buffer.itemName = text;
        return {};
    case LineField::UnitPrice:
        buffer.unitPrice = reading.value ? formatUnitPrice(*reading.value) : text;
        break;
    case LineField::VatPercent:
        buffer.lineVatPercent = reading.value ? formatDecimal2(*reading.value) : text;
        withoutZeroRateOutsideVat(buffer);
        break;
    case LineField::Description:
        buffer.itemDescription = text;
        return {};
    }
    const std::string problem = lineFieldProblem(buffer, field);
    return problem.empty() ? reading.note : problem;
}

std::optional<LineRefusal> lineRefusal(const Form& state, bool adding) {
    const LineItem& line = state.lineEditBuffer;
    const std::string action = adding ? "angefügt" : "geändert";
    const auto refused = [&](LineField field, const std::string& why) {
        return LineRefusal{field, "Die Position wurde nicht " + action + ": " + why};
    };
    // "Anfügen" stores a further line, so the number of the line shown counts too.
    if (positionTaken(state, line.position, adding ? -1 : state.currentLineIndex))
        return refused(LineField::Position, "Pos. " + line.position + " ist schon vergeben");
    for (LineField field : {LineField::Quantity, LineField::UnitPrice, LineField::VatPercent})
        if (const std::string problem = lineFieldProblem(line, field); !problem.empty())
            return refused(field, problem);
    if (const std::string problem = lineAllowanceProblem(line); !problem.empty())
        return refused(LineField::Quantity, problem);
    return std::nullopt;
}

std::string nextFreePosition(const Form& state) {
    Decimal highest;
    for (const LineItem& line : state.lines) {
        const std::string_view position = line.position;
        if (!position.empty() && position.find_first_not_of("0123456789") == std::string_view::npos)
            highest = std::max(highest, parseNumber(position));
    }
    return (highest + Decimal::fromInt(1)).toPlainString();
}

void proposeLinePosition(Form& state) {
    if (state.currentLineIndex < 0 && state.lineEditBuffer.position.empty())
        state.lineEditBuffer.position = nextFreePosition(state);
}

void changeLineDate(Form& state, bool first, DateValue date) {
    std::string& target = first ? state.lineEditBuffer.lineStartDate : state.lineEditBuffer.lineEndDate;
    target = date == noDate ? std::string() : formatIsoDate(date);
}

void changeLineUnit(Form& state, const std::string& code) {
    state.lineEditBuffer.unitCode = code;
}

UnitChoice lineUnitChoice(const Form& state) {
    UnitChoice choice{state.lists.unitCodes, -1};
    const std::string& code = lineUnitCode(state, state.lineEditBuffer);
    choice.current = findCode(choice.entries, code);
    if (choice.current < 0 && !code.empty()) {
        choice.entries.push_back({code, code});
        choice.current = static_cast<int>(choice.entries.size()) - 1;
    }
    return choice;
}

int addLine(Form& state) {
    prepareBufferForStoring(state);

    // Directly after the current line; at the end when no line is current.
    std::size_t at = state.lines.size();
    if (hasLine(state, state.currentLineIndex))
        at = static_cast<std::size_t>(state.currentLineIndex) + 1;
    state.lines.insert(state.lines.begin() + static_cast<std::ptrdiff_t>(at),
                       std::move(state.lineEditBuffer));
    state.modified = true;

    // The editor is empty for the next new line; no stored line is shown.
    clearLineEditor(state);
    recomputeAll(state);
    return static_cast<int>(at);
}

bool changeLine(Form& state) {
    // With lines present but none selected there is no line to change.
    if (!state.lines.empty() && !hasLine(state, state.currentLineIndex))
        return false;

    prepareBufferForStoring(state);
    if (state.lines.empty()) {
        state.lines.push_back(state.lineEditBuffer);
        state.currentLineIndex = 0;
    } else {
        state.lines[static_cast<std::size_t>(state.currentLineIndex)] = state.lineEditBuffer;
    }
    state.modified = true;

    recomputeAll(state);
    return true;
}

bool deleteLine(Form& state) {
    // With no line current nothing is deleted, and what the editor holds stays.
    if (!hasLine(state, state.currentLineIndex))
        return false;
    state.lines.erase(state.lines.begin() + state.currentLineIndex);
    state.modified = true;

    // Also when the list is now empty, so the totals drop to zero.
    recomputeAll(state);
    // The line that took the deleted one's place, or the new last one.
    const int next = std::min(state.currentLineIndex, static_cast<int>(state.lines.size()) - 1);
    selectLine(state, next);
    return true;
}

bool selectLine(Form& state, int row) {
    state.currentLineIndex = hasLine(state, row) ? row : -1;
    if (state.currentLineIndex < 0) {
        clearLineEditor(state);
        return false;
    }
    state.lineEditBuffer = state.lines[static_cast<std::size_t>(row)];
    return true;
}

void clearLineEditor(Form& state) {
    // A new line takes the document's tax category, and the rate that fits it.
    state.lineEditBuffer = LineItem{};
    state.lineEditBuffer.lineTaxCategory = state.documentTaxCategory;
    fitRateToCategory(state.lineEditBuffer);
    state.lineEditBuffer.unitCode = state.lastUnitCode;
    state.currentLineIndex = -1;
}

void chooseLineCategory(Form& state, int index) {
    const std::vector<CodeEntry>& list = state.lists.taxCategories;
    if (index < 0 || static_cast<std::size_t>(index) >= list.size())
        return;
    const CodeEntry& entry = list[static_cast<std::size_t>(index)];
    LineItem& buffer = state.lineEditBuffer;
    const bool wasStandard = buffer.lineTaxCategory == "S";
    buffer.lineTaxCategory = entry.code;
    if (entry.code != "S")
        fitRateToCategory(buffer);
    else if (!wasStandard)
        buffer.lineVatPercent.clear(); // the standard rate is for the user to give
    if (state.exemptionReasons[entry.code] != entry.text) {
        state.exemptionReasons[entry.code] = entry.text;
        state.modified = true;
    }
}

int categoryEntryOf(const Form& state, const std::string& category) {
    const std::vector<CodeEntry>& list = state.lists.taxCategories;
    const auto reason = state.exemptionReasons.find(category);
    for (std::size_t i = 0; reason != state.exemptionReasons.end() && i < list.size(); ++i)
        if (list[i].code == category && list[i].text == reason->second)
            return static_cast<int>(i);
    return findCode(list, category);
}

std::string tidyDescriptionForDisplay(const std::string& description) {
    // The lines are joined again with the break the text itself uses first.
    std::string_view lineBreak;
    const std::size_t firstBreak = description.find_first_of("\r\n");
    if (firstBreak != std::string::npos) {
        const bool crlf = description[firstBreak] == '\r' && firstBreak + 1 < description.size() &&
                          description[firstBreak + 1] == '\n';
        lineBreak = crlf ? "\r\n" : std::string_view(&description[firstBreak], 1);
    }

    std::vector<std::string_view> lines;
    const std::string_view text(description);
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(withoutLeadingBlanks(text.substr(start)));
            break;
        }
        lines.push_back(withoutLeadingBlanks(text.substr(start, end - start)));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
    // An empty first line is dropped; the lines below it move up.
    const std::size_t from = lines.size() > 1 && lines.front().empty() ? 1 : 0;

    std::string result;
    result.reserve(description.size());
    for (std::size_t i = from; i < lines.size(); ++i) {
        if (i > from)
            result += lineBreak;
        result += lines[i];
    }
    return result;
}

std::string lineListCell(const Form& state, int row, int column) {
    if (!hasLine(state, row))
        return {};
    const LineItem& line = state.lines[static_cast<std::size_t>(row)];
    switch (column) {
    case PositionColumn:
        return line.position;
    case QuantityColumn:
        return shownNumber(line.quantity, 0, 30);
    case UnitColumn:
        return unitText(state.lists, lineUnitCode(state, line));
    case ItemNumberColumn:
        return line.itemNumber;
    case ItemNameColumn:
        return line.itemName;
    case UnitPriceColumn:
        return shownNumber(line.unitPrice, 2, 4);
    case NetAmountColumn:
        return shownNumber(line.lineNetAmount, 2, 2);
    case VatPercentColumn: {
        // The rate, and the category where it is not the standard one.
        std::string cell = line.lineVatPercent.empty() ? "" : shownNumber(line.lineVatPercent, 2, 2) + " %";
        if (line.lineTaxCategory != "S")
            cell += (cell.empty() ? "" : " ") + line.lineTaxCategory;
        return cell;
    }
    case GrossAmountColumn:
        return shownNumber(lineGrossAmount(line), 2, 2);
    case CurrencyColumn:
        return state.documentCurrency;
    default:
        return {};
    }
}

} // namespace tallomir
