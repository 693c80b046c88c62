#pragma once

#include <string>
#include <vector>

namespace tallomir::testing {

// Reads a saved UBL invoice or credit note and checks the EN 16931 sum rules
// BR-CO-10 to BR-CO-17 and the category rules of S, K and G (BR-S-08/09,
// BR-IC-08/09, BR-G-08/09). Each broken rule gives one text that starts with
// its identifier; an empty list means the file keeps every rule.
std::vector<std::string> checkSumRules(const std::string& path);

// Validates the file against the UBL 2.1 invoice or credit note schema of the
// reference folder with xmllint. Gives xmllint's error output, "" when the
// file is valid; without the folder, the message that it is missing (tests
// call TALLOMIR_REQUIRE_TESTDATA() first).
std::string validateWithXmllint(const std::string& path, bool isCreditNote);

} // namespace tallomir::testing
