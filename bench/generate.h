#pragma once

#include "form/form.h"

#include <string>

namespace tallomir::bench {

// A complete invoice of `lines` lines at the three default rates, with an
// allowance, as a user could have typed it.
Form generateInvoice(int lines);

// Types one line into the line editor and adds it with "Anfügen".
void typeAndAddLine(Form& state);

// Generates the invoice and saves it through the normal save path, in the
// syntax given.
bool writeGeneratedInvoice(int lines, const std::string& fileName, Syntax syntax = Syntax::Ubl);

// An invoice of 10 lines with one attached file of `bytes` bytes (Base64 text
// of a third more), as "Datei anhängen …" embeds it.
Form generateInvoiceWithAttachment(std::size_t bytes);
bool writeInvoiceWithAttachment(std::size_t bytes, const std::string& fileName);

} // namespace tallomir::bench
