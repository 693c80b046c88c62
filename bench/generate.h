#pragma once

#include "invoice/model.h"

#include <string>

namespace tallomir::bench {

// A complete invoice of `lines` lines at the three default rates, with an
// allowance, as a user could have typed it.
DocumentState generateInvoice(int lines);

// Types one line into the line editor and adds it with "Anfügen".
void typeAndAddLine(DocumentState& state);

// Generates the invoice and saves it through the normal save path.
bool writeGeneratedInvoice(int lines, const std::string& fileName);

} // namespace tallomir::bench
