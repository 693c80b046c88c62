#pragma once

#include "form/fields.h"
#include "invoice/model.h"

#include <map>
#include <string>

namespace tallomir {

// The form over the open document: the document itself, and what only typing
// needs. The window shows what the form holds and hands every event to the
// rules of this layer; the syntax layers read and write the document alone.
struct Form : DocumentState {
    // line editor: the buffer it shows, and which stored line that is (-1
    // while it holds a new line, not yet added)
    LineItem lineEditBuffer;
    int currentLineIndex = -1;
    // the unit a new line in the editor starts with: the one stored last
    std::string lastUnitCode;

    // Form fields whose last typed text could not be taken (a number field
    // left with letters), with the reason; the check names them.
    std::map<FieldId, std::string> invalidInputs;
};

// A form over a new document with the given code lists.
Form makeForm(const CodeLists& lists);

// The document in the form was replaced (reset or loaded): the line editor
// holds a new, empty line with the default unit and tax category, no line
// is current, and no typed text is left over.
void resetEditor(Form& form);

// The document reset to a new invoice (resetDocument), with the editor reset.
void resetForm(Form& form);

// "Neu": the next document. What the page "Lieferant" holds (the own company,
// its contact, bank and payment means) stays, see keepSupplierPage in
// form.cpp; everything else is reset as before a load, the amounts are
// recomputed, and the document has no file name yet and is unchanged.
void startNewDocument(Form& form);

} // namespace tallomir
