#pragma once

#include "fields.h"
#include "line_list.h"
#include "model.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tallomir {

// The check before a file is written. It follows the rules a receiver's
// validator applies to the file (the UBL schema, EN 16931 and XRechnung), as
// far as the fields of the form can break them, and asks for nothing those
// rules allow to be missing. The same rules decide which fields the form marks
// as required.

// Where a finding points: a form field, a field of a stored line, or, with
// neither, the line editor (no line at all).
struct CheckTarget {
    std::optional<FieldId> field;
    int line = -1;
    LineField lineField = LineField::ItemName;
};

struct Finding {
    CheckTarget target;
    std::string text; // German, naming the page and the field by its label
};

// Everything the file would break, in the order of the pages.
std::vector<Finding> checkDocument(const DocumentState& state);

// The fields that must be filled now: they follow the document type, the
// payment means and what else is filled (of a group where one field is
// enough, every field counts as required while none of them is filled).
struct Requirements {
    std::set<FieldId> fields;
    std::set<LineField> lineFields;
};
Requirements currentRequirements(const DocumentState& state);

// The label a form field carries on its page, with the "*" of a required field
// where the page puts it ("Land* (kurz)"); "" for a field without a label.
std::string fieldLabel(FieldId field, bool required);
// The title of the page a form field is on.
std::string pageOf(FieldId field);

struct MandatoryCheck {
    bool ok = true;
    std::string title;
    std::string text;  // every finding on a line of its own, lines separated by CR
    CheckTarget first; // what "Speichern" shows when the check fails
};
// The check as "Speichern" and the command line run it.
MandatoryCheck checkMandatoryFields(const DocumentState& state);

// The two-letter country codes of ISO 3166-1 that invoices may carry.
bool isCountryCode(std::string_view code);
// The schemes of electronic addresses (the EAS code list).
bool isEndpointScheme(std::string_view code);

// The entries of cash discount in payment terms, each from its "#SKONTO#" to
// the next (blanks and line breaks at their ends left out); and whether an
// entry has the form a receiver reads: "#SKONTO#TAGE=14#PROZENT=2.00#", with
// "#BASISBETRAG=100.00" before the last "#" where the discount has its own base.
std::vector<std::string> discountEntries(std::string_view terms);
bool isDiscountEntry(std::string_view entry);

} // namespace tallomir
