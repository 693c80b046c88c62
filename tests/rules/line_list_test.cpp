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

// Types a line into the editor and presses "Anfügen".
void addNamedLine(DocumentState& state, const std::string& position, const std::string& quantity = "1",
                  const std::string& price = "10", const std::string& rate = "19") {
    leaveLineField(state, LineField::Position, position);
    leaveLineField(state, LineField::Quantity, quantity);
    leaveLineField(state, LineField::UnitPrice, price);
    leaveLineField(state, LineField::VatPercent, rate);
    addLine(state);
}

std::vector<std::string> positions(const DocumentState& state) {
    std::vector<std::string> result;
    for (const LineItem& line : state.lines)
        result.push_back(line.position);
    return result;
}

// ---- editor fields ---------------------------------------------------------------

TEST(LineFields, QuantityKeepsTheTypedDecimalsWithAPoint) {
    DocumentState state = freshState();
    const std::pair<const char*, const char*> cases[] = {
        {"1,5", "1.5"}, {"3", "3"}, {"2.50", "2.50"}, {"abc", "0"}, {"0,125", "0.125"}, {"-2", "-2"},
    };
    for (const auto& [typed, stored] : cases) {
        leaveLineField(state, LineField::Quantity, typed);
        EXPECT_EQ(state.lineEditBuffer.quantity, stored) << typed;
    }
}

TEST(LineFields, PriceAndRateBecomeTwoDecimalTexts) {
    DocumentState state = freshState();
    leaveLineField(state, LineField::UnitPrice, "9,99");
    EXPECT_EQ(state.lineEditBuffer.unitPrice, "9.99");
    leaveLineField(state, LineField::UnitPrice, "0,125");
    EXPECT_EQ(state.lineEditBuffer.unitPrice, "0.13");
    leaveLineField(state, LineField::UnitPrice, "");
    EXPECT_EQ(state.lineEditBuffer.unitPrice, "0.00");
    leaveLineField(state, LineField::VatPercent, "19");
    EXPECT_EQ(state.lineEditBuffer.lineVatPercent, "19.00");
    leaveLineField(state, LineField::VatPercent, "7,5");
    EXPECT_EQ(state.lineEditBuffer.lineVatPercent, "7.50");
}

TEST(LineFields, TextsAreKeptAsTyped) {
    DocumentState state = freshState();
    leaveLineField(state, LineField::Position, " 10 ");
    leaveLineField(state, LineField::ItemNumber, "A-7");
    leaveLineField(state, LineField::ItemName, "Schraube M4");
    leaveLineField(state, LineField::Description, "\n  verzinkt\n  100 Stück");
    EXPECT_EQ(state.lineEditBuffer.position, " 10 ");
    EXPECT_EQ(state.lineEditBuffer.itemNumber, "A-7");
    EXPECT_EQ(state.lineEditBuffer.itemName, "Schraube M4");
    EXPECT_EQ(state.lineEditBuffer.itemDescription, "\n  verzinkt\n  100 Stück");
    // Editing the buffer is not yet a change of the document.
    EXPECT_FALSE(state.modified);
}

TEST(LineFields, PeriodPickers) {
    DocumentState state = freshState();
    changeLineDate(state, true, parseIsoDate("2024-01-01"));
    changeLineDate(state, false, parseIsoDate("2024-01-31"));
    EXPECT_EQ(state.lineEditBuffer.lineStartDate, "2024-01-01");
    EXPECT_EQ(state.lineEditBuffer.lineEndDate, "2024-01-31");
    changeLineDate(state, false, noDate);
    EXPECT_EQ(state.lineEditBuffer.lineStartDate, "2024-01-01");
    EXPECT_EQ(state.lineEditBuffer.lineEndDate, "");
}

// ---- "Anfügen" -----------------------------------------------------------------

TEST(AddLine, StoresTheLineWithItsNetAndTaxFields) {
    DocumentState state = freshState();
    selectEntry(state, FieldId::TaxCategory, 1);
    addNamedLine(state, "1", "3", "9,99", "19");
    ASSERT_EQ(state.lines.size(), 1u);
    const LineItem& line = state.lines[0];
    EXPECT_EQ(line.quantity, "3");
    EXPECT_EQ(line.unitPrice, "9.99");
    EXPECT_EQ(line.lineNetAmount, "29.97");
    EXPECT_EQ(line.lineVatPercent, "19.00");
    EXPECT_EQ(line.lineTaxCategory, "K");
    EXPECT_EQ(line.lineTaxScheme, "VAT");
    EXPECT_TRUE(state.modified);
    EXPECT_EQ(state.doc.lineExtensionAmount, "29.97");
}

