#pragma once

#include "form/form.h"

#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

namespace tallomir::cli {

// A JSON input that cannot be entered as a user would (unknown key, unknown
// code, a date a date picker could not yield, a value that is no text).
class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Enters the JSON object into the document as a user would type it into the
// form: header and payment fields, parties, delivery in the order of the form
// pages, then each line as with "Anfügen", then the allowance row. Every value
// goes through the rule the form applies when that field is left; keys not
// given are not entered. Throws InputError.
void enterJson(Form& state, const nlohmann::json& input);

// Every field of the loaded document by its name.
nlohmann::json dumpDocument(const DocumentState& state);

} // namespace tallomir::cli
