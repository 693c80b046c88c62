#pragma once

#include "invoice/model.h"
#include "xml/xml.h"

#include <optional>
#include <string>
#include <string_view>

namespace tallomir::ubl {

struct LoadOutcome {
    enum class Result {
        NoDocument, // the file could not be opened or was empty: no message
        ParseError, // not well-formed: show `message` in "Fehler beim Lesen der XML Datei"
        Loaded,
    };
    Result result = Result::NoDocument;
    std::string message;
};

// "Laden" after the dialog: currentFileName = fileName, resetDocument, parse,
// walk, allowance working values, recomputeLines, recomputeTotals. After any
// failure the document is a freshly reset one.
LoadOutcome loadInvoiceFile(DocumentState& state, const std::string& fileName);
// The same for bytes in memory (fuzzing, tests).
LoadOutcome loadInvoiceBytes(DocumentState& state, std::string_view bytes);

// The version of XRechnung a file names in its cbc:CustomizationID; nothing
// for a file that cannot be read or names neither.
std::optional<XRechnungVersion> fileVersion(const std::string& fileName);

// Maps every element of a parsed tree onto the document.
void walkDocument(DocumentState& state, const xml::XmlDocument& tree);

} // namespace tallomir::ubl
