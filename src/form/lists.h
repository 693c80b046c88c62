#pragma once

// The lists of the form: entries the user adds, edits and removes as a whole
// list (the further notes on "Weitere Angaben").

#include "form/form.h"

#include <vector>

namespace tallomir {

// Takes the further notes as the list shows them: each subject code and text
// in the form of its field (one line, several lines); an entry with neither
// is left out. Marks the document changed when the notes differ.
void setFurtherNotes(Form& state, const std::vector<NoteEntry>& notes);

// Takes the payment means after the first, each text in one line; an entry
// without any text is left out. Marks the document changed when they differ.
void setFurtherPaymentMeans(Form& state, const std::vector<PaymentMeansEntry>& means);

// Takes the attached files and references: every text but the content in
// one line, the content (Base64) as given; an entry without any text is
// left out. Marks the document changed when they differ.
void setAttachments(Form& state, const std::vector<Attachment>& attachments);

// Takes the seller's identifiers after the first, each in one line; one
// without an identifier is left out. Marks the document changed when they differ.
void setFurtherPartyIds(Form& state, const std::vector<PartyIdentifier>& ids);

// Takes the preceding invoices after the first, number and date in one line
// each; an entry with neither is left out. Marks the document changed when
// they differ.
void setFurtherPrecedingInvoices(Form& state, const std::vector<PrecedingInvoice>& invoices);

} // namespace tallomir
