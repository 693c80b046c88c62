#pragma once

#include "invoice/model.h"

#include <string>

namespace tallomir::bench {

// A complete invoice of `lines` lines at the three default rates, with an
// allowance, as a user could have typed it.
DocumentState generateInvoice(int lines);

// Generates the invoice and saves it through the normal save path.
bool writeGeneratedInvoice(int lines, const std::string& fileName);

} // namespace tallomir::bench
