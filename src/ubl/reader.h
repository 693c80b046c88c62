#pragma once

#include "invoice/model.h"
#include "ubl/path_tree.h"
#include "xml/xml.h"

#include <functional>
#include <span>

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

// A syntax the reader walks by its table: the path tree of its rows, the
// prefixes its rows give the namespaces they know, and why a document element
// is not one of its invoices ("" when it is).
struct NamespacePrefix {
    std::string_view uri;
    std::string_view prefix;
};
struct TableSyntax {
    const terms::PathTree& (*tree)();
    std::span<const NamespacePrefix> prefixes;
    std::string (*refusal)(xml::NodeView root);
};
const TableSyntax& ublSyntax();

// Loading a parsed file (none: it could not be opened) of that syntax; as
// loadInvoiceFile. With a file name, it becomes currentFileName.
LoadOutcome loadParsed(DocumentState& state, const xml::XmlDocument* tree, const std::string* fileName,
                       const TableSyntax& syntax);

// Loading while the file is parsed: `parse` parses it, telling the watcher
// it is given; `choose` names the syntax by the document element (also an
// empty one). Judged and loaded as loadParsed, with the same outcome and
// document; the tree never holds the lines already taken. The syntax read
// goes to `chosen`.
using Parse = std::function<xml::DocumentPtr(xml::LoadWatcher*)>;
using ChooseSyntax = const TableSyntax& (*)(xml::NodeView root);
LoadOutcome loadWhileParsed(DocumentState& state, const std::string* fileName, ChooseSyntax choose,
                            const Parse& parse, const TableSyntax** chosen = nullptr);

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

// The profile below EN 16931 a CII file's guideline identifier names
// ("MINIMUM", "BASIC WL" of Factur-X and ZUGFeRD), blanks around allowed;
// nothing for any other identifier. Such a file is no e-invoice in Germany.
std::optional<std::string_view> profileBelowEn16931(std::string_view guidelineId);

// A cbc:ChargeIndicator as its schema type, the boolean, reads it: "true" or
// "1" for a charge, "false" or "0" for an allowance, blanks around allowed;
// nothing for any other text.
std::optional<bool> readChargeIndicator(std::string_view text);

} // namespace tallomir::ubl