TEST(AddLine, DecimalCommaQuantityCountsInFull) {
    DocumentState state = freshState();
    addNamedLine(state, "1", "1,5", "10", "19");
    EXPECT_EQ(state.lines[0].quantity, "1.5");
    EXPECT_EQ(state.lines[0].lineNetAmount, "15.00");
}

TEST(AddLine, EmptiesTheEditorAndMakesTheLastLineCurrent) {
    DocumentState state = freshState();
    leaveLineField(state, LineField::ItemName, "Mutter");
    changeLineDate(state, true, parseIsoDate("2024-02-01"));
    addLine(state);
    EXPECT_EQ(state.lineEditBuffer, LineItem{});
    EXPECT_EQ(state.currentLineIndex, 0);
    EXPECT_EQ(state.lines[0].itemName, "Mutter");
    EXPECT_EQ(state.lines[0].lineStartDate, "2024-02-01");
    // A line with nothing typed is stored as well.
    addLine(state);
    EXPECT_EQ(state.lines.size(), 2u);
    EXPECT_EQ(state.lines[1].lineNetAmount, "0.00");
    EXPECT_EQ(state.currentLineIndex, 1);
}

TEST(AddLine, InsertsAfterTheClickedLine) {
    DocumentState state = freshState();
    addNamedLine(state, "1");
    addNamedLine(state, "2");
    addNamedLine(state, "3");
    ASSERT_TRUE(selectLine(state, 0));
    addNamedLine(state, "4");
    EXPECT_EQ(positions(state), (std::vector<std::string>{"1", "4", "2", "3"}));
    // The list-wide pass afterwards leaves the last line current.
    EXPECT_EQ(state.currentLineIndex, 3);
    addNamedLine(state, "5");
    EXPECT_EQ(positions(state), (std::vector<std::string>{"1", "4", "2", "3", "5"}));
}

TEST(AddLine, AfterAClickOnNoLineAppends) {
    DocumentState state = freshState();
    addNamedLine(state, "1");
    addNamedLine(state, "2");
    EXPECT_FALSE(selectLine(state, -1));
    addNamedLine(state, "3");
    EXPECT_EQ(positions(state), (std::vector<std::string>{"1", "2", "3"}));
}

// ---- "Ändern" --------------------------------------------------------------------

TEST(ChangeLine, OnAnEmptyListStoresTheFirstLine) {
    DocumentState state = freshState();
    leaveLineField(state, LineField::Position, "1");
    leaveLineField(state, LineField::Quantity, "2");
    leaveLineField(state, LineField::UnitPrice, "5");
    EXPECT_TRUE(changeLine(state));
    ASSERT_EQ(state.lines.size(), 1u);
    EXPECT_EQ(state.currentLineIndex, 0);
    EXPECT_EQ(state.lines[0].lineNetAmount, "10.00");
    EXPECT_TRUE(state.modified);
    // The editor keeps its texts.
    EXPECT_EQ(state.lineEditBuffer.position, "1");
    EXPECT_EQ(state.lineEditBuffer.quantity, "2");
}

TEST(ChangeLine, WithoutClickChangesTheLastLine) {
    DocumentState state = freshState();
    addNamedLine(state, "1");
    addNamedLine(state, "2", "1", "10");
    leaveLineField(state, LineField::Position, "2");
    leaveLineField(state, LineField::Quantity, "4");
    leaveLineField(state, LineField::UnitPrice, "10");
    leaveLineField(state, LineField::VatPercent, "19");
    EXPECT_TRUE(changeLine(state));
    ASSERT_EQ(state.lines.size(), 2u);
    EXPECT_EQ(state.lines[1].quantity, "4");
    EXPECT_EQ(state.lines[1].lineNetAmount, "40.00");
    EXPECT_EQ(state.doc.lineExtensionAmount, "50.00");
}

TEST(ChangeLine, ClickedLineIsOverwritten) {
    DocumentState state = freshState();
    addNamedLine(state, "1");
    addNamedLine(state, "2");
    ASSERT_TRUE(selectLine(state, 0));
    leaveLineField(state, LineField::ItemName, "geändert");
    EXPECT_TRUE(changeLine(state));
    EXPECT_EQ(state.lines[0].itemName, "geändert");
    EXPECT_EQ(state.lines[0].position, "1");
    EXPECT_EQ(state.lines[1].itemName, "");
}

