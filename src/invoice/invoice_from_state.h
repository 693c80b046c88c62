#pragma once

// The typed invoice of the document the form holds today. A step on the way
// from the form's texts to the typed model: the writer and the reader still
// work on the document state.

#include "invoice.h"
#include "model.h"

namespace tallomir::model {

Invoice invoiceFrom(const DocumentState& state);

// The tax categories in the order of the code list: the order of the breakdown.
std::vector<std::string> categoryOrder(const DocumentState& state);

} // namespace tallomir::model
