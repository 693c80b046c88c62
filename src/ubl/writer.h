#pragma once

#include "invoice/model.h"
#include "xml/xml.h"

#include <functional>
#include <string>
#include <string_view>

namespace tallomir::ubl {

// The namespaces of a UBL 2.1 invoice, credit note and their components.
inline constexpr std::string_view invoiceNamespace = "urn:oasis:names:specification:ubl:schema:xsd:Invoice-2";
inline constexpr std::string_view creditNoteNamespace =
    "urn:oasis:names:specification:ubl:schema:xsd:CreditNote-2";
inline constexpr std::string_view aggregateNamespace =
    "urn:oasis:names:specification:ubl:schema:xsd:CommonAggregateComponents-2";
inline constexpr std::string_view basicNamespace =
    "urn:oasis:names:specification:ubl:schema:xsd:CommonBasicComponents-2";
// The scheme a tax number other than the VAT identifier is written under
// unless a loaded file named another.
inline constexpr std::string_view taxNumberScheme = "FC";

// The identifier of the version a file follows (its cbc:CustomizationID).
std::string customizationIdOf(XRechnungVersion version);
// The identifier of the standard itself, without a national extension.
inline constexpr std::string_view plainStandardId = "urn:cen.eu:en16931:2017";
// The business process the program names where the document names none.
std::string programProfileText(const DocumentState& state);
// Payment terms as written: each cash discount entry on a line of its own.
std::string paymentTermsText(const std::string& terms);
// The tax point's code of the document's list in the list of CII's element
// (the invoice date "3" is "5"); "" for another.
std::string_view dueDateCodeOf(std::string_view code);

// Document type codes of an additional document reference: a credit note's
// project reference (it has no element of its own for it), and the invoiced
// object's identifier.
inline constexpr std::string_view projectReferenceType = "50";
inline constexpr std::string_view objectReferenceType = "130";

// A cbc:CustomizationID or cbc:ProfileID this writer puts into its files
// (the profile of any version of the program).
// A further note as UBL writes it: "#AAI#Text", the subject code between
// hash signs before the text; without a code the text alone. Read back by
// readNote, which takes a code of three capital letters so enclosed.
std::string noteText(const NoteEntry& note);
NoteEntry readNote(std::string_view text);

bool isWrittenCustomizationId(std::string_view text);
bool isWrittenProfileId(std::string_view text);

// ".xml" appended unless the name already ends in the extension "xml", in
// any case ("rechnung.XML" stays as it is).
std::string completeXmlExtension(const std::string& fileName);

// The whole UBL tree of the document, indented when written, as it is saved: the
// rows of the table (ubl_terms.cpp) walked by the table writer (table_writer.h).
xml::DocumentPtr buildInvoiceTree(const DocumentState& state);

struct SaveOutcome {
    bool ok = false;
    std::string fileName; // the name actually written (with ".xml" completed)
    std::string message;  // German text for the box "XML Datei speichern" when !ok
};

// "Speichern" after the dialog: completes the extension, sets currentFileName,
// builds the tree and saves it; a successful save clears `modified`.
SaveOutcome saveInvoiceFile(DocumentState& state, const std::string& chosenFileName);
// The same for any syntax: `write` puts the document into an empty tree,
// which is written in the layout while it is built.
SaveOutcome saveInvoiceFile(DocumentState& state, const std::string& chosenFileName,
                            const xml::Layout& layout, const std::function<void(xml::XmlDocument&)>& write);

} // namespace tallomir::ubl