TEST(ChangeLine, WithNoLineSelectedDoesNothing) {
    DocumentState state = freshState();
    addNamedLine(state, "1");
    addNamedLine(state, "2");
    const std::vector<LineItem> before = state.lines;
    selectLine(state, -1);
    state.modified = false;
    leaveLineField(state, LineField::ItemName, "nirgends");
    EXPECT_FALSE(changeLine(state));
    EXPECT_EQ(state.lines, before);
    EXPECT_EQ(state.currentLineIndex, -1);
    EXPECT_FALSE(state.modified);
}

// ---- "Löschen" -------------------------------------------------------------------

TEST(DeleteLine, TheOnlyLineLeavesZeroTotals) {
    DocumentState state = freshState();
    addNamedLine(state, "1", "2", "50", "19");
    ASSERT_EQ(state.doc.payableAmount, "119.00");
    state.modified = false;
    EXPECT_TRUE(deleteLine(state));
    EXPECT_TRUE(state.lines.empty());
    EXPECT_EQ(state.currentLineIndex, -1);
    EXPECT_TRUE(state.modified);
    EXPECT_EQ(state.doc.lineExtensionAmount, "0.00");
    EXPECT_EQ(state.doc.taxExclusiveAmount, "0.00");
    EXPECT_EQ(state.doc.taxInclusiveAmount, "0.00");
    EXPECT_EQ(state.doc.payableAmount, "0.00");
    EXPECT_EQ(state.footer.linesTotal, "0.00");
    EXPECT_EQ(state.footer.payableTotal, "0.00");
}

