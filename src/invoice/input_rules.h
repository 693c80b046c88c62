#pragma once

#include "dates.h"
#include "fields.h"
#include "model.h"

#include <string>

namespace tallomir {

// What a field rule asks of the window besides changing the document.
struct RuleOutcome {
    // A message box to show (both empty when none).
    std::string messageTitle;
    std::string messageText;
    // "Fälligkeit" must show no date (a credit note was chosen).
    bool dueDateCleared = false;
    // The bank fields "Bankname" and "BIC" take these texts and marking.
    bool bankFieldsChanged = false;
    bool bankFieldsMandatory = false;
    std::string bankNameShown;
    std::string bicShown;
    // The footer view was recomputed and must be shown again.
    bool totalsChanged = false;
};

// The document text that a text field of the pages "Belegkopf", "Lieferant",
// "Kunde" and "Lieferung" shows and edits ("Zahlungsbedingung" included);
// nullptr for every other control (combos, dates, the footer).
const std::string* documentText(const InvoiceDocument& doc, FieldId field);

// A text field (single- or multi-line, or the text of the editable combo
// "Zahlungsbedingung") of the pages "Belegkopf", "Lieferant", "Kunde",
// "Lieferung" or "Belegfuss" was left with this text.
RuleOutcome leaveTextField(DocumentState& state, FieldId field, const std::string& text);

// A list combo's selection changed to index (document type, currency, tax
// category, payment means, the allowance's "USt. %").
RuleOutcome selectEntry(DocumentState& state, FieldId field, int index);

// A date picker changed; noDate when its check box was cleared.
RuleOutcome changeDate(DocumentState& state, FieldId field, DateValue date);

struct MandatoryCheck {
    bool ok = true;
    std::string title;
    std::string text;
};

// The check before "Speichern": the sixteen mandatory fields in order, then an
// allowance or charge entered without its reason.
MandatoryCheck checkMandatoryFields(const DocumentState& state);

} // namespace tallomir
