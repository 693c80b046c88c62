#pragma once

// The form's pages as data: one table per page, one row per input, in the
// order the eye reads the page (and Tab walks it). A row holds everything of
// its input in one place: the label, the tooltip with an example, what it
// edits, the kind of input and its width in characters. The check names a
// field by its row's label and page; the window's page builder lays the rows
// out.

#include "form/fields.h"
#include "form/line_list.h"
#include "invoice/model.h"

#include <optional>
#include <span>
#include <string>

namespace tallomir {

enum class Input {
    Text,       // one line of text, handed over when it is left
    MultiLine,  // several lines of text
    Amount,     // a number the window computes: shown, right-aligned, not typed
    ShownLines, // several lines the window shows, not typed
    Date,       // a date with its calendar (DatePicker)
    Choice,     // an entry of a code list
    Proposals,  // a text typed or taken from proposals
    Caption,    // a text the window shows beside an input, in its own words
};

// The list a Choice or Proposals input offers.
enum class Choices {
    None,
    DocumentTypes,
    Currencies,
    PaymentTerms,
    TaxCategories,
    DocumentFormats,
    Syntaxes,
    PaymentMeans,
    EndpointSchemes,
    VatRates,
    Units,
};

// Where a row stands relative to the row before it.
enum class Place {
    Row,        // a line of its own: the label on the left, the input beside it
    Beside,     // in the line of the row before, after its input; without a label it
                // joins that input (a date range, an address and its scheme)
    Wide,       // like Row, the input reaching over the columns to its right
    Above,      // a line of its own with the label above the input
    NextColumn, // like Above, at the top of a new column right of the ones before
    AfterGap,   // like Row, after a line left empty, which sets a group apart
};

// Where a row's text lives in the document.
using TextOf = std::string* (*)(InvoiceDocument&);

struct PageRow {
    FieldId field;    // the document's field it edits, named "field<N>" ...
    const char* name; // ... or, when set, the object name of a control that edits no field of the
                      // document: of the line editor, a VAT row's column, a caption
    std::optional<LineField> lineField; // the line editor's text it edits
    const char* labelName;              // the label's object name; nullptr: no label
    const char* label; // the label's text at start-up; without a label, how the check names the field
    Input input;
    Choices choices;
    int chars; // the width of the input, in characters of the window's font
    Place place;
    const char* tooltip;   // what it holds, with an example
    int lines = 1;         // the height of a multi-line input, in lines; a caption of more wraps
    TextOf text = nullptr; // the text or date of the document it edits; none for a choice or a shown value
};

using PageRows = std::span<const PageRow>;

// The pages (their titles in form/fields.h): "Belegkopf", "Lieferant",
// "Kunde", "Lieferung", "Positionen" (the line editor; its list and buttons
// are not rows), "Belegfuss" (its VAT rows are made as groups appear, their
// columns are in vatRowColumns()), "Weitere Angaben" and "Anhänge" (a list
// with its buttons, no rows).
const char* pageTitle(int page);
PageRows pageRows(int page);
// The row of a document field; nullptr for a field without one (a list).
const PageRow* pageRowOf(FieldId field);

// The columns of a VAT row on "Belegfuss": rate, "% aus" taxable amount,
// "USt." tax, "Kategorie"; the row's number follows the name
// ("footerRowTax4"). The first three rows' rate, taxable and tax are the
// fields 150/147/148, 155/152/153 and 156/151/154.
PageRows vatRowColumns();

} // namespace tallomir
