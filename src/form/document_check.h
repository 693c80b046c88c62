#pragma once

#include "form/field_labels.h"
#include "form/form.h"
#include "form/line_list.h"

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
std::vector<Finding> checkDocument(const Form& state);

// The fields that must be filled now: they follow the document type, the
// payment means and what else is filled (of a group where one field is
// enough, every field counts as required while none of them is filled).
struct Requirements {
    std::set<FieldId> fields;
    std::set<LineField> lineFields;
};
Requirements currentRequirements(const Form& state);

struct MandatoryCheck {
    bool ok = true;
    std::string title;
    std::string text;  // every finding on a line of its own, lines separated by CR
    CheckTarget first; // what "Speichern" shows when the check fails
};
// The check as "Speichern" and the command line run it.
MandatoryCheck checkMandatoryFields(const Form& state);

} // namespace tallomir