TEST(DeleteLine, WithoutClickDeletesTheLastLineAndShowsTheNewLast) {
    DocumentState state = freshState();
    addNamedLine(state, "1", "1", "10");
    addNamedLine(state, "2", "1", "20");
    addNamedLine(state, "3", "1", "30");
    EXPECT_TRUE(deleteLine(state));
    EXPECT_EQ(positions(state), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(state.currentLineIndex, 1);
    EXPECT_EQ(state.lineEditBuffer, state.lines[1]);
    EXPECT_EQ(state.doc.lineExtensionAmount, "30.00");
}

TEST(DeleteLine, ClickedLineIsRemoved) {
    DocumentState state = freshState();
    addNamedLine(state, "1");
    addNamedLine(state, "2");
    addNamedLine(state, "3");
    ASSERT_TRUE(selectLine(state, 1));
    EXPECT_TRUE(deleteLine(state));
    EXPECT_EQ(positions(state), (std::vector<std::string>{"1", "3"}));
    // Position numbers are not renumbered.
    EXPECT_EQ(state.lineEditBuffer.position, "3");
}

TEST(DeleteLine, NothingToDeleteReturnsFalse) {
    DocumentState state = freshState();
    EXPECT_FALSE(deleteLine(state));
    EXPECT_FALSE(state.modified);

    addNamedLine(state, "1");
    selectLine(state, -1);
    state.modified = false;
    EXPECT_FALSE(deleteLine(state));
    EXPECT_EQ(state.lines.size(), 1u);
    EXPECT_FALSE(state.modified);
}

// ---- selection -------------------------------------------------------------------

TEST(SelectLine, CopiesTheLineIntoTheEditor) {
    DocumentState state = freshState();
    leaveLineField(state, LineField::Description, "\n   eingerückt");
    addNamedLine(state, "1", "2", "3,5", "7");
    addNamedLine(state, "2");
    state.modified = false;
    EXPECT_TRUE(selectLine(state, 0));
    EXPECT_FALSE(state.modified);
    EXPECT_EQ(state.currentLineIndex, 0);
    EXPECT_EQ(state.lineEditBuffer, state.lines[0]);
    EXPECT_EQ(state.lineEditBuffer.unitPrice, "3.50");
    // The stored description is not tidied.
    EXPECT_EQ(state.lineEditBuffer.itemDescription, "\n   eingerückt");
}

TEST(SelectLine, NoRowClearsTheEditor) {
    DocumentState state = freshState();
    addNamedLine(state, "1");
    leaveLineField(state, LineField::ItemName, "halb getippt");
    EXPECT_FALSE(selectLine(state, -1));
    EXPECT_EQ(state.currentLineIndex, -1);
    EXPECT_EQ(state.lineEditBuffer, LineItem{});
    EXPECT_FALSE(selectLine(state, 5));
    EXPECT_EQ(state.currentLineIndex, -1);
}

TEST(ClearLineEditor, EmptiesAllThirteenFields) {
    DocumentState state = freshState();
    addNamedLine(state, "1");
    selectLine(state, 0);
    ASSERT_NE(state.lineEditBuffer, LineItem{});
    clearLineEditor(state);
    EXPECT_EQ(state.lineEditBuffer, LineItem{});
    EXPECT_EQ(state.lines.size(), 1u);
}

// ---- description shown in the editor --------------------------------------------

TEST(TidyDescription, EmptyFirstLineAndIndentationGo) {
    EXPECT_EQ(tidyDescriptionForDisplay("\r\n        Erste Zeile\r\n        Zweite Zeile"),
              "Erste Zeile\r\nZweite Zeile");
    EXPECT_EQ(tidyDescriptionForDisplay("\n    a\n    b\n"), "a\nb\n");
    EXPECT_EQ(tidyDescriptionForDisplay("   \r  a\r  b"), "a\rb");
}

TEST(TidyDescription, FirstLineWithTextStays) {
    EXPECT_EQ(tidyDescriptionForDisplay("  Kopf\n    Rumpf"), "Kopf\nRumpf");
    EXPECT_EQ(tidyDescriptionForDisplay("ohne Umbruch"), "ohne Umbruch");
    EXPECT_EQ(tidyDescriptionForDisplay("\tTab\n\t\tTab"), "Tab\nTab");
}

TEST(TidyDescription, OnlyOneEmptyLineIsDropped) {
    EXPECT_EQ(tidyDescriptionForDisplay("\n\nx"), "\nx");
    EXPECT_EQ(tidyDescriptionForDisplay("a\n\n  b"), "a\n\nb");
}

TEST(TidyDescription, BlankTextsBecomeEmpty) {
    EXPECT_EQ(tidyDescriptionForDisplay(""), "");
    EXPECT_EQ(tidyDescriptionForDisplay("   "), "");
    EXPECT_EQ(tidyDescriptionForDisplay("\r\n"), "");
}

TEST(TidyDescription, MixedBreaksTakeTheFirstStyle) {
    EXPECT_EQ(tidyDescriptionForDisplay("a\r\n b\n c\r d"), "a\r\nb\r\nc\r\nd");
    EXPECT_EQ(tidyDescriptionForDisplay("a\n b\r\n c"), "a\nb\nc");
}

// ---- list view -------------------------------------------------------------------

TEST(LineListCell, TheTenColumns) {
    DocumentState state = freshState();
    leaveLineField(state, LineField::ItemNumber, "4711");
    leaveLineField(state, LineField::ItemName, "Kölnisch Wasser");
    addNamedLine(state, "1", "3", "9,99", "19");
    const std::vector<std::string> expected = {
        "1", "3", "4711", "Kölnisch Wasser", "9.99", "29.97", "19.00%", "35.66", "EUR", ""};
    for (int column = 0; column < 10; ++column)
        EXPECT_EQ(lineListCell(state, 0, column), expected[static_cast<std::size_t>(column)]) << column;
}

TEST(LineListCell, RowsFollowTheListOrder) {
    DocumentState state = freshState();
    addNamedLine(state, "1", "1", "100", "7");
    addNamedLine(state, "2", "2", "0,5", "0");
    selectLine(state, 0);
    addNamedLine(state, "3", "1", "1", "19");
    EXPECT_EQ(lineListCell(state, 0, 7), "107.00");
    EXPECT_EQ(lineListCell(state, 1, 0), "3");
    EXPECT_EQ(lineListCell(state, 1, 7), "1.19");
    EXPECT_EQ(lineListCell(state, 2, 5), "1.00");
    EXPECT_EQ(lineListCell(state, 2, 6), "0.00%");
}

TEST(LineListCell, OutsideTheListIsEmpty) {
    DocumentState state = freshState();
    EXPECT_EQ(lineListCell(state, 0, 0), "");
    addNamedLine(state, "1");
    EXPECT_EQ(lineListCell(state, 1, 0), "");
    EXPECT_EQ(lineListCell(state, -1, 0), "");
    EXPECT_EQ(lineListCell(state, 0, 10), "");
    EXPECT_EQ(lineListCell(state, 0, -1), "");
}

} // namespace
} // namespace tallomir
