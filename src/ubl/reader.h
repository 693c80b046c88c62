#pragma once

#include "invoice/model.h"
#include "xml/xml.h"

#include <optional>
#include <string>
#include <string_view>

namespace tallomir::ubl {

struct LoadOutcome {
    enum class Result {
        NoDocument, // the file could not be opened or was empty
        ParseError, // not well-formed: show `message` in "Fehler beim Lesen der XML Datei"
        Refused,    // no UBL invoice or credit note, or a document type declaration: `message` says why
        Loaded,
    };
    Result result = Result::NoDocument;
    std::string message;
};

// "Laden" after the dialog: parses and judges the file; only a file that is
// loaded replaces the document: resetDocument, currentFileName = fileName,
// walk, allowance working values, recomputeLines, recomputeTotals, and the
// list of what the file holds and the document cannot (`notCarried`). After
// any failure the document is as it was.
LoadOutcome loadInvoiceFile(DocumentState& state, const std::string& fileName);
// The same for bytes in memory (fuzzing, tests); currentFileName stays.
LoadOutcome loadInvoiceBytes(DocumentState& state, std::string_view bytes);

// The version of XRechnung a file names in its cbc:CustomizationID; nothing
// for a file that cannot be read or names neither.
std::optional<XRechnungVersion> fileVersion(const std::string& fileName);

// The version a cbc:CustomizationID names, the standard itself or its
// extension, blanks around allowed; nothing for any other identifier.
std::optional<XRechnungVersion> versionNamedBy(std::string_view customizationId);

// A cbc:ChargeIndicator as its schema type, the boolean, reads it: "true" or
// "1" for a charge, "false" or "0" for an allowance, blanks around allowed;
// nothing for any other text.
std::optional<bool> readChargeIndicator(std::string_view text);

} // namespace tallomir::ubl
