#include "line_list.h"

#include "amounts.h"

#include <string_view>
#include <utility>
#include <vector>

namespace tallomir {

namespace {

bool hasLine(const DocumentState& state, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < state.lines.size();
}

// What "Anfügen" and "Ändern" do to the buffer before it is stored: the
// document's tax category and scheme, and the net amount of its quantity and price.
void prepareBufferForStoring(DocumentState& state) {
    LineItem& buffer = state.lineEditBuffer;
    buffer.lineTaxCategory = state.documentTaxCategory;
    buffer.lineTaxScheme = state.defaultTaxScheme;
    buffer.lineNetAmount = computeLineNetAmount(buffer);
}

void recomputeAll(DocumentState& state) {
    recomputeLines(state);
    recomputeTotals(state);
}

std::string_view withoutLeadingBlanks(std::string_view line) {
    const std::size_t first = line.find_first_not_of(" \t");
    return first == std::string_view::npos ? std::string_view() : line.substr(first);
}

} // namespace

void leaveLineField(DocumentState& state, LineField field, const std::string& text) {
    LineItem& buffer = state.lineEditBuffer;
    switch (field) {
    case LineField::Position:
        buffer.position = text;
        break;
    case LineField::Quantity:
        // A decimal comma is accepted; the value keeps the decimals typed.
        buffer.quantity = parseDecimal(text).toPlainString();
        break;
    case LineField::ItemNumber:
        buffer.itemNumber = text;
        break;
    case LineField::ItemName:
        buffer.itemName = text;
        break;
    case LineField::UnitPrice:
        buffer.unitPrice = formatDecimal2(parseDecimal(text));
        break;
    case LineField::VatPercent:
        buffer.lineVatPercent = formatDecimal2(parseDecimal(text));
        break;
    case LineField::Description:
        buffer.itemDescription = text;
        break;
    }
}

void changeLineDate(DocumentState& state, bool first, DateValue date) {
    std::string& target = first ? state.lineEditBuffer.lineStartDate : state.lineEditBuffer.lineEndDate;
    target = date == noDate ? std::string() : formatIsoDate(date);
}

void addLine(DocumentState& state) {
    prepareBufferForStoring(state);

    // Directly after the current line; at the end when no line is current.
    std::size_t at = state.lines.size();
    if (hasLine(state, state.currentLineIndex))
        at = static_cast<std::size_t>(state.currentLineIndex) + 1;
    state.lines.insert(state.lines.begin() + static_cast<std::ptrdiff_t>(at),
                       std::move(state.lineEditBuffer));
    state.currentLineIndex = static_cast<int>(at);
    state.modified = true;

    clearLineEditor(state);
    recomputeAll(state);
}

bool changeLine(DocumentState& state) {
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

bool deleteLine(DocumentState& state) {
    // With no line current nothing is deleted, and what the editor holds stays.
    if (!hasLine(state, state.currentLineIndex))
        return false;
    state.lines.erase(state.lines.begin() + state.currentLineIndex);
    state.modified = true;

    // Also when the list is now empty, so the totals drop to zero.
    recomputeAll(state);
    // The last line is current now; the editor shows it.
    if (hasLine(state, state.currentLineIndex))
        state.lineEditBuffer = state.lines[static_cast<std::size_t>(state.currentLineIndex)];
    return true;
}

bool selectLine(DocumentState& state, int row) {
    state.currentLineIndex = hasLine(state, row) ? row : -1;
    if (state.currentLineIndex < 0) {
        clearLineEditor(state);
        return false;
    }
    state.lineEditBuffer = state.lines[static_cast<std::size_t>(row)];
    return true;
}

void clearLineEditor(DocumentState& state) {
    state.lineEditBuffer = LineItem{};
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

std::string lineListCell(const DocumentState& state, int row, int column) {
    if (!hasLine(state, row))
        return {};
    const LineItem& line = state.lines[static_cast<std::size_t>(row)];
    switch (column) {
    case 0:
        return line.position;
    case 1:
        return line.quantity;
    case 2:
        return line.itemNumber;
    case 3:
        return line.itemName;
    case 4:
        return line.unitPrice;
    case 5:
        return line.lineNetAmount;
    case 6:
        return line.lineVatPercent + "%";
    case 7:
        return lineGrossAmount(line);
    case 8:
        return state.documentCurrency;
    default:
        return {};
    }
}

} // namespace tallomir
