// The line editor and the line list on "Positionen": editor fields, "Anfügen",
// "Ändern", "Löschen", selection, the tidied description and the list cells.

#include "invoice/amounts.h"
#include "invoice/input_rules.h"
#include "invoice/line_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tallomir {
namespace {

DocumentState freshState() {
    DocumentState state = makeDocumentState(defaultCodeLists());
    state.modified = false;
    return state;
}

// Types a line into the editor.
void typeLine(DocumentState& state, const std::string& position, const std::string& quantity = "1",
              const std::string& price = "10", const std::string& rate = "19") {
    leaveLineField(state, LineField::Position, position);
    leaveLineField(state, LineField::Quantity, quantity);
    leaveLineField(state, LineField::UnitPrice, price);
    leaveLineField(state, LineField::VatPercent, rate);
}

// Types a line and presses "Anfügen".
template <typename... Texts> void addNamedLine(DocumentState& state, const Texts&... texts) {
    typeLine(state, texts...);
    addLine(state);
}

// A list of lines "1", "2", ... with the prices 10, 20, ...
DocumentState withLines(int count) {
    DocumentState state = freshState();
    for (int i = 1; i <= count; ++i)
        addNamedLine(state, std::to_string(i), "1", std::to_string(10 * i));
    return state;
}

// What the editor holds for a new line: the document's category (with 0 %
// unless that is the standard rate) and the unit used last.
LineItem newLine(const char* unit, const std::string& category = "S") {
    LineItem line;
    line.unitCode = unit;
    line.lineTaxCategory = category;
    line.lineVatPercent = category == "S" ? "" : "0.00";
    return line;
}

std::string positions(const DocumentState& state) {
    std::string result;
    for (const LineItem& line : state.lines)
        result += line.position;
    return result;
}

TEST(LineEditor, FieldsKeepTheirTextsAndNumbersBecomeDecimalTexts) {
    // Field, typed text, stored text, what the status bar says.
    const std::tuple<LineField, std::string LineItem::*, const char*, const char*, const char*> cases[] = {
        {LineField::Quantity, &LineItem::quantity, "1,5", "1.5", ""},
        {LineField::Quantity, &LineItem::quantity, "2.50", "2.50", ""},
        {LineField::Quantity, &LineItem::quantity, "abc", "abc", "Anz.: \u201Eabc\u201C ist keine Zahl"},
        {LineField::Quantity, &LineItem::quantity, "1.000", "1.000",
         "Anz.: \u201E1.000\u201C gelesen als 1 (Dezimalkomma: 1.234,00)"},
        {LineField::Quantity, &LineItem::quantity, "-2", "-2", ""},
        {LineField::UnitPrice, &LineItem::unitPrice, "9,99", "9.99", ""},
        {LineField::UnitPrice, &LineItem::unitPrice, "0,1234", "0.1234", ""},
        {LineField::UnitPrice, &LineItem::unitPrice, "0,12345", "0.1235", ""},
        {LineField::UnitPrice, &LineItem::unitPrice, "1.234,5", "1234.50", ""},
        {LineField::UnitPrice, &LineItem::unitPrice, "", "", ""},
        {LineField::UnitPrice, &LineItem::unitPrice, "-5", "-5.00",
         "Preis: Ein Preis darf nicht negativ sein"},
        {LineField::UnitPrice, &LineItem::unitPrice, "10 EUR", "10 EUR",
         "Preis: \u201E10 EUR\u201C ist keine Zahl"},
        {LineField::VatPercent, &LineItem::lineVatPercent, "7,5", "7.50", ""},
        {LineField::Position, &LineItem::position, " 10 ", " 10 ", ""},
        {LineField::ItemName, &LineItem::itemName, "Schraube\r\nM4\t", "Schraube M4 ", ""},
        {LineField::Description, &LineItem::itemDescription, "\r\n  verzinkt\r  100 Stück",
         "\n  verzinkt\n  100 Stück", ""},
    };
    DocumentState state = freshState();
    for (const auto& [field, member, typed, stored, status] : cases) {
        EXPECT_EQ(leaveLineField(state, field, typed), status) << typed;
        EXPECT_EQ(state.lineEditBuffer.*member, stored) << typed;
    }
    changeLineDate(state, true, parseIsoDate("2024-01-01"));
    changeLineDate(state, false, parseIsoDate("2024-01-31"));
    changeLineDate(state, false, noDate);
    EXPECT_EQ(state.lineEditBuffer.lineStartDate + "|" + state.lineEditBuffer.lineEndDate, "2024-01-01|");
    // Editing the buffer is not yet a change of the document.
    EXPECT_FALSE(state.modified);
}

TEST(AddLine, StoresTheLineWithNetAndTaxFieldsAndEmptiesTheEditor) {
    DocumentState state = freshState();
    selectEntry(state, FieldId::TaxCategory, 1);
    changeLineDate(state, true, parseIsoDate("2024-02-01"));
    EXPECT_EQ(state.lineEditBuffer.unitCode, "C62");
    changeLineUnit(state, "HUR");
    addNamedLine(state, "1", "1,5", "9,99", "19");
    ASSERT_EQ(state.lines.size(), 1u);
    const LineItem& line = state.lines[0];
    EXPECT_EQ(line.quantity + " " + line.unitPrice + " " + line.lineNetAmount + " " + line.lineVatPercent +
                  " " + line.lineTaxCategory + " " + line.lineTaxScheme + " " + line.lineStartDate + " " +
                  line.unitCode,
              "1.5 9.99 14.99 19.00 K VAT 2024-02-01 HUR"); // 14.985 rounds up
    EXPECT_EQ(state.doc.lineExtensionAmount, "14.99");
    EXPECT_TRUE(state.modified);
    // The editor holds the next new line, in the unit used last: no stored line is current.
    EXPECT_EQ(state.lineEditBuffer, newLine("HUR", "K"));
    EXPECT_EQ(state.currentLineIndex, -1);
    // A line with nothing typed is stored as well.
    EXPECT_EQ(addLine(state), 1);
    EXPECT_EQ(state.lines[1].lineNetAmount, "0.00");
}

TEST(AddLine, InsertsAfterTheClickedLineAndAppendsAfterAClickOnNoLine) {
    DocumentState state = withLines(3);
    ASSERT_TRUE(selectLine(state, 0));
    addNamedLine(state, "4");
    EXPECT_EQ(positions(state), "1423");
    // The next new line goes to the end.
    addNamedLine(state, "5");
    EXPECT_EQ(positions(state), "14235");
    ASSERT_TRUE(selectLine(state, 1));
    EXPECT_FALSE(selectLine(state, -1));
    addNamedLine(state, "6");
    EXPECT_EQ(positions(state), "142356");
}

TEST(ChangeLine, OverwritesTheCurrentLineOrStoresTheFirst) {
    DocumentState state = freshState();
    typeLine(state, "1", "2", "5");
    EXPECT_TRUE(changeLine(state));
    EXPECT_EQ(state.lines.size(), 1u);
    EXPECT_EQ(state.currentLineIndex, 0);
    EXPECT_EQ(state.lines[0].lineNetAmount, "10.00");
    EXPECT_TRUE(state.modified);
    EXPECT_EQ(state.lineEditBuffer.position + state.lineEditBuffer.quantity,
              "12"); // the editor keeps its texts

    // Change the second of three lines twice, then delete it: every step acts
    // on the line the editor shows, never on the last one.
    state = withLines(3);
    ASSERT_TRUE(selectLine(state, 1));
    typeLine(state, "2", "4", "20");
    EXPECT_TRUE(changeLine(state));
    leaveLineField(state, LineField::ItemName, "geändert");
    EXPECT_TRUE(changeLine(state));
    EXPECT_EQ(state.currentLineIndex, 1);
    EXPECT_EQ(state.lines[1].quantity + " " + state.lines[1].lineNetAmount + " " + state.lines[1].itemName,
              "4 80.00 geändert");
    EXPECT_EQ(state.lines[2].itemName + state.lines[2].lineNetAmount, "30.00");
    EXPECT_EQ(state.doc.lineExtensionAmount, "120.00");
    EXPECT_TRUE(deleteLine(state));
    EXPECT_EQ(positions(state), "13");
}

TEST(ChangeLine, WithNoLineSelectedNeitherChangeNorDeleteDoAnything) {
    DocumentState state = withLines(2);
    const std::vector<LineItem> before = state.lines;
    selectLine(state, -1);
    state.modified = false;
    leaveLineField(state, LineField::ItemName, "nirgends");
    EXPECT_FALSE(changeLine(state));
    EXPECT_EQ(state.currentLineIndex, -1);
    EXPECT_FALSE(deleteLine(state));
    EXPECT_EQ(state.lines, before);
    EXPECT_EQ(state.currentLineIndex, -1);
    EXPECT_EQ(state.lineEditBuffer.itemName, "nirgends"); // what was typed stays
    EXPECT_FALSE(state.modified);
}

TEST(DeleteLine, RemovesTheCurrentLineAndShowsTheNewLast) {
    DocumentState state = withLines(3);
    ASSERT_TRUE(selectLine(state, 1));
    EXPECT_TRUE(deleteLine(state));
    EXPECT_EQ(positions(state), "13");
    // The line that moved up is shown; positions are not renumbered.
    EXPECT_EQ(state.currentLineIndex, 1);
    EXPECT_EQ(state.lineEditBuffer.position, "3");
    EXPECT_TRUE(deleteLine(state)); // the last line: the one before it is shown
    EXPECT_EQ(positions(state), "1");
    EXPECT_EQ(state.currentLineIndex, 0);
    EXPECT_EQ(state.lineEditBuffer, state.lines[0]);
    EXPECT_EQ(state.doc.lineExtensionAmount, "10.00");
}

TEST(DeleteLine, TheOnlyLineLeavesZeroTotalsAndThenNothingIsDeleted) {
    DocumentState state = freshState();
    addNamedLine(state, "1", "2", "50", "19");
    ASSERT_EQ(state.doc.payableAmount, "119.00");
    state.modified = false;
    EXPECT_FALSE(deleteLine(state)); // the editor shows a new line, not the stored one
    ASSERT_TRUE(selectLine(state, 0));
    EXPECT_TRUE(deleteLine(state));
    EXPECT_TRUE(state.lines.empty());
    EXPECT_TRUE(state.vatBreakdown.empty());
    EXPECT_EQ(state.currentLineIndex, -1);
    EXPECT_TRUE(state.modified);
    const InvoiceDocument& d = state.doc;
    EXPECT_EQ(d.lineExtensionAmount + d.taxExclusiveAmount + d.taxInclusiveAmount + d.payableAmount,
              "0.000.000.000.00");
    EXPECT_EQ(state.footer.linesTotal + state.footer.payableTotal, "0,000,00");
    EXPECT_FALSE(deleteLine(state));
}

TEST(SelectLine, CopiesTheLineIntoTheEditorAndNoRowClearsIt) {
    DocumentState state = freshState();
    leaveLineField(state, LineField::Description, "\n   eingerückt");
    addNamedLine(state, "1", "2", "3,5", "7");
    addNamedLine(state, "2");
    state.modified = false;
    EXPECT_TRUE(selectLine(state, 0));
    EXPECT_FALSE(state.modified);
    EXPECT_EQ(state.currentLineIndex, 0);
    EXPECT_EQ(state.lineEditBuffer, state.lines[0]);
    EXPECT_EQ(state.lineEditBuffer.itemDescription, "\n   eingerückt"); // the stored text is not tidied
    clearLineEditor(state);
    EXPECT_EQ(state.lineEditBuffer, newLine("C62"));
    EXPECT_EQ(state.lines.size(), 2u);

    leaveLineField(state, LineField::ItemName, "halb getippt");
    for (int row : {-1, 5}) {
        EXPECT_FALSE(selectLine(state, row));
        EXPECT_EQ(state.currentLineIndex, -1);
        EXPECT_EQ(state.lineEditBuffer, newLine("C62"));
    }
}

TEST(TidyDescription, IndentationAndAnEmptyFirstLineGo) {
    const std::pair<const char*, const char*> cases[] = {
        {"\r\n        Erste Zeile\r\n        Zweite Zeile", "Erste Zeile\r\nZweite Zeile"},
        {"\n    a\n    b\n", "a\nb\n"},
        {"   \r  a\r  b", "a\rb"},
        {"  Kopf\n    Rumpf", "Kopf\nRumpf"},
        {"ohne Umbruch", "ohne Umbruch"},
        {"\tTab\n\t\tTab", "Tab\nTab"},
        {"\n\nx", "\nx"}, // only one empty line is dropped
        {"a\n\n  b", "a\n\nb"},
        {"", ""},
        {"   ", ""},
        {"\r\n", ""},
        {"a\r\n b\n c\r d", "a\r\nb\r\nc\r\nd"}, // mixed breaks take the first style
        {"a\n b\r\n c", "a\nb\nc"},
    };
    for (const auto& [stored, shown] : cases)
        EXPECT_EQ(tidyDescriptionForDisplay(stored), shown) << stored;
}

TEST(LineListCell, TheElevenColumnsInListOrder) {
    DocumentState state = freshState();
    leaveLineField(state, LineField::ItemNumber, "4711");
    leaveLineField(state, LineField::ItemName, "Kölnisch Wasser");
    changeLineUnit(state, "LTR");
    addNamedLine(state, "1", "3", "9,99", "19");
    changeLineUnit(state, "XPP"); // a unit the list does not have shows its code
    addNamedLine(state, "2", "2", "0,5", "0");
    selectLine(state, 0); // the editor now holds the first line's texts
    addNamedLine(state, "3", "1", "1", "7");
    state.lines[1].unitCode.clear(); // the document's default unit
    const std::vector<std::vector<std::string>> rows = {
        {"1", "3", "Liter", "4711", "Kölnisch Wasser", "9,99", "29,97", "19,00 %", "35,66", "EUR", ""},
        {"3", "1", "Stück", "4711", "Kölnisch Wasser", "1,00", "1,00", "7,00 %", "1,07", "EUR", ""},
        {"2", "2", "XPP", "", "", "0,50", "1,00", "0,00 %", "1,00", "EUR", ""}};
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < lineColumnCount; ++column)
            EXPECT_EQ(lineListCell(state, row, column), rows[row][column]) << row << "," << column;
    for (const auto& [row, column] : {std::pair{3, 0}, {-1, 0}, {0, 11}, {0, -1}})
        EXPECT_EQ(lineListCell(state, row, column), "") << row << "," << column;
    EXPECT_EQ(lineListCell(freshState(), 0, 0), "");
}

} // namespace
} // namespace tallomir
