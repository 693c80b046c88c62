#pragma once

// The invoices the command-line tests build: the minimal invoice the check
// lets pass, and a table of changes to it (every VAT situation, a credit note,
// attached files, …), shared by the tests of plain files and of hybrid PDFs.

#include <nlohmann/json.hpp>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tallomir::testing {

using nlohmann::json;

// An invoice with what the check requires, and one line.
json minimalInvoice();
json line(const std::string& position, const std::string& quantity, const std::string& price,
          const std::string& rate);

struct BuiltCase {
    const char* name;
    std::function<void(json&)> change;
    std::vector<std::pair<std::string, std::string>> dumped; // JSON pointer, value
    std::vector<std::string> written = {};                   // in the file, blanks between elements out
    std::vector<std::string> shown = {};                     // in its PDF ("pdf"), words whole
};
const std::vector<BuiltCase>& builtCases();

// The case's input in the version ("2.1.1", "3.0") and syntax ("ubl", "cii").
json builtInput(const BuiltCase& c, const std::string& version, const std::string& syntax);

} // namespace tallomir::testing
