// The one place that knows which syntax a file is in: loading recognises UBL
// and CII by the document element and its namespace, saving writes the
// document's own syntax. The window and the command line load and save
// through here only.

#pragma once

#include "invoice/model.h"
#include "ubl/reader.h"
#include "ubl/writer.h"
#include "xml/xml.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallomir::syntax {

using LoadOutcome = ubl::LoadOutcome;
using SaveOutcome = ubl::SaveOutcome;

// "UBL", "CII": the entries of the "Syntax" combo and the settings' values.
std::string_view syntaxName(Syntax syntax);
// The syntax of a name in any case ("cii", "UBL"); nothing for another.
std::optional<Syntax> syntaxNamed(std::string_view name);

// "Laden": a UBL invoice or credit note or a CII invoice is loaded as
// ubl::loadInvoiceFile loads it and keeps its syntax, also the one a hybrid
// PDF carries (the PDF stays the document's file); any other file, and a PDF
// without invoice data, is refused with the reason, the document as it was.
LoadOutcome loadInvoiceFile(DocumentState& state, const std::string& fileName);
// The same for bytes in memory (an archived entry, a file read before); a
// PDF among them is named `name` in its messages.
LoadOutcome loadInvoiceBytes(DocumentState& state, std::string_view bytes,
                             const std::string& name = "der gespeicherten Rechnung");

// The tree of the document in its syntax.
xml::DocumentPtr buildInvoiceTree(const DocumentState& state);
// "Speichern" in the document's syntax.
SaveOutcome saveInvoiceFile(DocumentState& state, const std::string& chosenFileName);

// What the document holds and its syntax cannot write, as the not-carried
// items name it ("Bezug auf Rechnung 2", "Zahlungsart 2: Verwendungszweck");
// a save leaves it out. Nothing for UBL.
std::vector<std::string> unwritten(const DocumentState& state);
// The same for a file written in the syntax given (a hybrid PDF's CII).
std::vector<std::string> unwritten(const DocumentState& state, Syntax written);

// The version of XRechnung a file of either syntax names; nothing for a file
// that cannot be read or names neither.
std::optional<XRechnungVersion> fileVersion(const std::string& fileName);

} // namespace tallomir::syntax
