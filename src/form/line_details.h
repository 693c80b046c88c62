#pragma once

// The further details of a line, edited in the dialog "Weitere Angaben …" of
// "Positionen": references, the item's other identifiers, its country of
// origin, its classifications and its properties.

#include "form/form.h"

#include <string>
#include <vector>

namespace tallomir {

// Rows of texts, one column per part of an entry.
using DetailRows = std::vector<std::vector<std::string>>;

struct LineDetails {
    std::string orderLineReference;
    std::string lineAccountingReference;
    std::string lineObjectIdentifier;
    std::string lineObjectIdentifierScheme;
    std::string buyersItemId;
    std::string standardItemId;
    std::string standardItemIdScheme;
    std::string originCountry;
    std::string priceDiscount; // as typed; a number is taken as a decimal
    std::string grossPrice;
    DetailRows classifications; // code, scheme, version
    DetailRows attributes;      // name, value
};

// What the dialog shows of a line.
LineDetails lineDetailsOf(const LineItem& line);

// The dialog's "OK": the details go into the line in the editor, which
// "Anfügen" or "Ändern" then stores. Every text is a single line without
// blanks at its ends; a row with no text at all is left out.
void takeLineDetails(Form& form, const LineDetails& details);

} // namespace tallomir
