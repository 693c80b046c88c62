#pragma once

#include <string>
#include <string_view>

namespace tallomir {

// IBANs and VAT identifiers: the form the document keeps them in and what
// makes one well-formed.

// The text without blanks, tabs and no-break spaces ("DE02 1203 …" gives
// "DE02120300000000202051").
std::string compactIdentifier(std::string_view text);

// What is wrong with an IBAN, said after its label ("„DE02…“ hat falsche
// Prüfziffern") (ISO 13616): two capital letters of a country,
// two check digits, 11 to 30 digits or capital letters, blanks left out, and
// the check digits right (mod 97). "" when nothing.
std::string ibanProblem(std::string_view iban);

// What is wrong with a VAT identifier, blanks left out, said after its label: it begins with a
// country code (Greece: "EL"); in the countries of the EU and Northern Ireland
// ("XI") its length after the code is the one of that country and it holds
// only digits and capital letters. "" when nothing.
std::string vatIdProblem(std::string_view vatId);

// The two-letter country codes of ISO 3166-1 that invoices may carry.
bool isCountryCode(std::string_view code);
// The schemes of electronic addresses (the EAS code list).
bool isEndpointScheme(std::string_view code);
// The form of a note's subject code (UNTDID 4451): three capital letters, "AAI".
bool isNoteSubjectCode(std::string_view code);
// What a code of the tax point names (the date the VAT falls due on): "3"
// the invoice's date, "35" the delivery's, "432" the payment's; nullptr for
// another code.
const char* taxPointCodeName(std::string_view code);
// Whether a code has the form of an identifier scheme of ISO 6523 (the ICD):
// four digits, "0088".
bool hasIcdForm(std::string_view code);

} // namespace tallomir
