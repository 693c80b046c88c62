#pragma once

#include "form/form.h"
#include "invoice/dates.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallomir {

// What a field rule asks of the window besides changing the document.
struct RuleOutcome {
    // A message box to show (both empty when none).
    std::string messageTitle;
    std::string messageText;
    // A short note for the status bar: what was wrong with the text typed, or
    // how an ambiguous number was read ("" when there is nothing to say).
    std::string statusText;
    // The footer view was recomputed and must be shown again.
    bool totalsChanged = false;
    // Stored lines or the line editor changed (their tax category).
    bool linesChanged = false;
    // Fields the rule filled in besides the one left; they must show it.
    std::vector<FieldId> fieldsFilled;
};

// What to say of a number typed into a field that takes one: the reason it
// cannot be read (its text is then not taken), or, whenever a point was
// involved, how it was read. Empty when there is nothing to say. A rate may
// carry a "%" ("19 %").
struct NumberReading {
    std::optional<Decimal> value; // nothing when the text is empty or no number
    std::string problem;          // "… ist keine Zahl"
    std::string note;             // "„1.000“ gelesen als 1000 (Punkt als Tausendertrennzeichen)"
};
NumberReading readNumberField(std::string_view label, std::string_view text, bool rate = false);

// The document text that a text field of the pages "Belegkopf", "Lieferant",
// "Kunde", "Lieferung" and "Weitere Angaben" shows and edits
// ("Zahlungsbedingung" included);
// nullptr for every other control (combos, dates, the footer).
const std::string* documentText(const InvoiceDocument& doc, FieldId field);
// The date (an ISO text, "" for none) that a date picker of the form shows
// and edits; nullptr for every other control.
const std::string* documentDate(const InvoiceDocument& doc, FieldId field);

// A text field (single- or multi-line, or the text of the editable combo
// "Zahlungsbedingung") of the pages "Belegkopf", "Lieferant", "Kunde",
// "Lieferung", "Belegfuss" or "Weitere Angaben" was left with this text.
RuleOutcome leaveTextField(Form& state, FieldId field, const std::string& text);

// A list combo's selection changed to index (document type, currency, tax
// category, payment means, the allowance's "USt. %").
RuleOutcome selectEntry(Form& state, FieldId field, int index);

// Whether a form field takes input now: the reference to the invoice
// corrected ("Bezug auf Rechnung", "vom") only on a credit note (381) or a
// corrected invoice (384). A field that takes none keeps its value.
bool fieldEnabled(const Form& state, FieldId field);

// A date picker changed; noDate when its check box was cleared.
RuleOutcome changeDate(Form& state, FieldId field, DateValue date);

} // namespace tallomir
