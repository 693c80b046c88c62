#pragma once

#include "form/fields.h"

#include <string>

namespace tallomir {

// The label a form field carries on its page, with the "*" of a required field
// where the page puts it ("Land* (kurz)"); "" for a field without a label.
std::string fieldLabel(FieldId field, bool required);
// The title of the page a form field is on.
std::string pageOf(FieldId field);
// The page's place among the pages (`pageTitles`); that of "Positionen" for a
// field without a label.
int pageIndexOf(FieldId field);

} // namespace tallomir
