// The line editor and the line list on "Positionen": "Anfügen", "Ändern", "Löschen", selection, cells.

#include "form/footer.h"
#include "form/input_rules.h"
#include "form/line_allowances.h"
#include "form/line_list.h"
#include "invoice/amounts.h"

#include <gtest/gtest.h>

#include <functional>

namespace tallomir {
namespace {

// Types a line into the editor and, unless told not to, presses "Anfügen".
void enterLine(Form& state, const std::string& position, const std::string& quantity = "1",
               const std::string& price = "10", const std::string& rate = "19", bool add = true) {
    leaveLineField(state, LineField::Position, position);
    leaveLineField(state, LineField::Quantity, quantity);
    leaveLineField(state, LineField::UnitPrice, price);
    leaveLineField(state, LineField::VatPercent, rate);
    if (add)
        addLine(state);
}

// A line's allowance ("false") or charge ("true") as a file may hold it.
AllowanceCharge lineEntry(const char* indicator, const char* reason, const char* amount) {
    AllowanceCharge entry;
    entry.chargeIndicator = indicator;
    entry.reason = reason;
    entry.amount = amount;
    return entry;
}

std::string positions(const Form& state) {
    std::string result;
    for (const LineItem& line : state.lines)
        result += line.position;
    return result;
}

TEST(LineEditor, FieldsKeepTheirTextsAndNumbersBecomeDecimalTexts) {
    // Field, typed text, stored text, what the status bar says.
    using enum LineField;
    using L = LineItem;
    const std::tuple<LineField, std::string L::*, const char*, const char*, const char*> cases[] = {
        {Quantity, &L::quantity, "1,5", "1.5", ""},
        {Quantity, &L::quantity, "abc", "abc", "Anz.: \u201Eabc\u201C ist keine Zahl"},
        {Quantity, &L::quantity, "1.000", "1000",
         "Anz.: \u201E1.000\u201C gelesen als 1000 (Punkt als Tausendertrennzeichen)"},
        {Quantity, &L::quantity, "0.125", "0.125",
         "Anz.: \u201E0.125\u201C gelesen als 0,125 (Punkt als Dezimalzeichen)"},
        {Quantity, &L::quantity, "1.2.3", "1.2.3", "Anz.: \u201E1.2.3\u201C ist keine Zahl"},
        {UnitPrice, &L::unitPrice, "0,12345", "0.1235", ""},
        {UnitPrice, &L::unitPrice, "1.234,5", "1234.50",
         "Preis: \u201E1.234,5\u201C gelesen als 1234,5 (Punkt als Tausendertrennzeichen)"},
        {VatPercent, &L::lineVatPercent, "19 %", "19.00", ""},
        {UnitPrice, &L::unitPrice, "-5", "-5.00", "Preis: Ein Preis darf nicht negativ sein"},
        {VatPercent, &L::lineVatPercent, "7,5", "7.50", ""},
        {ItemName, &L::itemName, "Schraube\r\nM4\t", "Schraube M4 ", ""},
        {Description, &L::itemDescription, "\r\n  verzinkt\r  100 Stück", "\n  verzinkt\n  100 Stück", ""},
    };
    Form state = makeForm(defaultCodeLists());
    for (const auto& [field, member, typed, stored, status] : cases) {
        EXPECT_EQ(leaveLineField(state, field, typed), status) << typed;
        EXPECT_EQ(state.lineEditBuffer.*member, stored) << typed;
    }
    EXPECT_FALSE(state.modified); // the editor is not yet the document
}

// Outside the scope of VAT 0 % and none both mean no rate; any other rate is wrong.
TEST(LineEditor, NotSubjectLinesTakeNoRate) {
    Form state = makeForm(defaultCodeLists());
    chooseLineCategory(state, 7); // "Nicht steuerbarer Umsatz" O
    for (const auto& [typed, status] : {std::pair{"0", ""},
                                        {"0,00 %", ""},
                                        {"", ""},
                                        {"19", "Bei nicht steuerbaren Umsätzen entfällt die USt."}})
        EXPECT_EQ(leaveLineField(state, LineField::VatPercent, typed), status) << typed;
    enterLine(state, "1", "1", "10", "", false);
    state.lineEditBuffer.lineVatPercent = "0.00"; // as a line read from a file may hold it
    addLine(state);
    EXPECT_EQ(state.lines.at(0).lineTaxCategory + "|" + state.lines[0].lineVatPercent, "O|");
}

// "Anfügen" and "Ändern" refuse a line they cannot store and name the field to mark.
TEST(LineEditor, RefusesALineItCannotStore) {
    Form state = makeForm(defaultCodeLists());
    enterLine(state, "1");
    enterLine(state, "2");
    using enum LineField;
    const std::tuple<std::function<void(Form&)>, bool, LineField, const char*> cases[] = {
        {[](Form& s) { enterLine(s, "3", "zwei", "10", "19", false); }, true, Quantity,
         "Die Position wurde nicht angefügt: Anz.: \u201Ezwei\u201C ist keine Zahl"},
        {[](Form& s) { enterLine(s, "3", "1", "abc", "19", false); }, true, UnitPrice,
         "Die Position wurde nicht angefügt: Preis: \u201Eabc\u201C ist keine Zahl"},
        {[](Form& s) { enterLine(s, "3", "1", "-5", "19", false); }, true, UnitPrice,
         "Die Position wurde nicht angefügt: Preis: Ein Preis darf nicht negativ sein"},
        {[](Form& s) { enterLine(s, "3", "1", "5", "neunzehn", false); }, true, VatPercent,
         "Die Position wurde nicht angefügt: USt.: \u201Eneunzehn\u201C ist keine Zahl"},
        {[](Form& s) { enterLine(s, "2", "1", "5", "19", false); }, true, Position,
         "Die Position wurde nicht angefügt: Pos. 2 ist schon vergeben"},
        // The line shown keeps its own number when changed, but adding it again repeats it.
        {[](Form& s) { selectLine(s, 1); }, false, Position, ""},
        {[](Form& s) { selectLine(s, 1); }, true, Position,
         "Die Position wurde nicht angefügt: Pos. 2 ist schon vergeben"},
        {[](Form& s) { selectLine(s, 1), leaveLineField(s, Position, "1"); }, false, Position,
         "Die Position wurde nicht geändert: Pos. 1 ist schon vergeben"},
        {[](Form& s) { enterLine(s, "3", "1,5", "0", "19", false); }, true, Position, ""},
        // A line made smaller than its allowances.
        {[](Form& s) {
             selectLine(s, 1);
             s.lineEditBuffer.allowances = {lineEntry("false", "Rabatt", "8.00"),
                                            lineEntry("false", "Bonus", "3.00")};
         },
         false, Quantity,
         "Die Position wurde nicht geändert: Die Nachlässe (11,00) sind größer als die Position (10,00)"},
    };
    for (const auto& [typing, adding, field, text] : cases) {
        Form typed = state;
        typing(typed);
        const std::optional<LineRefusal> refusal = lineRefusal(typed, adding);
        EXPECT_EQ(refusal ? refusal->text : "", text);
        EXPECT_EQ(refusal ? refusal->field : Position, field) << text;
    }
}

// The dialog's rows become the allowances and charges of the line in the editor, or a message
// names what is wrong and the line keeps what it had; "Anfügen" then stores the net amount.
TEST(LineAllowances, TakenFromTheRowsOrRefusedWithAMessage) {
    Form state = makeForm(defaultCodeLists());
    enterLine(state, "1", "3", "9,99", "19", false); // 29.97
    const std::string before = "false 1.00 - - Alt/";
    state.lineEditBuffer.allowances = {lineEntry("false", "Alt", "1.00")};
    using Rows = std::vector<LineAllowanceTexts>;
    const std::tuple<Rows, const char*, std::string> cases[] = {
        {{{"", "5,00", "", "", "Treuerabatt", ""}, {"Zuschlag", "2.50", "", "", "", "ABL"}},
         "",
         "false 5.00 - - Treuerabatt/; true 2.50 - - /ABL"},
        // A percentage's amount is computed, of its base or of the line; a typed amount beside it does not
        // count.
        {{{"Nachlass", "99", "10", "", "Menge", ""}, {"Zuschlag", "", "10 %", "20", "", "FC"}},
         "",
         "false 3.00 10 - Menge/; true 2.00 10 20.00 /FC"},
        {{{"", "", "", "", "", ""}}, "", ""},
        {{{"", "fünf", "", "", "X", ""}},
         "Nachlass in Zeile 1: Betrag \u201Ef\u00FCnf\u201C ist keine Zahl",
         before},
        {{{"", "1", "", "", "X", ""}, {"Zuschlag", "", "-2", "", "X", ""}},
         "Zuschlag in Zeile 2: Prozent darf nicht negativ sein",
         before},
        {{{"Zuschlag", "1", "", "", "", ""}}, "Zuschlag in Zeile 1: Grund oder Grund-Code fehlt", before},
        {{{"", "", "", "", "X", ""}}, "Nachlass in Zeile 1: Betrag oder Prozent fehlt", before},
        {{{"Rabatt", "1", "", "", "X", ""}},
         "Zeile 1: Art \u201ERabatt\u201C ist weder Nachlass noch Zuschlag",
         before},
        // 20.00 + 50 % of 29.97 (14.985, 14.99) is more than the line; up to the line with its charges is
        // not.
        {{{"", "20", "", "", "A", ""}, {"", "", "50", "", "B", ""}},
         "Die Nachlässe (34,99) sind größer als die Position (29,97)",
         before},
        {{{"", "30", "", "", "A", ""}, {"Zuschlag", "0,03", "", "", "B", ""}},
         "",
         "false 30.00 - - A/; true 0.03 - - B/"},
    };
    for (const auto& [rows, message, entries] : cases) {
        Form typed = state;
        EXPECT_EQ(setLineAllowances(typed, rows), message);
        std::string text;
        for (const AllowanceCharge& e : typed.lineEditBuffer.allowances)
            text += (text.empty() ? "" : "; ") + e.chargeIndicator + " " + e.amount + " " +
                    (e.percent.empty() ? "-" : e.percent) + " " +
                    (e.baseAmount.empty() ? "-" : e.baseAmount) + " " + e.reason + "/" + e.reasonCode;
        EXPECT_EQ(text, entries) << message;
    }
    ASSERT_EQ(setLineAllowances(state, std::get<0>(cases[1])), "");
    EXPECT_EQ(
        lineAllowanceTexts(state.lineEditBuffer),
        (Rows{{"Nachlass", "3,00", "10", "", "Menge", ""}, {"Zuschlag", "2,00", "10", "20,00", "", "FC"}}));
    // A percentage of the line follows its price when the line is stored: 10 % of 3 × 20.00.
    leaveLineField(state, LineField::UnitPrice, "20");
    addLine(state);
    EXPECT_EQ(state.lines[0].allowances[0].amount + " " + state.lines[0].lineNetAmount, "6.00 56.00");
}

// A new line is offered the number after the highest; a number typed or a line shown stays.
TEST(LineEditor, ProposesTheNextFreePosition) {
    Form state = makeForm(defaultCodeLists());
    proposeLinePosition(state);
    std::string seen = state.lineEditBuffer.position;
    for (const char* position : {"1", "9", "A-3", "4"})
        enterLine(state, position);
    proposeLinePosition(state);
    seen += " " + state.lineEditBuffer.position;
    leaveLineField(state, LineField::Position, "");
    leaveLineField(state, LineField::Position, "12");
    proposeLinePosition(state);
    seen += " " + state.lineEditBuffer.position;
    selectLine(state, 2);
    state.lineEditBuffer.position.clear();
    proposeLinePosition(state);
    EXPECT_EQ(seen + " " + state.lineEditBuffer.position + "|", "1 10 12 |");
}

TEST(AddLine, StoresTheLineWithNetAndTaxFieldsAndEmptiesTheEditor) {
    Form state = makeForm(defaultCodeLists());
    selectEntry(state, FieldId::TaxCategory, 1);
    changeLineDate(state, true, parseIsoDate("2024-02-01"));
    changeLineUnit(state, "HUR");
    enterLine(state, "1", "1,5", "9,99", "19");
    ASSERT_EQ(state.lines.size(), 1u);
    const LineItem& line = state.lines[0];
    EXPECT_EQ(line.quantity + " " + line.unitPrice + " " + line.lineNetAmount + " " + line.lineVatPercent +
                  " " + line.lineTaxCategory + " " + line.lineTaxScheme + " " + line.lineStartDate + " " +
                  line.unitCode + " " + state.doc.lineExtensionAmount,
              "1.5 9.99 14.99 19.00 K VAT 2024-02-01 HUR 14.99"); // 14.985 rounds up
    EXPECT_TRUE(state.modified);
    // The editor holds the next new line, in the unit used last: no stored line is current.
    const LineItem& next = state.lineEditBuffer;
    EXPECT_EQ(next.position + next.quantity + next.unitPrice + next.lineStartDate + next.unitCode +
                  next.lineTaxCategory + next.lineVatPercent + std::to_string(state.currentLineIndex),
              "HURK0.00-1");
}

// "Anfügen" inserts after the current line, else at the end; "Ändern" and "Löschen" act on it.
TEST(LineList, AddChangeAndDeleteActOnTheCurrentLine) {
    Form state = makeForm(defaultCodeLists());
    for (int i = 1; i <= 3; ++i)
        enterLine(state, std::to_string(i), "1", std::to_string(10 * i));
    ASSERT_TRUE(selectLine(state, 0));
    enterLine(state, "4");
    enterLine(state, "5"); // no line is current now
    EXPECT_EQ(positions(state), "14235");
    ASSERT_TRUE(selectLine(state, 2));
    enterLine(state, "2", "4", "20", "19", false);
    EXPECT_EQ(leaveLineField(state, LineField::ItemName, "geändert"), "");
    EXPECT_TRUE(changeLine(state));
    EXPECT_EQ(state.currentLineIndex, 2);
    EXPECT_EQ(state.lines[2].quantity + " " + state.lines[2].lineNetAmount + " " + state.lines[2].itemName +
                  " " + state.lines[3].lineNetAmount + " " + state.doc.lineExtensionAmount,
              "4 80.00 geändert 30.00 140.00");
    // The line that moved up is shown; positions are not renumbered. At the end the one before is shown.
    EXPECT_TRUE(deleteLine(state));
    EXPECT_EQ(positions(state) + " " + std::to_string(state.currentLineIndex) + state.lineEditBuffer.position,
              "1435 23");
    ASSERT_TRUE(selectLine(state, 3) && deleteLine(state));
    EXPECT_EQ(state.currentLineIndex, 2);
    EXPECT_EQ(state.lineEditBuffer, state.lines[2]);
}

// With no line "Ändern" stores the first; selecting copies a line into the editor, no row clears it.
TEST(LineList, ChangeSelectAndDeleteASingleLine) {
    Form state = makeForm(defaultCodeLists());
    leaveLineField(state, LineField::Description, "\n   eingerückt");
    enterLine(state, "1", "2", "5", "19", false);
    EXPECT_TRUE(changeLine(state));
    EXPECT_EQ(state.lines.at(0).lineNetAmount + " " + state.lineEditBuffer.quantity + " " +
                  state.doc.payableAmount + " " + std::to_string(state.currentLineIndex),
              "10.00 2 11.90 0");                                   // the editor keeps its texts
    EXPECT_EQ(leaveLineField(state, LineField::Position, "1"), ""); // its own number is not taken
    for (int row : {-1, 5}) {
        EXPECT_FALSE(selectLine(state, row));
        EXPECT_EQ(state.currentLineIndex, -1);
        EXPECT_EQ(state.lineEditBuffer, makeForm(defaultCodeLists()).lineEditBuffer);
    }
    // With no line current neither changes anything; what was typed stays.
    state.modified = false;
    leaveLineField(state, LineField::ItemName, "nirgends");
    EXPECT_FALSE(changeLine(state) || deleteLine(state) || state.modified);
    EXPECT_EQ(std::to_string(state.lines.size()) + state.lines[0].itemName + state.lineEditBuffer.itemName,
              "1nirgends");
    EXPECT_TRUE(selectLine(state, 0));
    EXPECT_EQ(state.lineEditBuffer, state.lines[0]); // the stored description is not tidied
    // Deleting the last line leaves zero totals.
    EXPECT_TRUE(deleteLine(state));
    EXPECT_EQ(state.currentLineIndex, -1);
    EXPECT_EQ(state.doc.lineExtensionAmount + state.doc.taxExclusiveAmount + state.doc.taxInclusiveAmount +
                  state.doc.payableAmount + " " + footerView(state).linesTotal +
                  footerView(state).payableTotal,
              "0.000.000.000.00 0,000,00");
}

TEST(TidyDescription, IndentationAndAnEmptyFirstLineGo) {
    const std::pair<const char*, const char*> cases[] = {
        {"\r\n        Erste Zeile\r\n        Zweite Zeile", "Erste Zeile\r\nZweite Zeile"},
        {"\tTab\n\t\tTab", "Tab\nTab"},
        {"\n\nx", "\nx"},                        // only one empty line is dropped
        {"a\r\n b\n c\r d", "a\r\nb\r\nc\r\nd"}, // mixed breaks take the first style
    };
    for (const auto& [stored, shown] : cases)
        EXPECT_EQ(tidyDescriptionForDisplay(stored), shown) << stored;
}

TEST(LineListCell, TheElevenColumnsInListOrder) {
    Form state = makeForm(defaultCodeLists());
    leaveLineField(state, LineField::ItemNumber, "4711");
    leaveLineField(state, LineField::ItemName, "Kölnisch Wasser");
    changeLineUnit(state, "LTR");
    enterLine(state, "1", "3", "9,99", "19");
    changeLineUnit(state, "XPP"); // a unit the list does not have shows its code
    enterLine(state, "2", "2", "0,5", "0");
    selectLine(state, 0); // the editor now holds the first line's texts
    enterLine(state, "3", "1", "1", "7");
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
}

} // namespace
} // namespace tallomir
